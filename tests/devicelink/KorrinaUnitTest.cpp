#include <gtest/gtest.h>

#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "support/SysExTestMessages.h"
#include "support/TestDumps.h"
#include "support/UnitDumpMessages.h"

using namespace UnitDumpMessages;
using SysExTestMessages::framed;
using SysExTestMessages::payloadOf;

namespace
{
    /** Drives a unit directly: what it sends to the host is collected synchronously. */
    struct UnitHarness
    {
        explicit UnitHarness (DeviceModel model) : unit (model)
        {
            unit.setHostSender ([this] (const juce::MidiMessage& m) { sent.push_back (m); });
        }

        /** Hands the message to the unit and returns what it answered. */
        std::vector<juce::MidiMessage> send (const juce::MidiMessage& message)
        {
            sent.clear();
            unit.handleMessageFromHost (message);
            return sent;
        }

        /** Sends each message and checks that each was acknowledged on its own. */
        void sendAcknowledged (const std::vector<juce::MidiMessage>& messages)
        {
            for (const auto& message : messages)
            {
                const auto replies = send (message);
                ASSERT_EQ (replies.size(), 1u);
                ASSERT_TRUE (isStatus (replies[0], message.getRawData()[5], 0))
                    << "function " << (int) message.getRawData()[5] << " result " << (int) replies[0].getRawData()[7];
            }
        }

        KorrinaUnit unit;
        std::vector<juce::MidiMessage> sent;
    };

    bool allIntactAndOfModel (const std::vector<juce::MidiMessage>& messages, uint8_t model)
    {
        for (const auto& m : messages)
            if (! SysExMessage::isChecksumValid (m) || m.getRawData()[4] != model)
                return false;

        return true;
    }

    std::vector<uint32_t> makeCabWords (int seed)
    {
        juce::Random rng (seed);
        return TestDumps::cabWords (rng, "Test Cab");
    }

    std::vector<uint16_t> makePresetWords (uint8_t model, int seed)
    {
        juce::Random rng (seed);
        return model == 6 ? TestDumps::randomGrandPreset (rng) : TestDumps::randomKorrinaPreset (rng);
    }

    std::vector<juce::MidiMessage> presetDump (uint8_t model, int bank, int preset, const std::vector<uint16_t>& words)
    {
        return messagesOf (TestDumps::presetDump (model, (uint32_t) bank, (uint32_t) preset, words));
    }

    std::vector<juce::MidiMessage> cabDump (uint8_t model, int cab, const std::vector<uint32_t>& words)
    {
        return messagesOf (TestDumps::cabDump (model, (uint32_t) cab, words));
    }
}

//==============================================================================
TEST (KorrinaUnitQueries, VersionReplyCarriesFirmwareAndModel)
{
    UnitHarness grand (6);
    grand.unit.setFirmwareVersion (14, 2);
    const auto replies = grand.send (framed (6, 0x08, {}));

    ASSERT_EQ (replies.size(), 1u);
    EXPECT_EQ (replies[0].getRawDataSize(), 14);
    EXPECT_EQ (replies[0].getRawData()[4], 6);
    EXPECT_EQ (replies[0].getRawData()[5], 0x08);
    EXPECT_EQ (payloadOf (replies[0]), (std::vector<uint8_t> { 14, 2, 0, 0, 0, 0 }));
    EXPECT_TRUE (SysExMessage::isChecksumValid (replies[0]));
}

TEST (KorrinaUnitQueries, DisplayOffsetConfigAndOtherRequests)
{
    UnitHarness korrina (3);
    korrina.unit.setDisplayOffset (1);

    auto replies = korrina.send (framed (3, 0x35, septets (0x2FE, 2)));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_EQ (replies[0].getRawData()[5], 0x35);
    EXPECT_EQ (readGroups (replies[0], 6, 2), 0x2FEu);
    EXPECT_EQ (readGroups (replies[0], 8, 3), 1u);

    replies = korrina.send (framed (3, 0x35, septets (0x123, 2)));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x35, 7));

    replies = korrina.send (framed (3, 0x42, {}));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x42, 0));

    replies = korrina.send (framed (3, 0x2B, {}));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x2B, 5));
}

