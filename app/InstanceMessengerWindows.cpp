#include "app/InstanceMessenger.h"

// On Windows the framework delivers its own notice to the running instance: a refused
// start broadcasts its command line to the program's windows, and the running
// instance's framework calls anotherInstanceStarted. Nothing is added here, so the
// running instance hears each start once.

/** All there is to know: whether listening was asked for. */
struct InstanceMessenger::Pimpl
{
    bool listening = false;
};

InstanceMessenger::InstanceMessenger (const juce::String&, Callback)
    : pimpl (std::make_unique<Pimpl>())
{
}

InstanceMessenger::~InstanceMessenger() = default;

bool InstanceMessenger::startListening()
{
    pimpl->listening = true;
    return true;
}

bool InstanceMessenger::isListening() const noexcept
{
    return pimpl->listening;
}

bool InstanceMessenger::notifyRunningInstance (const juce::String& applicationName, const juce::String&)
{
    // The framework's own lock: held while an instance of the program runs.
    juce::InterProcessLock lock ("juceAppLock_" + applicationName);

    if (lock.enter (0))
    {
        lock.exit();
        return false;
    }

    return true;
}

juce::String InstanceMessenger::getSocketPath (const juce::String&)
{
    return {};
}
