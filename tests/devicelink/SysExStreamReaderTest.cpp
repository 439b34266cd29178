#include <gtest/gtest.h>

#include "devicelink/SysExStreamReader.h"
#include "support/TestDumps.h"

using TestDumps::Bytes;

namespace
{
    /** Every message the reader yields, as byte vectors. */
    std::vector<Bytes> readAll (SysExStreamReader& reader)
    {
        std::vector<Bytes> messages;
        juce::MidiMessage message;

        while (reader.next (message))
        {
            const auto* raw = message.getRawData();
            messages.emplace_back (raw, raw + message.getRawDataSize());
        }

        return messages;
    }

    std::vector<Bytes> readAll (const Bytes& data, uint8_t model)
    {
        SysExStreamReader reader;
        EXPECT_TRUE (reader.init (data.data(), data.size(), model));
        return readAll (reader);
    }

    Bytes concat (std::initializer_list<Bytes> parts)
    {
        Bytes all;

        for (const auto& p : parts)
            TestDumps::append (all, p);

        return all;
    }
}

//==============================================================================
TEST (SysExStreamReaderInit, RefusesMissingOrEmptyData)
{
    SysExStreamReader reader;
    const uint8_t byte = 0xF0;

    EXPECT_FALSE (reader.init (nullptr, 10, 3));
    EXPECT_FALSE (reader.init (&byte, 0, 3));

    juce::MidiMessage message;
    EXPECT_FALSE (reader.next (message));

    // A refused init keeps what the reader held before.
    const auto data = TestDumps::message (6, 0x79, { 1 });
    ASSERT_TRUE (reader.init (data.data(), data.size(), 6));
    EXPECT_FALSE (reader.init (nullptr, 10, 3));
    EXPECT_EQ (reader.getModel(), 6);
    EXPECT_EQ (readAll (reader), std::vector<Bytes> { data });
}

TEST (SysExStreamReaderInit, CountsHeadersOfTheModelOnly)
{
    const auto a = TestDumps::message (3, 0x77, { 1, 2 });
    const auto b = TestDumps::message (6, 0x78, { 3 });
    const auto c = TestDumps::message (3, 0x79, {});
    const auto data = concat ({ a, b, c });

    SysExStreamReader reader;
    ASSERT_TRUE (reader.init (data.data(), data.size(), 3));
    EXPECT_EQ (reader.getMessageCount(), 2);
    EXPECT_EQ (reader.getSize(), data.size());

    ASSERT_TRUE (reader.init (data.data(), data.size(), 6));
    EXPECT_EQ (reader.getMessageCount(), 1);

    ASSERT_TRUE (reader.init (data.data(), data.size(), SysExStreamReader::bootRomModel));
    EXPECT_EQ (reader.getMessageCount(), 3);
}

TEST (SysExStreamReaderInit, KeepsItsOwnCopyOfTheData)
{
    auto data = TestDumps::message (3, 0x1C, { 0 });
    const auto original = data;

    SysExStreamReader reader;
    ASSERT_TRUE (reader.init (data.data(), data.size(), 3));
    std::fill (data.begin(), data.end(), 0);

    EXPECT_EQ (readAll (reader), std::vector<Bytes> { original });
}

//==============================================================================
TEST (SysExStreamReaderNext, YieldsEachMessageOnceInOrderAndThenStops)
{
    const auto a = TestDumps::message (3, 0x77, { 1, 2, 3, 4 });
    const auto b = TestDumps::message (3, 0x78, Bytes (194, 0x11));
    const auto c = TestDumps::message (3, 0x79, { 5, 6, 7 });
    const auto data = concat ({ a, b, c });

    SysExStreamReader reader;
    ASSERT_TRUE (reader.init (data.data(), data.size(), 3));
    EXPECT_EQ (readAll (reader), (std::vector<Bytes> { a, b, c }));
    EXPECT_EQ (reader.getPosition(), data.size());

    juce::MidiMessage message;
    EXPECT_FALSE (reader.next (message));

    reader.rewind();
    EXPECT_EQ (readAll (reader).size(), 3u);
}

TEST (SysExStreamReaderNext, SkipsBytesBeforeTheFirstHeader)
{
    const auto a = TestDumps::message (6, 0x77, { 1 });
    const auto b = TestDumps::message (6, 0x79, { 2 });
    const auto data = concat ({ { 0x01, 0xF7, 0xF0 }, a, b });

    EXPECT_EQ (readAll (data, 6), (std::vector<Bytes> { a, b }));
}

TEST (SysExStreamReaderNext, DataForAnotherModelYieldsNothingAndKeepsThePosition)
{
    const auto data = concat ({ TestDumps::message (3, 0x77, { 1 }), TestDumps::message (3, 0x79, { 2 }) });

    SysExStreamReader reader;
    ASSERT_TRUE (reader.init (data.data(), data.size(), 6));
    EXPECT_EQ (reader.getMessageCount(), 0);

    juce::MidiMessage message;
    EXPECT_FALSE (reader.next (message));
    EXPECT_EQ (reader.getPosition(), 0u);
}

