#include <gtest/gtest.h>

#include "SkinMouse.h"
#include "SkinTestSupport.h"
#include "skin/DremlorLookAndFeel.h"

namespace
{
    const char* const fullSkin = R"(
        <popupmenuskin menuBackgroundColor="FF101010" menuBorderColor="FF202020" fontHeaderColor="FF303030"
                       fontColor="FF404040" itemHighlightedColor="FF505050" fontHighlightedColor="FF606060"
                       fontSize="15" font="_bgp_b.stf"/>
        <MenuBarSkin topLevelTextColor="FF707070" topLevelTextColorSelected="FF808080" fontSize="11"
                     font="_bgp_b.stf" positionX="4" width="90"/>
        <AlertWindowSkin backgroundColor="FFEEEEEE" fontColor="FF111111" borderColor="FF222222"
                         fontSize="19" font="_bgp_b.stf" msgFontSize="13" msgFont="nope.stf"/>
        <TitlebarSkin gradientTop="FF0000FF" gradientBtm="FF000080" height="27">
            <Widget name="vornhaltIcon" icon="icon.png" positionX="99" positionY="4" font="_bgp_b.stf"
                    fontColorActive="FFFFFFFF" fontColorInactive="FF888888" fontSize="16"/>
            <widget name="closeButton" upImage="close.png" overImage="close-over.png" downImage="close-down.png"
                    toolTip="Close" positionX="-30" positionY="3" upImageOn="close.png"/>
            <Widget name="minimizeButton" upImage="min.png" overImage="min.png" downImage="min.png"
                    toolTip="Minimise" positionX="-60" positionY="2"/>
            <Widget name="CloseButton" upImage="min.png" positionX="-1000"/>
        </TitlebarSkin>)";

    struct LookAndFeelFixture  : public ::testing::Test
    {
        void SetUp() override
        {
            skin.addImage ("icon.png", 12, 10, juce::Colours::yellow);
            skin.addImage ("close.png", 25, 20, juce::Colours::red);
            skin.addImage ("close-over.png", 25, 20, juce::Colours::green);
            skin.addImage ("close-down.png", 25, 20, juce::Colours::blue);
            skin.addImage ("min.png", 18, 16, juce::Colours::white);
            skin.addTypeface ("_bgp_b.stf", "Bold Face");
            skin.addTypeface ("_missing_font.stf", "Missing Face");
        }

        TestSkin skin;
    };

    /** How far apart two colours read, as the ratio of their relative luminances
        (1: the same; 21: black on white; 4.5 is the usual floor for body text).
    */
    double contrastRatio (juce::Colour a, juce::Colour b)
    {
        const auto luminance = [] (juce::Colour c)
        {
            const auto linear = [] (juce::uint8 channel)
            {
                const auto v = channel / 255.0;
                return v <= 0.03928 ? v / 12.92 : std::pow ((v + 0.055) / 1.055, 2.4);
            };

            return 0.2126 * linear (c.getRed()) + 0.7152 * linear (c.getGreen()) + 0.0722 * linear (c.getBlue());
        };

        const auto la = luminance (a), lb = luminance (b);
        return (juce::jmax (la, lb) + 0.05) / (juce::jmin (la, lb) + 0.05);
    }

    juce::Image render (int width, int height, std::function<void (juce::Graphics&)> paint)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        juce::Graphics g (image);
        paint (g);
        return image;
    }
}

