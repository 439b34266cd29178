#include "SkinFonts.h"

namespace
{
    // Characters beyond Latin-1 that ordinary texts use: dashes, quotes,
    // bullet, ellipsis (the framework shortens texts with it) and the euro sign.
    const juce::juce_wchar extraCharacters[] = { 0x2013, 0x2014, 0x2018, 0x2019, 0x201c, 0x201d,
                                                 0x2022, 0x2026, 0x20ac };
}

//==============================================================================
SkinFonts::SkinFonts (const juce::File& fontFolder)
{
    const auto regularFile = fontFolder.getChildFile ("DejaVuSans.ttf");
    const auto boldFile = fontFolder.getChildFile ("DejaVuSans-Bold.ttf");

    if (regularFile.loadFileAsData (regularData))
        regular = juce::Typeface::createSystemTypefaceFor (regularData.getData(), regularData.getSize());

    if (boldFile.loadFileAsData (boldData))
        bold = juce::Typeface::createSystemTypefaceFor (boldData.getData(), boldData.getSize());

    if (regular == nullptr)
        error = "Cannot load the font " + regularFile.getFullPathName();
    else if (bold == nullptr)
        error = "Cannot load the font " + boldFile.getFullPathName();
}

juce::Font SkinFonts::getFont (float height, bool isBold) const
{
    return juce::Font (isBold ? bold : regular).withHeight (height);
}

juce::MemoryBlock SkinFonts::serialise (const juce::String& typefaceName, bool isBold) const
{
    auto& source = *(isBold ? bold : regular);

    juce::CustomTypeface typeface;
    typeface.setCharacteristics (typefaceName, source.getAscent(), isBold, false, ' ');
    typeface.addGlyphsFromOtherTypeface (source, 0x20, 0x7f - 0x20);
    typeface.addGlyphsFromOtherTypeface (source, 0xa0, 0x100 - 0xa0);

    for (auto c : extraCharacters)
        typeface.addGlyphsFromOtherTypeface (source, c, 1);

    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    typeface.writeToStream (out);
    out.flush();
    return block;
}
