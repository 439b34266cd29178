#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include "support/ManualClock.h"
#include "support/MessageLoop.h"
#include "support/ScriptedUnit.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
    /** `count` preset messages of the model, back to back as in a ".syx" file; byte 6
        of message i holds i.
    */
    juce::MemoryBlock makeData (int count, uint8_t model = 3, int junkBytesFirst = 0)
    {
        juce::MemoryBlock data;

        for (int i = 0; i < junkBytesFirst; ++i)
            data.append ("\x11", 1);

        for (int i = 0; i < count; ++i)
        {
            const auto m = ScriptedUnit::frame (0x78, { (uint8_t) i, 0x22, 0x33 }, model);
            data.append (m.getRawData(), (size_t) m.getRawDataSize());
        }

        return data;
    }

    struct SysExMultiMsgTimerTest : public ::testing::Test
    {
        SysExMultiMsgTimerTest()
        {
            unit = &static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> ("KORRINA MIDI")));
            MidiDeviceProvider::setCurrent (&devices);
            juce::MessageManager::getInstance();
            open();
        }

        ~SysExMultiMsgTimerTest() override
        {
            engine.reset();
            MidiDeviceProvider::setCurrent (nullptr);
        }

        void open()
        {
            engine = std::make_unique<VASMidiProcessing>();
            ASSERT_TRUE (engine->getPorts().openMidiInput ("KORRINA MIDI"));
            ASSERT_TRUE (engine->getPorts().openMidiOutput ("KORRINA MIDI"));
            ASSERT_TRUE (engine->setMidiDevices (true, true));
        }

        SysExMultiMsgTimer& sender() { return engine->getSender(); }

        bool load (const juce::MemoryBlock& data, uint8_t model = 3)
        {
            return sender().loadData (data.getData(), data.getSize(), model) == LoadResult::loaded;
        }

        /** Runs the message loop until the send leaves the running state. */
        SendState runSend (int timeoutMs = MessageLoop::guardMs)
        {
            MessageLoop::runUntil ([this] { return sender().getState() != SendState::running; }, timeoutMs);
            return sender().getState();
        }

        /** Waits until the unit has received its count-th message, which it leaves
            unanswered; runs read on the message thread, then answers it as the unit
            would. The send cannot move on meanwhile, so read sees the state the
            message was sent in, however late the wait sees the message arrive.
        */
        bool waitForMessageAndRead (int count, const std::function<void()>& read)
        {
            if (count == 1)
            {
                unit->setResponder ([] (const juce::MidiMessage&) { return std::vector<juce::MidiMessage>(); });
                sender().setReplyTimeout (60000);
            }

            if (! MessageLoop::runUntil ([this, count] { return unit->getNumReceived() >= count; }))
                return false;

            read();
            const auto message = unit->getReceived().back();
            unit->send (ScriptedUnit::status (message.getRawData()[5], 0, message.getRawData()[4]));
            return unit->getNumReceived() == count;
        }

        VirtualMidiDeviceProvider devices;
        ScriptedUnit* unit = nullptr;
        std::unique_ptr<ManualClock> clock;   // when a test drives time; outlives the engine
        std::unique_ptr<VASMidiProcessing> engine;
    };
}

//==============================================================================
TEST_F (SysExMultiMsgTimerTest, SendsEveryMessageOnceInOrderAndFinishes)
{
    ASSERT_TRUE (load (makeData (10, 3, 3)));
    EXPECT_EQ (sender().getState(), SendState::idle);
    ASSERT_TRUE (sender().start (0));
    EXPECT_FALSE (sender().start (0)) << "already running";

    EXPECT_EQ (runSend(), SendState::finished);
    EXPECT_EQ (sender().getDeviceError(), 0);

    const auto received = unit->getReceived();
    ASSERT_EQ (received.size(), 10u);

    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ (received[(size_t) i].getRawData()[0], 0xF0) << "junk before the first header is skipped";
        EXPECT_EQ (received[(size_t) i].getRawData()[6], i);
    }

    EXPECT_FALSE (sender().cancel()) << "nothing to cancel once finished";
}

