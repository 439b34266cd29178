#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Process-wide set-up for GUI tests: a private home folder with its own
    application-data folder (so the settings file never touches the user's own, on
    Linux or Windows) and the framework's GUI initialisation, with the test's thread
    as the message thread.

    Registered once per test binary, from a static initialiser:
        static const bool registered = GuiTestEnvironment::registerWithGoogleTest();
*/
struct GuiTestEnvironment
{
    /** Points HOME at a fresh folder, clears XDG_CONFIG_HOME and points APPDATA at
        AppData/Roaming inside the folder; returns the folder.
    */
    static juce::File useFreshHome();

    /** Registers the environment with GoogleTest (call from a static initialiser). */
    static bool registerWithGoogleTest();
};
