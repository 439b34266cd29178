#include <gtest/gtest.h>

#include <cstring>

#include "SkinTestSupport.h"
#include "skin/SkinValues.h"

namespace
{
    // A manager that is not the singleton, for load checks that need no lookups.
    struct LoadFixture  : public ::testing::Test
    {
        TestSkin skin;
        SkinManager manager;

        juce::Result loadWithVersion (const juce::String& version)
        {
            skin.addImage ("a.png", 2, 2);
            skin.writeArchive();
            return manager.loadDocument (skin.writeDescription ({}, "skin.zip", version));
        }
    };
}

//==============================================================================
TEST_F (LoadFixture, EngineVersionTwoLoadsInEitherSpelling)
{
    EXPECT_TRUE (loadWithVersion ("2").wasOk());
    EXPECT_TRUE (loadWithVersion ("2.0").wasOk());
    EXPECT_DOUBLE_EQ (manager.getSkinVersion(), 1.5);
    EXPECT_EQ (manager.getSkinArchiveName(), "skin.zip");
}

TEST_F (LoadFixture, OtherEngineVersionsAreRefusedWithTheVersionText)
{
    auto r = loadWithVersion ("1.5");
    EXPECT_EQ (r.getErrorMessage(), "Wrong Skin Engine Version; 1.5 != 2");
    EXPECT_EQ (manager.skinXml, nullptr);

    EXPECT_EQ (loadWithVersion ("2.00001").getErrorMessage(), "Wrong Skin Engine Version; 2.00001 != 2");
    EXPECT_EQ (loadWithVersion ("two").getErrorMessage(), "Wrong Skin Engine Version; 0 != 2");
    EXPECT_EQ (loadWithVersion ("0.1234567891234").getErrorMessage(), "Wrong Skin Engine Version; 0.123456789 != 2");

    const auto noVersion = skin.writeRawDescription ("<SKIN skin=\"skin.zip\"/>");
    EXPECT_EQ (manager.loadDocument (noVersion).getErrorMessage(), "Wrong Skin Engine Version; 0 != 2");
}

TEST_F (LoadFixture, RootTagIsComparedIgnoringCaseButMustBeSkin)
{
    skin.addImage ("a.png", 2, 2);
    skin.writeArchive();

    EXPECT_TRUE (manager.loadDocument (skin.writeRawDescription ("<skin skin=\"skin.zip\" skinEngineVersion=\"2\"/>")).wasOk());
    EXPECT_NE (manager.skinXml, nullptr);

    const auto wrongRoot = manager.loadDocument (skin.writeRawDescription ("<SKINS skin=\"skin.zip\" skinEngineVersion=\"2\"/>"));
    EXPECT_EQ (wrongRoot.getErrorMessage(), "Not a valid Skin file");
    EXPECT_EQ (manager.skinXml, nullptr);

    EXPECT_EQ (manager.loadDocument (skin.writeRawDescription ("not xml at all <")).getErrorMessage(), "Not a valid Skin file");
}

TEST_F (LoadFixture, AttributeNamesMatchIgnoringCase)
{
    skin.addImage ("a.png", 2, 2);
    skin.writeArchive ("sub/archive.zip");
    const auto file = skin.writeRawDescription ("<SKIN SKIN=\"sub/archive.zip\" SKINENGINEVERSION=\"2\"/>");
    EXPECT_TRUE (manager.loadDocument (file).wasOk());
}

TEST_F (LoadFixture, EmptyArchiveNameIsRefusedAndDropsTheDescription)
{
    const auto r = manager.loadDocument (skin.writeDescription ({}, ""));
    EXPECT_EQ (r.getErrorMessage(), "Not a valid Skin file");
    EXPECT_EQ (manager.skinXml, nullptr);
}

