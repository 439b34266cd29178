#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Whether the program has a graphical display to open its window on.

    The framework opens the X display when it builds its first window and, when
    there is none (no DISPLAY, or a server that cannot be reached), fails deep
    inside without a word. The program's entry asks here first, by opening and
    closing a connection of its own, and ends with the one-line reason instead.

    Linux only: a Windows program always starts on the user's desktop, so its entry
    (MainWindows.cpp) has nothing to check and this file is not built there.
*/
struct DisplayCheck
{
    /** An empty string when a display can be opened; otherwise one line that says
        why not, for the terminal.
    */
    static juce::String findProblem();
};
