#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <deque>
#include <functional>

//==============================================================================
/**
    Plays a user's part on a page that runs modally (a sub-dialog that blocks in its
    own modal loop until it is closed): a list of steps, each waiting until its
    condition holds and then acting, e.g. clicking the page's buttons.

    The steps run from a timer on the message thread, so they also run inside the
    modal loop. When a step waits longer than the time-out, the script gives up: it
    drops the steps left and closes every modal component, so the test goes on and
    fails on hasTimedOut() instead of hanging.

    Message thread only.
*/
class ModalPageScript  : private juce::Timer
{
public:
    explicit ModalPageScript (int stepTimeoutMs = 10000);
    ~ModalPageScript() override;

    /** Adds a step: once ready() is true, action() runs; then the next step waits. */
    ModalPageScript& then (std::function<bool()> ready, std::function<void()> action);

    /** Adds a step that acts as soon as the step before it has run. */
    ModalPageScript& then (std::function<void()> action);

    /** True when every step has run. */
    bool isFinished() const noexcept            { return steps.empty(); }

    /** True when a step waited too long and the script gave up. */
    bool hasTimedOut() const noexcept           { return timedOut; }

    /** How many steps have run. */
    int getNumStepsDone() const noexcept        { return stepsDone; }

private:
    struct Step
    {
        std::function<bool()> ready;
        std::function<void()> action;
    };

    void timerCallback() override;

    std::deque<Step> steps;
    const int stepTimeoutMs;
    juce::uint32 waitingSince = 0;
    int stepsDone = 0;
    bool timedOut = false;
    bool acting = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ModalPageScript)
};
