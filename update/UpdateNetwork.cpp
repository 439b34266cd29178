#include "update/UpdateNetwork.h"

#include "skin/Utf8Text.h"

#include "update/StreamWatchdog.h"
#include "update/UpdateConnection.h"

#include <cstring>

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
bool UpdateNetwork::fetch (const juce::URL& address, juce::MemoryBlock& result, int deadlineMs)
{
    result.reset();

    if (! isPermittedAddress (address))
        return false;

    UpdateConnection connection (connectionTimeoutMs);
    const StreamWatchdog watchdog (connection, deadlineMs);

    if (! connection.open (address))
        return false;

    auto& stream = *connection.getStream();

    juce::MemoryOutputStream body;
    char buffer[4096];

    while (! stream.isExhausted())
    {
        const auto numRead = stream.read (buffer, (int) sizeof (buffer));

        if (numRead <= 0)
            break;

        if (body.getDataSize() + (size_t) numRead > (size_t) maxTextBytes)
            return false;

        body.write (buffer, (size_t) numRead);
    }

    // An error here is a transfer cut short (or cancelled by the watchdog).
    if (stream.isError() || watchdog.hasFired())
        return false;

    result = body.getMemoryBlock();
    return true;
}

juce::String UpdateNetwork::fetchText (const juce::URL& address, int deadlineMs)
{
    juce::MemoryBlock body;
    return fetch (address, body, deadlineMs) ? textFromBytes (body) : juce::String();
}

juce::String UpdateNetwork::textFromBytes (const juce::MemoryBlock& bytes)
{
    const auto* data = static_cast<const juce::uint8*> (bytes.getData());
    const auto size = (int) juce::jmin (bytes.getSize(), (size_t) maxTextBytes);

    if (size == 0)
        return {};

    const bool utf16 = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));

    return utf16 ? juce::String::createStringFromData (data, size) : Utf8Text::toText (data, (size_t) size);
}
