#include "app/SendFileData.h"

#include "devicelink/CodeName.h"

#include <cstring>
#include <new>

namespace
{
    constexpr uint8_t manufacturer[] = { 0xF0, 0x00, 0x6B, 0x2E };

    /** Whether the bytes start with a whole message header of the maker: F0, the
        manufacturer id, then the model and function bytes. A file of anything else
        is no file for these units, whatever its fifth and sixth bytes say.
    */
    bool hasHeader (const uint8_t* data, size_t size) noexcept
    {
        return data != nullptr && size >= (size_t) SysExMessage::headerSize
            && std::memcmp (data, manufacturer, sizeof (manufacturer)) == 0;
    }

    bool isKorrinaModel (uint8_t model) noexcept
    {
        return model == DeviceModels::korrina || model == DeviceModels::korrinaGrand;
    }

    bool isStompraModel (uint8_t model) noexcept
    {
        return model == DeviceModels::stompraClassic || model == DeviceModels::stompraNeo;
    }

    /** F0 00 6B 2E model 77: the first six bytes of a preset header for the model. */
    struct PresetHeaderPattern
    {
        explicit PresetHeaderPattern (uint8_t model) noexcept
            : bytes { manufacturer[0], manufacturer[1], manufacturer[2], manufacturer[3], model, SysExFunction::patchStart }
        {
        }

        uint8_t bytes[6];
    };
}

//==============================================================================
uint8_t SendFileData::getSysExModel (const uint8_t* data, size_t size) noexcept
{
    if (! hasHeader (data, size))
        return 0;

    return data[4];
}

bool SendFileData::fileMatchesDevice (const uint8_t* data, size_t size, DeviceModel device) noexcept
{
    if (! hasHeader (data, size))
        return false;

    const auto model = data[4];
    const auto function = data[5];

    if (model == device)
        return device != DeviceModels::bootRom || function == SysExFunction::fwUpdateStart;

    if (device == DeviceModels::bootRom && isKorrinaModel (model))
        return function == SysExFunction::fwUpdateStart;

    // A Korrina Grand takes everything a Korrina makes except its system backup,
    // which is a run of presets whose first header says bank 3.
    if (device == DeviceModels::korrinaGrand && model == DeviceModels::korrina)
        return ! (function == SysExFunction::patchStart && size > 6 && data[6] == 3);

    if (device == DeviceModels::korrina && model == DeviceModels::korrinaGrand)
        return function == SysExFunction::cabIrStart;

    return false;
}

juce::String SendFileData::getDeviceName (DeviceModel device)
{
    switch (device)
    {
        case DeviceModels::stompraClassic:  return "Stompra Classic";
        case DeviceModels::korrina:         return "Korrina";
        case DeviceModels::stompraNeo:      return "Stompra Neo";
        case DeviceModels::korrinaGrand:    return "Korrina Grand";
        case DeviceModels::bootRom:         return "Boot ROM";
        default:                            return "Other";
    }
}

juce::String SendFileData::getMismatchText (DeviceModel device)
{
    return "The selection does not appear to be a valid file for the " + getDeviceName (device)
         + ".\n\nPlease try a different file.";
}

//==============================================================================
int SendFileData::getSendFileKind (const uint8_t* data, size_t size, DeviceModel device, int& presetHeaderCount)
{
    if (device == DeviceModels::bootRom)
        return bootRom;

    if (! hasHeader (data, size))
        return notRecognised;

    const auto model = data[4];

    switch (data[5])
    {
        case SysExFunction::systemDataStart:  return systemBackup;
        case SysExFunction::fpgaUpdateStart:  return fpgaUpdate;
        case SysExFunction::effectData:       return stompraBackup;
        case SysExFunction::cabIrStart:       return cabIr;
        case SysExFunction::patchStart:       return classifyPatchFile (data, size, model, presetHeaderCount);

        case SysExFunction::fwUpdateStart:
            if (isKorrinaModel (model))
                return korrinaFirmware;

            return isStompraModel (model) ? stompraFirmware : notRecognised;

        default:
            return notRecognised;
    }
}

