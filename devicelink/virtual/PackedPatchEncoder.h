#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <vector>

//==============================================================================
/**
    Writes the packed form a Korrina keeps the first half of some presets in, the
    exact inverse of the unpacking that DumpImage::convertPatchToModel6 does.

    The packed stream is a code tree followed by one code per symbol. The tree is
    written in pre-order: an inner node is the bit 0 followed by its first and then
    its second child, a leaf is the bit 1 followed by its 8-bit value. A symbol is the
    path from the root to its leaf, 0 for the first child and 1 for the second. Bits
    fill each byte from the most significant bit down. The codes are Huffman codes,
    so a preset that is mostly zeros (as real presets are) packs small.

    The emulated Korrina units store presets packed with it, and the tests use it to
    make packed presets to convert.
*/
class PackedPatchEncoder
{
public:
    /** Bytes a packed stream unpacks to: a Korrina Grand preset from byte 68 to its end. */
    static constexpr int symbolCount = 8124;

    /** Byte offset of the packed stream in a Korrina preset (after the 34-word head). */
    static constexpr int streamOffset = 68;

    /** Bytes the packed stream may take: up to the second section at byte 2048. */
    static constexpr int maxStreamSize = 2048 - streamOffset;

    //==============================================================================
    /** Packs the symbols into a stream of whole bytes (the last byte padded with 0 bits).
        A single distinct symbol gives a tree of one leaf and no code bits; no symbols
        give a leaf of value 0.
    */
    static juce::MemoryBlock encodeStream (const uint8_t* symbols, int count);

    /** Packs a Korrina Grand preset (4096 words) into a Korrina preset (2048 words):
        the 34-word head with word 1 set to the stream's length in bytes, the packed
        stream of the Grand preset's bytes 68-8191 from byte 68, zeros up to byte 2047,
        then the Grand preset's bytes 4096-6143 as the second section. Converting the
        result to a Grand preset gives back the input, except word 1.

        Returns false, and leaves korrinaWords alone, when the input is not 4096 words
        or the stream does not fit before the second section.
    */
    static bool packPreset (const uint16_t* grandWords, int numWords, std::vector<uint16_t>& korrinaWords);

private:
    PackedPatchEncoder() = delete;
};
