#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <map>

//==============================================================================
/**
    Acts on the framework's modal DialogWindows during a test, as ModalBoxAnswerer
    does for message boxes.

    While it exists it watches the modal components from a timer (which also runs
    inside the modal loop a dialog starts). Each DialogWindow whose title has an
    action registered with onDialog gets that action once, when it is first seen;
    every window seen is counted by title. Message thread only.
*/
class DialogWindowAnswerer  : private juce::Timer
{
public:
    DialogWindowAnswerer();
    ~DialogWindowAnswerer() override;

    /** What to do with each dialog of this title when it appears. */
    void onDialog (const juce::String& title, std::function<void (juce::DialogWindow&)> action);

    /** How many dialogs of this title appeared so far. */
    int countShown (const juce::String& title) const;

    /** Clicks the child button of this component name inside the dialog, as a user would. */
    static bool clickButton (juce::DialogWindow& dialog, const juce::String& buttonName);

    /** Renders the dialog into a PNG file; false when it could not be written. */
    static bool saveSnapshot (juce::Component& component, const juce::File& file);

private:
    void timerCallback() override;

    std::map<juce::String, std::function<void (juce::DialogWindow&)>> actions;
    std::map<juce::String, int> shown;
    juce::Array<juce::Component::SafePointer<juce::DialogWindow>> seen;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DialogWindowAnswerer)
};
