#include <gtest/gtest.h>

#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"
#include "support/ScopedCurrentModel.h"
#include "support/TestDumps.h"

using TestDumps::Bytes;
using TestDumps::bytesOf;

namespace
{
    Bytes payloadAt (const Bytes& dump, size_t start, size_t length)
    {
        return { dump.begin() + (std::ptrdiff_t) start + 6, dump.begin() + (std::ptrdiff_t) (start + length) - 2 };
    }

    bool convert (juce::MemoryBlock& out, const Bytes& dump, DumpImage::CabDestination destination,
                  uint32_t number, uint8_t model)
    {
        return DumpImage::convertCabIr (out, dump.data(), dump.size(), destination, number, model);
    }

    /** The START payload of a converted dump. */
    Bytes startPayload (const juce::MemoryBlock& out, uint8_t model)
    {
        return payloadAt (bytesOf (out), 0, model == 6 ? 12 : 11);
    }
}

//==============================================================================
TEST (DumpImageCabIrParse, ReadsTheWordsOfEitherEdition)
{
    juce::Random random (40);
    const auto words = TestDumps::cabWords (random, "Cab One");

    for (uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        const auto dump = TestDumps::cabDump (model, 300, words);
        EXPECT_EQ (dump.size(), model == 6 ? 10905u : 10904u);

        std::vector<uint32_t> out (2048, 0);
        ASSERT_TRUE (DumpImage::parseCabIr (dump.data(), dump.size(), out.data(), out.size()));
        EXPECT_EQ (out, words);
        EXPECT_TRUE (DumpImage::parseCabIr (dump.data(), dump.size(), nullptr, 0));
    }
}

TEST (DumpImageCabIrParse, DamagedOrOutOfPlaceMessagesFail)
{
    juce::Random random (41);
    const auto words = TestDumps::cabWords (random, "X");
    const auto good = TestDumps::cabDump (3, 5, words);
    std::vector<uint32_t> out (2048);

    auto damaged = good;
    damaged[11 + 170 * 10 + 50] ^= 0x02;
    EXPECT_FALSE (DumpImage::parseCabIr (damaged.data(), damaged.size(), out.data(), out.size()));

    auto twoStarts = TestDumps::cabStart (3, 5, 2048);
    TestDumps::append (twoStarts, good);
    EXPECT_FALSE (DumpImage::parseCabIr (twoStarts.data(), twoStarts.size(), out.data(), out.size()));

    auto twoEnds = good;
    TestDumps::append (twoEnds, TestDumps::cabEnd (3, TestDumps::xorOf (words)));
    EXPECT_FALSE (DumpImage::parseCabIr (twoEnds.data(), twoEnds.size(), out.data(), out.size()));

    auto foreign = good;
    TestDumps::append (foreign, TestDumps::message (3, 0x77, { 0, 0, 0, 0 }));
    EXPECT_FALSE (DumpImage::parseCabIr (foreign.data(), foreign.size(), out.data(), out.size()));

    auto badCount = TestDumps::cabStart (3, 5, 32);
    TestDumps::append (badCount, TestDumps::cabData (3, 31, words.data(), 32));
    EXPECT_FALSE (DumpImage::parseCabIr (badCount.data(), badCount.size(), out.data(), out.size()));

    auto badXor = TestDumps::cabStart (3, 5, 32);
    TestDumps::append (badXor, TestDumps::cabData (3, 32, words.data(), 32));
    TestDumps::append (badXor, TestDumps::cabEnd (3, 0x12345678));
    EXPECT_FALSE (DumpImage::parseCabIr (badXor.data(), badXor.size(), out.data(), out.size()));

    const Bytes startOnly = TestDumps::cabStart (3, 5, 2048);
    EXPECT_FALSE (DumpImage::parseCabIr (startOnly.data(), startOnly.size(), out.data(), out.size()));
    EXPECT_FALSE (DumpImage::parseCabIr (nullptr, 10, out.data(), out.size()));
    EXPECT_FALSE (DumpImage::parseCabIr (good.data(), 0, out.data(), out.size()));
}

