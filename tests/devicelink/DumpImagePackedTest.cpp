#include <gtest/gtest.h>

#include "devicelink/DumpImage.h"
#include "devicelink/virtual/PackedPatchEncoder.h"
#include "support/TestDumps.h"

#include <atomic>
#include <thread>

using TestDumps::Bytes;
using TestDumps::bytesOf;

namespace
{
    /** Collects bits most significant first into bytes, for hand-made packed streams. */
    struct BitList
    {
        void bit (int b)
        {
            if (count % 8 == 0)
                bytes.push_back (0);

            if (b != 0)
                bytes.back() = (uint8_t) (bytes.back() | (0x80 >> (count % 8)));

            ++count;
        }

        void bits (std::initializer_list<int> list)    { for (auto b : list) bit (b); }
        void byte (uint8_t v)                          { for (int i = 7; i >= 0; --i) bit ((v >> i) & 1); }

        Bytes bytes;
        int count = 0;
    };

    /** A Korrina preset holding the stream packed at byte 68 with word 1 = p, and the
        given bytes (or a pattern) in the second section.
    */
    std::vector<uint16_t> packedKorrinaPreset (const Bytes& stream, uint16_t packedLength)
    {
        Bytes bytes (4096, 0);

        for (size_t i = 0; i < 68; ++i)
            bytes[i] = (uint8_t) (0xA0 + i);

        std::copy (stream.begin(), stream.end(), bytes.begin() + 68);

        for (size_t i = 2048; i < 4096; ++i)
            bytes[i] = (uint8_t) (i * 7);

        std::vector<uint16_t> words (2048);

        for (size_t i = 0; i < words.size(); ++i)
            words[i] = (uint16_t) (bytes[2 * i] | (bytes[2 * i + 1] << 8));

        words[1] = packedLength;
        return words;
    }

    /** Parses the Korrina preset and converts it; the converted bytes, or none on failure. */
    bool unpack (DumpImage& image, const std::vector<uint16_t>& korrinaWords)
    {
        const auto dump = TestDumps::presetDump (3, 0, 0, korrinaWords);

        if (! image.parsePatch (dump.data(), dump.size(), 3))
            return false;

        return image.convertPatchToModel6();
    }

    void expectSharedSectionAndHead (const Bytes& converted, const std::vector<uint16_t>& korrinaWords)
    {
        ASSERT_EQ (converted.size(), 8192u);

        for (size_t i = 0; i < 34; ++i)
        {
            EXPECT_EQ (converted[2 * i], korrinaWords[i] & 0xFF);
            EXPECT_EQ (converted[2 * i + 1], korrinaWords[i] >> 8);
        }

        for (size_t i = 0; i < 2048; ++i)
            ASSERT_EQ (converted[4096 + i], (uint8_t) ((2048 + i) * 7)) << i;
    }
}

//==============================================================================
TEST (DumpImageUnpack, SingleLeafTreeRepeatsItsValue)
{
    BitList stream;
    stream.bit (1);
    stream.byte (0x41);
    const auto words = packedKorrinaPreset (stream.bytes, 2);

    DumpImage image;
    ASSERT_TRUE (unpack (image, words));
    const auto converted = bytesOf (image.getConvertedData());
    expectSharedSectionAndHead (converted, words);

    for (size_t i = 68; i < 4096; ++i)
        ASSERT_EQ (converted[i], 0x41) << i;

    for (size_t i = 6144; i < 8192; ++i)
        ASSERT_EQ (converted[i], 0x41) << i;
}

TEST (DumpImageUnpack, TwoLeafTreeFollowsTheCodeBits)
{
    // Root with leaves 0x10 (first) and 0x20 (second), then the codes 0 1 1 0 and zeros.
    BitList stream;
    stream.bits ({ 0, 1 });
    stream.byte (0x10);
    stream.bit (1);
    stream.byte (0x20);
    stream.bits ({ 0, 1, 1, 0 });
    const auto words = packedKorrinaPreset (stream.bytes, (uint16_t) stream.bytes.size());

    DumpImage image;
    ASSERT_TRUE (unpack (image, words));
    const auto converted = bytesOf (image.getConvertedData());
    expectSharedSectionAndHead (converted, words);

    EXPECT_EQ (converted[68], 0x10);
    EXPECT_EQ (converted[69], 0x20);
    EXPECT_EQ (converted[70], 0x20);
    EXPECT_EQ (converted[71], 0x10);

    // Bits past the copied words read as 0: the first leaf from there on.
    for (size_t i = 72; i < 4096; ++i)
        ASSERT_EQ (converted[i], 0x10) << i;
}

