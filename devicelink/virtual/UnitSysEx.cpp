#include "devicelink/virtual/UnitSysEx.h"

//==============================================================================
UnitSysEx::Payload& UnitSysEx::Payload::add (uint32_t value, int groups)
{
    for (int i = 0; i < groups; ++i)
        bytes.push_back ((uint8_t) ((i * 7 < 32 ? (value >> (i * 7)) : 0u) & 0x7F));

    return *this;
}

UnitSysEx::Payload& UnitSysEx::Payload::addHighFirst14 (uint32_t value)
{
    bytes.push_back ((uint8_t) ((value >> 7) & 0x7F));
    bytes.push_back ((uint8_t) (value & 0x7F));
    return *this;
}

//==============================================================================
juce::MidiMessage UnitSysEx::makeMessage (uint8_t model, uint8_t function, const Payload& payload)
{
    const auto& body = payload.getBytes();
    std::vector<uint8_t> bytes { 0xF0, manufacturerId[0], manufacturerId[1], manufacturerId[2], model, function };
    bytes.insert (bytes.end(), body.begin(), body.end());
    bytes.push_back (SysExMessage::checksum (bytes.data(), (int) bytes.size()));
    bytes.push_back (0xF7);
    return juce::MidiMessage (bytes.data(), (int) bytes.size(), 0.0);
}

juce::MidiMessage UnitSysEx::makeStatus (uint8_t model, uint8_t functionAnswered, uint8_t result)
{
    Payload payload;
    payload.add (functionAnswered, 1).add (result, 1);
    return makeMessage (model, statusFunction, payload);
}

juce::MidiMessage UnitSysEx::withBadChecksum (const juce::MidiMessage& message)
{
    const auto size = message.getRawDataSize();

    if (size < 8)
        return message;

    std::vector<uint8_t> bytes (message.getRawData(), message.getRawData() + size);
    bytes[(size_t) size - 2] = (uint8_t) ((bytes[(size_t) size - 2] ^ 0x01) & 0x7F);
    return juce::MidiMessage (bytes.data(), size, 0.0);
}

bool UnitSysEx::hasMakerHeader (const juce::MidiMessage& message) noexcept
{
    const auto* data = message.getRawData();
    return message.getRawDataSize() >= 6
        && data[0] == 0xF0
        && data[1] == manufacturerId[0]
        && data[2] == manufacturerId[1]
        && data[3] == manufacturerId[2];
}
