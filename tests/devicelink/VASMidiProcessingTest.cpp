#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include "support/ManualClock.h"
#include "support/ScriptedUnit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>

namespace
{
    SysExTransaction* pending (SysExTransaction& t) { return &t; }

    juce::MidiMessage request (uint8_t function, std::initializer_list<uint8_t> payload = {})
    {
        return ScriptedUnit::frame (function, payload);
    }

    /** Polls until the condition holds; false after the time-out. */
    bool waitUntil (const std::function<bool()>& condition, int timeoutMs = 3000)
    {
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if ((int) (deadline - juce::Time::getMillisecondCounter()) <= 0)
                return condition();

            juce::Thread::sleep (1);
        }

        return true;
    }

    TransactionState waitForEnd (const SysExTransaction& t, int timeoutMs = 3000)
    {
        waitUntil ([&] { return t.getState() != TransactionState::waiting; }, timeoutMs);
        return t.getState();
    }
}

//==============================================================================
// Reply matching, checked without the thread.

TEST (VASMidiProcessingDispatch, EveryFunctionAgainstEveryRequestFollowsTheReplyRules)
{
    // The rules, written out here on their own: a reply of one of these functions
    // belongs only to a request of the same function ...
    const std::set<int> ownFunction { 0x01, 0x08, 0x0E, 0x0F, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x1A,
                                      0x1C, 0x20, 0x23, 0x28, 0x2A, 0x2F, 0x30, 0x31, 0x35, 0x36, 0x38, 0x39, 0x3A, 0x44 };

    // ... these belong to the requests of their family ...
    const std::map<int, std::set<int>> family {
        { 0x02, { 0x02, 0x2E } },       { 0x07, { 0x07, 0x3B } },       { 0x29, { 0x29, 0x0E } },
        { 0x2C, { 0x2C, 0x2B } },       { 0x32, { 0x01, 0x12, 0x2B } }, { 0x33, { 0x01, 0x12, 0x2B } },
        { 0x61, { 0x43 } },             { 0x62, { 0x43 } },             { 0x63, { 0x43 } },
        { 0x67, { 0x40 } },             { 0x68, { 0x40 } },             { 0x69, { 0x40 } },
        { 0x74, { 0x1F } },             { 0x75, { 0x1F } },             { 0x76, { 0x1F } },
        { 0x77, { 0x03, 0x1C } },       { 0x78, { 0x03, 0x1C } },       { 0x79, { 0x03, 0x1C } },
        { 0x7A, { 0x19, 0x44, 0x40 } }, { 0x7B, { 0x19, 0x44, 0x40 } }, { 0x7C, { 0x19, 0x44, 0x40 } },
    };

    // ... a status message belongs to the request it names, every other function to
    // none; and only these three are taken with a wrong checksum.
    const std::set<int> withoutChecksum { 0x0D, 0x0E, 0x10 };
    constexpr int status = 0x64;

    auto expectedToBelong = [&] (int f, int r, bool intact)
    {
        if (! intact && withoutChecksum.count (f) == 0)
            return false;

        if (ownFunction.count (f) != 0)
            return f == r;

        const auto row = family.find (f);
        return row != family.end() && row->second.count (r) != 0;
    };

    int mismatches = 0;

    for (int r = 0; r < 0x80; ++r)
    {
        for (int f = 0; f < 0x80; ++f)
        {
            for (const bool intact : { true, false })
            {
                // A status names the request's own function when f is the status code;
                // a status naming another function is tried below.
                const auto message = f == status ? ScriptedUnit::status ((uint8_t) r, 0)
                                                 : request ((uint8_t) f, { 0x01, 0x02, 0x00, 0x03, 0x00 });
                const auto sent = intact ? message : ScriptedUnit::withBadChecksum (message);
                const bool expected = f == status ? intact : expectedToBelong (f, r, intact);

                SysExTransaction transaction (request ((uint8_t) r));
                transaction.setExpectedReplies (1000);
                const bool took = VASMidiProcessing::dispatchReply (sent, pending (transaction));

                if (took != expected || transaction.getNumReplies() != (expected ? 1 : 0))
                {
                    ADD_FAILURE() << std::hex << "reply " << f << " request " << r << (intact ? "" : " bad checksum")
                                  << ": took " << took << ", expected " << expected;

                    if (++mismatches > 20)
                        return;
                }

                // No request pending: nothing belongs.
                EXPECT_FALSE (VASMidiProcessing::dispatchReply (sent, nullptr));
            }
        }

        SysExTransaction transaction (request ((uint8_t) r));
        EXPECT_FALSE (VASMidiProcessing::dispatchReply (ScriptedUnit::status ((uint8_t) ((r + 1) % 0x80), 0), pending (transaction)))
            << std::hex << "a status naming another function than " << r;
    }
}

