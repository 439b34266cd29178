#pragma once

#include "update/UpdateConnection.h"

#include <juce_core/juce_core.h>

#include <atomic>

//==============================================================================
/**
    Aborts a connection that has gone quiet for too long. An aborted connection's
    stream returns from a blocked connect or read at once, so the thread reading it
    can never hang on a server that stops answering.

    The time-out runs from construction; restart lets it run again from now (the
    download restarts it after every chunk, the text fetches never do, so for them
    it is a deadline for the whole fetch). Runs a thread of its own ("Update
    Watchdog") for its lifetime; restart and hasFired may be called from any thread.
*/
class StreamWatchdog  : private juce::Thread
{
public:
    /** The connection must outlive the watchdog. */
    StreamWatchdog (UpdateConnection& connectionToWatch, int timeoutMs);
    ~StreamWatchdog() override;

    /** Lets the time-out run again from now. */
    void restart() noexcept;

    /** True once the watchdog has aborted the connection. */
    bool hasFired() const noexcept      { return fired; }

private:
    void run() override;

    UpdateConnection& connection;
    const int timeout;
    std::atomic<juce::uint32> lastRestart;
    std::atomic<bool> fired { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StreamWatchdog)
};
