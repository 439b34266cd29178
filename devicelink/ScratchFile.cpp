#include "devicelink/ScratchFile.h"

juce::File ScratchFile::beside (const juce::File& target)
{
    // getSiblingFile reads "." and ".." as folders only when they stand alone, and
    // a leading "~" as the home folder: a name led by "." and holding no separator
    // is taken as it is.
    for (;;)
    {
        const auto tag = juce::String::toHexString (juce::Random::getSystemRandom().nextInt()).paddedLeft ('0', 8);
        const auto scratch = target.getSiblingFile ("." + target.getFileName() + "." + tag + ".tmp");

        if (! scratch.exists())
            return scratch;
    }
}
