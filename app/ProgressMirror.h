#pragma once

#include <juce_events/juce_events.h>

#include <functional>

//==============================================================================
/**
    A plain double that follows a value written by other threads, for a
    juce::ProgressBar (which reads a double& on its own timer).

    The sender's progress is written by its timer and by the receive thread, so it
    is an atomic; this copies it on the message thread every 40 ms into a double
    that only the message thread touches.
*/
class ProgressMirror  : private juce::Timer
{
public:
    /** source is called on the message thread and returns the current value. */
    explicit ProgressMirror (std::function<double()> source = {});
    ~ProgressMirror() override;

    /** Changes where the value comes from and takes it at once. */
    void setSource (std::function<double()> newSource);

    /** The value the progress bar reads. */
    double& getValue() noexcept       { return value; }

private:
    void timerCallback() override;

    std::function<double()> source;
    double value = 0.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProgressMirror)
};
