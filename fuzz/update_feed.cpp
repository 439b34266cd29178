// Feeds arbitrary bytes to the update feed reader as the feed document, then runs
// the text rules the check applies to what it read: the version comparison, the
// installer file name and the address policy; the bytes also go through the
// conversion the release notes take from the network to the editor.

#include "update/UpdateFeed.h"
#include "update/UpdateNetwork.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    UpdateFeed feed;

    if (feed.parse (data, size))
    {
        const UpdateFeed::Version installed { 2, 0, 2 };
        (void) feed.available.isNewerThan (installed);
        (void) feed.available.toString();
        (void) UpdateFeed::installerFileName (feed.installerAddress);
        (void) UpdateNetwork::isPermittedAddress (juce::URL (feed.installerAddress));
        (void) UpdateNetwork::isPermittedAddress (juce::URL (feed.releaseNotesAddress));
    }

    // The same rules on the bytes as text, for inputs that are not XML.
    const auto text = UpdateNetwork::textFromBytes (juce::MemoryBlock (data, size));
    (void) UpdateFeed::installerFileName (text);
    (void) UpdateNetwork::hostOf (text);
    (void) UpdateFeed::parseFlag (text);
    return 0;
}
