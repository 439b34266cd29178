#include "devicelink/SysExStreamReader.h"

#include <cstring>

//==============================================================================
bool SysExStreamReader::init (const void* newData, size_t size, uint8_t newModel)
{
    if (newData == nullptr || size == 0)
        return false;

    const uint8_t header[] = { 0xF0, 0x00, 0x6B, 0x2E, newModel };

    if (newModel == bootRomModel)
    {
        pattern[0] = 0xF0;
        patternLength = 1;
    }
    else
    {
        std::memcpy (pattern, header, sizeof (header));
        patternLength = sizeof (header);
    }

    data.replaceAll (newData, size);

    messageCount = 0;

    for (size_t offset = 0; offset < size;)
    {
        if (patternAt (offset))
        {
            ++messageCount;
            offset += patternLength;
        }
        else
        {
            ++offset;
        }
    }

    position = 0;
    model = newModel;
    return true;
}

void SysExStreamReader::release()
{
    data.reset();
    messageCount = 0;
    position = 0;
}

//==============================================================================
bool SysExStreamReader::patternAt (size_t offset) const noexcept
{
    const auto size = data.getSize();

    if (patternLength == 0 || offset >= size || size - offset < patternLength)
        return false;

    return std::memcmp (static_cast<const uint8_t*> (data.getData()) + offset, pattern, patternLength) == 0;
}

bool SysExStreamReader::next (const uint8_t*& messageStart, size_t& messageSize)
{
    const auto size = data.getSize();

    if (size == 0 || position >= size)
        return false;

    const auto* bytes = static_cast<const uint8_t*> (data.getData());

    // The start: the first whole header at or after the position. Every header begins
    // with F0, so memchr skips quickly over the bytes between headers.
    auto start = position;

    for (;;)
    {
        const auto* f0 = static_cast<const uint8_t*> (std::memchr (bytes + start, 0xF0, size - start));

        if (f0 == nullptr)
            return false;

        start = (size_t) (f0 - bytes);

        if (patternAt (start))
            break;

        ++start;
    }

    // The end: the last byte of the data, or an F7 directly followed by a whole header.
    auto end = size - 1;

    for (auto offset = start + patternLength; offset < size; ++offset)
    {
        const auto* f7 = static_cast<const uint8_t*> (std::memchr (bytes + offset, 0xF7, size - offset));

        if (f7 == nullptr)
            break;

        offset = (size_t) (f7 - bytes);

        if (offset == size - 1 || patternAt (offset + 1))
        {
            end = offset;
            break;
        }
    }

    messageStart = bytes + start;
    messageSize = end - start + 1;
    position = end + 1;
    return true;
}

bool SysExStreamReader::next (juce::MidiMessage& message)
{
    const uint8_t* start = nullptr;
    size_t size = 0;

    if (! next (start, size))
        return false;

    // Every message starts with F0, which the framework takes with any length. The copy
    // assignment is deliberate: JUCE 7's move assignment drops the storage the target
    // message already holds, which leaks when the caller reuses one message.
    const juce::MidiMessage built (start, (int) size, 0.0);
    message = built;
    return true;
}
