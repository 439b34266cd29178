// Feeds arbitrary bytes to the cab IR parser, the conversion to both editions for
// every destination, the name reader and the empty-slot test. The first byte picks
// whether the rest is a raw file or framed messages (see DumpFuzzFraming).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DumpFuzzFraming.h"
#include "devicelink/DumpImage.h"

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 2 || size > 1 << 17)
        return 0;

    std::vector<uint8_t> bytes;

    if ((data[0] & 1) == 0)
        bytes.assign (data + 1, data + size);
    else
        bytes = DumpFuzzFraming::frameChunks (data + 2, size - 2, (data[1] & 1) != 0 ? 6 : 3);

    std::vector<uint32_t> words (DumpImage::cabIrWords);
    DumpImage::parseCabIr (bytes.data(), bytes.size(), words.data(), words.size());
    DumpImage::parseCabIr (bytes.data(), bytes.size(), nullptr, 0);

    juce::String name;
    DumpImage::getCabIrName (bytes.data(), bytes.size(), name);

    bool empty = false;
    DumpImage::isCabIrEmpty (bytes.data(), bytes.size(), empty);

    const auto destination = (DumpImage::CabDestination) (data[0] >> 1) % 4;
    const auto cabNumber = (uint32_t) data[size - 1] * 131u;

    for (uint8_t target : { (uint8_t) 3, (uint8_t) 6 })
    {
        juce::MemoryBlock output;
        DumpImage::convertCabIr (output, bytes.data(), bytes.size(), destination, cabNumber, target);
    }

    return 0;
}
