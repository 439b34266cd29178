// Reading a file to send: through RegularFileReader (a look at what the path names,
// a non-blocking open, the opened file's type, one read of its size) against the
// framework's File::loadFileAsData, which it replaced, for a Korrina Grand's four
// banks (512 preset dumps, 6.3 MiB) and a file at the 64 MiB limit, both in the
// page cache after the first pass.

#include <benchmark/benchmark.h>

#include "app/RegularFileReader.h"

namespace
{
    juce::File fileOf (juce::int64 size)
    {
        static juce::TemporaryFile scratch (".syx");
        const auto& file = scratch.getFile();

        if (file.getSize() != size)
        {
            juce::MemoryBlock bytes ((size_t) size);

            for (size_t i = 0; i < bytes.getSize(); ++i)
                bytes[i] = (char) (i * 7 & 0x7F);

            file.replaceWithData (bytes.getData(), bytes.getSize());
        }

        return file;
    }

    void regularFileReader (benchmark::State& state)
    {
        const auto file = fileOf (state.range (0));

        for (auto _ : state)
        {
            juce::MemoryBlock data;

            if (RegularFileReader::read (file, data).failed())
                state.SkipWithError ("not read");

            benchmark::DoNotOptimize (data.getData());
        }

        state.SetBytesProcessed (state.iterations() * state.range (0));
    }

    void loadFileAsData (benchmark::State& state)
    {
        const auto file = fileOf (state.range (0));

        for (auto _ : state)
        {
            juce::MemoryBlock data;

            if (! file.loadFileAsData (data))
                state.SkipWithError ("not read");

            benchmark::DoNotOptimize (data.getData());
        }

        state.SetBytesProcessed (state.iterations() * state.range (0));
    }

    constexpr int64_t allGrandBanks = 512 * 12951;
}

BENCHMARK (regularFileReader)->Arg (allGrandBanks)->Arg (RegularFileReader::maxFileBytes)->Unit (benchmark::kMillisecond);
BENCHMARK (loadFileAsData)->Arg (allGrandBanks)->Arg (RegularFileReader::maxFileBytes)->Unit (benchmark::kMillisecond);
