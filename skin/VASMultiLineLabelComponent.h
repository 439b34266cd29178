#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    A read-only block of wrapped text with a background and a text colour, for
    longer texts such as instructions and release notes.

    It shows no caret and no selection, and ignores presses (so neither a caret
    nor the editor's context menu appears); the wheel still scrolls long text.
    Message thread only.
*/
class VASMultiLineLabelComponent  : public juce::TextEditor
{
public:
    //==============================================================================
    VASMultiLineLabelComponent (int x, int y, int width, int height,
                                const juce::String& componentName,
                                const juce::String& text,
                                juce::Colour backgroundColour,
                                juce::Colour textColour);

    ~VASMultiLineLabelComponent() override;

    //==============================================================================
    int getRequestedWidth() const noexcept      { return requestedWidth; }
    int getRequestedHeight() const noexcept     { return requestedHeight; }

    //==============================================================================
    /** Presses, moves, entries and exits are ignored. */
    void mouseDown (const juce::MouseEvent&) override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;

private:
    //==============================================================================
    int requestedWidth = 0, requestedHeight = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASMultiLineLabelComponent)
};
