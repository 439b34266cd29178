#include "support/WineCheck.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Wine's ntdll exports wine_get_version; Windows' does not.
bool WineCheck::isRunningUnderWine()
{
    const auto ntdll = ::GetModuleHandleA ("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress (ntdll, "wine_get_version") != nullptr;
}