TEST_F (SysExMultiMsgTimerTest, MessagesReachTheUnitOneIntervalApart)
{
    // The unit notes when each message arrives and answers it at once, so the
    // interval alone spaces the messages.
    juce::CriticalSection arrivalsLock;
    std::vector<double> arrivals;

    unit->setResponder ([&] (const juce::MidiMessage& m)
    {
        const juce::ScopedLock sl (arrivalsLock);
        arrivals.push_back (juce::Time::getMillisecondCounterHiRes());
        return std::vector<juce::MidiMessage> { ScriptedUnit::status (m.getRawData()[5], 0) };
    });

    constexpr int count = 12;

    for (const juce::uint32 interval : { 30u, 60u })
    {
        {
            const juce::ScopedLock sl (arrivalsLock);
            arrivals.clear();
        }

        ASSERT_TRUE (load (makeData (count)));
        ASSERT_TRUE (sender().start (interval));
        ASSERT_EQ (runSend(), SendState::finished);
        ASSERT_TRUE (devices.waitUntilIdle());

        const juce::ScopedLock sl (arrivalsLock);
        ASSERT_EQ (arrivals.size(), (size_t) count);
        std::vector<double> gaps;

        for (size_t i = 1; i < arrivals.size(); ++i)
            gaps.push_back (arrivals[i] - arrivals[i - 1]);

        // One message a tick: never two in one. A tick that a busy machine delivers
        // late is made up by the next one, so single gaps may stray, but the typical
        // gap and the whole run keep to the interval within a millisecond tick or two.
        for (const auto gap : gaps)
            EXPECT_GT (gap, interval / 2.0) << "interval " << interval;

        const auto mean = (arrivals.back() - arrivals.front()) / (double) gaps.size();
        EXPECT_NEAR (mean, (double) interval, 3.0) << "mean gap, interval " << interval;

        std::sort (gaps.begin(), gaps.end());
        EXPECT_NEAR (gaps[gaps.size() / 2], (double) interval, 3.0) << "median gap, interval " << interval;
    }
}

TEST_F (SysExMultiMsgTimerTest, ProgressStepsByMessageAndStopsShortOfOne)
{
    ASSERT_TRUE (load (makeData (10)));
    ASSERT_TRUE (sender().start (15));

    // The progress as each message reaches the unit, whose answer waits until it
    // has been read: nothing moves meanwhile.
    std::vector<double> seen;

    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE (waitForMessageAndRead (i + 1, [&] { seen.push_back (sender().getProgress()); }));

    EXPECT_EQ (runSend(), SendState::finished);
    const std::vector<double> expected { 0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9999 };
    ASSERT_EQ (seen.size(), expected.size());

    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR (seen[i], expected[i], 1e-9) << i;
}

TEST_F (SysExMultiMsgTimerTest, LeadInGoesFirstAndCountsInTheProgress)
{
    const auto leadIn = ScriptedUnit::frame (0x25, {});
    sender().setLeadInMessage (&leadIn);
    ASSERT_TRUE (load (makeData (10)));
    ASSERT_TRUE (sender().start (15));

    double progressAtNinth = -1.0;

    for (int i = 0; i < 11; ++i)
        ASSERT_TRUE (waitForMessageAndRead (i + 1, [&] { if (i == 9) progressAtNinth = sender().getProgress(); }));

    unit->setResponder ({});

    EXPECT_EQ (runSend(), SendState::finished);
    EXPECT_DOUBLE_EQ (progressAtNinth, 0.9999);
    EXPECT_DOUBLE_EQ (sender().getProgress(), 0.9999);

    const auto received = unit->getReceived();
    ASSERT_EQ (received.size(), 11u);
    EXPECT_EQ (received[0].getRawData()[5], 0x25);
    EXPECT_EQ (received[10].getRawData()[6], 9);

    // No lead-in any more: the next send holds only the data.
    sender().setLeadInMessage (nullptr);
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::finished);
    EXPECT_EQ (unit->getNumReceived(), 21);
}

