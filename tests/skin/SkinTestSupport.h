#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include "skin/SkinManager.h"

//==============================================================================
/**
    Builds a small skin in a fresh temporary folder: a description file, a ZIP
    archive beside it, and entries made from code (PNG images, serialised custom
    typefaces, raw bytes). The folder is deleted with the object.
*/
class TestSkin
{
public:
    TestSkin();
    ~TestSkin();

    /** Adds a PNG image of this size, filled with one colour. */
    void addImage (const juce::String& entryName, int width, int height,
                   juce::Colour colour = juce::Colours::red);

    /** Adds a serialised custom typeface whose own name is typefaceName. */
    void addTypeface (const juce::String& entryName, const juce::String& typefaceName);

    /** Adds an entry with these exact bytes. */
    void addEntry (const juce::String& entryName, const juce::MemoryBlock& data);
    void addEntry (const juce::String& entryName, const juce::String& text);

    /** Writes the archive under this name (relative to the folder). */
    juce::File writeArchive (const juce::String& archiveName = "skin.zip");

    /** Writes a description; sections go inside the root element. */
    juce::File writeDescription (const juce::String& sections = {},
                                 const juce::String& archiveName = "skin.zip",
                                 const juce::String& engineVersion = "2.0",
                                 const juce::String& fileName = "test.vexor");

    /** Writes a description with these exact contents. */
    juce::File writeRawDescription (const juce::String& xmlText, const juce::String& fileName = "test.vexor");

    /** Builds the archive and a description, then loads them into a fresh
        singleton with loadDefaultSkin. Returns the manager.
    */
    SkinManager* loadAsSingleton (const juce::String& sections = {});

    const juce::File& getFolder() const noexcept     { return folder; }

    /** A PNG of this size, as bytes. */
    static juce::MemoryBlock makePng (int width, int height, juce::Colour colour);

    /** A serialised custom typeface with glyphs for 'A' and 'B', as bytes. */
    static juce::MemoryBlock makeTypefaceStream (const juce::String& typefaceName);

private:
    juce::File folder;
    juce::StringArray entryNames;
    juce::Array<juce::MemoryBlock> entryData;
};

//==============================================================================
/** Deletes the singleton (if any) and its cached images, so that the next
    SkinManager::getInstance builds a fresh, empty manager.
*/
void resetSkinSingleton();
