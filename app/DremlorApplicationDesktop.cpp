#include "app/DremlorApplication.h"

#include "text/EnvironmentText.h"

bool DremlorApplication::openWithDesktop (const juce::File& file)
{
    // JUCE's own launcher builds a shell command line, where a folder name holding
    // "$(", back-quotes or quotes would be run as a command; xdg-open is started
    // directly instead, with the path as one argument.
    const auto searchPath = juce::StringArray::fromTokens (EnvironmentText::get ("PATH"), ":", {});
    juce::File opener;

    for (const auto& folder : searchPath)
    {
        if (! juce::File::isAbsolutePath (folder))
            continue;

        const auto candidate = juce::File (folder).getChildFile ("xdg-open");

        if (candidate.existsAsFile() && candidate.hasReadAccess())
        {
            opener = candidate;
            break;
        }
    }

    if (opener == juce::File())
        return false;

    juce::ChildProcess process;
    return process.start (juce::StringArray { opener.getFullPathName(), file.getFullPathName() }, 0);
}
