#include "skin/SkinContentGuard.h"

#include "text/Utf8Text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
    //==============================================================================
    // Upper bound of the element nesting that the framework's XML reader will
    // build from this text, or -1 for text that the reader must not see.
    //
    // Every construct that could open an element counts as one level; comments
    // and CDATA are skipped as the reader skips them. Refused: a '<' inside a
    // quoted value (not XML, and it would hide tags from this count), and any
    // processing instruction once the root element has opened, because the
    // framework's reader loops for ever on one followed by text, as in
    // "<a><?x?>X</a>".
    int estimateXmlDepth (const std::string& text)
    {
        int depth = 0, deepest = 0;
        bool rootOpened = false;
        size_t i = 0;
        const auto n = text.size();

        auto skipPast = [&] (const char* terminator)
        {
            const auto end = text.find (terminator, i);
            i = (end == std::string::npos) ? n : end + std::strlen (terminator);
        };

        while (i < n)
        {
            if (text[i] != '<')
            {
                ++i;
                continue;
            }

            if (text.compare (i, 4, "<!--") == 0)           { skipPast ("-->"); continue; }
            if (text.compare (i, 9, "<![CDATA[") == 0)      { skipPast ("]]>"); continue; }

            if (text.compare (i, 2, "<?") == 0)             { skipPast ("?>");  continue; }

            if (text.compare (i, 2, "</") == 0)
            {
                depth = juce::jmax (0, depth - 1);
                skipPast (">");
                continue;
            }

            // Once the root has opened, no processing instruction may follow.
            if (! rootOpened)
            {
                rootOpened = true;

                if (text.find ("<?", i) != std::string::npos)
                    return -1;
            }

            // An opening tag: find its end, stepping over quoted values.
            ++i;
            char quote = 0;
            size_t close = n;

            for (; i < n; ++i)
            {
                const auto c = text[i];

                if (quote != 0)
                {
                    if (c == '<')
                        return -1;

                    if (c == quote)
                        quote = 0;
                }
                else if (c == '"' || c == '\'')
                {
                    quote = c;
                }
                else if (c == '>')
                {
                    close = i;
                    break;
                }
            }

            const bool selfClosing = close < n && close > 0 && text[close - 1] == '/';

            if (! selfClosing)
                deepest = juce::jmax (deepest, ++depth);

            i = (close < n) ? close + 1 : n;
        }

        return deepest;
    }

    //==============================================================================
    // A bounded little-endian reader over a block, as juce::InputStream reads.
    struct ByteReader
    {
        const juce::uint8* data;
        size_t size;
        size_t pos = 0;

        bool has (size_t count) const noexcept   { return count <= size - pos; }

        bool readByte (juce::uint8& v) noexcept
        {
            if (! has (1))
                return false;

            v = data[pos++];
            return true;
        }

        bool readShort (juce::uint16& v) noexcept
        {
            if (! has (2))
                return false;

            v = (juce::uint16) (data[pos] | (data[pos + 1] << 8));
            pos += 2;
            return true;
        }

        bool readInt (juce::int32& v) noexcept
        {
            if (! has (4))
                return false;

            v = (juce::int32) juce::ByteOrder::littleEndianInt (data + pos);
            pos += 4;
            return true;
        }

        // A float of a typeface: finite and of a size a glyph outline can have.
        bool readBoundedFloat() noexcept
        {
            juce::int32 bits = 0;

            if (! readInt (bits))
                return false;

            float v;
            std::memcpy (&v, &bits, sizeof (v));
            return std::isfinite (v) && std::abs (v) <= 1.0e4f;
        }

        bool readChar() noexcept
        {
            juce::uint16 c = 0;

            if (! readShort (c))
                return false;

            if (c >= 0xd800 && c <= 0xdfff)
                return readShort (c);

            return true;
        }

        // A zero-ended name, which the framework's reader makes text of as it is:
        // only well-formed UTF-8 may go there.
        bool readName() noexcept
        {
            const auto start = pos;

            for (juce::uint8 c = 1; c != 0;)
                if (! readByte (c))
                    return false;

            return Utf8Text::isWellFormed (data + start, pos - 1 - start);
        }

        // A path as juce::Path::writePathToStream writes it, ended by 'e'.
        bool readPath() noexcept
        {
            for (;;)
            {
                juce::uint8 marker = 0;

                if (! readByte (marker))
                    return false;

                int numFloats = 0;

                switch (marker)
                {
                    case 'm': case 'l': numFloats = 2; break;
                    case 'q':           numFloats = 4; break;
                    case 'b':           numFloats = 6; break;
                    case 'c': case 'n': case 'z': break;
                    case 'e':           return true;
                    default:            return false;
                }

                for (int i = 0; i < numFloats; ++i)
                    if (! readBoundedFloat())
                        return false;
            }
        }
    };

    //==============================================================================
    // The element ids that an attribute value refers to: "#id" in an href, and
    // every "url(#id)".
    juce::StringArray getReferencedIds (const juce::XmlElement& element)
    {
        juce::StringArray ids;

        for (int i = 0; i < element.getNumAttributes(); ++i)
        {
            const auto name = element.getAttributeName (i);
            const auto value = element.getAttributeValue (i).trim();

            if ((name.equalsIgnoreCase ("href") || name.endsWithIgnoreCase (":href")) && value.startsWithChar ('#'))
                ids.add (value.substring (1).trim());

            for (int start = value.indexOfIgnoreCase ("url("); start >= 0;
                 start = value.indexOfIgnoreCase (start + 4, "url("))
            {
                auto inner = value.substring (start + 4).upToFirstOccurrenceOf (")", false, false)
                                  .trim().unquoted().trim();

                if (inner.startsWithChar ('#'))
                    ids.add (inner.substring (1).trim());
            }
        }

        return ids;
    }

    // The drawing parser decodes an embedded image with the framework's image
    // loaders, which crash on damaged PNG data (see PngImageReader).
    bool containsImageElement (const juce::XmlElement& element)
    {
        if (element.hasTagNameIgnoringNamespace ("image"))
            return true;

        for (auto* child : element.getChildIterator())
            if (containsImageElement (*child))
                return true;

        return false;
    }

    // The framework's path parser steps one character past a horizontal or vertical
    // line command that has no number after it when nothing but blanks and commas
    // follows to the end of the data, and so reads past the end of the string.
    bool endsWithBareLineCommand (const juce::String& pathData)
    {
        const auto text = pathData.toUTF32();
        auto end = text.findTerminatingNull();

        while (end > text)
        {
            --end;
            const auto c = *end;

            // Blanks as the parser itself tells them.
            if (c == ',' || juce::CharacterFunctions::isWhitespace (c))
                continue;

            return c == 'H' || c == 'h' || c == 'V' || c == 'v';
        }

        return false;
    }

    bool containsUnsafePathData (const juce::XmlElement& element)
    {
        if (element.hasTagNameIgnoringNamespace ("path") && endsWithBareLineCommand (element.getStringAttribute ("d")))
            return true;

        for (auto* child : element.getChildIterator())
            if (containsUnsafePathData (*child))
                return true;

        return false;
    }

    void collectIds (const juce::XmlElement& element, std::map<juce::String, const juce::XmlElement*>& ids)
    {
        const auto id = element.getStringAttribute ("id");

        if (id.isNotEmpty())
            ids.emplace (id, &element);

        for (auto* child : element.getChildIterator())
            collectIds (*child, ids);
    }

    //==============================================================================
    // The work of parsing a drawing, counted in elements visited: an element's
    // subtree plus, for every reference in it, the work of the referred-to
    // element. References form a graph over the elements; a cycle in it (an
    // element referring to itself or to an enclosing element, directly or
    // through others) would make the parser recurse without end.
    struct DrawingCost
    {
        static constexpr juce::int64 limit = 100000;
        static constexpr int maxDepth = 256;

        const std::map<juce::String, const juce::XmlElement*>& ids;
        std::map<const juce::XmlElement*, juce::int64> finished;
        std::set<const juce::XmlElement*> visiting;
        bool refused = false;

        juce::int64 of (const juce::XmlElement& element, int depth)
        {
            if (refused)
                return limit;

            if (const auto done = finished.find (&element); done != finished.end())
                return done->second;

            if (depth > maxDepth || ! visiting.insert (&element).second)
            {
                refused = true;
                return limit;
            }

            juce::int64 total = 1;

            for (auto& id : getReferencedIds (element))
                if (const auto target = ids.find (id); target != ids.end())
                    total += of (*target->second, depth + 1);

            for (auto* child : element.getChildIterator())
                total += of (*child, depth + 1);

            total = juce::jmin (total, limit);
            visiting.erase (&element);
            finished.emplace (&element, total);
            return total;
        }
    };

    //==============================================================================
    // How much one "transform" attribute can enlarge what it holds: the product of
    // its steps' enlargements, each at least 1 (a step that shrinks is not counted,
    // as the elements between may still be large). A rotation or translation
    // enlarges nothing; a scale by its larger factor; a matrix or skew by the
    // Frobenius norm of its linear part, which bounds how far it stretches.
    // Infinite for numbers that are not finite.
    double getTransformEnlargement (const juce::String& transform)
    {
        const auto text = transform.toLowerCase().toStdString();
        double enlargement = 1.0;
        size_t pos = 0;

        while (pos < text.size())
        {
            const auto open = text.find ('(', pos);

            if (open == std::string::npos)
                break;

            const auto close = text.find (')', open);
            const auto end = close == std::string::npos ? text.size() : close;

            auto nameEnd = open;

            while (nameEnd > pos && std::isspace ((unsigned char) text[nameEnd - 1]))
                --nameEnd;

            auto nameStart = nameEnd;

            while (nameStart > pos && std::isalpha ((unsigned char) text[nameStart - 1]))
                --nameStart;

            const auto name = text.substr (nameStart, nameEnd - nameStart);

            std::vector<double> args;
            const auto inner = text.substr (open + 1, end - open - 1);
            const char* cursor = inner.c_str();

            while (*cursor != 0)
            {
                char* after = nullptr;
                const auto value = std::strtod (cursor, &after);

                if (after == cursor)
                {
                    ++cursor;
                    continue;
                }

                args.push_back (value);
                cursor = after;
            }

            double step = 1.0;

            if (name == "scale" && ! args.empty())
                step = juce::jmax (std::abs (args[0]), std::abs (args.size() > 1 ? args[1] : args[0]));
            else if (name == "matrix" && args.size() >= 4)
                step = std::sqrt (args[0] * args[0] + args[1] * args[1] + args[2] * args[2] + args[3] * args[3]);
            else if ((name == "skewx" || name == "skewy") && ! args.empty())
                step = std::sqrt (2.0 + std::pow (std::tan (juce::degreesToRadians (args[0])), 2.0));

            for (const auto value : args)
                if (! std::isfinite (value))
                    return std::numeric_limits<double>::infinity();

            if (! std::isfinite (step))
                return std::numeric_limits<double>::infinity();

            enlargement *= juce::jmax (1.0, step);
            pos = end + 1;
        }

        return enlargement;
    }

    //==============================================================================
    // True when no element, reached through its enclosing elements and the
    // references that place it (use, clip paths and the like), is enlarged by more
    // than the limit all told. The framework lays a drawing out as components with
    // integer bounds; enlarged a few hundred times, a rotated group overflows them.
    // Run only on drawings whose references form no cycle and whose expansion is
    // bounded (DrawingCost), so the walk ends and stays small.
    bool isEnlargementBounded (const juce::XmlElement& element, double enlargement, int depth,
                               const std::map<juce::String, const juce::XmlElement*>& ids, double limit)
    {
        if (depth > DrawingCost::maxDepth)
            return false;

        enlargement *= getTransformEnlargement (element.getStringAttribute ("transform"));

        if (! (enlargement <= limit))
            return false;

        for (auto& id : getReferencedIds (element))
            if (const auto target = ids.find (id); target != ids.end())
                if (! isEnlargementBounded (*target->second, enlargement, depth + 1, ids, limit))
                    return false;

        for (auto* child : element.getChildIterator())
            if (! isEnlargementBounded (*child, enlargement, depth + 1, ids, limit))
                return false;

        return true;
    }
}

