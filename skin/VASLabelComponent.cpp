#include "skin/VASLabelComponent.h"

#include "skin/SkinManager.h"

VASLabelComponent::VASLabelComponent (int x, int y, int width, int height,
                                      const juce::String& componentName,
                                      const juce::String& labelText,
                                      const juce::String& fontName,
                                      float newFontHeight,
                                      juce::Colour textColour,
                                      juce::Justification justification)
    : juce::Label (juce::String(), juce::String())
{
    setSkinScale (1.0);
    setSkinGeometry (0, 0, 0, 0);

    setName (componentName);
    setText (labelText, juce::dontSendNotification);

    fontHeight = newFontHeight;
    requestedWidth = width;
    requestedHeight = height;
    setColour (juce::Label::textColourId, textColour);

    // Without a font name the label keeps the look-and-feel's default font, and
    // the given height is not applied either.
    if (fontName.isNotEmpty())
    {
        if (auto* typeface = SkinManager::getFont (fontName))
            labelFont = std::make_unique<juce::Font> (juce::Typeface::Ptr (typeface));
        else
            labelFont = std::make_unique<juce::Font>();

        labelFont->setHeight (fontHeight);
        setFont (*labelFont);
    }

    setJustificationType (justification);
    setSize (width, height);
    setTopLeftPosition (x, y);
}

VASLabelComponent::~VASLabelComponent() = default;

//==============================================================================
void VASLabelComponent::mouseDown (const juce::MouseEvent&)
{
}

void VASLabelComponent::mouseEnter (const juce::MouseEvent&)
{
    pointerOver = true;
}

void VASLabelComponent::mouseExit (const juce::MouseEvent&)
{
    pointerOver = false;
}