TEST (VASMidiProcessingDispatch, StatusBelongsToTheFunctionItNamesAndOnlyWithAPendingRequest)
{
    SysExTransaction transaction (request (0x03));
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (ScriptedUnit::status (0x1C, 0), pending (transaction)));
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (ScriptedUnit::status (0x03, 0), nullptr));
    EXPECT_EQ (transaction.getRawState(), TransactionState::waiting);

    EXPECT_TRUE (VASMidiProcessing::dispatchReply (ScriptedUnit::status (0x03, 0), pending (transaction)));
    EXPECT_EQ (transaction.getRawState(), TransactionState::complete);

    // A 7-byte status whose checksum happens to hold (model byte 0x51) is too short to
    // name a function: it must not be read past its end nor taken.
    SysExTransaction other (request (0x00));
    const uint8_t shortStatus[] = { 0xF0, 0x00, 0x6B, 0x2E, 0x51, 0x64, 0xF7 };
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (juce::MidiMessage (shortStatus, 7), pending (other)));
    EXPECT_EQ (other.getNumReplies(), 0);
}

TEST (VASMidiProcessingDispatch, WrongChecksumDropsTheMessageExceptForTunerStatesAndTempo)
{
    SysExTransaction version (request (0x08));
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (ScriptedUnit::withBadChecksum (request (0x08, { 9, 2 })), pending (version)));
    EXPECT_EQ (version.getNumReplies(), 0);

    SysExTransaction states (request (0x0E));
    states.setExpectedReplies (2);
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (ScriptedUnit::withBadChecksum (request (0x0E, { 1, 1 })), pending (states)));
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (ScriptedUnit::withBadChecksum (request (0x29, { 1, 1 })), pending (states)) == false);

    SysExTransaction scene (request (0x29));
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (ScriptedUnit::withBadChecksum (request (0x0E, { 1, 1 })), pending (scene)) == false);

    SysExTransaction scenes (request (0x0E));
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (request (0x29, { 1, 1 }), pending (scenes)));

    // Shorter than a header: ignored whatever follows.
    SysExTransaction any (request (0x08));
    const uint8_t shortBytes[] = { 0xF0, 0x00, 0x6B, 0xF7 };
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (juce::MidiMessage (shortBytes, 4), pending (any)));
}

TEST (VASMidiProcessingDispatch, StartMessagesSetTheExpectedCount)
{
    // MULTIMSG_START: field 1 (two groups) + 2.
    SysExTransaction cabNames (request (0x12));
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (request (0x32, { 0x05, 0x48, 0x01 }), pending (cabNames)));
    EXPECT_EQ (cabNames.getExpectedReplies(), 200 + 2);

    // SYSTEM_DATA_START: (field 0 >> 6) + 2; 4096 bytes give 66 messages.
    SysExTransaction system (request (0x43));
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (request (0x61, { 0x00, 0x20, 0x00 }), pending (system)));
    EXPECT_EQ (system.getExpectedReplies(), 66);

    // EFFECT_START: (field 1 >> 6) + 3; 640 gives 13.
    SysExTransaction params (request (0x1F));
    EXPECT_TRUE (VASMidiProcessing::dispatchReply (request (0x74, { 0x01, 0x00, 0x00, 0x05, 0x00 }), pending (params)));
    EXPECT_EQ (params.getExpectedReplies(), 13);

    // A start message for another request leaves the count alone.
    SysExTransaction version (request (0x08));
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (request (0x61, { 0x00, 0x20, 0x00 }), pending (version)));
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (request (0x32, { 0x05, 0x48, 0x01 }), pending (version)));
    EXPECT_EQ (version.getExpectedReplies(), 1);
}