TEST (DumpImageUnpack, LeafValuesMayStraddleByteBoundaries)
{
    // Three leaves: the values start at bit offsets 2, 11 and 20 of the stream.
    BitList stream;
    stream.bits ({ 0, 1 });
    stream.byte (0xC3);
    stream.bits ({ 0, 1 });
    stream.byte (0x5A);
    stream.bit (1);
    stream.byte (0xE7);
    stream.bits ({ 1, 1, 1, 0, 0 });    // 0xE7, 0x5A, then 0xC3 from the zeros that follow
    const auto words = packedKorrinaPreset (stream.bytes, (uint16_t) stream.bytes.size());

    DumpImage image;
    ASSERT_TRUE (unpack (image, words));
    const auto converted = bytesOf (image.getConvertedData());
    EXPECT_EQ (converted[68], 0xE7);
    EXPECT_EQ (converted[69], 0x5A);
    EXPECT_EQ (converted[70], 0xC3);
    EXPECT_EQ (converted[4095], 0xC3);
}

TEST (DumpImageUnpack, PackedLengthLimit)
{
    BitList stream;
    stream.bit (1);
    stream.byte (0x41);
    DumpImage image;

    EXPECT_TRUE (unpack (image, packedKorrinaPreset (stream.bytes, 4026)));
    EXPECT_TRUE (unpack (image, packedKorrinaPreset (stream.bytes, 4027)));

    for (uint16_t p : { (uint16_t) 4028, (uint16_t) 4030, (uint16_t) 0xFFFF })
    {
        EXPECT_FALSE (unpack (image, packedKorrinaPreset (stream.bytes, p))) << p;
        EXPECT_EQ (image.getErrorKind(), DumpImage::badPackedStream);
        EXPECT_EQ (image.getErrorStage(), DumpImage::wholePreset);
    }
}

TEST (DumpImageUnpack, TreeOfTooManyNodesIsRefused)
{
    // All zero bits: every node is an inner node, so the tree never ends.
    DumpImage image;
    EXPECT_FALSE (unpack (image, packedKorrinaPreset ({ 0x00, 0x00 }, 2)));
    EXPECT_EQ (image.getErrorKind(), DumpImage::badPackedStream);
    EXPECT_EQ (image.getErrorStage(), DumpImage::wholePreset);

    // 300 inner nodes in a chain of first children, then 301 leaves: 601 nodes.
    BitList chain;
    for (int i = 0; i < 300; ++i) chain.bit (0);
    for (int i = 0; i < 301; ++i) { chain.bit (1); chain.byte ((uint8_t) i); }
    EXPECT_FALSE (unpack (image, packedKorrinaPreset (chain.bytes, (uint16_t) chain.bytes.size())));
    EXPECT_EQ (image.getErrorKind(), DumpImage::badPackedStream);
}

TEST (DumpImageUnpack, CodesThatRunPastTheBitBufferAreRefused)
{
    // A chain of `depth` inner nodes through their first children: all-zero code bits
    // reach the deepest leaf after `depth` bits. The bit buffer holds 33152 * 8 bits, so
    // 8124 symbols of 32 bits fit and 8124 symbols of 40 bits do not.
    auto chainStream = [] (int depth)
    {
        BitList chain;
        for (int i = 0; i < depth; ++i) chain.bit (0);
        chain.bit (1);
        chain.byte (0x99);
        for (int i = 0; i < depth; ++i) { chain.bit (1); chain.byte (0x11); }
        return chain.bytes;
    };

    DumpImage image;
    const auto fits = chainStream (32);
    ASSERT_TRUE (unpack (image, packedKorrinaPreset (fits, (uint16_t) fits.size())));
    EXPECT_EQ (bytesOf (image.getConvertedData())[3000], 0x99);

    const auto tooLong = chainStream (40);
    EXPECT_FALSE (unpack (image, packedKorrinaPreset (tooLong, (uint16_t) tooLong.size())));
    EXPECT_EQ (image.getErrorKind(), DumpImage::badPackedStream);
    EXPECT_EQ (image.getErrorStage(), DumpImage::wholePreset);
}

TEST (DumpImageUnpack, FailedConversionLeavesTheConvertedBytesAlone)
{
    const auto words = packedKorrinaPreset ({ 0x00, 0x00 }, 2);
    const auto dump = TestDumps::presetDump (3, 0, 0, words);

    DumpImage image;
    ASSERT_TRUE (image.parsePatch (dump.data(), dump.size(), 3));
    ASSERT_TRUE (image.convertPatchToModel3());
    const auto before = bytesOf (image.getConvertedData());

    EXPECT_FALSE (image.convertPatchToModel6());
    EXPECT_EQ (bytesOf (image.getConvertedData()), before);
    EXPECT_EQ (image.getTargetModel(), 3);
}

