// Runs every SysEx reply parser and the frame readers on arbitrary bytes: none may
// read outside the message, whatever its length or content.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "devicelink/SysExMessage.h"
#include "devicelink/SysExTransaction.h"

namespace
{
    /** What a data parser accepts, the matching builder must rebuild into a message
        that parses back to the same words.
    */
    template <typename Block>
    void expectRebuildsAlike (const juce::MidiMessage& message, Block& block,
                              bool (*parse) (const juce::MidiMessage&, Block&),
                              bool (*build) (juce::MidiMessage&, const Block&))
    {
        if (! parse (message, block))
            return;

        juce::MidiMessage rebuilt;
        Block again;

        if (! build (rebuilt, block)
             || ! parse (rebuilt, again)
             || std::memcmp (again.words, block.words, sizeof (again.words)) != 0)
            __builtin_trap();
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size == 0 || size > 1 << 16)
        return 0;

    const juce::MidiMessage message (data, (int) size, 0.0);

    StatusReply status;        VersionReply version;    ConfigReply config;
    PatchNumber patchNum;      TunerReading tuner;      PatchHeader patchHeader;
    PatchDataBlock patchData;  SingleNumber number;     CabHeader cabHeader;
    CabDataBlock cabData;      MultiMsgStart multi;     EffectStart effect;
    LooperState looper;        KnobBroadcast knobs;     ModifierBroadcast modifier;

    SysExMessage::parseStatus (message, status);
    SysExMessage::parseVersion (message, version);
    SysExMessage::parseConfig (message, config);
    SysExMessage::parsePatchNum (message, patchNum);
    SysExMessage::parseTuner (message, tuner);
    SysExMessage::parsePatchStart (message, patchHeader);
    SysExMessage::parsePatchData (message, patchData);
    SysExMessage::parsePatchEnd (message, number);
    SysExMessage::parseCabIrStart (message, cabHeader);
    SysExMessage::parseCabIrData (message, cabData);
    SysExMessage::parseCabIrEnd (message, number);
    SysExMessage::parseMultiMsgStart (message, multi);
    SysExMessage::parseSystemDataStart (message, number);
    SysExMessage::parseEffectStart (message, effect);
    SysExMessage::parseLooperState (message, looper);
    SysExMessage::parseBroadcastKnob (message, knobs);
    SysExMessage::parseBroadcastModifier (message, modifier);

    SysExMessage::isChecksumValid (message);
    SysExTransaction::getFunctionCode (message);

    // The first bytes choose a field to read, so offsets and counts near the end
    // and beyond it are tried too.
    if (size >= 2)
        SysExMessage::readSeptets (message, (int) data[0] - 64, (int) (data[1] & 0x0F));

    if (knobs.count > KnobBroadcast::maxEntries)
        __builtin_trap();

    expectRebuildsAlike (message, patchData, SysExMessage::parsePatchData, SysExMessage::buildPatchData);
    expectRebuildsAlike (message, cabData, SysExMessage::parseCabIrData, SysExMessage::buildCabIrData);

    return 0;
}
