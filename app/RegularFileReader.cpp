#include "app/RegularFileReader.h"

#include "app/FileReadHandle.h"

#include <new>

namespace
{
    using Status = FileReadHandle::Status;

    juce::String quoted (const juce::File& file)
    {
        return "\"" + file.getFullPathName() + "\"";
    }

    /** "8.0 GB", "64.5 MB", and the limit as a round "64 MB". */
    juce::String sizeText (juce::int64 bytes)
    {
        constexpr double mebibyte = 1024.0 * 1024.0;
        const auto inGigabytes = bytes >= ((juce::int64) 1 << 30);
        const auto amount = (double) bytes / (inGigabytes ? mebibyte * 1024.0 : mebibyte);
        const auto round = bytes % ((juce::int64) 1 << 20) == 0 && ! inGigabytes;

        return juce::String (amount, round ? 0 : 1) + (inGigabytes ? " GB" : " MB");
    }

    juce::Result refuse (const juce::File& file, Status status)
    {
        const auto name = quoted (file);

        switch (status)
        {
            case Status::folder:        return juce::Result::fail (name + " is a folder, not a file.");
            case Status::device:        return juce::Result::fail (name + " is a device, not a file.");
            case Status::pipe:          return juce::Result::fail (name + " is a named pipe, not a file.");
            case Status::socket:        return juce::Result::fail (name + " is a socket, not a file.");
            case Status::otherKind:     return juce::Result::fail (name + " is not a file.");
            case Status::missing:       return juce::Result::fail (name + " does not exist.");
            case Status::danglingLink:  return juce::Result::fail (name + " is a link to a file that does not exist.");
            case Status::linkLoop:      return juce::Result::fail (name + " is a link that leads round in a loop.");
            case Status::noPermission:  return juce::Result::fail ("You do not have permission to read " + name + ".");
            case Status::regularFile:
            case Status::failed:
            default:                    return juce::Result::fail (name + " could not be read.");
        }
    }

    juce::Result refuseSize (const juce::File& file, juce::int64 size, juce::int64 maxBytes)
    {
        return juce::Result::fail (quoted (file) + " is too large (" + sizeText (size)
                                   + "): no file for a device is larger than " + sizeText (maxBytes) + ".");
    }
}

//==============================================================================
juce::Result RegularFileReader::read (const juce::File& file, juce::MemoryBlock& data, juce::int64 maxBytes)
{
    // First a look that opens nothing, so a device behind a link is never opened.
    juce::int64 size = 0;
    const auto named = FileReadHandle::inspect (file, size);

    if (named != Status::regularFile && named != Status::failed)
        return refuse (file, named);

    if (size > maxBytes)
        return refuseSize (file, size, maxBytes);

    // The path may have been replaced since: what counts is what was opened.
    FileReadHandle handle (file);

    if (handle.getStatus() != Status::regularFile)
        return refuse (file, handle.getStatus());

    size = handle.getSize();

    if (size > maxBytes)
        return refuseSize (file, size, maxBytes);

    juce::MemoryBlock bytes;

    try
    {
        bytes.setSize ((size_t) size);
    }
    catch (const std::bad_alloc&)
    {
        return juce::Result::fail ("There is not enough memory to read " + quoted (file) + ".");
    }

    auto* const start = static_cast<char*> (bytes.getData());
    juce::int64 done = 0;

    while (done < size)
    {
        const auto count = handle.read (start + done, (size_t) (size - done));

        if (count < 0)
            return refuse (file, Status::failed);

        if (count == 0)
            break;

        done += count;
    }

    // Every byte the file held when it was opened, and not one more: a file that
    // shrank or grew meanwhile is being written by something else.
    char beyond = 0;

    if (done != size || handle.read (&beyond, 1) != 0)
        return juce::Result::fail (quoted (file) + " changed while it was being read.");

    data.swapWith (bytes);
    return juce::Result::ok();
}
