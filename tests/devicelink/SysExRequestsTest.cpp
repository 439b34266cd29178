#include <gtest/gtest.h>

#include "devicelink/SysExMessage.h"
#include "devicelink/SysExTransaction.h"
#include "support/ScopedCurrentModel.h"
#include "support/SysExTestMessages.h"

using namespace SysExTestMessages;

namespace
{
    std::vector<uint8_t> requestBytes (const SysExTransaction& transaction)
    {
        return bytesOf (transaction.getRequest());
    }

    /** A message with one byte changed. */
    juce::MidiMessage withByte (const juce::MidiMessage& message, int index, uint8_t value)
    {
        auto bytes = bytesOf (message);
        bytes[(size_t) index] = value;
        return fromBytes (bytes);
    }

    /** The first `length` bytes of a message. */
    juce::MidiMessage truncated (const juce::MidiMessage& message, int length)
    {
        auto bytes = bytesOf (message);
        bytes.resize ((size_t) length);
        return fromBytes (bytes);
    }
}

//==============================================================================
TEST (SysExRequests, PatchDumpRequestBytesAndCountsPerModel)
{
    {
        ScopedCurrentModel model (6);
        SysExTransaction transaction (2000u);
        ASSERT_TRUE (SysExMessage::buildPatchDumpRequest (transaction, { 0x7F, 0 }));
        EXPECT_EQ (requestBytes (transaction), bytesOf (framed (6, 0x03, { 0x7F, 0x00 })));
        EXPECT_EQ (transaction.getExpectedReplies(), 66);
    }
    {
        ScopedCurrentModel model (3);
        SysExTransaction transaction (2000u);
        ASSERT_TRUE (SysExMessage::buildPatchDumpRequest (transaction, { 2, 17 }));
        EXPECT_EQ (requestBytes (transaction), bytesOf (framed (3, 0x03, { 0x02, 0x11 })));
        EXPECT_EQ (transaction.getExpectedReplies(), 34);
    }
    {
        ScopedCurrentModel model (2);
        SysExTransaction transaction (2000u);
        ASSERT_TRUE (SysExMessage::buildPatchDumpRequest (transaction, { 0, 0 }));
        EXPECT_EQ (transaction.getExpectedReplies(), 0);
    }
}

TEST (SysExRequests, CabDumpRequestSplitsCabNumberHighFirstOnGrandOnly)
{
    {
        ScopedCurrentModel model (6);
        SysExTransaction transaction (2000u);
        ASSERT_TRUE (SysExMessage::buildCabDumpRequest (transaction, { 300 }));
        EXPECT_EQ (payloadOf (transaction.getRequest()), (std::vector<uint8_t> { 0x02, 0x2C }));
        EXPECT_EQ (transaction.getExpectedReplies(), 66);
    }
    {
        ScopedCurrentModel model (3);
        SysExTransaction transaction (2000u);
        ASSERT_TRUE (SysExMessage::buildCabDumpRequest (transaction, { 99 }));
        EXPECT_EQ (requestBytes (transaction), bytesOf (framed (3, 0x19, { 0x63 })));
        EXPECT_EQ (transaction.getExpectedReplies(), 66);
    }
}

TEST (SysExRequests, BankDumpRequestExpectsEveryMessageOfTheBank)
{
    const std::pair<uint8_t, int> expectations[] { { 3, 4352 }, { 6, 8448 }, { 2, 256 }, { 4, 256 } };

    for (auto [modelByte, expected] : expectations)
    {
        ScopedCurrentModel model (modelByte);
        SysExTransaction transaction (2000u);
        ASSERT_TRUE (SysExMessage::buildBankDumpRequest (transaction, { 3 }));
        EXPECT_EQ (requestBytes (transaction), bytesOf (framed (modelByte, 0x1C, { 0x03 })));
        EXPECT_EQ (transaction.getExpectedReplies(), expected) << "model " << (int) modelByte;
    }
}

TEST (SysExRequests, ProgramChangeExpectsNoReply)
{
    SysExTransaction transaction (2000u);
    ASSERT_TRUE (SysExMessage::buildProgramChange (transaction));
    EXPECT_EQ (requestBytes (transaction), (std::vector<uint8_t> { 0xC0, 0x00 }));
    EXPECT_EQ (transaction.getExpectedReplies(), 0);
}

