#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <optional>

//==============================================================================
/**
    The proxy that the user configured for the system, for one address the
    self-update fetches. UpdateHttpClient asks for every hop and hands the answer to
    libcurl.

    On Windows libcurl reads none of the user's settings, so they are read here:
    WinHTTP's reading of the current user's Internet Settings (the manual proxy with
    its bypass list, an auto-config script, auto-detection), the script or the
    detection run through WinHTTP for the address. On Linux nothing is read here:
    libcurl follows the proxy environment variables itself.

    The loopback host is never proxied. Any thread.
*/
struct UpdateProxy
{
    /** The proxy for the address in libcurl's form ("http://host:port"), empty text
        to go direct, or nothing to leave the choice to libcurl (Linux; and Windows
        when the user configured no proxy).

        An auto-config script or auto-detection may take seconds: the answer is waited
        for at most timeoutMs (0: no limit), and no longer once abandon becomes true;
        the manual setting applies then, as it does when the script finds nothing.
    */
    static std::optional<juce::String> forAddress (const juce::String& address, int timeoutMs,
                                                   const std::atomic<bool>& abandon);

    /** How often a waiting look-up looks at abandon. */
    static constexpr int pollIntervalMs = 20;
};
