// The framework's making of a String from 1 MiB of well-formed UTF-8, and its walks over
// one: the paths that every file name, argument and environment variable takes. Built
// with DREMLOR_PATCH_JUCE=OFF, the same benchmark times the framework as Debian ships it.
// Argument 0: ASCII only; 1: two-, three- and four-byte characters with ASCII between.

#include <benchmark/benchmark.h>

#include <juce_core/juce_core.h>

#include <string>

namespace
{
    std::string ordinaryText (const benchmark::State& state)
    {
        const std::string piece = state.range (0) == 0 ? "Lead Tone 07 - Clean Crunch/"
                                                       : "Grüße, 音色 \xf0\x9d\x84\x9e Gain ½/";
        std::string text;

        while (text.size() + piece.size() <= (1u << 20))
            text += piece;

        return text;
    }

    /** Times work (text) over the 1 MiB text, given as a std::string. */
    template <typename Work>
    void timeOverText (benchmark::State& state, Work&& work)
    {
        const auto text = ordinaryText (state);

        for (auto _ : state)
            benchmark::DoNotOptimize (work (text));

        state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) text.size());
    }
}

static void stringFromPointer (benchmark::State& state)
{
    timeOverText (state, [] (const std::string& t) { return juce::String (juce::CharPointer_UTF8 (t.c_str())); });
}
BENCHMARK (stringFromPointer)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

static void stringFromSizedUtf8 (benchmark::State& state)
{
    timeOverText (state, [] (const std::string& t) { return juce::String::fromUTF8 (t.data(), (int) t.size()); });
}
BENCHMARK (stringFromSizedUtf8)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

static void stringFromStdString (benchmark::State& state)
{
    timeOverText (state, [] (const std::string& t) { return juce::String (t); });
}
BENCHMARK (stringFromStdString)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

// length(), and a walk with ++ to the end, as path and name handling does.
static void lengthOf (benchmark::State& state)
{
    const auto text = juce::String (ordinaryText (state));
    timeOverText (state, [&text] (const std::string&) { return text.length(); });
}
BENCHMARK (lengthOf)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);

static void walkToTheEnd (benchmark::State& state)
{
    const auto text = juce::String (ordinaryText (state));
    timeOverText (state, [&text] (const std::string&)
    {
        size_t steps = 0;

        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
            ++steps;

        return steps;
    });
}
BENCHMARK (walkToTheEnd)->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
