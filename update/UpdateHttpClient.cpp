#include "update/UpdateHttpClient.h"

#include "update/UpdateNetwork.h"
#include "update/UpdateProxy.h"

#include "text/Utf8Text.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>

namespace
{
    double now() noexcept
    {
        return juce::Time::getMillisecondCounterHiRes();
    }

    // The library's process-wide set-up, done once before the first handle.
    void initialiseLibrary()
    {
        static const bool initialised = (curl_global_init (CURL_GLOBAL_DEFAULT) == CURLE_OK);
        juce::ignoreUnused (initialised);
    }

    /** A string the library hands back, as text; empty when it is not well-formed. */
    juce::String textOf (const char* bytes)
    {
        juce::String text;

        if (bytes != nullptr)
            Utf8Text::decode (bytes, std::strlen (bytes), text);

        return text;
    }

    /** The protocols the address may use, as the library itself reads its scheme and
        host: "https", or "http,https" on the loopback host; null when it is refused.
    */
    const char* permittedProtocols (CURLU* url)
    {
        char* scheme = nullptr;
        char* host = nullptr;
        const bool read = curl_url_get (url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK
                       && curl_url_get (url, CURLUPART_HOST, &host, 0) == CURLUE_OK;

        const auto schemeText = read ? textOf (scheme).toLowerCase() : juce::String();
        const auto hostText = read ? textOf (host).toLowerCase() : juce::String();
        curl_free (scheme);
        curl_free (host);

        if (schemeText == "https" && hostText.isNotEmpty())
            return "https";

        if (schemeText == "http" && (hostText == "127.0.0.1" || hostText == "localhost" || hostText == "[::1]"))
            return "http,https";

        return nullptr;
    }

    using Url = std::unique_ptr<CURLU, decltype (&curl_url_cleanup)>;
    using Easy = std::unique_ptr<CURL, decltype (&curl_easy_cleanup)>;
    using Multi = std::unique_ptr<CURLM, decltype (&curl_multi_cleanup)>;
}

//==============================================================================
/** The state of one hop, shared with the library's callbacks on the fetching thread. */
struct UpdateHttpClient::Transfer
{
    CURL* easy;
    Receiver& receiver;
    const Limits& limits;
    const std::atomic<bool>& aborted;

    bool bodyBegun = false;
    juce::int64 received = 0;
    double lastByteAt = now();

