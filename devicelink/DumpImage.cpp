#include "devicelink/DumpImage.h"

#include "devicelink/SysExMessage.h"

#include <cstring>

//==============================================================================
/** The work buffers of the unpacking, made once for the process: the packed bytes one
    per entry, the unpacked symbols, and the code tree of the preset being unpacked.
    The lock makes conversions on different threads take turns.
*/
struct DumpImage::UnpackBuffers
{
    UnpackBuffers()
        : bits ((size_t) unpackBufferEntries, 0),
          symbols ((size_t) unpackBufferEntries, 0)
    {
    }

    void clear()
    {
        std::fill (bits.begin(), bits.end(), 0u);
        std::fill (symbols.begin(), symbols.end(), 0u);
    }

    std::vector<uint32_t> bits;
    std::vector<uint32_t> symbols;
    TreeNode nodes[maxTreeNodes];
    juce::CriticalSection lock;
};

DumpImage::UnpackBuffers& DumpImage::getUnpackBuffers()
{
    static UnpackBuffers buffers;
    return buffers;
}

namespace
{
    constexpr int headSize = 68;                // the 34 head words both editions keep
    constexpr size_t sharedSize = 2048;         // the section both editions keep
    constexpr size_t korrinaSharedStart = 2048;
    constexpr size_t grandSharedStart = 4096;
    constexpr int korrinaWords = 2048;
    constexpr size_t largestPresetSize = juce::jmax (DumpImage::korrinaPresetSize, DumpImage::grandPresetSize);

    uint16_t wordAt (const juce::MemoryBlock& block, size_t index) noexcept
    {
        const auto* bytes = static_cast<const uint8_t*> (block.getData());
        return (uint16_t) (bytes[2 * index] | (bytes[2 * index + 1] << 8));
    }
}

//==============================================================================
DumpImage::DumpImage()
{
    init();
}

DumpImage::~DumpImage() = default;

void DumpImage::init()
{
    reader.release();
    presetData.reset();
    convertedData.reset();
    sourceModel = 0;
    targetModel = 0;
    wordCount = 0;
    bank = 0;
    preset = 0;
    errorKind = noError;
    errorStage = singleMessage;
    dataMessageCount = 0;
}

void DumpImage::release()
{
    presetData.reset();
    convertedData.reset();
    reader.release();
}

void DumpImage::setError (ErrorKind kind, ErrorStage stage) noexcept
{
    errorKind = kind;
    errorStage = stage;
}

//==============================================================================
bool DumpImage::readBit (const UnpackBuffers& buffers, BitCursor& cursor, int& bit) noexcept
{
    if (cursor.entry < 0 || cursor.entry >= unpackBufferEntries)
        return false;

    bit = (int) ((buffers.bits[(size_t) cursor.entry] >> (7 - cursor.bit)) & 1u);

    if (++cursor.bit == 8)
    {
        cursor.bit = 0;
        ++cursor.entry;
    }

    return true;
}

bool DumpImage::readBits8 (const UnpackBuffers& buffers, BitCursor& cursor, int& value) noexcept
{
    value = 0;

    for (int i = 0; i < 8; ++i)
    {
        int bit = 0;

        if (! readBit (buffers, cursor, bit))
            return false;

        value = (value << 1) | bit;
    }

    return true;
}

int DumpImage::readBitTree (UnpackBuffers& buffers, BitCursor& cursor, int& nodeCount)
{
    // The node limit also bounds the depth of the recursion.
    if (nodeCount >= maxTreeNodes)
        return -1;

    const auto index = nodeCount++;
    auto& node = buffers.nodes[index];
    node = TreeNode();

    int bit = 0;

    if (! readBit (buffers, cursor, bit))
        return -1;

    if (bit == 1)
    {
        int value = 0;

        if (! readBits8 (buffers, cursor, value))
            return -1;

        node.value = value;
        return index;
    }

    const auto first = readBitTree (buffers, cursor, nodeCount);

    if (first < 0)
        return -1;

    const auto second = readBitTree (buffers, cursor, nodeCount);

    if (second < 0)
        return -1;

    node.first = (int16_t) first;
    node.second = (int16_t) second;
    return index;
}

