#include "devicelink/MillisecondClock.h"

#include <atomic>

#include <juce_core/juce_core.h>

namespace
{
    std::atomic<MillisecondClock::Source*> installedSource { nullptr };
}

uint32_t MillisecondClock::now() noexcept
{
    if (auto* source = installedSource.load())
        return source->getMillisecondCounter();

    return juce::Time::getMillisecondCounter();
}

MillisecondClock::Source* MillisecondClock::setSource (Source* newSource) noexcept
{
    return installedSource.exchange (newSource);
}

bool MillisecondClock::isLongerThan (uint32_t later, uint32_t earlier, uint32_t limit) noexcept
{
    const auto difference = (int64_t) (int32_t) (later - earlier);
    const auto magnitude = difference < 0 ? -difference : difference;
    return magnitude > (int64_t) limit;
}
