#include "devicelink/JuceMidiDeviceProvider.h"
#include "devicelink/VASMidiPorts.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include "support/ScriptedUnit.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
    /** Installs a set of virtual devices for the duration of a test. */
    struct VASMidiPortsTest : public ::testing::Test
    {
        VASMidiPortsTest()  { MidiDeviceProvider::setCurrent (&devices); }
        ~VASMidiPortsTest() override { ports.reset(); MidiDeviceProvider::setCurrent (nullptr); }

        ScriptedUnit& attach (const juce::String& name)
        {
            auto& unit = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> (name)));
            unit.setSilent (true);
            return unit;
        }

        juce::String inputName() const
        {
            juce::String name ("unchanged");
            ports->getOpenInputName (name);
            return name;
        }

        juce::String outputName() const
        {
            juce::String name ("unchanged");
            ports->getOpenOutputName (name);
            return name;
        }

        VirtualMidiDeviceProvider devices;
        std::unique_ptr<VASMidiPorts> ports = std::make_unique<VASMidiPorts>();
    };
}

//==============================================================================
TEST_F (VASMidiPortsTest, OpensTheFirstDeviceWhoseNameContainsTheTextCaseSensitively)
{
    attach ("Other Port");
    attach ("2- KORRINA MIDI 1");
    attach ("KORRINA MIDI");

    EXPECT_EQ (ports->getMidiInputDevices(), juce::StringArray ({ "Other Port", "2- KORRINA MIDI 1", "KORRINA MIDI" }));

    EXPECT_FALSE (ports->openMidiInput ("korrina midi"));
    EXPECT_EQ (inputName(), "unchanged");

    EXPECT_TRUE (ports->openMidiInput ("KORRINA MIDI"));
    EXPECT_EQ (inputName(), "2- KORRINA MIDI 1");
    EXPECT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));
    EXPECT_EQ (outputName(), "2- KORRINA MIDI 1");
}

TEST_F (VASMidiPortsTest, EmptyTextOpensTheFirstDeviceThatOpens)
{
    attach ("A");
    attach ("B");
    devices.setOpenFails ("A", true);

    EXPECT_TRUE (ports->openMidiInput (""));
    EXPECT_EQ (inputName(), "B");
    EXPECT_TRUE (ports->openMidiOutput (""));
    EXPECT_EQ (outputName(), "B");
}

TEST_F (VASMidiPortsTest, AMatchThatFailsToOpenFallsThroughToTheNextMatch)
{
    attach ("KORRINA MIDI");
    attach ("KORRINA MIDI 2");
    devices.setOpenFails ("KORRINA MIDI", true);

    EXPECT_TRUE (ports->openMidiInput ("KORRINA"));
    EXPECT_EQ (inputName(), "KORRINA MIDI 2");
}

TEST_F (VASMidiPortsTest, NoMatchKeepsTheOpenPortButAFailedMatchClosesIt)
{
    attach ("KORRINA MIDI");
    attach ("Broken");
    ASSERT_TRUE (ports->openMidiInput ("KORRINA"));
    ASSERT_TRUE (ports->openMidiOutput ("KORRINA"));

    EXPECT_FALSE (ports->openMidiInput ("Nothing like it"));
    EXPECT_FALSE (ports->openMidiOutput ("Nothing like it"));
    EXPECT_EQ (inputName(), "KORRINA MIDI");
    EXPECT_EQ (outputName(), "KORRINA MIDI");

    devices.setOpenFails ("Broken", true);
    EXPECT_FALSE (ports->openMidiInput ("Broken"));
    EXPECT_FALSE (ports->openMidiOutput ("Broken"));
    EXPECT_EQ (inputName(), "unchanged");
    EXPECT_EQ (outputName(), "unchanged");
}

TEST_F (VASMidiPortsTest, ByIndexRefusesIndexesOutsideTheList)
{
    attach ("A");

    EXPECT_FALSE (ports->openMidiInputByIndex (-1));
    EXPECT_FALSE (ports->openMidiInputByIndex (1));
    EXPECT_FALSE (ports->openMidiOutputByIndex (1));
    EXPECT_TRUE (ports->openMidiInputByIndex (0));
    EXPECT_TRUE (ports->openMidiOutputByIndex (0));
    EXPECT_EQ (inputName(), "A");
}

TEST_F (VASMidiPortsTest, CloseReportsWhetherAPortWasOpen)
{
    attach ("A");
    EXPECT_FALSE (ports->closeMidiInput());
    EXPECT_FALSE (ports->closeMidiOutput());

    ASSERT_TRUE (ports->openMidiInput ("A"));
    ASSERT_TRUE (ports->openMidiOutput ("A"));
    EXPECT_TRUE (ports->closeMidiInput());
    EXPECT_TRUE (ports->closeMidiOutput());
    EXPECT_EQ (inputName(), "unchanged");
    EXPECT_FALSE (ports->closeMidiInput());
}

