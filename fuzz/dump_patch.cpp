// Feeds arbitrary bytes to the preset dump parser and both edition conversions and
// rebuilds what converts: every path must end in a result or a refusal, never an
// out-of-bounds access. The first byte picks how the rest is used:
//   0: a raw ".syx" file, parsed for the model in the second byte;
//   1: framed messages (see DumpFuzzFraming), parsed for model 3 or 6;
//   2: the bytes of a Korrina preset, sent through a well-formed dump, so that the
//      packed-stream unpacking sees any packed length and any stream.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DumpFuzzFraming.h"
#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"

namespace
{
    std::vector<uint8_t> korrinaDump (const uint8_t* data, size_t size)
    {
        std::vector<uint16_t> words (2048, 0);

        for (size_t i = 0; i < words.size() && 2 * i < size; ++i)
            words[i] = (uint16_t) (data[2 * i] | ((2 * i + 1 < size ? data[2 * i + 1] : 0) << 8));

        const auto previous = SysExMessage::currentModel.exchange (3);
        std::vector<uint8_t> dump;
        juce::MidiMessage message;

        auto add = [&dump, &message]
        {
            dump.insert (dump.end(), message.getRawData(), message.getRawData() + message.getRawDataSize());
        };

        SysExMessage::buildPatchStart (message, { 0, 0, 2048 });
        add();

        for (size_t offset = 0; offset < words.size(); offset += 64)
        {
            PatchDataBlock block;
            block.count = 64;
            std::copy (words.begin() + (std::ptrdiff_t) offset, words.begin() + (std::ptrdiff_t) offset + 64, block.words);
            SysExMessage::buildPatchData (message, block);
            add();
        }

        SysExMessage::buildPatchEnd (message, { SysExMessage::xorWords16 (words.data(), (int) words.size()) });
        add();

        SysExMessage::currentModel.store (previous);
        return dump;
    }

    void exercise (const std::vector<uint8_t>& bytes, uint8_t model)
    {
        DumpImage image;

        if (! image.parsePatch (bytes.data(), bytes.size(), model))
            return;

        juce::MemoryBlock output;

        if (image.convertPatchToModel6())
            image.buildPatchMessages (output);

        if (image.convertPatchToModel3())
            image.buildPatchMessages (output);
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 2 || size > 1 << 17)
        return 0;

    const auto mode = data[0] % 3;
    const auto* rest = data + 1;
    const auto restSize = size - 1;

    if (mode == 0)
    {
        const uint8_t model = rest[0];
        const std::vector<uint8_t> file (rest + 1, rest + restSize);

        for (auto& block : DumpImage::splitPatches (model, file.data(), file.size()))
            exercise ({ static_cast<const uint8_t*> (block.getData()),
                        static_cast<const uint8_t*> (block.getData()) + block.getSize() }, model);

        exercise (file, model);
    }
    else if (mode == 1)
    {
        const uint8_t model = (rest[0] & 1) != 0 ? 6 : 3;
        exercise (DumpFuzzFraming::frameChunks (rest + 1, restSize - 1, model), model);
    }
    else
    {
        exercise (korrinaDump (rest, restSize), 3);
    }

    return 0;
}
