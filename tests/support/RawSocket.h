#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    The two socket calls the loopback web server needs beyond juce::StreamingSocket:
    a send that never raises SIGPIPE on a client that hung up (POSIX) and a shutdown
    of both directions that ends a blocked read or write on another thread at once,
    without closing the handle that thread still uses. BSD sockets on Linux, Winsock
    on Windows.
*/
struct RawSocket
{
    /** Sends what the socket takes now: the number of bytes sent, 0 when it would
        block, -1 on an error.
    */
    static int sendSome (juce::StreamingSocket& socket, const char* data, int numBytes);

    /** Shuts both directions down; the handle stays open. */
    static void shutdownBoth (juce::StreamingSocket& socket);
};
