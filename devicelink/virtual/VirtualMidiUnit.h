#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>

//==============================================================================
/** An emulated device behind a virtual port pair. The layer hands it every complete
    message the host sends to the pair's output port, on the port's delivery thread,
    and the unit answers through sendToHost, which queues the message on the pair's input.

    Attach a unit with VirtualMidiDeviceProvider::attachUnit; the provider then shows an
    input and an output port, both named getPortName(), in its device lists.
*/
class VirtualMidiUnit
{
public:
    VirtualMidiUnit() = default;
    virtual ~VirtualMidiUnit();

    //==============================================================================
    /** Name of the port pair, e.g. "KORRINA MIDI" (both the input and the output carry it). */
    virtual juce::String getPortName() const = 0;

    /** One complete message (SysEx F0..F7, or a short message) sent by the host. */
    virtual void handleMessageFromHost (const juce::MidiMessage& message) = 0;

    //==============================================================================
    /** Set by the layer when the unit is attached (nullptr when detached).
        Safe to call while another thread is inside sendToHost.
    */
    void setHostSender (std::function<void (const juce::MidiMessage&)> sender);

protected:
    //==============================================================================
    /** Sends one message to the host's input port; dropped while unplugged or detached.
        May be called from any thread, including from inside handleMessageFromHost.
    */
    void sendToHost (const juce::MidiMessage& message);

private:
    juce::CriticalSection senderLock;
    std::function<void (const juce::MidiMessage&)> hostSender;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VirtualMidiUnit)
};
