#include "devicelink/MidiDeviceProvider.h"

#include "devicelink/JuceMidiDeviceProvider.h"

#include <atomic>

namespace
{
    std::atomic<MidiDeviceProvider*> installedProvider { nullptr };
}

MidiDeviceProvider::~MidiDeviceProvider() = default;
MidiDeviceProvider::Input::~Input() = default;
MidiDeviceProvider::Output::~Output() = default;

MidiDeviceProvider& MidiDeviceProvider::getCurrent()
{
    if (auto* provider = installedProvider.load())
        return *provider;

    static JuceMidiDeviceProvider systemDevices;
    return systemDevices;
}

void MidiDeviceProvider::setCurrent (MidiDeviceProvider* provider)
{
    installedProvider.store (provider);
}
