#include "devicelink/SysExMessage.h"
#include "devicelink/SysExTransaction.h"

namespace SysExMessage
{

namespace
{
    /** Packs one value per row of the table, each field after the one before it,
        and frames the payload: the layout every builder shares.
    */
    bool buildFromFields (juce::MidiMessage& message, uint8_t function, const SysExFieldTable& table,
                          std::initializer_list<uint32_t> values)
    {
        juce::MemoryBlock payload ((size_t) totalSize (table), true);
        int offset = 0;
        auto value = values.begin();

        for (auto* row = table.getRows(); row != nullptr && row->fieldId != -1 && value != values.end(); ++row, ++value)
        {
            writeSeptets (payload, offset, *value, row->groupCount);
            offset += row->groupCount;
        }

        juce::MidiMessage built;

        if (makeMessage (built, function, static_cast<const uint8_t*> (payload.getData()), (int) payload.getSize()) == 0)
            return false;

        message = built;
        return true;
    }

    /** A data message: a two-group count, then `slots` word slots of `groupsPerWord`
        groups each, the first `count` filled and the rest zero, so that every data
        message has the same length.
    */
    bool buildWordMessage (juce::MidiMessage& message, uint8_t function, uint32_t count,
                           const uint32_t* words, int slots, int groupsPerWord)
    {
        if (count > (uint32_t) slots)
            return false;

        constexpr int countGroups = 2;
        juce::MemoryBlock payload ((size_t) (countGroups + slots * groupsPerWord), true);
        writeSeptets (payload, 0, count, countGroups);

        for (int i = 0; i < (int) count; ++i)
            writeSeptets (payload, countGroups + i * groupsPerWord, words[i], groupsPerWord);

        juce::MidiMessage built;

        if (makeMessage (built, function, static_cast<const uint8_t*> (payload.getData()), (int) payload.getSize()) == 0)
            return false;

        message = built;
        return true;
    }

    /** The 7-bit groups of a 14-bit cab number, high group first, as the Korrina
        Grand expects them.
    */
    uint32_t highGroup (uint32_t cab) noexcept   { return (cab >> 7) & 0x7F; }
    uint32_t lowGroup (uint32_t cab) noexcept    { return cab & 0x7F; }

    /** PATCH_DATA messages in one preset dump of the model; a dump adds a
        PATCH_START and a PATCH_END around them.
    */
    int dataMessagesPerPreset (DeviceModel model) noexcept
    {
        switch (model)
        {
            case DeviceModels::korrina:       return 32;
            case DeviceModels::korrinaGrand:  return 64;
            default:                          return 0;
        }
    }

    constexpr int presetsPerBank = 128;
    constexpr int messagesPerCabDump = 66;
}

//==============================================================================
bool buildPatchDumpRequest (SysExTransaction& transaction, const PatchDumpRequest& request)
{
    juce::MidiMessage message;

    if (! buildFromFields (message, SysExFunction::patchDump, SysExFieldTable::patchDumpRequest(),
                           { request.bank, request.preset }))
        return false;

    transaction.setRequest (message);
    // Models without a known preset size get no reply count: the request then
    // ends on the pass after its send.
    const auto dataMessages = dataMessagesPerPreset (currentModel.load());
    transaction.setExpectedReplies (dataMessages > 0 ? dataMessages + 2 : 0);
    return true;
}

bool buildCabDumpRequest (SysExTransaction& transaction, const CabDumpRequest& request)
{
    juce::MidiMessage message;

    const auto built = currentModel.load() == DeviceModels::korrinaGrand
        ? buildFromFields (message, SysExFunction::cabDump, SysExFieldTable::cabDumpRequestGrand(),
                           { highGroup (request.cab), lowGroup (request.cab) })
        : buildFromFields (message, SysExFunction::cabDump, SysExFieldTable::cabDumpRequest(),
                           { request.cab });

    if (! built)
        return false;

    transaction.setRequest (message);
    transaction.setExpectedReplies (messagesPerCabDump);
    return true;
}

bool buildBankDumpRequest (SysExTransaction& transaction, const BankDumpRequest& request)
{
    juce::MidiMessage message;

    if (! buildFromFields (message, SysExFunction::bankDump, SysExFieldTable::bankDumpRequest(), { request.bank }))
        return false;

    transaction.setRequest (message);

    transaction.setExpectedReplies ((dataMessagesPerPreset (currentModel.load()) + 2) * presetsPerBank);
    return true;
}

bool buildProgramChange (SysExTransaction& transaction)
{
    transaction.setRequest (juce::MidiMessage::programChange (1, 0));
    transaction.setExpectedReplies (0);
    return true;
}

//==============================================================================
bool buildPatchStart (juce::MidiMessage& message, const PatchHeader& header)
{
    return buildFromFields (message, SysExFunction::patchStart, SysExFieldTable::patchStart(),
                            { header.bank, header.preset, header.wordCount });
}

bool buildPatchData (juce::MidiMessage& message, const PatchDataBlock& data)
{
    return buildWordMessage (message, SysExFunction::patchData, data.count, data.words,
                             PatchDataBlock::maxWords, 3);
}

bool buildPatchEnd (juce::MidiMessage& message, const SingleNumber& end)
{
    return buildFromFields (message, SysExFunction::patchEnd, SysExFieldTable::patchEnd(), { end.value });
}

bool buildCabIrStart (juce::MidiMessage& message, const CabHeader& header)
{
    if (currentModel.load() == DeviceModels::korrinaGrand)
        return buildFromFields (message, SysExFunction::cabIrStart, SysExFieldTable::cabIrStartGrand(),
                                { highGroup (header.cab), lowGroup (header.cab), header.wordCount });

    return buildFromFields (message, SysExFunction::cabIrStart, SysExFieldTable::cabIrStart(),
                            { header.cab, header.wordCount });
}

bool buildCabIrData (juce::MidiMessage& message, const CabDataBlock& data)
{
    return buildWordMessage (message, SysExFunction::cabIrData, data.count, data.words,
                             CabDataBlock::maxWords, 5);
}

bool buildCabIrEnd (juce::MidiMessage& message, const SingleNumber& end)
{
    return buildFromFields (message, SysExFunction::cabIrEnd, SysExFieldTable::cabIrEnd(), { end.value });
}

bool buildConfigRequest (juce::MidiMessage& message, const ConfigRequest& request)
{
    return buildFromFields (message, SysExFunction::getConfig, SysExFieldTable::getConfigRequest(),
                            { request.parameterId });
}

} // namespace SysExMessage
