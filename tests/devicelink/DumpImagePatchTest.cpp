#include <gtest/gtest.h>

#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"
#include "support/ScopedCurrentModel.h"
#include "support/TestDumps.h"

#include <algorithm>

using TestDumps::Bytes;
using TestDumps::bytesOf;

namespace
{
    Bytes bytesOfWords (const std::vector<uint16_t>& words)
    {
        Bytes bytes;

        for (auto w : words)
        {
            bytes.push_back ((uint8_t) (w & 0xFF));
            bytes.push_back ((uint8_t) (w >> 8));
        }

        return bytes;
    }

    bool parse (DumpImage& image, const Bytes& dump, uint8_t model)
    {
        return image.parsePatch (dump.data(), dump.size(), model);
    }

    /** Each message of a built dump, cut at F7. */
    std::vector<Bytes> messagesOf (const juce::MemoryBlock& block)
    {
        std::vector<Bytes> messages;
        Bytes current;
        const auto all = bytesOf (block);

        for (size_t i = 0; i < all.size(); ++i)
        {
            const auto b = all[i];
            current.push_back (b);

            if (b == 0xF7)
            {
                messages.push_back (current);
                current.clear();
            }
        }

        EXPECT_TRUE (current.empty());
        return messages;
    }

    void expectError (const DumpImage& image, int kind, int stage)
    {
        EXPECT_EQ (image.getErrorKind(), kind);
        EXPECT_EQ (image.getErrorStage(), stage);
    }
}

//==============================================================================
TEST (DumpImageParse, ReadsEveryWordAndTheHeaderFieldsOfBothEditions)
{
    juce::Random random (1);

    for (uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        const auto words = model == 3 ? TestDumps::randomKorrinaPreset (random) : TestDumps::randomGrandPreset (random);
        const auto dump = TestDumps::presetDump (model, 2, 17, words);
        EXPECT_EQ (dump.size(), model == 3 ? 6487u : 12951u);

        DumpImage image;
        ASSERT_TRUE (parse (image, dump, model));
        EXPECT_EQ (bytesOf (image.getPresetData()), bytesOfWords (words));
        EXPECT_EQ (image.getBank(), 2u);
        EXPECT_EQ (image.getPreset(), 17u);
        EXPECT_EQ (image.getWordCount(), (uint32_t) words.size());
        EXPECT_EQ (image.getSourceModel(), model);
        EXPECT_EQ (image.getDataMessageCount(), model == 3 ? 32 : 64);
        expectError (image, DumpImage::noError, DumpImage::singleMessage);
    }
}

TEST (DumpImageParse, MissingOrEmptyInputIsRefused)
{
    DumpImage image;
    const uint8_t byte = 0xF0;

    EXPECT_FALSE (image.parsePatch (nullptr, 100, 3));
    EXPECT_EQ (image.getErrorKind(), DumpImage::noError);

    EXPECT_FALSE (image.parsePatch (&byte, 0, 3));
    expectError (image, DumpImage::noData, DumpImage::singleMessage);
}

TEST (DumpImageParse, DumpForTheOtherEditionYieldsNoWords)
{
    juce::Random random (2);
    const auto dump = TestDumps::presetDump (6, 0, 0, TestDumps::randomGrandPreset (random));

    DumpImage image;
    EXPECT_FALSE (parse (image, dump, 3));
    expectError (image, DumpImage::wrongModel, DumpImage::singleMessage);
    EXPECT_EQ (image.getPresetData().getSize(), 0u);
}

