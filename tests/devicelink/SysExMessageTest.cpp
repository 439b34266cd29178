#include <set>

#include <gtest/gtest.h>

#include "devicelink/SysExMessage.h"
#include "support/ScopedCurrentModel.h"
#include "support/SysExTestMessages.h"
#include "support/TestDumps.h"

using namespace SysExTestMessages;

//==============================================================================
TEST (SysExFrame, MakeMessageFramesPayloadWithCurrentModelAndChecksum)
{
    ScopedCurrentModel model (3);
    const uint8_t payload[] { 0x00 };
    juce::MidiMessage message;

    ASSERT_EQ (SysExMessage::makeMessage (message, 0x1C, payload, 1), 9);

    const uint8_t cs = (0xF0 ^ 0x00 ^ 0x6B ^ 0x2E ^ 0x03 ^ 0x1C ^ 0x00) & 0x7F;
    EXPECT_EQ (bytesOf (message), (std::vector<uint8_t> { 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x1C, 0x00, cs, 0xF7 }));
    EXPECT_EQ (message.getTimeStamp(), 0.0);
}

TEST (SysExFrame, MakeMessageReadsModelAtEachCall)
{
    juce::MidiMessage message;
    {
        ScopedCurrentModel model (6);
        ASSERT_EQ (SysExMessage::makeMessage (message, 0x08, nullptr, 0), 8);
    }
    EXPECT_EQ (bytesOf (message), bytesOf (framed (6, 0x08, {})));
}

TEST (SysExFrame, MakeMessageRefusesMissingOrNegativePayload)
{
    auto message = fromBytes ({ 0x90, 0x40, 0x7F });
    const uint8_t payload[] { 1, 2 };

    EXPECT_EQ (SysExMessage::makeMessage (message, 0x01, nullptr, 2), 0);
    EXPECT_EQ (SysExMessage::makeMessage (message, 0x01, payload, -1), 0);
    EXPECT_EQ (bytesOf (message), (std::vector<uint8_t> { 0x90, 0x40, 0x7F }));
}

TEST (SysExFrame, WriteHeaderKeepsLongerBlockAndZeroFillsShortOne)
{
    juce::MemoryBlock empty;
    EXPECT_EQ (SysExMessage::writeHeader (empty, 0x77, 6), 6);
    EXPECT_EQ (TestDumps::bytesOf (empty), (std::vector<uint8_t> { 0xF0, 0x00, 0x6B, 0x2E, 0x06, 0x77 }));

    juce::MemoryBlock longer (10, true);
    static_cast<uint8_t*> (longer.getData())[9] = 0x55;
    EXPECT_EQ (SysExMessage::writeHeader (longer, 0x01, 2), 6);
    EXPECT_EQ (longer.getSize(), 10u);
    EXPECT_EQ (static_cast<uint8_t*> (longer.getData())[9], 0x55);
}

TEST (SysExFrame, AppendChecksumCoversBytesBeforeItAndEndsFrame)
{
    juce::MemoryBlock block;
    SysExMessage::writeHeader (block, 0x64, 3);
    SysExMessage::writeSeptets (block, 6, 0x05, 1);

    ASSERT_EQ (SysExMessage::appendChecksum (block, 7), 9);
    EXPECT_EQ (TestDumps::bytesOf (block), bytesOf (framed (3, 0x64, { 0x05 })));
    EXPECT_EQ (SysExMessage::appendChecksum (block, -1), 0);
}

TEST (SysExFrame, ChecksumAndWordXors)
{
    const uint8_t bytes[] { 0xF0, 0x7F, 0x01 };
    EXPECT_EQ (SysExMessage::checksum (bytes, 3), (0xF0 ^ 0x7F ^ 0x01) & 0x7F);
    EXPECT_EQ (SysExMessage::checksum (bytes, 0), 0);
    EXPECT_EQ (SysExMessage::checksum (nullptr, 3), 0);

    const uint16_t words16[] { 0xFFFF, 0x1234, 0x0F0F };
    EXPECT_EQ (SysExMessage::xorWords16 (words16, 3), 0xFFFF ^ 0x1234 ^ 0x0F0F);
    EXPECT_EQ (SysExMessage::xorWords16 (words16, 0), 0);

    const uint32_t words32[] { 0xDEADBEEF, 0x01020304 };
    EXPECT_EQ (SysExMessage::xorWords32 (words32, 2), 0xDEADBEEFu ^ 0x01020304u);
    EXPECT_EQ (SysExMessage::xorWords32 (nullptr, 2), 0u);
}

TEST (SysExFrame, ChecksumValidityOfWholeMessages)
{
    auto bytes = bytesOf (framed (3, 0x79, { 1, 2, 3 }));
    EXPECT_TRUE (SysExMessage::isChecksumValid (fromBytes (bytes)));

    bytes[7] ^= 0x01;
    EXPECT_FALSE (SysExMessage::isChecksumValid (fromBytes (bytes)));
    EXPECT_FALSE (SysExMessage::isChecksumValid (fromBytes ({ 0xF0, 0x00, 0x70, 0xF7 })));
}

