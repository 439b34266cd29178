#pragma once

#include <juce_core/juce_core.h>

#include <memory>

//==============================================================================
/**
    The processing thread's wait between two passes: it lasts at most the time given,
    and wake() (a queued request, an arriving message) or a request to the thread to
    exit ends it at once. A wake() while nobody waits ends the next wait at once; one
    wake() ends one wait.

    A framework event with a time-out on Linux. On Windows a native event: the C++
    library of MinGW rounds a 1 ms time-out of the framework's event up to 2 ms, so a
    thread meant to make a pass every millisecond would make one every 2 ms or so;
    WaitForSingleObject keeps the millisecond, as the framework's own Thread::sleep
    does there.
*/
class PassWaiter : private juce::Thread::Listener
{
public:
    /** Also ends a wait when the given thread is asked to exit. */
    explicit PassWaiter (juce::Thread& threadToServe);
    ~PassWaiter() override;

    /** True when woken, false after the time-out. */
    bool wait (int timeoutMs);

    void wake();

private:
    void exitSignalSent() override { wake(); }

    struct Event;
    juce::Thread& thread;
    std::unique_ptr<Event> event;

    JUCE_DECLARE_NON_COPYABLE (PassWaiter)
};
