#include <gtest/gtest.h>

#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "devicelink/virtual/StompraUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "devicelink/virtual/VirtualMidiEnvironment.h"
#include "support/EnvironmentVariable.h"
#include "support/ManualClock.h"
#include "support/MessageLoop.h"
#include "support/SysExTestMessages.h"
#include "support/TestDumps.h"
#include "support/UnitDumpMessages.h"

#include <atomic>
#include <cstdlib>

using namespace UnitDumpMessages;
using SysExTestMessages::framed;

namespace
{
    constexpr int sendTimeoutMs = 60000;   // generous for the sanitizer builds

    /** Virtual devices whose next reader of the input list waits until the test lets
        go, or 5 s: the engine's device check reads it only to reopen a vanished input.
    */
    class HoldableDevices : public VirtualMidiDeviceProvider
    {
    public:
        void holdNextInputListRead()        { released.reset(); held = true; }
        bool waitUntilHolding()             { return holding.wait (5000); }
        void letGo()                        { held = false; released.signal(); }

        juce::StringArray getInputDeviceNames() override
        {
            if (held.exchange (false))
            {
                holding.signal();
                released.wait (5000);
            }

            return VirtualMidiDeviceProvider::getInputDeviceNames();
        }

    private:
        std::atomic<bool> held { false };
        juce::WaitableEvent holding, released { true };
    };

    /** The real engine (ports, processing thread, sender) against emulated units on
        virtual ports; the test's thread runs the message loop that drives the sender.
    */
    class DeviceLinkScenario : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            // The sender's timer needs the message manager before it first starts.
            juce::MessageManager::getInstance();
            MidiDeviceProvider::setCurrent (&devices);
        }

        void TearDown() override
        {
            devices.letGo();
            engine.reset();
            MidiDeviceProvider::setCurrent (nullptr);
        }

        KorrinaUnit& attachKorrina (DeviceModel model)
        {
            auto unit = std::make_unique<KorrinaUnit> (model);
            auto* provider = &devices;
            unit->setUnplugHandler ([provider] { provider->unplug (KorrinaUnit::defaultPortName()); });
            return static_cast<KorrinaUnit&> (devices.attachUnit (std::move (unit)));
        }

        StompraUnit& attachStompra (DeviceModel model)
        {
            return static_cast<StompraUnit&> (devices.attachUnit (std::make_unique<StompraUnit> (model)));
        }

        /** Opens the pair as the dialog does for a device, and starts the engine. */
        void openPorts (const juce::String& name, bool useInput, bool useOutput)
        {
            engine = std::make_unique<VASMidiProcessing>();

            if (useInput)
            {
                ASSERT_TRUE (engine->getPorts().openMidiInput (name));
            }

            if (useOutput)
            {
                ASSERT_TRUE (engine->getPorts().openMidiOutput (name));
            }

            ASSERT_TRUE (engine->setMidiDevices (useInput, useOutput));
        }

        /** Loads the file into the sender, starts it at the interval and runs the
            message loop until the send has ended.
        */
        SendState send (const TestDumps::Bytes& file, DeviceModel model, juce::uint32 intervalMs = 0)
        {
            auto& sender = engine->getSender();

            if (sender.loadData (file.data(), file.size(), model) != LoadResult::loaded || ! sender.start (intervalMs))
                return SendState::idle;

            MessageLoop::runUntil ([&] { return sender.getState() != SendState::running; }, sendTimeoutMs);
            return sender.getState();
        }

        /** Queues a request and waits until the engine has finished with it. */
        std::unique_ptr<SysExTransaction> request (const juce::MidiMessage& message, int expectedReplies)
        {
            auto transaction = std::make_unique<SysExTransaction> (message);
            transaction->setExpectedReplies (expectedReplies);
            engine->queueTransaction (transaction.get());
            MessageLoop::runUntil ([&] { return transaction->getState() != TransactionState::waiting; }, sendTimeoutMs);
            return transaction;
        }

        static std::vector<juce::MidiMessage> repliesOf (const SysExTransaction& transaction)
        {
            std::vector<juce::MidiMessage> replies ((size_t) transaction.getNumReplies());

            for (int i = 0; i < (int) replies.size(); ++i)
                transaction.getReply (i, replies[(size_t) i]);

            return replies;
        }

        HoldableDevices devices;
        std::unique_ptr<ManualClock> clock;   // when a test drives time; outlives the engine
        std::unique_ptr<VASMidiProcessing> engine;
    };

    TestDumps::Bytes firmwareFile (DeviceModel model, int dataMessages)
    {
        TestDumps::Bytes file;
        TestDumps::append (file, TestDumps::message (model, 0x7D, { 1, 2, 3 }));

        for (int i = 0; i < dataMessages; ++i)
            TestDumps::append (file, TestDumps::message (model, 0x7E, { (uint8_t) i, 0x55, 0x2A }));

        TestDumps::append (file, TestDumps::message (model, 0x7F, { 4 }));
        return file;
    }

    juce::MemoryBlock blockOf (const TestDumps::Bytes& bytes)
    {
        return { bytes.data(), bytes.size() };
    }
}

