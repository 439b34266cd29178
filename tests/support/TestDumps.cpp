#include "support/TestDumps.h"

#include <cstring>

namespace TestDumps
{
    void appendSeptets (Bytes& payload, uint32_t value, int groups)
    {
        for (int i = 0; i < groups; ++i)
            payload.push_back (i * 7 < 32 ? (uint8_t) ((value >> (7 * i)) & 0x7F) : 0);
    }

    Bytes message (uint8_t model, uint8_t function, const Bytes& payload)
    {
        Bytes bytes { 0xF0, 0x00, 0x6B, 0x2E, model, function };
        bytes.insert (bytes.end(), payload.begin(), payload.end());

        uint8_t sum = 0;

        for (auto b : bytes)
            sum ^= b;

        bytes.push_back ((uint8_t) (sum & 0x7F));
        bytes.push_back (0xF7);
        return bytes;
    }

    void append (Bytes& a, const Bytes& b)
    {
        a.insert (a.end(), b.begin(), b.end());
    }

    Bytes bytesOf (const juce::MemoryBlock& block)
    {
        const auto* data = static_cast<const uint8_t*> (block.getData());
        return { data, data + block.getSize() };
    }

    namespace
    {
        /** A PATCH_DATA or CABIR_DATA: the count field, then `slots` word slots of
            `groups` groups each, the words past numWords 0.
        */
        template <typename Word>
        Bytes dataMessage (uint8_t model, uint8_t function, uint32_t count, const Word* words, int numWords,
                           int slots, int groups)
        {
            Bytes payload;
            appendSeptets (payload, count, 2);

            for (int i = 0; i < slots; ++i)
                appendSeptets (payload, i < numWords ? (uint32_t) words[i] : 0u, groups);

            return message (model, function, payload);
        }

        template <typename Word>
        Word xorAll (const std::vector<Word>& words)
        {
            Word x = 0;

            for (auto w : words)
                x ^= w;

            return x;
        }
    }

    //==============================================================================
    Bytes patchStart (uint8_t model, uint32_t bank, uint32_t preset, uint32_t wordCount)
    {
        Bytes payload;
        appendSeptets (payload, bank, 1);
        appendSeptets (payload, preset, 1);
        appendSeptets (payload, wordCount, 2);
        return message (model, 0x77, payload);
    }

    Bytes patchData (uint8_t model, uint32_t count, const uint16_t* words, int numWords)
    {
        return dataMessage (model, 0x78, count, words, numWords, 64, 3);
    }

    Bytes patchEnd (uint8_t model, uint32_t checkValue)
    {
        Bytes payload;
        appendSeptets (payload, checkValue, 3);
        return message (model, 0x79, payload);
    }

    uint16_t xorOf (const std::vector<uint16_t>& words)
    {
        return xorAll (words);
    }

    Bytes presetDump (uint8_t model, uint32_t bank, uint32_t preset, const std::vector<uint16_t>& words)
    {
        auto dump = patchStart (model, bank, preset, (uint32_t) words.size());

        for (size_t offset = 0; offset < words.size(); offset += 64)
            append (dump, patchData (model, 64, words.data() + offset, (int) std::min<size_t> (64, words.size() - offset)));

        append (dump, patchEnd (model, xorOf (words)));
        return dump;
    }

    //==============================================================================
    static std::vector<uint16_t> randomWords (juce::Random& random, size_t count)
    {
        std::vector<uint16_t> words (count);

        for (auto& w : words)
            w = (uint16_t) random.nextInt (0x10000);

        return words;
    }

    std::vector<uint16_t> randomKorrinaPreset (juce::Random& random)
    {
        auto words = randomWords (random, 2048);
        words[1] = 0;
        return words;
    }

    std::vector<uint16_t> randomGrandPreset (juce::Random& random)
    {
        return randomWords (random, 4096);
    }

    std::vector<uint16_t> sparseGrandPreset (juce::Random& random)
    {
        const uint8_t common[] = { 0x01, 0x40, 0x7F, 0xFF, 0x10 };
        std::vector<uint8_t> bytes (8192, 0);

        for (size_t i = 0; i < bytes.size(); ++i)
        {
            if (i < 68)
                bytes[i] = (uint8_t) random.nextInt (256);
            else if (random.nextInt (100) < 12)
                bytes[i] = random.nextInt (4) == 0 ? (uint8_t) random.nextInt (256)
                                                   : common[random.nextInt ((int) sizeof (common))];
        }

        std::vector<uint16_t> words (4096);

        for (size_t i = 0; i < words.size(); ++i)
            words[i] = (uint16_t) (bytes[2 * i] | (bytes[2 * i + 1] << 8));

        return words;
    }

    Bytes bankFile (uint8_t model, uint32_t bank, juce::Random& random, std::vector<std::vector<uint16_t>>* presets)
    {
        Bytes file;

        for (uint32_t preset = 0; preset < 128; ++preset)
        {
            const auto words = model == 6 ? randomGrandPreset (random) : randomKorrinaPreset (random);
            append (file, presetDump (model, bank, preset, words));

            if (presets != nullptr)
                presets->push_back (words);
        }

        return file;
    }

    //==============================================================================
    Bytes cabStart (uint8_t model, uint32_t cab, uint32_t wordCount)
    {
        Bytes payload;

        if (model == 6)
        {
            appendSeptets (payload, (cab >> 7) & 0x7F, 1);
            appendSeptets (payload, cab & 0x7F, 1);
        }
        else
        {
            appendSeptets (payload, cab, 1);
        }

        appendSeptets (payload, wordCount, 2);
        return message (model, 0x7A, payload);
    }

    Bytes cabData (uint8_t model, uint32_t count, const uint32_t* words, int numWords)
    {
        return dataMessage (model, 0x7B, count, words, numWords, 32, 5);
    }

    Bytes cabEnd (uint8_t model, uint32_t checkValue)
    {
        Bytes payload;
        appendSeptets (payload, checkValue, 5);
        return message (model, 0x7C, payload);
    }

    uint32_t xorOf (const std::vector<uint32_t>& words)
    {
        return xorAll (words);
    }

    Bytes cabDump (uint8_t model, uint32_t cab, const std::vector<uint32_t>& words)
    {
        auto dump = cabStart (model, cab, (uint32_t) words.size());

        for (size_t offset = 0; offset < words.size(); offset += 32)
            append (dump, cabData (model, 32, words.data() + offset, (int) std::min<size_t> (32, words.size() - offset)));

        append (dump, cabEnd (model, xorOf (words)));
        return dump;
    }

    std::vector<uint32_t> cabWords (juce::Random& random, const char* name)
    {
        std::vector<uint32_t> words (2048);

        for (auto& w : words)
            w = (uint32_t) random.nextInt64();

        uint8_t nameBytes[32] = {};
        std::memcpy (nameBytes, name, std::min<size_t> (32, std::strlen (name)));

        for (size_t i = 0; i < 8; ++i)
            words[i] = (uint32_t) nameBytes[4 * i] | ((uint32_t) nameBytes[4 * i + 1] << 8)
                     | ((uint32_t) nameBytes[4 * i + 2] << 16) | ((uint32_t) nameBytes[4 * i + 3] << 24);

        return words;
    }
}
