// Runs only inside tools/hostile-network.sh (ctest registers it that way): a network
// namespace with nothing but the loopback device, a name server that never answers,
// a host that never speaks and a server that trickles a byte a second.

#include "update/UpdateCheckThread.h"
#include "update/UpdateNetwork.h"
#include "update/VASAutoUpdateDownloadThread.h"

#include <gtest/gtest.h>

#include <future>

namespace
{
    juce::uint32 since (juce::uint32 start)
    {
        return juce::Time::getMillisecondCounter() - start;
    }

    /** Why this process is not in the prepared network, or empty when it is. */
    juce::String whyNotInHostileNetwork()
    {
        if (juce::SystemStats::getEnvironmentVariable ("DREMLOR_HOSTILE_NETWORK", {}) != "1")
            return "not started through tools/hostile-network.sh";

        if (juce::File ("/etc/resolv.conf").loadFileAsString().trim() != "nameserver 127.0.0.1")
            return "/etc/resolv.conf does not name 127.0.0.1 alone";

        // Only the loopback device: no route leads off this machine.
        if (juce::StringArray::fromLines (juce::File ("/proc/net/route").loadFileAsString().trim()).size() > 1)
            return "the namespace has a route off this machine";

        return {};
    }
}

TEST (HostileNetwork, EveryFetchEndsWithinItsLimitsAndIsAbandonedAtOnce)
{
    const auto why = whyNotInHostileNetwork();
    ASSERT_TRUE (why.isEmpty()) << why;

    // Each fetch ends by its row's limit and not sooner: one that ends early proves nothing.
    constexpr juce::uint32 stallMs = UpdateNetwork::connectionTimeoutMs + 1000;     // between the other two limits
    constexpr juce::uint32 slackMs = 700;
    constexpr juce::uint32 marginMs = 200;
    const auto connect = (juce::uint32) UpdateNetwork::connectionTimeoutMs;
    const auto deadline = (juce::uint32) UpdateNetwork::textFetchDeadlineMs;

    struct Case
    {
        const char* name;
        const char* server;
        juce::uint32 feedLimitMs;           // 0: ends at once
        int downloadResult;                 // -1: still running after three seconds
        juce::uint32 downloadLimitMs;       // 0: ends at once
    };

    const Case cases[] = {
        { "name server never answers",    "https://update.dremlor.example", connect,  3,  connect },
        { "host never speaks (TLS)",      "https://127.0.0.1:7701",         connect,  3,  connect },
        { "host never speaks (HTTP)",     "http://127.0.0.1:7701",          deadline, 3,  stallMs },
        { "a byte a second",              "http://127.0.0.1:7702",          deadline, -1, 3000 },
        { "nobody listens",               "http://127.0.0.1:7703",          0,        3,  0 },
    };

    ASSERT_FALSE (juce::StreamingSocket().connect ("127.0.0.1", 7703, 500)) << "the last row needs a refused connection";

    const auto folder = juce::File::createTempFile ("dremlor-hostile");
    ASSERT_TRUE (folder.createDirectory());

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const juce::String server (c.server);
        const auto target = folder.getChildFile ("setup.exe");
        ASSERT_TRUE (target.replaceWithText ("the old installer"));

        // The download and the feed run at the same time; this thread times both.
        std::atomic<double> progress { 0.0 };
        auto download = std::make_unique<VASAutoUpdateDownloadThread> (juce::URL (server + "/setup"), target, &progress, (int) stallMs);
        auto start = juce::Time::getMillisecondCounter();
        download->startThread();

        auto feed = std::async (std::launch::async, [&]
        {
            UpdateHttpClient client;
            const auto text = UpdateNetwork::fetchText (client, juce::URL (server + "/rss/feed.xml"));
            return std::make_pair (text, since (start));
        });

        while (download->isThreadRunning() && since (start) < c.downloadLimitMs + slackMs)
            juce::Thread::sleep (10);

        const auto downloadTookMs = since (start);
        const auto [feedText, feedTookMs] = feed.get();

        EXPECT_EQ (feedText, "");
        EXPECT_LT (feedTookMs, c.feedLimitMs + slackMs);
        EXPECT_GE (feedTookMs + marginMs, c.feedLimitMs);
        EXPECT_GE (downloadTookMs + marginMs, c.downloadLimitMs);

        if (c.downloadResult < 0)
        {
            EXPECT_TRUE (download->isThreadRunning());
            EXPECT_GT (progress.load(), 0.0);
        }
        else
        {
            EXPECT_FALSE (download->isThreadRunning());
            EXPECT_EQ (download->getResult(), c.downloadResult);
        }

        // Quitting with a download stuck: deleting the thread returns at once.
        start = juce::Time::getMillisecondCounter();
        download.reset();
        EXPECT_LT (since (start), 300u);
        EXPECT_EQ (target.loadFileAsString(), "the old installer");

        // Quitting with the start-up check stuck in the same place.
        auto check = std::make_unique<UpdateCheckThread> (juce::URL (server + "/rss/feed.xml"), UpdateFeed(),
                                                          UpdateFeed::Version { 2, 0, 2 }, true, [] {});
        check->start();
        juce::Thread::sleep (300);
        start = juce::Time::getMillisecondCounter();
        check.reset();
        EXPECT_LT (since (start), 300u);
    }

    folder.deleteRecursively();
}
