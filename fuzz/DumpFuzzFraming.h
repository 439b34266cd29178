#pragma once

// Shared by the dump fuzz targets: turns arbitrary bytes into a run of well-framed
// SysEx messages, so that the fuzzer gets past the header and checksum checks and
// reaches the dump logic behind them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace DumpFuzzFraming
{
    /** Reads chunks of [payload length][function][payload] from the input and frames
        each as F0 00 6B 2E model function payload checksum F7 (payload bytes masked to
        7 bits). Stops when the input runs out.
    */
    inline std::vector<uint8_t> frameChunks (const uint8_t* data, size_t size, uint8_t model)
    {
        std::vector<uint8_t> out;
        size_t pos = 0;

        while (pos + 2 <= size)
        {
            const size_t length = data[pos];
            const auto function = (uint8_t) (data[pos + 1] & 0x7F);
            pos += 2;

            const auto start = out.size();
            out.insert (out.end(), { 0xF0, 0x00, 0x6B, 0x2E, model, function });

            for (size_t i = 0; i < length && pos < size; ++i)
                out.push_back ((uint8_t) (data[pos++] & 0x7F));

            uint8_t sum = 0;

            for (size_t i = start; i < out.size(); ++i)
                sum ^= out[i];

            out.push_back ((uint8_t) (sum & 0x7F));
            out.push_back (0xF7);
        }

        return out;
    }
}
