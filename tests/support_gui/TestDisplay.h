#pragma once

//==============================================================================
/**
    Readies the display GUI tests draw on. On Linux: a bare X server (Xvfb without a
    window manager) gets the window-manager atoms the framework needs, and X errors
    about windows that other test processes destroyed no longer end the test. On
    Windows there is nothing to do.
*/
struct TestDisplay
{
    static void prepare();
};