//==============================================================================
TEST (SysExSeptets, WriteThenReadRoundTrips)
{
    juce::MemoryBlock block;
    SysExMessage::writeSeptets (block, 0, 0x1234, 3);
    EXPECT_EQ (TestDumps::bytesOf (block), (std::vector<uint8_t> { 0x34, 0x24, 0x00 }));

    const auto bytes = TestDumps::bytesOf (block);
    EXPECT_EQ (SysExMessage::readSeptets (bytes.data(), 3, 0, 3), 0x1234u);

    for (uint32_t value : { 0u, 1u, 127u, 128u, 0x3FFFu, 0xFFFFu, 0x12345678u, 0xFFFFFFFFu })
    {
        juce::MemoryBlock b;
        SysExMessage::writeSeptets (b, 2, value, 5);
        ASSERT_EQ (b.getSize(), 7u);
        const auto written = TestDumps::bytesOf (b);

        for (auto byte : written)
            EXPECT_LT (byte, 0x80);

        EXPECT_EQ (SysExMessage::readSeptets (written.data(), 7, 2, 5), value);
    }
}

TEST (SysExSeptets, WideValuesLoseHighBits)
{
    juce::MemoryBlock block;
    SysExMessage::writeSeptets (block, 0, 0xFFFFFFFF, 5);
    EXPECT_EQ (TestDumps::bytesOf (block), (std::vector<uint8_t> { 0x7F, 0x7F, 0x7F, 0x7F, 0x0F }));

    juce::MemoryBlock narrow;
    SysExMessage::writeSeptets (narrow, 0, 0x4081, 2);
    EXPECT_EQ (TestDumps::bytesOf (narrow), (std::vector<uint8_t> { 0x01, 0x01 }));
}

TEST (SysExSeptets, WriteGrowsOnlyWhenShorterAndKeepsOtherBytes)
{
    juce::MemoryBlock block (8, true);
    static_cast<uint8_t*> (block.getData())[0] = 0x11;
    SysExMessage::writeSeptets (block, 3, 0x81, 2);
    EXPECT_EQ (TestDumps::bytesOf (block), (std::vector<uint8_t> { 0x11, 0, 0, 0x01, 0x01, 0, 0, 0 }));

    SysExMessage::writeSeptets (block, -1, 0x7F, 1);
    SysExMessage::writeSeptets (block, 0, 0x7F, 0);
    EXPECT_EQ (block.getSize(), 8u);
    EXPECT_EQ (TestDumps::bytesOf (block)[0], 0x11);
}

TEST (SysExSeptets, ReadsOutsideTheMessageGiveZero)
{
    const auto message = fromBytes ({ 0xF0, 0x00, 0x6B, 0x2E, 0x03, 0x14, 0x05, 0x06, 0x00, 0xF7 });

    EXPECT_EQ (SysExMessage::readSeptets (message, 8, 2), 0x00u | (0xF7u & 0x7F) << 7);
    EXPECT_EQ (SysExMessage::readSeptets (message, 9, 2), 0u);    // one past the end
    EXPECT_EQ (SysExMessage::readSeptets (message, 6, 0), 0u);
    EXPECT_EQ (SysExMessage::readSeptets (message, -1, 2), 0u);
    EXPECT_EQ (SysExMessage::readSeptets (message, 0x7FFFFFFF, 2), 0u);
    EXPECT_EQ (SysExMessage::readSeptets (nullptr, 10, 0, 1), 0u);
}

TEST (SysExSeptets, HighBitOfEachByteIsIgnored)
{
    const auto message = fromBytes ({ 0xFF, 0x81 });
    EXPECT_EQ (SysExMessage::readSeptets (message, 0, 2), 0x7Fu | (0x01u << 7));
}

TEST (SysExSeptets, GroupsPastThirtyTwoBitsAreIgnored)
{
    const std::vector<uint8_t> bytes (8, 0x7F);
    EXPECT_EQ (SysExMessage::readSeptets (bytes.data(), 8, 0, 8), 0xFFFFFFFFu);
}

//==============================================================================
TEST (SysExFieldTables, LookupsFindFirstRowOrReportMissing)
{
    const auto status = SysExFieldTable::statusMsg();
    EXPECT_EQ (SysExMessage::fieldOffset (status, 1), 7);
    EXPECT_EQ (SysExMessage::fieldOffset (status, 2), -1);
    EXPECT_EQ (SysExMessage::fieldSize (status, 2), -1);
    EXPECT_EQ (SysExMessage::fieldOffset (status, -1), -1);

    const SysExFieldTable missing;
    EXPECT_EQ (SysExMessage::fieldOffset (missing, 0), -1);
    EXPECT_EQ (SysExMessage::fieldSize (missing, 0), -1);
    EXPECT_EQ (SysExMessage::totalSize (missing), 0);

    const auto looper = SysExFieldTable::looperState();
    EXPECT_EQ (SysExMessage::fieldOffset (looper, 0), -1);
    EXPECT_EQ (SysExMessage::fieldOffset (looper, 2), 7);
}

