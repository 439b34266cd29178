#include "text/Utf8Text.h"

#include <string>

namespace
{
    /** The bytes a sequence takes, from its lead byte, and the range its second byte
        must lie in; 0 for a byte that cannot start a sequence (zero, a continuation
        byte, C0 and C1 that could only start overlong forms, F5 and above).
    */
    struct Lead
    {
        int length;
        juce::uint8 secondLow, secondHigh;
    };

    Lead leadOf (juce::uint8 b) noexcept
    {
        if (b >= 0x01 && b <= 0x7F)  return { 1, 0, 0 };
        if (b >= 0xC2 && b <= 0xDF)  return { 2, 0x80, 0xBF };
        if (b == 0xE0)               return { 3, 0xA0, 0xBF };   // below A0: overlong
        if (b == 0xED)               return { 3, 0x80, 0x9F };   // above 9F: surrogate halves
        if (b >= 0xE1 && b <= 0xEF)  return { 3, 0x80, 0xBF };
        if (b == 0xF0)               return { 4, 0x90, 0xBF };   // below 90: overlong
        if (b >= 0xF1 && b <= 0xF3)  return { 4, 0x80, 0xBF };
        if (b == 0xF4)               return { 4, 0x80, 0x8F };   // above 8F: beyond U+10FFFF
        return { 0, 0, 0 };
    }

    /** Appends a character (not zero, not a surrogate half, below U+110000) as UTF-8. */
    void appendUtf8 (std::string& out, juce::juce_wchar c)
    {
        const auto u = (juce::uint32) c;

        if (u < 0x80)
        {
            out += (char) u;
        }
        else if (u < 0x800)
        {
            out += (char) (0xC0 | (u >> 6));
            out += (char) (0x80 | (u & 0x3F));
        }
        else if (u < 0x10000)
        {
            out += (char) (0xE0 | (u >> 12));
            out += (char) (0x80 | ((u >> 6) & 0x3F));
            out += (char) (0x80 | (u & 0x3F));
        }
        else
        {
            out += (char) (0xF0 | (u >> 18));
            out += (char) (0x80 | ((u >> 12) & 0x3F));
            out += (char) (0x80 | ((u >> 6) & 0x3F));
            out += (char) (0x80 | (u & 0x3F));
        }
    }

    /** Text from UTF-8 that this file has written itself, copied in one piece. */
    juce::String textOfWrittenUtf8 (const std::string& utf8)
    {
        return juce::String (juce::CharPointer_UTF8 (utf8.data()), juce::CharPointer_UTF8 (utf8.data() + utf8.size()));
    }
}

//==============================================================================
bool Utf8Text::isWellFormed (const void* data, size_t size) noexcept
{
    if (size > 0 && data == nullptr)
        return false;

    const auto* bytes = static_cast<const juce::uint8*> (data);

    for (size_t i = 0; i < size;)
    {
        const auto lead = leadOf (bytes[i]);

        if (lead.length == 0 || (size_t) lead.length > size - i)
            return false;

        if (lead.length > 1)
        {
            if (bytes[i + 1] < lead.secondLow || bytes[i + 1] > lead.secondHigh)
                return false;

            for (int k = 2; k < lead.length; ++k)
                if ((bytes[i + (size_t) k] & 0xC0) != 0x80)
                    return false;
        }

        i += (size_t) lead.length;
    }

    return true;
}

bool Utf8Text::decode (const void* data, size_t size, juce::String& result)
{
    result = {};

    if (size > (size_t) std::numeric_limits<int>::max() || ! isWellFormed (data, size))
        return false;

    const auto* start = static_cast<const char*> (data);

    if (size >= 3 && juce::CharPointer_UTF8::isByteOrderMark (start))
    {
        start += 3;
        size -= 3;
    }

    if (size > 0)
        result = juce::String (juce::CharPointer_UTF8 (start), juce::CharPointer_UTF8 (start + size));

    return true;
}

juce::String Utf8Text::toText (const void* data, size_t size)
{
    juce::String text;

    if (decode (data, size, text) || data == nullptr)
        return text;

    // Built whole, then made a string once: appending to the string a character at
    // a time would scan it to its end for each one.
    const auto* bytes = static_cast<const juce::uint8*> (data);
    std::string utf8;
    utf8.reserve (size * 2);

    for (size_t i = 0; i < size; ++i)
        appendUtf8 (utf8, (juce::juce_wchar) (bytes[i] != 0 ? bytes[i] : ' '));

    return textOfWrittenUtf8 (utf8);
}

namespace
{
    /** count UTF-16 units, each read by unitAt (index), as text: pairs joined, a lone
        surrogate half made U+FFFD, a zero made a space.
    */
    template <typename UnitAt>
    juce::String textOfUtf16 (size_t count, UnitAt unitAt)
    {
        std::string utf8;
        utf8.reserve (count * 3);

        for (size_t i = 0; i < count; ++i)
        {
            auto c = unitAt (i);

            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count)
            {
                const auto low = unitAt (i + 1);

                if (low >= 0xDC00 && low <= 0xDFFF)
                {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }

            if (c >= 0xD800 && c <= 0xDFFF)
                c = 0xFFFD;

            appendUtf8 (utf8, c != 0 ? c : (juce::juce_wchar) ' ');
        }

        return textOfWrittenUtf8 (utf8);
    }
}

juce::String Utf8Text::fromUtf16 (const void* data, size_t size)
{
    const auto* bytes = static_cast<const juce::uint8*> (data);
    const bool marked = data != nullptr && size >= 2;
    const bool littleEndian = marked && bytes[0] == 0xFF && bytes[1] == 0xFE;
    const bool bigEndian = marked && bytes[0] == 0xFE && bytes[1] == 0xFF;

    if (! (littleEndian || bigEndian))
        return toText (data, size);

    const auto* units = bytes + 2;

    return textOfUtf16 ((size - 2) / 2, [units, bigEndian] (size_t i) -> juce::juce_wchar
    {
        const auto* unit = units + 2 * i;
        return (juce::juce_wchar) (bigEndian ? (unit[0] << 8) | unit[1] : (unit[1] << 8) | unit[0]);
    });
}

juce::String Utf8Text::fromUtf16Units (const juce::uint16* units, size_t count)
{
    if (units == nullptr)
        return {};

    return textOfUtf16 (count, [units] (size_t i) { return (juce::juce_wchar) units[i]; });
}
