#include "update/UpdateFeed.h"

#include "skin/SkinContentGuard.h"

#include <limits>

namespace
{
    juce::XmlElement* findChild (const juce::XmlElement& parent, juce::StringRef tag)
    {
        for (auto* child : parent.getChildIterator())
            if (child->getTagName().equalsIgnoreCase (tag))
                return child;

        return nullptr;
    }

    juce::String attribute (const juce::XmlElement& element, juce::StringRef name)
    {
        for (int i = 0; i < element.getNumAttributes(); ++i)
            if (element.getAttributeName (i).equalsIgnoreCase (name))
                return element.getAttributeValue (i);

        return {};
    }

    /** A decimal whole number after leading blanks, with an optional sign; reading
        stops at the first other character, no digits give 0, and values beyond the
        int range saturate instead of overflowing.
    */
    int wholeNumber (const juce::String& text)
    {
        auto p = text.getCharPointer().findEndOfWhitespace();
        const bool negative = (*p == '-');

        if (*p == '-' || *p == '+')
            ++p;

        const juce::int64 limit = (juce::int64) std::numeric_limits<int>::max();
        juce::int64 magnitude = 0;

        for (; *p >= '0' && *p <= '9'; ++p)
            magnitude = juce::jmin (limit + 1, magnitude * 10 + (juce::int64) (*p - '0'));

        return (int) juce::jlimit ((juce::int64) std::numeric_limits<int>::min(), limit,
                                   negative ? -magnitude : magnitude);
    }

    bool isSafeFileNameCharacter (juce::juce_wchar c) noexcept
    {
        if (c < 0x20 || c == 0x7F)
            return false;

        return juce::String ("/\\\"'`$<>|:*?;&!#{}[]~").indexOfChar (c) < 0;
    }
}

//==============================================================================
bool UpdateFeed::Version::isNewerThan (const Version& other) const noexcept
{
    if (major != other.major)
        return major > other.major;

    if (minor != other.minor)
        return minor > other.minor;

    return revision > other.revision;
}

juce::String UpdateFeed::Version::toString() const
{
    return juce::String (major) + "." + juce::String (minor) + "." + juce::String (revision);
}

//==============================================================================
bool UpdateFeed::parse (const juce::String& documentText)
{
    return parse (documentText.toRawUTF8(), documentText.getNumBytesAsUTF8());
}

bool UpdateFeed::parse (const void* data, size_t size)
{
    const auto root = SkinContentGuard::parseXmlBytes (data, size);

    if (root == nullptr)
        return false;

    if (auto* version = findChild (*root, "VERSION"))
    {
        available.major = wholeNumber (attribute (*version, "major"));
        available.minor = wholeNumber (attribute (*version, "minor"));
        available.revision = wholeNumber (attribute (*version, "revision"));
        compatible = parseFlag (attribute (*version, "compatibility"));

        auto* win = findChild (*version, "win");
        installerAddress = win != nullptr ? attribute (*win, "URL").trim() : juce::String();
    }

    auto* notes = findChild (*root, "RELEASENOTES");
    hasReleaseNotes = (notes != nullptr);
    releaseNotesAddress = notes != nullptr ? attribute (*notes, "url").trim() : juce::String();
    return true;
}

//==============================================================================
juce::String UpdateFeed::installerFileName (const juce::String& address)
{
    auto path = address.upToFirstOccurrenceOf ("?", false, false)
                       .upToFirstOccurrenceOf ("#", false, false);

    while (path.endsWithChar ('/'))
        path = path.dropLastCharacters (1);

    const auto name = path.fromLastOccurrenceOf ("/", false, false);

    juce::String safe;

    for (auto p = name.getCharPointer(); ! p.isEmpty(); ++p)
        safe << (isSafeFileNameCharacter (*p) ? *p : (juce::juce_wchar) '_');

    return safe;
}

bool UpdateFeed::parseFlag (const juce::String& text) noexcept
{
    return text.isNotEmpty() && juce::String ("1tyTY").indexOfChar (text[0]) >= 0;
}
