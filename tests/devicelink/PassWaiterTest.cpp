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

    double msSince (double start) { return juce::Time::getMillisecondCounterHiRes() - start; }
}

TEST (PassWaiter, AWakeGivenBeforeTheWaitEndsThatWaitOnly)
{
    WaitingThread owner;
    owner.waiter.wake();
    auto start = juce::Time::getMillisecondCounterHiRes();
    EXPECT_TRUE (owner.waiter.wait (5000));
    EXPECT_LT (msSince (start), 1000.0);

    // Used up: the next wait keeps its time rather than returning at once.
    start = juce::Time::getMillisecondCounterHiRes();
    EXPECT_FALSE (owner.waiter.wait (30));
    EXPECT_GE (msSince (start), 20.0);
}

TEST (PassWaiter, AskingTheThreadToExitEndsItsWait)
{
    WaitingThread thread;
    thread.startThread();
    ASSERT_TRUE (thread.started.wait (5000));
    juce::Thread::sleep (20);

    EXPECT_TRUE (thread.stopThread (5000));
    EXPECT_TRUE (thread.woken.load());
}
