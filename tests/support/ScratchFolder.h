#pragma once

#include <juce_core/juce_core.h>

/** A folder of its own in the temporary directory, removed with its contents at the
    end of the scope. Its name is unique, not merely free: ctest runs cases as parallel
    processes, and a free name could be taken by another before it is created.
*/
struct ScratchFolder
{
    explicit ScratchFolder (const juce::String& prefix)
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile (prefix + "-" + juce::Uuid().toString()))
    {
        folder.createDirectory();
    }

    ~ScratchFolder() { folder.deleteRecursively(); }

    /** The names of everything in the folder, hidden ones included, sorted. */
    juce::StringArray names() const
    {
        juce::StringArray found;

        for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFilesAndDirectories))
            found.add (entry.getFile().getFileName());

        found.sort (false);
        return found;
    }

    const juce::File folder;
    JUCE_DECLARE_NON_COPYABLE (ScratchFolder)
};
