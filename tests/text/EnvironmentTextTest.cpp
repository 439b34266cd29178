#include <gtest/gtest.h>

#include "text/EnvironmentText.h"
#include "support/EnvironmentVariable.h"

TEST (EnvironmentText, ValuesComeBackAsWellFormedTextAndUnsetAsEmpty)
{
    const auto* name = "DREMLOR_ENVIRONMENT_TEXT_TEST";
    const std::pair<const char*, juce::String> cases[]
    {
        { "/home/J\xC3\xBCrgen/bin", juce::String (L"/home/J\u00FCrgen/bin") },   // UTF-8: as it is
        { "/home/J\xFCrgen/bin", juce::String (L"/home/J\u00FCrgen/bin") },       // Latin-1: a character a byte
        { "caf\xC3\xA9 \xE9", juce::String (L"caf\u00C3\u00A9 \u00E9") },         // one bad byte: all Latin-1
    };

    for (const auto& [value, expected] : cases)
    {
        SCOPED_TRACE (value);
        ASSERT_TRUE (EnvironmentVariable::set (name, value));
        EXPECT_EQ (EnvironmentText::get (name), expected);
    }

    ASSERT_TRUE (EnvironmentVariable::unset (name));
    EXPECT_EQ (EnvironmentText::get (name), "");
}
