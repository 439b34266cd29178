#include "app/InstanceMessenger.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

namespace
{
    /** Holds the framework's single-instance lock of a name on a thread of its own, as
        a running instance of the program does.
    */
    class RunningInstance  : private juce::Thread
    {
    public:
        explicit RunningInstance (const juce::String& name)
            : juce::Thread ("Running instance"), lockName ("juceAppLock_" + name)
        {
            startThread();
            held.wait (5000);
        }

        ~RunningInstance() override
        {
            release.signal();
            stopThread (5000);
        }

        bool holdsLock() const noexcept      { return holding; }

    private:
        void run() override
        {
            juce::InterProcessLock lock (lockName);
            holding = lock.enter (0);
            held.signal();
            release.wait (10000);

            if (holding)
                lock.exit();
        }

        juce::String lockName;
        juce::WaitableEvent held, release;
        std::atomic<bool> holding { false };
    };
}

// On Windows the framework itself tells the running instance; the messenger only says
// whether one runs, and never adds a second notice of its own.
TEST (InstanceMessenger, OnWindowsTheFrameworksLockTellsWhetherAnInstanceRuns)
{
    const auto name = "Dremlor messenger test " + juce::Uuid().toString();
    int notices = 0;
    InstanceMessenger messenger (name, [&] (const juce::String&) { ++notices; });

    EXPECT_TRUE (messenger.startListening());
    EXPECT_TRUE (messenger.isListening());
    EXPECT_FALSE (InstanceMessenger::notifyRunningInstance (name, "nobody runs"));

    {
        RunningInstance running (name);
        ASSERT_TRUE (running.holdsLock());
        EXPECT_TRUE (InstanceMessenger::notifyRunningInstance (name, "--second"));
    }

    // Released again: a later start would run.
    EXPECT_FALSE (InstanceMessenger::notifyRunningInstance (name, "after"));

    MessageLoop::runFor (200);
    EXPECT_EQ (notices, 0);
}
