#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    The value rules that every reader of a skin description shares: how an
    attribute is found and how its text becomes a colour, a number, a
    justification or a rectangle.

    Attribute names and section tags are matched ignoring case. Every parser
    accepts any text and never fails: text that does not hold a value reads as 0.

    The update dialog's VASAutoUpdate::parseRectangle forwards to parseRectangle
    here, so the button factory and the update dialog split rectangles alike
    while the skin engine stays independent of the update code.
*/
class SkinValues
{
public:
    //==============================================================================
    /** Returns the value of the attribute whose name matches ignoring case, or an
        empty string when the element has no such attribute.
    */
    static juce::String getAttribute (const juce::XmlElement& element, juce::StringRef name);

    /** Returns the first child whose tag matches ignoring case, or nullptr. */
    static juce::XmlElement* findChild (const juce::XmlElement& parent, juce::StringRef tag);

    //==============================================================================
    /** Reads hexadecimal ARGB text: every non-hex character is skipped and only the
        last eight digits count, so "#FF102030", "0xFF102030" and "FF102030" agree.
        Text without a digit gives 0 (transparent black).
    */
    static juce::uint32 parseColour (const juce::String& text);

    /** Reads a decimal whole number with an optional sign after leading blanks;
        reading stops at the first other character, no digits give 0 and values
        beyond the int range saturate.
    */
    static int parseInt (const juce::String& text);

    /** Reads a decimal real number from the start of the text; text without a
        leading number, or a value that is not finite, gives 0.
    */
    static double parseDouble (const juce::String& text);

    /** Reads the framework's justification flags from a whole number. */
    static juce::Justification parseJustification (const juce::String& text);

    /** Splits "x,y,w,h" into a rectangle. The trimmed text is cut at every ',', ';',
        blank, tab, carriage return and line feed; each of them ends a token, so two
        in a row give an empty token (read as 0). Missing tokens give 0.
    */
    static juce::Rectangle<int> parseRectangle (const juce::String& text);

    //==============================================================================
    /** Limits a position or size read from a skin, so that geometry arithmetic in
        the widgets cannot overflow whatever a skin holds.
    */
    static int clampCoordinate (int value) noexcept;

    /** The bound used by clampCoordinate, in pixels either side of zero. */
    static constexpr int maxCoordinate = 100000;

    //==============================================================================
    /** Shorthands: the attribute read by the rule of the same name. */
    static juce::uint32 colourAttribute (const juce::XmlElement& element, juce::StringRef name);
    static int intAttribute (const juce::XmlElement& element, juce::StringRef name);
    static double doubleAttribute (const juce::XmlElement& element, juce::StringRef name);

private:
    SkinValues() = delete;
};
