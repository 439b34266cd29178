#include "support/OddByteNames.h"

#include <fcntl.h>
#include <unistd.h>

bool OddByteNames::createIn (const juce::File& folder)
{
    for (const auto& name : all())
    {
        const auto path = folder.getFullPathName().toStdString() + "/" + name;
        const int fd = ::open (path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);

        if (fd < 0)
            return false;

        const auto written = ::write (fd, name.data(), name.size());
        ::close (fd);

        if (written != (ssize_t) name.size())
            return false;
    }

    return true;
}

const char* OddByteNames::unsupportedReason()
{
    return "";
}
