#include "devicelink/virtual/PackedPatchEncoder.h"

#include <array>
#include <queue>

namespace
{
    //==============================================================================
    /** Appends bits to a byte block, each byte filled from its most significant bit. */
    class BitWriter
    {
    public:
        void writeBit (int bit)
        {
            if (bitIndex == 0)
                bytes.push_back (0);

            if (bit != 0)
                bytes.back() = (uint8_t) (bytes.back() | (0x80u >> bitIndex));

            bitIndex = (bitIndex + 1) & 7;
        }

        void writeByte (uint8_t value)
        {
            for (int i = 7; i >= 0; --i)
                writeBit ((value >> i) & 1);
        }

        std::vector<uint8_t> bytes;

    private:
        int bitIndex = 0;
    };

    //==============================================================================
    struct CodeNode
    {
        int first = -1;
        int second = -1;
        int value = -1;
    };

    /** Builds a Huffman tree over the symbol counts; returns the root's index in nodes.
        Ties are broken by creation order, so the same input always gives the same tree.
    */
    int buildTree (const std::array<uint32_t, 256>& counts, std::vector<CodeNode>& nodes)
    {
        using Entry = std::pair<uint64_t, int>; // (weight, node index): lower sorts first
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;

        for (int value = 0; value < 256; ++value)
        {
            if (counts[(size_t) value] > 0)
            {
                nodes.push_back ({ -1, -1, value });
                queue.push ({ counts[(size_t) value], (int) nodes.size() - 1 });
            }
        }

        if (queue.empty())
        {
            nodes.push_back ({ -1, -1, 0 });
            return 0;
        }

        while (queue.size() > 1)
        {
            const auto a = queue.top(); queue.pop();
            const auto b = queue.top(); queue.pop();
            nodes.push_back ({ a.second, b.second, -1 });
            queue.push ({ a.first + b.first, (int) nodes.size() - 1 });
        }

        return queue.top().second;
    }

    void writeTree (const std::vector<CodeNode>& nodes, int index, BitWriter& writer)
    {
        const auto& node = nodes[(size_t) index];

        if (node.value >= 0)
        {
            writer.writeBit (1);
            writer.writeByte ((uint8_t) node.value);
            return;
        }

        writer.writeBit (0);
        writeTree (nodes, node.first, writer);
        writeTree (nodes, node.second, writer);
    }

    void collectCodes (const std::vector<CodeNode>& nodes, int index, std::vector<int>& path,
                       std::array<std::vector<int>, 256>& codes)
    {
        const auto& node = nodes[(size_t) index];

        if (node.value >= 0)
        {
            codes[(size_t) node.value] = path;
            return;
        }

        path.push_back (0);
        collectCodes (nodes, node.first, path, codes);
        path.back() = 1;
        collectCodes (nodes, node.second, path, codes);
        path.pop_back();
    }
}

//==============================================================================
juce::MemoryBlock PackedPatchEncoder::encodeStream (const uint8_t* symbols, int count)
{
    std::array<uint32_t, 256> counts {};

    for (int i = 0; symbols != nullptr && i < count; ++i)
        ++counts[symbols[i]];

    std::vector<CodeNode> nodes;
    nodes.reserve (512);
    const auto root = buildTree (counts, nodes);

    BitWriter writer;
    writeTree (nodes, root, writer);

    // A tree of one leaf needs no code bits: the reader takes its value for every symbol.
    if (nodes[(size_t) root].value < 0)
    {
        std::array<std::vector<int>, 256> codes;
        std::vector<int> path;
        collectCodes (nodes, root, path, codes);

        for (int i = 0; i < count; ++i)
            for (auto bit : codes[symbols[i]])
                writer.writeBit (bit);
    }

    return juce::MemoryBlock (writer.bytes.data(), writer.bytes.size());
}

bool PackedPatchEncoder::packPreset (const uint16_t* grandWords, int numWords, std::vector<uint16_t>& korrinaWords)
{
    constexpr int grandWordCount = 4096;
    constexpr int korrinaWordCount = 2048;
    constexpr size_t grandSharedStart = 4096;     // the section both editions keep, in a Grand preset
    constexpr size_t korrinaSharedStart = 2048;   // the same section in a Korrina preset
    constexpr size_t sharedSize = 2048;

    if (grandWords == nullptr || numWords != grandWordCount)
        return false;

    std::vector<uint8_t> grandBytes ((size_t) grandWordCount * 2);

    for (size_t i = 0; i < (size_t) grandWordCount; ++i)
    {
        grandBytes[2 * i]     = (uint8_t) (grandWords[i] & 0xFF);
        grandBytes[2 * i + 1] = (uint8_t) (grandWords[i] >> 8);
    }

    const auto stream = encodeStream (grandBytes.data() + streamOffset, symbolCount);

    if (stream.getSize() > (size_t) maxStreamSize)
        return false;

    std::vector<uint8_t> korrinaBytes ((size_t) korrinaWordCount * 2, 0);
    std::copy (grandBytes.begin(), grandBytes.begin() + streamOffset, korrinaBytes.begin());
    std::copy (stream.begin(), stream.end(), korrinaBytes.begin() + streamOffset);
    std::copy (grandBytes.begin() + grandSharedStart, grandBytes.begin() + grandSharedStart + sharedSize,
               korrinaBytes.begin() + korrinaSharedStart);

    std::vector<uint16_t> result ((size_t) korrinaWordCount);

    for (size_t i = 0; i < result.size(); ++i)
        result[i] = (uint16_t) (korrinaBytes[2 * i] | (korrinaBytes[2 * i + 1] << 8));

    result[1] = (uint16_t) stream.getSize();
    korrinaWords = std::move (result);
    return true;
}