TEST (SysExRequests, ConfigRequestCarriesTwoGroupParameter)
{
    ScopedCurrentModel model (3);
    juce::MidiMessage message;
    ASSERT_TRUE (SysExMessage::buildConfigRequest (message, { 0x2FE }));
    EXPECT_EQ (bytesOf (message), bytesOf (framed (3, 0x35, { 0x7E, 0x05 })));
}

//==============================================================================
TEST (SysExPatchMessages, StartAndEndRoundTrip)
{
    ScopedCurrentModel model (3);
    juce::MidiMessage message;

    ASSERT_TRUE (SysExMessage::buildPatchStart (message, { 0x7F, 5, 2048 }));
    EXPECT_EQ (message.getRawDataSize(), 12);
    PatchHeader header;
    ASSERT_TRUE (SysExMessage::parsePatchStart (message, header));
    EXPECT_EQ (header.bank, 0x7Fu);
    EXPECT_EQ (header.preset, 5u);
    EXPECT_EQ (header.wordCount, 2048u);

    ASSERT_TRUE (SysExMessage::buildPatchEnd (message, { 0xBEEF }));
    EXPECT_EQ (message.getRawDataSize(), 11);
    SingleNumber end;
    ASSERT_TRUE (SysExMessage::parsePatchEnd (message, end));
    EXPECT_EQ (end.value, 0xBEEFu);
}

TEST (SysExPatchMessages, DataHasFixedSizeAndZeroedUnusedSlots)
{
    ScopedCurrentModel model (6);
    PatchDataBlock data;
    data.count = 10;

    for (int i = 0; i < 10; ++i)
        data.words[i] = 0xFFFF - (uint32_t) i;

    for (int i = 10; i < 64; ++i)
        data.words[i] = 0x1234;   // must not leak past count

    juce::MidiMessage message;
    ASSERT_TRUE (SysExMessage::buildPatchData (message, data));
    ASSERT_EQ (message.getRawDataSize(), 202);
    EXPECT_TRUE (SysExMessage::isChecksumValid (message));
    EXPECT_EQ (message.getRawData()[4], 6);
    EXPECT_EQ (SysExMessage::readSeptets (message, 6, 2), 10u);

    for (int i = 0; i < 10; ++i)
        EXPECT_EQ (SysExMessage::readSeptets (message, 8 + 3 * i, 3), 0xFFFFu - (uint32_t) i);

    for (int i = 10; i < 64; ++i)
        EXPECT_EQ (SysExMessage::readSeptets (message, 8 + 3 * i, 3), 0u) << "slot " << i;
}

TEST (SysExPatchMessages, DataRefusesMoreWordsThanAMessageHolds)
{
    PatchDataBlock data;
    data.count = 65;
    auto message = fromBytes ({ 0xF0, 0xF7 });
    EXPECT_FALSE (SysExMessage::buildPatchData (message, data));
    EXPECT_EQ (message.getRawDataSize(), 2);
}

TEST (SysExPatchMessages, FullDataRoundTripsAndOtherCountsAreRefusedButStored)
{
    PatchDataBlock data;
    data.count = 64;

    for (int i = 0; i < 64; ++i)
        data.words[i] = (uint32_t) (i * 1031) & 0xFFFF;

    juce::MidiMessage message;
    ASSERT_TRUE (SysExMessage::buildPatchData (message, data));

    PatchDataBlock parsed;
    ASSERT_TRUE (SysExMessage::parsePatchData (message, parsed));
    EXPECT_EQ (parsed.count, 64u);

    for (int i = 0; i < 64; ++i)
        EXPECT_EQ (parsed.words[i], data.words[i]);

    data.count = 63;
    ASSERT_TRUE (SysExMessage::buildPatchData (message, data));
    PatchDataBlock rejected;
    rejected.words[0] = 0xAAAA;
    EXPECT_FALSE (SysExMessage::parsePatchData (message, rejected));
    EXPECT_EQ (rejected.count, 63u);
    EXPECT_EQ (rejected.words[0], 0xAAAAu);
}

