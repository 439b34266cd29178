#include "support/UnitDumpMessages.h"

#include "support/TestDumps.h"

namespace UnitDumpMessages
{

std::vector<uint8_t> septets (uint32_t value, int groups)
{
    TestDumps::Bytes bytes;
    TestDumps::appendSeptets (bytes, value, groups);
    return bytes;
}

uint32_t readGroups (const juce::MidiMessage& message, int offset, int groups)
{
    if (offset < 0 || offset + groups > message.getRawDataSize())
        return 0;

    uint32_t value = 0;

    for (int i = 0; i < groups && i * 7 < 32; ++i)
        value |= (uint32_t) (message.getRawData()[offset + i] & 0x7F) << (i * 7);

    return value;
}

std::vector<juce::MidiMessage> messagesOf (const std::vector<uint8_t>& bytes)
{
    std::vector<juce::MidiMessage> messages;
    size_t start = 0;

    for (size_t i = 0; i < bytes.size(); ++i)
    {
        if (bytes[i] == 0xF7)
        {
            messages.emplace_back (bytes.data() + start, (int) (i + 1 - start), 0.0);
            start = i + 1;
        }
    }

    return messages;
}

std::vector<uint16_t> presetWordsOf (const std::vector<juce::MidiMessage>& messages)
{
    std::vector<uint16_t> words;

    for (const auto& message : messages)
        if (message.getRawDataSize() == 202 && message.getRawData()[5] == 0x78)
            for (int i = 0; i < (int) readGroups (message, 6, 2) && i < 64; ++i)
                words.push_back ((uint16_t) readGroups (message, 8 + 3 * i, 3));

    return words;
}

std::vector<uint32_t> cabWordsOf (const std::vector<juce::MidiMessage>& messages)
{
    std::vector<uint32_t> words;

    for (const auto& message : messages)
        if (message.getRawDataSize() == 170 && message.getRawData()[5] == 0x7B)
            for (int i = 0; i < (int) readGroups (message, 6, 2) && i < 32; ++i)
                words.push_back (readGroups (message, 8 + 5 * i, 5));

    return words;
}

juce::MemoryBlock bytesOfWords (const std::vector<uint16_t>& words)
{
    juce::MemoryBlock bytes (words.size() * 2, true);

    for (size_t i = 0; i < words.size(); ++i)
    {
        bytes[2 * i] = (char) (words[i] & 0xFF);
        bytes[2 * i + 1] = (char) (words[i] >> 8);
    }

    return bytes;
}

juce::MemoryBlock joined (const std::vector<juce::MidiMessage>& messages)
{
    // Streamed, not appended message by message: a bank is thousands of messages.
    juce::MemoryOutputStream out;

    for (const auto& message : messages)
        out.write (message.getRawData(), (size_t) message.getRawDataSize());

    return out.getMemoryBlock();
}

bool isStatus (const juce::MidiMessage& message, uint8_t function, uint8_t result)
{
    const auto* data = message.getRawData();
    return message.getRawDataSize() == 10 && data[0] == 0xF0 && data[5] == 0x64
        && data[6] == function && data[7] == result;
}

}
