#pragma once

#include "app/DremlorDialog.h"
#include "devicelink/VASMidiProcessing.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

//==============================================================================
/**
    Plays the user in front of the send dialog: each time the dialog is shown
    modally, it records the window's title and runs the test's action (by default a
    press on "Send"). While a send is being polled it also runs the poll as soon as
    the sender has ended, so that a test does not wait for the poll's full second.
*/
class SendDialogUser  : private juce::Timer
{
public:
    explicit SendDialogUser (DremlorDialog& dialogToUse) : dialog (dialogToUse)    { startTimer (5); }
    ~SendDialogUser() override                                                      { stopTimer(); }

    /** What the user does in the shown dialog; unset presses "Send". */
    std::function<void (DremlorDialog&)> onShown;

    /** Runs the send poll as soon as the sender has ended instead of on its timer. */
    bool pollsEarly = true;

    juce::StringArray titles;

private:
    void timerCallback() override
    {
        auto* window = dynamic_cast<juce::DialogWindow*> (juce::Component::getCurrentlyModalComponent());

        if (window != nullptr && window != answered.getComponent() && dialog.sendDialog != nullptr
             && window->getContentComponent() == dialog.sendDialog.get())
        {
            answered = window;
            titles.add (window->getName());

            if (onShown != nullptr)
                onShown (dialog);
            else
                dialog.buttonClicked (dialog.sendButton.get());
        }

        auto* processing = VASMidiProcessing::getInstance();

        if (pollsEarly && processing != nullptr && dialog.isTimerRunning (DremlorDialog::sendPollTimer)
             && dialog.updateThread != nullptr
             && dialog.updateThread->getOutcome() != UpdateHardware::Outcome::pending
             && processing->getSender().getState() != SendState::running)
            dialog.pollSend();
    }

    DremlorDialog& dialog;

    // Cleared when that window is deleted: the next dialog's window may be built at
    // the same address and must still be answered.
    juce::Component::SafePointer<juce::Component> answered;
};