bool DumpImage::decodeBitStream (UnpackBuffers& buffers)
{
    BitCursor cursor;
    int nodeCount = 0;
    const auto root = readBitTree (buffers, cursor, nodeCount);

    if (root < 0)
        return false;

    for (int symbol = 0; symbol < packedSymbolCount; ++symbol)
    {
        auto index = root;

        while (buffers.nodes[index].value < 0)
        {
            int bit = 0;

            if (! readBit (buffers, cursor, bit))
                return false;

            index = bit == 1 ? buffers.nodes[index].second : buffers.nodes[index].first;
        }

        buffers.symbols[(size_t) symbol] = (uint32_t) buffers.nodes[index].value;
    }

    return true;
}

//==============================================================================
bool DumpImage::convertPatchToModel6()
{
    auto& buffers = getUnpackBuffers();
    const juce::ScopedLock sl (buffers.lock);

    buffers.clear();

    if (sourceModel == 6)
    {
        convertedData = presetData;
        targetModel = 6;
        return true;
    }

    if (sourceModel != 3)
    {
        setError (wrongModel, wholePreset);
        return false;
    }

    if (presetData.getSize() != korrinaPresetSize)
    {
        setError (wrongSize, wholePreset);
        return false;
    }

    const auto packedLength = wordAt (presetData, 1);
    juce::MemoryBlock unpacked;

    if (packedLength == 0)
    {
        unpacked = presetData;
    }
    else
    {
        const auto streamWords = (packedLength >> 1) + 1;

        if (headSize / 2 + streamWords > korrinaWords)
        {
            setError (badPackedStream, wholePreset);
            return false;
        }

        for (int i = 0; i < streamWords; ++i)
        {
            const auto word = wordAt (presetData, (size_t) (headSize / 2 + i));
            buffers.bits[(size_t) (2 * i)] = word & 0xFFu;
            buffers.bits[(size_t) (2 * i + 1)] = (uint32_t) (word >> 8);
        }

        // A tree of more nodes than there is room for, or codes that run past the bit
        // buffer, cannot come from a real unit: the preset is refused, nothing is read
        // or written out of bounds.
        if (! decodeBitStream (buffers))
        {
            setError (badPackedStream, wholePreset);
            return false;
        }

        unpacked.setSize (grandPresetSize, true);
        auto* bytes = static_cast<uint8_t*> (unpacked.getData());
        std::memcpy (bytes, presetData.getData(), (size_t) headSize);

        for (int j = 0; j < packedSymbolCount; ++j)
            bytes[headSize + j] = (uint8_t) (buffers.symbols[(size_t) j] & 0xFF);
    }

    convertedData.setSize (grandPresetSize);
    convertedData.fillWith (0);
    convertedData.copyFrom (unpacked.getData(), 0, juce::jmin (unpacked.getSize(), grandPresetSize));
    convertedData.copyFrom (static_cast<const uint8_t*> (presetData.getData()) + korrinaSharedStart,
                            (int) grandSharedStart, sharedSize);
    targetModel = 6;
    return true;
}

bool DumpImage::convertPatchToModel3()
{
    if (sourceModel == 3)
    {
        convertedData = presetData;
        targetModel = 3;
        return true;
    }

    if (sourceModel != 6)
    {
        setError (wrongModel, wholePreset);
        return false;
    }

    if (presetData.getSize() != grandPresetSize)
    {
        setError (wrongSize, wholePreset);
        return false;
    }

    const auto* bytes = static_cast<const uint8_t*> (presetData.getData());
    convertedData.replaceAll (bytes, korrinaSharedStart);
    convertedData.append (bytes + grandSharedStart, sharedSize);
    targetModel = 3;
    return true;
}

