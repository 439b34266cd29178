#include "support/EnvironmentVariable.h"
#include "support_gui/GuiTestEnvironment.h"

#include <cstdlib>

// Every app test runs with a private home folder and the framework's GUI set up.
static const bool environmentRegistered = GuiTestEnvironment::registerWithGoogleTest();

// The application checks for an update when it starts: tests that start it must not
// reach for the network, so the update server is a loopback port nobody listens on,
// which refuses at once. Tests of the update flow serve a feed of their own.
static const bool updateServerSet = std::getenv ("DREMLOR_UPDATE_URL") != nullptr
                                    || EnvironmentVariable::set ("DREMLOR_UPDATE_URL", "http://127.0.0.1:1");
