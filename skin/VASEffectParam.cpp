#include "skin/VASEffectParam.h"

void VASEffectParam::setParamText (const juce::String& newText)
{
    const juce::ScopedLock sl (paramLock);
    paramText = newText;
}

juce::String VASEffectParam::getParamText() const
{
    const juce::ScopedLock sl (paramLock);
    return paramText;
}

void VASEffectParam::setParamDefaults (double newMinimum, double newMaximum, double newDefault)
{
    const juce::ScopedLock sl (paramLock);
    minimum = newMinimum;
    maximum = newMaximum;
    defaultValue = newDefault;
}

double VASEffectParam::getParamMinimum() const
{
    const juce::ScopedLock sl (paramLock);
    return minimum;
}

double VASEffectParam::getParamMaximum() const
{
    const juce::ScopedLock sl (paramLock);
    return maximum;
}

double VASEffectParam::getParamDefault() const
{
    const juce::ScopedLock sl (paramLock);
    return defaultValue;
}
