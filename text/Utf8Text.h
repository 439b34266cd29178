#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    The one gate through which outside bytes (a skin description, the update feed,
    release notes, a redirect's address) become a juce::String.

    The framework's own check (CharPointer_UTF8::isValidString) lets overlong forms
    through, an encoded zero (C0 80) among them; a string built from those holds
    characters whose length the framework's string functions then count one way
    and copy another, and they write past their buffer. This check accepts only
    what the UTF-8 standard allows: each character in its shortest form, no
    surrogate halves (U+D800 to U+DFFF), nothing above U+10FFFF, no sequence cut
    short by the end. A zero byte is refused too, as a juce::String ends there.

    Stateless: any thread.
*/
class Utf8Text
{
public:
    //==============================================================================
    /** True when the bytes are well-formed UTF-8 without a zero byte (see above).
        Reads exactly size bytes, never past them.
    */
    static bool isWellFormed (const void* data, size_t size) noexcept;

    /** The text the bytes hold, a leading byte-order mark (EF BB BF) dropped; false
        (and an empty result) when the bytes are not well-formed.
    */
    static bool decode (const void* data, size_t size, juce::String& result);

    /** Bytes of unknown make as text: decoded when well-formed, otherwise one
        character per byte (Latin-1) with a zero byte made a space, so the text never
        holds a damaged sequence. Takes time in proportion to the size.
    */
    static juce::String toText (const void* data, size_t size);

    /** UTF-16 bytes after their byte-order mark (FE FF big-endian, FF FE little-endian)
        as text: a surrogate half without its partner becomes U+FFFD, a zero a space,
        and an odd last byte is dropped. Bytes without the mark go to toText.
    */
    static juce::String fromUtf16 (const void* data, size_t size);

    /** UTF-16 code units in the machine's own order (a system's wide text, such as
        Windows hands out) as text, by the same rules as fromUtf16; reads exactly
        count units.
    */
    static juce::String fromUtf16Units (const juce::uint16* units, size_t count);

private:
    Utf8Text() = delete;
};
