#pragma once

#include <cstdint>

//==============================================================================
/** One row of a payload layout: a field's id, the offset of its first 7-bit
    group in the whole message (6 is the first payload byte) and its group count.
    A row whose fieldId is -1 ends a table.
*/
struct SysExFieldRow
{
    int32_t fieldId;
    int32_t byteOffset;
    int32_t groupCount;
};

//==============================================================================
/**
    The payload layout of one SysEx function: a read-only list of rows, in field
    id order, ended by a row whose id is -1.

    Builders pack the fields one after another from the first payload byte, so a
    field lands at its table offset; parsers read each field back through
    SysExMessage::fieldOffset and SysExMessage::fieldSize. The tables are
    constant data, safe to read from any thread.
*/
class SysExFieldTable
{
public:
    //==============================================================================
    /** A missing table: every lookup in it fails. */
    constexpr SysExFieldTable() noexcept = default;

    /** Wraps a row list that ends with a row whose id is -1. */
    constexpr explicit SysExFieldTable (const SysExFieldRow* rowList) noexcept : rows (rowList) {}

    /** The first row, or nullptr for a missing table. */
    constexpr const SysExFieldRow* getRows() const noexcept     { return rows; }

    //==============================================================================
    /** 0x64 STATUS_MSG reply: function answered, result code. */
    static SysExFieldTable statusMsg() noexcept;
    /** 0x08 QUERY_VERSION reply: major, minor and four fields nothing reads. */
    static SysExFieldTable queryVersion() noexcept;
    /** 0x14 PATCHNUM: two single-group numbers. */
    static SysExFieldTable patchNum() noexcept;
    /** 0x0D TUNER: three single-group numbers. */
    static SysExFieldTable tuner() noexcept;
    /** 0x03 PATCH_DUMP request: bank, preset. */
    static SysExFieldTable patchDumpRequest() noexcept;
    /** 0x77 PATCH_START: bank, preset, number of 16-bit words. */
    static SysExFieldTable patchStart() noexcept;
    /** 0x78 PATCH_DATA: word count, 64 words of 3 groups. */
    static SysExFieldTable patchData() noexcept;
    /** 0x79 PATCH_END: XOR of all 16-bit words. */
    static SysExFieldTable patchEnd() noexcept;
    /** 0x32 MULTIMSG_START: a single-group and a two-group number. */
    static SysExFieldTable multiMsgStart() noexcept;
    /** 0x19 CAB_DUMP request on model 6: cab number high group, low group. */
    static SysExFieldTable cabDumpRequestGrand() noexcept;
    /** 0x19 CAB_DUMP request on other models: cab number. */
    static SysExFieldTable cabDumpRequest() noexcept;
    /** 0x7A CABIR_START on model 6: cab high group, low group, number of 32-bit words. */
    static SysExFieldTable cabIrStartGrand() noexcept;
    /** 0x7A CABIR_START on other models: cab number, number of 32-bit words. */
    static SysExFieldTable cabIrStart() noexcept;
    /** 0x7B CABIR_DATA: word count, 32 words of 5 groups. */
    static SysExFieldTable cabIrData() noexcept;
    /** 0x7C CABIR_END: XOR of all 32-bit words. */
    static SysExFieldTable cabIrEnd() noexcept;
    /** 0x1C BANK_DUMP request: bank. */
    static SysExFieldTable bankDumpRequest() noexcept;
    /** 0x74 EFFECT_START: two 14-bit numbers and a flag group. */
    static SysExFieldTable effectStart() noexcept;
    /** 0x23 LOOPER_STATE: two single-group numbers (ids 1 and 2). */
    static SysExFieldTable looperState() noexcept;
    /** 0x35 GET_CONFIG request: parameter id. */
    static SysExFieldTable getConfigRequest() noexcept;
    /** 0x35 GET_CONFIG reply: parameter id, value. */
    static SysExFieldTable getConfigReply() noexcept;
    /** 0x38 BROADCAST_KNOB: one entry, id and value (ids 1 and 2). */
    static SysExFieldTable broadcastKnob() noexcept;
    /** 0x39 BROADCAST_MODIFIER: one single-group number (id 2). */
    static SysExFieldTable broadcastModifier() noexcept;
    /** 0x61 SYSTEM_DATA_START: one three-group number. */
    static SysExFieldTable systemDataStart() noexcept;

private:
    const SysExFieldRow* rows = nullptr;
};