//==============================================================================
TEST (KorrinaUnitDumps, PresetDumpHasModelCountsAndStoredWords)
{
    for (const uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        UnitHarness h (model);
        const auto replies = h.send (framed (model, 0x03, { 1, 5 }));
        const auto dataMessages = model == 6 ? 64u : 32u;

        ASSERT_EQ (replies.size(), dataMessages + 2);
        EXPECT_TRUE (allIntactAndOfModel (replies, model));
        EXPECT_EQ (replies.front().getRawDataSize(), 12);
        EXPECT_EQ (replies.back().getRawDataSize(), 11);
        EXPECT_EQ (payloadOf (replies.front()), (std::vector<uint8_t> { 1, 5, 0, model == 6 ? (uint8_t) 0x20 : (uint8_t) 0x10 }));

        for (size_t i = 1; i + 1 < replies.size(); ++i)
        {
            EXPECT_EQ (replies[i].getRawData()[5], 0x78);
            EXPECT_EQ (replies[i].getRawDataSize(), 202);
        }

        const auto words = presetWordsOf (replies);
        EXPECT_EQ (bytesOfWords (words), h.unit.getPreset (1, 5));

        uint16_t check = 0;
        for (auto w : words)
            check ^= w;
        EXPECT_EQ (readGroups (replies.back(), 6, 3), (uint32_t) check);
    }
}

TEST (KorrinaUnitDumps, EditBufferDumpEchoesTheRequestedBank)
{
    UnitHarness h (6);

    for (const uint8_t bank : { (uint8_t) 0x7F, (uint8_t) 0x7E })
    {
        const auto replies = h.send (framed (6, 0x03, { bank, 0 }));
        ASSERT_EQ (replies.size(), 66u);
        EXPECT_EQ (replies.front().getRawData()[6], bank);
        EXPECT_EQ (bytesOfWords (presetWordsOf (replies)), h.unit.getEditBuffer());
    }
}

TEST (KorrinaUnitDumps, BankDumpSendsEveryPresetInOrder)
{
    for (const uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        UnitHarness h (model);
        const auto replies = h.send (framed (model, 0x1C, { 2 }));
        const size_t perPreset = model == 6 ? 66 : 34;

        ASSERT_EQ (replies.size(), model == 6 ? 8448u : 4352u);
        EXPECT_TRUE (allIntactAndOfModel (replies, model));

        for (int preset = 0; preset < 128; ++preset)
        {
            const auto& start = replies[(size_t) preset * perPreset];
            ASSERT_EQ (start.getRawData()[5], 0x77);
            EXPECT_EQ (start.getRawData()[6], 2);
            EXPECT_EQ (start.getRawData()[7], preset);
            EXPECT_EQ (replies[(size_t) (preset + 1) * perPreset - 1].getRawData()[5], 0x79);
        }

        const std::vector<juce::MidiMessage> lastPreset (replies.end() - (long) perPreset, replies.end());
        EXPECT_EQ (bytesOfWords (presetWordsOf (lastPreset)), h.unit.getPreset (2, 127));
    }
}

TEST (KorrinaUnitDumps, OutOfRangeRequestsAreRefusedWithTheirCode)
{
    UnitHarness korrina (3);
    auto replies = korrina.send (framed (3, 0x1C, { 4 }));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x1C, 24));

    replies = korrina.send (framed (3, 0x03, { 9, 0 }));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x03, 24));

    replies = korrina.send (framed (3, 0x19, { 101 }));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x19, 22));

    UnitHarness grand (6);
    replies = grand.send (framed (6, 0x19, { 0x04, 0x01 })); // 513: past the scratchpad
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x19, 22));
}

