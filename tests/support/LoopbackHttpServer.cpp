#include "LoopbackHttpServer.h"

#include "support/RawSocket.h"

//==============================================================================
/** Serves one accepted connection: reads the request head, then answers it. */
class LoopbackHttpServer::Connection  : public juce::Thread
{
public:
    Connection (LoopbackHttpServer& serverToUse, std::unique_ptr<juce::StreamingSocket> acceptedSocket)
        : juce::Thread ("Loopback HTTP connection"), server (serverToUse), socket (std::move (acceptedSocket))
    {
    }

    ~Connection() override
    {
        // Shutting the socket down ends a blocked read or write at once; it is closed
        // only once the thread has stopped using it.
        signalThreadShouldExit();
        RawSocket::shutdownBoth (*socket);
        stopThread (5000);
        socket->close();
    }

    void run() override
    {
        answer();
        RawSocket::shutdownBoth (*socket);
    }

private:
    void answer()
    {
        const auto path = readRequestPath();

        if (path.isEmpty())
            return;

        server.noteRequest (path);
        const auto response = server.responseFor (path);

        if (response.silent)
            return holdUntilStopped();

        const auto total = (juce::int64) response.body.getSize();
        const auto toSend = response.bytesToSend < 0 ? total : juce::jmin (total, response.bytesToSend);

        juce::MemoryOutputStream head;
        head << "HTTP/1.1 " << response.status << (response.status == 200 ? " OK" : " Error") << "\r\n"
             << "Content-Type: application/octet-stream\r\n"
             << "Connection: close\r\n";

        if (response.location.isNotEmpty())
            head << "Location: " << response.location << "\r\n";

        if (! response.locationBytes.isEmpty())
            head << "Location: " << response.locationBytes << "\r\n";

        if (response.announceLength)
            head << "Content-Length: " << total << "\r\n";

        head << "\r\n";

        if (! send (static_cast<const char*> (head.getData()), (int) head.getDataSize()))
            return;

        const auto piece = response.pieceBytes > 0 ? (juce::int64) response.pieceBytes : juce::jmax ((juce::int64) 1, toSend);

        for (juce::int64 sent = 0; sent < toSend && ! threadShouldExit();)
        {
            const auto n = juce::jmin (piece, toSend - sent);

            if (! send (static_cast<const char*> (response.body.getData()) + sent, (int) n))
                return;

            sent += n;

            if (response.pauseMs > 0 && sent < toSend)
                wait (response.pauseMs);
        }

        if (response.holdOpen)
            holdUntilStopped();
    }

    juce::String readRequestPath()
    {
        juce::MemoryOutputStream head;

        while (! threadShouldExit() && head.getDataSize() < 16384)
        {
            const auto ready = socket->waitUntilReady (true, 50);

            if (ready < 0)
                return {};

            if (ready == 0)
                continue;

            char buffer[1024];
            const auto n = socket->read (buffer, (int) sizeof (buffer), false);

            if (n <= 0)
                return {};

            head.write (buffer, (size_t) n);

            if (head.toString().contains ("\r\n\r\n"))
            {
                const auto requestLine = head.toString().upToFirstOccurrenceOf ("\r\n", false, false);
                const auto target = requestLine.fromFirstOccurrenceOf (" ", false, false)
                                               .upToFirstOccurrenceOf (" ", false, false);
                return target.upToFirstOccurrenceOf ("?", false, false);
            }
        }

        return {};
    }

    bool send (const char* data, int numBytes)
    {
        // Accepted sockets do not block: a full send buffer is waited out. A client
        // that hangs up early ends the answer (and never the test process).
        while (numBytes > 0 && ! threadShouldExit())
        {
            const auto written = RawSocket::sendSome (*socket, data, numBytes);

            if (written < 0)
                return false;

            if (written > 0)
            {
                data += written;
                numBytes -= written;
            }
            else if (socket->waitUntilReady (false, 50) < 0)
            {
                return false;
            }
        }

        return numBytes == 0;
    }

    void holdUntilStopped()
    {
        while (! threadShouldExit())
            wait (20);
    }

    LoopbackHttpServer& server;
    std::unique_ptr<juce::StreamingSocket> socket;
};

//==============================================================================
LoopbackHttpServer::Response LoopbackHttpServer::text (const juce::String& body)
{
    Response r;
    r.body.append (body.toRawUTF8(), body.getNumBytesAsUTF8());
    return r;
}

LoopbackHttpServer::Response LoopbackHttpServer::redirect (const juce::String& location)
{
    auto r = text ("moved");
    r.status = 302;
    r.location = location;
    return r;
}

juce::uint8 LoopbackHttpServer::patternByte (juce::int64 offset) noexcept
{
    return (juce::uint8) ((offset * 31 + offset / 251) & 0xFF);
}

LoopbackHttpServer::Response LoopbackHttpServer::bytes (juce::int64 numBytes)
{
    Response r;
    r.body.setSize ((size_t) numBytes);
    auto* data = static_cast<juce::uint8*> (r.body.getData());

    for (juce::int64 i = 0; i < numBytes; ++i)
        data[i] = patternByte (i);

    return r;
}

//==============================================================================
LoopbackHttpServer::LoopbackHttpServer (const juce::String& hostToListenOn)
    : juce::Thread ("Loopback HTTP server"), host (hostToListenOn)
{
    if (listener.createListener (0, host))
        port = listener.getBoundPort();

    startThread();
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    // The accept loop polls, so it stops by itself; the listener is closed after it.
    signalThreadShouldExit();
    stopThread (5000);
    listener.close();

    // Connection threads take the lock, so they are ended outside it.
    juce::OwnedArray<Connection> ending;

    {
        const juce::ScopedLock sl (lock);
        ending.swapWith (connections);
    }

    ending.clear();
}

juce::String LoopbackHttpServer::getBaseAddress() const
{
    return "http://" + host + ":" + juce::String (port);
}

void LoopbackHttpServer::serve (const juce::String& path, const Response& response)
{
    // Copy-constructed: the framework's MemoryBlock copy assignment hands memcpy a
    // null pointer for an empty body.
    const juce::ScopedLock sl (lock);
    responses.erase (path);
    responses.emplace (path, response);
}

int LoopbackHttpServer::countRequests (const juce::String& path) const
{
    const juce::ScopedLock sl (lock);
    int count = 0;

    for (const auto& p : requested)
        if (p == path)
            ++count;

    return count;
}

LoopbackHttpServer::Response LoopbackHttpServer::responseFor (const juce::String& path) const
{
    const juce::ScopedLock sl (lock);
    const auto found = responses.find (path);

    if (found != responses.end())
        return found->second;

    auto missing = text ("not found");
    missing.status = 404;
    return missing;
}

void LoopbackHttpServer::noteRequest (const juce::String& path)
{
    const juce::ScopedLock sl (lock);
    requested.add (path);
}

void LoopbackHttpServer::run()
{
    while (! threadShouldExit())
    {
        if (listener.waitUntilReady (true, 50) <= 0)
            continue;

        std::unique_ptr<juce::StreamingSocket> accepted (listener.waitForNextConnection());

        if (accepted == nullptr)
            continue;

        const juce::ScopedLock sl (lock);
        auto* connection = connections.add (std::make_unique<Connection> (*this, std::move (accepted)));
        connection->startThread();
    }
}