TEST (VASMidiProcessingDispatch, StatusAnsweringGetAllParamsCompletesItAlone)
{
    SysExTransaction params (request (0x1F));
    params.setExpectedReplies (13);

    EXPECT_TRUE (VASMidiProcessing::dispatchReply (ScriptedUnit::status (0x1F, 0), pending (params)));
    EXPECT_EQ (params.getExpectedReplies(), 1);
    EXPECT_EQ (params.getRawState(), TransactionState::complete);

    // A status naming another function does not touch the count.
    SysExTransaction other (request (0x1F));
    other.setExpectedReplies (13);
    EXPECT_FALSE (VASMidiProcessing::dispatchReply (ScriptedUnit::status (0x1C, 0), pending (other)));
    EXPECT_EQ (other.getExpectedReplies(), 13);
}

//==============================================================================
// The engine with its thread, on virtual ports.

namespace
{
    struct VASMidiProcessingTest : public ::testing::Test
    {
        VASMidiProcessingTest()
        {
            devices.addPort ("Other");
            unit = &static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> ("KORRINA MIDI")));
            MidiDeviceProvider::setCurrent (&devices);
        }

        ~VASMidiProcessingTest() override
        {
            engine.reset();
            MidiDeviceProvider::setCurrent (nullptr);
        }

        void openBoth()
        {
            ASSERT_TRUE (engine->getPorts().openMidiInput ("KORRINA MIDI"));
            ASSERT_TRUE (engine->getPorts().openMidiOutput ("KORRINA MIDI"));
            ASSERT_TRUE (engine->setMidiDevices (true, true));
        }

        /** Puts the engine's time in the test's hands; the engine is made anew so that
            its first device check reads the clock. The clock outlives the engine.
        */
        void useManualClock()
        {
            engine.reset();
            clock = std::make_unique<ManualClock> (100000);
            engine = std::make_unique<VASMidiProcessing>();
        }

        /** The check that the clock triggers now must find the ports gone and reopen
            them by name; they count as ready from the check after that, and answer again.
        */
        void expectReopenedByTheNextChecks()
        {
            clock->advance (1001);
            ASSERT_TRUE (waitUntil ([&] { return engine->getPorts().isMidiOutputPresent() && engine->getPorts().isMidiInputPresent(); }));
            juce::Thread::sleep (20);
            EXPECT_FALSE (engine->isOutputReady()) << "ready only from the check after the reopen";

            clock->advance (1001);
            ASSERT_TRUE (waitUntil ([&] { return engine->isReady(); }));

            SysExTransaction transaction (request (0x08));
            engine->queueTransaction (&transaction);
            EXPECT_EQ (waitForEnd (transaction), TransactionState::complete);
        }

        /** The virtual devices, counting the output lists taken: a device check that
            reopens the output takes one, so a test can tell when that check is over.
        */
        struct CountingDevices  : public VirtualMidiDeviceProvider
        {
            juce::StringArray getOutputDeviceNames() override
            {
                auto names = VirtualMidiDeviceProvider::getOutputDeviceNames();
                ++outputLists;
                return names;
            }

            std::atomic<int> outputLists { 0 };
        };

        CountingDevices devices;
        ScriptedUnit* unit = nullptr;
        std::unique_ptr<ManualClock> clock;
        std::unique_ptr<VASMidiProcessing> engine = std::make_unique<VASMidiProcessing>();
    };
}