TEST_F (LoadFixture, MissingOrEmptyArchiveFailsButKeepsTheSections)
{
    const auto description = skin.writeDescription ("<TitlebarSkin gradientTop=\"ff010203\"/>", "absent.zip");
    EXPECT_EQ (manager.loadDocument (description).getErrorMessage(), "Not a valid Skin file");
    ASSERT_NE (manager.skinXml, nullptr);
    EXPECT_NE (SkinValues::findChild (*manager.skinXml, "titlebarskin"), nullptr);

    skin.writeArchive ("empty.zip");   // no entries
    const auto withEmpty = skin.writeDescription ("<TitlebarSkin/>", "empty.zip");
    EXPECT_EQ (manager.loadDocument (withEmpty).getErrorMessage(), "Not a valid Skin file");
    EXPECT_NE (manager.skinXml, nullptr);

    skin.writeRawDescription ("just text", "garbage.zip");
    const auto withGarbage = skin.writeDescription ("<TitlebarSkin/>", "garbage.zip");
    EXPECT_EQ (manager.loadDocument (withGarbage).getErrorMessage(), "Not a valid Skin file");
    EXPECT_NE (manager.skinXml, nullptr);
}

TEST_F (LoadFixture, DocumentOperationsOfTheFramework)
{
    const auto missing = manager.loadFrom (skin.getFolder().getChildFile ("nothing.vexor"), false);
    EXPECT_EQ (missing.getErrorMessage(), "The file doesn't exist");

    EXPECT_EQ (manager.saveDocument (skin.getFolder().getChildFile ("x.korml")).getErrorMessage(),
               "Couldn't create Skin file.");
    EXPECT_EQ (manager.getDocumentTitle(), "Unnamed");
    EXPECT_EQ (manager.getLastDocumentOpened(), juce::File());

    skin.addImage ("a.png", 2, 2);
    skin.writeArchive();
    const auto description = skin.writeDescription ({}, "skin.zip", "2", "Fancy.vexor");
    EXPECT_TRUE (manager.loadFrom (description, false).wasOk());
    EXPECT_EQ (manager.getDocumentTitle(), "Fancy");
    EXPECT_EQ (manager.getLastDocumentOpened(), juce::File());
}

//==============================================================================
TEST (SkinManagerImages, EntriesAreCachedUnderTheHashOfTheirFullPath)
{
    TestSkin skin;
    skin.addImage ("images/plus.png", 7, 5);
    ASSERT_NE (skin.loadAsSingleton(), nullptr);

    const auto found = SkinManager::getImage (juce::String ("images/plus.png").hashCode64());
    EXPECT_EQ (found.getWidth(), 7);
    EXPECT_EQ (found.getHeight(), 5);

    EXPECT_FALSE (SkinManager::getImage (juce::String ("plus.png").hashCode64()).isValid());
    EXPECT_FALSE (SkinManager::getImage (juce::String ("images/Plus.png").hashCode64()).isValid());
}

TEST (SkinManagerImages, MissingImagesFallBackToTheMissingImageEntry)
{
    TestSkin skin;
    skin.addImage ("missing_image_release.png", 3, 4);
    ASSERT_NE (skin.loadAsSingleton(), nullptr);

    const auto fallback = SkinManager::getImage (juce::String ("nowhere.png").hashCode64());
    EXPECT_EQ (fallback.getWidth(), 3);
    EXPECT_EQ (fallback.getHeight(), 4);
}

TEST (SkinManagerImages, ContentDecidesAnImageWhateverItsName)
{
    TestSkin skin;
    skin.addImage ("picture.svg", 6, 6);
    skin.addImage ("font.stf", 5, 5);
    skin.addEntry ("shape.svg", juce::String ("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
                                              "<rect width=\"5\" height=\"5\"/></svg>"));
    auto* manager = skin.loadAsSingleton();
    ASSERT_NE (manager, nullptr);

    EXPECT_EQ (SkinManager::getImage (juce::String ("picture.svg").hashCode64()).getWidth(), 6);
    EXPECT_EQ (SkinManager::getImage (juce::String ("font.stf").hashCode64()).getWidth(), 5);
    EXPECT_EQ (manager->getDrawableNames(), juce::StringArray ("shape.svg"));
    EXPECT_EQ (manager->getDrawables().size(), 1);
    EXPECT_TRUE (manager->getTypefaceNames().isEmpty());
}

TEST (SkinManagerImages, WithoutAnyFallbackTheImageIsNull)
{
    TestSkin skin;
    skin.addImage ("other.png", 2, 2);
    ASSERT_NE (skin.loadAsSingleton(), nullptr);
    EXPECT_FALSE (SkinManager::getImage (juce::String ("nowhere.png").hashCode64()).isValid());
}

