#include "devicelink/virtual/StompraUnit.h"

#include "devicelink/virtual/UnitSysEx.h"

namespace
{
    constexpr uint8_t backupData = 0x75;
    constexpr uint8_t firmwareStart = 0x7D;
    constexpr uint8_t firmwareEnd = 0x7F;

    constexpr int sectionCount = 4;
    constexpr int messagesPerSection = 8;
    constexpr int bytesPerMessage = 32;

    DeviceModel stompraModel (DeviceModel model)
    {
        return model == DeviceModels::stompraNeo ? DeviceModels::stompraNeo : DeviceModels::stompraClassic;
    }
}

//==============================================================================
juce::String StompraUnit::defaultPortName (DeviceModel model)
{
    return stompraModel (model) == DeviceModels::stompraNeo ? "STOMPRA NEO MIDI" : "STOMPRA CLASSIC MIDI";
}

StompraUnit::StompraUnit (DeviceModel modelToEmulate)
    : StompraUnit (modelToEmulate, defaultPortName (modelToEmulate))
{
}

StompraUnit::StompraUnit (DeviceModel modelToEmulate, const juce::String& name)
    : model (stompraModel (modelToEmulate)), portName (name)
{
}

StompraUnit::~StompraUnit() = default;

juce::String StompraUnit::getPortName() const
{
    return portName;
}

//==============================================================================
void StompraUnit::handleMessageFromHost (const juce::MidiMessage& message)
{
    const juce::ScopedLock sl (stateLock);
    ++receivedCount;

    if (! UnitSysEx::hasMakerHeader (message) || message.getRawData()[4] != model)
        return;

    const auto* data = message.getRawData();
    const auto size = (size_t) message.getRawDataSize();
    const auto function = data[5];

    // The host sends a backup file cut at its SysEx headers, so ordinary messages
    // that followed a section in the file arrive inside the message before them and
    // are kept with it, as they came.
    if (function >= firmwareStart && function <= firmwareEnd)
        firmwareReceived.append (data, size);
    else if (function == backupData)
        restoreReceived.append (data, size);
}

//==============================================================================
std::vector<juce::MidiMessage> StompraUnit::makeDump() const
{
    std::vector<juce::MidiMessage> dump;
    juce::Random rng ((juce::int64) model * 104729 + 3);

    for (int section = 0; section < sectionCount; ++section)
    {
        for (int index = 0; index < messagesPerSection; ++index)
        {
            UnitSysEx::Payload payload;
            payload.add ((uint32_t) section, 1).add ((uint32_t) index, 2);

            for (int i = 0; i < bytesPerMessage; ++i)
                payload.add ((uint32_t) rng.nextInt (128), 1);

            dump.push_back (UnitSysEx::makeMessage (model, backupData, payload));
        }

        // Between sections the unit recalls the section's first preset and sets its
        // volume pedal, as it does while it walks its memory.
        dump.push_back (juce::MidiMessage::programChange (1, section));
        dump.push_back (juce::MidiMessage::controllerEvent (1, 7, 100 + section));
    }

    dump.push_back (juce::MidiMessage::midiClock());
    return dump;
}

juce::MemoryBlock StompraUnit::makeDumpBytes() const
{
    juce::MemoryBlock bytes;

    for (const auto& message : makeDump())
        bytes.append (message.getRawData(), (size_t) message.getRawDataSize());

    return bytes;
}

void StompraUnit::sendDump()
{
    for (const auto& message : makeDump())
        sendToHost (message);
}

//==============================================================================
juce::MemoryBlock StompraUnit::getReceivedFirmware() const
{
    const juce::ScopedLock sl (stateLock);
    return firmwareReceived;
}

juce::MemoryBlock StompraUnit::getReceivedRestore() const
{
    const juce::ScopedLock sl (stateLock);
    return restoreReceived;
}

int StompraUnit::getNumReceivedMessages() const
{
    const juce::ScopedLock sl (stateLock);
    return receivedCount;
}
