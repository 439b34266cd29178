#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Reads a whole file that a user named, or that a folder may hold under a name the
    program chose, when it is a regular file once symbolic links are followed, and
    refuses anything else with a message that says what is wrong with it.

    A path may name a link to a device (which never ends), a named pipe (whose open
    would wait for a writer for ever), a folder or a huge sparse file. Such a path
    is told apart before anything is read: it is opened so that it never blocks
    (FileReadHandle), the type of what was opened is checked, and at most its size
    is read, never more than maxFileBytes. The send page reads the file to send
    through it, the Stompra backup the dump file a new dump is added to.

    Stateless: any thread.
*/
class RegularFileReader
{
public:
    /** The largest file read. The largest a unit makes is a Korrina Grand's four
        banks of 128 presets, 512 dumps of 12,951 bytes (6.3 MiB); a bank is a
        quarter of that, a preset or a cab IR about 13 KB, a system backup less.
        Firmware and FPGA images carry no length in their format; 64 MiB is ten
        times the largest backup, and at MIDI's 3125 bytes a second a file that size
        would take six hours to send.
    */
    static constexpr juce::int64 maxFileBytes = (juce::int64) 64 * 1024 * 1024;

    /** Reads every byte of the file into data. On failure data is left as it was and
        the result's message names the file and says what is wrong with it (no such
        file, a folder, a device, a named pipe, a link that leads nowhere, too large,
        changed while it was read, ...).
    */
    static juce::Result read (const juce::File& file, juce::MemoryBlock& data,
                              juce::int64 maxBytes = maxFileBytes);

private:
    RegularFileReader() = delete;
};
