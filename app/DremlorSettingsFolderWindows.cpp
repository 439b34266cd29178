#include "app/DremlorSettings.h"

#include "text/EnvironmentText.h"

juce::File DremlorSettings::getApplicationDataFolder()
{
    // The framework asks the shell for the roaming application-data folder, which
    // never looks at the process's environment. %APPDATA% names that same folder and
    // is always set on Windows; following it lets a process of its own (a test) keep
    // its settings away from the user's. A missing or relative value is not trusted.
    const auto appData = EnvironmentText::get ("APPDATA");

    if (juce::File::isAbsolutePath (appData))
        return juce::File (appData);

    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
}