//==============================================================================
bool SkinContentGuard::isXmlTextAcceptable (const juce::String& text)
{
    const auto bytes = text.toStdString();
    const auto lower = text.toLowerCase().toStdString();

    // The framework expands entities declared in a document type recursively and
    // without limit, so a skin may not declare any.
    if (lower.find ("<!entity") != std::string::npos)
        return false;

    const auto depth = estimateXmlDepth (bytes);
    return depth >= 0 && depth <= maxXmlDepth;
}

std::unique_ptr<juce::XmlElement> SkinContentGuard::parseXml (const juce::String& text)
{
    if (! isXmlTextAcceptable (text))
        return nullptr;

    juce::XmlDocument document (text);
    return document.getDocumentElement();
}

std::unique_ptr<juce::XmlElement> SkinContentGuard::parseXmlBytes (const void* data, size_t size)
{
    // The framework's text reader steps over a multi-byte sequence by its lead
    // byte alone, so a damaged sequence near the end runs past the terminator;
    // only well-formed UTF-8 without embedded zeros is handed on.
    juce::String text;

    if (data == nullptr || size == 0 || ! Utf8Text::decode (data, size, text))
        return nullptr;

    return parseXml (text);
}

std::unique_ptr<juce::XmlElement> SkinContentGuard::parseXmlFile (const juce::File& file)
{
    if (! file.existsAsFile() || file.getSize() > maxDescriptionBytes)
        return nullptr;

    juce::MemoryBlock data;

    if (! file.loadFileAsData (data) || data.getSize() > (size_t) maxDescriptionBytes)
        return nullptr;

    return parseXmlBytes (data.getData(), data.getSize());
}

