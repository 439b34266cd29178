#include "support/SysExTestMessages.h"

namespace SysExTestMessages
{

juce::MidiMessage fromBytes (const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return {};

    return juce::MidiMessage (bytes.data(), (int) bytes.size(), 0.0);
}

juce::MidiMessage framed (uint8_t model, uint8_t function, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> bytes;
    bytes.reserve (payload.size() + 8);

    for (auto b : { (uint8_t) 0xF0, (uint8_t) 0x00, (uint8_t) 0x6B, (uint8_t) 0x2E, model, function })
        bytes.push_back (b);

    for (auto b : payload)
        bytes.push_back (b);

    uint8_t sum = 0;

    for (auto b : bytes)
        sum ^= b;

    bytes.push_back ((uint8_t) (sum & 0x7F));
    bytes.push_back (0xF7);
    return fromBytes (bytes);
}

std::vector<uint8_t> bytesOf (const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    return { data, data + message.getRawDataSize() };
}

std::vector<uint8_t> payloadOf (const juce::MidiMessage& message)
{
    const auto bytes = bytesOf (message);

    if (bytes.size() < 8)
        return {};

    return { bytes.begin() + 6, bytes.end() - 2 };
}

}
