#pragma once

#include "devicelink/MidiDeviceProvider.h"
#include "devicelink/virtual/VirtualMidiUnit.h"

#include <atomic>
#include <memory>
#include <vector>

//==============================================================================
/** One named input/output pair of the VirtualMidiDeviceProvider, with the two
    delivery threads that carry messages between the host's open ports and the unit.

    Open ports hold the pair through a shared pointer, so a port that outlives its
    provider simply goes dead. A port opened before an unplug stays dead after the
    replug, as an operating-system handle to a vanished device does.
*/
class VirtualMidiPort : public std::enable_shared_from_this<VirtualMidiPort>
{
public:
    VirtualMidiPort (const juce::String& portName, bool shouldPace);

    /** Stops both delivery threads. */
    ~VirtualMidiPort();

    //==============================================================================
    const juce::String& getName() const noexcept { return name; }

    /** Puts a unit behind the pair; owned may hold it or be empty (caller-owned). */
    void setUnit (VirtualMidiUnit& unitToUse, std::unique_ptr<VirtualMidiUnit> owned);

    /** Detaches for good: the pair is unplugged, the unit thread stopped and the unit
        released (destroyed when owned) once no call into it is running.
    */
    void shutDown();

    //==============================================================================
    bool isPlugged() const noexcept { return plugged.load(); }
    void unplug();
    void replug();

    void setOpenFails (bool shouldFail) noexcept { openFails.store (shouldFail); }
    bool opensFail() const noexcept                { return openFails.load(); }
    void setPacing (bool shouldPace) noexcept     { pacing.store (shouldPace); }

    /** True when nothing is queued or being handed over in either direction. */
    bool isIdle() const;

    //==============================================================================
    std::unique_ptr<MidiDeviceProvider::Input> openInput (juce::MidiInputCallback& callback);
    std::unique_ptr<MidiDeviceProvider::Output> openOutput();

    /** Wire time of a message of this many bytes at 31250 baud, in microseconds. */
    static int64_t wireTimeMicroseconds (int numBytes) noexcept { return (int64_t) numBytes * 320; }

private:
    //==============================================================================
    class DeliveryThread;
    class InputPort;
    class OutputPort;

    bool isLive (int openedGeneration) const noexcept;
    void sendFromHost (const juce::MidiMessage& message, int openedGeneration);
    void queueToHost (const juce::MidiMessage& message);
    void deliverToHost (const juce::MidiMessage& message);
    void deliverToUnit (const juce::MidiMessage& message);
    void startInput (InputPort& input);
    void stopInput (InputPort& input);

    const juce::String name;
    std::atomic<bool> plugged { true }, detached { false }, openFails { false }, pacing;
    std::atomic<int> generation { 0 };

    VirtualMidiUnit* unit = nullptr;
    std::unique_ptr<VirtualMidiUnit> ownedUnit;

    juce::CriticalSection inputsLock;
    std::vector<InputPort*> startedInputs;

    std::unique_ptr<DeliveryThread> toUnit, toHost;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VirtualMidiPort)
};
