#include "skin/DremlorLookAndFeel.h"

#include "skin/SkinManager.h"
#include "skin/SkinValues.h"

DremlorLookAndFeel::DremlorLookAndFeel()
    : juce::LookAndFeel_V4 (juce::LookAndFeel_V4::getLightColourScheme())
{
    setUsingNativeAlertWindows (true);

    // The light scheme draws a slider's groove in the widget background, white,
    // which vanishes on the skin's white pages; the scheme's outline colour
    // keeps the groove visible.
    setColour (juce::Slider::backgroundColourId,
               getCurrentColourScheme().getUIColour (ColourScheme::UIColour::outline));

    // A slider's value bubble draws its text in the tooltip text colour, which the
    // light scheme makes white, on the white widget background: the value shown
    // while dragging would be invisible. Dark text reads on the bubble and on the
    // tooltips' coloured fill alike.
    setColour (juce::TooltipWindow::textColourId,
               getCurrentColourScheme().getUIColour (ColourScheme::UIColour::defaultText));
}

DremlorLookAndFeel::~DremlorLookAndFeel() = default;

//==============================================================================
void DremlorLookAndFeel::applySkin()
{
    readPopupMenuSkin();
    readMenuBarSkin();
    readAlertWindowSkin();
    readTitlebarSkin();
}

const juce::XmlElement* DremlorLookAndFeel::findSkinSection (juce::StringRef tag)
{
    auto* manager = SkinManager::getInstance();

    if (manager == nullptr || ! manager->skinLoaded || manager->skinXml == nullptr)
        return nullptr;

    return SkinValues::findChild (*manager->skinXml, tag);
}

std::unique_ptr<juce::Font> DremlorLookAndFeel::makeSkinFont (const juce::String& entryName, float height)
{
    auto* typeface = SkinManager::getFont (entryName);

    if (typeface == nullptr)
        return nullptr;

    auto font = std::make_unique<juce::Font> (juce::Typeface::Ptr (typeface));
    font->setHeight (height);
    return font;
}

void DremlorLookAndFeel::readPopupMenuSkin()
{
    const auto* section = findSkinSection ("PopupMenuSkin");

    if (section == nullptr)
        return;

    const auto& s = *section;
    setColour (juce::PopupMenu::backgroundColourId, juce::Colour (SkinValues::colourAttribute (s, "menuBackgroundColor")));
    popupMenuBorderColour = juce::Colour (SkinValues::colourAttribute (s, "menuBorderColor"));
    setColour (juce::PopupMenu::headerTextColourId, juce::Colour (SkinValues::colourAttribute (s, "fontHeaderColor")));
    setColour (juce::PopupMenu::textColourId, juce::Colour (SkinValues::colourAttribute (s, "fontColor")));
    setColour (juce::PopupMenu::highlightedBackgroundColourId, juce::Colour (SkinValues::colourAttribute (s, "itemHighlightedColor")));
    setColour (juce::PopupMenu::highlightedTextColourId, juce::Colour (SkinValues::colourAttribute (s, "fontHighlightedColor")));
    popupMenuFontSize = (float) SkinValues::doubleAttribute (s, "fontSize");
    popupMenuFont = makeSkinFont (SkinValues::getAttribute (s, "font"), popupMenuFontSize);
}

void DremlorLookAndFeel::readMenuBarSkin()
{
    const auto* section = findSkinSection ("MenuBarSkin");

    if (section == nullptr)
        return;

    const auto& s = *section;
    menuBarTextColour = juce::Colour (SkinValues::colourAttribute (s, "topLevelTextColor"));
    menuBarSelectedTextColour = juce::Colour (SkinValues::colourAttribute (s, "topLevelTextColorSelected"));
    const auto fontSize = (float) SkinValues::doubleAttribute (s, "fontSize");
    menuBarFont = makeSkinFont (SkinValues::getAttribute (s, "font"), fontSize);
}

