#pragma once

#include <cstdint>

/*  Plain records that the SysEx builders read and the parsers fill (see
    SysExMessage). Every field is a decoded number, never a raw 7-bit group.
*/

//==============================================================================
/** Which preset a PATCH_DUMP request asks for; bank 0x7F is the edit buffer. */
struct PatchDumpRequest
{
    uint32_t bank = 0;
    uint32_t preset = 0;
};

/** Which cab a CAB_DUMP request asks for (14 bits on the Korrina Grand, 7 elsewhere). */
struct CabDumpRequest
{
    uint32_t cab = 0;
};

/** Which bank a BANK_DUMP request asks for. */
struct BankDumpRequest
{
    uint32_t bank = 0;
};

/** Which configuration parameter a GET_CONFIG request asks for. */
struct ConfigRequest
{
    uint16_t parameterId = 0;
};

//==============================================================================
/** A STATUS_MSG: the function it answers and the device's result (0 = success). */
struct StatusReply
{
    uint8_t function = 0;
    uint8_t result = 0;
};

/** A QUERY_VERSION reply: firmware major.minor and the replying unit's model byte. */
struct VersionReply
{
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t unused[4] {};
    float version = 0.0f;   // major + minor / 100
    uint8_t model = 0;
};

/** A PATCHNUM broadcast: two single-group numbers. */
struct PatchNumber
{
    uint32_t first = 0;
    uint32_t second = 0;
};

/** A TUNER broadcast: three single-group numbers. */
struct TunerReading
{
    uint32_t values[3] {};
};

/** A PATCH_START: the preset's address and its size in 16-bit words. */
struct PatchHeader
{
    uint32_t bank = 0;
    uint32_t preset = 0;
    uint32_t wordCount = 0;
};

/** A PATCH_DATA: up to 64 16-bit words (a full message always says 64). */
struct PatchDataBlock
{
    static constexpr int maxWords = 64;

    uint32_t count = 0;
    uint32_t words[maxWords] {};
};

/** A CABIR_START: the cab number and the IR's size in 32-bit words. */
struct CabHeader
{
    uint32_t cab = 0;
    uint32_t wordCount = 0;
};

/** A CABIR_DATA: up to 32 32-bit words (a full message always says 32). */
struct CabDataBlock
{
    static constexpr int maxWords = 32;

    uint32_t count = 0;
    uint32_t words[maxWords] {};
};

/** One number: the XOR check value of a PATCH_END or CABIR_END, or the size
    carried by a SYSTEM_DATA_START.
*/
struct SingleNumber
{
    uint32_t value = 0;
};

/** A MULTIMSG_START: a single-group number and the count of messages that follow. */
struct MultiMsgStart
{
    uint32_t first = 0;
    uint32_t second = 0;
};

/** An EFFECT_START: two 14-bit numbers and a flag group split into its flags. */
struct EffectStart
{
    uint16_t first = 0;
    uint16_t second = 0;
    uint8_t flags = 0;
    uint8_t bit0 = 0;
    uint8_t bit1 = 0;
    uint8_t bit2 = 0;
    uint8_t fourthFlag = 0;   // (flags AND 8) OR (flags >> 4)
};

/** A LOOPER_STATE: two single-group numbers. */
struct LooperState
{
    uint8_t first = 0;
    uint8_t second = 0;
};

/** A GET_CONFIG reply: the parameter and its value. */
struct ConfigReply
{
    uint16_t parameterId = 0;
    uint16_t value = 0;
};

/** A BROADCAST_KNOB: up to 16 entries of a knob id and its value. */
struct KnobBroadcast
{
    static constexpr int maxEntries = 16;

    uint8_t count = 0;
    uint16_t ids[maxEntries] {};
    uint8_t values[maxEntries] {};
};

/** A BROADCAST_MODIFIER: three bytes, the third holds the value. */
struct ModifierBroadcast
{
    uint8_t bytes[3] {};
};