TEST (DumpImageParse, ChecksumErrorsOfAMessageAndOfTheWords)
{
    juce::Random random (3);
    const auto words = TestDumps::randomKorrinaPreset (random);
    DumpImage image;

    auto badEnd = TestDumps::patchStart (3, 0, 0, 2048);

    for (int i = 0; i < 32; ++i)
        TestDumps::append (badEnd, TestDumps::patchData (3, 64, words.data() + 64 * i, 64));

    TestDumps::append (badEnd, TestDumps::patchEnd (3, TestDumps::xorOf (words) ^ 0x0100));
    EXPECT_FALSE (parse (image, badEnd, 3));
    expectError (image, DumpImage::badChecksum, DumpImage::wholePreset);

    auto damaged = TestDumps::presetDump (3, 0, 0, words);
    damaged[12 + 202 * 5 + 40] ^= 0x01;     // a word group inside the sixth PATCH_DATA
    EXPECT_FALSE (parse (image, damaged, 3));
    expectError (image, DumpImage::badChecksum, DumpImage::singleMessage);
}

TEST (DumpImageParse, FirstErrorIsKeptEvenBeforeAnyWordWasRead)
{
    juce::Random random (4);
    const auto words = TestDumps::randomKorrinaPreset (random);

    auto dump = TestDumps::patchStart (3, 0, 0, 2048);
    TestDumps::append (dump, TestDumps::patchData (3, 63, words.data(), 64));
    TestDumps::append (dump, TestDumps::patchEnd (3, 0));

    DumpImage image;
    EXPECT_FALSE (parse (image, dump, 3));
    expectError (image, DumpImage::badField, DumpImage::patchData);
    EXPECT_EQ (image.getDataMessageCount(), 1);
}

TEST (DumpImageParse, MessagesOutOfPlace)
{
    juce::Random random (5);
    const auto words = TestDumps::randomKorrinaPreset (random);
    const auto good = TestDumps::presetDump (3, 1, 1, words);
    DumpImage image;

    auto twoStarts = TestDumps::patchStart (3, 1, 1, 2048);
    TestDumps::append (twoStarts, good);
    EXPECT_FALSE (parse (image, twoStarts, 3));
    expectError (image, DumpImage::badMessage, DumpImage::patchStart);

    auto twoEnds = good;
    TestDumps::append (twoEnds, TestDumps::patchEnd (3, TestDumps::xorOf (words)));
    EXPECT_FALSE (parse (image, twoEnds, 3));
    expectError (image, DumpImage::badMessage, DumpImage::patchEnd);

    auto foreign = good;
    TestDumps::append (foreign, TestDumps::message (3, 0x1C, { 0 }));
    EXPECT_FALSE (parse (image, foreign, 3));
    expectError (image, DumpImage::badMessage, DumpImage::singleMessage);

    // With the Boot ROM pattern any F0 starts a message: a short one, or one for
    // another model, is caught by the checks of a single message.
    const Bytes shortMessage { 0xF0, 0x01, 0xF7 };
    EXPECT_FALSE (image.parsePatch (shortMessage.data(), shortMessage.size(), 0xFF));
    expectError (image, DumpImage::badMessage, DumpImage::singleMessage);

    EXPECT_FALSE (image.parsePatch (good.data(), good.size(), 0xFF));
    expectError (image, DumpImage::wrongModel, DumpImage::singleMessage);
}

TEST (DumpImageParse, MissingDataMessageMakesTheWordCountDisagree)
{
    juce::Random random (6);
    const auto words = TestDumps::randomKorrinaPreset (random);

    auto dump = TestDumps::patchStart (3, 0, 0, 2048);

    for (int i = 0; i < 31; ++i)
        TestDumps::append (dump, TestDumps::patchData (3, 64, words.data() + 64 * i, 64));

    TestDumps::append (dump, TestDumps::patchEnd (3, TestDumps::xorOf (words)));

    DumpImage image;
    EXPECT_FALSE (parse (image, dump, 3));
    expectError (image, DumpImage::wrongWordCount, DumpImage::wholePreset);
}

