#pragma once

#include "SkinFonts.h"

//==============================================================================
/**
    Draws the default skin and writes it out: the skin description "DL.vexor"
    and, beside it, the ZIP archive it names with every image and typeface.

    The archive's entries are written in a fixed order with a fixed time stamp,
    so the same sources always give the same bytes.
*/
class SkinGenerator
{
public:
    //==============================================================================
    /** The generator reads its drawings from assetFolder and the DejaVu fonts from fontFolder. */
    SkinGenerator (const juce::File& assetFolder, const juce::File& fontFolder);

    /** Draws everything and writes the description and the archive into
        outputFolder (created when missing). Returns false and sets the error
        text when anything could not be drawn or written.
    */
    bool generate (const juce::File& outputFolder);

    /** What went wrong in the last generate() call. */
    const juce::String& getError() const noexcept     { return error; }

    /** The description's file name, as the program looks for it. */
    static constexpr const char* descriptionFileName = "DL.vexor";

    /** The archive's file name, as the description names it. */
    static constexpr const char* archiveFileName = "DL.zip";

private:
    //==============================================================================
    struct Entry
    {
        juce::String name;
        juce::MemoryBlock data;
    };

    bool checkLayout();
    bool drawImages();
    bool addImage (const juce::String& name, const juce::Image& image);
    void addTypefaces();
    bool writeArchive (const juce::File& file);
    bool writeDescription (const juce::File& file);
    bool fail (const juce::String& message);

    juce::File assetFolder;
    SkinFonts fonts;
    std::vector<Entry> entries;
    juce::String error;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SkinGenerator)
};
