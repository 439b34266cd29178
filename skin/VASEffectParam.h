#pragma once

#include <juce_events/juce_events.h>

//==============================================================================
/**
    A parameter that a skinned widget can stand for: a change broadcaster with a
    lock of its own, a text and the parameter's numeric defaults.

    The labels of this program carry it as a base without broadcasting; the
    values are plain data guarded by the parameter's lock.
*/
class VASEffectParam  : public juce::ChangeBroadcaster
{
public:
    //==============================================================================
    VASEffectParam() = default;
    ~VASEffectParam() override = default;

    //==============================================================================
    /** The parameter's text. */
    void setParamText (const juce::String& newText);
    juce::String getParamText() const;

    /** The parameter's numeric defaults: its range and its starting value. */
    void setParamDefaults (double newMinimum, double newMaximum, double newDefault);
    double getParamMinimum() const;
    double getParamMaximum() const;
    double getParamDefault() const;

    /** The lock that guards this parameter's values. */
    juce::CriticalSection& getParamLock() noexcept       { return paramLock; }

private:
    //==============================================================================
    juce::CriticalSection paramLock;
    juce::String paramText;
    double minimum = 0.0, maximum = 1.0, defaultValue = 0.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASEffectParam)
};
