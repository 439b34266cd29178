// Feeds arbitrary bytes, as a ".syx" file chosen for sending, to everything the send
// workflow does with such a file before it goes out: the model and the device match
// for every device, the kind and the preset-header count, the bank and edit-buffer
// retargeting for both editions, and the four edition conversions. Each runs on a
// block exactly as long as the file, so any read or write past its end is caught.
// Besides never crashing, the rewrites must keep the file's length, and the bank
// retargeting must leave every byte outside the headers' bank and checksum alone.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/SendFileData.h"
#include "devicelink/DumpImage.h"

namespace
{
    constexpr DeviceModel devices[] = { 2, 3, 4, 6, 0xFF, 0xF7, 0 };

    void check (bool condition)
    {
        if (! condition)
            std::abort();
    }

    juce::MemoryBlock copyOf (const uint8_t* data, size_t size)
    {
        return { data, size };
    }

    void retarget (const uint8_t* data, size_t size, uint8_t model)
    {
        const uint8_t bank = (uint8_t) (size % 4);

        auto block = copyOf (data, size);
        SendFileData::setSendBank (block, bank, model);
        check (block.getSize() == size);

        // Only the banks and checksums of headers (bytes 6 and 10 of a 12-byte run)
        // and their closing F7 may change.
        const auto* after = static_cast<const uint8_t*> (block.getData());

        for (size_t i = 0; i < size; ++i)
            if (after[i] != data[i])
                check ((i >= 6 && data[i - 6] == 0xF0 && after[i] == bank)
                       || (i >= 10 && data[i - 10] == 0xF0 && after[i] < 0x80)
                       || (i >= 11 && data[i - 11] == 0xF0 && after[i] == 0xF7));

        auto single = copyOf (data, size);
        const bool rewritten = SendFileData::setSendDestination (single, SendFileData::editBuffer);
        check (single.getSize() == size);
        check (rewritten == (size >= SendFileData::presetHeaderSize));

        if (rewritten)
            check (static_cast<const uint8_t*> (single.getData())[6] == SendFileData::editBuffer);
    }

    void convert (const uint8_t* data, size_t size)
    {
        DumpImage image;
        juce::MemoryBlock output;

        SendFileData::convertKorrinaPreset (image, data, size, output);
        output.reset();
        SendFileData::convertKorrinaGrandPreset (image, data, size, output);

        if (SendFileData::convertKorrinaBank (image, data, size, output))
            check (output.getSize() > 0);

        if (SendFileData::convertKorrinaGrandBank (image, data, size, output))
            check (output.getSize() > 0);
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* input, size_t size)
{
    if (size > 1 << 18)
        return 0;

    // A heap copy of exactly the file's length, so the sanitizer sees its end.
    std::vector<uint8_t> file (input, input + size);
    const auto* data = file.empty() ? nullptr : file.data();

    SendFileData::getSysExModel (data, size);

    for (auto device : devices)
    {
        SendFileData::fileMatchesDevice (data, size, device);

        int headers = -1;
        const auto kind = SendFileData::getSendFileKind (data, size, device, headers);
        check (kind >= SendFileData::notRecognised && kind <= SendFileData::fpgaUpdate);

        if (kind == SendFileData::oneBank || kind == SendFileData::allBanks)
            check (headers >= 2 && (headers > SendFileData::presetsPerBank) == (kind == SendFileData::allBanks));
    }

    for (uint8_t model : { (uint8_t) 3, (uint8_t) 6 })
    {
        int count = 0;
        SendFileData::countPatchHeaders (data, size, model, count);
        check (count >= 0 && (size_t) count * 6 <= size);
        retarget (data, size, model);
    }

    convert (data, size);
    return 0;
}
