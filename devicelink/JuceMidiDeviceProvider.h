#pragma once

#include "devicelink/MidiDeviceProvider.h"

//==============================================================================
/** The operating system's MIDI devices, through the framework's MidiInput and
    MidiOutput. Names and indexes refer to the framework's device infos, listed
    afresh on every call so that unplugged devices drop out. Its opened devices always
    report themselves connected: the framework cannot tell a handle to a device that was
    unplugged and plugged in again from a live one.
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