TEST_F (VASMidiPortsTest, PresenceNeedsAnOpenPortWhoseExactNameIsStillListed)
{
    attach ("KORRINA MIDI");
    attach ("KORRINA MIDI 2");

    EXPECT_FALSE (ports->isMidiInputPresent());
    EXPECT_FALSE (ports->isMidiOutputPresent());

    ASSERT_TRUE (ports->openMidiInput ("KORRINA MIDI"));
    ASSERT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));
    EXPECT_TRUE (ports->isMidiInputPresent());
    EXPECT_TRUE (ports->isMidiOutputPresent());

    // "KORRINA MIDI 2" still contains the name, but presence wants the exact name.
    devices.unplug ("KORRINA MIDI");
    EXPECT_FALSE (ports->isMidiInputPresent());
    EXPECT_FALSE (ports->isMidiOutputPresent());
    EXPECT_EQ (inputName(), "KORRINA MIDI");

    // Plugged in again: the name is listed, but the ports opened before the unplug are
    // dead, so they count as absent until they are reopened.
    devices.replug ("KORRINA MIDI");
    EXPECT_FALSE (ports->isMidiInputPresent());
    EXPECT_FALSE (ports->isMidiOutputPresent());

    ASSERT_TRUE (ports->openMidiInput ("KORRINA MIDI"));
    ASSERT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));
    EXPECT_TRUE (ports->isMidiInputPresent());
    EXPECT_TRUE (ports->isMidiOutputPresent());
}

TEST_F (VASMidiPortsTest, ReceivedMessagesAreTakenOnceInOrderOfArrival)
{
    auto& unit = attach ("KORRINA MIDI");
    ASSERT_TRUE (ports->openMidiInput ("KORRINA MIDI"));

    std::vector<juce::MidiMessage> sent;

    for (int i = 0; i < 30; ++i)
        sent.push_back (i % 3 == 0 ? juce::MidiMessage::programChange (1, i)
                                   : ScriptedUnit::frame (0x14, { (uint8_t) i, 0 }));

    for (const auto& m : sent)
        unit.send (m);

    ASSERT_TRUE (devices.waitUntilIdle());

    juce::MidiBuffer taken;
    taken.addEvent (juce::MidiMessage::noteOn (1, 60, 1.0f), 0);   // what was there stays first
    EXPECT_TRUE (ports->takeReceivedMessages (taken));
    ASSERT_EQ (taken.getNumEvents(), 31);

    int i = -1;

    for (const auto metadata : taken)
    {
        if (i >= 0)
        {
            const auto& expected = sent[(size_t) i];
            ASSERT_EQ (metadata.numBytes, expected.getRawDataSize());
            EXPECT_EQ (std::memcmp (metadata.data, expected.getRawData(), (size_t) metadata.numBytes), 0) << i;
            EXPECT_EQ (metadata.samplePosition, 0);
        }

        ++i;
    }

    juce::MidiBuffer again;
    EXPECT_TRUE (ports->takeReceivedMessages (again));
    EXPECT_TRUE (again.isEmpty());
}

TEST_F (VASMidiPortsTest, SendGoesToTheOpenOutputAndIsIgnoredWithoutOne)
{
    auto& unit = attach ("KORRINA MIDI");
    const auto message = ScriptedUnit::frame (0x08, {});

    ports->sendMessage (&message);
    ports->sendMessage (nullptr);
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (unit.getNumReceived(), 0);

    ASSERT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));
    ports->sendMessage (nullptr);
    ports->sendMessage (&message);
    ASSERT_TRUE (unit.waitForReceived (1));
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (unit.getNumReceived(), 1);
}

TEST_F (VASMidiPortsTest, ReopeningClosesTheOldDeviceFirst)
{
    auto& a = attach ("A");
    attach ("B");

    ASSERT_TRUE (ports->openMidiInput ("A"));
    ASSERT_TRUE (ports->openMidiInput ("B"));
    EXPECT_EQ (inputName(), "B");

    // The old input was stopped: what A sends now is not queued.
    a.send (juce::MidiMessage::programChange (1, 1));
    ASSERT_TRUE (devices.waitUntilIdle());
    juce::MidiBuffer taken;
    ports->takeReceivedMessages (taken);
    EXPECT_TRUE (taken.isEmpty());
}

