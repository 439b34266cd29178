#pragma once

#include <cstdint>

//==============================================================================
/**
    The millisecond counter that transactions and the processing thread measure
    silence and port checks with.

    By default it is the framework's Time::getMillisecondCounter. Tests install a
    Source of their own so that time-outs, including the counter's wrap after
    2^32 ms, can be checked exactly and without sleeping. Readers and the
    installer may be on different threads.
*/
class MillisecondClock
{
public:
    //==============================================================================
    /** A replacement time source. */
    class Source
    {
    public:
        virtual ~Source() = default;

        /** The current time in milliseconds, wrapping like the framework's counter. */
        virtual uint32_t getMillisecondCounter() const noexcept = 0;
    };

    //==============================================================================
    /** Now, from the installed Source, or the framework's counter when none is. */
    static uint32_t now() noexcept;

    /** Installs a source (nullptr goes back to the framework's counter) and returns
        the one it replaces. The caller keeps the source alive while it is installed.
    */
    static Source* setSource (Source* newSource) noexcept;

    /** True when more than `limit` ms lie between the two readings: the magnitude of
        their difference taken as a signed 32-bit number, so that a pair of readings
        across the counter's wrap measures the real distance.
    */
    static bool isLongerThan (uint32_t later, uint32_t earlier, uint32_t limit) noexcept;
};