    long status() const
    {
        long code = 0;
        curl_easy_getinfo (easy, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }

    bool beginBody()
    {
        curl_off_t length = -1;
        curl_easy_getinfo (easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        bodyBegun = true;
        return receiver.beginBody ((juce::int64) length);
    }

    static size_t onHeader (char*, size_t size, size_t count, void* user)
    {
        static_cast<Transfer*> (user)->lastByteAt = now();
        return size * count;
    }

    static size_t onBody (char* data, size_t size, size_t count, void* user)
    {
        auto& t = *static_cast<Transfer*> (user);
        const auto numBytes = size * count;
        t.lastByteAt = now();

        // The body of a redirect is dropped (the library names the next address only
        // once it has ended); an error answer is not read at all.
        if (! t.bodyBegun)
        {
            const auto code = t.status();

            if (code >= 300 && code < 400)
                return numBytes;

            if (code < 200 || code >= 300 || ! t.beginBody())
                return 0;
        }

        // A body whose length was not announced is held to the ceiling here.
        if (t.limits.maxBodyBytes > 0 && t.received + (juce::int64) numBytes > t.limits.maxBodyBytes)
            return 0;

        t.received += (juce::int64) numBytes;
        return t.receiver.receiveBody (data, numBytes) ? numBytes : 0;
    }

    static int onProgress (void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<Transfer*> (user)->aborted ? 1 : 0;
    }
};

//==============================================================================
UpdateHttpClient::UpdateHttpClient()
{
    initialiseLibrary();
}

UpdateHttpClient::~UpdateHttpClient() = default;

void UpdateHttpClient::abort()
{
    aborted = true;

    const juce::ScopedLock sl (wakeLock);

    if (currentMulti != nullptr)
        curl_multi_wakeup (static_cast<CURLM*> (currentMulti));
}

UpdateHttpClient::Outcome UpdateHttpClient::get (const juce::URL& address, Receiver& receiver, const Limits& limits)
{
    const auto deadline = limits.totalTimeoutMs > 0 ? now() + limits.totalTimeoutMs : 0.0;
    auto current = address.toString (true);

    for (int hop = 0; hop <= maxRedirects; ++hop)
    {
        if (aborted)
            return Outcome::failed;

        if (! UpdateNetwork::isPermittedAddress (current))
            return Outcome::refusedAddress;

        juce::String next;
        const auto outcome = fetchOnce (current, receiver, limits, deadline, next);

        if (next.isEmpty())
            return outcome;

        current = next;
    }

    return Outcome::failed;
}

UpdateHttpClient::Outcome UpdateHttpClient::fetchOnce (const juce::String& address, Receiver& receiver, const Limits& limits,
                                                       double deadline, juce::String& redirectTarget)
{
    const Url url (curl_url(), curl_url_cleanup);

    if (url == nullptr || curl_url_set (url.get(), CURLUPART_URL, address.toRawUTF8(), 0) != CURLUE_OK)
        return Outcome::refusedAddress;

    const auto* protocols = permittedProtocols (url.get());

    if (protocols == nullptr)
        return Outcome::refusedAddress;

    // The user's proxy for this hop, looked up within the connection time-out and the
    // time left before the deadline, whichever is shorter (0: no limit).
    const auto timeLeftMs = deadline > 0 ? juce::jmax (1, (int) (deadline - now())) : 0;
    const auto lookupMs = limits.connectTimeoutMs > 0 && timeLeftMs > 0 ? juce::jmin (limits.connectTimeoutMs, timeLeftMs)
                                                                          : juce::jmax (limits.connectTimeoutMs, timeLeftMs);
    const auto proxy = UpdateProxy::forAddress (address, lookupMs, aborted);

    if (deadline > 0 && deadline - now() < 1.0)
        return Outcome::failed;

    const Easy easyHandle (curl_easy_init(), curl_easy_cleanup);
    const Multi multi (curl_multi_init(), curl_multi_cleanup);

    if (easyHandle == nullptr || multi == nullptr)
        return Outcome::failed;

    auto* easy = easyHandle.get();
    Transfer transfer { easy, receiver, limits, aborted };

    curl_easy_setopt (easy, CURLOPT_CURLU, url.get());
    curl_easy_setopt (easy, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt (easy, CURLOPT_FOLLOWLOCATION, 0L);            // get follows redirects, checking each hop
    curl_easy_setopt (easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt (easy, CURLOPT_QUICK_EXIT, 1L);               // never wait for a name look-up in flight
    curl_easy_setopt (easy, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");

    if (proxy.has_value())
        curl_easy_setopt (easy, CURLOPT_PROXY, proxy->toRawUTF8());

    curl_easy_setopt (easy, CURLOPT_CONNECTTIMEOUT_MS, (long) limits.connectTimeoutMs);

    if (deadline > 0)
        curl_easy_setopt (easy, CURLOPT_TIMEOUT_MS, (long) (deadline - now()));

    // An announced length over the ceiling ends the transfer before any byte of the body.
    if (limits.maxBodyBytes > 0)
        curl_easy_setopt (easy, CURLOPT_MAXFILESIZE_LARGE, (curl_off_t) limits.maxBodyBytes);

    curl_easy_setopt (easy, CURLOPT_BUFFERSIZE, (long) chunkBytes);

    curl_easy_setopt (easy, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt (easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt (easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt (easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt (easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt (easy, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt (easy, CURLOPT_XFERINFODATA, &transfer);

    if (curl_multi_add_handle (multi.get(), easy) != CURLM_OK)
        return Outcome::failed;

    {
        const juce::ScopedLock sl (wakeLock);
        currentMulti = multi.get();
    }

    // The library works only inside perform; between calls this thread waits for a
    // socket, for abort's wake-up or for the poll interval, and checks the limits.
    bool ended = false;

    for (;;)
    {
        int running = 0;

        if (curl_multi_perform (multi.get(), &running) != CURLM_OK)
            break;

        if (running == 0)
        {
            ended = true;
            break;
        }

        const auto t = now();

        if (aborted || (deadline > 0 && t >= deadline)
             || (limits.stallTimeoutMs > 0 && t - transfer.lastByteAt >= limits.stallTimeoutMs))
            break;

        curl_multi_poll (multi.get(), nullptr, 0, pollIntervalMs, nullptr);
    }

    {
        const juce::ScopedLock sl (wakeLock);
        currentMulti = nullptr;
    }

    auto code = CURLE_OK;
    int messagesLeft = 0;

    while (auto* message = curl_multi_info_read (multi.get(), &messagesLeft))
        if (message->msg == CURLMSG_DONE)
            code = message->data.result;

    curl_multi_remove_handle (multi.get(), easy);

    if (! ended)
        return Outcome::failed;

    const auto status = transfer.status();

    if ((code == CURLE_OK || code == CURLE_WRITE_ERROR) && status >= 300 && status < 400 && status != 304)
    {
        char* location = nullptr;

        if (curl_easy_getinfo (easy, CURLINFO_REDIRECT_URL, &location) != CURLE_OK || location == nullptr)
            return Outcome::failed;

        // The next address is the server's bytes: one that is not well-formed text
        // is refused like any other address that may not be fetched.
        return Utf8Text::decode (location, std::strlen (location), redirectTarget) ? Outcome::complete
                                                                                   : Outcome::refusedAddress;
    }

    if (code != CURLE_OK || status < 200 || status >= 300)
        return Outcome::failed;

    // An empty body never reaches the write callback.
    if (! transfer.bodyBegun && ! transfer.beginBody())
        return Outcome::failed;

    return Outcome::complete;
}
