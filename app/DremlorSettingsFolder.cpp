#include "app/DremlorSettings.h"

juce::File DremlorSettings::getApplicationDataFolder()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
}
