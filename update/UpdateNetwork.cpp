#include "update/UpdateNetwork.h"

#include "text/Utf8Text.h"

#include "update/UpdateHttpClient.h"

//==============================================================================
juce::String UpdateNetwork::authorityOf (const juce::String& address)
{
    auto rest = address.fromFirstOccurrenceOf ("://", false, false);
    const auto end = rest.indexOfAnyOf ("/?#");

    if (end >= 0)
        rest = rest.substring (0, end);

    return rest.fromLastOccurrenceOf ("@", false, false);
}

juce::String UpdateNetwork::hostOf (const juce::String& address)
{
    const auto authority = authorityOf (address);

    if (authority.startsWithChar ('['))
        return authority.upToFirstOccurrenceOf ("]", true, false).toLowerCase();

    return authority.upToFirstOccurrenceOf (":", false, false).toLowerCase();
}

bool UpdateNetwork::isPermittedAddress (const juce::URL& address)
{
    return isPermittedAddress (address.toString (true));
}

juce::URL UpdateNetwork::addressFrom (const juce::String& address)
{
    return address.length() <= maxAddressLength ? juce::URL (address) : juce::URL();
}

bool UpdateNetwork::isPermittedAddress (const juce::String& address)
{
    const auto text = address.trim();

    if (text.startsWithIgnoreCase ("https://"))
        return hostOf (text).isNotEmpty();

    if (text.startsWithIgnoreCase ("http://"))
    {
        const auto host = hostOf (text);
        return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
    }

    return false;
}

//==============================================================================
namespace
{
    /** Collects a text document, refusing one longer than the limit. */
    class TextReceiver  : public UpdateHttpClient::Receiver
    {
    public:
        bool beginBody (juce::int64 announcedLength) override
        {
            return announcedLength <= (juce::int64) UpdateNetwork::maxTextBytes;
        }

        bool receiveBody (const void* data, size_t numBytes) override
        {
            return body.write (data, numBytes);
        }

        juce::MemoryOutputStream body;
    };
}

bool UpdateNetwork::fetch (UpdateHttpClient& client, const juce::URL& address, juce::MemoryBlock& result, int deadlineMs)
{
    result.reset();

    UpdateHttpClient::Limits limits;
    limits.connectTimeoutMs = connectionTimeoutMs;
    limits.totalTimeoutMs = deadlineMs;
    limits.maxBodyBytes = maxTextBytes;

    TextReceiver receiver;

    if (client.get (address, receiver, limits) != UpdateHttpClient::Outcome::complete)
        return false;

    result = receiver.body.getMemoryBlock();
    return true;
}

juce::String UpdateNetwork::fetchText (UpdateHttpClient& client, const juce::URL& address, int deadlineMs)
{
    juce::MemoryBlock body;
    return fetch (client, address, body, deadlineMs) ? textFromBytes (body) : juce::String();
}

juce::String UpdateNetwork::textFromBytes (const juce::MemoryBlock& bytes)
{
    const auto* data = static_cast<const juce::uint8*> (bytes.getData());
    const auto size = (int) juce::jmin (bytes.getSize(), (size_t) maxTextBytes);

    if (size == 0)
        return {};

    const bool utf16 = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));

    return utf16 ? Utf8Text::fromUtf16 (data, (size_t) size) : Utf8Text::toText (data, (size_t) size);
}
