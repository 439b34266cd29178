// The generated default skin: every image and typeface the program asks for is in
// the archive, decodes, and has the size of the place where it is drawn; the
// description names only entries the archive holds; states look different.

#include "skin/DremlorLookAndFeel.h"
#include "skin/SkinManager.h"
#include "SkinTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{
    //==============================================================================
    // The skin is generated into the folder "Skin" beside the executables.
    juce::File skinFolder()
    {
        return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getSiblingFile ("Skin");
    }

    struct ExpectedImage
    {
        const char* name;
        int width, height;
    };

    // Every image the dialogs and controls fetch by name, with the size of its place.
    const ExpectedImage programImages[] =
    {
        { "bg-body-send.png", 800, 553 },        { "bg-body-receive.png", 800, 553 },
        { "tab-send.png", 169, 33 },             { "tab-send-back.png", 169, 33 },
        { "tab-send-over.png", 169, 33 },        { "tab-receive.png", 169, 33 },
        { "tab-receive-back.png", 169, 33 },     { "tab-receive-over.png", 169, 33 },
        { "dropdown.png", 232, 27 },
        { "icon-check.png", 15, 15 },            { "icon-error.png", 15, 15 },
        { "zindle-eyes-off.png", 83, 34 },
        { "btn-browse.png", 152, 42 },           { "btn-browse-over.png", 152, 42 },
        { "btn-browse-down.png", 152, 42 },
        { "btn-begin.png", 152, 42 },            { "btn-begin-over.png", 152, 42 },
        { "btn-begin-down.png", 152, 42 },
        { "btn-cancel.png", 78, 30 },            { "btn-cancel-over.png", 78, 30 },
        { "btn-cancel-down.png", 78, 30 },
        { "btn-ok.png", 78, 30 },                { "btn-ok-over.png", 78, 30 },
        { "btn-ok-down.png", 78, 30 },
        { "btn-ready.png", 78, 30 },             { "btn-ready-over.png", 78, 30 },
        { "btn-ready-down.png", 78, 30 },
        { "btn-sendsmall.png", 78, 30 },         { "btn-sendsmall-over.png", 78, 30 },
        { "btn-sendsmall-down.png", 78, 30 },
        { "helptext_01.png", 240, 20 },
        { "helptext_02.png", 240, 20 },          { "helptext_02-over.png", 240, 20 },
        { "helptext_02-down.png", 240, 20 },
        { "helptext_03.png", 240, 20 },          { "helptext_03-over.png", 240, 20 },
        { "helptext_03-down.png", 240, 20 },
        { "helptext_05.png", 240, 20 },
        { "helptext_06.png", 240, 20 },          { "helptext-over_06.png", 240, 20 },
        { "helptext-down_06.png", 240, 20 },
        { "helptext_07.png", 240, 20 },          { "helptext_07-over.png", 240, 20 },
        { "helptext_07-down.png", 240, 20 },
        { "backup-divider.png", 320, 2 },
        { "plus.png", 24, 14 },                  { "plus-down.png", 24, 14 },
        { "minus.png", 24, 14 },                 { "minus-down.png", 24, 14 },
    };

    // Normal, over and down images of every pressable image button.
    const char* const buttonStates[][3] =
    {
        { "btn-browse.png", "btn-browse-over.png", "btn-browse-down.png" },
        { "btn-begin.png", "btn-begin-over.png", "btn-begin-down.png" },
        { "btn-cancel.png", "btn-cancel-over.png", "btn-cancel-down.png" },
        { "btn-ok.png", "btn-ok-over.png", "btn-ok-down.png" },
        { "btn-ready.png", "btn-ready-over.png", "btn-ready-down.png" },
        { "btn-sendsmall.png", "btn-sendsmall-over.png", "btn-sendsmall-down.png" },
        { "helptext_02.png", "helptext_02-over.png", "helptext_02-down.png" },
        { "helptext_03.png", "helptext_03-over.png", "helptext_03-down.png" },
        { "helptext_06.png", "helptext-over_06.png", "helptext-down_06.png" },
        { "helptext_07.png", "helptext_07-over.png", "helptext_07-down.png" },
    };

    // Images drawn over a page background at a fixed place, with that place's top-left corner.
    struct PlacedImage
    {
        const char* name;
        int x, y;
    };

    const PlacedImage placedOnBackground[] =
    {
        { "helptext_01.png", 0, 69 },  { "helptext_02.png", 0, 89 },  { "helptext_03.png", 0, 109 },
        { "helptext_05.png", 0, 139 }, { "helptext_06.png", 0, 159 }, { "helptext_07.png", 0, 179 },
        { "zindle-eyes-off.png", 79, 246 },
    };

    const char* const sectionNames[] = { "PopupMenuSkin", "MenuBarSkin", "AlertWindowSkin",
                                         "TitlebarSkin", "AutoUpdateSkin" };

    const char* const updateWidgetNames[] = { "progressDownloadLabel", "progressBar", "progressCancelButton",
                                              "infoLabel", "infoReleaseNotes", "infoButtonLabel",
                                              "infoOkayButton", "infoCancelButton" };

    int countDifferentPixels (const juce::Image& a, const juce::Image& b)
    {
        int differences = 0;

        for (int y = 0; y < juce::jmin (a.getHeight(), b.getHeight()); ++y)
            for (int x = 0; x < juce::jmin (a.getWidth(), b.getWidth()); ++x)
                if (a.getPixelAt (x, y).getARGB() != b.getPixelAt (x, y).getARGB())
                    ++differences;

        return differences;
    }

    //==============================================================================
    /** Reads the generated description and its archive once for all tests. */
    class DefaultSkinTest : public ::testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            description = juce::parseXML (skinFolder().getChildFile ("DL.vexor"));

            if (description == nullptr)
                return;

            const auto archiveFile = skinFolder().getChildFile (description->getStringAttribute ("skin"));
            juce::ZipFile archive (archiveFile);

            for (int i = 0; i < archive.getNumEntries(); ++i)
            {
                const auto* entry = archive.getEntry (i);
                std::unique_ptr<juce::InputStream> stream (archive.createStreamForEntry (i));

                if (entry == nullptr || stream == nullptr)
                    continue;

                juce::MemoryBlock data;
                stream->readIntoMemoryBlock (data);
                entryNames.add (entry->filename);
                entries[entry->filename] = std::move (data);
            }
        }

        static void TearDownTestSuite()
        {
            description.reset();
            entries.clear();
            entryNames.clear();
        }

        void SetUp() override
        {
            ASSERT_NE (description, nullptr) << "no skin description in " << skinFolder().getFullPathName();
            ASSERT_FALSE (entries.empty()) << "the skin archive is missing or empty";
        }

        static juce::Image image (const juce::String& name)
        {
            const auto found = entries.find (name);

            if (found == entries.end())
                return {};

            return juce::ImageFileFormat::loadFrom (found->second.getData(), found->second.getSize());
        }

        static const juce::XmlElement* section (const juce::String& tag)
        {
            for (auto* child : description->getChildIterator())
                if (child->getTagName().equalsIgnoreCase (tag))
                    return child;

            return nullptr;
        }

        static const juce::XmlElement* widget (const juce::XmlElement& parent, const juce::String& name)
        {
            for (auto* child : parent.getChildWithTagNameIterator ("Widget"))
                if (child->getStringAttribute ("name") == name)
                    return child;

            return nullptr;
        }

        static std::unique_ptr<juce::XmlElement> description;
        static std::map<juce::String, juce::MemoryBlock> entries;
        static juce::StringArray entryNames;
    };

    std::unique_ptr<juce::XmlElement> DefaultSkinTest::description;
    std::map<juce::String, juce::MemoryBlock> DefaultSkinTest::entries;
    juce::StringArray DefaultSkinTest::entryNames;
}