//==============================================================================
std::vector<juce::MemoryBlock> DumpImage::splitPatches (uint8_t model, const uint8_t* data, size_t size)
{
    std::vector<juce::MemoryBlock> blocks;

    if (data == nullptr || size == 0)
        return blocks;

    const uint8_t pattern[] = { 0xF0, 0x00, 0x6B, 0x2E, model, 0x77 };
    size_t blockStart = 0;
    size_t searchFrom = 0;

    while (searchFrom < size)
    {
        const auto found = findSysExHeader (pattern, data + searchFrom, size - searchFrom);

        if (found < 0)
            break;

        const auto header = searchFrom + (size_t) found;

        if (header > blockStart)
        {
            blocks.emplace_back (data + blockStart, header - blockStart);
            blockStart = header;
        }

        searchFrom = header + sizeof (pattern);
    }

    if (blockStart < size)
        blocks.emplace_back (data + blockStart, size - blockStart);

    return blocks;
}

int64_t findSysExHeader (const uint8_t* pattern, const uint8_t* data, size_t size)
{
    constexpr int patternSize = 6;

    if (pattern == nullptr || data == nullptr)
        return -1;

    int failure[patternSize] = { 0 };

    for (int i = 1, k = 0; i < patternSize;)
    {
        if (pattern[i] == pattern[k])
        {
            failure[i++] = ++k;
        }
        else if (k > 0)
        {
            k = failure[k - 1];
        }
        else
        {
            failure[i++] = 0;
        }
    }

    size_t position = 0;
    int j = 0;

    while (position < size)
    {
        if (data[position] == pattern[j])
        {
            if (j == patternSize - 1)
                return (int64_t) position - (patternSize - 1);

            ++position;
            ++j;
        }
        else if (j > 0)
        {
            j = failure[j - 1];
        }
        else
        {
            ++position;
        }
    }

    return -1;
}

//==============================================================================
DumpImage::ModelScope::ModelScope (uint8_t model)
    : previous (SysExMessage::currentModel.exchange (model))
{
}

DumpImage::ModelScope::~ModelScope()
{
    SysExMessage::currentModel.store (previous);
}

//==============================================================================
bool DumpImage::parsePatch (const uint8_t* data, size_t size, uint8_t model)
{
    presetData.reset();
    convertedData.reset();
    targetModel = 0;
    bank = 0;
    preset = 0;
    wordCount = 0;
    errorKind = noError;
    errorStage = singleMessage;
    dataMessageCount = 0;
    sourceModel = model;

    if (data == nullptr)
        return false;

    if (size == 0)
    {
        setError (noData, singleMessage);
        return false;
    }

    reader.init (data, size, model);

    bool startSeen = false;
    bool endSeen = false;
    const uint8_t* message = nullptr;
    size_t messageSize = 0;

    while (errorKind == noError && reader.next (message, messageSize))
        handlePatchMessage (message, messageSize, startSeen, endSeen);

    // The first error is the one reported, even when it came before any words.
    if (errorKind != noError)
        return false;

    if (presetData.getSize() == 0)
    {
        setError (wrongModel, singleMessage);
        return false;
    }

    return true;
}

