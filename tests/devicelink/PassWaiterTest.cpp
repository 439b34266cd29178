#include "devicelink/PassWaiter.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{
    /** A thread that makes one long wait and records whether something ended it. */
    struct WaitingThread : public juce::Thread
    {
        WaitingThread() : juce::Thread ("PassWaiterTest") {}
        ~WaitingThread() override { stopThread (5000); }
        void run() override { started.signal(); woken = waiter.wait (10000); }

        PassWaiter waiter { *this };
        juce::WaitableEvent started;
        std::atomic<bool> woken { false };
    };
}

TEST (PassWaiter, AWakeEndsOneWaitAndAnExitRequestEndsTheWaitInProgress)
{
    WaitingThread idle;
    idle.waiter.wake();
    auto start = juce::Time::getMillisecondCounterHiRes();
    EXPECT_TRUE (idle.waiter.wait (5000));
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 1000.0);

    // Used up: the next wait keeps its time rather than returning at once.
    start = juce::Time::getMillisecondCounterHiRes();
    EXPECT_FALSE (idle.waiter.wait (30));
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - start, 20.0);

    WaitingThread running;
    running.startThread();
    ASSERT_TRUE (running.started.wait (5000));
    juce::Thread::sleep (20);
    EXPECT_TRUE (running.stopThread (5000));
    EXPECT_TRUE (running.woken.load());
}
