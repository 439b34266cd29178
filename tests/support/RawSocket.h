#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    The loopback web server's socket calls that juce::StreamingSocket lacks: a send
    that never raises SIGPIPE, and a shutdown that ends another thread's blocked read
    or write at once without closing the handle it uses. Linux and Windows each.
*/
struct RawSocket
{
    /** The number of bytes the socket took now: 0 when it would block, -1 on an error. */
    static int sendSome (juce::StreamingSocket& socket, const char* data, int numBytes);

    static void shutdownBoth (juce::StreamingSocket& socket);
};