TEST_F (VASMidiProcessingTest, SetMidiDevicesNeedsAnOpenPortInAChosenDirection)
{
    EXPECT_FALSE (engine->setMidiDevices (true, true));
    EXPECT_FALSE (engine->isThreadRunning());
    EXPECT_FALSE (engine->isReady());

    ASSERT_TRUE (engine->getPorts().openMidiOutput ("KORRINA MIDI"));
    EXPECT_FALSE (engine->setMidiDevices (true, false));
    EXPECT_TRUE (engine->setMidiDevices (true, true));
    EXPECT_TRUE (engine->isThreadRunning());
    EXPECT_TRUE (engine->isOutputReady());
    EXPECT_FALSE (engine->isInputReady());
    EXPECT_FALSE (engine->isReady());
}

TEST_F (VASMidiProcessingTest, RequestIsSentAndCompletedByItsStatusReply)
{
    openBoth();
    EXPECT_TRUE (engine->isReady());
    EXPECT_FALSE (engine->queueTransaction (nullptr));

    SysExTransaction transaction (request (0x03, { 0, 1 }));
    ASSERT_TRUE (engine->queueTransaction (&transaction));
    EXPECT_EQ (transaction.getState(), TransactionState::waiting);

    EXPECT_EQ (waitForEnd (transaction), TransactionState::complete);
    ASSERT_EQ (transaction.getNumReplies(), 1);

    juce::MidiMessage reply;
    ASSERT_TRUE (transaction.getReply (0, reply));
    EXPECT_EQ (reply.getRawData()[5], 0x64);
    EXPECT_EQ (reply.getRawData()[6], 0x03);
    EXPECT_EQ (unit->getNumReceived(), 1);
}

TEST_F (VASMidiProcessingTest, QueuedRequestAndArrivingReplyEachEndTheWaitBetweenPasses)
{
    // With a minute between passes, a request ends in time only when queueing it wakes
    // the thread to send it and its reply wakes the thread again to match it.
    engine->setPassIntervalForTesting (60000);
    openBoth();
    std::vector<std::unique_ptr<SysExTransaction>> transactions;

    for (uint8_t i = 0; i < 3 && ! HasFailure(); ++i)
    {
        juce::Thread::sleep (50);   // waiting again: no wake left over can stand in for the next
        transactions.push_back (std::make_unique<SysExTransaction> (request (0x03, { i, 0 })));
        engine->queueTransaction (transactions.back().get());
        EXPECT_EQ (waitForEnd (*transactions.back(), 10000), TransactionState::complete) << "request " << (int) i;
    }

    engine.reset();   // lets go of a request still in flight before the transactions go
}

TEST_F (VASMidiProcessingTest, OneTransactionIsInFlightAtATimeInQueueOrder)
{
    openBoth();
    // The delay leaves a wide window in which a second send would show, even on a
    // loaded machine.
    unit->setReplyDelayMs (200);

    std::vector<std::unique_ptr<SysExTransaction>> transactions;

    for (uint8_t i = 0; i < 4; ++i)
    {
        transactions.push_back (std::make_unique<SysExTransaction> (request (0x03, { i, 0 })));
        engine->queueTransaction (transactions.back().get());
    }

    // The second request goes out only once the first has been answered.
    ASSERT_TRUE (unit->waitForReceived (1));
    juce::Thread::sleep (50);
    EXPECT_EQ (unit->getNumReceived(), 1);
    unit->setReplyDelayMs (0);   // the window has been watched; the rest may go quickly

    for (auto& t : transactions)
        EXPECT_EQ (waitForEnd (*t), TransactionState::complete);

    const auto received = unit->getReceived();
    ASSERT_EQ (received.size(), 4u);

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ (received[(size_t) i].getRawData()[6], i);
}

