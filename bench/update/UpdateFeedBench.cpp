// The installer's file name taken from the feed's address, as the message thread does
// when a check finds an update: addresses up to the feed's 1 MiB limit, one character
// in eight one that a file name may not hold.

#include <benchmark/benchmark.h>

#include "update/UpdateFeed.h"

static void installerFileNameOfLongAddress (benchmark::State& state)
{
    const auto name = juce::String::repeatedString ("setup-7$", (int) state.range (0) / 8);
    const auto address = "https://downloads.dremlor.example/files/" + name + "?build=7";

    for (auto _ : state)
        benchmark::DoNotOptimize (UpdateFeed::installerFileName (address));

    state.SetItemsProcessed ((int64_t) state.iterations() * state.range (0));
}
BENCHMARK (installerFileNameOfLongAddress)->Arg (64 << 10)->Arg (1 << 20)->Unit (benchmark::kMillisecond);
