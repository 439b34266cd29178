#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    The program's look-and-feel: the fonts and colours of popup menus, menu bars
    and alert windows, and the title bar's gradient, title, icon and buttons, all
    read from the loaded skin by applySkin.

    The main window holds one, calls applySkin once after the default skin has
    been loaded, makes it the default look-and-feel and lets it set the window's
    icon. It turns on the framework's native alert windows; where the platform has
    none (Linux), the framework draws them with this look-and-feel, so the skin's
    alert fonts and colours show there. It must outlive every component using it.

    Everything the skin does not style (labels, text editors, sliders) keeps the
    base class's light colour scheme: dark text on light surfaces, which is what
    the skin's light pages are drawn for. Only a slider's groove is darkened to
    the scheme's outline colour, so that it shows on those pages, and the text of
    a slider's value bubble (the tooltip text colour) is dark, so that it reads on
    the bubble's light fill.
*/
class DremlorLookAndFeel  : public juce::LookAndFeel_V4
{
public:
    //==============================================================================
    /** The images, name and placement of one title-bar button. The skin fills the
        first three images; the on-state images stay empty.
    */
    struct TitleButtonImages
    {
        juce::DrawableImage up, over, down, upOn, overOn, downOn;
        juce::String name;
        int xOffset = 0;
        int y = 0;
    };

    //==============================================================================
    DremlorLookAndFeel();
    ~DremlorLookAndFeel() override;

    //==============================================================================
    /** Reads the four sections of the loaded skin, in the order popup menu, menu
        bar, alert window, title bar. A missing skin or section leaves the values
        as they are.
    */
    void applySkin();

    void readPopupMenuSkin();
    void readMenuBarSkin();
    void readAlertWindowSkin();
    void readTitlebarSkin();

    /** Gives the window the skin's title-bar icon; a null window is ignored. */
    void setWindowIcon (juce::DocumentWindow* window);

    //==============================================================================
    /** The values read from the skin, for the main window and for tests. */
    juce::Colour getPopupMenuBorderColour() const noexcept          { return popupMenuBorderColour; }
    float getPopupMenuFontSize() const noexcept                     { return popupMenuFontSize; }
    juce::Colour getMenuBarSelectedTextColour() const noexcept      { return menuBarSelectedTextColour; }
    juce::Colour getMenuBarTextColour() const noexcept              { return menuBarTextColour; }
    float getAlertTitleFontSize() const noexcept                    { return alertTitleFontSize; }
    float getAlertMessageFontSize() const noexcept                  { return alertMessageFontSize; }
    juce::Colour getTitleGradientTop() const noexcept               { return titleGradientTop; }
    juce::Colour getTitleGradientBottom() const noexcept            { return titleGradientBottom; }
    const juce::Image& getWindowIcon() const noexcept               { return windowIcon; }
    int getIconTop() const noexcept                                 { return iconTop; }
    juce::Colour getTitleColourActive() const noexcept              { return titleColourActive; }
    juce::Colour getTitleColourInactive() const noexcept            { return titleColourInactive; }
    bool hasTitleFont() const noexcept                              { return titleFont != nullptr; }
    const TitleButtonImages& getCloseButtonImages() const noexcept     { return closeButtonImages; }
    const TitleButtonImages& getMaximiseButtonImages() const noexcept  { return maximiseButtonImages; }
    const TitleButtonImages& getMinimiseButtonImages() const noexcept  { return minimiseButtonImages; }

    //==============================================================================
    juce::Font getAlertWindowMessageFont() override;
    juce::Font getAlertWindowFont() override;
    juce::Font getAlertWindowTitleFont() override;
    void drawAlertBox (juce::Graphics&, juce::AlertWindow&, const juce::Rectangle<int>& textArea,
                       juce::TextLayout&) override;

    void drawPopupMenuBackground (juce::Graphics&, int width, int height) override;
    juce::Font getPopupMenuFont() override;

    void drawMenuBarBackground (juce::Graphics&, int width, int height,
                                bool isMouseOverBar, juce::MenuBarComponent&) override;
    juce::Font getMenuBarFont (juce::MenuBarComponent&, int itemIndex, const juce::String& itemText) override;
    void drawMenuBarItem (juce::Graphics&, int width, int height,
                          int itemIndex, const juce::String& itemText,
                          bool isMouseOverItem, bool isMenuOpen, bool isMouseOverBar,
                          juce::MenuBarComponent&) override;

    void drawDocumentWindowTitleBar (juce::DocumentWindow&, juce::Graphics&, int w, int h,
                                     int titleSpaceX, int titleSpaceW,
                                     const juce::Image* icon, bool drawTitleTextOnLeft) override;
    juce::Button* createDocumentWindowButton (int buttonType) override;
    void positionDocumentWindowButtons (juce::DocumentWindow&,
                                        int titleBarX, int titleBarY, int titleBarW, int titleBarH,
                                        juce::Button* minimiseButton,
                                        juce::Button* maximiseButton,
                                        juce::Button* closeButton,
                                        bool positionTitleBarButtonsOnLeft) override;

private:
    //==============================================================================
    static const juce::XmlElement* findSkinSection (juce::StringRef tag);
    static std::unique_ptr<juce::Font> makeSkinFont (const juce::String& entryName, float height);
    static void readTitleButton (const juce::XmlElement& widget, TitleButtonImages& images);
    static juce::String getApplicationName();

    //==============================================================================
    std::unique_ptr<juce::Font> popupMenuFont;
    float popupMenuFontSize = 0.0f;
    juce::Colour popupMenuBorderColour { 0x00000000u };
    std::unique_ptr<juce::Font> menuBarFont;
    juce::Colour menuBarSelectedTextColour { 0xffffcc00u };
    juce::Colour menuBarTextColour { 0xff909090u };
    std::unique_ptr<juce::Font> alertTitleFont;
    float alertTitleFontSize = 0.0f;
    std::unique_ptr<juce::Font> alertMessageFont;
    float alertMessageFontSize = 0.0f;
    TitleButtonImages closeButtonImages, maximiseButtonImages, minimiseButtonImages;
    juce::Colour titleGradientTop { 0x00000000u };
    juce::Colour titleGradientBottom { 0x00000000u };
    juce::Image windowIcon;
    int iconTop = 0;
    std::unique_ptr<juce::Font> titleFont;
    juce::Colour titleColourActive { 0x00000000u };
    juce::Colour titleColourInactive { 0x00000000u };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DremlorLookAndFeel)
};