TEST_F (VASMidiProcessingTest, TransactionsEndTimedOutUnsentWhileTheOutputIsClosed)
{
    ASSERT_TRUE (engine->getPorts().openMidiInput ("KORRINA MIDI"));
    ASSERT_TRUE (engine->setMidiDevices (true, false));

    SysExTransaction a (request (0x08)), b (request (0x08)), c (request (0x08));
    engine->queueTransaction (&a);
    engine->queueTransaction (&b);
    engine->queueTransaction (&c);

    EXPECT_EQ (waitForEnd (a), TransactionState::timedOut);
    EXPECT_EQ (waitForEnd (b), TransactionState::timedOut);
    EXPECT_EQ (waitForEnd (c), TransactionState::timedOut);
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (unit->getNumReceived(), 0);
}

TEST_F (VASMidiProcessingTest, SilenceEndsTheTransactionTimedOutAndNoReplyExpectedEndsAtOnce)
{
    openBoth();
    unit->setSilent (true);

    SysExTransaction silent (100);
    silent.setRequest (request (0x08));
    engine->queueTransaction (&silent);
    EXPECT_EQ (waitForEnd (silent), TransactionState::timedOut);

    SysExTransaction noReply (request (0x42));
    noReply.setExpectedReplies (0);
    engine->queueTransaction (&noReply);
    EXPECT_EQ (waitForEnd (noReply, 500), TransactionState::complete);
    EXPECT_TRUE (unit->waitForReceived (2));
}

TEST_F (VASMidiProcessingTest, CorruptRepliesAreDroppedSoTheRequestTimesOut)
{
    openBoth();
    unit->setCorrupt (true);

    SysExTransaction transaction (150);
    transaction.setRequest (request (0x08));
    engine->queueTransaction (&transaction);

    EXPECT_EQ (waitForEnd (transaction), TransactionState::timedOut);
    EXPECT_EQ (transaction.getNumReplies(), 0);
}

TEST_F (VASMidiProcessingTest, DumpAnnouncedByItsStartMessageIsCollectedWholeInOrder)
{
    openBoth();

    // A system dump of 4096 bytes: start, 64 data messages, end.
    unit->setResponder ([] (const juce::MidiMessage& m)
    {
        std::vector<juce::MidiMessage> answers;

        if (SysExTransaction::getFunctionCode (m) != 0x43)
            return answers;

        answers.push_back (request (0x61, { 0x00, 0x20, 0x00 }));

        for (uint8_t i = 0; i < 64; ++i)
            answers.push_back (request (0x62, { i, 0x55 }));

        answers.push_back (request (0x63, { 0x00 }));
        answers.push_back (request (0x62, { 0x7F }));   // after completion: not taken
        return answers;
    });

    SysExTransaction dump (request (0x43));
    engine->queueTransaction (&dump);
    EXPECT_EQ (waitForEnd (dump), TransactionState::complete);
    ASSERT_EQ (dump.getNumReplies(), 66);

    for (int i = 0; i < 64; ++i)
    {
        juce::MidiMessage reply;
        ASSERT_TRUE (dump.getReply (i + 1, reply));
        EXPECT_EQ (reply.getRawData()[6], i);
    }
}

