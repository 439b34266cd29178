#include "update/UpdateCheckThread.h"

#include "update/UpdateNetwork.h"

UpdateCheckThread::UpdateCheckThread (const juce::URL& feed, const UpdateFeed& knownFeed,
                                      const UpdateFeed::Version& installedVersion, bool offerPossible,
                                      std::function<void()> whenDone)
    : juce::Thread ("Update Check"),
      feedAddress (feed),
      known (knownFeed),
      installed (installedVersion),
      canOffer (offerPossible),
      onDone (std::move (whenDone))
{
}

UpdateCheckThread::~UpdateCheckThread()
{
    client.abort();
    signalThreadShouldExit();
    stopThread (stopTimeoutMs);
}

void UpdateCheckThread::start()
{
    startThread();
}

UpdateCheckThread::Found UpdateCheckThread::getFound() const
{
    const juce::ScopedLock sl (foundLock);
    return found;
}

//==============================================================================
UpdateCheckThread::Found UpdateCheckThread::fetch (UpdateHttpClient& client, const juce::URL& address,
                                                   const UpdateFeed& knownFeed,
                                                   const UpdateFeed::Version& installedVersion, bool offerPossible)
{
    Found result;
    result.feed = knownFeed;

    juce::MemoryBlock document;
    result.feedRead = UpdateNetwork::fetch (client, address, document)
                   && result.feed.parse (document.getData(), document.getSize());

    if (! result.feedRead || ! offerPossible || ! result.feed.available.isNewerThan (installedVersion))
        return result;

    if (result.feed.hasReleaseNotes && result.feed.releaseNotesAddress.isNotEmpty())
        result.releaseNotes = UpdateNetwork::fetchText (client, UpdateNetwork::addressFrom (result.feed.releaseNotesAddress));

    return result;
}

void UpdateCheckThread::run()
{
    auto result = fetch (client, feedAddress, known, installed, canOffer);

    if (client.isAborted())
        return;

    {
        const juce::ScopedLock sl (foundLock);
        found = std::move (result);
    }

    if (onDone != nullptr)
        onDone();
}
