#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    A file opened for reading in a way that can never block: the one seam between
    RegularFileReader and the system's own calls, with one small source per system
    (FileReadHandle.cpp for POSIX, FileReadHandleWindows.cpp for Windows).

    A path a user gives may name anything: a link to a device, a named pipe with no
    writer, a folder. inspect() says what it names, links followed, without opening
    it, so a device is never opened at all. The handle then opens the path without
    waiting for a writer and tells what it really opened, because the path may have
    been replaced in between; only a regular file is read through it.

    Any thread; one handle is used by one thread at a time.
*/
class FileReadHandle
{
public:
    /** What a path names, or why that cannot be found out. */
    enum class Status
    {
        regularFile,
        folder,
        device,
        pipe,
        socket,
        otherKind,
        missing,
        danglingLink,
        linkLoop,
        noPermission,
        failed
    };

    /** What the path names once links are followed, found without opening it;
        size is set to its length when it is a regular file. Status::failed means that
        the system could not tell (on Windows, a pipe's or a device's name may have no
        attributes): the open handle's status decides then.
    */
    static Status inspect (const juce::File& file, juce::int64& size);

    //==============================================================================
    /** Opens the path for reading without ever waiting (not for a pipe's writer, not
        for a device); getStatus() then tells what was opened.
    */
    explicit FileReadHandle (const juce::File& file);
    ~FileReadHandle();

    /** What the open handle refers to (regularFile for a file that can be read), or
        why the path could not be opened.
    */
    Status getStatus() const noexcept             { return status; }

    /** The opened regular file's length; 0 for anything else. */
    juce::int64 getSize() const noexcept          { return size; }

    /** Reads at most numBytes into dest: the number read, 0 at the end of the file,
        -1 when the system reports an error. Only a regular file is read.
    */
    juce::int64 read (void* dest, size_t numBytes);

private:
    //==============================================================================
    Status status = Status::failed;
    juce::int64 size = 0;
    juce::pointer_sized_int handle = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FileReadHandle)
};