//==============================================================================
TEST (SysExCabMessages, StartLayoutFollowsModel)
{
    juce::MidiMessage message;
    CabHeader header;
    {
        ScopedCurrentModel model (6);
        ASSERT_TRUE (SysExMessage::buildCabIrStart (message, { 300, 2048 }));
        EXPECT_EQ (bytesOf (message), bytesOf (framed (6, 0x7A, { 0x02, 0x2C, 0x00, 0x10 })));
    }
    {
        // The parser follows the message's model byte, not currentModel.
        ScopedCurrentModel model (3);
        ASSERT_TRUE (SysExMessage::parseCabIrStart (message, header));
        EXPECT_EQ (header.cab, 300u);
        EXPECT_EQ (header.wordCount, 2048u);

        ASSERT_TRUE (SysExMessage::parseCabIrStart (framed (3, 0x7A, { 0x02, 0x2C, 0x00, 0x10 }), header));
        EXPECT_EQ (header.cab, 2u);
        EXPECT_EQ (header.wordCount, 44u);

        ASSERT_TRUE (SysExMessage::buildCabIrStart (message, { 99, 4000 }));
        EXPECT_EQ (message.getRawDataSize(), 11);
        ASSERT_TRUE (SysExMessage::parseCabIrStart (message, header));
        EXPECT_EQ (header.cab, 99u);
        EXPECT_EQ (header.wordCount, 4000u);
    }
}

TEST (SysExCabMessages, DataAndEndRoundTrip)
{
    CabDataBlock data;
    data.count = 32;

    for (int i = 0; i < 32; ++i)
        data.words[i] = 0x9E3779B9u * (uint32_t) (i + 1);

    juce::MidiMessage message;
    ASSERT_TRUE (SysExMessage::buildCabIrData (message, data));
    ASSERT_EQ (message.getRawDataSize(), 170);

    CabDataBlock parsed;
    ASSERT_TRUE (SysExMessage::parseCabIrData (message, parsed));

    for (int i = 0; i < 32; ++i)
        EXPECT_EQ (parsed.words[i], data.words[i]);

    ASSERT_TRUE (SysExMessage::buildCabIrEnd (message, { 0xFFFFFFFF }));
    EXPECT_EQ (message.getRawDataSize(), 13);
    SingleNumber end;
    ASSERT_TRUE (SysExMessage::parseCabIrEnd (message, end));
    EXPECT_EQ (end.value, 0xFFFFFFFFu);
}

TEST (SysExCabMessages, DataCountsOutsideAFullMessageAreRefused)
{
    CabDataBlock data;
    data.count = 33;
    juce::MidiMessage message;
    EXPECT_FALSE (SysExMessage::buildCabIrData (message, data));

    data.count = 5;
    ASSERT_TRUE (SysExMessage::buildCabIrData (message, data));
    EXPECT_EQ (message.getRawDataSize(), 170);
    CabDataBlock parsed;
    EXPECT_FALSE (SysExMessage::parseCabIrData (message, parsed));
    EXPECT_EQ (parsed.count, 5u);
}

//==============================================================================
TEST (SysExReplies, StatusNeedsEightBytesAndTakesBytesWhole)
{
    StatusReply status { 0x11, 0x22 };
    EXPECT_FALSE (SysExMessage::parseStatus (fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x64, 0x03 }), status));
    EXPECT_EQ (status.function, 0x11);
    EXPECT_EQ (status.result, 0x22);

    ASSERT_TRUE (SysExMessage::parseStatus (framed (3, 0x64, { 0x03, 0x05 }), status));
    EXPECT_EQ (status.function, 0x03);
    EXPECT_EQ (status.result, 0x05);

    ASSERT_TRUE (SysExMessage::parseStatus (fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x64, 0x83, 0x90 }), status));
    EXPECT_EQ (status.function, 0x83);
    EXPECT_EQ (status.result, 0x90);
}

TEST (SysExReplies, VersionGivesFloatVersionAndMessageModel)
{
    ScopedCurrentModel model (3);
    VersionReply version;
    version.unused[2] = 99;
    ASSERT_TRUE (SysExMessage::parseVersion (framed (6, 0x08, { 9, 2, 1, 1, 1, 1 }), version));
    EXPECT_EQ (version.major, 9u);
    EXPECT_EQ (version.minor, 2u);
    EXPECT_FLOAT_EQ (version.version, 9.02f);
    EXPECT_EQ (version.model, 6);
    EXPECT_EQ (version.unused[2], 0u);
}

