#include "skin/Utf8Text.h"

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

    const auto* bytes = static_cast<const juce::uint8*> (data);
    text.preallocateBytes (size * 2);

    for (size_t i = 0; i < size; ++i)
        text += (juce::juce_wchar) (bytes[i] != 0 ? bytes[i] : ' ');

    return text;
}
