#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "devicelink/virtual/VirtualMidiPort.h"

#include "support/ScriptedUnit.h"

#include <gtest/gtest.h>

namespace
{
    /** Collects what an input delivers, with the thread it was delivered on. */
    struct Collector : public juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
        {
            const juce::ScopedLock sl (lock);
            messages.push_back (message);
            threads.push_back (juce::Thread::getCurrentThreadId());
        }

        std::vector<juce::MidiMessage> get() const
        {
            const juce::ScopedLock sl (lock);
            return messages;
        }

        bool waitFor (size_t count, int timeoutMs = 3000) const
        {
            for (int waited = 0; waited < timeoutMs; ++waited)
            {
                if (get().size() >= count)
                    return true;

                juce::Thread::sleep (1);
            }

            return false;
        }

        juce::CriticalSection lock;
        std::vector<juce::MidiMessage> messages;
        std::vector<juce::Thread::ThreadID> threads;
    };

    bool sameBytes (const juce::MidiMessage& a, const juce::MidiMessage& b)
    {
        return a.getRawDataSize() == b.getRawDataSize()
            && std::memcmp (a.getRawData(), b.getRawData(), (size_t) a.getRawDataSize()) == 0;
    }

    /** A unit that only remembers the threads it was called on. */
    struct EchoUnit : public VirtualMidiUnit
    {
        juce::String getPortName() const override { return "ECHO"; }

        void handleMessageFromHost (const juce::MidiMessage& message) override
        {
            sendToHost (message);
        }

        ~EchoUnit() override { destroyed = true; }

        static inline std::atomic<bool> destroyed { false };
    };
}

//==============================================================================
TEST (VirtualMidiDevices, ListsPairsInAttachOrderAndDropsUnpluggedOnes)
{
    VirtualMidiDeviceProvider devices;
    devices.addPort ("Other");
    devices.attachUnit (std::make_unique<ScriptedUnit> ("KORRINA MIDI"));
    devices.addPort ("Third");

    EXPECT_EQ (devices.getInputDeviceNames(), juce::StringArray ({ "Other", "KORRINA MIDI", "Third" }));
    EXPECT_EQ (devices.getOutputDeviceNames(), devices.getInputDeviceNames());

    EXPECT_TRUE (devices.unplug ("KORRINA MIDI"));
    EXPECT_EQ (devices.getInputDeviceNames(), juce::StringArray ({ "Other", "Third" }));
    EXPECT_EQ (devices.getOutputDeviceNames(), juce::StringArray ({ "Other", "Third" }));

    EXPECT_TRUE (devices.replug ("KORRINA MIDI"));
    EXPECT_EQ (devices.getInputDeviceNames(), juce::StringArray ({ "Other", "KORRINA MIDI", "Third" }));

    EXPECT_FALSE (devices.unplug ("NOT THERE"));
    EXPECT_TRUE (devices.detach ("Other"));
    EXPECT_EQ (devices.getInputDeviceNames(), juce::StringArray ({ "KORRINA MIDI", "Third" }));
}

TEST (VirtualMidiDevices, IndexesOutsideTheListOrRefusingDevicesOpenNothing)
{
    VirtualMidiDeviceProvider devices;
    devices.addPort ("A");
    Collector collector;

    EXPECT_EQ (devices.openInput (-1, collector), nullptr);
    EXPECT_EQ (devices.openInput (1, collector), nullptr);
    EXPECT_EQ (devices.openOutput (1), nullptr);

    devices.setOpenFails ("A", true);
    EXPECT_EQ (devices.openInput (0, collector), nullptr);
    EXPECT_EQ (devices.openOutput (0), nullptr);

    devices.setOpenFails ("A", false);
    EXPECT_NE (devices.openInput (0, collector), nullptr);
    EXPECT_NE (devices.openOutput (0), nullptr);
}

TEST (VirtualMidiDevices, CarriesMessagesBothWaysInOrderOnThreadsOfTheirOwn)
{
    VirtualMidiDeviceProvider devices;
    auto& unit = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit>()));
    unit.setSilent (true);

    Collector collector;
    auto input = devices.openInput (0, collector);
    auto output = devices.openOutput (0);
    ASSERT_NE (input, nullptr);
    ASSERT_NE (output, nullptr);

    // Nothing is delivered before the input is started.
    unit.send (juce::MidiMessage::programChange (1, 1));
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_TRUE (collector.get().empty());

    input->start();

    std::vector<juce::MidiMessage> sent;

    for (int i = 0; i < 50; ++i)
        sent.push_back (ScriptedUnit::frame (0x14, { (uint8_t) i, 0 }));

    sent.push_back (juce::MidiMessage::programChange (1, 7));

    for (const auto& m : sent)
        unit.send (m);

    ASSERT_TRUE (collector.waitFor (sent.size()));
    const auto received = collector.get();
    ASSERT_EQ (received.size(), sent.size());

    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_TRUE (sameBytes (received[i], sent[i])) << "message " << i;

    EXPECT_NE (collector.threads.front(), juce::Thread::getCurrentThreadId());

    for (int i = 0; i < 20; ++i)
        output->sendMessageNow (ScriptedUnit::frame (0x03, { (uint8_t) i, 0 }));

    ASSERT_TRUE (unit.waitForReceived (20));
    const auto atUnit = unit.getReceived();

    for (int i = 0; i < 20; ++i)
        EXPECT_EQ (atUnit[(size_t) i].getRawData()[6], i);
}