TEST (SysExReplies, ConfigReadsIdAndValue)
{
    ConfigReply config;
    ASSERT_TRUE (SysExMessage::parseConfig (framed (3, 0x35, { 0x7E, 0x05, 0x03, 0x01, 0x00 }), config));
    EXPECT_EQ (config.parameterId, 0x2FE);
    EXPECT_EQ (config.value, 0x83);
}

TEST (SysExReplies, ShortSingleGroupBroadcasts)
{
    PatchNumber patch;
    ASSERT_TRUE (SysExMessage::parsePatchNum (framed (3, 0x14, { 2, 100 }), patch));
    EXPECT_EQ (patch.first, 2u);
    EXPECT_EQ (patch.second, 100u);

    TunerReading tuner;
    ASSERT_TRUE (SysExMessage::parseTuner (framed (3, 0x0D, { 1, 2, 3 }), tuner));
    EXPECT_EQ (tuner.values[2], 3u);

    MultiMsgStart multi;
    ASSERT_TRUE (SysExMessage::parseMultiMsgStart (framed (3, 0x32, { 7, 0x10, 0x01 }), multi));
    EXPECT_EQ (multi.first, 7u);
    EXPECT_EQ (multi.second, 0x90u);

    SingleNumber system;
    ASSERT_TRUE (SysExMessage::parseSystemDataStart (framed (3, 0x61, { 0x00, 0x20, 0x00 }), system));
    EXPECT_EQ (system.value, 4096u);
}

TEST (SysExReplies, FieldsPastTheEndReadAsZero)
{
    // A PATCH_START cut after the bank: preset and word count are missing.
    PatchHeader header { 9, 9, 9 };
    ASSERT_TRUE (SysExMessage::parsePatchStart (fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x77, 0x05 }), header));
    EXPECT_EQ (header.bank, 5u);
    EXPECT_EQ (header.preset, 0u);
    EXPECT_EQ (header.wordCount, 0u);
}

TEST (SysExReplies, EffectStartSplitsFlagGroup)
{
    EffectStart effect;
    ASSERT_TRUE (SysExMessage::parseEffectStart (framed (3, 0x74, { 0x01, 0x01, 0x00, 0x05, 0x7F }), effect));
    EXPECT_EQ (effect.first, 0x81);
    EXPECT_EQ (effect.second, 640);
    EXPECT_EQ (effect.flags, 0x7F);
    EXPECT_EQ (effect.bit0, 1);
    EXPECT_EQ (effect.bit1, 1);
    EXPECT_EQ (effect.bit2, 1);
    EXPECT_EQ (effect.fourthFlag, 0x08 | 0x07);

    ASSERT_TRUE (SysExMessage::parseEffectStart (framed (3, 0x74, { 0, 0, 0, 0, 0x08 }), effect));
    EXPECT_EQ (effect.fourthFlag, 0x08);
    EXPECT_EQ (effect.bit0 + effect.bit1 + effect.bit2, 0);

    ASSERT_TRUE (SysExMessage::parseEffectStart (framed (3, 0x74, { 0, 0, 0, 0, 0x12 }), effect));
    EXPECT_EQ (effect.fourthFlag, 0x01);
    EXPECT_EQ (effect.bit1, 1);
}

//==============================================================================
TEST (SysExStatusAnswers, LooperStateFromDataOrSuccessStatus)
{
    LooperState looper;
    ASSERT_TRUE (SysExMessage::parseLooperState (framed (3, 0x23, { 4, 5 }), looper));
    EXPECT_EQ (looper.first, 4);
    EXPECT_EQ (looper.second, 5);

    ASSERT_TRUE (SysExMessage::parseLooperState (framed (3, 0x64, { 0x55, 0x00 }), looper));
    EXPECT_EQ (looper.first, 0);
    EXPECT_EQ (looper.second, 0);

    looper = { 7, 7 };
    EXPECT_FALSE (SysExMessage::parseLooperState (framed (3, 0x64, { 0x23, 0x04 }), looper));
    EXPECT_EQ (looper.first, 7);
}

