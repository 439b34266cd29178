#include <winsock2.h>

#include "support/RawSocket.h"

// Windows raises no signal for a closed connection: a plain send.
int RawSocket::sendSome (juce::StreamingSocket& socket, const char* data, int numBytes)
{
    const auto sent = ::send ((SOCKET) socket.getRawSocketHandle(), data, numBytes, 0);
    return sent != SOCKET_ERROR ? sent : (WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1);
}

void RawSocket::shutdownBoth (juce::StreamingSocket& socket)
{
    ::shutdown ((SOCKET) socket.getRawSocketHandle(), SD_BOTH);
}
