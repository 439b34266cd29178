#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "skin/VASResizableComponent.h"

//==============================================================================
/**
    A button described by a skin: eight state images (normal, over, down,
    disabled, each also toggled on), an optional text label on top, and a filter
    that lets only chosen mouse buttons operate it.

    SkinManager::createButton builds it from a skin "Widget" element and enables
    left clicks only. A filtered press, drag or release never reaches the
    framework button, so it neither changes state nor clicks. Message thread only.
*/
class VASDrawableButton  : public juce::DrawableButton,
                           public VASResizableComponent
{
public:
    //==============================================================================
    /** Creates the button with both mouse buttons enabled and no label. */
    explicit VASDrawableButton (const juce::String& componentName);

    ~VASDrawableButton() override;

    //==============================================================================
    /** Creates or updates the label on the button. A width or height of 0 in the
        rectangle means the button's width or height. Without a font the framework's
        default font is used, at the given height.
    */
    void applySkin (int x, int y, int width, int height,
                    juce::Justification justification,
                    const juce::Font* font,
                    juce::Colour textColour,
                    float fontHeight);

    /** The label applied by applySkin, or nullptr before that. */
    juce::Label* getLabel() const noexcept      { return label.get(); }

    /** The label's bounds as stored by the last applySkin. */
    juce::Rectangle<int> getLabelBounds() const noexcept    { return labelBounds; }

    /** The label's font height (10.0 until a label is applied). */
    float getLabelFontHeight() const noexcept   { return labelFontHeight; }

    //==============================================================================
    /** Which mouse buttons may operate the button; both are true at construction. */
    bool leftClicksEnabled = true;
    bool rightClicksEnabled = true;

    /** True when the filter lets an event holding these mouse buttons through. */
    bool passesMouseFilter (const juce::ModifierKeys& mods) const noexcept;

    //==============================================================================
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void focusGained (FocusChangeType cause) override;

protected:
    void clicked (const juce::ModifierKeys& modifiers) override;

private:
    //==============================================================================
    std::unique_ptr<juce::Label> label;
    juce::Rectangle<int> labelBounds;
    float labelFontHeight = 10.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASDrawableButton)
};
