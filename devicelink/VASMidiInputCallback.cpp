#include "devicelink/VASMidiInputCallback.h"

#include "devicelink/VASMidiPorts.h"

VASMidiInputCallback::~VASMidiInputCallback() = default;

void VASMidiInputCallback::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    owner.appendReceivedMessage (message);
}