TEST_F (SysExMultiMsgTimerTest, StatusWithAResultEndsTheSendRefusedUnlessTheResultIsAccepted)
{
    unit->setStatusResult (1);
    ASSERT_TRUE (load (makeData (5)));
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::refused);
    EXPECT_EQ (sender().getDeviceError(), 1);
    EXPECT_EQ (unit->getNumReceived(), 1);

    // Result 5 is a refusal too, until it is accepted (a firmware send).
    unit->setStatusResult (5);
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (sender().getDeviceError(), 0) << "a new start clears the old error";
    EXPECT_EQ (runSend(), SendState::refused);
    EXPECT_EQ (sender().getDeviceError(), 5);

    sender().addAcceptedResult();
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::finished);

    // Accepting 5 does not accept 1.
    unit->setStatusResult (1);
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::refused);

    // Reset options: 5 is a refusal again.
    unit->setStatusResult (5);
    ASSERT_TRUE (sender().resetSendOptions());
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::refused);
}

TEST_F (SysExMultiMsgTimerTest, RefusalNamingAnotherFunctionDoesNotStopTheSend)
{
    // Each data message (0x78) draws a refusal of a preset start, then its own good status.
    unit->setResponder ([] (const juce::MidiMessage& m)
    {
        return std::vector<juce::MidiMessage> { ScriptedUnit::status (0x77, 1), ScriptedUnit::status (m.getRawData()[5], 0) };
    });

    ASSERT_TRUE (load (makeData (3)));
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::finished);
    EXPECT_EQ (sender().getDeviceError(), 0);
    EXPECT_EQ (unit->getNumReceived(), 3);
}

TEST_F (SysExMultiMsgTimerTest, SilenceEndsTheSendWithAReplyTimeout)
{
    unit->setSilent (true);
    sender().setReplyTimeout (100);
    ASSERT_TRUE (load (makeData (3)));
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::replyTimeout);
    EXPECT_EQ (unit->getNumReceived(), 1);
}

TEST_F (SysExMultiMsgTimerTest, NoReplyModeSendsWithoutWaitingForAnswersUntilReset)
{
    unit->setSilent (true);
    sender().setReplyTimeout (100);
    sender().setNoReplyMode();
    ASSERT_TRUE (load (makeData (8)));
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::finished);
    EXPECT_TRUE (unit->waitForReceived (8));

    ASSERT_TRUE (sender().resetSendOptions());
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::replyTimeout);
}

TEST_F (SysExMultiMsgTimerTest, OutputLostWhenTheNextMessageIsDueEndsTheSend)
{
    engine.reset();
    clock = std::make_unique<ManualClock> (100000);
    open();

    ASSERT_TRUE (load (makeData (6)));
    ASSERT_TRUE (sender().start (0));
    ASSERT_TRUE (MessageLoop::runUntil ([this] { return unit->getNumReceived() >= 2; }));
    ASSERT_TRUE (sender().setPaused (true));

    // Let the answer to the message in flight arrive and end its transaction, so that
    // the next message is what finds the output gone.
    ASSERT_TRUE (devices.waitUntilIdle());
    juce::Thread::sleep (20);

    devices.unplug ("KORRINA MIDI");
    clock->advance (1001);
    ASSERT_TRUE (MessageLoop::runUntil ([this] { return ! engine->isOutputReady(); }));

    ASSERT_TRUE (sender().setPaused (false));
    EXPECT_EQ (runSend(), SendState::outputNotReady);
}

TEST_F (SysExMultiMsgTimerTest, PauseResumeAndCancelFollowTheStateRules)
{
    unit->setReplyDelayMs (5);
    ASSERT_TRUE (load (makeData (200)));

    EXPECT_FALSE (sender().setPaused (true));
    EXPECT_FALSE (sender().setPaused (false));
    EXPECT_FALSE (sender().cancel());

    ASSERT_TRUE (sender().start (0));
    EXPECT_FALSE (sender().setPaused (false));
    EXPECT_TRUE (sender().setPaused (true));
    EXPECT_EQ (sender().getState(), SendState::paused);
    EXPECT_FALSE (sender().start (0));
    EXPECT_FALSE (load (makeData (2))) << "no new data while paused";

    const auto before = unit->getNumReceived();
    MessageLoop::runFor (50);
    EXPECT_LE (unit->getNumReceived(), before + 1) << "nothing new goes out while paused";

    EXPECT_TRUE (sender().setPaused (false));
    EXPECT_EQ (sender().getState(), SendState::running);
    MessageLoop::runFor (20);

    EXPECT_TRUE (sender().cancel());
    EXPECT_EQ (sender().getState(), SendState::cancelled);
    EXPECT_FALSE (sender().cancel());
    EXPECT_LT (unit->getNumReceived(), 200);
}

