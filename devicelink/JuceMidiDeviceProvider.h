#pragma once

#include "devicelink/MidiDeviceProvider.h"

//==============================================================================
/** The operating system's MIDI devices, through the framework's MidiInput and
    MidiOutput. Names and indexes refer to the framework's device infos, listed
    afresh on every call so that unplugged devices drop out.
*/
class JuceMidiDeviceProvider : public MidiDeviceProvider
{
public:
    JuceMidiDeviceProvider() = default;

    juce::StringArray getInputDeviceNames() override;
    juce::StringArray getOutputDeviceNames() override;
    std::unique_ptr<Input> openInput (int index, juce::MidiInputCallback& callback) override;
    std::unique_ptr<Output> openOutput (int index) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JuceMidiDeviceProvider)
};
