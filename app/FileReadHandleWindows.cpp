#include "app/FileReadHandle.h"

#include <windows.h>

namespace
{
    FileReadHandle::Status failureOf (DWORD error) noexcept
    {
        using Status = FileReadHandle::Status;

        switch (error)
        {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_NAME:
            case ERROR_BAD_NETPATH:     return Status::missing;
            case ERROR_CANT_RESOLVE_FILENAME:   return Status::linkLoop;
            case ERROR_ACCESS_DENIED:   return Status::noPermission;
            default:                    return Status::failed;
        }
    }

    HANDLE toHandle (juce::pointer_sized_int value) noexcept
    {
        return reinterpret_cast<HANDLE> (value);
    }
}

//==============================================================================
FileReadHandle::Status FileReadHandle::inspect (const juce::File& file, juce::int64& size)
{
    // Only a folder is told apart here: the attributes of a name that Windows keeps
    // for a device (NUL, COM1) or of a pipe say nothing reliable about it, so what a
    // path really is shows in the open handle's type (GetFileType), which opening
    // learns without waiting.
    WIN32_FILE_ATTRIBUTE_DATA info {};

    if (! GetFileAttributesExW (file.getFullPathName().toWideCharPointer(), GetFileExInfoStandard, &info))
        return failureOf (GetLastError());

    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Status::folder;

    size = ((juce::int64) info.nFileSizeHigh << 32) | (juce::int64) info.nFileSizeLow;
    return Status::regularFile;
}

FileReadHandle::FileReadHandle (const juce::File& file)
{
    // Opening never waits: a pipe client connects or fails at once, and a device
    // opens without I/O. Others may read, write or rename the file meanwhile, as
    // the framework's own streams allow.
    const auto opened = CreateFileW (file.getFullPathName().toWideCharPointer(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);

    if (opened == INVALID_HANDLE_VALUE)
    {
        status = failureOf (GetLastError());
        return;
    }

    handle = reinterpret_cast<juce::pointer_sized_int> (opened);

    switch (GetFileType (opened))
    {
        case FILE_TYPE_DISK:    break;
        case FILE_TYPE_CHAR:    status = Status::device;    return;
        case FILE_TYPE_PIPE:    status = Status::pipe;      return;
        default:                status = Status::otherKind; return;
    }

    BY_HANDLE_FILE_INFORMATION info {};

    if (! GetFileInformationByHandle (opened, &info))
        return;

    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        status = Status::folder;
        return;
    }

    size = ((juce::int64) info.nFileSizeHigh << 32) | (juce::int64) info.nFileSizeLow;
    status = Status::regularFile;
}

FileReadHandle::~FileReadHandle()
{
    if (handle != -1)
        CloseHandle (toHandle (handle));
}

juce::int64 FileReadHandle::read (void* dest, size_t numBytes)
{
    if (status != Status::regularFile)
        return -1;

    DWORD count = 0;
    const auto asked = (DWORD) juce::jmin (numBytes, (size_t) 1 << 30);

    if (! ReadFile (toHandle (handle), dest, asked, &count, nullptr))
        return -1;

    return (juce::int64) count;
}
