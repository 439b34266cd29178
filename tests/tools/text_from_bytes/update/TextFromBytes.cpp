// Lines the text-from-bytes check must flag (marked "flagged") and lines it must pass.
#include "text/Utf8Text.h"

#include <juce_core/juce_core.h>

#include <memory>
#include <string>

namespace
{
    const char* const ownText = "the program's own";
    const char* const ownTable[] { "one", "two" };

    void curl_easy_getinfo (const char** location) { *location = "x"; }
}

juce::String forms (const void* data, size_t size, juce::MemoryBlock& block, juce::MemoryOutputStream& stream,
                    juce::InputStream& input, const juce::File& file, bool choice, int index, char byte)
{
    const char* location = nullptr;
    curl_easy_getinfo (&location);

    juce::String target;
    target += location;                                                                 // flagged
    juce::String text (static_cast<const char*> (block.getData()), block.getSize());   // flagged
    const auto* chars = static_cast<const char*> (data);
    target += juce::String (chars, size);                                               // flagged
    target += juce::String (
        static_cast<const char*> (data),                                                // flagged
        size);
    const std::string raw (static_cast<const char*> (data), size);
    target += juce::String (raw);                                                       // flagged
    text = static_cast<const char*> (data);                                             // flagged
    target << location;                                                                 // flagged
    target = target + location;                                                         // flagged
    target = juce::String::fromUTF8 (location);                                         // flagged
    target = juce::String::createStringFromData (data, (int) size);                     // flagged
    target = block.toString();                                                          // flagged
    target = stream.toString() + stream.toUTF8();                                       // flagged
    target = input.readString() + input.readNextLine();                                 // flagged
    target = file.loadFileAsString();                                                   // flagged
    target = juce::String (juce::CharPointer_UTF8 (location));                          // flagged
    target = juce::String (juce::CharPointer_UTF16 (static_cast<const juce::CharPointer_UTF16::CharType*> (data)));  // flagged
    target = juce::String (raw.c_str()) + raw.data();                                   // flagged
    target << byte;                                                                     // flagged
    target = juce::SystemStats::getEnvironmentVariable ("HOME", {});                    // flagged
    auto label = std::make_unique<juce::String> (location);                             // flagged
    auto parsed = juce::parseXML (file);                                                // flagged

    // The program's own text, and text that came through Utf8Text.
    target << "literal" << '\n' << (choice ? "yes" : "no") << ownText << ownTable[index];
    target += juce::String ("literal") + "more" + juce::String (ownText);
    target = juce::String::fromUTF8 ("caf\xc3\xa9");
    target = juce::String (juce::CharPointer_UTF8 ("\xc3\xa9t\xc3\xa9"));
    target = Utf8Text::toText (data, size) + Utf8Text::toText (raw.data(), raw.size());
    Utf8Text::decode (block.getData(), block.getSize(), text);
    auto own = std::make_unique<juce::String> ("literal");
    (void) own; (void) label; (void) parsed;
    return target + text;
}
