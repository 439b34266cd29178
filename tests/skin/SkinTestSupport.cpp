#include "SkinTestSupport.h"

#include <gtest/gtest.h>

namespace
{
    // Every skin test needs the message manager and the GUI parts of JUCE.
    struct GuiEnvironment  : public ::testing::Environment
    {
        void SetUp() override       { initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
        void TearDown() override
        {
            resetSkinSingleton();
            juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
            initialiser.reset();
        }

        std::unique_ptr<juce::ScopedJuceInitialiser_GUI> initialiser;
    };

    [[maybe_unused]] auto* const guiEnvironment = ::testing::AddGlobalTestEnvironment (new GuiEnvironment());
}

//==============================================================================
TestSkin::TestSkin()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("dremlor-skin-test-" + juce::Uuid().toString()))
{
    // A unique name: ctest runs the cases as parallel processes, and a name that
    // is merely free now could be taken by another process before it is created.
    folder.createDirectory();
}

TestSkin::~TestSkin()
{
    folder.deleteRecursively();
}

void TestSkin::addImage (const juce::String& entryName, int width, int height, juce::Colour colour)
{
    addEntry (entryName, makePng (width, height, colour));
}

void TestSkin::addTypeface (const juce::String& entryName, const juce::String& typefaceName)
{
    addEntry (entryName, makeTypefaceStream (typefaceName));
}

void TestSkin::addEntry (const juce::String& entryName, const juce::MemoryBlock& data)
{
    entryNames.add (entryName);
    entryData.add (data);
}

void TestSkin::addEntry (const juce::String& entryName, const juce::String& text)
{
    addEntry (entryName, juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8()));
}

juce::File TestSkin::writeArchive (const juce::String& archiveName)
{
    juce::ZipFile::Builder builder;

    for (int i = 0; i < entryNames.size(); ++i)
    {
        // (Copying an empty MemoryBlock passes null to memcpy inside JUCE, so an
        // empty entry streams from nothing instead.)
        const auto& data = entryData.getReference (i);
        auto* stream = data.isEmpty() ? new juce::MemoryInputStream (nullptr, 0, false)
                                      : new juce::MemoryInputStream (data, true);
        builder.addEntry (stream, 9, entryNames[i], juce::Time::getCurrentTime());
    }

    const auto archive = folder.getChildFile (archiveName);
    archive.getParentDirectory().createDirectory();
    archive.deleteFile();

    juce::FileOutputStream out (archive);
    builder.writeToStream (out, nullptr);
    return archive;
}

juce::File TestSkin::writeDescription (const juce::String& sections, const juce::String& archiveName,
                                       const juce::String& engineVersion, const juce::String& fileName)
{
    return writeRawDescription ("<?xml version=\"1.0\"?>\n<SKIN name=\"Test Skin\" skin=\"" + archiveName
                                  + "\" version=\"1.5\" skinEngineVersion=\"" + engineVersion + "\">\n"
                                  + sections + "\n</SKIN>\n",
                                fileName);
}

juce::File TestSkin::writeRawDescription (const juce::String& xmlText, const juce::String& fileName)
{
    const auto file = folder.getChildFile (fileName);
    file.getParentDirectory().createDirectory();
    file.replaceWithText (xmlText);
    return file;
}

SkinManager* TestSkin::loadAsSingleton (const juce::String& sections)
{
    writeArchive();
    const auto description = writeDescription (sections);

    resetSkinSingleton();
    auto* manager = SkinManager::getInstance();

    if (manager != nullptr)
        manager->loadDefaultSkin (description.getFullPathName());

    return manager;
}

juce::MemoryBlock TestSkin::makePng (int width, int height, juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    image.clear (image.getBounds(), colour);

    juce::MemoryOutputStream out;
    juce::PNGImageFormat().writeImageToStream (image, out);
    return out.getMemoryBlock();
}

juce::MemoryBlock TestSkin::makeTypefaceStream (const juce::String& typefaceName)
{
    juce::CustomTypeface typeface;
    typeface.setCharacteristics (typefaceName, 0.8f, false, false, 'A');

    juce::Path square;
    square.addRectangle (0.0f, 0.0f, 0.5f, 0.8f);
    typeface.addGlyph ('A', square, 0.6f);

    juce::Path triangle;
    triangle.addTriangle (0.0f, 0.8f, 0.25f, 0.0f, 0.5f, 0.8f);
    typeface.addGlyph ('B', triangle, 0.6f);
    typeface.addKerningPair ('A', 'B', -0.05f);

    juce::MemoryOutputStream out;
    typeface.writeToStream (out);
    return out.getMemoryBlock();
}

//==============================================================================
void resetSkinSingleton()
{
    if (auto* manager = SkinManager::getInstance())
        delete manager;

    SkinManager::allowNewInstanceForTesting();
    juce::ImageCache::releaseUnusedImages();
}