//==============================================================================
TEST_F (DefaultSkinTest, DescriptionIsAcceptedByTheSkinEngine)
{
    EXPECT_TRUE (description->getTagName().equalsIgnoreCase ("SKIN"));
    EXPECT_EQ (description->getDoubleAttribute ("skinEngineVersion"), 2.0);
    EXPECT_TRUE (description->getStringAttribute ("skin").isNotEmpty());

    for (auto* name : sectionNames)
        EXPECT_NE (section (name), nullptr) << name;
}

TEST_F (DefaultSkinTest, ArchiveEntryNamesAreUnique)
{
    auto unique = entryNames;
    unique.removeDuplicates (false);
    EXPECT_EQ (unique.size(), entryNames.size());
}

TEST_F (DefaultSkinTest, EveryProgramImageDecodesAtTheSizeOfItsPlace)
{
    for (const auto& expected : programImages)
    {
        const auto decoded = image (expected.name);
        ASSERT_TRUE (decoded.isValid()) << expected.name << " is missing or does not decode";
        EXPECT_EQ (decoded.getWidth(), expected.width) << expected.name;
        EXPECT_EQ (decoded.getHeight(), expected.height) << expected.name;
    }

    const auto fallback = image ("missing_image_release.png");
    ASSERT_TRUE (fallback.isValid());
    EXPECT_GT (fallback.getWidth(), 0);
}

