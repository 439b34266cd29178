#include "support/RawSocket.h"

#include <cerrno>
#include <sys/socket.h>

int RawSocket::sendSome (juce::StreamingSocket& socket, const char* data, int numBytes)
{
    const auto sent = ::send (socket.getRawSocketHandle(), data, (size_t) numBytes, MSG_NOSIGNAL);
    return sent >= 0 ? (int) sent : (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1);
}

void RawSocket::shutdownBoth (juce::StreamingSocket& socket)
{
    ::shutdown (socket.getRawSocketHandle(), SHUT_RDWR);
}
