#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

//==============================================================================
/**
    A row of a protocol vocabulary table: a code and its name. A table is an
    array of rows ended by a row whose code is -1.

    The program has two such tables, the SysEx function codes and the device's
    result codes; SysExMessage::getFunctionName names a code from either. Both
    are constant data, safe to read from any thread.
*/
struct CodeName
{
    int32_t code;
    juce::StringRef name;   // a literal: the program's own text

    //==============================================================================
    /** The 93 SysEx function codes with their names, in protocol order. */
    static const CodeName* functionCodes() noexcept;

    /** The device result codes 1 to 28 carried by a STATUS_MSG (0, success, has no row). */
    static const CodeName* resultCodes() noexcept;
};

//==============================================================================
/** The SysEx function codes (byte 5 of every message), named as in the function table. */
namespace SysExFunction
{
    constexpr uint8_t whoAmI            = 0x00;
    constexpr uint8_t paramDump         = 0x01;
    constexpr uint8_t paramSet          = 0x02;
    constexpr uint8_t patchDump         = 0x03;
    constexpr uint8_t patchRcv          = 0x04;
    constexpr uint8_t placeEffect       = 0x05;
    constexpr uint8_t connectEffect     = 0x06;
    constexpr uint8_t modifierSet       = 0x07;
    constexpr uint8_t queryVersion      = 0x08;
    constexpr uint8_t setName           = 0x09;
    constexpr uint8_t cabIrRcv          = 0x0A;
    constexpr uint8_t checksum          = 0x0B;
    constexpr uint8_t setGrid           = 0x0C;
    constexpr uint8_t tuner             = 0x0D;
    constexpr uint8_t queryStates       = 0x0E;
    constexpr uint8_t queryName         = 0x0F;
    constexpr uint8_t tempo             = 0x10;
    constexpr uint8_t xy                = 0x11;
    constexpr uint8_t cabName           = 0x12;
    constexpr uint8_t cpuLoad           = 0x13;
    constexpr uint8_t patchNum          = 0x14;
    constexpr uint8_t queryNameByNum    = 0x15;
    constexpr uint8_t getParamInfo      = 0x16;
    constexpr uint8_t getMidiChannel    = 0x17;
    constexpr uint8_t getModifierInfo   = 0x18;
    constexpr uint8_t cabDump           = 0x19;
    constexpr uint8_t globalBlockUsed   = 0x1A;
    constexpr uint8_t globalPatch       = 0x1B;
    constexpr uint8_t bankDump          = 0x1C;
    constexpr uint8_t savePatch         = 0x1D;
    constexpr uint8_t setBypass         = 0x1E;
    constexpr uint8_t getAllParams      = 0x1F;
    constexpr uint8_t getGrid           = 0x20;
    constexpr uint8_t resync            = 0x21;
    constexpr uint8_t setDefaults       = 0x22;
    constexpr uint8_t looperState       = 0x23;
    constexpr uint8_t moveEffect        = 0x24;
    constexpr uint8_t fwUpdate          = 0x25;
    constexpr uint8_t fpgaUpdate        = 0x26;
    constexpr uint8_t microUpdate       = 0x27;
    constexpr uint8_t getParamStrings   = 0x28;
    constexpr uint8_t setScene          = 0x29;
    constexpr uint8_t getFlags          = 0x2A;
    constexpr uint8_t modifierDump      = 0x2B;
    constexpr uint8_t modifier          = 0x2C;
    constexpr uint8_t setCabName        = 0x2D;
    constexpr uint8_t setParamDirect    = 0x2E;
    constexpr uint8_t bpm               = 0x2F;
    constexpr uint8_t getGraph          = 0x30;
    constexpr uint8_t tmData            = 0x31;
    constexpr uint8_t multiMsgStart     = 0x32;
    constexpr uint8_t multiMsgEnd       = 0x33;
    constexpr uint8_t eraseSector       = 0x34;
    constexpr uint8_t getConfig         = 0x35;
    constexpr uint8_t getGraphN         = 0x36;
    constexpr uint8_t editEffect        = 0x37;
    constexpr uint8_t broadcastKnob     = 0x38;
    constexpr uint8_t broadcastModifier = 0x39;
    constexpr uint8_t getPosition       = 0x3A;
    constexpr uint8_t setModParamDirect = 0x3B;
    constexpr uint8_t recallPatch       = 0x3C;
    constexpr uint8_t mute              = 0x3E;
    constexpr uint8_t setIrCapName      = 0x3F;
    constexpr uint8_t controlIrCap      = 0x40;
    constexpr uint8_t deleteCabIr       = 0x41;
    constexpr uint8_t editorDisconnect  = 0x42;
    constexpr uint8_t dumpSystem        = 0x43;
    constexpr uint8_t cabBankDump       = 0x44;
    constexpr uint8_t systemDataStart   = 0x61;
    constexpr uint8_t systemData        = 0x62;
    constexpr uint8_t systemDataEnd     = 0x63;
    constexpr uint8_t statusMsg         = 0x64;
    constexpr uint8_t rawIrStart        = 0x67;
    constexpr uint8_t rawIrData         = 0x68;
    constexpr uint8_t rawIrEnd          = 0x69;
    constexpr uint8_t fpgaUpdateStart   = 0x6A;
    constexpr uint8_t fpgaUpdateData    = 0x6B;
    constexpr uint8_t fpgaUpdateEnd     = 0x6C;
    constexpr uint8_t microUpdateStart  = 0x6D;
    constexpr uint8_t microUpdateData   = 0x6E;
    constexpr uint8_t microUpdateEnd    = 0x6F;
    constexpr uint8_t effectStart       = 0x74;
    constexpr uint8_t effectData        = 0x75;
    constexpr uint8_t effectEnd         = 0x76;
    constexpr uint8_t patchStart        = 0x77;
    constexpr uint8_t patchData         = 0x78;
    constexpr uint8_t patchEnd          = 0x79;
    constexpr uint8_t cabIrStart        = 0x7A;
    constexpr uint8_t cabIrData         = 0x7B;
    constexpr uint8_t cabIrEnd          = 0x7C;
    constexpr uint8_t fwUpdateStart     = 0x7D;
    constexpr uint8_t fwUpdateData      = 0x7E;
    constexpr uint8_t fwUpdateEnd       = 0x7F;
}