int SendFileData::classifyPatchFile (const uint8_t* data, size_t size, uint8_t model, int& presetHeaderCount)
{
    // The first header is read whole (its bank at byte 6), and a send rewrites it.
    if (data == nullptr || size < presetHeaderSize)
        return notRecognised;

    const PresetHeaderPattern pattern (model);

    if (std::memcmp (data, pattern.bytes, sizeof (pattern.bytes)) != 0)
        return notRecognised;

    const auto second = findSysExHeader (pattern.bytes, data + SysExMessage::headerSize,
                                         size - (size_t) SysExMessage::headerSize);

    if (second < 0)
        return singlePreset;

    bool lastHeaderCut = false;
    const auto count = countPresetHeaders (data, size, model, lastHeaderCut);

    if (lastHeaderCut)
        return notRecognised;

    switch (data[6])
    {
        case 0: case 1: case 2: case editBuffer:
            presetHeaderCount = count;
            return bankKindFor (count);

        case 3:
            return korrinaSystem;

        default:
            return notRecognised;
    }
}

int SendFileData::countPatchHeaders (const uint8_t* data, size_t size, uint8_t model, int& presetHeaderCount)
{
    bool lastHeaderCut = false;
    presetHeaderCount = countPresetHeaders (data, size, model, lastHeaderCut);
    return bankKindFor (presetHeaderCount);
}

int SendFileData::bankKindFor (int presetHeaderCount) noexcept
{
    return presetHeaderCount > presetsPerBank ? allBanks : oneBank;
}

int SendFileData::countPresetHeaders (const uint8_t* data, size_t size, uint8_t model, bool& lastHeaderCut)
{
    lastHeaderCut = false;

    if (data == nullptr)
        return 0;

    const PresetHeaderPattern pattern (model);
    int count = 0;
    size_t position = 0;

    while (position < size)
    {
        const auto found = findSysExHeader (pattern.bytes, data + position, size - position);

        if (found < 0)
            break;

        const auto header = position + (size_t) found;
        ++count;
        lastHeaderCut = size - header < presetHeaderSize;
        position = header + (size_t) SysExMessage::headerSize;
    }

    return count;
}

//==============================================================================
void SendFileData::rewriteHeader (uint8_t* header, uint8_t bank) noexcept
{
    header[6] = bank;
    header[10] = SysExMessage::checksum (header, 10);
    header[11] = 0xF7;
}

bool SendFileData::setSendDestination (juce::MemoryBlock& buffer, uint8_t bank)
{
    if (buffer.getSize() < presetHeaderSize)
        return false;

    rewriteHeader (static_cast<uint8_t*> (buffer.getData()), (uint8_t) (bank & 0x7F));
    return true;
}

void SendFileData::setSendBank (juce::MemoryBlock& buffer, uint8_t bank, uint8_t model)
{
    const auto size = buffer.getSize();

    if (size == 0 || buffer[0] != (char) 0xF0)
        return;

    // The block is rewritten in place: a header keeps its length, and every byte
    // between the headers stays what it was.
    auto* data = static_cast<uint8_t*> (buffer.getData());
    const PresetHeaderPattern pattern (model);
    size_t position = 0;

    while (position < size)
    {
        if (size - position < presetHeaderSize)
            break;

        rewriteHeader (data + position, (uint8_t) (bank & 0x7F));
        position += presetHeaderSize;

        const auto found = findSysExHeader (pattern.bytes, data + position, size - position);

        if (found < 0)
            break;

        position += (size_t) found;
    }
}

//==============================================================================
bool SendFileData::convertPreset (DumpImage& image, const uint8_t* data, size_t size, uint8_t fromModel,
                                  juce::MemoryBlock& output)
{
    if (! image.parsePatch (data, size, fromModel))
        return false;

    const bool converted = fromModel == DeviceModels::korrina ? image.convertPatchToModel6()
                                                              : image.convertPatchToModel3();
    return converted && image.buildPatchMessages (output);
}

bool SendFileData::convertBank (DumpImage& image, const uint8_t* data, size_t size, uint8_t fromModel,
                                juce::MemoryBlock& output)
{
    output.reset();

    try
    {
        const auto blocks = DumpImage::splitPatches (fromModel, data, size);

        if (blocks.empty())
            return false;

        for (const auto& block : blocks)
        {
            if (! convertPreset (image, static_cast<const uint8_t*> (block.getData()), block.getSize(), fromModel, output))
            {
                output.reset();
                return false;
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        output.reset();
        return false;
    }

    return true;
}

bool SendFileData::convertKorrinaPreset (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return convertPreset (image, data, size, DeviceModels::korrina, output);
}

bool SendFileData::convertKorrinaGrandPreset (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return convertPreset (image, data, size, DeviceModels::korrinaGrand, output);
}

bool SendFileData::convertKorrinaBank (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return convertBank (image, data, size, DeviceModels::korrina, output);
}

bool SendFileData::convertKorrinaGrandBank (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return convertBank (image, data, size, DeviceModels::korrinaGrand, output);
}
