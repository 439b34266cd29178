#include "update/ProxyRules.h"

#include "update/UpdateNetwork.h"

#include <cstring>

namespace
{
    /** The parts of an address that proxy and bypass entries are matched against. */
    struct Target
    {
        explicit Target (const juce::String& address)
            : scheme (address.upToFirstOccurrenceOf ("://", false, false).trim().toLowerCase()),
              host (UpdateNetwork::hostOf (address))
        {
            auto authority = UpdateNetwork::authorityOf (address);

            if (authority.startsWithChar ('['))
                authority = authority.fromFirstOccurrenceOf ("]", false, false);

            const auto explicitPort = authority.fromFirstOccurrenceOf (":", false, false);
            port = explicitPort.isNotEmpty() ? explicitPort : (scheme == "https" ? "443" : "80");
        }

        juce::String scheme, host, port;
    };

    bool isPrintableAscii (const juce::String& text)
    {
        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
            if (*p <= 0x20 || *p >= 0x7F)
                return false;

        return true;
    }

    juce::StringArray entriesOf (const juce::String& list, juce::StringRef separators)
    {
        juce::StringArray entries;
        entries.addTokens (list.substring (0, ProxyRules::maxListLength), separators, {});
        entries.removeEmptyStrings();
        return entries;
    }

    juce::String withScheme (const juce::String& proxy, juce::StringRef defaultScheme)
    {
        return proxy.contains ("://") ? proxy : juce::String (defaultScheme) + proxy;
    }

    /** An HTTP proxy named without a port, or with an empty one ("host:"), on port 80:
        Windows' own HTTP stack takes that port for it, where libcurl would take 1080.
        A port is looked for after the closing bracket of an IPv6 address ("[::1]" has
        colons but no port).
    */
    juce::String withHttpPort (const juce::String& proxy)
    {
        if (! proxy.startsWithIgnoreCase ("http://"))
            return proxy;

        const auto authority = UpdateNetwork::authorityOf (proxy);
        const auto afterHost = authority.startsWithChar ('[') ? authority.fromFirstOccurrenceOf ("]", false, false)
                                                              : authority;
        const auto colon = afterHost.indexOfChar (':');

        if (colon >= 0 && colon < afterHost.length() - 1)
            return proxy;

        const juce::String port (colon >= 0 ? "80" : ":80");
        const auto end = proxy.indexOfAnyOf ("/?#", (int) std::strlen ("http://"));
        return end < 0 ? proxy + port : proxy.substring (0, end) + port + proxy.substring (end);
    }

    bool matches (const juce::String& entry, const Target& target)
    {
        auto pattern = entry.toLowerCase();

        if (pattern == "<local>")
            return target.host.isNotEmpty() && ! target.host.containsAnyOf (".[:");

        if (pattern.contains ("://"))
        {
            if (pattern.upToFirstOccurrenceOf ("://", false, false) != target.scheme)
                return false;

            pattern = pattern.fromFirstOccurrenceOf ("://", false, false);
        }

        // A port behind the host (after the closing bracket of an IPv6 address).
        const auto hostEnd = pattern.startsWithChar ('[') ? pattern.indexOfChar (']') + 1 : 0;
        const auto colon = pattern.indexOfChar (juce::jmax (0, hostEnd), ':');

        if (colon >= 0)
        {
            const auto port = pattern.substring (colon + 1);

            if (port != "*" && port != target.port)
                return false;

            pattern = pattern.substring (0, colon);
        }

        return pattern.isNotEmpty() && target.host.matchesWildcard (pattern, true);
    }
}

//==============================================================================
bool ProxyRules::isBypassed (const juce::String& bypassList, const juce::String& address)
{
    const Target target (address);

    for (const auto& entry : entriesOf (bypassList, "; ,\t\r\n"))
        if (isPrintableAscii (entry) && matches (entry, target))
            return true;

    return false;
}

juce::String ProxyRules::proxyFor (const juce::String& proxyList, const juce::String& bypassList,
                                   const juce::String& address)
{
    const Target target (address);

    if (target.host.isEmpty() || isBypassed (bypassList, address))
        return {};

    juce::String forScheme, forAll, socks;

    for (const auto& entry : entriesOf (proxyList, "; \t\r\n"))
    {
        if (! isPrintableAscii (entry))
            continue;

        const auto equals = entry.indexOfChar ('=');

        if (equals < 0)
        {
            if (forAll.isEmpty())
                forAll = entry;

            continue;
        }

        const auto key = entry.substring (0, equals).toLowerCase();
        const auto proxy = entry.substring (equals + 1);

        if (proxy.isEmpty())
            continue;

        if (key == target.scheme && forScheme.isEmpty())
            forScheme = proxy;
        else if (key == "socks" && socks.isEmpty())
            socks = proxy;
    }

    if (forScheme.isNotEmpty())
        return withHttpPort (withScheme (forScheme, "http://"));

    if (forAll.isNotEmpty())
        return withHttpPort (withScheme (forAll, "http://"));

    if (socks.isNotEmpty())
        return withScheme (socks, "socks4://");

    return {};
}
