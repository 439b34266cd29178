#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    The typefaces of the default skin, loaded from the DejaVu font files.

    The generator draws every text of its images with these typefaces (so the
    images do not depend on the fonts installed on the build machine) and
    writes them into the skin archive in the serialised custom-typeface form
    that the skin engine reads.
*/
class SkinFonts
{
public:
    //==============================================================================
    /** Loads DejaVu Sans and DejaVu Sans Bold from the given folder. */
    explicit SkinFonts (const juce::File& fontFolder);

    /** True when both font files were found and understood. */
    bool isValid() const noexcept     { return regular != nullptr && bold != nullptr; }

    /** A message naming the font file that could not be loaded. */
    const juce::String& getError() const noexcept     { return error; }

    //==============================================================================
    /** A regular or bold font at the given height, for drawing into images. */
    juce::Font getFont (float height, bool isBold) const;

    /** Serialises the regular or bold face as a custom typeface named
        typefaceName, holding the Latin-1 characters and the typographic
        punctuation the program's texts use.
    */
    juce::MemoryBlock serialise (const juce::String& typefaceName, bool isBold) const;

private:
    //==============================================================================
    juce::Typeface::Ptr load (const juce::File& file);

    juce::MemoryBlock regularData, boldData;
    juce::Typeface::Ptr regular, bold;
    juce::String error;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SkinFonts)
};