TEST (DumpImageParse, DumpsWithoutStartOrEndAreAccepted)
{
    juce::Random random (7);
    const auto words = TestDumps::randomGrandPreset (random);
    const auto full = TestDumps::presetDump (6, 3, 4, words);
    DumpImage image;

    const Bytes noEnd (full.begin(), full.end() - 11);
    ASSERT_TRUE (parse (image, noEnd, 6));
    EXPECT_EQ (bytesOf (image.getPresetData()), bytesOfWords (words));

    const Bytes noStart (full.begin() + 12, full.end());
    ASSERT_TRUE (parse (image, noStart, 6));
    EXPECT_EQ (bytesOf (image.getPresetData()), bytesOfWords (words));
    EXPECT_EQ (image.getWordCount(), 0u);
}

TEST (DumpImageParse, TruncatedFileFailsWithoutReadingPastIt)
{
    juce::Random random (8);
    const auto dump = TestDumps::presetDump (3, 0, 0, TestDumps::randomKorrinaPreset (random));

    for (size_t cut : { (size_t) 1, (size_t) 5, (size_t) 7, (size_t) 12, (size_t) 100, dump.size() - 1 })
    {
        const Bytes truncated (dump.begin(), dump.begin() + (std::ptrdiff_t) cut);
        DumpImage image;
        EXPECT_FALSE (parse (image, truncated, 3)) << "cut at " << cut;
        EXPECT_NE (image.getErrorKind(), DumpImage::noError) << "cut at " << cut;
    }
}

TEST (DumpImageParse, NextParseClearsWhatTheLastOneLeft)
{
    juce::Random random (9);
    const auto dump = TestDumps::presetDump (3, 0, 0, TestDumps::randomKorrinaPreset (random));
    const Bytes garbage { 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x77 };

    DumpImage image;
    ASSERT_TRUE (parse (image, dump, 3));
    ASSERT_TRUE (image.convertPatchToModel6());

    EXPECT_FALSE (parse (image, garbage, 3));
    EXPECT_EQ (image.getPresetData().getSize(), 0u);
    EXPECT_EQ (image.getConvertedData().getSize(), 0u);
    EXPECT_EQ (image.getTargetModel(), 0);

    ASSERT_TRUE (parse (image, dump, 3));
    EXPECT_EQ (image.getErrorKind(), DumpImage::noError);
}

//==============================================================================
TEST (DumpImageConvert, PlainKorrinaPresetGoesToTheGrandLayout)
{
    juce::Random random (10);
    const auto words = TestDumps::randomKorrinaPreset (random);
    const auto source = bytesOfWords (words);

    DumpImage image;
    ASSERT_TRUE (parse (image, TestDumps::presetDump (3, 0, 0, words), 3));
    ASSERT_TRUE (image.convertPatchToModel6());
    EXPECT_EQ (image.getTargetModel(), 6);

    Bytes expected (source);
    expected.insert (expected.end(), source.begin() + 2048, source.end());
    expected.resize (8192, 0);
    EXPECT_EQ (bytesOf (image.getConvertedData()), expected);
}

TEST (DumpImageConvert, GrandPresetGoesToTheKorrinaLayout)
{
    juce::Random random (11);
    const auto words = TestDumps::randomGrandPreset (random);
    const auto source = bytesOfWords (words);

    DumpImage image;
    ASSERT_TRUE (parse (image, TestDumps::presetDump (6, 0, 0, words), 6));
    ASSERT_TRUE (image.convertPatchToModel3());
    EXPECT_EQ (image.getTargetModel(), 3);

    Bytes expected (source.begin(), source.begin() + 2048);
    expected.insert (expected.end(), source.begin() + 4096, source.begin() + 6144);
    EXPECT_EQ (bytesOf (image.getConvertedData()), expected);
}

TEST (DumpImageConvert, SameEditionIsACopy)
{
    juce::Random random (12);

    for (uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        const auto words = model == 3 ? TestDumps::randomKorrinaPreset (random) : TestDumps::randomGrandPreset (random);
        DumpImage image;
        ASSERT_TRUE (parse (image, TestDumps::presetDump (model, 0, 0, words), model));
        ASSERT_TRUE (model == 3 ? image.convertPatchToModel3() : image.convertPatchToModel6());
        EXPECT_EQ (bytesOf (image.getConvertedData()), bytesOfWords (words));
        EXPECT_EQ (image.getTargetModel(), model);
    }
}

