#include "support/ScopedFileSizeLimit.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

ScopedFileSizeLimit::ScopedFileSizeLimit (std::uint64_t maximumBytes, Overrun overrun)
{
    rlimit limit {};

    if (getrlimit (RLIMIT_FSIZE, &limit) != 0)
        return;

    previousLimit = limit.rlim_cur;
    previousHandler = std::signal (SIGXFSZ, overrun == Overrun::killsTheProcess ? SIG_DFL : SIG_IGN);
    limit.rlim_cur = maximumBytes;
    active = setrlimit (RLIMIT_FSIZE, &limit) == 0;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    if (! active)
        return;

    rlimit limit {};
    getrlimit (RLIMIT_FSIZE, &limit);
    limit.rlim_cur = previousLimit;
    setrlimit (RLIMIT_FSIZE, &limit);
    std::signal (SIGXFSZ, previousHandler);
}

const char* ScopedFileSizeLimit::unsupportedReason()
{
    return "";
}

bool ScopedFileSizeLimit::killedTheProcess (int exitStatus)
{
    return WIFSIGNALED (exitStatus) && WTERMSIG (exitStatus) == SIGXFSZ;
}