TEST_F (VASMidiPortsTest, OpeningFromOneThreadWhileAnotherSendsAndTestsPresenceIsSafe)
{
    attach ("KORRINA MIDI");
    attach ("Other");
    ASSERT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));
    ASSERT_TRUE (ports->openMidiInput ("KORRINA MIDI"));

    std::atomic<bool> stop { false };
    std::atomic<int> sends { 0 };

    std::thread user ([&]
    {
        // Starts once the sending side is under way, so that the two overlap.
        while (sends.load() == 0)
            std::this_thread::yield();

        for (int i = 0; i < 200; ++i)
        {
            ports->openMidiOutput (i % 2 == 0 ? "Other" : "KORRINA");
            ports->openMidiInput (i % 2 == 0 ? "KORRINA" : "Other");
        }

        stop = true;
    });

    const auto message = ScriptedUnit::frame (0x08, {});

    while (! stop.load())
    {
        ports->sendMessage (&message);
        ports->isMidiOutputPresent();
        ports->isMidiInputPresent();
        juce::MidiBuffer taken;
        ports->takeReceivedMessages (taken);
        ++sends;
    }

    user.join();
    EXPECT_TRUE (ports->isMidiOutputPresent());
}

TEST_F (VASMidiPortsTest, ReopenTakesOnlyTheDeviceOfThatExactName)
{
    attach ("2- KORRINA MIDI");
    attach ("KORRINA MIDI");

    ASSERT_TRUE (ports->reopenMidiInput ("KORRINA MIDI"));
    EXPECT_EQ (inputName(), "KORRINA MIDI");
    ASSERT_TRUE (ports->reopenMidiOutput ("KORRINA MIDI"));
    EXPECT_EQ (outputName(), "KORRINA MIDI");

    // With the device gone, one whose name merely contains it is no stand-in.
    ports->closeMidiInput();
    ports->closeMidiOutput();
    devices.unplug ("KORRINA MIDI");
    EXPECT_FALSE (ports->reopenMidiInput ("KORRINA MIDI"));
    EXPECT_FALSE (ports->reopenMidiOutput ("KORRINA MIDI"));
    EXPECT_EQ (inputName(), "unchanged");
    EXPECT_EQ (outputName(), "unchanged");
    EXPECT_FALSE (ports->reopenMidiInput ("KORRINA"));
    EXPECT_FALSE (ports->reopenMidiOutput (""));
}

TEST_F (VASMidiPortsTest, OpenAndCloseDoNotWaitForASendInProgress)
{
    auto& unit = attach ("KORRINA MIDI");
    attach ("Other");
    devices.setWireSpeedPacing (true);
    ASSERT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));

    // 8000 bytes take 2.56 s on the wire.
    const auto slow = ScriptedUnit::frame (0x78, std::vector<uint8_t> (7992, 0x11));
    std::atomic<bool> started { false }, sent { false };

    std::thread sender ([&]
    {
        started = true;
        ports->sendMessage (&slow);
        sent = true;
    });

    while (! started.load())
        std::this_thread::yield();

    juce::Thread::sleep (100);

    const auto before = juce::Time::getMillisecondCounterHiRes();
    EXPECT_TRUE (ports->openMidiOutput ("Other"));
    EXPECT_TRUE (ports->closeMidiOutput());
    EXPECT_TRUE (ports->openMidiOutput ("KORRINA MIDI"));
    EXPECT_TRUE (ports->isMidiOutputPresent());
    const auto elapsed = juce::Time::getMillisecondCounterHiRes() - before;

    EXPECT_FALSE (sent.load()) << "the send was still under way";
    EXPECT_LT (elapsed, 1000.0) << "the port calls waited for the send";
    sender.join();

    // The output replaced mid-send lived until its send had gone out whole.
    ASSERT_TRUE (unit.waitForReceived (1));
    EXPECT_EQ (unit.getReceived().front().getRawDataSize(), slow.getRawDataSize());
}

TEST (SystemMidiDevices, OpenOnlyIndexesInsideTheirCurrentList)
{
    JuceMidiDeviceProvider system;
    struct Ignore : public juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage&) override {}
    } callback;

    const auto inputs = system.getInputDeviceNames();
    const auto outputs = system.getOutputDeviceNames();

    EXPECT_EQ (system.openInput (-1, callback), nullptr);
    EXPECT_EQ (system.openInput (inputs.size(), callback), nullptr);
    EXPECT_EQ (system.openOutput (-1), nullptr);
    EXPECT_EQ (system.openOutput (outputs.size()), nullptr);
}

TEST (SystemMidiDevices, AreTheDefaultUntilAnotherProviderIsInstalled)
{
    auto& defaultProvider = MidiDeviceProvider::getCurrent();
    EXPECT_NE (dynamic_cast<JuceMidiDeviceProvider*> (&defaultProvider), nullptr);

    VirtualMidiDeviceProvider devices;
    MidiDeviceProvider::setCurrent (&devices);
    EXPECT_EQ (&MidiDeviceProvider::getCurrent(), &devices);

    MidiDeviceProvider::setCurrent (nullptr);
    EXPECT_EQ (&MidiDeviceProvider::getCurrent(), &defaultProvider);
}
