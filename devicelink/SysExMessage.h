#pragma once

#include <atomic>
#include <cstdint>

#include <juce_core/juce_core.h>
#include <juce_audio_basics/juce_audio_basics.h>

#include "devicelink/CodeName.h"
#include "devicelink/SysExFieldTable.h"
#include "devicelink/SysExRecords.h"

class SysExTransaction;

//==============================================================================
/** Names a device: the main dialog's device choice and the model byte (byte 4)
    of every SysEx message. Values not listed in DeviceModels match no file.
*/
using DeviceModel = uint8_t;

/** The DeviceModel values the program knows. */
namespace DeviceModels
{
    constexpr DeviceModel stompraClassic = 2;
    constexpr DeviceModel korrina        = 3;
    constexpr DeviceModel stompraNeo     = 4;
    constexpr DeviceModel korrinaGrand   = 6;
    constexpr DeviceModel bootRom        = 0xFF;  // never written by the codec as a model byte
    constexpr DeviceModel notChosen      = 0xF7;  // no device chosen yet
    constexpr DeviceModel choiceReset    = 0xFE;  // the choice was reset after a failed firmware query
}

//==============================================================================
/**
    The SysEx codec: free functions that write and read the frame every message
    with the Korrina and the Stompra travels in

        F0 | 00 6B 2E | model | function | payload of 7-bit groups | checksum | F7

    and, on top of them, one builder per request or data message and one parser
    per reply. Builders and parsers return a bool (or a length, 0 on failure) and
    never throw; every parser checks the message's length before it reads, so any
    byte sequence gives a result or a refusal.

    The only state is currentModel, the model byte of every message built.
*/
namespace SysExMessage
{
    //==============================================================================
    /** The model byte of every message the builders make. The device menu sets it;
        a dump builder sets it for the time of a build and restores it. Initially
        3 (Korrina). Atomic because the "Update Hardware" thread reads it too.
    */
    extern std::atomic<uint8_t> currentModel;

    /** Length of the header: F0, the three manufacturer bytes, model, function. */
    constexpr int headerSize = 6;

    /** Bytes a frame adds around its payload: the header, checksum and F7. */
    constexpr int frameOverhead = 8;

    //==============================================================================
    /** Makes the block at least 6 bytes long (new bytes zeroed) and writes the header
        with the given function code and model byte. Returns 6, or 0 when the block
        could not be given storage.
    */
    int writeHeader (juce::MemoryBlock& block, uint8_t function, uint8_t model);

    /** Makes the block at least length + 2 bytes long and writes, at `length`, the
        checksum of bytes 0..length-1 followed by F7. Returns length + 2, or 0 when
        the block could not be given storage or length is negative.
    */
    int appendChecksum (juce::MemoryBlock& block, int length);

    /** Frames a payload that is already made of 7-bit groups: header with the model
        byte read from currentModel now, the payload unchanged, checksum and F7, as
        a MidiMessage with timestamp 0. Returns payloadLength + 8, or 0 (message left
        untouched) when the payload is missing or its length is negative.
    */
    int makeMessage (juce::MidiMessage& message, uint8_t function, const uint8_t* payload, int payloadLength);

    /** XOR of the bytes AND 0x7F; 0 for no data. A message of n bytes is intact when
        the checksum of its first n-2 bytes equals byte n-2 (see isChecksumValid).
    */
    uint8_t checksum (const uint8_t* data, int length) noexcept;

    /** True when a message of at least 6 bytes carries the checksum of its bytes. */
    bool isChecksumValid (const juce::MidiMessage& message) noexcept;

    /** XOR of 16-bit words (the PATCH_END check value); 0 for no data. */
    uint16_t xorWords16 (const uint16_t* words, int count) noexcept;

    /** XOR of 32-bit words (the CABIR_END check value); 0 for no data. */
    uint32_t xorWords32 (const uint32_t* words, int count) noexcept;

    //==============================================================================
    /** Reads a number of `groups` 7-bit groups at byte `offset`, least significant
        first. Gives 0 when the groups do not lie wholly inside the message or
        groups < 1; groups beyond the 32nd bit are ignored.
    */
    uint32_t readSeptets (const juce::MidiMessage& message, int offset, int groups) noexcept;

    /** The same, over raw bytes (a dump read from a file, a byte block). */
    uint32_t readSeptets (const uint8_t* data, int size, int offset, int groups) noexcept;

    /** Writes `value` as `groups` 7-bit groups at byte `offset`, least significant
        first, growing the block (zero-filled) when it is shorter than offset + groups.
        A value wider than 7 * groups bits loses its high bits. A negative offset or
        group count writes nothing.
    */
    void writeSeptets (juce::MemoryBlock& block, int offset, uint32_t value, int groups);

    //==============================================================================
    /** Byte offset of the field with that id; -1 when the table has no such row. */
    int fieldOffset (const SysExFieldTable& table, int fieldId) noexcept;

    /** Group count of the field with that id; -1 when the table has no such row. */
    int fieldSize (const SysExFieldTable& table, int fieldId) noexcept;

    /** Sum of all group counts: the payload length a builder packs. 0 for no table. */
    int totalSize (const SysExFieldTable& table) noexcept;

    /** The name of a code in a CodeName table (function codes or result codes);
        the empty string when the code has no row or the table is missing.
    */
    juce::String getFunctionName (const CodeName* table, int code);

    //==============================================================================
    /*  Requests that fill a transaction: each assigns the request message and the
        number of replies that completes it, and returns true (false, transaction
        untouched, only when the message could not be built). The model byte and the
        expected counts follow currentModel.
    */

