#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Minimises a window in a test as the user would. On Windows (and Wine) the
    framework's own request does it. A bare X server has no window manager to honour
    that request, so on Linux the window is also marked iconic the way a window
    manager marks it (the WM_STATE property), which the framework then reads back.
*/
struct WindowMinimiser
{
    /** False when the window could not be marked. */
    static bool minimise (juce::ResizableWindow& window);
};
