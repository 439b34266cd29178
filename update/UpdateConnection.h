#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <memory>

//==============================================================================
/**
    One HTTP GET of the self-update, with the redirects followed here rather than
    by the framework, so that every address on the way passes the address rule
    (UpdateNetwork::isPermittedAddress): an https address that redirects to plain
    http is refused, never fetched.

    The thread that calls open reads the stream afterwards; abort may be called from
    any thread (a watchdog, the cancel button): it cuts a blocked connect or read
    short and refuses any further redirect. Single use: one open per connection.
*/
class UpdateConnection
{
public:
    explicit UpdateConnection (int connectionTimeoutMs);
    ~UpdateConnection();

    //==============================================================================
    /** Connects to the address, following at most maxRedirects redirects. True when
        the final answer has a 2xx status; false when an address is refused, a
        connection fails, the connection was aborted or there were too many redirects.
    */
    bool open (const juce::URL& address);

    /** The stream of the final answer; null before open. For the thread that opened it. */
    juce::WebInputStream* getStream() const noexcept      { return stream.get(); }

    /** Cancels the current stream and any that would follow. Any thread. */
    void abort();

    /** The address a redirect's Location leads to, seen from the address that answered. */
    static juce::URL resolveLocation (const juce::URL& from, const juce::String& location);

    static constexpr int maxRedirects = 5;

private:
    //==============================================================================
    const int timeoutMs;
    juce::CriticalSection lock;
    std::unique_ptr<juce::WebInputStream> stream;
    std::atomic<bool> aborted { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpdateConnection)
};