void DremlorLookAndFeel::readAlertWindowSkin()
{
    const auto* section = findSkinSection ("AlertWindowSkin");

    if (section == nullptr)
        return;

    const auto& s = *section;
    setColour (juce::AlertWindow::backgroundColourId, juce::Colour (SkinValues::colourAttribute (s, "backgroundColor")));
    setColour (juce::AlertWindow::textColourId, juce::Colour (SkinValues::colourAttribute (s, "fontColor")));
    setColour (juce::AlertWindow::outlineColourId, juce::Colour (SkinValues::colourAttribute (s, "borderColor")));
    alertTitleFontSize = (float) SkinValues::doubleAttribute (s, "fontSize");
    alertTitleFont = makeSkinFont (SkinValues::getAttribute (s, "font"), alertTitleFontSize);
    alertMessageFontSize = (float) SkinValues::doubleAttribute (s, "msgFontSize");
    alertMessageFont = makeSkinFont (SkinValues::getAttribute (s, "msgFont"), alertMessageFontSize);
}

void DremlorLookAndFeel::readTitleButton (const juce::XmlElement& widget, TitleButtonImages& images)
{
    auto imageOf = [&widget] (juce::StringRef key)
    {
        return SkinManager::getImage (SkinValues::getAttribute (widget, key).hashCode64());
    };

    images.up.setImage (imageOf ("upImage"));
    images.over.setImage (imageOf ("overImage"));
    images.down.setImage (imageOf ("downImage"));
    images.name = SkinValues::getAttribute (widget, "toolTip");
    images.xOffset = SkinValues::clampCoordinate (SkinValues::intAttribute (widget, "positionX"));
    images.y = SkinValues::clampCoordinate (SkinValues::intAttribute (widget, "positionY"));
}

void DremlorLookAndFeel::readTitlebarSkin()
{
    const auto* section = findSkinSection ("TitlebarSkin");

    if (section == nullptr)
        return;

    titleGradientTop = juce::Colour (SkinValues::colourAttribute (*section, "gradientTop"));
    titleGradientBottom = juce::Colour (SkinValues::colourAttribute (*section, "gradientBtm"));

    for (auto* widget : section->getChildIterator())
    {
        if (! widget->getTagName().equalsIgnoreCase ("Widget"))
            continue;

        const auto name = SkinValues::getAttribute (*widget, "name");

        if (name == "vornhaltIcon")
        {
            windowIcon = SkinManager::getImage (SkinValues::getAttribute (*widget, "icon").hashCode64());
            iconTop = SkinValues::clampCoordinate (SkinValues::intAttribute (*widget, "positionY"));
            const auto fontName = SkinValues::getAttribute (*widget, "font");
            titleColourActive = juce::Colour (SkinValues::colourAttribute (*widget, "fontColorActive"));
            titleColourInactive = juce::Colour (SkinValues::colourAttribute (*widget, "fontColorInactive"));
            const auto fontSize = (float) SkinValues::doubleAttribute (*widget, "fontSize");

            // A skin without the typeface still gets its title, in the default font.
            titleFont = makeSkinFont (fontName, fontSize);

            if (titleFont == nullptr)
            {
                titleFont = std::make_unique<juce::Font>();
                titleFont->setHeight (fontSize);
            }
        }
        else if (name == "closeButton")
        {
            readTitleButton (*widget, closeButtonImages);
        }
        else if (name == "minimizeButton")
        {
            readTitleButton (*widget, minimiseButtonImages);
        }
    }
}

void DremlorLookAndFeel::setWindowIcon (juce::DocumentWindow* window)
{
    if (window != nullptr)
        window->setIcon (windowIcon);
}

//==============================================================================
juce::Font DremlorLookAndFeel::getAlertWindowMessageFont()
{
    return alertMessageFont != nullptr ? *alertMessageFont : juce::LookAndFeel_V4::getAlertWindowMessageFont();
}

juce::Font DremlorLookAndFeel::getAlertWindowFont()
{
    return alertTitleFont != nullptr ? *alertTitleFont : juce::LookAndFeel_V4::getAlertWindowFont();
}

