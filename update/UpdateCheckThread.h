#pragma once

#include "update/UpdateFeed.h"
#include "update/UpdateHttpClient.h"

#include <juce_core/juce_core.h>

#include <functional>

//==============================================================================
/**
    The network half of the update check, run off the message thread ("Update
    Check"): fetches the feed and, when it offers a newer version, the release notes.
    The message thread then asks the user with what was found (VASAutoUpdate).

    The updater starts one per check and deletes it when it is done or no longer
    wanted; deleting it aborts a fetch in progress at once, also one waiting for a
    name look-up, so quitting during a check never waits for the network.

    fetch is that work itself, done on the calling thread; run calls it.
*/
class UpdateCheckThread  : private juce::Thread
{
public:
    /** What the network said. */
    struct Found
    {
        /** False when the feed could not be fetched or read. */
        bool feedRead = false;

        /** The feed as read; a document without "VERSION" keeps the version it held before. */
        UpdateFeed feed;

        /** The release notes: fetched only for a newer version that can be offered. */
        juce::String releaseNotes;
    };

    /** onDone runs on the check's thread when the fetches have ended (not after an
        abort); the updater posts it on to the message thread.
    */
    UpdateCheckThread (const juce::URL& feedAddress, const UpdateFeed& known,
                       const UpdateFeed::Version& installed, bool canOffer,
                       std::function<void()> onDone);

    /** Aborts the fetch in progress and waits (briefly) for the thread to end. */
    ~UpdateCheckThread() override;

    /** Starts the fetches. */
    void start();

    /** The result; meaningful once onDone has run. */
    Found getFound() const;

    //==============================================================================
    /** Fetches the feed and, when it is newer than installed and canOffer, the notes. */
    static Found fetch (UpdateHttpClient& client, const juce::URL& feedAddress, const UpdateFeed& known,
                        const UpdateFeed::Version& installed, bool canOffer);

    /** How long the destructor waits for the aborted thread to end; the abort ends a
        fetch within UpdateHttpClient::pollIntervalMs. A thread still running after
        that is killed by force (juce::Thread::stopThread), leaving whatever it held,
        locks and memory, as it was.
    */
    static constexpr int stopTimeoutMs = 1000;

private:
    void run() override;

    const juce::URL feedAddress;
    const UpdateFeed known;
    const UpdateFeed::Version installed;
    const bool canOffer;
    const std::function<void()> onDone;
    UpdateHttpClient client;

    juce::CriticalSection foundLock;
    Found found;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpdateCheckThread)
};
