#pragma once

#include <atomic>
#include <cstdint>

#include "devicelink/MillisecondClock.h"

//==============================================================================
/**
    A millisecond clock that only moves when a test moves it.

    While it exists it is the installed MillisecondClock source, so transactions
    and the processing thread read its time; its destructor puts back the source
    it replaced. Safe to advance from the test thread while another thread reads.
*/
class ManualClock : public MillisecondClock::Source
{
public:
    /** Installs the clock, showing `startTime`. */
    explicit ManualClock (uint32_t startTime = 1000);

    /** Restores the source that was installed before. */
    ~ManualClock() override;

    /** Sets the time shown. */
    void setTime (uint32_t newTime) noexcept;

    /** Moves the time on, wrapping like the framework's counter. */
    void advance (uint32_t milliseconds) noexcept;

    uint32_t getMillisecondCounter() const noexcept override;

private:
    std::atomic<uint32_t> time;
    MillisecondClock::Source* previous = nullptr;

    ManualClock (const ManualClock&) = delete;
    ManualClock& operator= (const ManualClock&) = delete;
};
