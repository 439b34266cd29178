#include "devicelink/VASMidiPorts.h"

namespace
{
    /** Walks the list from its start and tries every device whose name contains the
        wanted text (case-sensitive; an empty text matches every device), or equals it
        when `exactly` is set, until one opens.
    */
    template <typename OpenByIndex>
    bool openFirstMatching (const juce::StringArray& devices, const juce::String& wantedName, bool exactly,
                            OpenByIndex&& openByIndex)
    {
        for (int i = 0; i < devices.size(); ++i)
        {
            const bool matches = exactly ? devices[i] == wantedName
                                         : (wantedName.isEmpty() || devices[i].indexOf (wantedName) >= 0);

            if (matches && openByIndex (i))
                return true;
        }

        return false;
    }
}

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
    return openFirstMatching (getMidiInputDevices(), wantedName, false, [this] (int i) { return openMidiInputByIndex (i); });
}

bool VASMidiPorts::reopenMidiInput (const juce::String& deviceName)
{
    const juce::ScopedLock sl (deviceLock);
    return openFirstMatching (getMidiInputDevices(), deviceName, true, [this] (int i) { return openMidiInputByIndex (i); });
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
    return openFirstMatching (getMidiOutputDevices(), wantedName, false, [this] (int i) { return openMidiOutputByIndex (i); });
}

bool VASMidiPorts::reopenMidiOutput (const juce::String& deviceName)
{
    const juce::ScopedLock sl (deviceLock);
    return openFirstMatching (getMidiOutputDevices(), deviceName, true, [this] (int i) { return openMidiOutputByIndex (i); });
}

bool VASMidiPorts::openMidiOutputByIndex (int index)
{
    const juce::ScopedLock sl (deviceLock);
    closeMidiOutput();

    auto& provider = MidiDeviceProvider::getCurrent();
    const auto devices = provider.getOutputDeviceNames();

    if (! juce::isPositiveAndBelow (index, devices.size()))
        return false;

    output = std::shared_ptr<MidiDeviceProvider::Output> (provider.openOutput (index));

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
void VASMidiPorts::setArrivalCallback (std::function<void()> callback)
{
    arrivalCallback = std::move (callback);
}

void VASMidiPorts::appendReceivedMessage (const juce::MidiMessage& message)
{
    {
        const juce::ScopedLock sl (inputLock);
        receivedMessages.addEvent (message, 0);
    }

    if (arrivalCallback)
        arrivalCallback();
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

    // A SysEx send blocks for the message's wire time: it runs on a shared owner of
    // the output, outside the lock, so that an open or close meanwhile does not wait
    // for it, and a thread stopped in the middle of it leaves no lock behind. An
    // output closed meanwhile lives until the send has returned.
    std::shared_ptr<MidiDeviceProvider::Output> target;

    {
        const juce::ScopedLock sl (deviceLock);
        target = output;
    }

    if (target != nullptr)
        target->sendMessageNow (*message);
}

// A device unplugged and plugged in again between two presence tests is listed under
// its name again, but the port opened before the unplug stays dead; were it counted as
// present, the device check would never reopen it and every send would go nowhere.
// So a port the provider knows to be dead counts as absent too.
bool VASMidiPorts::isMidiInputPresent() const
{
    const juce::ScopedLock sl (deviceLock);
    return input != nullptr && input->isConnected() && getMidiInputDevices().contains (openInputName);
}

bool VASMidiPorts::isMidiOutputPresent() const
{
    const juce::ScopedLock sl (deviceLock);
    return output != nullptr && output->isConnected() && getMidiOutputDevices().contains (openOutputName);
}