//==============================================================================
TEST (SkinManagerFonts, LookupIsExactAndFallsBackToTheMissingFont)
{
    TestSkin skin;
    skin.addTypeface ("_bgp_b.stf", "Bold Face");
    skin.addTypeface ("_missing_font.stf", "Missing Face");
    auto* manager = skin.loadAsSingleton();
    ASSERT_NE (manager, nullptr);

    EXPECT_EQ (manager->getTypefaceNames(), juce::StringArray ("_bgp_b.stf", "_missing_font.stf"));

    auto* exact = SkinManager::getFont ("_bgp_b.stf");
    ASSERT_NE (exact, nullptr);
    EXPECT_EQ (exact->getName(), "Bold Face");

    auto* wrongCase = SkinManager::getFont ("_bgp_b.STF");
    ASSERT_NE (wrongCase, nullptr);
    EXPECT_EQ (wrongCase->getName(), "Missing Face");

    EXPECT_EQ (manager->findTypeface ("_bgp_b.STF"), nullptr);
}

TEST (SkinManagerFonts, WithoutTheMissingFontTheLookupGivesNothing)
{
    TestSkin skin;
    skin.addTypeface ("_bgp_b.stf", "Bold Face");
    ASSERT_NE (skin.loadAsSingleton(), nullptr);

    EXPECT_NE (SkinManager::getFont ("_bgp_b.stf"), nullptr);
    EXPECT_EQ (SkinManager::getFont ("other.stf"), nullptr);
}

TEST (SkinManagerFonts, ArchiveTypefacesDrawTheirGlyphs)
{
    TestSkin skin;
    skin.addTypeface ("face.stf", "Face");
    ASSERT_NE (skin.loadAsSingleton(), nullptr);

    juce::Font font (juce::Typeface::Ptr (SkinManager::getFont ("face.stf")));
    font.setHeight (20.0f);
    EXPECT_NEAR (font.getStringWidthFloat ("A"), 12.0f, 0.5f);   // glyph width 0.6 of the height
}

//==============================================================================
namespace
{
    // Runs a block with the process's working folder set to a folder of its own.
    struct WorkingFolder
    {
        explicit WorkingFolder (const juce::File& folder)  : previous (juce::File::getCurrentWorkingDirectory())
        {
            folder.createDirectory();
            folder.setAsCurrentWorkingDirectory();
        }

        ~WorkingFolder()    { previous.setAsCurrentWorkingDirectory(); }

        juce::File previous;
    };
}

TEST (SkinManagerTypefaceCache, TtfEntryWritesOneCacheFileInTheWorkingFolder)
{
    TestSkin skin;
    const auto work = skin.getFolder().getChildFile ("work");
    WorkingFolder cwd (work);

    skin.addEntry ("DejaVu Sans.TTF", juce::String ("ignored bytes"));
    auto* manager = skin.loadAsSingleton();
    ASSERT_NE (manager, nullptr);

    const auto cache = work.getChildFile ("DejaVu Sans.stf");
    ASSERT_TRUE (cache.existsAsFile());
    EXPECT_TRUE (manager->getTypefaceNames().isEmpty());

    // The cache is a readable custom typeface holding the first 256 characters.
    juce::FileInputStream in (cache);
    juce::CustomTypeface cached (in);
    juce::Array<int> glyphs;
    juce::Array<float> offsets;
    cached.getGlyphPositions ("A", glyphs, offsets);
    EXPECT_EQ (glyphs.size(), 1);
    EXPECT_GT (cached.getStringWidth ("A"), 0.0f);
}

TEST (SkinManagerTypefaceCache, ExistingCacheFileIsLeftAlone)
{
    TestSkin skin;
    const auto work = skin.getFolder().getChildFile ("work");
    WorkingFolder cwd (work);

    const auto cache = work.getChildFile ("Face.stf");
    cache.replaceWithText ("already here");

    skin.addEntry ("Face.ttf", juce::String ("x"));
    ASSERT_NE (skin.loadAsSingleton(), nullptr);
    EXPECT_EQ (cache.loadFileAsString(), "already here");
}