TEST_F (VASMidiProcessingTest, RecordingKeepsEverythingThatArrivesAndCountsItsBytes)
{
    openBoth();
    unit->setSilent (true);

    SysExTransaction waiting (request (0x08));
    engine->queueTransaction (&waiting);
    ASSERT_TRUE (unit->waitForReceived (1));

    engine->setRecordedByteCount (0);
    engine->setRecording (true);

    const std::vector<juce::MidiMessage> dump {
        juce::MidiMessage::midiClock(),
        ScriptedUnit::frame (0x75, { 1, 2, 3 }, 2),
        juce::MidiMessage::programChange (1, 5),
        ScriptedUnit::frame (0x76, { 4 }, 2),
    };

    int bytes = 0;

    for (const auto& m : dump)
    {
        unit->send (m);
        bytes += m.getRawDataSize();
    }

    ASSERT_TRUE (waitUntil ([&] { return engine->getRecordedByteCount() == bytes; }));
    engine->setRecording (false);

    unit->send (juce::MidiMessage::programChange (1, 6));
    ASSERT_TRUE (devices.waitUntilIdle());
    juce::Thread::sleep (10);

    juce::MidiBuffer recorded;
    EXPECT_TRUE (engine->takeRecording (recorded));
    ASSERT_EQ (recorded.getNumEvents(), (int) dump.size());

    size_t i = 0;

    for (const auto metadata : recorded)
    {
        ASSERT_EQ (metadata.numBytes, dump[i].getRawDataSize());
        EXPECT_EQ (std::memcmp (metadata.data, dump[i].getRawData(), (size_t) metadata.numBytes), 0);
        ++i;
    }

    // Nothing of it answered the version request; the count is left for the caller.
    EXPECT_EQ (waiting.getNumReplies(), 0);
    EXPECT_EQ (engine->getRecordedByteCount(), bytes);

    juce::MidiBuffer again;
    engine->takeRecording (again);
    EXPECT_TRUE (again.isEmpty());

    // The version request is still in flight: let the engine go before it does.
    engine.reset();
}

TEST_F (VASMidiProcessingTest, StoppedRecordingHoldsExactlyTheCountedBytesAndGrowsNoMore)
{
    openBoth();
    unit->setSilent (true);

    // Messages keep arriving while recordings start and stop again and again.
    std::atomic<bool> streaming { true };
    std::thread feeder ([&]
    {
        for (int n = 0; streaming; ++n)
        {
            unit->send (juce::MidiMessage::programChange (1, n & 0x7F));
            unit->send (ScriptedUnit::frame (0x75, { 1, 2, 3, (uint8_t) (n & 0x7F) }, 4));

            if (n % 4 == 0)
                juce::Thread::sleep (1);
        }
    });

    int roundsWithData = 0;

    for (int round = 0; round < 400; ++round)
    {
        juce::MidiBuffer discarded;
        engine->takeRecording (discarded);
        engine->setRecordedByteCount (0);
        engine->setRecording (true);
        juce::Thread::sleep (round % 3);
        engine->setRecording (false);

        juce::MidiBuffer recorded;
        engine->takeRecording (recorded);
        int bytes = 0;

        for (const auto metadata : recorded)
            bytes += metadata.numBytes;

        ASSERT_EQ (bytes, engine->getRecordedByteCount()) << "round " << round;
        roundsWithData += bytes > 0 ? 1 : 0;

        // Passes that come after the stop add nothing.
        juce::Thread::sleep (2);
        juce::MidiBuffer late;
        engine->takeRecording (late);
        ASSERT_TRUE (late.isEmpty()) << "round " << round;
        ASSERT_EQ (engine->getRecordedByteCount(), bytes) << "round " << round;
    }

    streaming = false;
    feeder.join();
    EXPECT_GT (roundsWithData, 100);
}

TEST_F (VASMidiProcessingTest, DeviceCheckDropsAVanishedPortAndReopensItAfterTheReplug)
{
    useManualClock();
    openBoth();

    // The first pass checks at once; let it happen, then only the clock decides.
    juce::Thread::sleep (20);
    EXPECT_TRUE (engine->isReady());

    devices.unplug ("KORRINA MIDI");
    clock->advance (1000);
    juce::Thread::sleep (20);
    EXPECT_TRUE (engine->isOutputReady()) << "checked only after more than 1000 ms";

    const int listsBefore = devices.outputLists;
    clock->advance (1);
    ASSERT_TRUE (waitUntil ([&] { return ! engine->isOutputReady() && ! engine->isInputReady(); }));

    // The flags drop before the check tries to reopen the ports: the replug comes once
    // that try has found nothing, or this very check would reopen them.
    ASSERT_TRUE (waitUntil ([&] { return devices.outputLists > listsBefore; }));
    devices.replug ("KORRINA MIDI");
    expectReopenedByTheNextChecks();
}