TEST (SysExFieldTables, EveryTableIsContiguousFromTheFirstPayloadByte)
{
    const SysExFieldTable tables[]
    {
        SysExFieldTable::statusMsg(), SysExFieldTable::queryVersion(), SysExFieldTable::patchNum(),
        SysExFieldTable::tuner(), SysExFieldTable::patchDumpRequest(), SysExFieldTable::patchStart(),
        SysExFieldTable::patchData(), SysExFieldTable::patchEnd(), SysExFieldTable::multiMsgStart(),
        SysExFieldTable::cabDumpRequestGrand(), SysExFieldTable::cabDumpRequest(), SysExFieldTable::cabIrStartGrand(),
        SysExFieldTable::cabIrStart(), SysExFieldTable::cabIrData(), SysExFieldTable::cabIrEnd(),
        SysExFieldTable::bankDumpRequest(), SysExFieldTable::effectStart(), SysExFieldTable::looperState(),
        SysExFieldTable::getConfigRequest(), SysExFieldTable::getConfigReply(), SysExFieldTable::broadcastKnob(),
        SysExFieldTable::broadcastModifier(), SysExFieldTable::systemDataStart()
    };

    for (const auto& table : tables)
    {
        int expectedOffset = 6;
        int previousId = -2;

        for (auto* row = table.getRows(); row->fieldId != -1; ++row)
        {
            EXPECT_EQ (row->byteOffset, expectedOffset);
            EXPECT_GT (row->fieldId, previousId);
            EXPECT_GT (row->groupCount, 0);
            expectedOffset += row->groupCount;
            previousId = row->fieldId;
        }

        EXPECT_EQ (SysExMessage::totalSize (table), expectedOffset - 6);
    }
}

TEST (SysExFieldTables, DataMessageSizesFollowFromTables)
{
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::patchStart()) + 8, 12);
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::patchData()) + 8, 202);
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::patchEnd()) + 8, 11);
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::cabIrStartGrand()) + 8, 12);
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::cabIrStart()) + 8, 11);
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::cabIrData()) + 8, 170);
    EXPECT_EQ (SysExMessage::totalSize (SysExFieldTable::cabIrEnd()) + 8, 13);
}

//==============================================================================
TEST (SysExVocabulary, FunctionNames)
{
    const auto* functions = CodeName::functionCodes();
    EXPECT_EQ (SysExMessage::getFunctionName (functions, 0x64), "SYSEX_STATUS_MSG");
    EXPECT_EQ (SysExMessage::getFunctionName (functions, 0x00), "SYSEX_WHO_AM_I");
    EXPECT_EQ (SysExMessage::getFunctionName (functions, 0x63), "SYSEX_SYSTEM_DATA_END");
    EXPECT_EQ (SysExMessage::getFunctionName (functions, 0x3D), "");
    EXPECT_EQ (SysExMessage::getFunctionName (functions, 0x80), "");
    EXPECT_EQ (SysExMessage::getFunctionName (functions, -1), "");
    EXPECT_EQ (SysExMessage::getFunctionName (nullptr, 0x64), "");
}

TEST (SysExVocabulary, FunctionTableHas93DistinctCodes)
{
    std::set<int> codes;
    int rows = 0;

    for (auto* row = CodeName::functionCodes(); row->code != -1; ++row, ++rows)
    {
        codes.insert (row->code);
        EXPECT_TRUE (juce::String (row->name).startsWith ("SYSEX_"));
    }

    EXPECT_EQ (rows, 93);
    EXPECT_EQ (codes.size(), 93u);
    EXPECT_EQ (codes.count (0x3D), 0u);
}

TEST (SysExVocabulary, ResultNames)
{
    const auto* results = CodeName::resultCodes();
    EXPECT_EQ (SysExMessage::getFunctionName (results, 5), "MIDI_ERROR_MSG_NOT_RECOGNIZED");
    EXPECT_EQ (SysExMessage::getFunctionName (results, 1), "MIDI_ERROR_BAD_CHKSUM");
    EXPECT_EQ (SysExMessage::getFunctionName (results, 28), "MIDI_ERROR_FLASH_WRITE_FAILED");
    EXPECT_EQ (SysExMessage::getFunctionName (results, 0), "");
    EXPECT_EQ (SysExMessage::getFunctionName (results, 29), "");
}

TEST (SysExVocabulary, ApplicationFolderHoldsTheRunningExecutable)
{
    const juce::File folder (getApplicationFolder());
    const auto executable = juce::File::getSpecialLocation (juce::File::currentExecutableFile);
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_EQ (executable.getParentDirectory(), folder);
    EXPECT_TRUE (executable.existsAsFile());

    // "devicelink_tests" on Linux, "devicelink_tests.exe" on Windows.
    EXPECT_EQ (executable.getFileNameWithoutExtension(), "devicelink_tests");
}
