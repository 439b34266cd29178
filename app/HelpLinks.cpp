#include "app/HelpLinks.h"

#include "text/EnvironmentText.h"

#ifndef DREMLOR_DOCUMENTATION_URL
 #error "DREMLOR_DOCUMENTATION_URL is set by app/CMakeLists.txt"
#endif

juce::URL HelpLinks::documentation()  { return juce::URL (DREMLOR_DOCUMENTATION_URL); }
juce::URL HelpLinks::video()          { return juce::URL (DREMLOR_VIDEO_URL); }
juce::URL HelpLinks::support()        { return juce::URL (DREMLOR_SUPPORT_URL); }
juce::URL HelpLinks::forum()          { return juce::URL (DREMLOR_FORUM_URL); }

juce::String HelpLinks::updateServer()
{
    const auto fromEnvironment = EnvironmentText::get ("DREMLOR_UPDATE_URL");
    return fromEnvironment.isNotEmpty() ? fromEnvironment : juce::String (DREMLOR_UPDATE_URL);
}
