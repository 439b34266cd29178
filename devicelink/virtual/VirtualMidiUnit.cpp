#include "devicelink/virtual/VirtualMidiUnit.h"

VirtualMidiUnit::~VirtualMidiUnit() = default;

void VirtualMidiUnit::setHostSender (std::function<void (const juce::MidiMessage&)> sender)
{
    const juce::ScopedLock sl (senderLock);
    hostSender = std::move (sender);
}

void VirtualMidiUnit::sendToHost (const juce::MidiMessage& message)
{
    // Held while sending so a detach cannot free the sender half-way through a call;
    // the sender only queues the message, so the lock is short.
    const juce::ScopedLock sl (senderLock);

    if (hostSender)
        hostSender (message);
}
