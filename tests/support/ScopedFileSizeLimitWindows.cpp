#include "support/ScopedFileSizeLimit.h"

ScopedFileSizeLimit::ScopedFileSizeLimit (std::uint64_t, Overrun) {}

ScopedFileSizeLimit::~ScopedFileSizeLimit() = default;

const char* ScopedFileSizeLimit::unsupportedReason()
{
    return "Windows has no per-process file size limit to make a write fail half-way";
}

bool ScopedFileSizeLimit::killedTheProcess (int) { return false; }