TEST (SkinManagerTypefaceCache, OnlyAPlainNameWritesAndOnlyInsideTheWorkingFolder)
{
    TestSkin skin;
    const auto deep = skin.getFolder().getChildFile ("deep");
    const auto work = deep.getChildFile ("work");
    WorkingFolder cwd (work);
    work.getChildFile ("sub").createDirectory();

    // The central directory's name of the last entry is made text that is not valid
    // UTF-8 (the local header keeps the plain one): checking its containment by
    // walking up the path used to recurse without end.
    const char* const plainName = "DejaVu Sans.ttf";
    const char invalidName[] = "\xc4" "dja" "\xaf" "u Sans.ttf";

    const auto absolute = skin.getFolder().getChildFile ("absolute.ttf");

    for (const auto& name : { juce::String ("../escaped.ttf"), juce::String ("sub/inner.ttf"),
                              juce::String ("sub\\inner.ttf"), absolute.getFullPathName(),
                              juce::String ("Fine.ttf"), juce::String (plainName) })
        skin.addEntry (name, juce::String ("x"));

    juce::MemoryBlock archive;
    ASSERT_TRUE (skin.writeArchive().loadFileAsData (archive));
    auto* bytes = static_cast<char*> (archive.getData());
    const auto nameLength = std::strlen (plainName);
    ASSERT_EQ (nameLength, sizeof (invalidName) - 1);

    size_t lastOccurrence = archive.getSize();

    for (size_t i = 0; i + nameLength <= archive.getSize(); ++i)
        if (std::memcmp (bytes + i, plainName, nameLength) == 0)
            lastOccurrence = i;

    ASSERT_LT (lastOccurrence, archive.getSize());
    std::memcpy (bytes + lastOccurrence, invalidName, nameLength);
    ASSERT_TRUE (skin.getFolder().getChildFile ("skin.zip").replaceWithData (archive.getData(), archive.getSize()));

    SkinManager manager;
    EXPECT_TRUE (manager.loadDocument (skin.writeDescription()).wasOk());

    // The one plain name wrote its cache, in the working folder and nowhere else.
    EXPECT_TRUE (work.getChildFile ("Fine.stf").existsAsFile());
    EXPECT_EQ (work.getNumberOfChildFiles (juce::File::findFiles), 1);
    EXPECT_EQ (work.getChildFile ("sub").getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    EXPECT_FALSE (deep.getChildFile ("escaped.stf").exists());
    EXPECT_EQ (deep.getNumberOfChildFiles (juce::File::findFiles), 0);
    EXPECT_FALSE (skin.getFolder().getChildFile ("absolute.stf").exists());
}

//==============================================================================
namespace
{
    // Each run of '@' as long as the bytes, anywhere in the block, replaced by them.
    void replacePlaceholders (juce::MemoryBlock& block, const std::string& bytes)
    {
        const std::string placeholder (bytes.size(), '@');
        auto* data = static_cast<char*> (block.getData());

        for (size_t i = 0; i + placeholder.size() <= block.getSize(); ++i)
            if (std::memcmp (data + i, placeholder.data(), placeholder.size()) == 0)
                std::memcpy (data + i, bytes.data(), bytes.size());
    }

    // A typeface stream whose own name is these bytes.
    juce::MemoryBlock typefaceNamed (const std::string& bytes)
    {
        juce::MemoryInputStream zipped (TestSkin::makeTypefaceStream (std::string (bytes.size(), '@')), true);
        juce::MemoryBlock plain;
        juce::GZIPDecompressorInputStream (zipped).readIntoMemoryBlock (plain);
        replacePlaceholders (plain, bytes);

        juce::MemoryOutputStream out;
        juce::GZIPCompressorOutputStream (out).write (plain.getData(), plain.getSize());
        return out.getMemoryBlock();
    }
}

TEST (SkinManagerText, EntriesAndTypefacesWhoseNamesAreNotTextAreSkipped)
{
    // An encoded zero: the characters the framework reads end there, the bytes do not.
    const std::string bytes ("\xC0\x80" "ab");
    TestSkin skin;
    skin.addTypeface ("@@@@-face.stf", "Face");
    skin.addEntry ("named.stf", typefaceNamed (bytes));
    skin.addTypeface ("good.stf", "Good");

    juce::MemoryBlock archive;
    ASSERT_TRUE (skin.writeArchive().loadFileAsData (archive));
    replacePlaceholders (archive, bytes);
    ASSERT_TRUE (skin.getFolder().getChildFile ("skin.zip").replaceWithData (archive.getData(), archive.getSize()));

    SkinManager manager;
    EXPECT_TRUE (manager.loadDocument (skin.writeDescription()).wasOk());
    EXPECT_EQ (manager.getTypefaceNames(), juce::StringArray ("good.stf"));
}

//==============================================================================
TEST (SkinManagerSingleton, GoneForGoodOnceDeleted)
{
    resetSkinSingleton();
    auto* first = SkinManager::getInstance();
    ASSERT_NE (first, nullptr);
    EXPECT_EQ (SkinManager::getInstance(), first);

    delete first;
    EXPECT_EQ (SkinManager::getInstance(), nullptr);
    EXPECT_EQ (SkinManager::getInstance(), nullptr);
    EXPECT_EQ (SkinManager::getFont ("_missing_font.stf"), nullptr);

    SkinManager::allowNewInstanceForTesting();
    EXPECT_NE (SkinManager::getInstance(), nullptr);
}

TEST (SkinManagerSingleton, DirectManagersDoNotTouchTheSingleton)
{
    resetSkinSingleton();
    auto* singleton = SkinManager::getInstance();

    {
        SkinManager other;
    }

    EXPECT_EQ (SkinManager::getInstance(), singleton);
}

TEST (SkinManagerSingleton, LoadDefaultSkinMarksTheSkinAsTried)
{
    TestSkin skin;
    skin.addImage ("a.png", 1, 1);
    auto* manager = skin.loadAsSingleton ("<PopupMenuSkin/>");
    ASSERT_NE (manager, nullptr);
    EXPECT_TRUE (manager->skinLoaded);
    EXPECT_NE (manager->skinXml, nullptr);
}

TEST (SkinManagerSingleton, FailedDefaultSkinShowsTheFailureBox)
{
    TestSkin skin;
    resetSkinSingleton();
    auto* manager = SkinManager::getInstance();
    ASSERT_NE (manager, nullptr);

    const auto missing = skin.getFolder().getChildFile ("Skin").getChildFile ("DL.vexor");
    EXPECT_FALSE (manager->loadDefaultSkin (missing.getFullPathName()));
    EXPECT_TRUE (manager->skinLoaded);

    // The framework shows its warning box asynchronously.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    auto* box = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (box->getName(), "Failed to open file...");
    box->exitModalState (0);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

//==============================================================================
TEST (SkinManagerSkinList, ListsEveryDescriptionBelowTheSkinsFolder)
{
    const juce::File skins (SkinManager::getApplicationFolder() + "/Skins");
    ASSERT_FALSE (skins.exists()) << "a Skins folder is left over beside the test binary";

    skins.getChildFile ("dark").createDirectory();
    skins.getChildFile ("one.vexor").replaceWithText ("<skin name=\"One\" skin=\"one.zip\"/>");
    skins.getChildFile ("dark/two.vexor").replaceWithText ("<SKIN skin=\"two.zip\"/>");
    skins.getChildFile ("bad.vexor").replaceWithText ("<NOTSKIN name=\"Bad\"/>");
    skins.getChildFile ("broken.vexor").replaceWithText ("no markup here");
    skins.getChildFile ("other.xml").replaceWithText ("<SKIN name=\"Other\"/>");

    SkinManager manager;
    skins.deleteRecursively();

    ASSERT_EQ (manager.getSkinNames().size(), 2);
    const auto one = manager.getSkinPaths().indexOf ("one.vexor");
    const auto two = manager.getSkinPaths().indexOf ("dark/two.vexor");
    ASSERT_GE (one, 0);
    ASSERT_GE (two, 0);
    EXPECT_EQ (manager.getSkinNames()[one], "One");
    EXPECT_EQ (manager.getSkinNames()[two], "");
}
