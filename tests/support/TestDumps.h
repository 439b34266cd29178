#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <vector>

/*  Preset and cab IR dumps for tests, written byte by byte here (not with the codec
    under test), and the preset contents to fill them with.
*/
namespace TestDumps
{
    using Bytes = std::vector<uint8_t>;

    //==============================================================================
    /** Appends `value` as `groups` 7-bit groups, least significant first. */
    void appendSeptets (Bytes& payload, uint32_t value, int groups);

    /** One framed message: F0 00 6B 2E model function payload checksum F7. */
    Bytes message (uint8_t model, uint8_t function, const Bytes& payload);

    /** Appends b to a. */
    void append (Bytes& a, const Bytes& b);

    /** The bytes of a block, for comparing built output with expectations. */
    Bytes bytesOf (const juce::MemoryBlock& block);

    //==============================================================================
    /** A PATCH_START with the given fields. */
    Bytes patchStart (uint8_t model, uint32_t bank, uint32_t preset, uint32_t wordCount);

    /** A PATCH_DATA with the count field and 64 word slots (missing words are 0). */
    Bytes patchData (uint8_t model, uint32_t count, const uint16_t* words, int numWords);

    /** A PATCH_END carrying the check value. */
    Bytes patchEnd (uint8_t model, uint32_t checkValue);

    /** A whole preset dump: START, one DATA per 64 words (the last one padded with 0),
        END with the XOR of the words.
    */
    Bytes presetDump (uint8_t model, uint32_t bank, uint32_t preset, const std::vector<uint16_t>& words);

    /** XOR of the words. */
    uint16_t xorOf (const std::vector<uint16_t>& words);

    //==============================================================================
    /** A plain Korrina preset (2048 words, word 1 = 0, so not packed) of random words. */
    std::vector<uint16_t> randomKorrinaPreset (juce::Random& random);

    /** A Korrina Grand preset (4096 words) of random words. */
    std::vector<uint16_t> randomGrandPreset (juce::Random& random);

    /** A Korrina Grand preset that packs well, as real presets do: mostly zero bytes,
        the rest drawn from a few values, and a random 34-word head.
    */
    std::vector<uint16_t> sparseGrandPreset (juce::Random& random);

    /** A bank file: 128 preset dumps for the model (2048 or 4096 random words each),
        the presets' words returned in `presets` when given.
    */
    Bytes bankFile (uint8_t model, uint32_t bank, juce::Random& random,
                    std::vector<std::vector<uint16_t>>* presets = nullptr);

    //==============================================================================
    /** A CABIR_START in the model's layout (two groups for the cab on model 6). */
    Bytes cabStart (uint8_t model, uint32_t cab, uint32_t wordCount);

    /** A CABIR_DATA with the count field and 32 word slots (missing words are 0). */
    Bytes cabData (uint8_t model, uint32_t count, const uint32_t* words, int numWords);

    /** A CABIR_END carrying the check value. */
    Bytes cabEnd (uint8_t model, uint32_t checkValue);

    /** A whole cab dump: START (word count = words' size), one DATA per 32 words, END. */
    Bytes cabDump (uint8_t model, uint32_t cab, const std::vector<uint32_t>& words);

    /** XOR of the words. */
    uint32_t xorOf (const std::vector<uint32_t>& words);

    /** 2048 random IR words whose first 8 words hold the name (32 bytes, NUL padded). */
    std::vector<uint32_t> cabWords (juce::Random& random, const char* name);
}
