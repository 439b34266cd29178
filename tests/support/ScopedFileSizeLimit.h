#pragma once

#include <cstdint>

//==============================================================================
/**
    Lets the process write no file past a given size for a scope, as on a full disk,
    so tests see a write fail half-way. On Linux a soft RLIMIT_FSIZE (root included),
    with SIGXFSZ ignored so the write fails instead of ending the process, or (in a
    death test's child) left to end it at that write, as a crash or a power cut would.
    Windows has no such limit: isActive() is false there and the test skips, saying why.
*/
class ScopedFileSizeLimit
{
public:
    enum class Overrun { failsTheWrite, killsTheProcess };

    explicit ScopedFileSizeLimit (std::uint64_t maximumBytes, Overrun overrun = Overrun::failsTheWrite);
    ~ScopedFileSizeLimit();

    /** True when the limit holds. */
    bool isActive() const noexcept      { return active; }

    /** Why there is no limit on this platform (empty where there is one). */
    static const char* unsupportedReason();

    /** For EXPECT_EXIT: true for the exit status of a process that killsTheProcess ended. */
    static bool killedTheProcess (int exitStatus);

private:
    bool active = false;
    std::uint64_t previousLimit = 0;
    void (*previousHandler) (int) = nullptr;

    ScopedFileSizeLimit (const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator= (const ScopedFileSizeLimit&) = delete;
};
