#include "update/UpdateFeed.h"

#include "skin/SkinContentGuard.h"
#include "skin/SkinValues.h"
#include "text/Utf8Text.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
    /** False for a byte of UTF-8 text that is a character a file name or a shell
        command line could misread. All of them are ASCII: every byte of a longer
        character passes.
    */
    bool isSafeFileNameByte (char byte) noexcept
    {
        const auto b = (juce::uint8) byte;

        if (b < 0x20 || b == 0x7F)
            return false;

        return std::strchr ("/\\\"'`$<>|:*?;&!#{}[]~", byte) == nullptr;
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
    // The address may be as long as the feed, and the message thread reads it: the name
    // is cut out of the address's UTF-8 and mended there, each step one pass, and made a
    // string once (appending to a string a character at a time copies all of it for
    // each). The bytes stay well-formed: every byte looked for or replaced is ASCII,
    // and no byte of a longer character is.
    const auto path = address.toStdString();
    auto end = std::min (path.find_first_of ("?#"), path.size());

    while (end > 0 && path[end - 1] == '/')
        --end;

    const auto slash = end > 0 ? path.rfind ('/', end - 1) : std::string::npos;
    const auto start = slash == std::string::npos ? 0 : slash + 1;
    auto name = path.substr (start, end - start);

    for (auto& byte : name)
        if (! isSafeFileNameByte (byte))
            byte = '_';

    return Utf8Text::toText (name.data(), name.size());
}

bool UpdateFeed::parseFlag (const juce::String& text) noexcept
{
    return text.isNotEmpty() && juce::String ("1tyTY").indexOfChar (text[0]) >= 0;
}