TEST_F (SysExMultiMsgTimerTest, IntervalRules)
{
    EXPECT_EQ (sender().getInterval(), 0u);
    EXPECT_FALSE (sender().setInterval (0)) << "same value";
    EXPECT_FALSE (sender().setInterval (1001));
    EXPECT_TRUE (sender().setInterval (1000));
    EXPECT_EQ (sender().getInterval(), 1000u);

    ASSERT_TRUE (load (makeData (3)));
    ASSERT_TRUE (sender().start (2000));
    EXPECT_EQ (sender().getInterval(), 1000u) << "an interval above 1000 keeps the old one";
    EXPECT_TRUE (sender().setInterval (1)) << "changing it while running restarts the timer";
    EXPECT_EQ (sender().getState(), SendState::running);
    EXPECT_EQ (runSend(), SendState::finished);

    ASSERT_TRUE (sender().start (5));
    EXPECT_EQ (sender().getInterval(), 5u);
    EXPECT_EQ (runSend(), SendState::finished);
}

TEST_F (SysExMultiMsgTimerTest, DataWithoutAMessageForTheModelIsRefusedUpFront)
{
    EXPECT_EQ (sender().loadData (nullptr, 10, 3), LoadResult::noMessages);
    EXPECT_FALSE (sender().start (0)) << "nothing loaded yet";

    ASSERT_TRUE (load (makeData (4)));

    // While it sends, other data is refused as busy and leaves the send alone.
    ASSERT_TRUE (sender().start (0));
    const auto other = makeData (2, 6);

    EXPECT_EQ (sender().loadData (other.getData(), other.getSize(), 6), LoadResult::busy);
    ASSERT_TRUE (sender().setPaused (true));
    EXPECT_EQ (sender().loadData (other.getData(), other.getSize(), 6), LoadResult::busy);
    ASSERT_TRUE (sender().setPaused (false));
    ASSERT_EQ (runSend(), SendState::finished);

    // Korrina Grand data offered for a Korrina: no header matches. The earlier send's
    // outcome must not be read as this one's, nor its data sent in its place.
    EXPECT_FALSE (load (makeData (4, 6), 3));
    EXPECT_EQ (sender().getState(), SendState::idle);
    EXPECT_FALSE (sender().start (0));
    EXPECT_EQ (unit->getNumReceived(), 4);

    juce::MemoryBlock noise ("\x01\x02\x03\xF7", 4);
    EXPECT_FALSE (load (noise));
}

TEST_F (SysExMultiMsgTimerTest, RestartRightAfterCancellingWhileAMessageIsInFlight)
{
    unit->setSilent (true);
    sender().setReplyTimeout (150);
    ASSERT_TRUE (load (makeData (3)));
    ASSERT_TRUE (sender().start (0));
    ASSERT_TRUE (MessageLoop::runUntil ([this] { return unit->getNumReceived() >= 1; }));
    ASSERT_TRUE (sender().cancel());

    // The cancelled message's transaction is still held by the processing thread;
    // a new start must not free it under the thread.
    unit->setSilent (false);
    ASSERT_TRUE (load (makeData (3)));
    ASSERT_TRUE (sender().start (0));
    EXPECT_EQ (runSend(), SendState::finished);
    EXPECT_EQ (unit->getNumReceived(), 4);
}

TEST_F (SysExMultiMsgTimerTest, SetStateIsWhatGetStateReads)
{
    sender().setState (SendState::replyTimeout);
    EXPECT_EQ (sender().getState(), SendState::replyTimeout);
    ASSERT_TRUE (load (makeData (1)));
    EXPECT_TRUE (sender().start (0)) << "a send can start again from any ended state";
    EXPECT_EQ (runSend(), SendState::finished);
}
