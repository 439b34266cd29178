// Makes text of arbitrary bytes in every way the framework offers for UTF-8 (file names
// and paths come from the system so, well-formed or not) and puts each text through
// what the program does with names and paths. Every step must stay inside the bytes it
// was given: the input is copied to a heap block of exactly its size plus a closing
// zero (and the one zero before it that a String's text has too, see walk()), so that
// the sanitizer reports a read one byte past either end. A walk over the text, by
// character or by code point, must end on its closing zero; one back from there must
// end on its first byte.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include <juce_core/juce_core.h>

namespace
{
    volatile size_t sink = 0;

    /** Walks forward by character and by code point, then back by character. A step back
        looks at the bytes before continuation bytes for the lead byte that announces
        them, so text that begins with continuation bytes is looked at one byte before
        its start, where it stops at a zero: in a String that byte is the last of its
        holder's size, and zero.
    */
    void walk (juce::CharPointer_UTF8 start)
    {
        const auto end = start.getAddress() + std::strlen (start.getAddress());
        auto p = start;
        size_t steps = 0;

        for (; ! p.isEmpty(); ++p)
            ++steps;

        auto q = start;

        while (! q.isEmpty())
            q.getAndAdvance();

        if (p.getAddress() != end || q.getAddress() != end || steps != start.length()
            || start.sizeInBytes() != (size_t) (end - start.getAddress()) + 1)
            __builtin_trap();

        while (p.getAddress() > start.getAddress())
            --p;

        if (p.getAddress() != start.getAddress())
            __builtin_trap();
    }

    /** What the program does with a name or a path it was given. */
    void useAsName (juce::String s)
    {
        static const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory);

        walk (s.getCharPointer());

        // Kept, so that no read is optimised away.
        const auto length = s.length();
        size_t seen = (size_t) s.substring (1, length - 1).hashCode() + (size_t) s.indexOf ("/")
                      + (size_t) s.indexOfChar ('.') + (size_t) s.replace (".", "-").hashCode()
                      + s.toUTF16().length() + s.toUTF32().length() + std::wcslen (s.toWideCharPointer())
                      + s.toStdString().size() + (size_t) folder.getChildFile (s).getFileName().length()
                      + (size_t) juce::URL::addEscapeChars (s, false).length();

        juce::XmlElement element ("file");
        element.setAttribute ("name", s);
        sink = seen + (size_t) element.toString().length();

        // One more character is one more character, whatever came before it.
        s += 'x';

        if (s.length() != length + 1)
            __builtin_trap();

        walk (s.getCharPointer());
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;

    auto bytes = std::make_unique<char[]> (size + 2);

    if (size > 0)
        std::memcpy (bytes.get() + 1, data, size);

    const auto* text = bytes.get() + 1;
    const auto zeroTerminated = juce::CharPointer_UTF8 (text);
    walk (zeroTerminated);

    // A text made as the framework makes a path it reads from the system (a folder's
    // entries, HOME, the arguments), or of a std::string, keeps the bytes up to the
    // first zero unchanged: it must go on naming the same file.
    const juce::String sameBytes[] = { juce::String (zeroTerminated), juce::String::fromUTF8 (text),
                                       juce::String (std::string (text)) };

    for (const auto& s : sameBytes)
    {
        if (std::strcmp (s.toRawUTF8(), text) != 0)
            __builtin_trap();

        useAsName (s);
    }

    useAsName (juce::String (std::string (text, size)));
    useAsName (juce::String::fromUTF8 (text, (int) size));
    // The framework's own buffer for this one, as from a file read into a MemoryBlock:
    // its UTF-16 branch reads 16-bit units, which the odd address of text would misalign.
    useAsName (juce::String::createStringFromData (data, (int) size));
    useAsName (juce::String (zeroTerminated, juce::CharPointer_UTF8 (text + size)));
    useAsName (juce::String (text, size));
    return 0;
}