TEST (DumpImageCabIrParse, MissingEndOrStartIsAcceptedButShortDumpWithEndIsNot)
{
    juce::Random random (42);
    const auto words = TestDumps::cabWords (random, "X");

    // 63 data messages and an END: the START's 2048 words are not all there.
    auto shortDump = TestDumps::cabStart (6, 1, 2048);
    for (size_t k = 0; k < 63; ++k)
        TestDumps::append (shortDump, TestDumps::cabData (6, 32, words.data() + 32 * k, 32));

    const std::vector<uint32_t> first63 (words.begin(), words.begin() + 63 * 32);
    auto withEnd = shortDump;
    TestDumps::append (withEnd, TestDumps::cabEnd (6, TestDumps::xorOf (first63)));
    juce::MemoryBlock out;
    EXPECT_FALSE (convert (out, withEnd, DumpImage::userSlot, 1, 6));

    // Without its END the same dump parses, and the rebuild pads the 64th message with zeros.
    ASSERT_TRUE (convert (out, shortDump, DumpImage::userSlot, 1, 6));
    const auto rebuilt = bytesOf (out);
    ASSERT_EQ (rebuilt.size(), 10905u);
    EXPECT_EQ (payloadAt (rebuilt, 12 + 170 * 63, 170), payloadAt (TestDumps::cabData (6, 32, nullptr, 0), 0, 170));

    // Without a START there is no count to hold the words to: an END with the right XOR passes.
    const Bytes noStart (withEnd.begin() + 12, withEnd.end());
    std::vector<uint32_t> parsed (2048, 0);
    ASSERT_TRUE (DumpImage::parseCabIr (noStart.data(), noStart.size(), parsed.data(), parsed.size()));
    EXPECT_TRUE (std::equal (first63.begin(), first63.end(), parsed.begin()));
}

TEST (DumpImageCabIrParse, MoreWordsThanTheBufferFailsWithoutWritingPastIt)
{
    juce::Random random (43);
    std::vector<uint32_t> words (2080);

    for (auto& w : words)
        w = (uint32_t) random.nextInt64();

    const auto dump = TestDumps::cabDump (3, 0, words);

    // A guard word after the buffer must survive.
    std::vector<uint32_t> buffer (2049, 0xDEADBEEF);
    EXPECT_FALSE (DumpImage::parseCabIr (dump.data(), dump.size(), buffer.data(), 2048));
    EXPECT_EQ (buffer[2048], 0xDEADBEEFu);

    juce::String name;
    bool empty = false;
    EXPECT_FALSE (DumpImage::getCabIrName (dump.data(), dump.size(), name));
    EXPECT_FALSE (DumpImage::isCabIrEmpty (dump.data(), dump.size(), empty));

    // The conversion buffer holds 8192 words, so the same dump converts (its first 2048 words).
    juce::MemoryBlock out;
    ASSERT_TRUE (convert (out, dump, DumpImage::userSlot, 4, 3));
    std::vector<uint32_t> back (2048);
    ASSERT_TRUE (DumpImage::parseCabIr (static_cast<const uint8_t*> (out.getData()), out.getSize(), back.data(), back.size()));
    EXPECT_TRUE (std::equal (back.begin(), back.end(), words.begin()));
}

//==============================================================================
TEST (DumpImageCabIrConvert, KorrinaToGrandUserSlot)
{
    juce::Random random (44);
    const auto source = TestDumps::cabDump (3, 7, TestDumps::cabWords (random, "Cab"));

    juce::MemoryBlock out;
    ASSERT_TRUE (convert (out, source, DumpImage::userSlot, 300, 6));
    const auto result = bytesOf (out);
    ASSERT_EQ (result.size(), 10905u);
    EXPECT_EQ (startPayload (out, 6), (Bytes { 0x02, 0x2C, 0x00, 0x10 }));

    // Data and END equal the source's apart from the model byte and the checksums.
    for (size_t k = 0; k < 65; ++k)
    {
        const auto length = k < 64 ? 170u : 13u;
        ASSERT_EQ (payloadAt (result, 12 + 170 * k, length), payloadAt (source, 11 + 170 * k, length)) << k;
        EXPECT_EQ (result[12 + 170 * k + 4], 6);
    }
}

TEST (DumpImageCabIrConvert, DestinationsGiveTheirCabNumbers)
{
    juce::Random random (45);
    const auto grandSource = TestDumps::cabDump (6, 1000, TestDumps::cabWords (random, "Grand"));
    juce::MemoryBlock out;

    ASSERT_TRUE (convert (out, grandSource, DumpImage::selectedSlot, 12, 3));
    EXPECT_EQ (out.getSize(), 10904u);
    EXPECT_EQ (startPayload (out, 3), (Bytes { 0x7F, 0x00, 0x10 }));

    ASSERT_TRUE (convert (out, grandSource, 77, 12, 6));     // any other value: the selected slot
    EXPECT_EQ (startPayload (out, 6), (Bytes { 0x7F, 0x7F, 0x00, 0x10 }));

    ASSERT_TRUE (convert (out, grandSource, DumpImage::scratchpad, 12, 3));
    EXPECT_EQ (startPayload (out, 3), (Bytes { 100, 0x00, 0x10 }));

    ASSERT_TRUE (convert (out, grandSource, DumpImage::scratchpad, 12, 6));
    EXPECT_EQ (startPayload (out, 6), (Bytes { 0x04, 0x00, 0x00, 0x10 }));

    ASSERT_TRUE (convert (out, grandSource, DumpImage::userSlot, 99, 3));
    EXPECT_EQ (startPayload (out, 3), (Bytes { 99, 0x00, 0x10 }));
}

