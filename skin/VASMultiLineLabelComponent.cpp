#include "skin/VASMultiLineLabelComponent.h"

VASMultiLineLabelComponent::VASMultiLineLabelComponent (int x, int y, int width, int height,
                                                        const juce::String& componentName,
                                                        const juce::String& text,
                                                        juce::Colour backgroundColour,
                                                        juce::Colour textColour)
    : juce::TextEditor (juce::String(), 0)
{
    requestedWidth = width;
    requestedHeight = height;

    // Highlight and shadow take the background colour, so a selection never shows.
    setColour (juce::TextEditor::textColourId, textColour);
    setColour (juce::TextEditor::highlightedTextColourId, textColour);
    setColour (juce::TextEditor::backgroundColourId, backgroundColour);
    setColour (juce::TextEditor::highlightColourId, backgroundColour);
    setColour (juce::TextEditor::shadowColourId, backgroundColour);

    setName (componentName);
    setBounds (x, y, width, height);

    setMultiLine (true, true);
    setReadOnly (true);
    setCaretVisible (false);
    setMouseCursor (juce::MouseCursor::NormalCursor);

    setText (text, juce::dontSendNotification);
}

VASMultiLineLabelComponent::~VASMultiLineLabelComponent() = default;

//==============================================================================
void VASMultiLineLabelComponent::mouseDown (const juce::MouseEvent&)
{
}

void VASMultiLineLabelComponent::mouseMove (const juce::MouseEvent&)
{
}

void VASMultiLineLabelComponent::mouseEnter (const juce::MouseEvent&)
{
}

void VASMultiLineLabelComponent::mouseExit (const juce::MouseEvent&)
{
}