//==============================================================================
TEST_F (DeviceLinkScenario, WholeKorrinaBankIsAcknowledgedAndStored)
{
    auto& unit = attachKorrina (3);
    openPorts ("KORRINA MIDI", true, true);

    juce::Random random (42);
    std::vector<std::vector<uint16_t>> presets;
    const auto file = TestDumps::bankFile (3, 1, random, &presets);

    EXPECT_EQ (send (file, 3), SendState::finished);
    EXPECT_EQ (unit.getNumReceivedMessages(), 4352);
    EXPECT_EQ (unit.getNumMessagesSent(), 4352);
    EXPECT_EQ (engine->getSender().getDeviceError(), 0);

    ASSERT_EQ (presets.size(), 128u);

    for (int preset = 0; preset < 128; ++preset)
        ASSERT_EQ (unit.getPreset (1, preset), bytesOfWords (presets[(size_t) preset])) << "preset " << preset;
}

TEST_F (DeviceLinkScenario, RefusalWithBadChecksumStopsTheSend)
{
    auto& unit = attachKorrina (6);
    openPorts ("KORRINA MIDI", true, true);

    UnitFaults faults;
    faults.refusalResult = 1;
    faults.refusalFunction = 0x78;
    unit.setFaults (faults);

    juce::Random random (7);
    const auto before = unit.getPreset (0, 4);

    EXPECT_EQ (send (TestDumps::presetDump (6, 0, 4, TestDumps::randomGrandPreset (random)), 6), SendState::refused);
    EXPECT_EQ (engine->getSender().getDeviceError(), 1);
    EXPECT_EQ (unit.getNumReceivedMessages(), 2);          // the start, then the refused data message
    EXPECT_EQ (unit.getPreset (0, 4), before);
}

TEST_F (DeviceLinkScenario, FirmwareSendToleratesResultFiveOnlyWhenAccepted)
{
    auto& unit = attachKorrina (3);
    openPorts ("KORRINA MIDI", true, true);

    UnitFaults faults;
    faults.refusalResult = 5;
    faults.refusalFunction = 0x7E;
    unit.setFaults (faults);

    const auto file = firmwareFile (3, 4);
    EXPECT_EQ (send (file, 3), SendState::refused);
    EXPECT_EQ (engine->getSender().getDeviceError(), 5);

    // With result 5 accepted, as for a Korrina on firmware before 9.00, the send goes through.
    engine->getSender().addAcceptedResult();
    const auto receivedBefore = unit.getNumReceivedMessages();
    EXPECT_EQ (send (file, 3), SendState::finished);
    EXPECT_EQ (unit.getNumReceivedMessages() - receivedBefore, 6);
}

