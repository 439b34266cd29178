#include "app/FileReadHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    FileReadHandle::Status kindOf (const struct stat& info) noexcept
    {
        using Status = FileReadHandle::Status;

        if (S_ISREG (info.st_mode))     return Status::regularFile;
        if (S_ISDIR (info.st_mode))     return Status::folder;
        if (S_ISCHR (info.st_mode)
             || S_ISBLK (info.st_mode)) return Status::device;
        if (S_ISFIFO (info.st_mode))    return Status::pipe;
        if (S_ISSOCK (info.st_mode))    return Status::socket;

        return Status::otherKind;
    }

    FileReadHandle::Status failureOf (int error, const char* path) noexcept
    {
        using Status = FileReadHandle::Status;

        switch (error)
        {
            case ELOOP:         return Status::linkLoop;
            case EACCES:
            case EPERM:         return Status::noPermission;
            case ENOENT:
            case ENOTDIR:
            {
                // The name itself may be there as a link whose target is not.
                struct stat link {};
                return ::lstat (path, &link) == 0 && S_ISLNK (link.st_mode) ? Status::danglingLink
                                                                             : Status::missing;
            }
            default:            return Status::failed;
        }
    }
}

//==============================================================================
FileReadHandle::Status FileReadHandle::inspect (const juce::File& file, juce::int64& size)
{
    const auto path = file.getFullPathName().toRawUTF8();
    struct stat info {};

    if (::stat (path, &info) != 0)
        return failureOf (errno, path);

    const auto kind = kindOf (info);

    if (kind == Status::regularFile)
        size = (juce::int64) info.st_size;

    return kind;
}

FileReadHandle::FileReadHandle (const juce::File& file)
{
    const auto path = file.getFullPathName().toRawUTF8();

    // O_NONBLOCK: a named pipe opens at once instead of waiting for a writer, and a
    // device that slipped in after inspect() is not waited on either. O_NOCTTY: a
    // terminal never becomes the program's controlling one.
    const int fd = ::open (path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);

    if (fd < 0)
    {
        status = failureOf (errno, path);
        return;
    }

    handle = fd;
    struct stat info {};

    if (::fstat (fd, &info) != 0)
        return;

    status = kindOf (info);

    if (status == Status::regularFile)
        size = (juce::int64) info.st_size;
}

FileReadHandle::~FileReadHandle()
{
    if (handle >= 0)
        ::close ((int) handle);
}

juce::int64 FileReadHandle::read (void* dest, size_t numBytes)
{
    if (status != Status::regularFile)
        return -1;

    for (;;)
    {
        const auto count = ::read ((int) handle, dest, numBytes);

        if (count >= 0 || errno != EINTR)
            return (juce::int64) count;
    }
}
