#include <benchmark/benchmark.h>

#include "devicelink/DumpImage.h"
#include "devicelink/SysExStreamReader.h"
#include "devicelink/virtual/PackedPatchEncoder.h"
#include "support/TestDumps.h"

namespace
{
    /** A Korrina bank of 128 packed presets, as a unit full of real presets keeps them. */
    TestDumps::Bytes packedKorrinaBank()
    {
        juce::Random random (7);
        TestDumps::Bytes bank;

        for (uint32_t preset = 0; preset < 128; ++preset)
        {
            const auto grand = TestDumps::sparseGrandPreset (random);
            std::vector<uint16_t> korrina;

            if (! PackedPatchEncoder::packPreset (grand.data(), (int) grand.size(), korrina))
                korrina = TestDumps::randomKorrinaPreset (random);

            TestDumps::append (bank, TestDumps::presetDump (3, 0, preset, korrina));
        }

        return bank;
    }

    void convertBank (benchmark::State& state, const TestDumps::Bytes& bank, uint8_t source, uint8_t target)
    {
        DumpImage image;

        for (auto _ : state)
        {
            juce::MemoryBlock output;

            for (const auto& block : DumpImage::splitPatches (source, bank.data(), bank.size()))
            {
                const auto ok = image.parsePatch (static_cast<const uint8_t*> (block.getData()), block.getSize(), source)
                             && (target == 6 ? image.convertPatchToModel6() : image.convertPatchToModel3())
                             && image.buildPatchMessages (output);

                if (! ok)
                    state.SkipWithError ("conversion failed");
            }

            benchmark::DoNotOptimize (output.getData());
        }

        state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) bank.size());
    }
}

//==============================================================================
static void packedKorrinaPresetToGrand (benchmark::State& state)
{
    juce::Random random (1);
    const auto grand = TestDumps::sparseGrandPreset (random);
    std::vector<uint16_t> korrina;
    PackedPatchEncoder::packPreset (grand.data(), (int) grand.size(), korrina);
    const auto dump = TestDumps::presetDump (3, 0, 0, korrina);

    DumpImage image;
    image.parsePatch (dump.data(), dump.size(), 3);

    for (auto _ : state)
    {
        if (! image.convertPatchToModel6())
            state.SkipWithError ("conversion failed");

        benchmark::DoNotOptimize (image.getConvertedData().getData());
    }
}
BENCHMARK (packedKorrinaPresetToGrand)->Unit (benchmark::kMicrosecond);

static void grandPresetToKorrina (benchmark::State& state)
{
    juce::Random random (2);
    const auto dump = TestDumps::presetDump (6, 0, 0, TestDumps::randomGrandPreset (random));

    DumpImage image;
    image.parsePatch (dump.data(), dump.size(), 6);

    for (auto _ : state)
    {
        if (! image.convertPatchToModel3())
            state.SkipWithError ("conversion failed");

        benchmark::DoNotOptimize (image.getConvertedData().getData());
    }
}
BENCHMARK (grandPresetToKorrina)->Unit (benchmark::kMicrosecond);

static void packedKorrinaBankToGrand (benchmark::State& state)
{
    convertBank (state, packedKorrinaBank(), 3, 6);
}
BENCHMARK (packedKorrinaBankToGrand)->Unit (benchmark::kMillisecond);

static void grandBankToKorrina (benchmark::State& state)
{
    juce::Random random (3);
    convertBank (state, TestDumps::bankFile (6, 0, random), 6, 3);
}
BENCHMARK (grandBankToKorrina)->Unit (benchmark::kMillisecond);

static void cabIrToGrand (benchmark::State& state)
{
    juce::Random random (4);
    const auto dump = TestDumps::cabDump (3, 5, TestDumps::cabWords (random, "Bench Cab"));

    for (auto _ : state)
    {
        juce::MemoryBlock output;

        if (! DumpImage::convertCabIr (output, dump.data(), dump.size(), DumpImage::userSlot, 300, 6))
            state.SkipWithError ("conversion failed");

        benchmark::DoNotOptimize (output.getData());
    }
}
BENCHMARK (cabIrToGrand)->Unit (benchmark::kMicrosecond);

static void streamReaderOverGrandBank (benchmark::State& state)
{
    juce::Random random (5);
    const auto bank = TestDumps::bankFile (6, 0, random);
    SysExStreamReader reader;
    int messages = 0;

    for (auto _ : state)
    {
        reader.init (bank.data(), bank.size(), 6);
        juce::MidiMessage message;
        messages = 0;

        while (reader.next (message))
            ++messages;

        benchmark::DoNotOptimize (messages);
    }

    if (messages != 8448)
        state.SkipWithError ("wrong message count");

    state.counters["messages"] = messages;
}
BENCHMARK (streamReaderOverGrandBank)->Unit (benchmark::kMillisecond);
