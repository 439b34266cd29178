#include "support/ManualClock.h"

ManualClock::ManualClock (uint32_t startTime)
    : time (startTime)
{
    previous = MillisecondClock::setSource (this);
}

ManualClock::~ManualClock()
{
    MillisecondClock::setSource (previous);
}

void ManualClock::setTime (uint32_t newTime) noexcept
{
    time.store (newTime);
}

void ManualClock::advance (uint32_t milliseconds) noexcept
{
    time.fetch_add (milliseconds);
}

uint32_t ManualClock::getMillisecondCounter() const noexcept
{
    return time.load();
}
