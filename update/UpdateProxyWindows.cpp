#include "update/UpdateProxy.h"

#include "update/ProxyRules.h"
#include "update/UpdateNetwork.h"

#include "text/Utf8Text.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

namespace
{
    /** Text that WinHTTP allocated, freed here, as a juce::String: read up to its end
        but never past ProxyRules::maxListLength units; empty when its UTF-16 is damaged
        (a surrogate half without its partner), which no proxy setting holds.
    */
    juce::String takeSystemText (LPWSTR text)
    {
        if (text == nullptr)
            return {};

        constexpr auto maxUnits = (size_t) ProxyRules::maxListLength;
        size_t length = 0;
        bool wellFormed = true;

        while (wellFormed && length < maxUnits && text[length] != 0)
        {
            const auto unit = (unsigned int) text[length];

            if (unit >= 0xD800 && unit <= 0xDBFF)
            {
                const auto next = length + 1 < maxUnits ? (unsigned int) text[length + 1] : 0u;
                wellFormed = next >= 0xDC00 && next <= 0xDFFF;
                length += 2;
            }
            else
            {
                wellFormed = unit < 0xDC00 || unit > 0xDFFF;
                ++length;
            }
        }

        juce::String result;

        if (wellFormed)
            result = Utf8Text::fromUtf16Units (reinterpret_cast<const juce::uint16*> (text), length);

        GlobalFree (text);
        return result;
    }

    /** The current user's Internet Settings as WinHTTP reads them. */
    struct UserSettings
    {
        UserSettings()
        {
            WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config {};

            if (! WinHttpGetIEProxyConfigForCurrentUser (&config))
                return;

            autoDetect = config.fAutoDetect != FALSE;
            autoConfigUrl = takeSystemText (config.lpszAutoConfigUrl);
            proxyList = takeSystemText (config.lpszProxy);
            bypassList = takeSystemText (config.lpszProxyBypass);
        }

        bool autoDetect = false;
        juce::String autoConfigUrl, proxyList, bypassList;
    };

    /** What an auto-config script or auto-detection chose for one address. It is
        shared with the thread that asks WinHTTP, which may outlive the wait for it.
    */
    struct AutoProxyAnswer
    {
        juce::WaitableEvent done;
        juce::CriticalSection lock;
        bool found = false;
        juce::String proxyList, bypassList;     // an empty list: go direct
    };

    void askWinHttp (AutoProxyAnswer& answer, const juce::String& address, const UserSettings& settings, int timeoutMs)
    {
        const auto session = WinHttpOpen (L"Dremlor", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                          WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);

        if (session == nullptr)
            return;

        // The script's own download ends within the time the caller waits.
        if (timeoutMs > 0)
            WinHttpSetTimeouts (session, timeoutMs, timeoutMs, timeoutMs, timeoutMs);

        WINHTTP_AUTOPROXY_OPTIONS options {};
        options.fAutoLogonIfChallenged = TRUE;

        if (settings.autoDetect)
        {
            options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        }

        if (settings.autoConfigUrl.isNotEmpty())
        {
            options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
            options.lpszAutoConfigUrl = settings.autoConfigUrl.toWideCharPointer();
        }

        WINHTTP_PROXY_INFO info {};

        if (WinHttpGetProxyForUrl (session, address.toWideCharPointer(), &options, &info))
        {
            const auto named = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY;
            auto list = takeSystemText (info.lpszProxy);
            auto bypass = takeSystemText (info.lpszProxyBypass);

            const juce::ScopedLock sl (answer.lock);
            answer.found = true;
            answer.proxyList = named ? list : juce::String();
            answer.bypassList = bypass;
        }

        WinHttpCloseHandle (session);
    }

    /** The script's or the detection's choice; nothing when it found none in time. */
    std::optional<juce::String> askAutoProxy (const juce::String& address, const UserSettings& settings,
                                              int timeoutMs, const std::atomic<bool>& abandon)
    {
        auto answer = std::make_shared<AutoProxyAnswer>();

        const auto launched = juce::Thread::launch ([answer, address, settings, timeoutMs]
        {
            askWinHttp (*answer, address, settings, timeoutMs);
            answer->done.signal();
        });

        if (! launched)
            return std::nullopt;

        const auto start = juce::Time::getMillisecondCounter();

        while (! answer->done.wait (UpdateProxy::pollIntervalMs))
            if (abandon || (timeoutMs > 0 && juce::Time::getMillisecondCounter() - start >= (juce::uint32) timeoutMs))
                return std::nullopt;

        const juce::ScopedLock sl (answer->lock);

        if (! answer->found)
            return std::nullopt;

        return ProxyRules::proxyFor (answer->proxyList, answer->bypassList, address);
    }
}

//==============================================================================
std::optional<juce::String> UpdateProxy::forAddress (const juce::String& address, int timeoutMs,
                                                     const std::atomic<bool>& abandon)
{
    const auto host = UpdateNetwork::hostOf (address);

    if (host.isEmpty() || host == "127.0.0.1" || host == "localhost" || host == "[::1]" || abandon)
        return std::nullopt;

    const UserSettings settings;

    if (settings.autoDetect || settings.autoConfigUrl.isNotEmpty())
        if (auto chosen = askAutoProxy (address, settings, timeoutMs, abandon))
            return chosen;

    if (settings.proxyList.isEmpty())
        return std::nullopt;

    return ProxyRules::proxyFor (settings.proxyList, settings.bypassList, address);
}