TEST_F (DefaultSkinTest, PressableImagesShowDistinctOverAndDownStates)
{
    for (const auto& states : buttonStates)
    {
        const auto normal = image (states[0]);
        const auto over = image (states[1]);
        const auto down = image (states[2]);
        ASSERT_TRUE (normal.isValid() && over.isValid() && down.isValid()) << states[0];

        const int area = normal.getWidth() * normal.getHeight();
        EXPECT_GT (countDifferentPixels (normal, over), area / 20) << states[1];
        EXPECT_GT (countDifferentPixels (normal, down), area / 20) << states[2];
        EXPECT_GT (countDifferentPixels (over, down), area / 20) << states[2];
    }
}

TEST_F (DefaultSkinTest, ImagesOverThePageBackgroundsBlendIntoBoth)
{
    // The help rows and the eyes lie on both pages: their border pixels must be the
    // backgrounds' own, or a seam shows around them.
    for (auto* backgroundName : { "bg-body-send.png", "bg-body-receive.png" })
    {
        const auto background = image (backgroundName);
        ASSERT_TRUE (background.isValid());

        for (const auto& placed : placedOnBackground)
        {
            const auto overlay = image (placed.name);
            ASSERT_TRUE (overlay.isValid()) << placed.name;
            const int w = overlay.getWidth(), h = overlay.getHeight();

            for (const auto& corner : { juce::Point<int> (0, 0), { w - 1, 0 }, { 0, h - 1 }, { w - 1, h - 1 } })
                EXPECT_EQ (overlay.getPixelAt (corner.x, corner.y).getARGB(),
                           background.getPixelAt (placed.x + corner.x, placed.y + corner.y).getARGB())
                    << placed.name << " on " << backgroundName << " at " << corner.x << "," << corner.y;
        }
    }

    // The eyes image must actually change what the background shows there.
    const auto background = image ("bg-body-send.png");
    const auto eyes = image ("zindle-eyes-off.png");
    EXPECT_GT (countDifferentPixels (eyes, background.getClippedImage ({ 79, 246, 83, 34 })), 100);
}

