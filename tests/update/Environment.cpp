#include "support_gui/GuiTestEnvironment.h"

// Every update test runs with a private home folder and the framework's GUI set up.
static const bool environmentRegistered = GuiTestEnvironment::registerWithGoogleTest();
