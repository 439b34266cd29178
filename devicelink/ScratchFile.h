#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Names the scratch file that a dump is written to before it replaces its target
    (with juce::TemporaryFile), so that a failed write leaves the target as it was.

    The scratch file lies in the target's folder, so the final move stays on one
    file system. Its name must never pass for a backup if the program dies before
    the move: it starts with "." (hidden on Linux and macOS) and ends in ".tmp"
    instead of the target's extension (".syx"), which marks it as temporary on
    Windows as well, where a leading dot hides nothing. The framework's own
    scratch name ("<name>_temp<hex>.syx") keeps the extension and is seen as one.

    Stateless: any thread.
*/
class ScratchFile
{
public:
    /** A file that does not exist yet, beside the target:
        "." + target file name + "." + 8 hexadecimal digits + ".tmp".
    */
    static juce::File beside (const juce::File& target);

private:
    ScratchFile() = delete;
};
