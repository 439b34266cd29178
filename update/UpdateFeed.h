#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    What the update feed says: the version on offer, whether this program may
    download and start its installer, where the installer and the release notes are.

    The feed is an XML document. Element and attribute names are matched ignoring
    case: "VERSION" (a child of the root) with "major", "minor", "revision" and
    "compatibility", its child "win" with "URL", and "RELEASENOTES" (a child of the
    root) with "url". Anything else in the document is ignored.

    Pure data and text rules, no network and no GUI: any thread.
*/
class UpdateFeed
{
public:
    //==============================================================================
    /** A program version: major, minor, revision, compared as integers. */
    struct Version
    {
        int major = 0, minor = 0, revision = 0;

        /** True when this version comes after the other one. */
        bool isNewerThan (const Version& other) const noexcept;

        /** "major.minor.revision" in decimal. */
        juce::String toString() const;
    };

    //==============================================================================
    /** Reads a feed document as received. Returns false (and leaves this feed as it
        was) when the bytes are not a well-formed XML document in UTF-8; a document
        without "VERSION" keeps the version read before. The bytes pass the skin's
        XML guard first, which refuses what the framework's XML reader cannot read
        safely (damaged UTF-8, entities, runaway nesting).
    */
    bool parse (const void* data, size_t size);

    /** parse, for a document held as text. */
    bool parse (const juce::String& documentText);

    //==============================================================================
    /** The version on offer; 0.0.0 until a feed with "VERSION" was read. */
    Version available;

    /** "compatibility" of "VERSION": true when its text starts with 1, t, y, T or Y. */
    bool compatible = false;

    /** "URL" of the "win" child of "VERSION"; empty when there is none. */
    juce::String installerAddress;

    /** True when the root has a "RELEASENOTES" child. */
    bool hasReleaseNotes = false;

    /** "url" of "RELEASENOTES". */
    juce::String releaseNotesAddress;

    //==============================================================================
    /** The file-name part of an installer address: the text after the last "/",
        without query or fragment, a trailing "/" dropped first. Characters that a file name or a shell command line could misread
        (separators, quotes, "$", "`", control characters and the like) become "_".
    */
    static juce::String installerFileName (const juce::String& address);

    /** Reads a feed boolean: true when the text starts with 1, t, y, T or Y. */
    static bool parseFlag (const juce::String& text) noexcept;
};