TEST (KorrinaUnitDumps, CabDumpUsesEachModelsCabNumberLayout)
{
    UnitHarness grand (6);
    auto replies = grand.send (framed (6, 0x19, { 0x02, 0x2C })); // cab 300

    ASSERT_EQ (replies.size(), 66u);
    EXPECT_TRUE (allIntactAndOfModel (replies, 6));
    EXPECT_EQ (replies.front().getRawDataSize(), 12);
    EXPECT_EQ (payloadOf (replies.front()), (std::vector<uint8_t> { 0x02, 0x2C, 0x00, 0x10 }));
    EXPECT_EQ (replies[1].getRawDataSize(), 170);
    EXPECT_EQ (replies.back().getRawDataSize(), 13);
    EXPECT_EQ (cabWordsOf (replies), grand.unit.getCab (300));
    EXPECT_TRUE (grand.unit.isCabEmpty (300));
    EXPECT_EQ (cabWordsOf (replies).front() & 0xFFFF, 0xFFFFu);

    UnitHarness korrina (3);
    replies = korrina.send (framed (3, 0x19, { 4 }));
    ASSERT_EQ (replies.size(), 66u);
    EXPECT_EQ (replies.front().getRawDataSize(), 11);
    EXPECT_EQ (payloadOf (replies.front()), (std::vector<uint8_t> { 4, 0x00, 0x10 }));
    EXPECT_FALSE (korrina.unit.isCabEmpty (4));

    juce::String name;
    const auto dump = joined (replies);
    ASSERT_TRUE (DumpImage::getCabIrName (static_cast<const uint8_t*> (dump.getData()), dump.getSize(), name));
    EXPECT_EQ (name, "Cab 005 Plate");
}

TEST (KorrinaUnitDumps, SystemDumpOnTheGrandOnly)
{
    UnitHarness grand (6);
    const auto replies = grand.send (framed (6, 0x43, {}));

    ASSERT_EQ (replies.size(), 66u);
    EXPECT_TRUE (allIntactAndOfModel (replies, 6));
    EXPECT_EQ (replies.front().getRawData()[5], 0x61);
    // The host derives the reply count from the start message: (count >> 6) + 2.
    EXPECT_EQ ((readGroups (replies.front(), 6, 3) >> 6) + 2, 66u);
    EXPECT_EQ (replies.back().getRawData()[5], 0x63);

    std::vector<uint16_t> words;
    for (size_t i = 1; i + 1 < replies.size(); ++i)
    {
        ASSERT_EQ (replies[i].getRawData()[5], 0x62);
        for (int w = 0; w < 64; ++w)
            words.push_back ((uint16_t) readGroups (replies[i], 8 + 3 * w, 3));
    }
    EXPECT_EQ (words, grand.unit.getSystemData());

    UnitHarness korrina (3);
    const auto refused = korrina.send (framed (3, 0x43, {}));
    ASSERT_EQ (refused.size(), 1u);
    EXPECT_TRUE (isStatus (refused[0], 0x43, 5));
}

TEST (KorrinaUnitDumps, PackedKorrinaPresetsUnpackToTheGrandsPresets)
{
    KorrinaUnit korrina (3);
    KorrinaUnit grand (6);
    int packedCount = 0;

    for (int preset = 0; preset < 8; ++preset)
    {
        if (! korrina.isPresetPacked (0, preset))
            continue;

        ++packedCount;
        const auto words = [&] {
            const auto bytes = korrina.getPreset (0, preset);
            std::vector<uint16_t> w (bytes.getSize() / 2);
            std::memcpy (w.data(), bytes.getData(), bytes.getSize());
            return w;
        }();
        const auto file = joined (presetDump (3, 0, preset, words));

        DumpImage image;
        ASSERT_TRUE (image.parsePatch (static_cast<const uint8_t*> (file.getData()), file.getSize(), 3));
        ASSERT_TRUE (image.convertPatchToModel6());

        auto expected = grand.getPreset (0, preset);
        auto converted = image.getConvertedData();
        ASSERT_EQ (converted.getSize(), expected.getSize());
        converted[2] = converted[3] = 0; // word 1: the packed length on the Korrina only
        EXPECT_EQ (converted, expected) << "preset " << preset;
    }

    EXPECT_GT (packedCount, 0);
    EXPECT_FALSE (korrina.isPresetPacked (0, 0));
}

//==============================================================================
TEST (KorrinaUnitReception, PresetIsAcknowledgedPerMessageAndStored)
{
    for (const uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        UnitHarness h (model);
        const auto words = makePresetWords (model, 11);

        h.sendAcknowledged (presetDump (model, 2, 9, words));
        EXPECT_EQ (h.unit.getPreset (2, 9), bytesOfWords (words));

        h.sendAcknowledged (presetDump (model, 0x7F, 0, makePresetWords (model, 12)));
        EXPECT_EQ (h.unit.getEditBuffer(), bytesOfWords (makePresetWords (model, 12)));
        EXPECT_EQ (h.unit.getPreset (2, 9), bytesOfWords (words));
    }
}