TEST_F (DefaultSkinTest, CurrentTabRunsIntoThePageBelowIt)
{
    const struct { const char* tab; const char* background; int x; } tabs[] =
    {
        { "tab-send.png", "bg-body-send.png", 260 },
        { "tab-receive.png", "bg-body-receive.png", 429 },
    };

    for (const auto& t : tabs)
    {
        const auto tab = image (t.tab);
        const auto background = image (t.background);
        ASSERT_TRUE (tab.isValid() && background.isValid());

        const int middle = tab.getWidth() / 2;
        EXPECT_EQ (tab.getPixelAt (middle, tab.getHeight() - 1).getARGB(),
                   background.getPixelAt (t.x + middle, 13 + tab.getHeight()).getARGB()) << t.tab;
    }
}

TEST_F (DefaultSkinTest, PageBackgroundsDifferOnlyWhereThePagesDiffer)
{
    const auto send = image ("bg-body-send.png");
    const auto receive = image ("bg-body-receive.png");
    ASSERT_TRUE (send.isValid() && receive.isValid());

    // Step 1 and the help column are shared; the headings of steps 2 and 3 differ.
    EXPECT_EQ (countDifferentPixels (send.getClippedImage ({ 0, 0, 800, 230 }),
                                     receive.getClippedImage ({ 0, 0, 800, 230 })), 0);
    EXPECT_GT (countDifferentPixels (send.getClippedImage ({ 254, 240, 530, 40 }),
                                     receive.getClippedImage ({ 254, 240, 530, 40 })), 50);
    EXPECT_GT (countDifferentPixels (send.getClippedImage ({ 254, 376, 530, 40 }),
                                     receive.getClippedImage ({ 254, 376, 530, 40 })), 50);
}

//==============================================================================
TEST_F (DefaultSkinTest, TypefacesLoadWithTheGlyphsOfTheProgramsTexts)
{
    juce::StringArray fontNames { "_bgp_b.stf", "_missing_font.stf" };

    for (auto* s : description->getChildIterator())
    {
        for (auto* attribute : { "font", "msgFont" })
            if (s->hasAttribute (attribute))
                fontNames.addIfNotAlreadyThere (s->getStringAttribute (attribute));

        for (auto* w : s->getChildWithTagNameIterator ("Widget"))
            for (auto* attribute : { "font", "labelFont" })
                if (w->hasAttribute (attribute))
                    fontNames.addIfNotAlreadyThere (w->getStringAttribute (attribute));
    }

    for (const auto& name : fontNames)
    {
        const auto found = entries.find (name);
        ASSERT_NE (found, entries.end()) << name;

        juce::MemoryInputStream stream (found->second, false);
        juce::CustomTypeface typeface (stream);

        EXPECT_GT (typeface.getAscent(), 0.5f) << name;
        EXPECT_GT (typeface.getStringWidth ("Transfer complete!"), 1.0f) << name;

        // Every printable ASCII and Latin-1 character has a glyph of its own.
        for (juce::juce_wchar c : { (juce::juce_wchar) 'A', (juce::juce_wchar) 'g', (juce::juce_wchar) '%',
                                    (juce::juce_wchar) 0xe9, (juce::juce_wchar) 0xfc })
        {
            juce::Array<int> glyphs;
            juce::Array<float> offsets;
            typeface.getGlyphPositions (juce::String::charToString (c), glyphs, offsets);
            ASSERT_EQ (glyphs.size(), 1) << name;

            juce::Path outline;
            typeface.getOutlineForGlyph (glyphs[0], outline);
            EXPECT_FALSE (outline.isEmpty()) << name << " has no outline for character " << (int) c;
        }
    }
}

TEST_F (DefaultSkinTest, EveryEntryTheDescriptionNamesIsInTheArchive)
{
    const juce::StringArray imageKeys { "upImage", "overImage", "downImage", "disabledImage",
                                        "upImageOn", "overImageOn", "downImageOn", "disabledImageOn", "icon" };
    const juce::StringArray fontKeys { "font", "msgFont", "labelFont" };
    int checked = 0;

    const std::function<void (const juce::XmlElement&)> check = [&] (const juce::XmlElement& element)
    {
        for (int i = 0; i < element.getNumAttributes(); ++i)
        {
            const auto key = element.getAttributeName (i);
            const auto value = element.getAttributeValue (i);

            if (imageKeys.contains (key, true))
            {
                EXPECT_TRUE (image (value).isValid()) << key << "=\"" << value << "\" is not an image of the archive";
                ++checked;
            }
            else if (fontKeys.contains (key, true))
            {
                EXPECT_TRUE (entries.count (value) == 1) << key << "=\"" << value << "\" is not in the archive";
                ++checked;
            }
        }

        for (auto* child : element.getChildIterator())
            check (*child);
    };

    check (*description);
    EXPECT_GE (checked, 20);
}

