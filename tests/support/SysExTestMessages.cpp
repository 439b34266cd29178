#include "support/SysExTestMessages.h"

#include "support/TestDumps.h"

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
    return fromBytes (TestDumps::message (model, function, payload));
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
