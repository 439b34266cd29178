#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Minimises a window in a test as the user would. A bare X server has no window
    manager to honour the framework's request, so on Linux the window is also marked
    iconic as a window manager marks it (WM_STATE), which the framework reads back.
*/
struct WindowMinimiser
{
    /** False when the window could not be marked. */
    static bool minimise (juce::ResizableWindow& window);
};
