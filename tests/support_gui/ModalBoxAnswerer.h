#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <deque>
#include <functional>
#include <vector>

//==============================================================================
/**
    Answers the framework's modal message boxes during a test.

    While it exists it watches the modal components (from a timer, so it also runs
    inside the modal loop that a box starts) and, for each AlertWindow that appears,
    records its title, message, icon and button texts and then clicks one of its
    buttons: the next text queued with pressNext, or the first button when nothing
    is queued. The box is the real AlertWindow, clicked the way a user would.

    Message thread only.
*/
class ModalBoxAnswerer  : private juce::Timer
{
public:
    /** What one box showed and which button was pressed. */
    struct Box
    {
        juce::String title, message;
        juce::MessageBoxIconType icon = juce::MessageBoxIconType::NoIcon;
        juce::StringArray buttons;
        juce::String pressed;
    };

    ModalBoxAnswerer();
    ~ModalBoxAnswerer() override;

    //==============================================================================
    /** Queues the text of the button to press in the next box. */
    void pressNext (const juce::String& buttonText);

    /** Every box seen so far, in order. */
    const std::vector<Box>& getBoxes() const noexcept      { return boxes; }

    /** The number of boxes seen so far. */
    int getNumBoxes() const noexcept                       { return (int) boxes.size(); }

    /** The last box seen; a default Box when none was shown. */
    Box getLastBox() const;

    /** Called with each box as it is seen, before its button is pressed: lets a test
        change the world while the user is "reading" the box.
    */
    std::function<void (const Box&)> onBoxShown;

    /** Forgets the boxes seen so far. */
    void clear()                                           { boxes.clear(); }

private:
    void timerCallback() override;
    void answer (juce::AlertWindow& window);

    std::vector<Box> boxes;
    std::deque<juce::String> answers;
    juce::Array<juce::Component::SafePointer<juce::AlertWindow>> answered;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ModalBoxAnswerer)
};
