#include "app/DumpProgressThread.h"

DumpProgressThread::DumpProgressThread (std::function<int()> countReader,
                                        std::function<void (const juce::String&)> textDisplay)
    : juce::Thread ("DumpProgressThread"),
      readCount (std::move (countReader)),
      showText (std::move (textDisplay))
{
}

DumpProgressThread::~DumpProgressThread()
{
    stopThread (intervalMs);
    cancelPendingUpdate();
}

juce::String DumpProgressThread::makeProgressText (int byteCount)
{
    return juce::String (byteCount) + " bytes received";
}

void DumpProgressThread::run()
{
    while (! threadShouldExit())
    {
        latestCount = readCount != nullptr ? readCount() : 0;
        triggerAsyncUpdate();
        wait (intervalMs);
    }
}

void DumpProgressThread::handleAsyncUpdate()
{
    if (showText != nullptr)
        showText (makeProgressText (latestCount.load()));
}