void DumpImage::handlePatchMessage (const uint8_t* bytes, size_t size, bool& startSeen, bool& endSeen)
{
    if (bytes == nullptr || size == 0)
        return setError (noData, singleMessage);

    if (size < (size_t) SysExMessage::headerSize)
        return setError (badMessage, singleMessage);

    if (SysExMessage::checksum (bytes, (int) size - 2) != bytes[size - 2])
        return setError (badChecksum, singleMessage);

    if (bytes[4] != sourceModel)
        return setError (wrongModel, singleMessage);

    const juce::MidiMessage message (bytes, (int) size, 0.0);

    switch (bytes[5])
    {
        case SysExFunction::patchStart:
        {
            if (startSeen)
                return setError (badMessage, patchStart);

            PatchHeader header;

            if (! SysExMessage::parsePatchStart (message, header))
                return setError (badField, patchStart);

            startSeen = true;
            bank = header.bank;
            preset = header.preset;
            wordCount = header.wordCount;
            return;
        }

        case SysExFunction::patchData:
        {
            ++dataMessageCount;
            PatchDataBlock block;

            if (! SysExMessage::parsePatchData (message, block))
                return setError (badField, patchData);

            uint8_t wordBytes[2 * PatchDataBlock::maxWords];

            // Words past the largest preset are refused as soon as they come: the block
            // grows one message at a time, and a long file of nothing but data messages
            // would otherwise be copied over again and again as it grows.
            if (presetData.getSize() + sizeof (wordBytes) > largestPresetSize)
                return setError (wrongSize, patchData);

            for (size_t i = 0; i < (size_t) PatchDataBlock::maxWords; ++i)
            {
                wordBytes[2 * i]     = (uint8_t) (block.words[i] & 0xFF);
                wordBytes[2 * i + 1] = (uint8_t) ((block.words[i] >> 8) & 0xFF);
            }

            presetData.append (wordBytes, sizeof (wordBytes));
            return;
        }

        case SysExFunction::patchEnd:
        {
            if (endSeen)
                return setError (badMessage, patchEnd);

            SingleNumber end;

            if (! SysExMessage::parsePatchEnd (message, end))
                return setError (badField, patchEnd);

            endSeen = true;
            const auto wordsRead = presetData.getSize() / 2;

            // A dump without PATCH_START is taken as it is: there is no count to hold
            // its words to, only their XOR.
            if (startSeen && wordsRead != wordCount)
                return setError (wrongWordCount, wholePreset);

            std::vector<uint16_t> words (wordsRead);

            for (size_t i = 0; i < wordsRead; ++i)
                words[i] = wordAt (presetData, i);

            if (SysExMessage::xorWords16 (words.data(), (int) wordsRead) != (uint16_t) (end.value & 0xFFFF))
                return setError (badChecksum, wholePreset);

            return;
        }

        default:
            return setError (badMessage, singleMessage);
    }
}

//==============================================================================
bool DumpImage::buildPatchMessages (juce::MemoryBlock& output)
{
    const auto words = convertedData.getSize() / 2;

    if (words == 0)
        return false;

    // PATCH_START carries the word count in two groups: a larger preset would go out
    // with a count that disagrees with its data, so it is refused instead.
    if (words > 0x3FFF)
    {
        setError (badField, patchStart);
        return false;
    }

    const ModelScope modelScope (targetModel);
    juce::MidiMessage message;

    // The dump is put together on its own and appended in one step: a bank is 128 of
    // these calls into one block, and growing that block by one message at a time
    // copied the whole bank over for every message where the allocator cannot grow
    // it in place.
    juce::MemoryOutputStream out;

    if (! SysExMessage::buildPatchStart (message, { bank, preset, (uint32_t) words }))
    {
        setError (badField, patchStart);
        return false;
    }

    out.write (message.getRawData(), (size_t) message.getRawDataSize());

    std::vector<uint16_t> allWords (words);

    for (size_t i = 0; i < words; ++i)
        allWords[i] = wordAt (convertedData, i);

    for (size_t offset = 0; offset < words; offset += PatchDataBlock::maxWords)
    {
        PatchDataBlock block;
        block.count = (uint32_t) juce::jmin ((size_t) PatchDataBlock::maxWords, words - offset);

        for (size_t i = 0; i < block.count; ++i)
            block.words[i] = allWords[offset + i];

        if (! SysExMessage::buildPatchData (message, block))
        {
            setError (badField, patchData);
            return false;
        }

        out.write (message.getRawData(), (size_t) message.getRawDataSize());
    }

    if (! SysExMessage::buildPatchEnd (message, { SysExMessage::xorWords16 (allWords.data(), (int) words) }))
    {
        setError (badField, patchEnd);
        return false;
    }

    out.write (message.getRawData(), (size_t) message.getRawDataSize());
    output.append (out.getData(), out.getDataSize());
    return true;
}
