// Makes text of arbitrary bytes in every way the framework offers for UTF-8 (file names
// and paths come from the system so, well-formed or not) and puts each text through what
// the program does with names and paths. The input is copied to a heap block of exactly
// its size with a zero after it and one before it (a String's text has a zero byte before
// it too, where a step back over leading continuation bytes stops), so that the sanitizer
// reports a read one byte past either end. A walk by character or by code point must end
// on the closing zero, one back from there on the first byte.

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include <juce_core/juce_core.h>

namespace
{
    volatile size_t sink = 0;

    void walk (juce::CharPointer_UTF8 start)
    {
        const auto end = start.getAddress() + std::strlen (start.getAddress());
        auto p = start, q = start;
        size_t steps = 0;

        for (; ! p.isEmpty(); ++p)
            ++steps;

        while (! q.isEmpty())
            q.getAndAdvance();

        if (p.getAddress() != end || q.getAddress() != end || steps != start.length())
            __builtin_trap();

        while (p.getAddress() > start.getAddress())
            --p;

        if (p.getAddress() != start.getAddress())
            __builtin_trap();
    }

    void useAsName (juce::String s)
    {
        static const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory);
        walk (s.getCharPointer());

        const auto length = s.length();
        juce::XmlElement element ("file");
        element.setAttribute ("name", s);
        sink = (size_t) s.substring (1, length - 1).hashCode() + (size_t) s.indexOf ("/")
               + (size_t) s.replace (".", "-").hashCode() + s.toUTF16().length() + s.toUTF32().length()
               + std::wcslen (s.toWideCharPointer()) + s.toStdString().size()
               + (size_t) folder.getChildFile (s).getFileName().length()
               + (size_t) juce::URL::addEscapeChars (s, false).length() + (size_t) element.toString().length();

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

    // Made as the framework makes a path it reads from the system (a folder's entries,
    // HOME, the arguments), or of a std::string: the bytes up to the first zero stay as
    // they are, so the text goes on naming the same file.
    for (const auto& s : { juce::String (zeroTerminated), juce::String::fromUTF8 (text), juce::String (std::string (text)) })
    {
        if (std::strcmp (s.toRawUTF8(), text) != 0)
            __builtin_trap();

        useAsName (s);
    }

    useAsName (juce::String::fromUTF8 (text, (int) size));
    useAsName (juce::String (zeroTerminated, juce::CharPointer_UTF8 (text + size)));
    useAsName (juce::String (text, size));
    // The fuzzer's own aligned buffer, as from a MemoryBlock: the UTF-16 branch reads 16-bit units.
    useAsName (juce::String::createStringFromData (data, (int) size));
    return 0;
}
