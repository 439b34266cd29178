// What a file to send holds, whether it fits the device, and how it is rewritten,
// checked on real message bytes made by TestDumps (independently of the code under
// test) with no window.

#include "app/SendFileData.h"
#include "support/TestDumps.h"

#include <gtest/gtest.h>

namespace
{
    using TestDumps::Bytes;

    constexpr uint8_t korrina = DeviceModels::korrina, grand = DeviceModels::korrinaGrand;
    constexpr uint8_t classic = DeviceModels::stompraClassic, neo = DeviceModels::stompraNeo;
    constexpr uint8_t bootRom = DeviceModels::bootRom;

    Bytes preset (uint8_t model, uint32_t bank, uint32_t number = 0)
    {
        juce::Random random ((juce::int64) (model * 1000 + bank * 200 + number));
        return TestDumps::presetDump (model, bank, number, model == grand ? TestDumps::randomGrandPreset (random)
                                                                          : TestDumps::randomKorrinaPreset (random));
    }

    Bytes presets (uint8_t model, uint32_t bank, int count)
    {
        Bytes file;

        for (int i = 0; i < count; ++i)
            TestDumps::append (file, preset (model, bank, (uint32_t) (i % 128)));

        return file;
    }

    /** A file of one message of the function followed by a second one, as the
        firmware, system and Stompra files hold many.
    */
    Bytes messages (uint8_t model, uint8_t function)
    {
        auto file = TestDumps::message (model, function, { 0x00, 0x20, 0x00 });
        TestDumps::append (file, TestDumps::message (model, (uint8_t) (function + 1), Bytes (32, 0x11)));
        return file;
    }

    /** The file with one byte of its first header changed (by default the maker's id,
        as a fuzzed file had it), so it is no longer a message for these units.
    */
    Bytes foreign (Bytes file, size_t at = 2)
    {
        file[at] = 0x54;
        return file;
    }

    Bytes cab (uint8_t model)
    {
        juce::Random random (7);
        return TestDumps::cabDump (model, 3, TestDumps::cabWords (random, "Room"));
    }

    juce::MemoryBlock blockOf (const Bytes& bytes)
    {
        return { bytes.data(), bytes.size() };
    }

    int kindOf (const Bytes& file, DeviceModel device, int* count = nullptr)
    {
        int headers = -1;
        const auto kind = SendFileData::getSendFileKind (file.data(), file.size(), device, headers);

        if (count != nullptr)
            *count = headers;

        return kind;
    }

    /** Offsets of every preset header of the model in the bytes. */
    std::vector<size_t> headerOffsets (const Bytes& file, uint8_t model)
    {
        std::vector<size_t> offsets;

        for (size_t i = 0; i + 6 <= file.size(); ++i)
            if (file[i] == 0xF0 && file[i + 1] == 0 && file[i + 2] == 0x6B && file[i + 3] == 0x2E
                && file[i + 4] == model && file[i + 5] == 0x77)
                offsets.push_back (i);

        return offsets;
    }

    uint8_t checksumOf (const uint8_t* bytes, int count)
    {
        uint8_t sum = 0;

        for (int i = 0; i < count; ++i)
            sum ^= bytes[i];

        return (uint8_t) (sum & 0x7F);
    }
}

//==============================================================================
TEST (SendFileData, EveryKindFromRealMessages)
{
    const struct { const char* what; Bytes file; DeviceModel device; int kind; int headers; } cases[] =
    {
        { "preset",                 preset (korrina, 0),              korrina, 1, -1 },
        { "Grand preset",           preset (grand, 2, 5),             grand,   1, -1 },
        { "two presets",            presets (korrina, 0, 2),          korrina, 2, 2 },
        { "bank B",                 presets (grand, 1, 128),          grand,   2, 128 },
        { "edit-buffer run",        presets (korrina, 0x7F, 3),       korrina, 2, 3 },
        { "all banks",              presets (korrina, 2, 129),        grand,   3, 129 },
        { "cab",                    cab (grand),                      korrina, 4, -1 },
        { "Korrina system",         presets (korrina, 3, 2),          korrina, 5, -1 },
        { "first header bank 4",    presets (korrina, 4, 2),          korrina, 0, -1 },
        { "system 0x61",            messages (grand, 0x61),           grand,   6, -1 },
        { "Korrina firmware",       messages (korrina, 0x7D),         korrina, 7, -1 },
        { "Grand firmware",         messages (grand, 0x7D),           grand,   7, -1 },
        { "Classic firmware",       messages (classic, 0x7D),         classic, 8, -1 },
        { "Neo firmware",           messages (neo, 0x7D),             neo,     8, -1 },
        { "firmware for model 5",   messages (5, 0x7D),               korrina, 0, -1 },
        { "Stompra backup",         messages (neo, 0x75),             neo,     9, -1 },
        { "anything to Boot ROM",   presets (korrina, 0, 2),          bootRom, 10, -1 },
        { "nothing to Boot ROM",    {},                               bootRom, 10, -1 },
        { "FPGA",                   messages (korrina, 0x6A),         korrina, 11, -1 },
        { "patch data first",       messages (korrina, 0x78),         korrina, 0, -1 },
        { "empty file",             {},                               korrina, 0, -1 },
        { "another maker's bank",   foreign (presets (korrina, 0, 3)), korrina, 0, -1 },
        { "not starting with F0",   foreign (preset (korrina, 0), 0),  korrina, 0, -1 },
    };

    for (const auto& c : cases)
    {
        int headers = -2;
        EXPECT_EQ (kindOf (c.file, c.device, &headers), c.kind) << c.what;
        EXPECT_EQ (headers, c.headers) << c.what;
    }
}