    /** PATCH_DUMP (0x03); expects a whole preset dump: 34 replies on model 3, 66 on
        model 6, none on other models.
    */
    bool buildPatchDumpRequest (SysExTransaction& transaction, const PatchDumpRequest& request);

    /** CAB_DUMP (0x19); the cab number is split high group first on model 6.
        Expects 66 replies.
    */
    bool buildCabDumpRequest (SysExTransaction& transaction, const CabDumpRequest& request);

    /** BANK_DUMP (0x1C); expects 128 preset dumps: 4352 replies on model 3, 8448 on
        model 6, 256 on other models.
    */
    bool buildBankDumpRequest (SysExTransaction& transaction, const BankDumpRequest& request);

    /** The program change to program 0 on channel 1 (C0 00); no reply expected. */
    bool buildProgramChange (SysExTransaction& transaction);

    //==============================================================================
    /*  Builders of single messages: false (message untouched) when a count is out
        of range or the message could not be built.
    */

    /** PATCH_START (0x77), 12 bytes. */
    bool buildPatchStart (juce::MidiMessage& message, const PatchHeader& header);

    /** PATCH_DATA (0x78), always 202 bytes: count, then 64 word slots of 3 groups
        with the slots past count zero. Refuses a count over 64.
    */
    bool buildPatchData (juce::MidiMessage& message, const PatchDataBlock& data);

    /** PATCH_END (0x79), 11 bytes: the XOR of all 16-bit words. */
    bool buildPatchEnd (juce::MidiMessage& message, const SingleNumber& end);

    /** CABIR_START (0x7A): 12 bytes with a two-group cab number when currentModel
        is 6, else 11 bytes with one group.
    */
    bool buildCabIrStart (juce::MidiMessage& message, const CabHeader& header);

    /** CABIR_DATA (0x7B), always 170 bytes: count, then 32 word slots of 5 groups
        with the slots past count zero. Refuses a count over 32.
    */
    bool buildCabIrData (juce::MidiMessage& message, const CabDataBlock& data);

    /** CABIR_END (0x7C), 13 bytes: the XOR of all 32-bit words. */
    bool buildCabIrEnd (juce::MidiMessage& message, const SingleNumber& end);

    /** GET_CONFIG request (0x35); the caller wraps it in a transaction. */
    bool buildConfigRequest (juce::MidiMessage& message, const ConfigRequest& request);

    //==============================================================================
    /*  Parsers: true when the message is an F0 message of at least 6 bytes with the
        parser's function code (and passes the parser's own checks) and the record
        was filled; otherwise false with the record as it was, except where noted.
        Fields that run past the end of a message read as 0. None of them checks
        the checksum.
    */

    /** STATUS_MSG (0x64): bytes 6 and 7 taken whole; needs at least 8 bytes. */
    bool parseStatus (const juce::MidiMessage& message, StatusReply& reply);

    /** QUERY_VERSION reply (0x08): major, minor, version = major + minor / 100 and
        the message's own model byte.
    */
    bool parseVersion (const juce::MidiMessage& message, VersionReply& reply);

    /** GET_CONFIG reply (0x35): parameter id and value. */
    bool parseConfig (const juce::MidiMessage& message, ConfigReply& reply);

    /** PATCHNUM (0x14). */
    bool parsePatchNum (const juce::MidiMessage& message, PatchNumber& record);

    /** TUNER (0x0D). */
    bool parseTuner (const juce::MidiMessage& message, TunerReading& record);

    /** PATCH_START (0x77). */
    bool parsePatchStart (const juce::MidiMessage& message, PatchHeader& header);

    /** PATCH_DATA (0x78): the count is stored first, then the message is refused
        unless the count is exactly 64.
    */
    bool parsePatchData (const juce::MidiMessage& message, PatchDataBlock& data);

    /** PATCH_END (0x79). */
    bool parsePatchEnd (const juce::MidiMessage& message, SingleNumber& end);

    /** CABIR_START (0x7A): the layout follows the message's own model byte. */
    bool parseCabIrStart (const juce::MidiMessage& message, CabHeader& header);

    /** CABIR_DATA (0x7B): the count is stored first, then the message is refused
        unless the count is exactly 32.
    */
    bool parseCabIrData (const juce::MidiMessage& message, CabDataBlock& data);

    /** CABIR_END (0x7C). */
    bool parseCabIrEnd (const juce::MidiMessage& message, SingleNumber& end);

    /** MULTIMSG_START (0x32). */
    bool parseMultiMsgStart (const juce::MidiMessage& message, MultiMsgStart& record);

    /** SYSTEM_DATA_START (0x61). */
    bool parseSystemDataStart (const juce::MidiMessage& message, SingleNumber& record);

    /** EFFECT_START (0x74). */
    bool parseEffectStart (const juce::MidiMessage& message, EffectStart& record);

    /** LOOPER_STATE (0x23), or a successful STATUS_MSG, which gives {0, 0}. */
    bool parseLooperState (const juce::MidiMessage& message, LooperState& record);

    /** BROADCAST_KNOB (0x38), or a successful STATUS_MSG, which gives no entries.
        The record is emptied first, whatever the message. Refuses a payload that is
        not whole entries of 3 groups; entries past the 16th are ignored.
    */
    bool parseBroadcastKnob (const juce::MidiMessage& message, KnobBroadcast& record);

    /** BROADCAST_MODIFIER (0x39) into the third byte, or a successful STATUS_MSG,
        which zeroes the second and third bytes.
    */
    bool parseBroadcastModifier (const juce::MidiMessage& message, ModifierBroadcast& record);
}

//==============================================================================
/** Full path of the folder that holds the running executable. */
juce::String getApplicationFolder();