TEST (SysExStatusAnswers, ModifierBroadcastFillsThirdByte)
{
    ModifierBroadcast modifier;
    modifier.bytes[0] = 1;
    modifier.bytes[1] = 2;
    ASSERT_TRUE (SysExMessage::parseBroadcastModifier (framed (3, 0x39, { 0x42 }), modifier));
    EXPECT_EQ (modifier.bytes[0], 1);
    EXPECT_EQ (modifier.bytes[1], 2);
    EXPECT_EQ (modifier.bytes[2], 0x42);

    ASSERT_TRUE (SysExMessage::parseBroadcastModifier (framed (3, 0x64, { 0x39, 0x00 }), modifier));
    EXPECT_EQ (modifier.bytes[0], 1);
    EXPECT_EQ (modifier.bytes[1], 0);
    EXPECT_EQ (modifier.bytes[2], 0);

    EXPECT_FALSE (SysExMessage::parseBroadcastModifier (framed (3, 0x64, { 0x39, 0x01 }), modifier));
}

TEST (SysExStatusAnswers, KnobBroadcastEntries)
{
    KnobBroadcast knobs;
    ASSERT_TRUE (SysExMessage::parseBroadcastKnob (framed (3, 0x38, { 0x05, 0x01, 0x40, 0x7F, 0x7F, 0x00 }), knobs));
    EXPECT_EQ (knobs.count, 2);
    EXPECT_EQ (knobs.ids[0], 0x85);
    EXPECT_EQ (knobs.values[0], 0x40);
    EXPECT_EQ (knobs.ids[1], 0x3FFF);
    EXPECT_EQ (knobs.values[1], 0);

    ASSERT_TRUE (SysExMessage::parseBroadcastKnob (framed (3, 0x38, {}), knobs));
    EXPECT_EQ (knobs.count, 0);
    EXPECT_EQ (knobs.ids[0], 0);

    EXPECT_FALSE (SysExMessage::parseBroadcastKnob (framed (3, 0x38, { 1, 2 }), knobs));
    EXPECT_FALSE (SysExMessage::parseBroadcastKnob (fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x38, 0x01 }), knobs));
}

TEST (SysExStatusAnswers, KnobBroadcastIsEmptiedEvenWhenRefused)
{
    KnobBroadcast knobs;
    ASSERT_TRUE (SysExMessage::parseBroadcastKnob (framed (3, 0x38, { 1, 0, 9 }), knobs));
    ASSERT_EQ (knobs.count, 1);

    EXPECT_FALSE (SysExMessage::parseBroadcastKnob (framed (3, 0x39, { 1 }), knobs));
    EXPECT_EQ (knobs.count, 0);
    EXPECT_EQ (knobs.ids[0], 0);
    EXPECT_EQ (knobs.values[0], 0);

    ASSERT_TRUE (SysExMessage::parseBroadcastKnob (framed (3, 0x38, { 1, 0, 9 }), knobs));
    ASSERT_TRUE (SysExMessage::parseBroadcastKnob (framed (3, 0x64, { 0x38, 0 }), knobs));
    EXPECT_EQ (knobs.count, 0);
}

TEST (SysExStatusAnswers, KnobBroadcastKeepsFirstSixteenEntries)
{
    std::vector<uint8_t> payload;

    for (uint8_t i = 0; i < 20; ++i)
        for (auto b : { i, (uint8_t) 0, (uint8_t) (i + 1) })
            payload.push_back (b);

    KnobBroadcast knobs;
    ASSERT_TRUE (SysExMessage::parseBroadcastKnob (framed (3, 0x38, payload), knobs));
    EXPECT_EQ (knobs.count, 16);
    EXPECT_EQ (knobs.ids[15], 15);
    EXPECT_EQ (knobs.values[15], 16);
}

