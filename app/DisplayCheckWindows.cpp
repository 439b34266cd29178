#include "app/DisplayCheck.h"

// A Windows program always starts on the user's desktop: there is no display to
// look for, and the framework creates its windows there.
juce::String DisplayCheck::findProblem()
{
    return {};
}