TEST (SendFileData, HeadersOfOtherModelsAndInsideDataAreNotCounted)
{
    // A Grand preset between Korrina presets is not a Korrina header.
    auto file = presets (korrina, 0, 2);
    TestDumps::append (file, preset (grand, 0));
    TestDumps::append (file, preset (korrina, 0, 9));

    int count = 0;
    EXPECT_EQ (SendFileData::countPatchHeaders (file.data(), file.size(), korrina, count), 2);
    EXPECT_EQ (count, 3);
    EXPECT_EQ (SendFileData::countPatchHeaders (file.data(), file.size(), grand, count), 2);
    EXPECT_EQ (count, 1);

    const auto single = preset (korrina, 0);
    EXPECT_EQ (SendFileData::classifyPatchFile (single.data(), single.size(), korrina, count), 1);

    const auto bank = presets (korrina, 0, 128);
    EXPECT_EQ (SendFileData::countPatchHeaders (bank.data(), bank.size(), korrina, count), 2);
    EXPECT_EQ (count, 128);
}

TEST (SendFileData, TheMatchRuleForEveryDevice)
{
    const DeviceModel devices[] = { korrina, grand, classic, neo, bootRom, 0xF7 };

    const struct { const char* what; Bytes file; bool fits[6]; } cases[] =
    {
        //                                                           Korrina Grand  Classic Neo   BootROM none
        { "Korrina preset",         preset (korrina, 0),           { true,  true,  false, false, false, false } },
        { "Korrina bank",           presets (korrina, 2, 2),       { true,  true,  false, false, false, false } },
        { "Korrina system",         presets (korrina, 3, 2),       { true,  false, false, false, false, false } },
        { "Grand preset",           preset (grand, 0),             { false, true,  false, false, false, false } },
        { "Grand cab",              cab (grand),                   { true,  true,  false, false, false, false } },
        { "Korrina cab",            cab (korrina),                 { true,  true,  false, false, false, false } },
        { "Korrina firmware",       messages (korrina, 0x7D),      { true,  true,  false, false, true,  false } },
        { "Grand firmware",         messages (grand, 0x7D),        { false, true,  false, false, true,  false } },
        { "Korrina FPGA",           messages (korrina, 0x6A),      { true,  true,  false, false, false, false } },
        { "Korrina system 0x61",    messages (korrina, 0x61),      { true,  true,  false, false, false, false } },
        { "Classic firmware",       messages (classic, 0x7D),      { false, false, true,  false, false, false } },
        { "Neo backup",             messages (neo, 0x75),          { false, false, false, true,  false, false } },
        { "Boot ROM firmware",      messages (bootRom, 0x7D),      { false, false, false, false, true,  false } },
        { "Boot ROM other",         messages (bootRom, 0x77),      { false, false, false, false, false, false } },
        { "five bytes",             Bytes { 0xF0, 0, 0x6B, 0x2E, 3 }, { false, false, false, false, false, false } },
        { "empty",                  {},                            { false, false, false, false, false, false } },
        { "another maker's preset", foreign (preset (korrina, 0)), { false, false, false, false, false, false } },
        { "another maker's firmware", foreign (messages (korrina, 0x7D)), { false, false, false, false, false, false } },
    };

    for (const auto& c : cases)
        for (int d = 0; d < 6; ++d)
            EXPECT_EQ (SendFileData::fileMatchesDevice (c.file.data(), c.file.size(), devices[d]), c.fits[d])
                << c.what << " on device " << (int) devices[d];
}

