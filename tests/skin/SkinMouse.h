#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

//==============================================================================
/** A synthetic mouse event on a component, holding these mouse buttons. */
inline juce::MouseEvent makeMouseEvent (juce::Component& target, juce::ModifierKeys mods,
                                        juce::Point<float> position = { 2.0f, 2.0f })
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                             &target, &target, now, position, now, 1, false);
}

inline const juce::ModifierKeys leftButton   { juce::ModifierKeys::leftButtonModifier };
inline const juce::ModifierKeys rightButton  { juce::ModifierKeys::rightButtonModifier };
inline const juce::ModifierKeys middleButton { juce::ModifierKeys::middleButtonModifier };
