#include "devicelink/ScratchFile.h"

#include <cstring>

namespace
{
    constexpr int tagDigits = 8;
    const char* const scratchExtension = ".tmp";

    /** The next tag, from a generator of this file's own under a lock: the framework's
        shared one (juce::Random::getSystemRandom) is unguarded, and the receive thread
        and the message thread name scratch files at the same time.
    */
    juce::uint32 nextTag()
    {
        static juce::CriticalSection lock;
        static juce::Random random;

        const juce::ScopedLock sl (lock);
        return (juce::uint32) random.nextInt();
    }

    juce::String prefixFor (const juce::File& target)
    {
        return "." + target.getFileName() + ".";
    }
}

juce::File ScratchFile::beside (const juce::File& target)
{
    // getSiblingFile reads "." and ".." as folders only when they stand alone, and
    // a leading "~" as the home folder: a name led by "." and holding no separator
    // is taken as it is.
    for (;;)
    {
        const auto tag = juce::String::toHexString (nextTag()).paddedLeft ('0', tagDigits);
        const auto scratch = target.getSiblingFile (prefixFor (target) + tag + scratchExtension);

        if (! scratch.exists())
            return scratch;
    }
}

bool ScratchFile::isScratchFileOf (const juce::File& file, const juce::File& target)
{
    if (file.getParentDirectory() != target.getParentDirectory())
        return false;

    const auto name = file.getFileName();
    const auto prefix = prefixFor (target);

    if (name.length() != prefix.length() + tagDigits + (int) std::strlen (scratchExtension)
         || ! name.startsWith (prefix) || ! name.endsWith (scratchExtension))
        return false;

    return name.substring (prefix.length(), prefix.length() + tagDigits).containsOnly ("0123456789abcdef");
}

bool ScratchFile::removeLeftovers (const juce::File& target)
{
    bool allRemoved = true;

    for (const auto& entry : juce::RangedDirectoryIterator (target.getParentDirectory(), false, "*", juce::File::findFiles))
    {
        const auto& file = entry.getFile();

        if (isScratchFileOf (file, target) && ! file.deleteFile())
            allRemoved = false;
    }

    return allRemoved;
}
