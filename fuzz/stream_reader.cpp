// Runs the SysEx stream reader over arbitrary bytes for a model, the Boot ROM
// included, and checks what it yields: every message lies inside the data, starts
// with the model's header, and the position only moves forward.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "devicelink/SysExStreamReader.h"

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size < 2 || size > 1 << 17)
        return 0;

    const uint8_t models[] = { 3, 6, SysExStreamReader::bootRomModel, data[0] };
    const auto model = models[data[0] % 4];
    const uint8_t header[] = { 0xF0, 0x00, 0x6B, 0x2E, model };
    const size_t headerSize = model == SysExStreamReader::bootRomModel ? 1 : sizeof (header);

    SysExStreamReader reader;

    if (! reader.init (data + 1, size - 1, model))
        __builtin_trap();

    const uint8_t* start = nullptr;
    size_t length = 0;
    size_t lastPosition = 0;
    int count = 0;

    while (reader.next (start, length))
    {
        if (length < headerSize || (count > 0 && reader.getPosition() <= lastPosition))
            __builtin_trap();

        if (length < headerSize && reader.getPosition() != reader.getSize())
            __builtin_trap();

        if (std::memcmp (start, header, std::min (length, headerSize)) != 0)
            __builtin_trap();

        lastPosition = reader.getPosition();

        if (++count > reader.getMessageCount())
            __builtin_trap();
    }

    juce::MidiMessage message;
    reader.rewind();

    while (reader.next (message))
        if (message.getRawDataSize() < 1 || message.getRawData()[0] != 0xF0)
            __builtin_trap();

    return 0;
}
