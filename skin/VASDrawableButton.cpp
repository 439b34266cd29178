#include "skin/VASDrawableButton.h"

VASDrawableButton::VASDrawableButton (const juce::String& componentName)
    : juce::DrawableButton (componentName, juce::DrawableButton::ImageStretched)
{
}

VASDrawableButton::~VASDrawableButton()
{
    label.reset();
}

//==============================================================================
bool VASDrawableButton::passesMouseFilter (const juce::ModifierKeys& mods) const noexcept
{
    if (leftClicksEnabled && rightClicksEnabled)
        return true;

    if (leftClicksEnabled && mods.isLeftButtonDown())
        return true;

    return rightClicksEnabled && mods.isRightButtonDown();
}

void VASDrawableButton::mouseDown (const juce::MouseEvent& event)
{
    if (passesMouseFilter (event.mods))
        juce::DrawableButton::mouseDown (event);
}

void VASDrawableButton::mouseDrag (const juce::MouseEvent& event)
{
    if (passesMouseFilter (event.mods))
        juce::DrawableButton::mouseDrag (event);
}

void VASDrawableButton::mouseUp (const juce::MouseEvent& event)
{
    if (passesMouseFilter (event.mods))
        juce::DrawableButton::mouseUp (event);
}

void VASDrawableButton::focusGained (FocusChangeType cause)
{
    // A click that the filter drops must not show the button pressed.
    if (cause == focusChangedByMouseClick
         && ! passesMouseFilter (juce::ModifierKeys::getCurrentModifiers()))
    {
        setState (buttonOver);
        repaint();
        return;
    }

    juce::DrawableButton::focusGained (cause);
}

void VASDrawableButton::clicked (const juce::ModifierKeys& modifiers)
{
    juce::DrawableButton::clicked (modifiers);
}

//==============================================================================
void VASDrawableButton::applySkin (int x, int y, int width, int height,
                                   juce::Justification justification,
                                   const juce::Font* font,
                                   juce::Colour textColour,
                                   float fontHeight)
{
    if (width == 0)
        width = getWidth();

    if (height == 0)
        height = getHeight();

    if (label == nullptr)
    {
        label = std::make_unique<juce::Label> ("label", juce::String());
        label->setInterceptsMouseClicks (false, false);
        label->setAlwaysOnTop (true);
        addAndMakeVisible (*label);
    }

    label->setBounds (x, y, juce::jmax (0, width), juce::jmax (0, height));
    labelBounds = label->getBounds();

    juce::Font labelFont = font != nullptr ? *font : juce::Font();
    labelFontHeight = fontHeight;
    labelFont.setHeight (fontHeight);
    label->setFont (labelFont);

    label->setJustificationType (justification);
    label->setColour (juce::Label::textColourId, textColour);
}
