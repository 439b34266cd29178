#pragma once

#include <juce_core/juce_core.h>

#include <atomic>

//==============================================================================
/**
    The self-update's one way onto the network: an HTTP GET through libcurl, with
    every limit held by the library and by the loop that drives it, so that no
    server and no network can keep a caller waiting longer than its limits.

    - Addresses: every address on the way, the first one and each redirect, must
      pass UpdateNetwork::isPermittedAddress (https, or plain http on the loopback
      host), as the library itself reads the address. Redirects are followed here,
      one hop at a time, so each hop is checked before it is fetched. Certificate
      and host-name checks stay as the library sets them (on).
    - Time: a connection time-out that covers the name look-up, the connect and the
      TLS handshake; optionally a limit for the whole fetch, and a stall limit (no
      byte from the server for that long).
    - Size: a ceiling for the body, refused at once when the server announces more,
      and checked while bytes arrive when it announces nothing.
    - abort, from any thread, ends a fetch within pollIntervalMs, also while a name
      is being looked up: the library is told not to wait for its resolver.

    The body of the final answer goes to a Receiver as it arrives, in pieces of at
    most chunkBytes (the library's receive buffer); bodies of redirects and error
    answers are dropped. One fetch at a time per client, on the thread that calls
    get; abort and isAborted may be called from any thread. Once aborted, a client
    refuses every later fetch.
*/
class UpdateHttpClient
{
public:
    /** What a fetch may take; 0 turns a limit off. */
    struct Limits
    {
        int connectTimeoutMs = 3000;
        int totalTimeoutMs = 0;
        int stallTimeoutMs = 0;
        juce::int64 maxBodyBytes = 0;
    };

    /** How a fetch ended; callers need only to know whether it succeeded. A refused
        address is told apart: nothing was asked of it.
    */
    enum class Outcome
    {
        complete,           // a 2xx answer, its whole body handed to the receiver
        refusedAddress,     // an address on the way is not permitted
        failed              // anything else: no answer, an error answer, a limit, abort, the receiver
    };

    /** Takes the body of the final (2xx) answer. Called on the fetching thread. */
    class Receiver
    {
    public:
        virtual ~Receiver() = default;

        /** The body begins; announcedLength is -1 when the server did not say.
            Called once per fetch that gets a 2xx answer, also for an empty body.
            Returning false ends the fetch.
        */
        virtual bool beginBody (juce::int64 announcedLength) = 0;

        /** The next bytes of the body. Returning false ends the fetch. */
        virtual bool receiveBody (const void* data, size_t numBytes) = 0;
    };

    //==============================================================================
    UpdateHttpClient();
    ~UpdateHttpClient();

    /** Fetches the address, following at most maxRedirects redirects. Blocks the
        calling thread until the fetch ends, by itself, by a limit or by abort.
    */
    Outcome get (const juce::URL& address, Receiver& receiver, const Limits& limits);

    /** Ends the fetch in progress and refuses any later one. Any thread. */
    void abort();

    bool isAborted() const noexcept     { return aborted; }

    //==============================================================================
    static constexpr int maxRedirects = 5;

    /** The largest piece of a body handed to the receiver at once: each piece moves
        the download's progress, and a cancel is seen between two of them.
    */
    static constexpr int chunkBytes = 1024;

    /** The longest the fetching thread waits before it looks at abort and the limits again. */
    static constexpr int pollIntervalMs = 50;

private:
    //==============================================================================
    struct Transfer;

    Outcome fetchOnce (const juce::String& address, Receiver& receiver, const Limits& limits,
                       double deadline, juce::String& redirectTarget);

    std::atomic<bool> aborted { false };
    juce::CriticalSection wakeLock;
    void* currentMulti = nullptr;   // the library's multi handle while a fetch runs; guarded by wakeLock

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpdateHttpClient)
};
