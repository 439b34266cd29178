#include "update/UpdateFeed.h"

#include "skin/SkinContentGuard.h"
#include "skin/SkinValues.h"

namespace
{
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

    // Element and attribute names are matched ignoring case, as in a skin description.
    if (auto* version = SkinValues::findChild (*root, "VERSION"))
    {
        available.major = SkinValues::intAttribute (*version, "major");
        available.minor = SkinValues::intAttribute (*version, "minor");
        available.revision = SkinValues::intAttribute (*version, "revision");
        compatible = parseFlag (SkinValues::getAttribute (*version, "compatibility"));

        auto* win = SkinValues::findChild (*version, "win");
        installerAddress = win != nullptr ? SkinValues::getAttribute (*win, "URL").trim() : juce::String();
    }

    auto* notes = SkinValues::findChild (*root, "RELEASENOTES");
    hasReleaseNotes = (notes != nullptr);
    releaseNotesAddress = notes != nullptr ? SkinValues::getAttribute (*notes, "url").trim() : juce::String();
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