//==============================================================================
TEST_F (LookAndFeelFixture, WithoutASkinTheStartingValuesStay)
{
    resetSkinSingleton();
    DremlorLookAndFeel lf;
    lf.applySkin();   // the manager exists but has loaded nothing

    EXPECT_EQ (lf.getMenuBarTextColour().getARGB(), 0xff909090u);
    EXPECT_EQ (lf.getMenuBarSelectedTextColour().getARGB(), 0xffffcc00u);
    EXPECT_EQ (lf.getTitleGradientTop().getARGB(), 0u);
    EXPECT_FALSE (lf.hasTitleFont());
    EXPECT_FALSE (lf.getWindowIcon().isValid());
    EXPECT_EQ (lf.getPopupMenuFont().getHeight(), juce::LookAndFeel_V4().getPopupMenuFont().getHeight());

    // Unskinned widgets keep the light scheme: dark text on light surfaces.
    EXPECT_LT (lf.findColour (juce::Label::textColourId).getPerceivedBrightness(), 0.5f);
    EXPECT_GT (lf.findColour (juce::TextEditor::backgroundColourId).getPerceivedBrightness(), 0.5f);

    // A slider's groove must show on a white page.
    EXPECT_LT (lf.findColour (juce::Slider::backgroundColourId).getPerceivedBrightness(),
               juce::Colours::white.getPerceivedBrightness() - 0.1f);
}

TEST_F (LookAndFeelFixture, SectionsFillFontsAndColours)
{
    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();

    EXPECT_EQ (lf.findColour (juce::PopupMenu::backgroundColourId).getARGB(), 0xff101010u);
    EXPECT_EQ (lf.getPopupMenuBorderColour().getARGB(), 0xff202020u);
    EXPECT_EQ (lf.findColour (juce::PopupMenu::headerTextColourId).getARGB(), 0xff303030u);
    EXPECT_EQ (lf.findColour (juce::PopupMenu::textColourId).getARGB(), 0xff404040u);
    EXPECT_EQ (lf.findColour (juce::PopupMenu::highlightedBackgroundColourId).getARGB(), 0xff505050u);
    EXPECT_EQ (lf.findColour (juce::PopupMenu::highlightedTextColourId).getARGB(), 0xff606060u);
    EXPECT_EQ (lf.getPopupMenuFont().getTypefacePtr()->getName(), "Bold Face");
    EXPECT_FLOAT_EQ (lf.getPopupMenuFont().getHeight(), 15.0f);

    EXPECT_EQ (lf.getMenuBarTextColour().getARGB(), 0xff707070u);
    EXPECT_EQ (lf.getMenuBarSelectedTextColour().getARGB(), 0xff808080u);
    juce::MenuBarComponent bar;
    EXPECT_FLOAT_EQ (lf.getMenuBarFont (bar, 0, "File").getHeight(), 11.0f);

    EXPECT_EQ (lf.findColour (juce::AlertWindow::backgroundColourId).getARGB(), 0xffeeeeeeu);
    EXPECT_EQ (lf.findColour (juce::AlertWindow::textColourId).getARGB(), 0xff111111u);
    EXPECT_EQ (lf.findColour (juce::AlertWindow::outlineColourId).getARGB(), 0xff222222u);
    EXPECT_EQ (lf.getAlertWindowFont().getTypefacePtr()->getName(), "Bold Face");
    EXPECT_FLOAT_EQ (lf.getAlertWindowFont().getHeight(), 19.0f);
    EXPECT_FLOAT_EQ (lf.getAlertWindowTitleFont().getHeight(), 19.0f);
    EXPECT_EQ (lf.getAlertWindowMessageFont().getTypefacePtr()->getName(), "Missing Face");
    EXPECT_FLOAT_EQ (lf.getAlertWindowMessageFont().getHeight(), 13.0f);

    EXPECT_EQ (lf.getTitleGradientTop().getARGB(), 0xff0000ffu);
    EXPECT_EQ (lf.getTitleGradientBottom().getARGB(), 0xff000080u);
    EXPECT_EQ (lf.getWindowIcon().getWidth(), 12);
    EXPECT_EQ (lf.getIconTop(), 4);
    EXPECT_EQ (lf.getTitleColourActive().getARGB(), 0xffffffffu);
    EXPECT_EQ (lf.getTitleColourInactive().getARGB(), 0xff888888u);
    EXPECT_TRUE (lf.hasTitleFont());

    // Widget names are compared case-sensitively: "CloseButton" is not the close button.
    EXPECT_EQ (lf.getCloseButtonImages().name, "Close");
    EXPECT_EQ (lf.getCloseButtonImages().xOffset, -30);
    EXPECT_EQ (lf.getCloseButtonImages().over.getImage().getPixelAt (1, 1), juce::Colours::green);
    EXPECT_FALSE (lf.getCloseButtonImages().upOn.getImage().isValid());
    EXPECT_EQ (lf.getMinimiseButtonImages().name, "Minimise");
    EXPECT_FALSE (lf.getMaximiseButtonImages().up.getImage().isValid());
}

