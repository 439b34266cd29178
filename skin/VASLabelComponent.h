#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "skin/VASEffectParam.h"
#include "skin/VASResizableComponent.h"

//==============================================================================
/**
    A one-line text label with its typeface, height, colour, justification and
    geometry fixed at construction, either by a dialog layout or by
    SkinManager::createLabel from a skin "Widget" element.

    Its typeface is a skin typeface named by its archive entry; with an empty name
    the label keeps the look-and-feel's default font. Clicks on it do nothing.
    Message thread only.
*/
class VASLabelComponent  : public juce::Label,
                           public VASResizableComponent,
                           public VASEffectParam
{
public:
    //==============================================================================
    /** Builds the label at (x, y) with the given size. The font name is a ".stf"
        entry of the skin (for example "_bgp_b.stf") or empty; a name the skin does
        not hold gets the skin's "_missing_font.stf" typeface.
    */
    VASLabelComponent (int x, int y, int width, int height,
                       const juce::String& componentName,
                       const juce::String& labelText,
                       const juce::String& fontName,
                       float fontHeight,
                       juce::Colour textColour,
                       juce::Justification justification);

    ~VASLabelComponent() override;

    //==============================================================================
    /** The font height given at construction (applied only with a font name). */
    float getRequestedFontHeight() const noexcept       { return fontHeight; }
    int getRequestedWidth() const noexcept              { return requestedWidth; }
    int getRequestedHeight() const noexcept             { return requestedHeight; }

    /** True while the pointer is over the label. */
    bool isPointerOver() const noexcept                 { return pointerOver; }

    //==============================================================================
    /** Presses do nothing: the label is display only. */
    void mouseDown (const juce::MouseEvent&) override;
    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;

private:
    //==============================================================================
    float fontHeight = 0.0f;
    int requestedWidth = 0, requestedHeight = 0;
    std::unique_ptr<juce::Font> labelFont;
    bool pointerOver = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASLabelComponent)
};
