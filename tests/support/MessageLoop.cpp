#include "MessageLoop.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <thread>

namespace juce
{
    // The framework's own Linux dispatch step (its plug-in message thread declares it the
    // same way). MessageManager::runDispatchLoopUntil sleeps a whole millisecond whenever
    // the queue is empty, which the app's poll-driven loop never does; dispatching step
    // by step keeps the latency of timer callbacks in tests close to the app's.
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

bool MessageLoop::runUntil (const std::function<bool()>& condition, int timeoutMs)
{
    juce::MessageManager::getInstance();
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if ((int) (deadline - juce::Time::getMillisecondCounter()) <= 0)
            return condition();

        if (! juce::dispatchNextMessageOnSystemQueue (true))
            std::this_thread::sleep_for (std::chrono::microseconds (50));
    }

    return true;
}

void MessageLoop::runFor (int milliseconds)
{
    runUntil ([] { return false; }, milliseconds);
}

namespace
{
    /** Makes the test's main thread the message thread before any test runs, and ends
        the framework's timer thread and message manager once the last test has run,
        before static destruction takes away the locks they still use.

        On Windows the message queue belongs to the thread that creates the message
        manager: were a worker (a port's thread posting a callback) the first to ask
        for it, the main thread's loop would never see a timer or async message.
    */
    struct MessageManagerShutdown : public ::testing::Environment
    {
        void SetUp() override
        {
            juce::MessageManager::getInstance();
        }

        void TearDown() override
        {
            juce::DeletedAtShutdown::deleteAll();
            juce::MessageManager::deleteInstance();
        }
    };

    [[maybe_unused]] auto* const shutdown = ::testing::AddGlobalTestEnvironment (new MessageManagerShutdown());
}
