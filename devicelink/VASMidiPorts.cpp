#include "devicelink/VASMidiPorts.h"

VASMidiPorts::VASMidiPorts() = default;

VASMidiPorts::~VASMidiPorts()
{
    closeMidiInput();
    closeMidiOutput();
}

//==============================================================================
juce::StringArray VASMidiPorts::getMidiInputDevices() const
{
    return MidiDeviceProvider::getCurrent().getInputDeviceNames();
}

juce::StringArray VASMidiPorts::getMidiOutputDevices() const
{
    return MidiDeviceProvider::getCurrent().getOutputDeviceNames();
}

//==============================================================================
bool VASMidiPorts::openMidiInput (const juce::String& wantedName)
{
    const juce::ScopedLock sl (deviceLock);
    const auto devices = getMidiInputDevices();

    for (int i = 0; i < devices.size(); ++i)
        if (wantedName.isEmpty() || devices[i].indexOf (wantedName) >= 0)
            if (openMidiInputByIndex (i))
                return true;

    return false;
}

bool VASMidiPorts::openMidiInputByIndex (int index)
{
    const juce::ScopedLock sl (deviceLock);
    closeMidiInput();

    auto& provider = MidiDeviceProvider::getCurrent();
    const auto devices = provider.getInputDeviceNames();

    if (! juce::isPositiveAndBelow (index, devices.size()))
        return false;

    input = provider.openInput (index, inputCallback);

    if (input == nullptr)
        return false;

    input->start();
    openInputName = devices[index];
    return true;
}

bool VASMidiPorts::openMidiOutput (const juce::String& wantedName)
{
    const juce::ScopedLock sl (deviceLock);
    const auto devices = getMidiOutputDevices();

    for (int i = 0; i < devices.size(); ++i)
        if (wantedName.isEmpty() || devices[i].indexOf (wantedName) >= 0)
            if (openMidiOutputByIndex (i))
                return true;

    return false;
}

bool VASMidiPorts::openMidiOutputByIndex (int index)
{
    const juce::ScopedLock sl (deviceLock);
    closeMidiOutput();

    auto& provider = MidiDeviceProvider::getCurrent();
    const auto devices = provider.getOutputDeviceNames();

    if (! juce::isPositiveAndBelow (index, devices.size()))
        return false;

    output = provider.openOutput (index);

    if (output == nullptr)
        return false;

    openOutputName = devices[index];
    return true;
}

bool VASMidiPorts::closeMidiInput()
{
    const juce::ScopedLock sl (deviceLock);

    if (input == nullptr)
        return false;

    input->stop();
    input.reset();
    openInputName.clear();
    return true;
}

bool VASMidiPorts::closeMidiOutput()
{
    const juce::ScopedLock sl (deviceLock);

    if (output == nullptr)
        return false;

    output.reset();
    openOutputName.clear();
    return true;
}

bool VASMidiPorts::getOpenInputName (juce::String& name) const
{
    const juce::ScopedLock sl (deviceLock);

    if (input == nullptr)
        return false;

    name = openInputName;
    return true;
}

bool VASMidiPorts::getOpenOutputName (juce::String& name) const
{
    const juce::ScopedLock sl (deviceLock);

    if (output == nullptr)
        return false;

    name = openOutputName;
    return true;
}

//==============================================================================
void VASMidiPorts::appendReceivedMessage (const juce::MidiMessage& message)
{
    const juce::ScopedLock sl (inputLock);
    receivedMessages.addEvent (message, 0);
}

bool VASMidiPorts::takeReceivedMessages (juce::MidiBuffer& destination)
{
    const juce::ScopedLock sl (inputLock);

    if (! receivedMessages.isEmpty())
    {
        destination.addEvents (receivedMessages, 0, -1, 0);
        receivedMessages.clear();
    }

    return true;
}

void VASMidiPorts::sendMessage (const juce::MidiMessage* message)
{
    if (message == nullptr)
        return;

    const juce::ScopedLock sl (deviceLock);

    if (output != nullptr)
        output->sendMessageNow (*message);
}

bool VASMidiPorts::isMidiInputPresent() const
{
    const juce::ScopedLock sl (deviceLock);
    return input != nullptr && getMidiInputDevices().contains (openInputName);
}

bool VASMidiPorts::isMidiOutputPresent() const
{
    const juce::ScopedLock sl (deviceLock);
    return output != nullptr && getMidiOutputDevices().contains (openOutputName);
}