TEST (DumpImageConvert, WrongSizesAndModelsAreRefused)
{
    juce::Random random (13);
    DumpImage image;

    // A Grand dump of 63 data messages parses (its START says 4032 words) but is no preset.
    std::vector<uint16_t> shortGrand (4032);
    for (auto& w : shortGrand) w = (uint16_t) random.nextInt (0x10000);
    ASSERT_TRUE (parse (image, TestDumps::presetDump (6, 0, 0, shortGrand), 6));
    EXPECT_FALSE (image.convertPatchToModel3());
    expectError (image, DumpImage::wrongSize, DumpImage::wholePreset);

    std::vector<uint16_t> longKorrina (2112, 0);
    ASSERT_TRUE (parse (image, TestDumps::presetDump (3, 0, 0, longKorrina), 3));
    EXPECT_FALSE (image.convertPatchToModel6());
    expectError (image, DumpImage::wrongSize, DumpImage::wholePreset);

    const auto stompra = TestDumps::presetDump (2, 0, 0, TestDumps::randomKorrinaPreset (random));
    ASSERT_TRUE (parse (image, stompra, 2));
    EXPECT_FALSE (image.convertPatchToModel6());
    expectError (image, DumpImage::wrongModel, DumpImage::wholePreset);
    EXPECT_FALSE (image.convertPatchToModel3());
    expectError (image, DumpImage::wrongModel, DumpImage::wholePreset);
    EXPECT_EQ (image.getConvertedData().getSize(), 0u);
}

//==============================================================================
TEST (DumpImageBuild, MessageCountsModelBytesAndRestoredModel)
{
    juce::Random random (14);
    const ScopedCurrentModel model (2);

    for (uint8_t source : { (uint8_t) 3, (uint8_t) 6 })
    {
        const auto words = source == 3 ? TestDumps::randomKorrinaPreset (random) : TestDumps::randomGrandPreset (random);

        for (uint8_t target : { (uint8_t) 3, (uint8_t) 6 })
        {
            DumpImage image;
            ASSERT_TRUE (parse (image, TestDumps::presetDump (source, 5, 9, words), source));
            ASSERT_TRUE (target == 3 ? image.convertPatchToModel3() : image.convertPatchToModel6());

            juce::MemoryBlock output;
            ASSERT_TRUE (image.buildPatchMessages (output));
            EXPECT_EQ (SysExMessage::currentModel.load(), 2);

            const auto messages = messagesOf (output);
            ASSERT_EQ (messages.size(), target == 3 ? 34u : 66u);
            EXPECT_EQ (output.getSize(), target == 3 ? 6487u : 12951u);

            for (const auto& m : messages)
                EXPECT_EQ (m[4], target);

            EXPECT_EQ (messages.front()[5], 0x77);
            EXPECT_EQ (messages.front()[6], 5);
            EXPECT_EQ (messages.front()[7], 9);
            EXPECT_EQ (messages.back()[5], 0x79);
        }
    }
}

TEST (DumpImageBuild, BuildThenParseGivesTheSameWords)
{
    juce::Random random (15);

    for (uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        const auto words = model == 3 ? TestDumps::randomKorrinaPreset (random) : TestDumps::randomGrandPreset (random);
        const auto dump = TestDumps::presetDump (model, 0x7F, 0, words);

        DumpImage image;
        ASSERT_TRUE (parse (image, dump, model));
        ASSERT_TRUE (model == 3 ? image.convertPatchToModel3() : image.convertPatchToModel6());

        juce::MemoryBlock output;
        ASSERT_TRUE (image.buildPatchMessages (output));

        // The same preset for the same edition comes out byte for byte as it went in.
        EXPECT_EQ (bytesOf (output), dump);
    }
}

