#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include "devicelink/virtual/VirtualMidiPort.h"

#include <algorithm>

VirtualMidiDeviceProvider::VirtualMidiDeviceProvider() = default;

VirtualMidiDeviceProvider::~VirtualMidiDeviceProvider()
{
    std::vector<std::shared_ptr<VirtualMidiPort>> leaving;

    {
        const juce::ScopedLock sl (pairsLock);
        leaving.swap (pairs);
    }

    // Outside the lock: a unit still busy with a message may call back into the
    // provider (to unplug itself, say) before its thread can end.
    for (auto& pair : leaving)
        pair->shutDown();
}

//==============================================================================
VirtualMidiUnit& VirtualMidiDeviceProvider::attachUnit (std::unique_ptr<VirtualMidiUnit> unit)
{
    jassert (unit != nullptr);
    auto& unitRef = *unit;
    auto pair = std::make_shared<VirtualMidiPort> (unitRef.getPortName(), pacing.load());
    pair->setUnit (unitRef, std::move (unit));

    const juce::ScopedLock sl (pairsLock);
    pairs.push_back (std::move (pair));
    return unitRef;
}

void VirtualMidiDeviceProvider::addUnit (VirtualMidiUnit& unit)
{
    auto pair = std::make_shared<VirtualMidiPort> (unit.getPortName(), pacing.load());
    pair->setUnit (unit, nullptr);

    const juce::ScopedLock sl (pairsLock);
    pairs.push_back (std::move (pair));
}

void VirtualMidiDeviceProvider::addPort (const juce::String& portName)
{
    auto pair = std::make_shared<VirtualMidiPort> (portName, pacing.load());

    const juce::ScopedLock sl (pairsLock);
    pairs.push_back (std::move (pair));
}

bool VirtualMidiDeviceProvider::detach (const juce::String& portName)
{
    std::shared_ptr<VirtualMidiPort> pair;

    {
        const juce::ScopedLock sl (pairsLock);
        const auto found = std::find_if (pairs.begin(), pairs.end(),
                                         [&] (const auto& p) { return p->getName() == portName; });

        if (found == pairs.end())
            return false;

        pair = *found;
        pairs.erase (found);
    }

    // Outside the lock: this waits for a call into the unit to return.
    pair->shutDown();
    return true;
}

//==============================================================================
bool VirtualMidiDeviceProvider::unplug (const juce::String& portName)
{
    if (auto pair = findPair (portName))
    {
        pair->unplug();
        return true;
    }

    return false;
}

bool VirtualMidiDeviceProvider::replug (const juce::String& portName)
{
    if (auto pair = findPair (portName))
    {
        pair->replug();
        return true;
    }

    return false;
}

void VirtualMidiDeviceProvider::setOpenFails (const juce::String& portName, bool shouldFail)
{
    if (auto pair = findPair (portName))
        pair->setOpenFails (shouldFail);
}

void VirtualMidiDeviceProvider::setWireSpeedPacing (bool shouldPace)
{
    const juce::ScopedLock sl (pairsLock);
    pacing.store (shouldPace);

    for (auto& pair : pairs)
        pair->setPacing (shouldPace);
}

bool VirtualMidiDeviceProvider::waitUntilIdle (int timeoutMs) const
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    for (;;)
    {
        bool idle = true;

        {
            const juce::ScopedLock sl (pairsLock);

            for (auto& pair : pairs)
                idle = idle && pair->isIdle();
        }

        if (idle)
            return true;

        if ((int) (deadline - juce::Time::getMillisecondCounter()) <= 0)
            return false;

        juce::Thread::sleep (1);
    }
}

//==============================================================================
juce::StringArray VirtualMidiDeviceProvider::getInputDeviceNames()
{
    return pluggedNames();
}

juce::StringArray VirtualMidiDeviceProvider::getOutputDeviceNames()
{
    return pluggedNames();
}

std::unique_ptr<MidiDeviceProvider::Input> VirtualMidiDeviceProvider::openInput (int index, juce::MidiInputCallback& callback)
{
    if (auto pair = pluggedPairAt (index))
        return pair->openInput (callback);

    return nullptr;
}

std::unique_ptr<MidiDeviceProvider::Output> VirtualMidiDeviceProvider::openOutput (int index)
{
    if (auto pair = pluggedPairAt (index))
        return pair->openOutput();

    return nullptr;
}

//==============================================================================
std::shared_ptr<VirtualMidiPort> VirtualMidiDeviceProvider::findPair (const juce::String& portName) const
{
    const juce::ScopedLock sl (pairsLock);

    for (auto& pair : pairs)
        if (pair->getName() == portName)
            return pair;

    return nullptr;
}

std::shared_ptr<VirtualMidiPort> VirtualMidiDeviceProvider::pluggedPairAt (int index) const
{
    const juce::ScopedLock sl (pairsLock);

    for (auto& pair : pairs)
        if (pair->isPlugged() && index-- == 0)
            return pair;

    return nullptr;
}

juce::StringArray VirtualMidiDeviceProvider::pluggedNames() const
{
    const juce::ScopedLock sl (pairsLock);
    juce::StringArray names;

    for (auto& pair : pairs)
        if (pair->isPlugged())
            names.add (pair->getName());

    return names;
}