TEST (VirtualMidiDevices, StoppedInputGetsNothingMore)
{
    VirtualMidiDeviceProvider devices;
    auto& unit = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit>()));
    Collector collector;
    auto input = devices.openInput (0, collector);
    input->start();

    unit.send (juce::MidiMessage::programChange (1, 1));
    ASSERT_TRUE (collector.waitFor (1));

    input->stop();
    unit.send (juce::MidiMessage::programChange (1, 2));
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (collector.get().size(), 1u);
}

TEST (VirtualMidiDevices, PortsOpenedBeforeAnUnplugStayDeadAfterTheReplug)
{
    VirtualMidiDeviceProvider devices;
    auto& unit = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit>()));
    unit.setSilent (true);

    Collector oldCollector, newCollector;
    auto oldInput = devices.openInput (0, oldCollector);
    auto oldOutput = devices.openOutput (0);
    oldInput->start();

    devices.unplug ("KORRINA MIDI");

    // While unplugged the unit's messages and the host's sends go nowhere.
    unit.send (juce::MidiMessage::programChange (1, 1));
    oldOutput->sendMessageNow (ScriptedUnit::frame (0x08, {}));
    EXPECT_EQ (devices.openInput (0, newCollector), nullptr);

    devices.replug ("KORRINA MIDI");
    auto newInput = devices.openInput (0, newCollector);
    ASSERT_NE (newInput, nullptr);
    newInput->start();

    unit.send (juce::MidiMessage::programChange (1, 2));
    oldOutput->sendMessageNow (ScriptedUnit::frame (0x08, {}));
    ASSERT_TRUE (newCollector.waitFor (1));
    ASSERT_TRUE (devices.waitUntilIdle());

    EXPECT_TRUE (oldCollector.get().empty());
    EXPECT_EQ (newCollector.get().size(), 1u);
    EXPECT_EQ (unit.getNumReceived(), 0);

    // The old handles say so, which is how the ports' presence test tells them apart.
    EXPECT_FALSE (oldInput->isConnected());
    EXPECT_FALSE (oldOutput->isConnected());
    EXPECT_TRUE (newInput->isConnected());

    auto newOutput = devices.openOutput (0);
    newOutput->sendMessageNow (ScriptedUnit::frame (0x08, {}));
    EXPECT_TRUE (unit.waitForReceived (1));
}

TEST (VirtualMidiDevices, DetachingDestroysTheOwnedUnitAndKillsOpenPorts)
{
    EchoUnit::destroyed = false;
    VirtualMidiDeviceProvider devices;
    devices.attachUnit (std::make_unique<EchoUnit>());

    Collector collector;
    auto input = devices.openInput (0, collector);
    auto output = devices.openOutput (0);
    input->start();

    output->sendMessageNow (juce::MidiMessage::programChange (1, 3));
    ASSERT_TRUE (collector.waitFor (1));

    EXPECT_TRUE (devices.detach ("ECHO"));
    EXPECT_TRUE (EchoUnit::destroyed.load());
    EXPECT_TRUE (devices.getInputDeviceNames().isEmpty());

    // The ports outlive the pair's listing and simply go dead.
    output->sendMessageNow (juce::MidiMessage::programChange (1, 4));
    juce::Thread::sleep (20);
    EXPECT_EQ (collector.get().size(), 1u);
}

TEST (VirtualMidiDevices, CallerOwnedUnitIsDetachedWithoutBeingDestroyed)
{
    ScriptedUnit unit ("OWN");
    {
        VirtualMidiDeviceProvider devices;
        devices.addUnit (unit);
        auto output = devices.openOutput (0);
        output->sendMessageNow (ScriptedUnit::frame (0x08, {}));
        ASSERT_TRUE (unit.waitForReceived (1));
    }

    // The provider is gone; the unit's sends are dropped instead of reaching freed ports.
    unit.send (juce::MidiMessage::programChange (1, 1));
    EXPECT_EQ (unit.getNumReceived(), 1);
}

TEST (VirtualMidiDevices, WireSpeedPacingTakesAtLeastTheWireTime)
{
    VirtualMidiDeviceProvider devices;
    auto& unit = static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit>()));
    unit.setSilent (true);
    devices.setWireSpeedPacing (true);

    const auto message = ScriptedUnit::frame (0x78, std::vector<uint8_t> (194, 0x11));   // 202 bytes: 64.64 ms
    ASSERT_EQ (message.getRawDataSize(), 202);

    auto output = devices.openOutput (0);
    const auto before = juce::Time::getMillisecondCounterHiRes();
    output->sendMessageNow (message);
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - before, 64.0);

    Collector collector;
    auto input = devices.openInput (0, collector);
    input->start();

    const auto sentAt = juce::Time::getMillisecondCounterHiRes();
    unit.send (message);
    ASSERT_TRUE (collector.waitFor (1));
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - sentAt, 64.0);
    EXPECT_EQ (VirtualMidiPort::wireTimeMicroseconds (1), 320);
}
