#include "update/UpdateConnection.h"

#include "update/UpdateNetwork.h"

UpdateConnection::UpdateConnection (int connectionTimeoutMs)
    : timeoutMs (connectionTimeoutMs)
{
}

UpdateConnection::~UpdateConnection()
{
    const juce::ScopedLock sl (lock);
    stream.reset();
}

//==============================================================================
bool UpdateConnection::open (const juce::URL& address)
{
    auto current = address;

    for (int hop = 0; hop <= maxRedirects; ++hop)
    {
        if (aborted || ! UpdateNetwork::isPermittedAddress (current))
            return false;

        auto next = std::make_unique<juce::WebInputStream> (current, false);
        next->withConnectionTimeout (timeoutMs).withNumRedirectsToFollow (0);

        {
            // Swapped under the lock, so abort never reaches a stream being deleted.
            const juce::ScopedLock sl (lock);
            stream = std::move (next);

            if (aborted)
                stream->cancel();
        }

        if (! stream->connect (nullptr))
            return false;

        const auto status = stream->getStatusCode();

        if (status < 300 || status >= 400 || status == 304)
            return UpdateNetwork::isSuccessStatus (status);

        const auto location = stream->getResponseHeaders()["Location"].trim();

        if (location.isEmpty())
            return false;

        current = resolveLocation (current, location);
    }

    return false;
}

void UpdateConnection::abort()
{
    aborted = true;

    const juce::ScopedLock sl (lock);

    if (stream != nullptr)
        stream->cancel();
}

//==============================================================================
juce::URL UpdateConnection::resolveLocation (const juce::URL& from, const juce::String& location)
{
    const auto base = from.toString (false);
    const auto scheme = base.upToFirstOccurrenceOf ("://", true, false);

    const auto locationScheme = location.upToFirstOccurrenceOf ("://", false, false);

    if (location.contains ("://") && locationScheme.isNotEmpty()
         && locationScheme.containsOnly ("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-."))
        return juce::URL (location);

    if (location.startsWith ("//"))
        return juce::URL (scheme.dropLastCharacters (2) + location);

    const auto afterScheme = base.fromFirstOccurrenceOf ("://", false, false);
    const auto authority = afterScheme.upToFirstOccurrenceOf ("/", false, false);

    if (location.startsWithChar ('/'))
        return juce::URL (scheme + authority + location);

    const auto path = afterScheme.fromFirstOccurrenceOf ("/", true, false);
    const auto folder = path.upToLastOccurrenceOf ("/", true, false);
    return juce::URL (scheme + authority + (folder.isEmpty() ? "/" : folder) + location);
}