//==============================================================================
TEST_F (DefaultSkinTest, TitleBarIconAndButtonsFitTheTitleBar)
{
    const auto* titlebar = section ("TitlebarSkin");
    ASSERT_NE (titlebar, nullptr);
    constexpr int titleBarHeight = 27;

    const auto* icon = widget (*titlebar, "vornhaltIcon");
    ASSERT_NE (icon, nullptr);
    const auto iconImage = image (icon->getStringAttribute ("icon"));
    ASSERT_TRUE (iconImage.isValid());
    EXPECT_LE (icon->getIntAttribute ("positionY") + iconImage.getHeight(), titleBarHeight);

    // Buttons are placed from the title bar's right edge: negative offsets, side by side.
    juce::Array<juce::Range<int>> spans;

    for (auto* name : { "closeButton", "minimizeButton" })
    {
        const auto* button = widget (*titlebar, name);
        ASSERT_NE (button, nullptr) << name;
        const auto up = image (button->getStringAttribute ("upImage"));
        ASSERT_TRUE (up.isValid()) << name;

        const int x = button->getIntAttribute ("positionX");
        EXPECT_LE (x + up.getWidth(), 0) << name << " reaches past the right edge";
        EXPECT_LE (button->getIntAttribute ("positionY") + up.getHeight(), titleBarHeight) << name;
        EXPECT_TRUE (button->getStringAttribute ("toolTip").isNotEmpty()) << name;

        for (const auto& other : spans)
            EXPECT_FALSE (other.intersects ({ x, x + up.getWidth() })) << name << " overlaps another button";

        spans.add ({ x, x + up.getWidth() });
    }
}

TEST_F (DefaultSkinTest, UpdateDialogWidgetsLieInsideTheirPages)
{
    const auto* update = section ("AutoUpdateSkin");
    ASSERT_NE (update, nullptr);

    const juce::Rectangle<int> progressPage (update->getIntAttribute ("progressWidth"),
                                             update->getIntAttribute ("progressHeight"));
    const juce::Rectangle<int> infoPage (update->getIntAttribute ("infoWidth"),
                                         update->getIntAttribute ("infoHeight"));
    EXPECT_FALSE (progressPage.isEmpty());
    EXPECT_FALSE (infoPage.isEmpty());

    for (auto* name : updateWidgetNames)
    {
        const auto* w = widget (*update, name);
        ASSERT_NE (w, nullptr) << name;

        juce::Rectangle<int> bounds;

        if (w->hasAttribute ("bounds"))
        {
            juce::StringArray parts;
            parts.addTokens (w->getStringAttribute ("bounds"), ",", {});
            ASSERT_EQ (parts.size(), 4) << name;
            bounds = { parts[0].getIntValue(), parts[1].getIntValue(), parts[2].getIntValue(), parts[3].getIntValue() };
        }
        else if (w->hasAttribute ("upImage"))
        {
            const auto up = image (w->getStringAttribute ("upImage"));
            ASSERT_TRUE (up.isValid()) << name;
            bounds = { w->getIntAttribute ("positionX"), w->getIntAttribute ("positionY"), up.getWidth(), up.getHeight() };
        }
        else
        {
            bounds = { w->getIntAttribute ("positionX"), w->getIntAttribute ("positionY"),
                       w->getIntAttribute ("width"), w->getIntAttribute ("height") };
        }

        const auto& page = juce::String (name).startsWith ("progress") ? progressPage : infoPage;
        EXPECT_FALSE (bounds.isEmpty()) << name;
        EXPECT_TRUE (page.contains (bounds)) << name << " lies outside its page";

        // Label texts must be visible: an opaque colour and a readable height.
        if (w->hasAttribute ("fontColor"))
        {
            EXPECT_TRUE (w->getStringAttribute ("fontColor").startsWithIgnoreCase ("FF")) << name;
            EXPECT_GE (w->getDoubleAttribute ("fontSize"), 10.0) << name;
        }
    }
}

