#pragma once

#include "devicelink/SysExMessage.h"
#include "devicelink/virtual/VirtualMidiUnit.h"

#include <vector>

//==============================================================================
/**
    An emulated Stompra foot controller, Classic (model 2) or Neo (model 4), behind
    a port pair of its own ("STOMPRA CLASSIC MIDI" or "STOMPRA NEO MIDI").

    The Stompra never answers: it takes firmware messages (0x7D-0x7F) and restore
    data (a backup, 0x75 messages) silently and keeps them. Its dump cannot be
    requested either; sendDump() stands in for the user starting the dump on the
    unit, which then sends SysEx sections mixed with ordinary (non-SysEx) messages.

    Messages arrive on the port's delivery thread; the accessors and sendDump() may
    be called from any other thread.
*/
class StompraUnit : public VirtualMidiUnit
{
public:
    /** The port pair name of a Stompra of that model. */
    static juce::String defaultPortName (DeviceModel model);

    /** Model 2 (Classic) or 4 (Neo); any other model is taken as 2. */
    explicit StompraUnit (DeviceModel model);
    StompraUnit (DeviceModel model, const juce::String& portName);
    ~StompraUnit() override;

    //==============================================================================
    juce::String getPortName() const override;
    void handleMessageFromHost (const juce::MidiMessage& message) override;

    DeviceModel getModel() const noexcept { return model; }

    //==============================================================================
    /** Sends the whole dump to the host, as pressing ENTER on "Sysex Data DUMP!" does. */
    void sendDump();

    /** The messages sendDump() sends, in order; the same every time for a model. */
    std::vector<juce::MidiMessage> makeDump() const;

    /** The raw bytes of makeDump() back to back, as a recording of it holds them. */
    juce::MemoryBlock makeDumpBytes() const;

    //==============================================================================
    /** Raw bytes of every firmware message received (model byte matching the unit). */
    juce::MemoryBlock getReceivedFirmware() const;

    /** Raw bytes of every restore message received (starting 0x75 for this model). */
    juce::MemoryBlock getReceivedRestore() const;

    int getNumReceivedMessages() const;

private:
    const DeviceModel model;
    const juce::String portName;

    mutable juce::CriticalSection stateLock;
    juce::MemoryBlock firmwareReceived, restoreReceived;
    int receivedCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StompraUnit)
};