TEST (DumpImageBuild, KorrinaToGrandAndBackKeepsThePreset)
{
    juce::Random random (16);
    const auto words = TestDumps::randomKorrinaPreset (random);

    DumpImage image;
    ASSERT_TRUE (parse (image, TestDumps::presetDump (3, 1, 2, words), 3));
    ASSERT_TRUE (image.convertPatchToModel6());
    juce::MemoryBlock grandDump;
    ASSERT_TRUE (image.buildPatchMessages (grandDump));

    DumpImage back;
    ASSERT_TRUE (back.parsePatch (static_cast<const uint8_t*> (grandDump.getData()), grandDump.getSize(), 6));
    ASSERT_TRUE (back.convertPatchToModel3());
    juce::MemoryBlock korrinaDump;
    ASSERT_TRUE (back.buildPatchMessages (korrinaDump));

    EXPECT_EQ (bytesOf (korrinaDump), TestDumps::presetDump (3, 1, 2, words));
}

TEST (DumpImageBuild, GrandToKorrinaAndBackKeepsTheSharedSections)
{
    juce::Random random (17);
    auto words = TestDumps::randomGrandPreset (random);
    words[1] = 0;   // a Grand preset is never packed
    const auto source = bytesOfWords (words);

    DumpImage image;
    ASSERT_TRUE (parse (image, TestDumps::presetDump (6, 0, 0, words), 6));
    ASSERT_TRUE (image.convertPatchToModel3());
    juce::MemoryBlock korrinaDump;
    ASSERT_TRUE (image.buildPatchMessages (korrinaDump));

    DumpImage back;
    ASSERT_TRUE (back.parsePatch (static_cast<const uint8_t*> (korrinaDump.getData()), korrinaDump.getSize(), 3));
    ASSERT_TRUE (back.convertPatchToModel6());
    const auto result = bytesOf (back.getConvertedData());

    ASSERT_EQ (result.size(), 8192u);
    EXPECT_TRUE (std::equal (source.begin(), source.begin() + 2048, result.begin()));
    EXPECT_TRUE (std::equal (source.begin() + 4096, source.begin() + 6144, result.begin() + 4096));
}

TEST (DumpImageBuild, NothingToBuildOrTooManyWordsIsRefused)
{
    DumpImage image;
    juce::MemoryBlock output;
    EXPECT_FALSE (image.buildPatchMessages (output));
    EXPECT_EQ (output.getSize(), 0u);

    // 257 data messages without START or END: more words than any preset holds. The
    // parse stops at the first message past a Grand preset, the 65th, and refuses them.
    TestDumps::Bytes dump;
    const std::vector<uint16_t> zeros (64, 0);

    for (int i = 0; i < 257; ++i)
        TestDumps::append (dump, TestDumps::patchData (6, 64, zeros.data(), 64));

    EXPECT_FALSE (parse (image, dump, 6));
    expectError (image, DumpImage::wrongSize, DumpImage::patchData);
    EXPECT_EQ (image.getDataMessageCount(), 65);
}

//==============================================================================
TEST (DumpImageSplit, CutsAtEveryPresetHeader)
{
    juce::Random random (18);
    const auto a = TestDumps::presetDump (3, 0, 0, TestDumps::randomKorrinaPreset (random));
    const auto b = TestDumps::presetDump (3, 0, 1, TestDumps::randomKorrinaPreset (random));

    auto two = a;
    TestDumps::append (two, b);
    const auto blocks = DumpImage::splitPatches (3, two.data(), two.size());
    ASSERT_EQ (blocks.size(), 2u);
    EXPECT_EQ (bytesOf (blocks[0]), a);
    EXPECT_EQ (bytesOf (blocks[1]), b);

    Bytes stray { 1, 2, 3, 4, 5 };
    TestDumps::append (stray, two);
    const auto three = DumpImage::splitPatches (3, stray.data(), stray.size());
    ASSERT_EQ (three.size(), 3u);
    EXPECT_EQ (bytesOf (three[0]), (Bytes { 1, 2, 3, 4, 5 }));

    EXPECT_EQ (DumpImage::splitPatches (6, two.data(), two.size()).size(), 1u);
    EXPECT_TRUE (DumpImage::splitPatches (3, nullptr, 10).empty());
}

