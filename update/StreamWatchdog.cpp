#include "update/StreamWatchdog.h"

StreamWatchdog::StreamWatchdog (UpdateConnection& connectionToWatch, int timeoutMs)
    : juce::Thread ("Update Watchdog"),
      connection (connectionToWatch),
      timeout (timeoutMs),
      lastRestart (juce::Time::getMillisecondCounter())
{
    startThread();
}

StreamWatchdog::~StreamWatchdog()
{
    signalThreadShouldExit();
    notify();
    stopThread (-1);
}

void StreamWatchdog::restart() noexcept
{
    lastRestart = juce::Time::getMillisecondCounter();
}

void StreamWatchdog::run()
{
    while (! threadShouldExit())
    {
        const auto due = lastRestart.load() + (juce::uint32) timeout;
        const auto left = (int) (due - juce::Time::getMillisecondCounter());

        if (left <= 0)
        {
            fired = true;
            connection.abort();
            return;
        }

        wait (left);
    }
}
