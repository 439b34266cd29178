// Outside bytes made text: 1 MiB that is not well-formed UTF-8 (every byte above
// 0x7F, lead and continuation bytes out of step), read one character per byte.

#include <benchmark/benchmark.h>

#include "text/Utf8Text.h"

static void toTextOfIllFormedBytes (benchmark::State& state)
{
    juce::MemoryBlock bytes ((size_t) state.range (0));

    for (size_t i = 0; i < bytes.getSize(); ++i)
        bytes[i] = (char) (0x80 + i % 0x80);

    for (auto _ : state)
        benchmark::DoNotOptimize (Utf8Text::toText (bytes.getData(), bytes.getSize()));

    state.SetBytesProcessed ((int64_t) state.iterations() * state.range (0));
}
BENCHMARK (toTextOfIllFormedBytes)->Arg (1 << 20)->Unit (benchmark::kMillisecond);
