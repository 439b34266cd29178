#pragma once

#include "devicelink/MidiDeviceProvider.h"
#include "devicelink/VASMidiInputCallback.h"

#include <functional>
#include <memory>

//==============================================================================
/** The one MIDI input and the one MIDI output the program opens directly, by device
    name or list index, with the queue of messages received on the input.

    The processing thread drains the queue, sends through the output and asks whether
    the devices are still present; the main dialog opens and closes ports by name.
    Devices come from MidiDeviceProvider::getCurrent().

    Every operation that touches a device object or a port name holds one device lock,
    so opens, closes and presence tests never overlap. A send takes a shared owner of
    the output under the lock and sends outside it: an open or close does not wait for
    a send in progress, and the output it replaces lives until that send has returned.
*/
class VASMidiPorts
{
public:
    VASMidiPorts();

    /** Closes the input and the output. */
    ~VASMidiPorts();

    //==============================================================================
    /** The system's MIDI input device names, in the system's order. */
    juce::StringArray getMidiInputDevices() const;

    /** The system's MIDI output device names, in the system's order. */
    juce::StringArray getMidiOutputDevices() const;

    //==============================================================================
    /** Opens the first input whose name contains the text (case-sensitive; an empty
        text matches every device) and that opens. When no name matches, the open input
        stays open; when matching devices fail to open, the input ends up closed.
    */
    bool openMidiInput (const juce::String& wantedName);

    /** Opens the first input whose name equals this name and that opens, as the
        device check reopens the device that was open: never another device whose name
        merely contains it.
    */
    bool reopenMidiInput (const juce::String& deviceName);

    /** Closes the open input, then opens and starts the input at this index of the
        current list. False for an index outside the list or a device that won't open.
    */
    bool openMidiInputByIndex (int index);

    /** As openMidiInput, for outputs. */
    bool openMidiOutput (const juce::String& wantedName);

    /** As reopenMidiInput, for outputs. */
    bool reopenMidiOutput (const juce::String& deviceName);

    /** As openMidiInputByIndex, for outputs (there is nothing to start). */
    bool openMidiOutputByIndex (int index);

    /** Stops and deletes the open input; false when none was open. */
    bool closeMidiInput();

    /** Deletes the open output; false when none was open. */
    bool closeMidiOutput();

    /** Copies the open input's system name; false (name untouched) when none is open. */
    bool getOpenInputName (juce::String& name) const;

    /** Copies the open output's system name; false (name untouched) when none is open. */
    bool getOpenOutputName (juce::String& name) const;

    //==============================================================================
    /** Moves every received message, in order of arrival, to the end of the
        destination (each at sample position 0). Always true.
    */
    bool takeReceivedMessages (juce::MidiBuffer& destination);

    /** Sends the message on the open output; nothing when no message is given or no
        output is open. For SysEx this blocks until the driver has sent it, without
        holding the device lock.
    */
    void sendMessage (const juce::MidiMessage* message);

    /** True when an input is open and its name is still in the system's input list,
        unless the provider knows the open device to be dead (unplugged and plugged in
        again since it was opened).
    */
    bool isMidiInputPresent() const;

    /** As isMidiInputPresent, for the output. */
    bool isMidiOutputPresent() const;

    //==============================================================================
    /** Called on the MIDI input thread after each message has been queued, so that the
        reader can wake up for it. Set it before an input is opened.
    */
    void setArrivalCallback (std::function<void()> callback);

private:
    //==============================================================================
    friend class VASMidiInputCallback;

    /** Called by the input callback on the MIDI input thread. */
    void appendReceivedMessage (const juce::MidiMessage& message);

    std::function<void()> arrivalCallback;
    std::unique_ptr<MidiDeviceProvider::Input> input;
    VASMidiInputCallback inputCallback { *this };
    juce::MidiBuffer receivedMessages;
    juce::CriticalSection inputLock;
    std::shared_ptr<MidiDeviceProvider::Output> output;
    juce::String openInputName, openOutputName;

    juce::CriticalSection deviceLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASMidiPorts)
};