TEST_F (LookAndFeelFixture, MissingSectionsLeaveTheirValues)
{
    ASSERT_NE (skin.loadAsSingleton ("<PopupMenuSkin fontColor=\"FF123456\"/>"), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();

    EXPECT_EQ (lf.findColour (juce::PopupMenu::textColourId).getARGB(), 0xff123456u);
    // A missing colour attribute reads as transparent black.
    EXPECT_EQ (lf.findColour (juce::PopupMenu::backgroundColourId).getARGB(), 0u);
    EXPECT_EQ (lf.getMenuBarTextColour().getARGB(), 0xff909090u);
    EXPECT_FALSE (lf.hasTitleFont());
}

TEST_F (LookAndFeelFixture, FrameworkDrawnAlertBoxesUseTheSkin)
{
    // Where the platform has no native message box, the framework draws the
    // alert with this look-and-feel.
    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();

    std::unique_ptr<juce::AlertWindow> alert (lf.createAlertWindow ("Dremlor", "Backup complete.", "OK", {}, {},
                                                                    juce::MessageBoxIconType::InfoIcon, 1, nullptr));
    alert->setLookAndFeel (&lf);
    ASSERT_GT (alert->getWidth(), 0);

    const auto snapshot = alert->createComponentSnapshot (alert->getLocalBounds());
    EXPECT_EQ (snapshot.getPixelAt (alert->getWidth() / 2, 4).getARGB(), 0xffeeeeeeu);
    EXPECT_EQ (snapshot.getPixelAt (0, alert->getHeight() / 2).getARGB(), 0xff222222u);

    // The icon sits inside the box, in the column the layout keeps for it.
    EXPECT_EQ (snapshot.getPixelAt (24, 48).getARGB(), juce::Colour (0xff00a2ad).getARGB());
    EXPECT_EQ (snapshot.getPixelAt (2, 2).getARGB(), 0xffeeeeeeu);
    EXPECT_EQ (alert->getLookAndFeel().getAlertWindowTitleFont().getTypefacePtr()->getName(), "Bold Face");
    alert->setLookAndFeel (nullptr);
}

//==============================================================================
TEST_F (LookAndFeelFixture, TitleBarButtonsTakeTheirSkinBounds)
{
    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();

    std::unique_ptr<juce::Button> close (lf.createDocumentWindowButton (juce::DocumentWindow::closeButton));
    std::unique_ptr<juce::Button> minimise (lf.createDocumentWindowButton (juce::DocumentWindow::minimiseButton));
    std::unique_ptr<juce::Button> maximise (lf.createDocumentWindowButton (juce::DocumentWindow::maximiseButton));

    EXPECT_EQ (close->getName(), "Close");
    EXPECT_EQ (minimise->getName(), "Minimise");

    juce::DocumentWindow window ("w", juce::Colours::grey, juce::DocumentWindow::allButtons, false);
    lf.positionDocumentWindowButtons (window, 0, 0, 800, 27, minimise.get(), maximise.get(), close.get(), false);

    EXPECT_EQ (close->getBounds(), juce::Rectangle<int> (770, 3, 25, 20));
    EXPECT_EQ (minimise->getBounds(), juce::Rectangle<int> (740, 2, 18, 16));
    EXPECT_EQ (maximise->getBounds(), juce::Rectangle<int> (800, 0, 0, 0));

    auto* drawableClose = dynamic_cast<juce::DrawableButton*> (close.get());
    ASSERT_NE (drawableClose, nullptr);
    EXPECT_EQ (drawableClose->getStyle(), juce::DrawableButton::ImageRaw);
    auto* down = dynamic_cast<juce::DrawableImage*> (drawableClose->getDownImage());
    ASSERT_NE (down, nullptr);
    EXPECT_EQ (down->getImage().getPixelAt (1, 1), juce::Colours::blue);

    // Disabled shows the down image at full strength.
    drawableClose->setEnabled (false);
    auto* shown = dynamic_cast<juce::DrawableImage*> (drawableClose->getChildComponent (0));
    ASSERT_NE (shown, nullptr);
    EXPECT_EQ (shown->getImage().getPixelAt (1, 1), juce::Colours::blue);
    EXPECT_FLOAT_EQ (shown->getAlpha(), 1.0f);
}

TEST_F (LookAndFeelFixture, WindowIconGoesToTheWindow)
{
    // Records the icon that the window hands its title-bar drawing.
    struct IconSpy  : public DremlorLookAndFeel
    {
        void drawDocumentWindowTitleBar (juce::DocumentWindow&, juce::Graphics&, int, int, int, int,
                                         const juce::Image* icon, bool) override
        {
            iconWidth = icon != nullptr ? icon->getWidth() : 0;
        }

        int iconWidth = -1;
    };

    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    IconSpy lf;
    lf.applySkin();

    juce::DocumentWindow window ("w", juce::Colours::grey, juce::DocumentWindow::allButtons, false);
    window.setLookAndFeel (&lf);
    window.setSize (200, 100);
    lf.setWindowIcon (&window);
    lf.setWindowIcon (nullptr);

    window.createComponentSnapshot (window.getLocalBounds());
    EXPECT_EQ (lf.iconWidth, 12);
    window.setLookAndFeel (nullptr);
}

//==============================================================================
TEST_F (LookAndFeelFixture, PopupBackgroundFillsAndOutlines)
{
    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();

    const auto image = render (20, 10, [&] (juce::Graphics& g) { lf.drawPopupMenuBackground (g, 20, 10); });

    EXPECT_EQ (image.getPixelAt (10, 5).getARGB(), 0xff101010u);
    // The border: the border colour overdrawn by the text colour at alpha 0.6.
    const auto expected = juce::Colour (0xff202020).overlaidWith (juce::Colour (0xff404040).withAlpha (0.6f));
    EXPECT_NEAR (image.getPixelAt (0, 5).getRed(), expected.getRed(), 1);
    EXPECT_NEAR (image.getPixelAt (19, 9).getRed(), expected.getRed(), 1);
}

TEST_F (LookAndFeelFixture, MenuBarItemHighlightsUnderThePointer)
{
    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();
    juce::MenuBarComponent bar;
    bar.setLookAndFeel (&lf);

    const auto hovered = render (40, 20, [&] (juce::Graphics& g)
                                 { lf.drawMenuBarItem (g, 40, 20, 0, "", true, false, true, bar); });
    EXPECT_EQ (hovered.getPixelAt (1, 1).getARGB(), 0xff505050u);

    const auto idle = render (40, 20, [&] (juce::Graphics& g)
                              { lf.drawMenuBarBackground (g, 40, 20, false, bar);
                                lf.drawMenuBarItem (g, 40, 20, 0, "", false, false, false, bar); });
    EXPECT_EQ (idle.getPixelAt (1, 1).getARGB(), 0u);

    bar.setLookAndFeel (nullptr);
}

namespace
{
    // How many pixels of the image have this colour, each channel within 2
    // (premultiplied storage rounds translucent colours).
    int countPixels (const juce::Image& image, juce::Colour colour)
    {
        auto near = [] (juce::uint8 a, juce::uint8 b) { return std::abs ((int) a - (int) b) <= 2; };
        int count = 0;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto p = image.getPixelAt (x, y);

                if (near (p.getRed(), colour.getRed()) && near (p.getGreen(), colour.getGreen())
                     && near (p.getBlue(), colour.getBlue()) && near (p.getAlpha(), colour.getAlpha()))
                    ++count;
            }

        return count;
    }
}

