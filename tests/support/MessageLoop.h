#pragma once

#include <functional>

//==============================================================================
/** Runs the framework's message loop on the calling thread, so that timers
    (the multi-message sender is one) fire inside a test. The first caller's thread
    becomes the message thread; call it from the test's main thread only.
*/
struct MessageLoop
{
    /** The longest a wait for an event waits by default: only a guard that ends a
        test whose code has hung, never a time the code must keep; a slow or busy
        machine is waited for. A test whose point is a time bound gives its own.
    */
    static constexpr int guardMs = 60000;

    /** Dispatches messages until the condition holds or the time-out passes;
        returns the condition's last value.
    */
    static bool runUntil (const std::function<bool()>& condition, int timeoutMs = guardMs);

    /** Dispatches messages for this long. */
    static void runFor (int milliseconds);
};
