#include "update/UpdateNetwork.h"

#include "update/StreamWatchdog.h"

//==============================================================================
juce::String UpdateNetwork::hostOf (const juce::String& address)
{
    auto rest = address.fromFirstOccurrenceOf ("://", false, false);
    const auto end = rest.indexOfAnyOf ("/?#");

    if (end >= 0)
        rest = rest.substring (0, end);

    rest = rest.fromLastOccurrenceOf ("@", false, false);

    if (rest.startsWithChar ('['))
        return rest.upToFirstOccurrenceOf ("]", true, false).toLowerCase();

    return rest.upToFirstOccurrenceOf (":", false, false).toLowerCase();
}

bool UpdateNetwork::isPermittedAddress (const juce::URL& address)
{
    const auto text = address.toString (true).trim();

    if (text.startsWithIgnoreCase ("https://"))
        return hostOf (text).isNotEmpty();

    if (text.startsWithIgnoreCase ("http://"))
    {
        const auto host = hostOf (text);
        return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
    }

    return false;
}

bool UpdateNetwork::isSuccessStatus (int statusCode) noexcept
{
    return statusCode >= 200 && statusCode < 300;
}

//==============================================================================
juce::String UpdateNetwork::fetchText (const juce::URL& address, int deadlineMs)
{
    if (! isPermittedAddress (address))
        return {};

    juce::WebInputStream stream (address, false);
    stream.withConnectionTimeout (connectionTimeoutMs);

    const StreamWatchdog watchdog (stream, deadlineMs);

    if (! stream.connect (nullptr) || ! isSuccessStatus (stream.getStatusCode()))
        return {};

    juce::MemoryOutputStream body;
    char buffer[4096];

    while (! stream.isExhausted())
    {
        const auto numRead = stream.read (buffer, (int) sizeof (buffer));

        if (numRead <= 0)
            break;

        if (body.getDataSize() + (size_t) numRead > (size_t) maxTextBytes)
            return {};

        body.write (buffer, (size_t) numRead);
    }

    // An error here is a transfer cut short (or cancelled by the watchdog).
    if (stream.isError() || watchdog.hasFired())
        return {};

    return juce::String::createStringFromData (body.getData(), (int) body.getDataSize());
}
