#include "devicelink/SysExMessage.h"

namespace SysExMessage
{

namespace
{
    /** The checks every parser starts with: a SysEx start byte, enough bytes for the
        header (or more) and the expected function code.
    */
    bool isFunction (const juce::MidiMessage& message, uint8_t function, int minimumLength = headerSize) noexcept
    {
        const auto* data = message.getRawData();
        const auto size = message.getRawDataSize();

        return data != nullptr && size >= minimumLength && size >= headerSize
            && data[0] == 0xF0 && data[5] == function;
    }

    /** A field of the table, 0 when it lies past the end of the message. */
    uint32_t readField (const juce::MidiMessage& message, const SysExFieldTable& table, int fieldId) noexcept
    {
        return readSeptets (message, fieldOffset (table, fieldId), fieldSize (table, fieldId));
    }

    /** True for a STATUS_MSG that reports success, the answer some broadcasts get
        instead of data. The function it names is not compared with the request.
    */
    bool isSuccessStatus (const juce::MidiMessage& message)
    {
        StatusReply status;
        return parseStatus (message, status) && status.result == 0;
    }

    /** Reads `count` words of `groupsPerWord` groups from byte 8, after the count. */
    void readWords (const juce::MidiMessage& message, uint32_t* words, int count, int groupsPerWord) noexcept
    {
        constexpr int firstWordOffset = headerSize + 2;

        for (int i = 0; i < count; ++i)
            words[i] = readSeptets (message, firstWordOffset + i * groupsPerWord, groupsPerWord);
    }

