#pragma once

#include <juce_core/juce_core.h>

#include <string>
#include <vector>

//==============================================================================
/**
    Files whose names are bytes that are not well-formed UTF-8, as a Linux file system
    holds them (a copy from a Latin-1 machine, a name cut short): an overlong zero, an
    overlong three-byte form, a name that ends in the lead byte of a four-byte form,
    and a Latin-1 name. Each file holds its own name's bytes, so that a file found by
    listing the folder shows by what it holds which one it is, and that its listed
    name still opens it.

    They are made with POSIX open() on the raw path, since juce::File cannot name them.
    Windows names files in UTF-16, where no such name exists: nothing is made there and
    unsupportedReason() says why, for the test to skip.
*/
struct OddByteNames
{
    /** Every name, byte for byte; the Latin-1 one is "caf" + E9 + ".syx". */
    static std::vector<std::string> all()
    {
        return { "a\xc0\x80" "b bank 1 preset 2.syx", "\xe0\x80\x81.syx", "end\xf0", "caf\xe9.syx" };
    }

    /** Makes a file of each name in the folder; false when one could not be made. */
    static bool createIn (const juce::File& folder);

    /** What the file holds, read through the framework; empty when it does not open. */
    static std::string contentOf (const juce::File& file)
    {
        juce::FileInputStream stream (file);
        juce::MemoryBlock bytes;

        if (stream.openedOk())
            stream.readIntoMemoryBlock (bytes);

        return std::string (static_cast<const char*> (bytes.getData()), bytes.getSize());
    }

    /** Why no such name can be made on this platform (empty where it can). */
    static const char* unsupportedReason();
};