TEST_F (DeviceLinkScenario, FirmwareWithLeadInIsStoredAsSent)
{
    auto& unit = attachKorrina (6);
    openPorts ("KORRINA MIDI", true, true);

    const auto leadIn = framed (6, 0x25, {});
    engine->getSender().setLeadInMessage (&leadIn);

    const auto file = firmwareFile (6, 8);
    EXPECT_EQ (send (file, 6), SendState::finished);

    auto expected = SysExTestMessages::bytesOf (leadIn);
    expected.insert (expected.end(), file.begin(), file.end());
    EXPECT_EQ (unit.getReceivedFirmware(), blockOf (expected));
}

TEST_F (DeviceLinkScenario, SilentUnitEndsTheSendInTimeout)
{
    auto& unit = attachKorrina (3);
    openPorts ("KORRINA MIDI", true, true);

    UnitFaults faults;
    faults.silent = true;
    unit.setFaults (faults);
    engine->getSender().setReplyTimeout (100);

    juce::Random random (3);
    EXPECT_EQ (send (TestDumps::presetDump (3, 0, 0, TestDumps::randomKorrinaPreset (random)), 3), SendState::replyTimeout);
    EXPECT_EQ (unit.getNumReceivedMessages(), 1);
}

TEST_F (DeviceLinkScenario, CorruptedAcknowledgementsAreDroppedAndTheSendTimesOut)
{
    auto& unit = attachKorrina (3);
    openPorts ("KORRINA MIDI", true, true);

    UnitFaults faults;
    faults.corruptReplies = true;
    unit.setFaults (faults);
    engine->getSender().setReplyTimeout (100);

    EXPECT_EQ (send (firmwareFile (3, 2), 3), SendState::replyTimeout);
    EXPECT_EQ (unit.getNumReceivedMessages(), 1);
}

TEST_F (DeviceLinkScenario, DelayedAcknowledgementsWithinTheTimeoutStillFinish)
{
    auto& unit = attachKorrina (3);
    openPorts ("KORRINA MIDI", true, true);

    UnitFaults faults;
    faults.replyDelayMs = 20;
    unit.setFaults (faults);
    engine->getSender().setReplyTimeout (150);

    EXPECT_EQ (send (firmwareFile (3, 2), 3), SendState::finished);

    faults.replyDelayMs = 300;
    unit.setFaults (faults);
    EXPECT_EQ (send (firmwareFile (3, 2), 3), SendState::replyTimeout);
}

//==============================================================================
TEST_F (DeviceLinkScenario, UnplugWhileAMessageIsOutEndsInTimeout)
{
    auto& unit = attachKorrina (3);
    openPorts ("KORRINA MIDI", true, true);

    UnitFaults faults;
    faults.unplugAfterMessages = 5;
    unit.setFaults (faults);
    engine->getSender().setReplyTimeout (150);

    juce::Random random (5);
    EXPECT_EQ (send (TestDumps::presetDump (3, 0, 2, TestDumps::randomKorrinaPreset (random)), 3), SendState::replyTimeout);
    EXPECT_EQ (unit.getNumReceivedMessages(), 6);
}

TEST_F (DeviceLinkScenario, UnplugBetweenMessagesEndsOutputNotReadyAndReplugRecovers)
{
    auto& unit = attachKorrina (6);
    clock = std::make_unique<ManualClock> (100000);   // the device checks run when the test says
    openPorts ("KORRINA MIDI", true, true);

    juce::Random random (9);
    const auto file = TestDumps::presetDump (6, 0, 1, TestDumps::randomGrandPreset (random));
    auto& sender = engine->getSender();
    ASSERT_EQ (sender.loadData (file.data(), file.size(), 6), LoadResult::loaded);
    ASSERT_TRUE (sender.start (0));

    // Pausing stands for a MIDI buffer delay long enough for the engine's device check
    // to notice the unplug before the next message is due.
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return unit.getNumReceivedMessages() >= 5; }));
    ASSERT_TRUE (sender.setPaused (true));
    ASSERT_TRUE (devices.waitUntilIdle());
    MessageLoop::runFor (50);   // the last message's acknowledgement is matched

    devices.unplug (KorrinaUnit::defaultPortName());
    clock->advance (1001);
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! engine->isOutputReady(); }, MessageLoop::guardMs));

    ASSERT_TRUE (sender.setPaused (false));
    MessageLoop::runUntil ([&] { return sender.getState() != SendState::running; }, sendTimeoutMs);
    EXPECT_EQ (sender.getState(), SendState::outputNotReady);

    // Plugged in again: the next device check reopens the ports by name, and they count
    // as ready from the check after that, a second later.
    devices.replug (KorrinaUnit::defaultPortName());
    clock->advance (1001);
    auto& ports = engine->getPorts();
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return ports.isMidiInputPresent() && ports.isMidiOutputPresent(); }, MessageLoop::guardMs));
    MessageLoop::runFor (20);
    EXPECT_FALSE (engine->isReady());

    clock->advance (1001);
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return engine->isReady(); }, MessageLoop::guardMs));

    EXPECT_EQ (send (file, 6), SendState::finished);
    EXPECT_EQ (unit.getPreset (0, 1), bytesOfWords (presetWordsOf (messagesOf (file))));
}

