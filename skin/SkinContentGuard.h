#pragma once

#include <juce_core/juce_core.h>

#include <memory>

//==============================================================================
/**
    The checks that stand between a skin's bytes and the framework's parsers.

    A skin is data from outside the program. The framework's XML, SVG, image and
    typeface readers trust their input: deep nesting or self-referencing drawings
    recurse without end, damaged UTF-8 runs the XML reader past its text, and a
    typeface stream with a bad count makes the reader loop over zeros. Every skin
    description, drawing and typeface goes through one of these checks first
    (images go through the skin's own image readers); whatever fails is refused,
    never half-read.
*/
class SkinContentGuard
{
public:
    //==============================================================================
    /** Size limits, in bytes, for what a skin may hold: a description, one archive
        entry, all archive entries together (unpacked), one unpacked typeface.
    */
    static constexpr juce::int64 maxDescriptionBytes = 4 * 1024 * 1024;
    static constexpr size_t maxEntryBytes = 32 * 1024 * 1024;
    static constexpr size_t maxArchiveBytes = 256 * 1024 * 1024;
    static constexpr size_t maxDecodedTypefaceBytes = 16 * 1024 * 1024;

    /** The deepest element nesting accepted in a description or a drawing. */
    static constexpr int maxXmlDepth = 128;

    /** The largest image the image readers accept: each side, and the number of pixels. */
    static constexpr int maxImageSide = 8192;
    static constexpr juce::int64 maxImagePixels = 16 * 1024 * 1024;

    /** How much the transforms of a drawing's nested elements may enlarge an
        element all told (the product of their scale factors).
    */
    static constexpr double maxDrawingEnlargement = 64.0;

    //==============================================================================
    /** Parses XML text after checking that it declares no entities, nests no
        deeper than maxXmlDepth and holds no processing instruction inside its
        root element. Returns nullptr when refused or not parsable.
    */
    static std::unique_ptr<juce::XmlElement> parseXml (const juce::String& text);

    /** Parses bytes as XML after checking that they are well-formed UTF-8 without
        embedded zeros (Utf8Text); nullptr when refused or not parsable.
    */
    static std::unique_ptr<juce::XmlElement> parseXmlBytes (const void* data, size_t size);

    /** Reads a whole file of at most maxDescriptionBytes as XML (see parseXmlBytes);
        nullptr when the file is missing, too large, refused or not parsable.
    */
    static std::unique_ptr<juce::XmlElement> parseXmlFile (const juce::File& file);

    /** True when the text declares no entities, nests at most maxXmlDepth deep and
        holds processing instructions (such as the XML declaration) only before
        its root element.
    */
    static bool isXmlTextAcceptable (const juce::String& text);

    //==============================================================================
    /** Reads a stream to its end into the block; false (and the block cleared)
        when it holds more than maxBytes.
    */
    static bool readWholeStream (juce::InputStream& in, juce::MemoryBlock& data, size_t maxBytes);

    //==============================================================================
    /** True when the bytes are a complete serialised custom typeface (the gzip
        stream that juce::CustomTypeface reads) with finite, bounded values.
    */
    static bool isTypefaceStreamWellFormed (const juce::MemoryBlock& compressed);

    /** True when a drawing may go to the framework's drawing parser: it embeds no
        image (which the parser would decode with the framework's unsafe image
        loaders), and its references (href="#id" and url(#id)) form no cycle (an
        element referring to itself or to an enclosing element, directly or
        through others) and do not multiply the parser's work beyond a bound; and
        no element is enlarged by its transforms more than maxDrawingEnlargement
        times (the parser lays drawings out with integer bounds, which a group
        enlarged a few hundred times overflows).
    */
    static bool isDrawingSafeToParse (const juce::XmlElement& svg);

private:
    SkinContentGuard() = delete;
};
