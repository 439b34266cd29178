#include "devicelink/SysExFieldTable.h"

namespace
{
    constexpr SysExFieldRow endRow { -1, 0, 0 };

    const SysExFieldRow statusMsgRows[]           { { 0, 6, 1 }, { 1, 7, 1 }, endRow };
    const SysExFieldRow queryVersionRows[]        { { 0, 6, 1 }, { 1, 7, 1 }, { 2, 8, 1 }, { 3, 9, 1 }, { 4, 10, 1 }, { 5, 11, 1 }, endRow };
    const SysExFieldRow patchNumRows[]            { { 0, 6, 1 }, { 1, 7, 1 }, endRow };
    const SysExFieldRow tunerRows[]               { { 0, 6, 1 }, { 1, 7, 1 }, { 2, 8, 1 }, endRow };
    const SysExFieldRow patchDumpRequestRows[]    { { 0, 6, 1 }, { 1, 7, 1 }, endRow };
    const SysExFieldRow patchStartRows[]          { { 0, 6, 1 }, { 1, 7, 1 }, { 2, 8, 2 }, endRow };
    const SysExFieldRow patchDataRows[]           { { 0, 6, 2 }, { 1, 8, 192 }, endRow };
    const SysExFieldRow patchEndRows[]            { { 0, 6, 3 }, endRow };
    const SysExFieldRow multiMsgStartRows[]       { { 0, 6, 1 }, { 1, 7, 2 }, endRow };
    const SysExFieldRow cabDumpRequestGrandRows[] { { 0, 6, 1 }, { 1, 7, 1 }, endRow };
    const SysExFieldRow cabDumpRequestRows[]      { { 0, 6, 1 }, endRow };
    const SysExFieldRow cabIrStartGrandRows[]     { { 0, 6, 1 }, { 1, 7, 1 }, { 2, 8, 2 }, endRow };
    const SysExFieldRow cabIrStartRows[]          { { 0, 6, 1 }, { 1, 7, 2 }, endRow };
    const SysExFieldRow cabIrDataRows[]           { { 0, 6, 2 }, { 1, 8, 160 }, endRow };
    const SysExFieldRow cabIrEndRows[]            { { 0, 6, 5 }, endRow };
    const SysExFieldRow bankDumpRequestRows[]     { { 0, 6, 1 }, endRow };
    const SysExFieldRow effectStartRows[]         { { 0, 6, 2 }, { 1, 8, 2 }, { 2, 10, 1 }, endRow };
    const SysExFieldRow looperStateRows[]         { { 1, 6, 1 }, { 2, 7, 1 }, endRow };
    const SysExFieldRow getConfigRequestRows[]    { { 0, 6, 2 }, endRow };
    const SysExFieldRow getConfigReplyRows[]      { { 0, 6, 2 }, { 1, 8, 3 }, endRow };
    const SysExFieldRow broadcastKnobRows[]       { { 1, 6, 2 }, { 2, 8, 1 }, endRow };
    const SysExFieldRow broadcastModifierRows[]   { { 2, 6, 1 }, endRow };
    const SysExFieldRow systemDataStartRows[]     { { 0, 6, 3 }, endRow };
}

SysExFieldTable SysExFieldTable::statusMsg() noexcept            { return SysExFieldTable (statusMsgRows); }
SysExFieldTable SysExFieldTable::queryVersion() noexcept         { return SysExFieldTable (queryVersionRows); }
SysExFieldTable SysExFieldTable::patchNum() noexcept             { return SysExFieldTable (patchNumRows); }
SysExFieldTable SysExFieldTable::tuner() noexcept                { return SysExFieldTable (tunerRows); }
SysExFieldTable SysExFieldTable::patchDumpRequest() noexcept     { return SysExFieldTable (patchDumpRequestRows); }
SysExFieldTable SysExFieldTable::patchStart() noexcept           { return SysExFieldTable (patchStartRows); }
SysExFieldTable SysExFieldTable::patchData() noexcept            { return SysExFieldTable (patchDataRows); }
SysExFieldTable SysExFieldTable::patchEnd() noexcept             { return SysExFieldTable (patchEndRows); }
SysExFieldTable SysExFieldTable::multiMsgStart() noexcept        { return SysExFieldTable (multiMsgStartRows); }
SysExFieldTable SysExFieldTable::cabDumpRequestGrand() noexcept  { return SysExFieldTable (cabDumpRequestGrandRows); }
SysExFieldTable SysExFieldTable::cabDumpRequest() noexcept       { return SysExFieldTable (cabDumpRequestRows); }
SysExFieldTable SysExFieldTable::cabIrStartGrand() noexcept      { return SysExFieldTable (cabIrStartGrandRows); }
SysExFieldTable SysExFieldTable::cabIrStart() noexcept           { return SysExFieldTable (cabIrStartRows); }
SysExFieldTable SysExFieldTable::cabIrData() noexcept            { return SysExFieldTable (cabIrDataRows); }
SysExFieldTable SysExFieldTable::cabIrEnd() noexcept             { return SysExFieldTable (cabIrEndRows); }
SysExFieldTable SysExFieldTable::bankDumpRequest() noexcept      { return SysExFieldTable (bankDumpRequestRows); }
SysExFieldTable SysExFieldTable::effectStart() noexcept          { return SysExFieldTable (effectStartRows); }
SysExFieldTable SysExFieldTable::looperState() noexcept          { return SysExFieldTable (looperStateRows); }
SysExFieldTable SysExFieldTable::getConfigRequest() noexcept     { return SysExFieldTable (getConfigRequestRows); }
SysExFieldTable SysExFieldTable::getConfigReply() noexcept       { return SysExFieldTable (getConfigReplyRows); }
SysExFieldTable SysExFieldTable::broadcastKnob() noexcept        { return SysExFieldTable (broadcastKnobRows); }
SysExFieldTable SysExFieldTable::broadcastModifier() noexcept    { return SysExFieldTable (broadcastModifierRows); }
SysExFieldTable SysExFieldTable::systemDataStart() noexcept      { return SysExFieldTable (systemDataStartRows); }
