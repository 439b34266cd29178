#include "WindowMinimiser.h"

bool WindowMinimiser::minimise (juce::ResizableWindow& window)
{
    window.setMinimised (true);
    return window.getPeer() != nullptr;
}
