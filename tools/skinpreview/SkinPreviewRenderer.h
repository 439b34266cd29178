#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    Renders the default skin's controls into PNG files for a designer to look at:
    the main window on both pages, every image button in all its states, the
    spin control and labels, the update dialog's two pages, a popup menu and an
    alert box, all drawn by the skinned look-and-feel.

    The skin must be loaded and the look-and-feel made the default before the
    renderer runs; it must run on the message thread with a display (Xvfb will do).
*/
class SkinPreviewRenderer
{
public:
    //==============================================================================
    /** Writes the previews into outputFolder, which is created when missing. */
    explicit SkinPreviewRenderer (const juce::File& outputFolder);

    /** Renders every preview; returns the names of the files that could not be written. */
    juce::StringArray renderAll();

private:
    //==============================================================================
    bool save (const juce::String& fileName, const juce::Image& image);

    juce::Image mainWindow (bool sendPage, bool transferUnderway);
    juce::Image buttonStates();
    juce::Image smallControls();
    juce::Image updateInfoPage();
    juce::Image updateProgressPage();
    juce::Image popupMenu();
    juce::Image alertBox();

    juce::File folder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SkinPreviewRenderer)
};
