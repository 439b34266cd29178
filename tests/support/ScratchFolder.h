#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/** A folder of its own in the temporary directory, removed with everything in it
    when the scope ends.

    Its name is unique, not merely free: ctest runs the cases as parallel processes,
    and a name that is free when one process looks can be taken by another before it
    is created; the first to finish would then delete the other's files.
*/
struct ScratchFolder
{
    explicit ScratchFolder (const juce::String& prefix = "dremlor-test")
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile (prefix + "-" + juce::Uuid().toString()))
    {
        folder.createDirectory();
    }

    ~ScratchFolder() { folder.deleteRecursively(); }

    const juce::File folder;

    ScratchFolder (const ScratchFolder&) = delete;
    ScratchFolder& operator= (const ScratchFolder&) = delete;
};
