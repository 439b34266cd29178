#pragma once

#include <functional>

//==============================================================================
/** Runs the framework's message loop on the calling thread, so that timers
    (the multi-message sender is one) fire inside a test. The first caller's thread
    becomes the message thread; call it from the test's main thread only.
*/
struct MessageLoop
{
    /** Dispatches messages until the condition holds or the time-out passes;
        returns the condition's last value.
    */
    static bool runUntil (const std::function<bool()>& condition, int timeoutMs = 5000);

    /** Dispatches messages for this long. */
    static void runFor (int milliseconds);
};