TEST (KorrinaUnitReception, CabGoesToUserSlotScratchpadOrCurrentSlot)
{
    UnitHarness grand (6);
    grand.sendAcknowledged (cabDump (6, 300, makeCabWords (1)));
    EXPECT_EQ (grand.unit.getCab (300), makeCabWords (1));

    grand.sendAcknowledged (cabDump (6, 512, makeCabWords (2)));
    EXPECT_EQ (grand.unit.getCab (512), makeCabWords (2));

    grand.unit.setCurrentCabSlot (17);
    grand.sendAcknowledged (cabDump (6, 0x3FFF, makeCabWords (3)));
    EXPECT_EQ (grand.unit.getCab (17), makeCabWords (3));

    UnitHarness korrina (3);
    korrina.sendAcknowledged (cabDump (3, 99, makeCabWords (4)));
    EXPECT_EQ (korrina.unit.getCab (99), makeCabWords (4));
}

TEST (KorrinaUnitReception, SystemFirmwareAndFpgaAreAcknowledgedAndKept)
{
    UnitHarness grand (6);

    std::vector<uint16_t> system (4096);
    for (size_t i = 0; i < system.size(); ++i)
        system[i] = (uint16_t) (i * 7919);

    std::vector<juce::MidiMessage> systemFile { framed (6, 0x61, septets (4096, 3)) };
    uint16_t check = 0;
    for (size_t offset = 0; offset < system.size(); offset += 64)
    {
        auto payload = septets (64, 2);
        for (size_t i = 0; i < 64; ++i)
        {
            const auto groups = septets (system[offset + i], 3);
            payload.insert (payload.end(), groups.begin(), groups.end());
            check ^= system[offset + i];
        }
        systemFile.push_back (framed (6, 0x62, payload));
    }
    systemFile.push_back (framed (6, 0x63, septets (check, 3)));

    grand.sendAcknowledged (systemFile);
    EXPECT_EQ (grand.unit.getSystemData(), system);

    const std::vector<juce::MidiMessage> firmware { framed (6, 0x25, {}), framed (6, 0x7D, { 1, 2 }),
                                                    framed (6, 0x7E, { 3, 4, 5 }), framed (6, 0x7F, { 6 }) };
    grand.sendAcknowledged (firmware);
    EXPECT_EQ (grand.unit.getReceivedFirmware(), joined (firmware));

    const std::vector<juce::MidiMessage> fpga { framed (6, 0x26, {}), framed (6, 0x6A, { 1 }),
                                                framed (6, 0x6B, { 2, 3 }), framed (6, 0x6C, {}) };
    grand.sendAcknowledged (fpga);
    EXPECT_EQ (grand.unit.getReceivedFpga(), joined (fpga));
}

TEST (KorrinaUnitReception, DamagedOrMisaddressedMessagesAreRefusedAndNotStored)
{
    UnitHarness h (3);
    const auto before = h.unit.getPreset (0, 3);
    auto dump = presetDump (3, 0, 3, makePresetWords (3, 5));

    auto replies = h.send (SysExTestMessages::fromBytes ([&] {
        auto bytes = SysExTestMessages::bytesOf (dump[0]);
        bytes[bytes.size() - 2] ^= 0x01;
        return bytes;
    }()));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x77, 1));

    replies = h.send (framed (6, 0x77, payloadOf (dump[0])));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x77, 3));

    replies = h.send (SysExTestMessages::fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x77, 0xF7 }));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x77, 17));

    // Data before any start, and an end whose word check does not match.
    replies = h.send (dump[1]);
    EXPECT_TRUE (isStatus (replies.at (0), 0x78, 16));

    // Replaced by pop and push: JUCE 7.0.5's MidiMessage move assignment leaks the
    // storage of the message it overwrites.
    const auto wrongCheck = readGroups (dump.back(), 6, 3) ^ 1u;
    dump.pop_back();
    dump.push_back (framed (3, 0x79, septets (wrongCheck, 3)));
    h.sendAcknowledged ({ dump.begin(), dump.end() - 1 });
    replies = h.send (dump.back());
    EXPECT_TRUE (isStatus (replies.at (0), 0x79, 19));
    EXPECT_EQ (h.unit.getPreset (0, 3), before);

    // Another maker's SysEx is not for the unit at all.
    EXPECT_TRUE (h.send (SysExTestMessages::fromBytes ({ 0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7 })).empty());
}

