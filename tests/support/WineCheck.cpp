#include "support/WineCheck.h"

// A Linux build runs natively.
bool WineCheck::isRunningUnderWine()
{
    return false;
}
