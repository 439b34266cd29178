#pragma once

#include <juce_core/juce_core.h>

class UpdateHttpClient;

//==============================================================================
/**
    The rules every network access of the self-update follows.

    Addresses: the feed, the release notes and the installer are fetched over https
    only. Plain http is refused, because whoever sits on the path could then hand
    the program an installer of their own to start; the one exception is the
    loopback host (127.0.0.1, localhost, [::1]), which the tests serve. Redirects
    are followed by UpdateHttpClient, which applies the same rule to every hop.

    Time: every fetch has a connection time-out (name look-up, connect, handshake);
    a text fetch has a deadline for the whole fetch, whatever the server does, and a
    download ends when no byte has come for the stall time. Fetches run off the
    message thread and end at once when their client is aborted.

    Any thread; fetchText blocks the calling thread for at most its deadline.
*/
struct UpdateNetwork
{
    /** Connection time-out of every fetch: name look-up, connect and TLS handshake. */
    static constexpr int connectionTimeoutMs = 3000;

    /** The longest a feed or release-notes fetch may take from start to end. */
    static constexpr int textFetchDeadlineMs = 5000;

    /** The largest feed or release-notes document that is read. */
    static constexpr int maxTextBytes = 1024 * 1024;

    /** An installer download ends when no byte has arrived for this long. */
    static constexpr int downloadStallTimeoutMs = 10000;

    /** The longest address a feed may name, in characters: what web servers take
        (8 KiB), and short enough that the framework's reading of a query, whose time
        grows with the square of its number of parameters, stays under about 80 ms on
        the message thread (a 64 Ki query of "a&a&..." takes seconds).
    */
    static constexpr int maxAddressLength = 8192;

    //==============================================================================
    /** True for an https address, or an http address on the loopback host. */
    static bool isPermittedAddress (const juce::String& address);
    static bool isPermittedAddress (const juce::URL& address);

    /** A feed's address as a URL; an empty one, which is never fetched, when it is
        longer than maxAddressLength.
    */
    static juce::URL addressFrom (const juce::String& address);

    /** The host part of an address ("example.org", "127.0.0.1", "[::1]"), lower case,
        without user information or port.
    */
    static juce::String hostOf (const juce::String& address);

    /** The authority part of an address (host and port: "example.org:8443", "[::1]"),
        without user information; as written, not lower-cased.
    */
    static juce::String authorityOf (const juce::String& address);

    //==============================================================================
    /** Fetches the document at the address with an HTTP GET into body, through the
        client (which the caller may abort from another thread). False (and an empty
        body) when the address is refused, the server cannot be reached, answers with
        an error status, stops before the end, sends more than maxTextBytes, does not
        finish within deadlineMs or the client is aborted.
    */
    static bool fetch (UpdateHttpClient& client, const juce::URL& address, juce::MemoryBlock& body,
                       int deadlineMs = textFetchDeadlineMs);

    /** fetch, as text (see textFromBytes); empty text when the fetch failed. */
    static juce::String fetchText (UpdateHttpClient& client, const juce::URL& address,
                                   int deadlineMs = textFetchDeadlineMs);

    /** Bytes from the network as text: UTF-16 with a byte-order mark, or UTF-8; bytes
        that are not valid UTF-8 are read one character each (Latin-1), so the text
        never holds a damaged sequence for a reader to run past.
    */
    static juce::String textFromBytes (const juce::MemoryBlock& bytes);
};
