#include "support_gui/TestDisplay.h"

// The Windows desktop needs no preparation.
void TestDisplay::prepare() {}