//==============================================================================
TEST (PackedPatchEncoder, PackedPresetsUnpackToExactlyTheGrandPreset)
{
    juce::Random random (30);

    for (int round = 0; round < 25; ++round)
    {
        const auto grand = TestDumps::sparseGrandPreset (random);
        std::vector<uint16_t> korrina;
        ASSERT_TRUE (PackedPatchEncoder::packPreset (grand.data(), (int) grand.size(), korrina));
        ASSERT_EQ (korrina.size(), 2048u);
        ASSERT_GT (korrina[1], 0);
        ASSERT_LE (korrina[1], PackedPatchEncoder::maxStreamSize);

        DumpImage image;
        ASSERT_TRUE (unpack (image, korrina));

        auto expected = grand;
        expected[1] = korrina[1];
        const auto converted = bytesOf (image.getConvertedData());
        ASSERT_EQ (converted.size(), 8192u);

        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ (converted[2 * i] | (converted[2 * i + 1] << 8), expected[i]) << "round " << round << " word " << i;
    }
}

TEST (PackedPatchEncoder, UniformAndFewValuedPresetsRoundTrip)
{
    for (int distinct : { 1, 2, 3, 200 })
    {
        std::vector<uint16_t> grand (4096, 0);

        // `distinct` values spread thinly, so even 200 of them pack into the room.
        for (size_t i = 34; i < grand.size(); i += 16)
            grand[i] = (uint16_t) (i % (size_t) distinct);

        std::vector<uint16_t> korrina;
        ASSERT_TRUE (PackedPatchEncoder::packPreset (grand.data(), (int) grand.size(), korrina)) << distinct;

        DumpImage image;
        ASSERT_TRUE (unpack (image, korrina));
        const auto converted = bytesOf (image.getConvertedData());

        for (size_t i = 2; i < grand.size(); ++i)
            ASSERT_EQ (converted[2 * i] | (converted[2 * i + 1] << 8), grand[i]) << distinct << " word " << i;
    }
}

TEST (PackedPatchEncoder, RefusesWhatDoesNotFitOrIsNoGrandPreset)
{
    juce::Random random (31);
    const auto noisy = TestDumps::randomGrandPreset (random);
    std::vector<uint16_t> korrina { 1, 2, 3 };

    EXPECT_FALSE (PackedPatchEncoder::packPreset (noisy.data(), (int) noisy.size(), korrina));
    EXPECT_FALSE (PackedPatchEncoder::packPreset (noisy.data(), 4095, korrina));
    EXPECT_FALSE (PackedPatchEncoder::packPreset (nullptr, 4096, korrina));
    EXPECT_EQ (korrina, (std::vector<uint16_t> { 1, 2, 3 }));
}

TEST (PackedPatchEncoder, ConversionsOnSeveralThreadsShareTheWorkBuffersSafely)
{
    // Each thread unpacks its own presets over and over; the shared work buffers must
    // never mix one conversion's bits into another's.
    constexpr int threadCount = 3;
    std::vector<std::vector<uint16_t>> grands, korrinas;
    juce::Random random (32);

    for (int t = 0; t < threadCount; ++t)
    {
        grands.push_back (TestDumps::sparseGrandPreset (random));
        std::vector<uint16_t> korrina;
        ASSERT_TRUE (PackedPatchEncoder::packPreset (grands.back().data(), 4096, korrina));
        korrinas.push_back (korrina);
    }

    std::atomic<int> mismatches { 0 };
    std::vector<std::thread> threads;

    for (int t = 0; t < threadCount; ++t)
    {
        threads.emplace_back ([&, t]
        {
            const auto dump = TestDumps::presetDump (3, 0, 0, korrinas[(size_t) t]);
            DumpImage image;

            for (int round = 0; round < 40; ++round)
            {
                if (! image.parsePatch (dump.data(), dump.size(), 3) || ! image.convertPatchToModel6())
                {
                    ++mismatches;
                    continue;
                }

                const auto converted = bytesOf (image.getConvertedData());

                for (size_t i = 2; i < 4096; ++i)
                {
                    if ((converted[2 * i] | (converted[2 * i + 1] << 8)) != grands[(size_t) t][i])
                    {
                        ++mismatches;
                        break;
                    }
                }
            }
        });
    }

    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ (mismatches.load(), 0);
}