TEST_F (LookAndFeelFixture, MenuBarItemTextColourFollowsItsState)
{
    // The test typeface draws "A" as a solid block, so its colour shows unblended.
    ASSERT_NE (skin.loadAsSingleton (fullSkin), nullptr);
    DremlorLookAndFeel lf;
    lf.applySkin();
    juce::Component parent;
    juce::MenuBarComponent bar;
    parent.addChildComponent (bar);
    bar.setLookAndFeel (&lf);

    auto draw = [&] (bool over, bool open)
    {
        return render (60, 30, [&] (juce::Graphics& g)
                       { lf.drawMenuBarItem (g, 60, 30, 0, "A", over, open, over, bar); });
    };

    const auto idle = draw (false, false);
    EXPECT_GT (countPixels (idle, juce::Colour (0xff707070)), 0);
    EXPECT_EQ (countPixels (idle, juce::Colour (0xff808080)), 0);

    // An open menu highlights like the pointer does.
    const auto open = draw (false, true);
    EXPECT_EQ (open.getPixelAt (1, 1).getARGB(), 0xff505050u);
    EXPECT_GT (countPixels (open, juce::Colour (0xff808080)), 0);

    // A disabled bar (here through its parent) wins over the pointer: no
    // highlight, and the popup text colour at half its alpha.
    parent.setEnabled (false);
    const auto disabled = draw (true, false);
    EXPECT_EQ (disabled.getPixelAt (1, 1).getARGB(), 0u);
    EXPECT_GT (countPixels (disabled, juce::Colour (0xff404040).withMultipliedAlpha (0.5f)), 0);
    EXPECT_EQ (countPixels (disabled, juce::Colour (0xff808080)), 0);

    bar.setLookAndFeel (nullptr);
}

