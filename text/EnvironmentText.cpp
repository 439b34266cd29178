#include "text/EnvironmentText.h"

#include "text/Utf8Text.h"

#include <cstdlib>
#include <cstring>

juce::String EnvironmentText::get (const char* name)
{
    const auto* value = std::getenv (name);

    if (value == nullptr)
        return {};

    return Utf8Text::toText (value, std::strlen (value));
}