TEST_F (DefaultSkinTest, MenuAndAlertColoursAreOpaqueAndReadable)
{
    const struct { const char* section; const char* foreground; const char* background; } pairs[] =
    {
        { "PopupMenuSkin", "fontColor", "menuBackgroundColor" },
        { "PopupMenuSkin", "fontHighlightedColor", "itemHighlightedColor" },
        { "AlertWindowSkin", "fontColor", "backgroundColor" },
    };

    for (const auto& pair : pairs)
    {
        const auto* s = section (pair.section);
        ASSERT_NE (s, nullptr) << pair.section;

        const auto foreground = juce::Colour ((juce::uint32) s->getStringAttribute (pair.foreground).getHexValue64());
        const auto background = juce::Colour ((juce::uint32) s->getStringAttribute (pair.background).getHexValue64());
        EXPECT_TRUE (foreground.isOpaque()) << pair.section << " " << pair.foreground;
        EXPECT_TRUE (background.isOpaque()) << pair.section << " " << pair.background;
        EXPECT_GT (std::abs (foreground.getPerceivedBrightness() - background.getPerceivedBrightness()), 0.45f)
            << pair.section << ": " << pair.foreground << " on " << pair.background;
    }
}

//==============================================================================
TEST_F (DefaultSkinTest, SkinEngineLoadsItAndFindsEveryImageAndTypeface)
{
    resetSkinSingleton();
    auto* manager = SkinManager::getInstance();
    ASSERT_NE (manager, nullptr);

    // loadDocument rather than loadDefaultSkin: a failure must not open a message box here.
    const auto result = manager->loadDocument (skinFolder().getChildFile ("DL.vexor"));
    ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
    manager->skinLoaded = true;

    for (const auto& expected : programImages)
    {
        const auto found = SkinManager::getImage (juce::String (expected.name).hashCode64());
        EXPECT_EQ (found.getWidth(), expected.width) << expected.name;
        EXPECT_EQ (found.getHeight(), expected.height) << expected.name;
    }

    // Each typeface is found under its own name, not through the fallback.
    auto* missing = SkinManager::getFont ("_missing_font.stf");
    ASSERT_NE (missing, nullptr);
    EXPECT_NE (SkinManager::getFont ("_bgp_b.stf"), missing);
    EXPECT_EQ (SkinManager::getFont ("no-such-font.stf"), missing);

    // The look-and-feel takes the title bar's icon, font and buttons from the skin.
    {
        DremlorLookAndFeel lookAndFeel;
        lookAndFeel.applySkin();
        EXPECT_TRUE (lookAndFeel.hasTitleFont());
        EXPECT_TRUE (lookAndFeel.getWindowIcon().isValid());
        EXPECT_TRUE (lookAndFeel.getTitleGradientTop().isOpaque());

        for (const auto* images : { &lookAndFeel.getCloseButtonImages(), &lookAndFeel.getMinimiseButtonImages() })
        {
            EXPECT_LT (images->xOffset, 0) << images->name;
            EXPECT_TRUE (images->up.getImage().isValid()) << images->name;
            EXPECT_TRUE (images->over.getImage().isValid()) << images->name;
            EXPECT_TRUE (images->down.getImage().isValid()) << images->name;
        }
    }

    resetSkinSingleton();
}
