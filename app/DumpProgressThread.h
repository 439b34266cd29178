#pragma once

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>

//==============================================================================
/**
    The thread "DumpProgressThread": while a Stompra dump is recorded it reads the
    recorded byte count every 100 ms and has it shown as "<count> bytes received".

    The count is read on this thread; the text is handed to the display on the
    message thread (a coalescing async update), because widgets must not be touched
    from any other thread. Deleting the object stops the thread (100 ms) and drops
    an update that has not been delivered yet.

    Created, started and deleted on the message thread.
*/
class DumpProgressThread  : public juce::Thread,
                            private juce::AsyncUpdater
{
public:
    /** readCount is called on this thread; showText on the message thread. */
    DumpProgressThread (std::function<int()> readCount,
                        std::function<void (const juce::String&)> showText);

    ~DumpProgressThread() override;

    /** The text shown for a byte count, e.g. "1000 bytes received". */
    static juce::String makeProgressText (int byteCount);

    /** How often the count is read and shown. */
    static constexpr int intervalMs = 100;

    void run() override;

private:
    void handleAsyncUpdate() override;

    std::function<int()> readCount;
    std::function<void (const juce::String&)> showText;
    std::atomic<int> latestCount { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DumpProgressThread)
};