    constexpr int statusLength = headerSize + 2;
}

//==============================================================================
bool parseStatus (const juce::MidiMessage& message, StatusReply& reply)
{
    if (! isFunction (message, SysExFunction::statusMsg, statusLength))
        return false;

    // The two bytes are taken whole, not as 7-bit groups.
    const auto* data = message.getRawData();
    reply.function = data[6];
    reply.result = data[7];
    return true;
}

bool parseVersion (const juce::MidiMessage& message, VersionReply& reply)
{
    if (! isFunction (message, SysExFunction::queryVersion))
        return false;

    const auto table = SysExFieldTable::queryVersion();
    reply.major = readField (message, table, 0);
    reply.minor = readField (message, table, 1);

    for (auto& field : reply.unused)
        field = 0;

    reply.version = (float) reply.major + (float) reply.minor / 100.0f;
    reply.model = message.getRawData()[4];
    return true;
}

bool parseConfig (const juce::MidiMessage& message, ConfigReply& reply)
{
    if (! isFunction (message, SysExFunction::getConfig))
        return false;

    const auto table = SysExFieldTable::getConfigReply();
    reply.parameterId = (uint16_t) readField (message, table, 0);
    reply.value = (uint16_t) readField (message, table, 1);
    return true;
}

bool parsePatchNum (const juce::MidiMessage& message, PatchNumber& record)
{
    if (! isFunction (message, SysExFunction::patchNum))
        return false;

    const auto table = SysExFieldTable::patchNum();
    record.first = readField (message, table, 0);
    record.second = readField (message, table, 1);
    return true;
}

bool parseTuner (const juce::MidiMessage& message, TunerReading& record)
{
    if (! isFunction (message, SysExFunction::tuner))
        return false;

    const auto table = SysExFieldTable::tuner();

    for (int i = 0; i < 3; ++i)
        record.values[i] = readField (message, table, i);

    return true;
}

//==============================================================================
bool parsePatchStart (const juce::MidiMessage& message, PatchHeader& header)
{
    if (! isFunction (message, SysExFunction::patchStart))
        return false;

    const auto table = SysExFieldTable::patchStart();
    header.bank = readField (message, table, 0);
    header.preset = readField (message, table, 1);
    header.wordCount = readField (message, table, 2);
    return true;
}

bool parsePatchData (const juce::MidiMessage& message, PatchDataBlock& data)
{
    if (! isFunction (message, SysExFunction::patchData))
        return false;

    data.count = readField (message, SysExFieldTable::patchData(), 0);

    if (data.count != (uint32_t) PatchDataBlock::maxWords)
        return false;

    readWords (message, data.words, PatchDataBlock::maxWords, 3);
    return true;
}

bool parsePatchEnd (const juce::MidiMessage& message, SingleNumber& end)
{
    if (! isFunction (message, SysExFunction::patchEnd))
        return false;

    end.value = readField (message, SysExFieldTable::patchEnd(), 0);
    return true;
}

bool parseCabIrStart (const juce::MidiMessage& message, CabHeader& header)
{
    if (! isFunction (message, SysExFunction::cabIrStart))
        return false;

    // The layout follows the model the message was made for, not currentModel.
    if (message.getRawData()[4] == DeviceModels::korrinaGrand)
    {
        const auto table = SysExFieldTable::cabIrStartGrand();
        header.cab = (readField (message, table, 0) << 7) | readField (message, table, 1);
        header.wordCount = readField (message, table, 2);
    }
    else
    {
        const auto table = SysExFieldTable::cabIrStart();
        header.cab = readField (message, table, 0);
        header.wordCount = readField (message, table, 1);
    }

    return true;
}

bool parseCabIrData (const juce::MidiMessage& message, CabDataBlock& data)
{
    if (! isFunction (message, SysExFunction::cabIrData))
        return false;

    data.count = readField (message, SysExFieldTable::cabIrData(), 0);

    if (data.count != (uint32_t) CabDataBlock::maxWords)
        return false;

    readWords (message, data.words, CabDataBlock::maxWords, 5);
    return true;
}

bool parseCabIrEnd (const juce::MidiMessage& message, SingleNumber& end)
{
    if (! isFunction (message, SysExFunction::cabIrEnd))
        return false;

    end.value = readField (message, SysExFieldTable::cabIrEnd(), 0);
    return true;
}

//==============================================================================
bool parseMultiMsgStart (const juce::MidiMessage& message, MultiMsgStart& record)
{
    if (! isFunction (message, SysExFunction::multiMsgStart))
        return false;

    const auto table = SysExFieldTable::multiMsgStart();
    record.first = readField (message, table, 0);
    record.second = readField (message, table, 1);
    return true;
}

bool parseSystemDataStart (const juce::MidiMessage& message, SingleNumber& record)
{
    if (! isFunction (message, SysExFunction::systemDataStart))
        return false;

    record.value = readField (message, SysExFieldTable::systemDataStart(), 0);
    return true;
}

bool parseEffectStart (const juce::MidiMessage& message, EffectStart& record)
{
    if (! isFunction (message, SysExFunction::effectStart))
        return false;

    const auto table = SysExFieldTable::effectStart();
    record.first = (uint16_t) readField (message, table, 0);
    record.second = (uint16_t) readField (message, table, 1);

    const auto flags = (uint8_t) readField (message, table, 2);
    record.flags = flags;
    record.bit0 = (uint8_t) (flags & 1);
    record.bit1 = (uint8_t) ((flags >> 1) & 1);
    record.bit2 = (uint8_t) ((flags >> 2) & 1);
    record.fourthFlag = (uint8_t) ((flags & 8) | (flags >> 4));
    return true;
}

bool parseLooperState (const juce::MidiMessage& message, LooperState& record)
{
    if (isFunction (message, SysExFunction::statusMsg))
    {
        if (! isSuccessStatus (message))
            return false;

        record = {};
        return true;
    }

    if (! isFunction (message, SysExFunction::looperState))
        return false;

    const auto table = SysExFieldTable::looperState();
    record.first = (uint8_t) readField (message, table, 1);
    record.second = (uint8_t) readField (message, table, 2);
    return true;
}

bool parseBroadcastKnob (const juce::MidiMessage& message, KnobBroadcast& record)
{
    record = {};

    if (isFunction (message, SysExFunction::statusMsg))
        return isSuccessStatus (message);

    if (! isFunction (message, SysExFunction::broadcastKnob))
        return false;

    const auto table = SysExFieldTable::broadcastKnob();
    const auto idGroups = fieldSize (table, 1);
    const auto entryGroups = idGroups + fieldSize (table, 2);
    const auto entryBytes = message.getRawDataSize() - frameOverhead;

    if (entryBytes < 0 || entryBytes % entryGroups != 0)
        return false;

    // Entries past what the record holds are ignored; the first ones still count.
    const auto entries = juce::jmin (entryBytes / entryGroups, (int) KnobBroadcast::maxEntries);

    for (int i = 0; i < entries; ++i)
    {
        const auto offset = fieldOffset (table, 1) + i * entryGroups;
        record.ids[i] = (uint16_t) readSeptets (message, offset, idGroups);
        record.values[i] = (uint8_t) readSeptets (message, offset + idGroups, fieldSize (table, 2));
        ++record.count;
    }

    return true;
}

bool parseBroadcastModifier (const juce::MidiMessage& message, ModifierBroadcast& record)
{
    if (isFunction (message, SysExFunction::statusMsg))
    {
        if (! isSuccessStatus (message))
            return false;

        record.bytes[1] = 0;
        record.bytes[2] = 0;
        return true;
    }

    if (! isFunction (message, SysExFunction::broadcastModifier))
        return false;

    record.bytes[2] = (uint8_t) readField (message, SysExFieldTable::broadcastModifier(), 2);
    return true;
}

} // namespace SysExMessage
