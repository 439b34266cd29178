#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/**
    A small numeric entry: a text editor that takes up to three digits, with an
    increment and a decrement image button beside it, stepping within a minimum
    and a maximum.

    It starts inactive under three transparent overlays; a press on an overlay
    activates it (and on a button's overlay steps at once). It tells its owner by
    an asynchronous change message when it was activated or when the user ended
    typing with Return or Escape; lastAction says which. The owner sets its size.
    Message thread only.
*/
class VASSpinControl  : public juce::Component,
                        public juce::ChangeBroadcaster,
                        public juce::TextEditor::Listener,
                        public juce::Button::Listener
{
public:
    //==============================================================================
    VASSpinControl (int minimum, int maximum, const juce::String& initialText);
    ~VASSpinControl() override;

    //==============================================================================
    /** The editor's text read as by atoi: its leading digits, 0 when there are none. */
    int getValue() const;

    /** One step up (down); does nothing at the maximum (minimum). Typed text is not
        clamped, only stepping respects the limits.
    */
    void increment();
    void decrement();

    /** Enables or disables the editor and the buttons; the overlays show exactly
        while inactive.
    */
    void setActive (bool shouldBeActive);

    /** Lets the editor take keyboard focus and gives it the focus. */
    void grabEditorFocus();

    /** What the last change message was about: -1 none yet, 0 activated by a press
        on an overlay, 1 Return or Escape pressed in the editor. Read it in the
        change-listener callback.
    */
    int lastAction = -1;

    /** The editor's width, which is also the x of the button column. */
    int editorWidth = 33;

    //==============================================================================
    /** The children, for owners that style them and for tests. */
    juce::TextEditor& getEditor() noexcept                   { return *editor; }
    juce::ImageButton& getIncrementButton() noexcept         { return *incrementButton; }
    juce::ImageButton& getDecrementButton() noexcept         { return *decrementButton; }
    juce::Label& getEditorOverlay() noexcept                 { return *editorOverlay; }
    juce::Label& getIncrementOverlay() noexcept              { return *incrementOverlay; }
    juce::Label& getDecrementOverlay() noexcept              { return *decrementOverlay; }

    //==============================================================================
    void buttonClicked (juce::Button* button) override;
    void textEditorReturnKeyPressed (juce::TextEditor&) override;
    void textEditorEscapeKeyPressed (juce::TextEditor&) override;
    void mouseDown (const juce::MouseEvent& event) override;

private:
    //==============================================================================
    void configureStepButton (juce::ImageButton& button, juce::StringRef upImageName,
                              juce::StringRef downImageName);
    void finishTyping();

    std::unique_ptr<juce::ImageButton> incrementButton, decrementButton;
    std::unique_ptr<juce::TextEditor> editor;
    std::unique_ptr<juce::Label> editorOverlay, incrementOverlay, decrementOverlay;

    int minimum = 0, maximum = 0;
    juce::String initialText;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASSpinControl)
};