//==============================================================================
/** Every parser against messages that are not its own. */
class SysExParserRefusals : public ::testing::Test
{
protected:
    /** Runs every parser on the message; returns how many accepted it. */
    static int acceptedBy (const juce::MidiMessage& message)
    {
        StatusReply status;       VersionReply version;   ConfigReply config;
        PatchNumber patchNum;     TunerReading tuner;     PatchHeader patchHeader;
        PatchDataBlock patchData; SingleNumber number;    CabHeader cabHeader;
        CabDataBlock cabData;     MultiMsgStart multi;    EffectStart effect;
        LooperState looper;       KnobBroadcast knobs;    ModifierBroadcast modifier;

        return (int) SysExMessage::parseStatus (message, status)
             + (int) SysExMessage::parseVersion (message, version)
             + (int) SysExMessage::parseConfig (message, config)
             + (int) SysExMessage::parsePatchNum (message, patchNum)
             + (int) SysExMessage::parseTuner (message, tuner)
             + (int) SysExMessage::parsePatchStart (message, patchHeader)
             + (int) SysExMessage::parsePatchData (message, patchData)
             + (int) SysExMessage::parsePatchEnd (message, number)
             + (int) SysExMessage::parseCabIrStart (message, cabHeader)
             + (int) SysExMessage::parseCabIrData (message, cabData)
             + (int) SysExMessage::parseCabIrEnd (message, number)
             + (int) SysExMessage::parseMultiMsgStart (message, multi)
             + (int) SysExMessage::parseSystemDataStart (message, number)
             + (int) SysExMessage::parseEffectStart (message, effect)
             + (int) SysExMessage::parseLooperState (message, looper)
             + (int) SysExMessage::parseBroadcastKnob (message, knobs)
             + (int) SysExMessage::parseBroadcastModifier (message, modifier);
    }
};

TEST_F (SysExParserRefusals, NonSysExAndTooShortMessages)
{
    EXPECT_EQ (acceptedBy (fromBytes ({ 0xC0, 0x00 })), 0);
    EXPECT_EQ (acceptedBy (fromBytes ({ 0xF0, 0xF7 })), 0);
    EXPECT_EQ (acceptedBy (fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x77 })), 0);

    // A 6-byte message with a function code but no start byte.
    EXPECT_EQ (acceptedBy (fromBytes ({ 0xF1, 0x00, 0x6B, 0x2E, 0x03, 0x77 })), 0);
}

TEST_F (SysExParserRefusals, EachFunctionIsAcceptedOnlyByItsOwnParsers)
{
    // Codes of the parsers above; 0x64 (success) is also taken by looper, knob and modifier.
    const std::pair<uint8_t, int> owners[]
    {
        { 0x08, 1 }, { 0x35, 1 }, { 0x14, 1 }, { 0x0D, 1 }, { 0x77, 1 }, { 0x79, 1 }, { 0x7A, 1 },
        { 0x7C, 1 }, { 0x32, 1 }, { 0x61, 1 }, { 0x74, 1 }, { 0x23, 1 }, { 0x39, 1 }, { 0x64, 4 },
        { 0x78, 0 }, { 0x7B, 0 }, { 0x38, 0 }, { 0x03, 0 }, { 0x00, 0 }
    };

    for (auto [function, accepted] : owners)
        EXPECT_EQ (acceptedBy (framed (3, function, { 0, 0, 0, 0, 0, 0, 0, 0 })), accepted)
            << "function 0x" << std::hex << (int) function;
}

TEST_F (SysExParserRefusals, TruncatedMessagesNeverReadPastTheirEnd)
{
    ScopedCurrentModel model (6);
    PatchDataBlock patch;
    patch.count = 64;
    juce::MidiMessage full;
    ASSERT_TRUE (SysExMessage::buildPatchData (full, patch));

    // Under the address sanitizer any read past a cut message would stop the test.
    for (int length = 1; length < full.getRawDataSize(); ++length)
        acceptedBy (truncated (full, length));

    PatchDataBlock parsed;
    EXPECT_TRUE (SysExMessage::parsePatchData (truncated (full, 8), parsed));
    EXPECT_EQ (parsed.words[0], 0u);

    StatusReply status;
    EXPECT_FALSE (SysExMessage::parseStatus (withByte (framed (3, 0x64, { 3, 0 }), 5, 0x65), status));
    EXPECT_TRUE (SysExMessage::parseStatus (withByte (framed (3, 0x64, { 3, 0 }), 0, 0xF0), status));
}
