#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    A stand-in for the program's main dialog, for looking at the default skin:
    the same widgets at the same places with the same skin images, texts and
    colours, filled with sample values instead of a live device.
*/
class PreviewMainDialog  : public juce::Component
{
public:
    //==============================================================================
    /** Which page to show, and whether it shows a transfer in progress (device
        and ports chosen, a file or folder chosen, progress under way) or the
        state right after start-up. */
    PreviewMainDialog (bool sendPage, bool transferUnderway);
    ~PreviewMainDialog() override;

    void paint (juce::Graphics& g) override;

private:
    //==============================================================================
    juce::ImageButton& addImageButton (const juce::String& name, juce::Rectangle<int> bounds,
                                       const char* normal, const char* over, const char* down);
    juce::Label& addLabel (const juce::String& name, juce::Rectangle<int> bounds,
                           const juce::String& text, juce::Justification justification);
    void addDropdown (const juce::String& name, juce::Rectangle<int> bounds, bool blackBackground);

    template <typename ComponentType>
    ComponentType* own (ComponentType* component)
    {
        widgets.add (component);
        return component;
    }

    juce::Image background;
    juce::OwnedArray<juce::Component> widgets;
    double progress = 0.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PreviewMainDialog)
};