TEST (DumpImageSplit, BankOf128PresetsConvertsTo128DumpsOfTheRightSize)
{
    juce::Random random (19);

    for (uint8_t source : { (uint8_t) 3, (uint8_t) 6 })
    {
        const uint8_t target = source == 3 ? 6 : 3;
        std::vector<std::vector<uint16_t>> presets;
        const auto bank = TestDumps::bankFile (source, 1, random, &presets);

        const auto blocks = DumpImage::splitPatches (source, bank.data(), bank.size());
        ASSERT_EQ (blocks.size(), 128u);

        DumpImage image;
        juce::MemoryBlock output;

        for (size_t i = 0; i < blocks.size(); ++i)
        {
            ASSERT_TRUE (image.parsePatch (static_cast<const uint8_t*> (blocks[i].getData()), blocks[i].getSize(), source));
            EXPECT_EQ (image.getPreset(), (uint32_t) i);
            ASSERT_TRUE (target == 6 ? image.convertPatchToModel6() : image.convertPatchToModel3());
            ASSERT_TRUE (image.buildPatchMessages (output));
        }

        const auto perDump = target == 6 ? 12951u : 6487u;
        ASSERT_EQ (output.getSize(), 128u * perDump);

        // Every rebuilt dump parses for the target with the expected layout.
        const auto rebuilt = DumpImage::splitPatches (target, static_cast<const uint8_t*> (output.getData()), output.getSize());
        ASSERT_EQ (rebuilt.size(), 128u);

        for (size_t i = 0; i < rebuilt.size(); ++i)
        {
            ASSERT_EQ (rebuilt[i].getSize(), perDump);
            ASSERT_TRUE (image.parsePatch (static_cast<const uint8_t*> (rebuilt[i].getData()), rebuilt[i].getSize(), target));
            const auto got = bytesOf (image.getPresetData());
            const auto src = bytesOfWords (presets[i]);

            EXPECT_TRUE (std::equal (src.begin(), src.begin() + 2048, got.begin()));

            if (target == 6)
                EXPECT_TRUE (std::equal (src.begin() + 2048, src.end(), got.begin() + 4096));
            else
                EXPECT_TRUE (std::equal (src.begin() + 4096, src.begin() + 6144, got.begin() + 2048));
        }
    }
}

TEST (FindSysExHeader, AgreesWithANaiveSearchOnSelfOverlappingPatterns)
{
    juce::Random random (20);
    const Bytes patterns[] = {
        { 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x77 },
        { 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0x77 },
        { 0x01, 0x01, 0x02, 0x01, 0x01, 0x02 },
        { 0x01, 0x02, 0x01, 0x02, 0x01, 0x03 },
        { 0x05, 0x05, 0x05, 0x05, 0x05, 0x05 },
    };

    for (const auto& pattern : patterns)
    {
        for (int round = 0; round < 400; ++round)
        {
            // Data drawn from the pattern's own bytes, so that partial matches abound.
            Bytes data ((size_t) random.nextInt (40));

            for (auto& b : data)
                b = pattern[(size_t) random.nextInt (6)];

            const auto naive = std::search (data.begin(), data.end(), pattern.begin(), pattern.end());
            const int64_t expected = naive == data.end() ? -1 : (int64_t) (naive - data.begin());

            ASSERT_EQ (findSysExHeader (pattern.data(), data.data(), data.size()), expected);
        }
    }

    EXPECT_EQ (findSysExHeader (patterns[0].data(), nullptr, 10), -1);
}
