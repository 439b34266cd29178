#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

class VASMidiPorts;

//==============================================================================
/** Receives the messages of the input that VASMidiPorts opened and appends each one
    to the ports' queue of received messages. Runs on the MIDI input thread.

    Partial SysEx is not handled: devices hand over complete messages only.
*/
class VASMidiInputCallback : public juce::MidiInputCallback
{
public:
    explicit VASMidiInputCallback (VASMidiPorts& ownerToUse) noexcept : owner (ownerToUse) {}
    ~VASMidiInputCallback() override;

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

private:
    VASMidiPorts& owner;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASMidiInputCallback)
};
