#pragma once

#include "devicelink/MidiDeviceProvider.h"
#include "devicelink/virtual/VirtualMidiUnit.h"

#include <atomic>
#include <memory>
#include <vector>

class VirtualMidiPort;

//==============================================================================
/** MIDI devices that live in this process: named input/output port pairs, each
    optionally with an emulated unit (VirtualMidiUnit) behind it.

    Install it with MidiDeviceProvider::setCurrent (&provider) before opening ports,
    and uninstall it (setCurrent (nullptr)) after closing them. Typical use:

    @code
    VirtualMidiDeviceProvider devices;
    auto& unit = devices.attachUnit (std::make_unique<MyUnit>());   // pair "KORRINA MIDI"
    MidiDeviceProvider::setCurrent (&devices);
    ...
    devices.unplug ("KORRINA MIDI");   // both ports vanish from the lists, open ones go dead
    devices.replug ("KORRINA MIDI");   // they are listed again and can be reopened
    @endcode

    Messages the host sends on a pair's output reach the unit on a delivery thread of
    the pair; messages the unit sends reach the host's open inputs on another thread,
    as the framework's MIDI input thread delivers them: complete messages, in order.
    With wire-speed pacing on, each byte takes 0.32 ms (31250 baud, 10 bits a byte)
    in both directions, and sending on an output blocks for the message's wire time.

    All members may be called from any thread.
*/
class VirtualMidiDeviceProvider : public MidiDeviceProvider
{
public:
    VirtualMidiDeviceProvider();

    /** Detaches every unit (destroying the owned ones); ports still open go dead. */
    ~VirtualMidiDeviceProvider() override;

    //==============================================================================
    /** Attaches a unit that the provider owns and lists its port pair after the
        ones already there. Returns the unit, valid until it is detached.
    */
    VirtualMidiUnit& attachUnit (std::unique_ptr<VirtualMidiUnit> unit);

    /** Attaches a unit that the caller owns; detach it before destroying it. */
    void addUnit (VirtualMidiUnit& unit);

    /** Adds a port pair with no unit behind it: what is sent to it vanishes. */
    void addPort (const juce::String& portName);

    /** Removes the first pair of this name for good (an owned unit is destroyed,
        after any call into it has returned). False when there is no such pair.
    */
    bool detach (const juce::String& portName);

    //==============================================================================
    /** The pair vanishes from both lists; ports open on it go dead (they deliver and
        send nothing, even after replug), and what was queued is lost.
    */
    bool unplug (const juce::String& portName);

    /** The pair is listed again and can be reopened. */
    bool replug (const juce::String& portName);

    /** While set, opening either port of this pair fails, as for a device in use. */
    void setOpenFails (const juce::String& portName, bool shouldFail);

    /** Turns wire-speed pacing (0.32 ms a byte) on or off for every pair. */
    void setWireSpeedPacing (bool shouldPace);

    /** Waits until every message queued so far, in either direction, has been
        handed over; false when that takes longer than the time-out.
    */
    bool waitUntilIdle (int timeoutMs = 5000) const;

    //==============================================================================
    juce::StringArray getInputDeviceNames() override;
    juce::StringArray getOutputDeviceNames() override;
    std::unique_ptr<Input> openInput (int index, juce::MidiInputCallback& callback) override;
    std::unique_ptr<Output> openOutput (int index) override;

private:
    //==============================================================================
    std::shared_ptr<VirtualMidiPort> findPair (const juce::String& portName) const;
    std::shared_ptr<VirtualMidiPort> pluggedPairAt (int index) const;
    juce::StringArray pluggedNames() const;

    juce::CriticalSection pairsLock;
    std::vector<std::shared_ptr<VirtualMidiPort>> pairs;
    std::atomic<bool> pacing { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VirtualMidiDeviceProvider)
};
