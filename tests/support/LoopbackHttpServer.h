#pragma once

#include <juce_core/juce_core.h>

#include <map>

//==============================================================================
/**
    A small HTTP/1.1 server on 127.0.0.1 for tests that fetch over real sockets.

    Each path is served as configured: a status and a body, with or without a
    Content-Length header, cut short after some bytes, paced, ended by closing the
    connection or by holding it open without sending more, or never answered at
    all. Unknown paths get 404. Every connection is served on a thread of its own,
    so a held connection does not block the next request; destroying the server
    closes every connection and ends every thread.

    serve and the request log may be used from any thread.
*/
class LoopbackHttpServer  : private juce::Thread
{
public:
    /** How one path is answered. */
    struct Response
    {
        int status = 200;
        juce::MemoryBlock body;

        /** Sent as the Location header when not empty (for redirects); locationBytes
            go out as they are, for a header that is not valid text.
        */
        juce::String location;
        juce::MemoryBlock locationBytes;

        /** Sends Content-Length; without it the body ends when the connection closes. */
        bool announceLength = true;

        /** How many body bytes go out; -1 sends them all. */
        juce::int64 bytesToSend = -1;

        /** After the bytes: false closes the connection, true keeps it open and silent. */
        bool holdOpen = false;

        /** Accepts the connection and never answers. */
        bool silent = false;

        /** Pacing: the body goes out in pieces of this size with this pause between them. */
        int pieceBytes = 0;
        int pauseMs = 0;
    };

    /** A 200 response with this text as its body. */
    static Response text (const juce::String& body);

    /** A 302 response that sends the client to this location. */
    static Response redirect (const juce::String& location);

    /** A 200 response of numBytes bytes of a repeating pattern (see patternByte). */
    static Response bytes (juce::int64 numBytes);

    /** The byte at this offset of a bytes() body. */
    static juce::uint8 patternByte (juce::int64 offset) noexcept;

    //==============================================================================
    /** Starts listening on a free port of this loopback address. */
    explicit LoopbackHttpServer (const juce::String& host = "127.0.0.1");
    ~LoopbackHttpServer() override;

    /** The port the server listens on (0 when it could not listen), and "http://<host>:<port>". */
    int getPort() const noexcept                { return port; }
    juce::String getBaseAddress() const;

    /** Sets the answer for a path (the part before any "?"). */
    void serve (const juce::String& path, const Response& response);

    /** How many requests asked for this path so far. */
    int countRequests (const juce::String& path) const;

private:
    class Connection;

    void run() override;
    Response responseFor (const juce::String& path) const;
    void noteRequest (const juce::String& path);

    juce::StreamingSocket listener;
    const juce::String host;
    int port = 0;

    juce::CriticalSection lock;
    std::map<juce::String, Response> responses;
    juce::StringArray requested;
    juce::OwnedArray<Connection> connections;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LoopbackHttpServer)
};
