#include "devicelink/JuceMidiDeviceProvider.h"

namespace
{
    juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices)
    {
        juce::StringArray names;

        for (const auto& device : devices)
            names.add (device.name);

        return names;
    }

    class SystemInput : public MidiDeviceProvider::Input
    {
    public:
        explicit SystemInput (std::unique_ptr<juce::MidiInput> deviceToUse)
            : device (std::move (deviceToUse)) {}

        ~SystemInput() override { device->stop(); }

        void start() override { device->start(); }
        void stop() override  { device->stop(); }

    private:
        std::unique_ptr<juce::MidiInput> device;
    };

    class SystemOutput : public MidiDeviceProvider::Output
    {
    public:
        explicit SystemOutput (std::unique_ptr<juce::MidiOutput> deviceToUse)
            : device (std::move (deviceToUse)) {}

        void sendMessageNow (const juce::MidiMessage& message) override { device->sendMessageNow (message); }

    private:
        std::unique_ptr<juce::MidiOutput> device;
    };
}

juce::StringArray JuceMidiDeviceProvider::getInputDeviceNames()
{
    return namesOf (juce::MidiInput::getAvailableDevices());
}

juce::StringArray JuceMidiDeviceProvider::getOutputDeviceNames()
{
    return namesOf (juce::MidiOutput::getAvailableDevices());
}

std::unique_ptr<MidiDeviceProvider::Input> JuceMidiDeviceProvider::openInput (int index, juce::MidiInputCallback& callback)
{
    const auto devices = juce::MidiInput::getAvailableDevices();

    if (! juce::isPositiveAndBelow (index, devices.size()))
        return nullptr;

    if (auto device = juce::MidiInput::openDevice (devices.getReference (index).identifier, &callback))
        return std::make_unique<SystemInput> (std::move (device));

    return nullptr;
}

std::unique_ptr<MidiDeviceProvider::Output> JuceMidiDeviceProvider::openOutput (int index)
{
    const auto devices = juce::MidiOutput::getAvailableDevices();

    if (! juce::isPositiveAndBelow (index, devices.size()))
        return nullptr;

    if (auto device = juce::MidiOutput::openDevice (devices.getReference (index).identifier))
        return std::make_unique<SystemOutput> (std::move (device));

    return nullptr;
}