juce::Font DremlorLookAndFeel::getAlertWindowTitleFont()
{
    // The framework titles its own alert boxes with this font; the skin's alert
    // title font serves it.
    return alertTitleFont != nullptr ? *alertTitleFont : juce::LookAndFeel_V4::getAlertWindowTitleFont();
}

void DremlorLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                                       const juce::Rectangle<int>&, juce::TextLayout& textLayout)
{
    // A plain box in the skin's alert colours: a square one-pixel border and a
    // compact icon inside the 80-pixel column that the alert window's layout
    // keeps for it, rather than the base class's oversized, clipped icon.
    const auto bounds = alert.getLocalBounds();

    g.fillAll (alert.findColour (juce::AlertWindow::backgroundColourId));
    g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
    g.drawRect (bounds, 1);

    const int iconColumn = 80;
    int textX = bounds.getX() + 1;

    if (alert.getAlertType() != juce::MessageBoxIconType::NoIcon)
    {
        const juce::Rectangle<float> iconArea (18.0f, 26.0f, 44.0f, 44.0f);
        juce::Path icon;
        juce::String symbol;
        juce::Colour colour;

        if (alert.getAlertType() == juce::MessageBoxIconType::WarningIcon)
        {
            icon.addTriangle (iconArea.getCentreX(), iconArea.getY(),
                              iconArea.getRight(), iconArea.getBottom(),
                              iconArea.getX(), iconArea.getBottom());
            icon = icon.createPathWithRoundedCorners (4.0f);
            symbol = "!";
            colour = juce::Colour (0xffd9822b);
        }
        else
        {
            icon.addEllipse (iconArea);
            symbol = alert.getAlertType() == juce::MessageBoxIconType::InfoIcon ? "i" : "?";
            colour = juce::Colour (0xff00a2ad);
        }

        g.setColour (colour);
        g.fillPath (icon);

        g.setColour (juce::Colours::white);
        g.setFont (juce::Font (iconArea.getHeight() * 0.6f, juce::Font::bold));
        g.drawText (symbol, iconArea.withTrimmedTop (iconArea.getHeight() * 0.12f), juce::Justification::centred, false);

        textX = bounds.getX() + iconColumn;
    }

    textLayout.draw (g, juce::Rectangle<int> (textX, 30, bounds.getWidth() - textX - 10,
                                              bounds.getHeight() - getAlertWindowButtonHeight() - 20).toFloat());
}

//==============================================================================
void DremlorLookAndFeel::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    g.fillAll (findColour (juce::PopupMenu::backgroundColourId));

    g.setColour (popupMenuBorderColour);
    g.drawRect (0, 0, width, height, 1);

    g.setColour (findColour (juce::PopupMenu::textColourId).withAlpha (0.6f));
    g.drawRect (0, 0, width, height, 1);
}

juce::Font DremlorLookAndFeel::getPopupMenuFont()
{
    return popupMenuFont != nullptr ? *popupMenuFont : juce::LookAndFeel_V4::getPopupMenuFont();
}

void DremlorLookAndFeel::drawMenuBarBackground (juce::Graphics& g, int, int, bool, juce::MenuBarComponent&)
{
    g.fillAll (juce::Colour (0x00000000u));
}

juce::Font DremlorLookAndFeel::getMenuBarFont (juce::MenuBarComponent& menuBar, int itemIndex, const juce::String& itemText)
{
    return menuBarFont != nullptr ? *menuBarFont
                                  : juce::LookAndFeel_V4::getMenuBarFont (menuBar, itemIndex, itemText);
}

void DremlorLookAndFeel::drawMenuBarItem (juce::Graphics& g, int width, int height,
                                          int itemIndex, const juce::String& itemText,
                                          bool isMouseOverItem, bool isMenuOpen, bool,
                                          juce::MenuBarComponent& menuBar)
{
    juce::Colour textColour;

    if (! menuBar.isEnabled())
    {
        textColour = menuBar.findColour (juce::PopupMenu::textColourId).withMultipliedAlpha (0.5f);
    }
    else if (isMenuOpen || isMouseOverItem)
    {
        g.fillAll (menuBar.findColour (juce::PopupMenu::highlightedBackgroundColourId));
        textColour = menuBarSelectedTextColour;
    }
    else
    {
        textColour = menuBarTextColour;
    }

    g.setColour (textColour);
    g.setFont (getMenuBarFont (menuBar, itemIndex, itemText));
    g.drawFittedText (itemText, 0, 0, width, height, juce::Justification::centred, 1, 0.7f);
}

