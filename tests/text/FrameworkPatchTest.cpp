// What the project's patch of the framework (cmake/patches/juce-utf8-bounds.patch) mends
// beyond the walks over ill-formed UTF-8 that the juce_text fuzz target and the odd-name
// listing case cover: strings made of an empty range or of a null pointer. Linux only
// (tests/text is not part of the Windows build's tests).

#include <gtest/gtest.h>

#include <juce_core/juce_core.h>

#include <cstring>
#include <memory>
#include <utility>

TEST (FrameworkText, EmptyRangesAndNullPointersMakeEmptyStringsWithoutAReadPastTheirEnd)
{
    // Each buffer is a heap block of exactly its size, so that the address sanitizer
    // reports a read of the byte after it.
    const auto bom = std::make_unique<char[]> (3);
    std::memcpy (bom.get(), "\xef\xbb\xbf", 3);
    const auto* bomEnd = bom.get() + 3;

    const auto units = std::make_unique<juce::CharPointer_UTF16::CharType[]> (1);
    units[0] = 'a';
    const auto* unitsEnd = units.get() + 1;

    const std::pair<const char*, juce::String> cases[] =
    {
        // The byte-order mark is skipped, and the rest is the empty range at the block's end.
        { "a byte-order mark and nothing else", juce::String::createStringFromData (bom.get(), 3) },
        { "an empty UTF-8 range at the end",    juce::String (juce::CharPointer_UTF8 (bomEnd), juce::CharPointer_UTF8 (bomEnd)) },
        { "an empty UTF-16 range at the end",   juce::String (juce::CharPointer_UTF16 (unitsEnd), juce::CharPointer_UTF16 (unitsEnd)) },
        { "five characters of a null pointer",  juce::String (juce::CharPointer_UTF8 (nullptr), 5) },
    };

    for (const auto& [what, text] : cases)
        EXPECT_TRUE (text.isEmpty()) << what;
}
