#include "devicelink/DumpImage.h"

#include "devicelink/SysExMessage.h"

// The cab IR half of the dump module: stateless functions that parse a cab dump,
// rebuild it for either Korrina edition and a chosen slot, and read its name.

namespace
{
    constexpr size_t cabDataMessages = DumpImage::cabIrWords / CabDataBlock::maxWords;
    constexpr size_t conversionBufferWords = 8192;
    constexpr size_t korrinaCabDumpSize = 10904;
    constexpr size_t grandCabDumpSize = 10905;

    uint32_t cabNumberFor (DumpImage::CabDestination destination, uint32_t cabNumber, uint8_t model) noexcept
    {
        const bool grand = model == DeviceModels::korrinaGrand;

        switch (destination)
        {
            case DumpImage::scratchpad:  return grand ? 512u : 100u;
            case DumpImage::userSlot:    return grand ? (cabNumber & 0xFFFFu) : (cabNumber & 0xFFu);
            default:                     return grand ? 0x3FFFu : 0x7Fu;
        }
    }
}

//==============================================================================
bool DumpImage::parseCabIr (const uint8_t* data, size_t size, uint32_t* words, size_t capacity)
{
    if (data == nullptr || size == 0)
        return false;

    const uint8_t model = size >= (size_t) SysExMessage::headerSize ? data[4] : 0;

    SysExStreamReader cabReader;
    cabReader.init (data, size, model);

    std::vector<uint32_t> collected;
    bool startSeen = false;
    bool endSeen = false;
    uint32_t startWordCount = 0;
    const uint8_t* bytes = nullptr;
    size_t messageSize = 0;

    while (cabReader.next (bytes, messageSize))
    {
        if (messageSize < (size_t) SysExMessage::headerSize)
            return false;

        if (SysExMessage::checksum (bytes, (int) messageSize - 2) != bytes[messageSize - 2])
            return false;

        const juce::MidiMessage message (bytes, (int) messageSize, 0.0);

        switch (bytes[5])
        {
            case SysExFunction::cabIrStart:
            {
                CabHeader header;

                if (startSeen || ! SysExMessage::parseCabIrStart (message, header))
                    return false;

                startSeen = true;
                startWordCount = header.wordCount;
                break;
            }

            case SysExFunction::cabIrData:
            {
                CabDataBlock block;

                if (! SysExMessage::parseCabIrData (message, block))
                    return false;

                // The caller's buffer sets the limit: a longer IR is refused, not cut.
                if (words != nullptr && collected.size() + (size_t) CabDataBlock::maxWords > capacity)
                    return false;

                collected.insert (collected.end(), block.words, block.words + CabDataBlock::maxWords);
                break;
            }

            case SysExFunction::cabIrEnd:
            {
                SingleNumber end;

                if (endSeen || ! SysExMessage::parseCabIrEnd (message, end))
                    return false;

                endSeen = true;

                // Without a START there is no count to hold the words to.
                if (startSeen && collected.size() != startWordCount)
                    return false;

                if (SysExMessage::xorWords32 (collected.data(), (int) collected.size()) != end.value)
                    return false;

                break;
            }

            default:
                return false;
        }
    }

    if (collected.empty())
        return false;

    if (words != nullptr)
        std::copy (collected.begin(), collected.end(), words);

    return true;
}

bool DumpImage::buildCabIrMessages (const uint32_t* words, size_t numWords, CabDestination destination,
                                    uint32_t cabNumber, uint8_t targetModel, juce::MemoryBlock& output)
{
    if (words == nullptr || numWords < cabIrWords)
        return false;

    const ModelScope modelScope (targetModel);
    juce::MemoryBlock built;
    juce::MidiMessage message;

    if (! SysExMessage::buildCabIrStart (message, { cabNumberFor (destination, cabNumber, targetModel),
                                                    (uint32_t) cabIrWords }))
        return false;

    built.append (message.getRawData(), (size_t) message.getRawDataSize());

    for (size_t k = 0; k < cabDataMessages; ++k)
    {
        CabDataBlock block;
        block.count = (uint32_t) CabDataBlock::maxWords;
        std::copy (words + k * CabDataBlock::maxWords, words + (k + 1) * CabDataBlock::maxWords, block.words);

        if (! SysExMessage::buildCabIrData (message, block))
            return false;

        built.append (message.getRawData(), (size_t) message.getRawDataSize());
    }

    if (! SysExMessage::buildCabIrEnd (message, { SysExMessage::xorWords32 (words, (int) cabIrWords) }))
        return false;

    built.append (message.getRawData(), (size_t) message.getRawDataSize());
    output = std::move (built);
    return true;
}

bool DumpImage::convertCabIr (juce::MemoryBlock& output, const uint8_t* data, size_t size,
                              CabDestination destination, uint32_t cabNumber, uint8_t targetModel)
{
    if (targetModel == DeviceModels::korrina)
        output.setSize (korrinaCabDumpSize, true);
    else if (targetModel == DeviceModels::korrinaGrand)
        output.setSize (grandCabDumpSize, true);

    std::vector<uint32_t> words (conversionBufferWords, 0);

    return parseCabIr (data, size, words.data(), words.size())
        && buildCabIrMessages (words.data(), words.size(), destination, cabNumber, targetModel, output);
}

//==============================================================================
bool DumpImage::getCabIrName (const uint8_t* data, size_t size, juce::String& name)
{
    std::vector<uint32_t> words (cabIrWords, 0);

    return parseCabIr (data, size, words.data(), words.size())
        && unpackCabName (words.data(), name);
}

bool DumpImage::isCabIrEmpty (const uint8_t* data, size_t size, bool& empty)
{
    std::vector<uint32_t> words (cabIrWords, 0);

    if (! parseCabIr (data, size, words.data(), words.size()))
        return false;

    if ((words[0] & 0xFFFFu) == 0xFFFFu)
        empty = true;

    return true;
}

bool DumpImage::unpackCabName (const uint32_t* words, juce::String& name)
{
    constexpr int nameWords = 8;

    if (words == nullptr)
        return false;

    // The name is up to 32 8-bit characters; each byte is taken as its own character,
    // so bytes that are not valid UTF-8 still give a name.
    juce::String text;

    for (int i = 0; i < nameWords * 4; ++i)
    {
        const auto byte = (uint8_t) ((words[i / 4] >> (8 * (i % 4))) & 0xFF);

        if (byte == 0)
            break;

        text += (juce::juce_wchar) byte;
    }

    name = text.trim();
    return true;
}