//==============================================================================
juce::String DremlorLookAndFeel::getApplicationName()
{
    if (auto* app = juce::JUCEApplicationBase::getInstance())
        return app->getApplicationName();

    return {};
}

void DremlorLookAndFeel::drawDocumentWindowTitleBar (juce::DocumentWindow& window, juce::Graphics& g,
                                                     int, int h, int, int,
                                                     const juce::Image* icon, bool)
{
    const bool active = window.isActiveWindow();

    auto top = titleGradientTop;
    auto bottom = titleGradientBottom;

    if (! active)
    {
        top = top.contrasting (0.15f);
        bottom = bottom.contrasting (0.15f);
    }

    g.setGradientFill (juce::ColourGradient (top, 0.0f, 0.0f, bottom, 0.0f, (float) h, false));
    g.fillAll();

    if (titleFont == nullptr)
        return;

    g.setFont (*titleFont);
    g.setColour (active ? titleColourActive : titleColourInactive);

    const auto applicationName = getApplicationName();
    const auto textWidth = juce::roundToInt (titleFont->getStringWidthFloat (applicationName));
    const auto windowWidth = window.getWidth();
    const bool isMainWindow = applicationName.isNotEmpty() && window.getName() == applicationName;

    if (isMainWindow)
        g.drawText (applicationName, 15, 0, windowWidth, h, juce::Justification::centred, true);
    else
        g.drawText (window.getName(), 0, 0, windowWidth, h, juce::Justification::centred, true);

    if (icon != nullptr && isMainWindow)
    {
        g.setOpacity (active ? 1.0f : 0.6f);
        g.drawImageWithin (*icon,
                           (windowWidth - textWidth - icon->getWidth()) / 2, iconTop,
                           icon->getWidth(), icon->getHeight(),
                           juce::RectanglePlacement::centred | juce::RectanglePlacement::doNotResize);
    }
}

juce::Button* DremlorLookAndFeel::createDocumentWindowButton (int buttonType)
{
    const TitleButtonImages* set = nullptr;

    if (buttonType == juce::DocumentWindow::closeButton)
        set = &closeButtonImages;
    else if (buttonType == juce::DocumentWindow::minimiseButton)
        set = &minimiseButtonImages;
    else if (buttonType == juce::DocumentWindow::maximiseButton)
        set = &maximiseButtonImages;

    if (set == nullptr)
        return juce::LookAndFeel_V4::createDocumentWindowButton (buttonType);

    // The document window takes ownership of the button it asked for.
    auto* button = new juce::DrawableButton (set->name, juce::DrawableButton::ImageRaw);

    if (buttonType == juce::DocumentWindow::maximiseButton)
        button->setImages (&set->up, &set->over, &set->down, &set->down,
                           &set->upOn, &set->overOn, &set->downOn, nullptr);
    else
        button->setImages (&set->up, &set->over, &set->down, &set->down,
                           &set->up, &set->over, &set->down, nullptr);

    return button;
}

void DremlorLookAndFeel::positionDocumentWindowButtons (juce::DocumentWindow&,
                                                        int, int, int titleBarW, int,
                                                        juce::Button* minimiseButton,
                                                        juce::Button* maximiseButton,
                                                        juce::Button* closeButton,
                                                        bool)
{
    auto place = [titleBarW] (juce::Button* button, const TitleButtonImages& set)
    {
        if (button != nullptr)
            button->setBounds (titleBarW + set.xOffset, set.y,
                               set.up.getImage().getWidth(), set.up.getImage().getHeight());
    };

    place (closeButton, closeButtonImages);
    place (maximiseButton, maximiseButtonImages);
    place (minimiseButton, minimiseButtonImages);
}
