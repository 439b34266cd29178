#include "devicelink/SysExMessage.h"

namespace SysExMessage
{

std::atomic<uint8_t> currentModel { DeviceModels::korrina };

namespace
{
    constexpr uint8_t manufacturerId[] { 0x00, 0x6B, 0x2E };

    /** Grows the block to at least `size` bytes, zero-filling what is new; false
        when the block still has no storage for them.
    */
    bool ensureStorage (juce::MemoryBlock& block, size_t size)
    {
        block.ensureSize (size, true);
        return block.getData() != nullptr && block.getSize() >= size;
    }

    /** XOR of `count` values: the frame checksum and both dump check values; 0 for
        no data.
    */
    template <typename Value>
    Value xorOf (const Value* values, int count) noexcept
    {
        Value result = 0;

        for (int i = 0; values != nullptr && i < count; ++i)
            result ^= values[i];

        return result;
    }
}

//==============================================================================
int writeHeader (juce::MemoryBlock& block, uint8_t function, uint8_t model)
{
    if (! ensureStorage (block, (size_t) headerSize))
        return 0;

    auto* bytes = static_cast<uint8_t*> (block.getData());
    bytes[0] = 0xF0;
    bytes[1] = manufacturerId[0];
    bytes[2] = manufacturerId[1];
    bytes[3] = manufacturerId[2];
    bytes[4] = model;
    bytes[5] = function;
    return headerSize;
}

int appendChecksum (juce::MemoryBlock& block, int length)
{
    if (length < 0 || ! ensureStorage (block, (size_t) length + 2))
        return 0;

    auto* bytes = static_cast<uint8_t*> (block.getData());
    bytes[length] = checksum (bytes, length);
    bytes[length + 1] = 0xF7;
    return length + 2;
}

int makeMessage (juce::MidiMessage& message, uint8_t function, const uint8_t* payload, int payloadLength)
{
    if (payloadLength < 0 || (payload == nullptr && payloadLength > 0))
        return 0;

    juce::MemoryBlock block;

    if (! ensureStorage (block, (size_t) payloadLength + frameOverhead))
        return 0;

    if (writeHeader (block, function, currentModel.load()) != headerSize)
        return 0;

    if (payloadLength > 0)
        block.copyFrom (payload, headerSize, (size_t) payloadLength);

    const auto length = appendChecksum (block, headerSize + payloadLength);

    if (length == 0)
        return 0;

    // Copy-assigned on purpose: JUCE 7.0.5's move assignment leaks the old bytes of a
    // message longer than eight bytes.
    const juce::MidiMessage built (block.getData(), length, 0.0);
    message = built;
    return length;
}

uint8_t checksum (const uint8_t* data, int length) noexcept
{
    return (uint8_t) (xorOf (data, length) & 0x7F);
}

bool isChecksumValid (const juce::MidiMessage& message) noexcept
{
    const auto size = message.getRawDataSize();

    if (size < headerSize)
        return false;

    const auto* data = message.getRawData();
    return checksum (data, size - 2) == data[size - 2];
}

uint16_t xorWords16 (const uint16_t* words, int count) noexcept
{
    return xorOf (words, count);
}

uint32_t xorWords32 (const uint32_t* words, int count) noexcept
{
    return xorOf (words, count);
}

//==============================================================================
uint32_t readSeptets (const juce::MidiMessage& message, int offset, int groups) noexcept
{
    return readSeptets (message.getRawData(), message.getRawDataSize(), offset, groups);
}

uint32_t readSeptets (const uint8_t* data, int size, int offset, int groups) noexcept
{
    if (data == nullptr || groups < 1 || offset < 0 || (int64_t) offset + groups > (int64_t) size)
        return 0;

    uint32_t value = 0;

    for (int i = 0; i < groups && 7 * i < 32; ++i)
        value |= (uint32_t) (data[offset + i] & 0x7F) << (7 * i);

    return value;
}

void writeSeptets (juce::MemoryBlock& block, int offset, uint32_t value, int groups)
{
    if (offset < 0 || groups < 1 || ! ensureStorage (block, (size_t) offset + (size_t) groups))
        return;

    auto* bytes = static_cast<uint8_t*> (block.getData());

    for (int i = 0; i < groups; ++i)
        bytes[offset + i] = 7 * i < 32 ? (uint8_t) ((value >> (7 * i)) & 0x7F) : (uint8_t) 0;
}

//==============================================================================
namespace
{
    const SysExFieldRow* findRow (const SysExFieldTable& table, int fieldId) noexcept
    {
        for (auto* row = table.getRows(); row != nullptr && row->fieldId != -1; ++row)
            if (row->fieldId == fieldId)
                return row;

        return nullptr;
    }
}

int fieldOffset (const SysExFieldTable& table, int fieldId) noexcept
{
    if (fieldId == -1)
        return -1;

    const auto* row = findRow (table, fieldId);
    return row != nullptr ? row->byteOffset : -1;
}

int fieldSize (const SysExFieldTable& table, int fieldId) noexcept
{
    if (fieldId == -1)
        return -1;

    const auto* row = findRow (table, fieldId);
    return row != nullptr ? row->groupCount : -1;
}

int totalSize (const SysExFieldTable& table) noexcept
{
    int total = 0;

    for (auto* row = table.getRows(); row != nullptr && row->fieldId != -1; ++row)
        total += row->groupCount;

    return total;
}

juce::String getFunctionName (const CodeName* table, int code)
{
    if (code == -1)
        return {};

    for (auto* row = table; row != nullptr && row->code != -1; ++row)
        if (row->code == code)
            return juce::String (row->name);

    return {};
}

} // namespace SysExMessage

//==============================================================================
juce::String getApplicationFolder()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile)
               .getParentDirectory()
               .getFullPathName();
}
