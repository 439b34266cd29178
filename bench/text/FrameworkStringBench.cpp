// The framework's making of a String from 1 MiB of well-formed UTF-8, and its walks over
// one: the paths that every file name, argument and environment variable takes. Built
// with DREMLOR_PATCH_JUCE=OFF, the same benchmark times the framework as Debian ships it.

#include <benchmark/benchmark.h>

#include <juce_core/juce_core.h>

#include <string>

// 1 MiB of text: ASCII only (kind 0), or mixed two-, three- and four-byte characters
// with ASCII between them (kind 1).
static std::string ordinaryText (int kind)
{
    const std::string piece = kind == 0 ? "Lead Tone 07 - Clean Crunch/"
                                        : "Grüße, 音色 \xf0\x9d\x84\x9e Gain ½/";
    std::string text;

    while (text.size() + piece.size() <= (1u << 20))
        text += piece;

    return text;
}

static void stringFromPointer (benchmark::State& state)
{
    const auto text = ordinaryText ((int) state.range (0));

    for (auto _ : state)
        benchmark::DoNotOptimize (juce::String (juce::CharPointer_UTF8 (text.c_str())));

    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.size());
}
BENCHMARK (stringFromPointer)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

static void stringFromSizedUtf8 (benchmark::State& state)
{
    const auto text = ordinaryText ((int) state.range (0));

    for (auto _ : state)
        benchmark::DoNotOptimize (juce::String::fromUTF8 (text.data(), (int) text.size()));

    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.size());
}
BENCHMARK (stringFromSizedUtf8)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

static void stringFromStdString (benchmark::State& state)
{
    const auto text = ordinaryText ((int) state.range (0));

    for (auto _ : state)
        benchmark::DoNotOptimize (juce::String (text));

    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.size());
}
BENCHMARK (stringFromStdString)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

// length(), and a walk with ++ to the end, as path and name handling does.
static void lengthOf (benchmark::State& state)
{
    const auto text = juce::String (juce::CharPointer_UTF8 (ordinaryText ((int) state.range (0)).c_str()));

    for (auto _ : state)
        benchmark::DoNotOptimize (text.length());

    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.getNumBytesAsUTF8());
}
BENCHMARK (lengthOf)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

static void walkToTheEnd (benchmark::State& state)
{
    const auto text = juce::String (juce::CharPointer_UTF8 (ordinaryText ((int) state.range (0)).c_str()));

    for (auto _ : state)
    {
        size_t steps = 0;

        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
            ++steps;

        benchmark::DoNotOptimize (steps);
    }

    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.getNumBytesAsUTF8());
}
BENCHMARK (walkToTheEnd)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