TEST_F (DeviceLinkScenario, OutputVanishingWhileTheCheckReopensItEndsOutputNotReady)
{
    attachKorrina (6);
    clock = std::make_unique<ManualClock> (100000);
    openPorts ("KORRINA MIDI", true, true);

    // A first send puts the engine's first device check, which reads the lists, behind us.
    juce::Random random (11);
    const auto file = TestDumps::presetDump (6, 0, 2, TestDumps::randomGrandPreset (random));
    ASSERT_EQ (send (file, 6), SendState::finished);

    // The check that finds the unit gone is held inside its reopening of the ports
    // while the next send's first message falls due: the flags must already say so.
    devices.holdNextInputListRead();
    devices.unplug (KorrinaUnit::defaultPortName());
    clock->advance (1001);
    ASSERT_TRUE (devices.waitUntilHolding());
    EXPECT_EQ (send (file, 6), SendState::outputNotReady);
}

//==============================================================================
TEST_F (DeviceLinkScenario, QueriesAreAnsweredThroughTheEngine)
{
    auto& unit = attachKorrina (3);
    unit.setFirmwareVersion (10, 9);
    unit.setDisplayOffset (1);
    openPorts ("KORRINA MIDI", true, true);

    auto version = request (framed (3, 0x08, {}), 1);
    ASSERT_EQ (version->getState(), TransactionState::complete);
    EXPECT_EQ (SysExTestMessages::payloadOf (repliesOf (*version).at (0)), (std::vector<uint8_t> { 10, 9, 0, 0, 0, 0 }));

    auto config = request (framed (3, 0x35, septets (0x2FE, 2)), 1);
    ASSERT_EQ (config->getState(), TransactionState::complete);
    EXPECT_EQ (readGroups (repliesOf (*config).at (0), 8, 3), 1u);

    auto cab = request (framed (3, 0x19, { 7 }), 66);
    ASSERT_EQ (cab->getState(), TransactionState::complete);
    EXPECT_EQ (cabWordsOf (repliesOf (*cab)), unit.getCab (7));
}

TEST_F (DeviceLinkScenario, GrandBankDumpArrivesCompleteAndInOrder)
{
    auto& unit = attachKorrina (6);
    openPorts ("KORRINA MIDI", true, true);

    const auto dump = request (framed (6, 0x1C, { 3 }), 8448);
    ASSERT_EQ (dump->getState(), TransactionState::complete);

    const auto replies = repliesOf (*dump);
    ASSERT_EQ (replies.size(), 8448u);

    for (int preset = 0; preset < 128; ++preset)
    {
        const auto first = replies.begin() + preset * 66;
        const std::vector<juce::MidiMessage> presetDump (first, first + 66);

        ASSERT_EQ (presetDump.front().getRawData()[5], 0x77);
        ASSERT_EQ (presetDump.front().getRawData()[7], preset);
        ASSERT_EQ (presetDump.back().getRawData()[5], 0x79);
        ASSERT_EQ (bytesOfWords (presetWordsOf (presetDump)), unit.getPreset (3, preset)) << "preset " << preset;
    }
}