TEST (SysExStreamReaderNext, BytesAfterAnF7ThatAreNoHeaderStayWithTheMessageBefore)
{
    const auto a = TestDumps::message (3, 0x77, { 1 });
    const auto b = TestDumps::message (3, 0x79, { 2 });
    const Bytes stray { 0x12, 0x34, 0xF7 };
    const auto data = concat ({ a, stray, b });

    const auto messages = readAll (data, 3);
    ASSERT_EQ (messages.size(), 2u);
    EXPECT_EQ (messages[0], concat ({ a, stray }));
    EXPECT_EQ (messages[1], b);
}

TEST (SysExStreamReaderNext, TwoHeadersWithoutF7BetweenThemRunToTheLastF7BeforeAHeader)
{
    // The first message has lost its F7: it swallows the second header, up to the F7
    // that stands before the third header.
    auto a = TestDumps::message (3, 0x77, { 1, 2 });
    a.pop_back();
    const auto b = TestDumps::message (3, 0x78, { 3 });
    const auto c = TestDumps::message (3, 0x79, { 4 });
    const auto data = concat ({ a, b, c });

    const auto messages = readAll (data, 3);
    ASSERT_EQ (messages.size(), 2u);
    EXPECT_EQ (messages[0], concat ({ a, b }));
    EXPECT_EQ (messages[1], c);

    // Without any F7 followed by a header, the first message runs to the end.
    auto d = TestDumps::message (3, 0x79, { 4 });
    d.pop_back();
    const auto noEnd = concat ({ a, d });
    EXPECT_EQ (readAll (noEnd, 3), std::vector<Bytes> { noEnd });
}

TEST (SysExStreamReaderNext, AHeaderAtTheVeryEndIsAMessageOfItsOwn)
{
    const auto a = TestDumps::message (3, 0x77, { 1 });
    const Bytes header { 0xF0, 0x00, 0x6B, 0x2E, 0x03 };
    const auto messages = readAll (concat ({ a, header }), 3);

    EXPECT_EQ (messages, (std::vector<Bytes> { a, header }));
}

TEST (SysExStreamReaderNext, BootRomStartsAMessageAtEveryF0AfterAnF7)
{
    const auto a = TestDumps::message (3, 0x7D, { 1 });
    const auto b = TestDumps::message (0x55, 0x7E, { 2, 3 });
    const Bytes c { 0xF0, 0x01, 0x02, 0xF7 };
    const auto data = concat ({ { 0x00, 0x01 }, a, b, c });

    EXPECT_EQ (readAll (data, SysExStreamReader::bootRomModel), (std::vector<Bytes> { a, b, c }));
}

TEST (SysExStreamReaderNext, ViewVariantMatchesTheMessageVariant)
{
    const auto data = concat ({ TestDumps::message (6, 0x77, { 1 }), TestDumps::message (6, 0x79, { 2 }) });

    SysExStreamReader reader;
    ASSERT_TRUE (reader.init (data.data(), data.size(), 6));
    const auto expected = readAll (reader);
    reader.rewind();

    std::vector<Bytes> viewed;
    const uint8_t* start = nullptr;
    size_t size = 0;

    while (reader.next (start, size))
        viewed.emplace_back (start, start + size);

    EXPECT_EQ (viewed, expected);
}

TEST (SysExStreamReaderNext, GarbageNeverYieldsBytesOutsideTheData)
{
    juce::Random random (42);

    for (int round = 0; round < 300; ++round)
    {
        // Random bytes seeded with header fragments, so that partial headers, F7s and
        // whole headers land everywhere, the data's edges included.
        Bytes data ((size_t) random.nextInt (200) + 1);

        for (auto& b : data)
        {
            const auto pick = random.nextInt (10);
            b = pick < 3 ? (uint8_t) 0xF0 : pick < 5 ? (uint8_t) 0xF7 : (uint8_t) random.nextInt (256);
        }

        for (int h = random.nextInt (4); --h >= 0;)
        {
            const auto at = (size_t) random.nextInt ((int) data.size());
            const Bytes header { 0xF0, 0x00, 0x6B, 0x2E, 0x03 };

            for (size_t i = 0; i < header.size() && at + i < data.size(); ++i)
                data[at + i] = header[i];
        }

        for (uint8_t model : { (uint8_t) 3, SysExStreamReader::bootRomModel })
        {
            SysExStreamReader reader;
            ASSERT_TRUE (reader.init (data.data(), data.size(), model));

            size_t covered = 0;
            int count = 0;
            const uint8_t* start = nullptr;
            size_t size = 0;

            while (reader.next (start, size))
            {
                ASSERT_GT (size, 0u);
                ASSERT_EQ (start[0], 0xF0);
                covered += size;
                ++count;
                ASSERT_LE (covered, data.size());
                ASSERT_LE (count, (int) data.size());
            }

            // Every header found by the count starts a message or is swallowed by one,
            // so there are never more messages than headers.
            EXPECT_LE (count, reader.getMessageCount());
        }
    }
}