//==============================================================================
bool SkinContentGuard::readWholeStream (juce::InputStream& in, juce::MemoryBlock& data, size_t maxBytes)
{
    data.reset();
    juce::MemoryOutputStream out;
    juce::HeapBlock<char> buffer (65536);

    for (;;)
    {
        const auto numRead = in.read (buffer.get(), 65536);

        if (numRead <= 0)
            break;

        if (out.getDataSize() + (size_t) numRead > maxBytes)
            return false;

        out.write (buffer.get(), (size_t) numRead);
    }

    data.replaceAll (out.getData(), out.getDataSize());
    return true;
}

//==============================================================================
bool SkinContentGuard::isTypefaceStreamWellFormed (const juce::MemoryBlock& compressed)
{
    juce::MemoryInputStream source (compressed, false);
    juce::GZIPDecompressorInputStream unzipped (source);
    juce::MemoryBlock decoded;

    if (! readWholeStream (unzipped, decoded, maxDecodedTypefaceBytes))
        return false;

    ByteReader in { static_cast<const juce::uint8*> (decoded.getData()), decoded.getSize() };
    juce::uint8 flag = 0;
    juce::int32 count = 0;

    if (! (in.readName() && in.readByte (flag) && in.readByte (flag)
            && in.readBoundedFloat() && in.readChar() && in.readInt (count) && count >= 0))
        return false;

    for (juce::int32 i = 0; i < count; ++i)
        if (! (in.readChar() && in.readBoundedFloat() && in.readPath()))
            return false;

    if (! (in.readInt (count) && count >= 0))
        return false;

    for (juce::int32 i = 0; i < count; ++i)
        if (! (in.readChar() && in.readChar() && in.readBoundedFloat()))
            return false;

    return true;
}

//==============================================================================
bool SkinContentGuard::isDrawingSafeToParse (const juce::XmlElement& svg)
{
    if (containsImageElement (svg) || containsUnsafePathData (svg))
        return false;

    std::map<juce::String, const juce::XmlElement*> ids;
    collectIds (svg, ids);

    DrawingCost cost { ids, {}, {} };
    const auto total = cost.of (svg, 0);

    return ! cost.refused && total < DrawingCost::limit
            && isEnlargementBounded (svg, 1.0, 0, ids, maxDrawingEnlargement);
}