TEST (DumpImageCabIrConvert, WordsPassThroughUnchangedBetweenSlotsAndModels)
{
    juce::Random random (46);
    const auto words = TestDumps::cabWords (random, "Round Trip");
    auto dump = TestDumps::cabDump (3, 12, words);

    const ScopedCurrentModel model (2);
    const uint8_t targets[] = { 6, 6, 3, 6, 3 };

    for (size_t i = 0; i < std::size (targets); ++i)
    {
        juce::MemoryBlock out;
        ASSERT_TRUE (convert (out, dump, DumpImage::userSlot, (uint32_t) (i * 40), targets[i]));
        EXPECT_EQ (SysExMessage::currentModel.load(), 2);
        dump = bytesOf (out);
    }

    std::vector<uint32_t> back (2048);
    ASSERT_TRUE (DumpImage::parseCabIr (dump.data(), dump.size(), back.data(), back.size()));
    EXPECT_EQ (back, words);
    EXPECT_EQ (dump, TestDumps::cabDump (3, 160, words));
}

TEST (DumpImageCabIrConvert, FailureKeepsTheOutputSizedAndBuildNeedsAFullIr)
{
    juce::MemoryBlock out;
    const Bytes garbage { 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x7B, 0x00, 0xF7 };
    EXPECT_FALSE (convert (out, garbage, DumpImage::userSlot, 1, 6));
    EXPECT_EQ (out.getSize(), 10905u);

    const std::vector<uint32_t> few (2047, 0);
    juce::MemoryBlock built;
    EXPECT_FALSE (DumpImage::buildCabIrMessages (few.data(), few.size(), DumpImage::scratchpad, 0, 3, built));
    EXPECT_FALSE (DumpImage::buildCabIrMessages (nullptr, 2048, DumpImage::scratchpad, 0, 3, built));
    EXPECT_EQ (built.getSize(), 0u);
}

//==============================================================================
TEST (DumpImageCabIrName, ReadsTrimsAndCutsTheName)
{
    juce::Random random (47);
    juce::String name;

    const auto spaced = TestDumps::cabDump (3, 0, TestDumps::cabWords (random, "Cab One  "));
    ASSERT_TRUE (DumpImage::getCabIrName (spaced.data(), spaced.size(), name));
    EXPECT_EQ (name, "Cab One");

    const auto full = TestDumps::cabDump (6, 0, TestDumps::cabWords (random, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"));
    ASSERT_TRUE (DumpImage::getCabIrName (full.data(), full.size(), name));
    EXPECT_EQ (name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");

    // Bytes that are not UTF-8 still make a name, one character per byte.
    auto words = TestDumps::cabWords (random, "");
    words[0] = 0x0000E94Bu;    // "K", e-acute in Latin-1
    ASSERT_TRUE (DumpImage::unpackCabName (words.data(), name));
    EXPECT_EQ (name.length(), 2);
    EXPECT_EQ (name[1], (juce::juce_wchar) 0xE9);

    EXPECT_FALSE (DumpImage::unpackCabName (nullptr, name));

    auto broken = spaced;
    broken[500] ^= 0x01;
    EXPECT_FALSE (DumpImage::getCabIrName (broken.data(), broken.size(), name));
}

TEST (DumpImageCabIrName, EmptySlotTest)
{
    juce::Random random (48);
    auto words = TestDumps::cabWords (random, "");

    words[0] = 0x0000FFFF;
    auto dump = TestDumps::cabDump (3, 0, words);
    bool empty = false;
    ASSERT_TRUE (DumpImage::isCabIrEmpty (dump.data(), dump.size(), empty));
    EXPECT_TRUE (empty);

    words[0] = 0xFFFF0000;
    dump = TestDumps::cabDump (3, 0, words);
    empty = false;
    ASSERT_TRUE (DumpImage::isCabIrEmpty (dump.data(), dump.size(), empty));
    EXPECT_FALSE (empty);

    dump[200] ^= 0x01;
    empty = false;
    EXPECT_FALSE (DumpImage::isCabIrEmpty (dump.data(), dump.size(), empty));
    EXPECT_FALSE (empty);
}