TEST_F (DeviceLinkScenario, GrandSystemDumpSetsItsOwnReplyCount)
{
    auto& unit = attachKorrina (6);
    openPorts ("KORRINA MIDI", true, true);

    // The request expects one reply until the start message announces the rest.
    const auto dump = request (framed (6, 0x43, {}), 1);
    ASSERT_EQ (dump->getState(), TransactionState::complete);
    EXPECT_EQ (dump->getNumReplies(), 66);
    EXPECT_EQ (unit.getNumMessagesSent(), 66);
}

//==============================================================================
TEST_F (DeviceLinkScenario, StompraDumpIsRecordedWithItsOrdinaryMessages)
{
    auto& unit = attachStompra (2);
    openPorts (unit.getPortName(), true, false);

    const auto expected = unit.makeDumpBytes();
    juce::MidiBuffer discarded;
    engine->takeRecording (discarded);
    engine->setRecordedByteCount (0);
    engine->setRecording (true);

    unit.sendDump();
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return engine->getRecordedByteCount() >= (int) expected.getSize(); }));
    engine->setRecording (false);

    juce::MidiBuffer recording;
    engine->takeRecording (recording);
    juce::MemoryBlock bytes;

    for (const auto metadata : recording)
        bytes.append (metadata.data, (size_t) metadata.numBytes);

    EXPECT_EQ (engine->getRecordedByteCount(), (int) expected.getSize());
    EXPECT_EQ (bytes, expected);
}

TEST_F (DeviceLinkScenario, StompraBackupIsRestoredWithoutReplies)
{
    auto& unit = attachStompra (4);
    openPorts (unit.getPortName(), false, true);

    // A recorded backup, ordinary messages included, sent back as the dialog does:
    // no replies expected.
    const auto backup = StompraUnit (4).makeDumpBytes();
    auto& sender = engine->getSender();
    sender.setNoReplyMode();

    const TestDumps::Bytes file (static_cast<const uint8_t*> (backup.getData()),
                                 static_cast<const uint8_t*> (backup.getData()) + backup.getSize());
    EXPECT_EQ (send (file, 4), SendState::finished);
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (unit.getReceivedRestore(), backup);
}

//==============================================================================
namespace
{
    /** Sets an environment variable for a scope and restores what was there. */
    struct ScopedEnvironmentVariable
    {
        ScopedEnvironmentVariable (const char* variable, const char* value) : name (variable)
        {
            if (const auto* old = std::getenv (name))
                previous = std::make_unique<std::string> (old);

            if (value != nullptr)
                EnvironmentVariable::set (name, value);
            else
                EnvironmentVariable::unset (name);
        }

        ~ScopedEnvironmentVariable()
        {
            if (previous != nullptr)
                EnvironmentVariable::set (name, previous->c_str());
            else
                EnvironmentVariable::unset (name);
        }

        const char* name;
        std::unique_ptr<std::string> previous;
    };
}

TEST (VirtualMidiEnvironment, NothingHappensWithoutTheVariable)
{
    ScopedEnvironmentVariable unset (VirtualMidiEnvironment::variableName, nullptr);
    auto* before = &MidiDeviceProvider::getCurrent();

    EXPECT_EQ (VirtualMidiEnvironment::createFromEnvironment(), nullptr);
    EXPECT_EQ (&MidiDeviceProvider::getCurrent(), before);

    ScopedEnvironmentVariable unknown (VirtualMidiEnvironment::variableName, "synth, drum-machine");
    EXPECT_EQ (VirtualMidiEnvironment::createFromEnvironment(), nullptr);
    EXPECT_EQ (&MidiDeviceProvider::getCurrent(), before);
}

