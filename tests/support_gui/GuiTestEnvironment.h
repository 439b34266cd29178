#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Process-wide set-up for GUI tests: a private home folder (so the settings file
    and the application-data folder never touch the user's own) and the framework's
    GUI initialisation, with the test's thread as the message thread.

    Registered once per test binary, from a static initialiser:
        static const bool registered = GuiTestEnvironment::registerWithGoogleTest();
*/
struct GuiTestEnvironment
{
    /** Points HOME at a fresh folder and clears XDG_CONFIG_HOME; returns the folder. */
    static juce::File useFreshHome();

    /** Registers the environment with GoogleTest (call from a static initialiser). */
    static bool registerWithGoogleTest();
};
