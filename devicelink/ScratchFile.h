#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Names the scratch file that a file is written to before it replaces its target
    (a dump, a backup, the update's installer), so that a failed write leaves the
    target as it was.

    The scratch file lies in the target's folder, so the final move stays on one
    file system. Its name must never pass for the real file if the program dies
    before the move: it starts with "." (hidden on Linux and macOS) and ends in
    ".tmp" instead of the target's extension (".syx", ".exe"), which marks it as
    temporary on Windows as well, where a leading dot hides nothing. The
    framework's own scratch name ("<name>_temp<hex>.syx") keeps the extension and
    is seen as one.

    Any thread: the names are drawn from a generator of this class's own, under a
    lock (the framework's shared generator is not safe to use from two threads).
*/
class ScratchFile
{
public:
    /** A file that does not exist yet, beside the target:
        "." + target file name + "." + 8 lower-case hexadecimal digits + ".tmp".
    */
    static juce::File beside (const juce::File& target);

    /** True when the file is named as beside names the scratch files of this target. */
    static bool isScratchFileOf (const juce::File& file, const juce::File& target);

    /** Deletes the scratch files of this target that a run which died mid-write left
        in the target's folder, and nothing else. False when one of them could not be
        deleted.
    */
    static bool removeLeftovers (const juce::File& target);

private:
    ScratchFile() = delete;
};