TEST (SendFileData, MismatchTextNamesTheDevice)
{
    const struct { DeviceModel device; const char* name; } cases[] =
    {
        { 2, "Stompra Classic" }, { 3, "Korrina" }, { 4, "Stompra Neo" }, { 6, "Korrina Grand" },
        { 0xFF, "Boot ROM" }, { 0xF7, "Other" }, { 5, "Other" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (SendFileData::getMismatchText (c.device),
                   juce::String ("The selection does not appear to be a valid file for the ") + c.name
                       + ".\n\nPlease try a different file.");
}

TEST (SendFileData, ModelIsReadOnlyFromTheMakersHeader)
{
    const struct { Bytes bytes; uint8_t model; } cases[] =
    {
        { { 0xF0, 0x00, 0x6B, 0x2E, 0x06, 0x77 }, 6 },
        { { 0xF0, 0x00, 0x6B, 0x2E, 0x03 }, 0 },
        { { 0xF0, 0x00, 0x6B, 0x2F, 0x03, 0x77 }, 0 },
        { { 0xF1, 0x00, 0x6B, 0x2E, 0x03, 0x77 }, 0 },
        { {}, 0 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (SendFileData::getSysExModel (c.bytes.data(), c.bytes.size()), c.model);
}

//==============================================================================
TEST (SendFileData, BankRetargetingChangesOnlyEachHeadersBankAndChecksum)
{
    for (auto model : { korrina, grand })
    {
        for (uint8_t bank : { 0, 1, 2, 3 })
        {
            const auto original = presets (model, 0x7F, 3);
            auto block = blockOf (original);
            SendFileData::setSendBank (block, bank, model);
            const auto result = TestDumps::bytesOf (block);
            ASSERT_EQ (result.size(), original.size());

            const auto headers = headerOffsets (original, model);
            ASSERT_EQ (headers.size(), 3u);

            for (size_t i = 0; i < result.size(); ++i)
            {
                const bool isHeaderByte = std::any_of (headers.begin(), headers.end(), [i] (size_t h)
                                                       { return i == h + 6 || i == h + 10; });

                if (! isHeaderByte)
                {
                    ASSERT_EQ (result[i], original[i]) << "byte " << i;
                }
            }

            for (auto h : headers)
            {
                EXPECT_EQ (result[h + 6], bank);
                EXPECT_EQ (result[h + 10], checksumOf (result.data() + h, 10));
                EXPECT_EQ (result[h + 11], 0xF7);
            }
        }
    }
}

TEST (SendFileData, BankRetargetingLeavesOtherModelsAndForeignFilesAlone)
{
    auto file = presets (korrina, 0, 2);
    const auto grandAt = file.size();
    TestDumps::append (file, preset (grand, 0));

    auto block = blockOf (file);
    SendFileData::setSendBank (block, 2, korrina);
    const auto result = TestDumps::bytesOf (block);
    EXPECT_TRUE (std::equal (result.begin() + (std::ptrdiff_t) grandAt, result.end(), file.begin() + (std::ptrdiff_t) grandAt));

    // Not starting with F0: nothing is touched.
    Bytes foreign { 0x00, 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x77, 0, 0, 0, 0, 0, 0, 0xF7 };
    auto foreignBlock = blockOf (foreign);
    SendFileData::setSendBank (foreignBlock, 2, korrina);
    EXPECT_EQ (TestDumps::bytesOf (foreignBlock), foreign);
}

TEST (SendFileData, SinglePresetGoesToTheEditBuffer)
{
    const auto original = preset (korrina, 1, 42);
    auto block = blockOf (original);
    ASSERT_TRUE (SendFileData::setSendDestination (block, SendFileData::editBuffer));

    auto expected = original;
    expected[6] = 0x7F;
    expected[10] = checksumOf (expected.data(), 10);
    EXPECT_EQ (TestDumps::bytesOf (block), expected);
    EXPECT_NE (expected[10], original[10]);

    DumpImage image;
    ASSERT_TRUE (image.parsePatch (static_cast<const uint8_t*> (block.getData()), block.getSize(), korrina));
    EXPECT_EQ (image.getBank(), 0x7Fu);
    EXPECT_EQ (image.getPreset(), 42u);
}

//==============================================================================
TEST (SendFileData, BankConversionsMatchDumpImageAndComeBackUnchanged)
{
    juce::Random random (31);
    const auto korrinaBank = TestDumps::bankFile (korrina, 1, random);

    DumpImage image;
    juce::MemoryBlock toGrand;
    ASSERT_TRUE (SendFileData::convertKorrinaBank (image, korrinaBank.data(), korrinaBank.size(), toGrand));

    // What DumpImage gives for each preset on its own, back to back.
    juce::MemoryBlock expected;
    DumpImage reference;

    for (auto& block : DumpImage::splitPatches (korrina, korrinaBank.data(), korrinaBank.size()))
    {
        ASSERT_TRUE (reference.parsePatch (static_cast<const uint8_t*> (block.getData()), block.getSize(), korrina));
        ASSERT_TRUE (reference.convertPatchToModel6());
        ASSERT_TRUE (reference.buildPatchMessages (expected));
    }

    EXPECT_TRUE (toGrand == expected);

    const auto grandBytes = TestDumps::bytesOf (toGrand);
    int count = 0;
    EXPECT_EQ (SendFileData::getSendFileKind (grandBytes.data(), grandBytes.size(), grand, count), 2);
    EXPECT_EQ (count, 128);
    EXPECT_EQ (headerOffsets (grandBytes, grand).size(), 128u);

    // Unpacked Korrina presets keep every byte through the Grand layout.
    juce::MemoryBlock back;
    ASSERT_TRUE (SendFileData::convertKorrinaGrandBank (image, grandBytes.data(), grandBytes.size(), back));
    EXPECT_EQ (TestDumps::bytesOf (back), korrinaBank);
}

TEST (SendFileData, PresetConversionsAppendOneDumpOfTheOtherEdition)
{
    const struct { uint8_t from, to; size_t size; } cases[] = { { korrina, grand, 12951 }, { grand, korrina, 6487 } };

    for (const auto& c : cases)
    {
        const auto file = preset (c.from, 2, 17);
        DumpImage image;
        juce::MemoryBlock output;
        const bool ok = c.from == korrina ? SendFileData::convertKorrinaPreset (image, file.data(), file.size(), output)
                                          : SendFileData::convertKorrinaGrandPreset (image, file.data(), file.size(), output);
        ASSERT_TRUE (ok);
        EXPECT_EQ (output.getSize(), c.size);

        const auto bytes = TestDumps::bytesOf (output);
        EXPECT_EQ (bytes[4], c.to);
        EXPECT_EQ (bytes[6], 2);
        EXPECT_EQ (bytes[7], 17);

        // A preset of the wrong edition does not convert.
        juce::MemoryBlock refused;
        EXPECT_FALSE (c.from == korrina ? SendFileData::convertKorrinaGrandPreset (image, file.data(), file.size(), refused)
                                        : SendFileData::convertKorrinaPreset (image, file.data(), file.size(), refused));
    }
}

TEST (SendFileData, ABankWithOneBadPresetDoesNotConvert)
{
    auto bank = presets (korrina, 0, 3);
    const auto offsets = headerOffsets (bank, korrina);

    // The middle preset's first PATCH_DATA loses its checksum; the last one is sound.
    bank[offsets[1] + 12 + 200] ^= 0x01;

    DumpImage image;
    juce::MemoryBlock output;
    EXPECT_FALSE (SendFileData::convertKorrinaBank (image, bank.data(), bank.size(), output));
    EXPECT_EQ (output.getSize(), 0u);

    // Stray bytes before the first header are a block that does not parse either.
    Bytes stray { 1, 2, 3, 4, 5 };
    TestDumps::append (stray, preset (korrina, 0));
    EXPECT_FALSE (SendFileData::convertKorrinaBank (image, stray.data(), stray.size(), output));

    EXPECT_FALSE (SendFileData::convertKorrinaBank (image, nullptr, 0, output));
}

//==============================================================================
TEST (SendFileData, ShortAndCutOffFilesAreNeverReadPastTheirEnd)
{
    // Each prefix is copied into a block of its own size, so a read past the end
    // is caught by the address sanitizer.
    const auto bank = presets (korrina, 0, 2);
    const auto secondHeader = headerOffsets (bank, korrina)[1];

    for (size_t length = 0; length <= 13; ++length)
    {
        const Bytes cut (bank.begin(), bank.begin() + (std::ptrdiff_t) length);
        const auto expected = length >= 12 ? 1 : 0;
        EXPECT_EQ (kindOf (cut, korrina), expected) << length;

        auto block = blockOf (cut);
        SendFileData::setSendBank (block, 2, korrina);
        const auto retargeted = TestDumps::bytesOf (block);

        if (length < 12)
            EXPECT_EQ (retargeted, cut) << length;
        else
            EXPECT_EQ (retargeted[6], 2) << length;

        EXPECT_EQ (SendFileData::setSendDestination (block, 0x7F), length >= 12) << length;

        for (auto device : { korrina, grand, bootRom })
            SendFileData::fileMatchesDevice (cut.data(), cut.size(), device);
    }

    // The second header cut off by the end: not a bank, and its tail stays as it was.
    for (size_t tail = 6; tail < 12; ++tail)
    {
        const Bytes cut (bank.begin(), bank.begin() + (std::ptrdiff_t) (secondHeader + tail));
        EXPECT_EQ (kindOf (cut, korrina), 0) << tail;

        auto block = blockOf (cut);
        SendFileData::setSendBank (block, 1, korrina);
        const auto result = TestDumps::bytesOf (block);
        EXPECT_EQ (result[6], 1);
        EXPECT_TRUE (std::equal (result.begin() + (std::ptrdiff_t) secondHeader, result.end(),
                                 cut.begin() + (std::ptrdiff_t) secondHeader)) << tail;
    }
}
