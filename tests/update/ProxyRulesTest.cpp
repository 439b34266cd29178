#include "update/ProxyRules.h"

#include <gtest/gtest.h>

TEST (ProxyRules, TheEntryForTheSchemeIsTakenUnlessTheBypassListNamesTheHost)
{
    struct Case { const char* proxyList; const char* bypassList; const char* address; const char* proxy; };   // empty proxy: direct

    const Case cases[] = {
        { "proxy:8080",                   "", "https://update.example/x",       "http://proxy:8080" },
        { "http=a:80 https=b:8443",       "", "http://127.0.0.2/x",             "http://a:80" },
        { "http=a:80",                    "", "https://h/x",                    "" },
        { "HTTPS=b:1;all:2",              "", "https://h/x",                    "http://b:1" },
        { "socks=s:1080",                 "", "https://h/x",                    "socks4://s:1080" },
        { "socks=s:1080;https=b:1",       "", "https://h/x",                    "http://b:1" },
        { "https=https://b:3128",         "", "https://h/x",                    "https://b:3128" },
        { "https=;all:2",                 "", "https://h/x",                    "http://all:2" },
        { "p\xC3\xA9:1;q:2",              "", "https://h/x",                    "http://q:2" },
        { "proxy",                        "", "https://h/x",                    "http://proxy:80" },
        { "proxy:",                       "", "https://h/x",                    "http://proxy:80" },
        { "https=b;socks=s",              "", "https://h/x",                    "http://b:80" },
        { "socks=s",                      "", "https://h/x",                    "socks4://s" },
        { "http=http://a/",               "", "http://127.0.0.2/x",             "http://a:80/" },
        { "[::1]",                        "", "https://h/x",                    "http://[::1]:80" },
        { "[::1]:3128",                   "", "https://h/x",                    "http://[::1]:3128" },

        { "p:1", "<local>",               "https://intranet/x",                 "" },
        { "p:1", "<LOCAL>",               "https://update.example/x",           "http://p:1" },
        { "p:1", "*.example.org",         "https://a.b.example.org/x",          "" },
        { "p:1", "*.example.org",         "https://example.org/x",              "http://p:1" },
        { "p:1", "Update.Example",        "https://user@UPDATE.example:443/x",  "" },
        { "p:1", "a.example, h ;b",       "https://h/x",                        "" },
        { "p:1", "https://h",             "https://h/x",                        "" },
        { "p:1", "http://h",              "https://h/x",                        "http://p:1" },
        { "p:1", "h:8443",                "https://h/x",                        "http://p:1" },
        { "p:1", "h:8443",                "https://h:8443/x",                   "" },
        { "p:1", "h:443",                 "https://h/x",                        "" },
        { "p:1", "h:*",                   "https://h:9/x",                      "" },
        { "p:1", "[::2]",                 "https://[::2]:8443/x",               "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.proxyList) + " | " + c.bypassList + " | " + c.address);
        EXPECT_EQ (ProxyRules::proxyFor (juce::String::fromUTF8 (c.proxyList), c.bypassList, c.address), juce::String (c.proxy));
    }

    // Lists longer than the bound are read up to it, never past.
    const auto longList = juce::String::repeatedString ("x", ProxyRules::maxListLength) + ";p:1";
    EXPECT_EQ (ProxyRules::proxyFor (longList, {}, "https://h/x"), "http://" + longList.upToFirstOccurrenceOf (";", false, false) + ":80");
}