TEST_F (VASMidiProcessingTest, PortRepluggedBetweenTwoChecksIsReopenedAllTheSame)
{
    useManualClock();
    openBoth();
    juce::Thread::sleep (20);
    ASSERT_TRUE (engine->isReady());

    // Gone and back before the next check: the name is listed again, but the ports the
    // engine holds are dead and must be reopened.
    devices.unplug ("KORRINA MIDI");
    devices.replug ("KORRINA MIDI");
    expectReopenedByTheNextChecks();
}

TEST_F (VASMidiProcessingTest, ReplugReopensTheUnitThatWasOpenNeverOneWhoseNameContainsItsName)
{
    auto& second = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> ("2- KORRINA MIDI")));
    useManualClock();
    openBoth();
    juce::Thread::sleep (20);
    ASSERT_TRUE (engine->isReady());

    juce::String name;
    ASSERT_TRUE (engine->getPorts().getOpenOutputName (name));
    ASSERT_EQ (name, "KORRINA MIDI") << "the first opening takes the first name that contains the text";

    // While the first unit is gone, the checks find nothing to reopen: the second
    // unit, whose name contains the first's, must not take its place.
    devices.unplug ("KORRINA MIDI");
    clock->advance (1001);
    ASSERT_TRUE (waitUntil ([&] { return ! engine->isOutputReady() && ! engine->isInputReady(); }));

    for (int check = 0; check < 2; ++check)
    {
        clock->advance (1001);
        juce::Thread::sleep (50);
    }

    EXPECT_FALSE (engine->isOutputReady());
    EXPECT_FALSE (engine->getPorts().getOpenOutputName (name)) << "opened " << name;
    EXPECT_FALSE (engine->getPorts().getOpenInputName (name)) << "opened " << name;

    SysExTransaction whileGone (request (0x08));
    engine->queueTransaction (&whileGone);
    EXPECT_EQ (waitForEnd (whileGone), TransactionState::timedOut);

    // Back again: the requests reach the first unit, and only it.
    devices.replug ("KORRINA MIDI");
    expectReopenedByTheNextChecks();
    ASSERT_TRUE (engine->getPorts().getOpenOutputName (name));
    EXPECT_EQ (name, "KORRINA MIDI");
    ASSERT_TRUE (engine->getPorts().getOpenInputName (name));
    EXPECT_EQ (name, "KORRINA MIDI");
    EXPECT_EQ (unit->getNumReceived(), 1);
    EXPECT_EQ (second.getNumReceived(), 0);
}

TEST_F (VASMidiProcessingTest, DeviceCheckReopensAnInputKeptFromAnEarlierCall)
{
    useManualClock();
    openBoth();

    // Taking the output alone into use keeps the stored input name.
    ASSERT_TRUE (engine->setMidiDevices (false, true));
    juce::Thread::sleep (20);

    engine->getPorts().closeMidiInput();
    clock->advance (1001);

    ASSERT_TRUE (waitUntil ([&] { return engine->getPorts().isMidiInputPresent(); }));
    juce::String name;
    EXPECT_TRUE (engine->getPorts().getOpenInputName (name));
    EXPECT_EQ (name, "KORRINA MIDI");
}

TEST_F (VASMidiProcessingTest, PortsOpenedFromAnotherThreadWhileTheEngineSendsStaySound)
{
    openBoth();

    std::vector<std::unique_ptr<SysExTransaction>> transactions;

    for (int i = 0; i < 200; ++i)
    {
        transactions.push_back (std::make_unique<SysExTransaction> (request (0x42)));
        transactions.back()->setExpectedReplies (0);
        engine->queueTransaction (transactions.back().get());
    }

    for (int i = 0; i < 100; ++i)
    {
        engine->getPorts().openMidiOutput (i % 2 == 0 ? "Other" : "KORRINA MIDI");
        engine->getPorts().openMidiInput (i % 2 == 0 ? "Other" : "KORRINA MIDI");
    }

    for (auto& t : transactions)
        EXPECT_NE (waitForEnd (*t), TransactionState::waiting);
}

