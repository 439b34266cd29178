#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Windows' proxy settings in their text forms, and the proxy they name for one
    address, in the form libcurl takes (CURLOPT_PROXY).

    The proxy list, as WinHTTP hands it over (the user's manual setting, or what an
    auto-config script chose), holds entries separated by ';' or blanks: "host:port"
    for every scheme, "http=host:port" or "https=host:port" for one scheme,
    "socks=host:port" for the schemes that have no proxy of their own. The bypass
    list holds entries separated by ';', ',' or blanks: host names with '*'
    wildcards ("*.example.org", "10.*"), each optionally with a scheme in front
    ("https://") and a port behind (":8443"), and "<local>", which stands for every
    host name without a dot.

    Pure text rules, no system calls: any thread. UpdateProxy reads the settings.
*/
struct ProxyRules
{
    /** The proxy for the address: "http://host:port" (or the scheme the entry names),
        "socks4://host:port", or empty text when the address goes direct (bypassed, or
        no entry fits its scheme). An HTTP proxy without a port, or with an empty one,
        gets port 80, as on Windows; a socks entry keeps libcurl's 1080. Entries with
        other characters than printable ASCII are ignored.
    */
    static juce::String proxyFor (const juce::String& proxyList, const juce::String& bypassList,
                                  const juce::String& address);

    /** True when an entry of the bypass list matches the address. */
    static bool isBypassed (const juce::String& bypassList, const juce::String& address);

    /** The longest proxy or bypass list that is read; the rest is ignored. */
    static constexpr int maxListLength = 8192;
};
