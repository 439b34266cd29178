#include "skin/SkinValues.h"

#include <cmath>
#include <limits>

//==============================================================================
juce::String SkinValues::getAttribute (const juce::XmlElement& element, juce::StringRef name)
{
    for (int i = 0; i < element.getNumAttributes(); ++i)
        if (element.getAttributeName (i).equalsIgnoreCase (name))
            return element.getAttributeValue (i);

    return {};
}

juce::XmlElement* SkinValues::findChild (const juce::XmlElement& parent, juce::StringRef tag)
{
    for (auto* child : parent.getChildIterator())
        if (child->getTagName().equalsIgnoreCase (tag))
            return child;

    return nullptr;
}

//==============================================================================
juce::uint32 SkinValues::parseColour (const juce::String& text)
{
    juce::uint32 value = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto digit = juce::CharacterFunctions::getHexDigitValue (*p);

        if (digit >= 0)
            value = (value << 4) | (juce::uint32) digit;
    }

    return value;
}

int SkinValues::parseInt (const juce::String& text)
{
    auto p = text.getCharPointer().findEndOfWhitespace();
    bool negative = false;

    if (*p == '-' || *p == '+')
    {
        negative = (*p == '-');
        ++p;
    }

    // Accumulate in 64 bits and stop growing once past the int range, so any
    // number of digits saturates instead of overflowing.
    const juce::int64 limit = (juce::int64) std::numeric_limits<int>::max() + 1;
    juce::int64 magnitude = 0;

    for (; *p >= '0' && *p <= '9'; ++p)
        magnitude = juce::jmin (limit, magnitude * 10 + (juce::int64) (*p - '0'));

    const auto value = negative ? -magnitude : magnitude;
    return (int) juce::jlimit ((juce::int64) std::numeric_limits<int>::min(),
                               (juce::int64) std::numeric_limits<int>::max(),
                               value);
}

double SkinValues::parseDouble (const juce::String& text)
{
    const auto value = text.getDoubleValue();
    return std::isfinite (value) ? value : 0.0;
}

juce::Justification SkinValues::parseJustification (const juce::String& text)
{
    return juce::Justification (parseInt (text));
}

juce::Rectangle<int> SkinValues::parseRectangle (const juce::String& text)
{
    juce::StringArray tokens;
    const auto trimmed = text.trim();

    if (trimmed.isNotEmpty())
    {
        int start = 0;

        for (int i = 0; i < trimmed.length(); ++i)
        {
            if (juce::String (",; \t\r\n").containsChar (trimmed[i]))
            {
                tokens.add (trimmed.substring (start, i));
                start = i + 1;
            }
        }

        tokens.add (trimmed.substring (start));
    }

    auto token = [&tokens] (int index) { return index < tokens.size() ? parseInt (tokens[index]) : 0; };

    return { token (0), token (1), token (2), token (3) };
}

//==============================================================================
int SkinValues::clampCoordinate (int value) noexcept
{
    return juce::jlimit (-maxCoordinate, maxCoordinate, value);
}

juce::uint32 SkinValues::colourAttribute (const juce::XmlElement& element, juce::StringRef name)
{
    return parseColour (getAttribute (element, name));
}

int SkinValues::intAttribute (const juce::XmlElement& element, juce::StringRef name)
{
    return parseInt (getAttribute (element, name));
}

double SkinValues::doubleAttribute (const juce::XmlElement& element, juce::StringRef name)
{
    return parseDouble (getAttribute (element, name));
}
