// What the send workflow does with a whole bank file before it goes out, through
// SendFileData as the main dialog calls it: the kind (with the preset-header count),
// the bank retargeting, and the conversion to the other Korrina edition, for a
// Korrina bank (128 presets, 4352 messages) and a Korrina Grand bank (8448 messages).

#include <benchmark/benchmark.h>

#include "app/SendFileData.h"
#include "devicelink/virtual/PackedPatchEncoder.h"
#include "support/TestDumps.h"

namespace
{
    const TestDumps::Bytes& korrinaBank()
    {
        static const auto bank = []
        {
            juce::Random random (11);
            return TestDumps::bankFile (DeviceModels::korrina, 0, random);
        }();

        return bank;
    }

    /** A Korrina bank of packed presets, as a unit full of real presets keeps them. */
    const TestDumps::Bytes& packedKorrinaBank()
    {
        static const auto bank = []
        {
            juce::Random random (7);
            TestDumps::Bytes file;

            for (uint32_t preset = 0; preset < 128; ++preset)
            {
                const auto grand = TestDumps::sparseGrandPreset (random);
                std::vector<uint16_t> korrina;

                if (! PackedPatchEncoder::packPreset (grand.data(), (int) grand.size(), korrina))
                    korrina = TestDumps::randomKorrinaPreset (random);

                TestDumps::append (file, TestDumps::presetDump (DeviceModels::korrina, 0, preset, korrina));
            }

            return file;
        }();

        return bank;
    }

    const TestDumps::Bytes& grandBank()
    {
        static const auto bank = []
        {
            juce::Random random (12);
            return TestDumps::bankFile (DeviceModels::korrinaGrand, 0, random);
        }();

        return bank;
    }

    void setBytes (benchmark::State& state, const TestDumps::Bytes& bank)
    {
        state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) bank.size());
    }
}

//==============================================================================
static void classifyBank (benchmark::State& state, const TestDumps::Bytes& bank, DeviceModel device)
{
    for (auto _ : state)
    {
        int headers = 0;
        const auto kind = SendFileData::getSendFileKind (bank.data(), bank.size(), device, headers);

        if (kind != SendFileData::oneBank || headers != 128)
            state.SkipWithError ("not a bank of 128 presets");

        benchmark::DoNotOptimize (SendFileData::fileMatchesDevice (bank.data(), bank.size(), device));
    }

    setBytes (state, bank);
}

static void retargetBank (benchmark::State& state, const TestDumps::Bytes& bank, DeviceModel model)
{
    juce::MemoryBlock block (bank.data(), bank.size());

    for (auto _ : state)
    {
        SendFileData::setSendBank (block, (uint8_t) (state.iterations() % 3), model);
        benchmark::DoNotOptimize (block.getData());
    }

    setBytes (state, bank);
}

/** What a bank made for the other edition goes through on Transmit: classify, convert,
    take the result as the send buffer, and aim it at bank B.
*/
static void convertAndRetargetBank (benchmark::State& state, const TestDumps::Bytes& bank, DeviceModel device)
{
    DumpImage image;

    for (auto _ : state)
    {
        int headers = 0;
        benchmark::DoNotOptimize (SendFileData::getSendFileKind (bank.data(), bank.size(), device, headers));

        juce::MemoryBlock output;
        const bool ok = device == DeviceModels::korrinaGrand
                          ? SendFileData::convertKorrinaBank (image, bank.data(), bank.size(), output)
                          : SendFileData::convertKorrinaGrandBank (image, bank.data(), bank.size(), output);

        if (! ok)
            state.SkipWithError ("conversion failed");

        juce::MemoryBlock sendBuffer (output);
        SendFileData::setSendBank (sendBuffer, 1, device);
        benchmark::DoNotOptimize (sendBuffer.getData());
    }

    setBytes (state, bank);
}

BENCHMARK_CAPTURE (classifyBank, korrina, korrinaBank(), DeviceModels::korrina)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (classifyBank, grand, grandBank(), DeviceModels::korrinaGrand)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (retargetBank, korrina, korrinaBank(), DeviceModels::korrina)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (retargetBank, grand, grandBank(), DeviceModels::korrinaGrand)->Unit (benchmark::kMicrosecond);
BENCHMARK_CAPTURE (convertAndRetargetBank, korrinaToGrand, korrinaBank(), DeviceModels::korrinaGrand)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (convertAndRetargetBank, packedKorrinaToGrand, packedKorrinaBank(), DeviceModels::korrinaGrand)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (convertAndRetargetBank, grandToKorrina, grandBank(), DeviceModels::korrina)->Unit (benchmark::kMillisecond);