//==============================================================================
namespace
{
    struct NamedApplication  : public juce::JUCEApplicationBase
    {
        const juce::String getApplicationName() override        { return "Test Application Name"; }
        const juce::String getApplicationVersion() override     { return "1.0"; }
        bool moreThanOneInstanceAllowed() override              { return true; }
        void initialise (const juce::String&) override          {}
        void shutdown() override                                {}
        void anotherInstanceStarted (const juce::String&) override {}
        void systemRequestedQuit() override                     {}
        void suspended() override                               {}
        void resumed() override                                 {}
        void unhandledException (const std::exception*, const juce::String&, int) override {}
    };

    // The columns of the title bar where anything other than the gradient was drawn.
    juce::Range<int> drawnColumns (const juce::Image& image, int row, juce::Colour background)
    {
        int first = -1, last = -1;

        for (int x = 0; x < image.getWidth(); ++x)
        {
            if (image.getPixelAt (x, row) != background)
            {
                if (first < 0)
                    first = x;

                last = x;
            }
        }

        return { first, last + 1 };
    }
}

TEST_F (LookAndFeelFixture, TitleBarGradientTitleAndIcon)
{
    ASSERT_NE (skin.loadAsSingleton (R"(
        <TitlebarSkin gradientTop="FF000000" gradientBtm="FF000000">
            <Widget name="vornhaltIcon" icon="icon.png" positionX="300" positionY="4" font="_bgp_b.stf"
                    fontColorActive="FFFF0000" fontColorInactive="FF00FF00" fontSize="16"/>
        </TitlebarSkin>)"), nullptr);

    DremlorLookAndFeel lf;
    lf.applySkin();
    NamedApplication app;

    juce::DocumentWindow window ("Test Application Name", juce::Colours::grey, 0, false);
    window.setSize (400, 100);
    const auto icon = SkinManager::getImage (juce::String ("icon.png").hashCode64());

    // Inactive: the black gradient lightened by white at 0.15, the icon at opacity 0.6.
    const auto image = render (400, 27, [&] (juce::Graphics& g)
                               { lf.drawDocumentWindowTitleBar (window, g, 400, 27, 0, 400, &icon, true); });
    const auto background = juce::Colours::black.contrasting (0.15f);
    EXPECT_EQ (image.getPixelAt (0, 0), background);

    // The icon sits at (window width - text width - icon width) / 2, from the icon top.
    juce::Font titleFont (juce::Typeface::Ptr (SkinManager::getFont ("_bgp_b.stf")));
    titleFont.setHeight (16.0f);
    const auto textWidth = juce::roundToInt (titleFont.getStringWidthFloat ("Test Application Name"));
    const auto iconX = (400 - textWidth - 12) / 2;

    EXPECT_EQ (drawnColumns (image, 5, background).getStart(), iconX);
    const auto iconPixel = image.getPixelAt (iconX + 1, 5);
    EXPECT_EQ (iconPixel, background.interpolatedWith (juce::Colours::yellow, 0.6f));
    EXPECT_EQ (image.getPixelAt (iconX + 1, 3), background);   // above the icon top

    // Another window's name is centred across the whole width and gets no icon.
    window.setName ("Other");
    const auto other = render (400, 27, [&] (juce::Graphics& g)
                               { lf.drawDocumentWindowTitleBar (window, g, 400, 27, 0, 400, &icon, true); });
    const auto textColumns = drawnColumns (other, 13, background);
    ASSERT_FALSE (textColumns.isEmpty());
    EXPECT_NEAR ((textColumns.getStart() + textColumns.getEnd()) / 2, 200, 3);

    const auto withoutIcon = render (400, 27, [&] (juce::Graphics& g)
                                     { lf.drawDocumentWindowTitleBar (window, g, 400, 27, 0, 400, nullptr, true); });
    for (int y = 0; y < 27; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ (other.getPixelAt (x, y), withoutIcon.getPixelAt (x, y)) << x << ", " << y;
}

TEST_F (LookAndFeelFixture, SliderValueBubbleReadsWhileDragging)
{
    DremlorLookAndFeel lf;

    // Every text the framework draws in the tooltip text colour, on the fill it sits on.
    struct Surface { const char* what; int fill; };

    for (auto surface : { Surface { "slider value bubble", juce::BubbleComponent::backgroundColourId },
                          Surface { "tooltip", juce::TooltipWindow::backgroundColourId } })
    {
        EXPECT_GE (contrastRatio (lf.findColour (surface.fill), lf.findColour (juce::TooltipWindow::textColourId)), 4.5)
            << surface.what;
    }

    // The bubble a press on the "MIDI Buffer Delay" slider shows in its page: its
    // body holds the value's text, which stands out from the fill.
    juce::Component page;
    page.setLookAndFeel (&lf);
    page.setSize (400, 120);

    juce::Slider slider ("MIDI Buffer Delay");
    slider.setRange (0.0, 1000.0, 10.0);
    slider.setTextBoxStyle (juce::Slider::TextBoxRight, false, 56, 20);
    slider.setTextValueSuffix (" ms");
    slider.setValue (300.0, juce::dontSendNotification);
    slider.setPopupDisplayEnabled (true, false, &page);
    slider.setBounds (163, 70, 180, 24);
    page.addAndMakeVisible (slider);

    slider.mouseDown (makeMouseEvent (slider, leftButton, { 40.0f, 12.0f }));

    juce::Component* bubble = nullptr;

    for (auto* child : page.getChildren())
        if (dynamic_cast<juce::BubbleComponent*> (child) != nullptr && child->isVisible())
            bubble = child;

    ASSERT_NE (bubble, nullptr);
    ASSERT_FALSE (bubble->getBounds().isEmpty());

    const auto fill = lf.findColour (juce::BubbleComponent::backgroundColourId);
    const auto snapshot = bubble->createComponentSnapshot (bubble->getLocalBounds());
    int textPixels = 0;

    for (int y = 0; y < snapshot.getHeight(); ++y)
        for (int x = 0; x < snapshot.getWidth(); ++x)
            if (const auto pixel = snapshot.getPixelAt (x, y); pixel.getAlpha() == 0xff && contrastRatio (pixel, fill) > 3.0)
                ++textPixels;

    EXPECT_GT (textPixels, 20);

    slider.mouseUp (makeMouseEvent (slider, juce::ModifierKeys(), { 40.0f, 12.0f }));
    page.removeAllChildren();
    page.setLookAndFeel (nullptr);
}