TEST (KorrinaUnitReception, ProgramChangesAreTakenWithoutAnswer)
{
    UnitHarness h (3);
    EXPECT_TRUE (h.send (juce::MidiMessage::programChange (1, 0)).empty());
    EXPECT_EQ (h.unit.getLastProgramChange(), 0);

    const auto received = h.unit.getReceivedMessages();
    ASSERT_EQ (received.size(), 1u);
    EXPECT_TRUE (received[0].isProgramChange());
    EXPECT_EQ (received[0].getChannel(), 1);
}

//==============================================================================
TEST (KorrinaUnitFaults, SilentUnitAnswersNothingButKeepsWhatArrives)
{
    UnitHarness h (3);
    UnitFaults faults;
    faults.silent = true;
    h.unit.setFaults (faults);

    EXPECT_TRUE (h.send (framed (3, 0x08, {})).empty());
    EXPECT_TRUE (h.send (framed (3, 0x1C, { 0 })).empty());
    EXPECT_EQ (h.unit.getNumReceivedMessages(), 2);
}

TEST (KorrinaUnitFaults, RefusalAnswersTheChosenResultForTheChosenFunction)
{
    UnitHarness h (6);
    UnitFaults faults;
    faults.refusalResult = 5;
    faults.refusalFunction = 0x7E;
    h.unit.setFaults (faults);

    const std::vector<juce::MidiMessage> firmware { framed (6, 0x7D, { 1 }), framed (6, 0x7E, { 2 }), framed (6, 0x7F, { 3 }) };
    EXPECT_TRUE (isStatus (h.send (firmware[0]).at (0), 0x7D, 0));
    EXPECT_TRUE (isStatus (h.send (firmware[1]).at (0), 0x7E, 5));
    EXPECT_TRUE (isStatus (h.send (firmware[2]).at (0), 0x7F, 0));

    faults.refusalResult = 1;
    faults.refusalFunction = -1;
    h.unit.setFaults (faults);
    const auto replies = h.send (framed (6, 0x03, { 0, 0 }));
    ASSERT_EQ (replies.size(), 1u);
    EXPECT_TRUE (isStatus (replies[0], 0x03, 1));
}

TEST (KorrinaUnitFaults, CorruptedRepliesFailTheirChecksum)
{
    UnitHarness h (3);
    UnitFaults faults;
    faults.corruptReplies = true;
    h.unit.setFaults (faults);

    const auto replies = h.send (framed (3, 0x03, { 0, 1 }));
    ASSERT_EQ (replies.size(), 34u);

    for (const auto& reply : replies)
        EXPECT_FALSE (SysExMessage::isChecksumValid (reply));
}

TEST (KorrinaUnitFaults, DelayedRepliesWaitBeforeTheyAreSent)
{
    UnitHarness h (3);
    UnitFaults faults;
    faults.replyDelayMs = 40;
    h.unit.setFaults (faults);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    EXPECT_EQ (h.send (framed (3, 0x08, {})).size(), 1u);
    EXPECT_GE (juce::Time::getMillisecondCounterHiRes() - start, 38.0);
}

TEST (KorrinaUnitFaults, UnplugsOnceWhenTheMessageAfterTheLimitArrives)
{
    UnitHarness h (3);
    int unplugs = 0;
    h.unit.setUnplugHandler ([&] { ++unplugs; });

    UnitFaults faults;
    faults.unplugAfterMessages = 2;
    h.unit.setFaults (faults);

    EXPECT_EQ (h.send (framed (3, 0x08, {})).size(), 1u);
    EXPECT_EQ (h.send (framed (3, 0x08, {})).size(), 1u);
    EXPECT_EQ (unplugs, 0);
    EXPECT_TRUE (h.send (framed (3, 0x08, {})).empty());
    EXPECT_EQ (unplugs, 1);

    // Plugged in again, the unit behaves.
    EXPECT_EQ (h.send (framed (3, 0x08, {})).size(), 1u);
    EXPECT_EQ (unplugs, 1);
}
