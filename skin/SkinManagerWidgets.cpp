// The widget factories of SkinManager: a skin "Widget" element becomes a
// ready VASDrawableButton or VASLabelComponent.

#include "skin/SkinManager.h"

#include "skin/SkinValues.h"
#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"

namespace
{
    // A drawing of the skin image named by the attribute, or none when the
    // attribute is empty. A name the skin lacks gives the fallback image.
    std::unique_ptr<juce::Drawable> makeImageDrawable (const juce::XmlElement& widget, juce::StringRef key)
    {
        const auto name = SkinValues::getAttribute (widget, key);

        if (name.isEmpty())
            return nullptr;

        auto drawable = std::make_unique<juce::DrawableImage>();
        drawable->setImage (SkinManager::getImage (name.hashCode64()));
        return drawable;
    }
}

//==============================================================================
std::unique_ptr<VASDrawableButton> SkinManager::createButton (const juce::XmlElement* widget,
                                                              const juce::String& componentName)
{
    if (widget == nullptr)
        return nullptr;

    const auto& w = *widget;
    const auto toolTip = SkinValues::getAttribute (w, "toolTip");
    const auto x = SkinValues::clampCoordinate (SkinValues::intAttribute (w, "positionX"));
    const auto y = SkinValues::clampCoordinate (SkinValues::intAttribute (w, "positionY"));
    const auto labelRectText = SkinValues::getAttribute (w, "labelTextRect");

    auto up = makeImageDrawable (w, "upImage");
    auto over = makeImageDrawable (w, "overImage");
    auto down = makeImageDrawable (w, "downImage");

    // States without a key of their own borrow a neighbour's drawing.
    const juce::Drawable* normal = up.get();
    const juce::Drawable* overState = over.get();
    const juce::Drawable* downState = down.get();
    const juce::Drawable* disabled = down.get();
    const juce::Drawable* normalOn = up.get();
    const juce::Drawable* overOn = over.get();
    const juce::Drawable* downOn = down.get();
    const juce::Drawable* disabledOn = nullptr;

    auto disabledImage = makeImageDrawable (w, "disabledImage");
    auto upOnImage = makeImageDrawable (w, "upImageOn");
    auto overOnImage = makeImageDrawable (w, "overImageOn");
    auto downOnImage = makeImageDrawable (w, "downImageOn");
    auto disabledOnImage = makeImageDrawable (w, "disabledImageOn");

    if (disabledImage != nullptr)    disabled = disabledImage.get();
    if (upOnImage != nullptr)        normalOn = upOnImage.get();
    if (overOnImage != nullptr)      overOn = overOnImage.get();
    if (downOnImage != nullptr)      downOn = downOnImage.get();
    if (disabledOnImage != nullptr)  disabledOn = disabledOnImage.get();

    auto button = std::make_unique<VASDrawableButton> (componentName);
    button->setImages (normal, overState, downState, disabled, normalOn, overOn, downOn, disabledOn);

    if (toolTip.isNotEmpty())
        button->setTooltip (toolTip);

    const auto upSize = up != nullptr ? up->getDrawableBounds().getSmallestIntegerContainer()
                                      : juce::Rectangle<int>();
    button->setBounds (x, y, upSize.getWidth(), upSize.getHeight());

    if (labelRectText.isNotEmpty())
    {
        const auto rect = SkinValues::parseRectangle (labelRectText);
        const auto justification = SkinValues::parseJustification (SkinValues::getAttribute (w, "labelTextJustify"));
        const auto fontHeight = (float) SkinValues::doubleAttribute (w, "labelFontSize");
        const juce::Colour colour (SkinValues::colourAttribute (w, "labelFontColor"));

        std::unique_ptr<juce::Font> font;

        if (auto* typeface = getFont (SkinValues::getAttribute (w, "labelFont")))
            font = std::make_unique<juce::Font> (juce::Typeface::Ptr (typeface));

        button->applySkin (SkinValues::clampCoordinate (rect.getX()), SkinValues::clampCoordinate (rect.getY()),
                           SkinValues::clampCoordinate (rect.getWidth()), SkinValues::clampCoordinate (rect.getHeight()),
                           justification, font.get(), colour, fontHeight);
    }

    button->leftClicksEnabled = true;
    button->rightClicksEnabled = false;
    return button;
}

//==============================================================================
std::unique_ptr<VASLabelComponent> SkinManager::createLabel (const juce::XmlElement* widget,
                                                             const juce::String& componentName)
{
    if (widget == nullptr)
        return nullptr;

    const auto& w = *widget;
    const auto backgroundText = SkinValues::getAttribute (w, "backgroundColor");

    auto label = std::make_unique<VASLabelComponent> (
        SkinValues::clampCoordinate (SkinValues::intAttribute (w, "positionX")),
        SkinValues::clampCoordinate (SkinValues::intAttribute (w, "positionY")),
        juce::jmax (0, SkinValues::clampCoordinate (SkinValues::intAttribute (w, "width"))),
        juce::jmax (0, SkinValues::clampCoordinate (SkinValues::intAttribute (w, "height"))),
        componentName,
        juce::String(),
        SkinValues::getAttribute (w, "font"),
        (float) SkinValues::doubleAttribute (w, "fontSize"),
        juce::Colour (SkinValues::colourAttribute (w, "fontColor")),
        SkinValues::parseJustification (SkinValues::getAttribute (w, "textJustify")));

    if (backgroundText.isNotEmpty())
        label->setColour (juce::Label::backgroundColourId, juce::Colour (SkinValues::parseColour (backgroundText)));

    return label;
}