TEST (VirtualMidiEnvironment, NamedUnitsAppearAsPortsUntilTheEnvironmentEnds)
{
    juce::MessageManager::getInstance();
    ScopedEnvironmentVariable set (VirtualMidiEnvironment::variableName, " Korrina-Grand ,stompra-neo,bogus,korrina");
    auto* before = &MidiDeviceProvider::getCurrent();

    {
        auto environment = VirtualMidiEnvironment::createFromEnvironment();
        ASSERT_NE (environment, nullptr);
        EXPECT_EQ (environment->getNumUnits(), 3);
        EXPECT_EQ (&MidiDeviceProvider::getCurrent(), &environment->getProvider());

        const auto inputs = MidiDeviceProvider::getCurrent().getInputDeviceNames();
        EXPECT_EQ (inputs, juce::StringArray ({ "KORRINA MIDI", "STOMPRA NEO MIDI", "2- KORRINA MIDI" }));
        EXPECT_EQ (MidiDeviceProvider::getCurrent().getOutputDeviceNames(), inputs);

        // The first Korrina is the Grand: it answers a version request with model 6.
        VASMidiProcessing engine;
        ASSERT_TRUE (engine.getPorts().openMidiInput ("KORRINA MIDI"));
        ASSERT_TRUE (engine.getPorts().openMidiOutput ("KORRINA MIDI"));
        ASSERT_TRUE (engine.setMidiDevices (true, true));

        SysExTransaction version (framed (6, 0x08, {}));
        engine.queueTransaction (&version);
        ASSERT_TRUE (MessageLoop::runUntil ([&] { return version.getState() != TransactionState::waiting; }));
        ASSERT_EQ (version.getState(), TransactionState::complete);

        juce::MidiMessage reply;
        ASSERT_TRUE (version.getReply (0, reply));
        EXPECT_EQ (reply.getRawData()[4], 6);
        EXPECT_EQ (SysExTestMessages::payloadOf (reply).at (0), 14);
    }

    EXPECT_EQ (&MidiDeviceProvider::getCurrent(), before);
}

TEST (VirtualMidiEnvironment, StateFolderReceivesWhatEachKorrinaHoldsWhenTheRunEnds)
{
    juce::MessageManager::getInstance();
    juce::TemporaryFile folder;
    ScopedEnvironmentVariable units (VirtualMidiEnvironment::variableName, "korrina-grand");
    ScopedEnvironmentVariable state (VirtualMidiEnvironment::stateFolderVariableName,
                                     folder.getFile().getFullPathName().toRawUTF8());

    juce::Random random (3);
    const auto words = TestDumps::randomGrandPreset (random);

    {
        auto environment = VirtualMidiEnvironment::createFromEnvironment();
        ASSERT_NE (environment, nullptr);

        // A preset stored into bank C, preset 5, by the real engine.
        VASMidiProcessing engine;
        ASSERT_TRUE (engine.getPorts().openMidiInput ("KORRINA MIDI"));
        ASSERT_TRUE (engine.getPorts().openMidiOutput ("KORRINA MIDI"));
        ASSERT_TRUE (engine.setMidiDevices (true, true));

        for (const auto& message : messagesOf (TestDumps::presetDump (6, 2, 5, words)))
        {
            SysExTransaction transaction (message);
            engine.queueTransaction (&transaction);
            ASSERT_TRUE (MessageLoop::runUntil ([&] { return transaction.getState() != TransactionState::waiting; }));
        }
    }

    const auto bankC = folder.getFile().getChildFile ("KORRINA MIDI-bank-C.bin");
    juce::MemoryBlock held;
    ASSERT_TRUE (bankC.loadFileAsData (held));
    ASSERT_EQ (held.getSize(), 128u * 8192u);
    EXPECT_EQ (juce::MemoryBlock (static_cast<const char*> (held.getData()) + 5 * 8192, 8192), bytesOfWords (words));
    EXPECT_TRUE (folder.getFile().getChildFile ("KORRINA MIDI-bank-D.bin").existsAsFile());
    EXPECT_EQ (folder.getFile().getChildFile ("KORRINA MIDI-edit-buffer.bin").getSize(), 8192);
}