TEST_F (VASMidiProcessingTest, DeletionStopsTheThreadAndClearsTheFlags)
{
    openBoth();
    SysExTransaction transaction (request (0x08));
    unit->setSilent (true);
    engine->queueTransaction (&transaction);
    ASSERT_TRUE (unit->waitForReceived (1));

    engine.reset();
    EXPECT_TRUE (transaction.isInFlight()) << "the engine never ends or deletes what it holds when deleted";
}

//==============================================================================
TEST (VASMidiProcessingSingleton, IsCreatedOnceAndNeverAgainAfterDeletion)
{
    VASMidiProcessing::resetInstanceForTesting();

    auto* first = VASMidiProcessing::getInstance();
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (VASMidiProcessing::getInstance(), first);
    EXPECT_EQ (first->getThreadName(), "VASMidiProcessing");
    EXPECT_FALSE (first->isThreadRunning());

    VASMidiProcessing::deleteInstance();
    EXPECT_EQ (VASMidiProcessing::getInstance(), nullptr);
    EXPECT_EQ (VASMidiProcessing::getInstance(), nullptr);

    VASMidiProcessing::resetInstanceForTesting();
    EXPECT_NE (VASMidiProcessing::getInstance(), nullptr);
    VASMidiProcessing::resetInstanceForTesting();
}

TEST (VASMidiProcessingSingleton, DeletingTheInstanceDirectlyUnderItsLockIsFinal)
{
    VASMidiProcessing::resetInstanceForTesting();
    auto* engine = VASMidiProcessing::getInstance();
    ASSERT_NE (engine, nullptr);

    {
        const juce::ScopedLock sl (VASMidiProcessing::getSingletonLock());
        delete engine;
    }

    EXPECT_EQ (VASMidiProcessing::getInstance(), nullptr);
    VASMidiProcessing::deleteInstance();   // nothing left to delete twice
    VASMidiProcessing::resetInstanceForTesting();
}

TEST (VASMidiProcessingSingleton, AnEngineBeingDeletedIsNoLongerHandedOut)
{
    VirtualMidiDeviceProvider devices;
    auto& unit = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> ("KORRINA MIDI")));
    unit.setSilent (true);
    devices.setWireSpeedPacing (true);
    MidiDeviceProvider::setCurrent (&devices);

    // Deleted through deleteInstance, then directly (its destructor clears it too).
    for (const bool direct : { false, true })
    {
        VASMidiProcessing::resetInstanceForTesting();
        auto* engine = VASMidiProcessing::getInstance();
        ASSERT_NE (engine, nullptr);
        ASSERT_TRUE (engine->getPorts().openMidiOutput ("KORRINA MIDI"));
        ASSERT_TRUE (engine->setMidiDevices (false, true));

        // A 6400-byte request keeps the thread in its send for about 2 s, so the
        // deletion waits that long for the thread to stop.
        SysExTransaction slow (ScriptedUnit::frame (0x78, std::vector<uint8_t> (6392, 0x11)));
        slow.setExpectedReplies (0);
        engine->queueTransaction (&slow);
        juce::Thread::sleep (100);

        std::atomic<bool> deleted { false };
        std::thread deleter ([&]
        {
            if (direct)
                delete engine;
            else
                VASMidiProcessing::deleteInstance();

            deleted = true;
        });

        juce::Thread::sleep (200);
        const auto before = juce::Time::getMillisecondCounterHiRes();
        EXPECT_EQ (VASMidiProcessing::getInstance(), nullptr) << (direct ? "direct delete" : "deleteInstance");
        EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - before, 500.0) << "waited for the deletion";
        EXPECT_FALSE (deleted.load()) << "asked while the engine was being deleted";

        deleter.join();
        EXPECT_EQ (VASMidiProcessing::getInstance(), nullptr);
    }

    VASMidiProcessing::resetInstanceForTesting();
    MidiDeviceProvider::setCurrent (nullptr);
}
