#include "support/LoopbackHttpServer.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/ScratchFolder.h"
#include "update/UpdateHttpClient.h"
#include "update/UpdateNetwork.h"
#include "update/VASAutoUpdateDownloadThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace
{
    using Response = LoopbackHttpServer::Response;

    /** Runs the thread to its end and returns how long that took. */
    juce::uint32 runToEnd (VASAutoUpdateDownloadThread& thread)
    {
        const auto start = juce::Time::getMillisecondCounter();
        thread.startThread();

        while (thread.isThreadRunning())
            juce::Thread::sleep (5);

        return juce::Time::getMillisecondCounter() - start;
    }

    bool holdsPattern (const juce::File& file, juce::int64 size)
    {
        juce::MemoryBlock data;

        if (! file.loadFileAsData (data) || (juce::int64) data.getSize() != size)
            return false;

        for (juce::int64 i = 0; i < size; ++i)
            if (static_cast<const juce::uint8*> (data.getData())[i] != LoopbackHttpServer::patternByte (i))
                return false;

        return true;
    }

    Response cut (Response r, juce::int64 sendOnly, bool holdOpen)
    {
        r.bytesToSend = sendOnly;
        r.holdOpen = holdOpen;
        return r;
    }

    Response withoutLength (Response r)
    {
        r.announceLength = false;
        return r;
    }

    Response withStatus (Response r, int status)
    {
        r.status = status;
        return r;
    }

    /** Keeps the size of each piece of the body that a fetch hands over. */
    struct Recorder  : public UpdateHttpClient::Receiver
    {
        bool beginBody (juce::int64) override                       { return true; }
        bool receiveBody (const void*, size_t numBytes) override    { chunks.push_back ((int) numBytes); return true; }

        std::vector<int> chunks;
    };

    juce::String fetchText (const juce::String& address)
    {
        UpdateHttpClient client;
        return UpdateNetwork::fetchText (client, juce::URL (address));
    }
}

//==============================================================================
class UpdateDownload  : public ::testing::Test
{
protected:
    juce::URL address (const juce::String& path) const
    {
        return juce::URL (server.getBaseAddress() + path);
    }

    LoopbackHttpServer server;
    ScratchFolder scratch { "dremlor-download" };
    const juce::File& folder = scratch.folder;
    std::atomic<double> progress { 0.0 };
};

TEST_F (UpdateDownload, EndsWithTheRightResultForEveryServerBehaviour)
{
    constexpr juce::int64 ceiling = 4 * 1024 * 1024;    // the installer's own is a gigabyte

    struct Case
    {
        const char* name;
        Response response;
        int expectedResult;
        juce::int64 expectedFileSize;   // -1: no file
        double expectedProgress;
    };

    const Case cases[] = {
        { "2500 bytes",            LoopbackHttpServer::bytes (2500),                    1, 2500, 1.0 },
        { "one byte",              LoopbackHttpServer::bytes (1),                       1, 1, 1.0 },
        { "exactly one chunk",     LoopbackHttpServer::bytes (1024),                    1, 1024, 1.0 },
        { "several megabytes",     LoopbackHttpServer::bytes (3 * 1024 * 1024 + 17),    1, 3 * 1024 * 1024 + 17, 1.0 },
        { "over the ceiling",      LoopbackHttpServer::bytes (ceiling + 1),             3, -1, 0.0 },   // not one byte read
        { "empty",                 LoopbackHttpServer::bytes (0),                       3, -1, 0.0 },
        { "no length",             withoutLength (LoopbackHttpServer::bytes (2500)),    3, -1, 0.0 },
        { "dropped midway",        cut (LoopbackHttpServer::bytes (2500), 1500, false), 3, -1, 0.6 },
        { "not found",             withStatus (LoopbackHttpServer::bytes (2500), 404),  3, -1, 0.0 },
        { "server error",          withStatus (LoopbackHttpServer::bytes (10), 500),    3, -1, 0.0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto path = "/" + juce::String (c.name).replaceCharacter (' ', '-');
        server.serve (path, c.response);

        const auto target = folder.getChildFile (juce::String (c.name) + ".exe");
        progress = 0.0;

        VASAutoUpdateDownloadThread thread (address (path), target, &progress, UpdateNetwork::downloadStallTimeoutMs, ceiling);
        runToEnd (thread);

        EXPECT_EQ (thread.getResult(), c.expectedResult);
        EXPECT_EQ (progress.load(), c.expectedProgress);

        if (c.expectedFileSize < 0)
            EXPECT_FALSE (target.exists());
        else
            EXPECT_TRUE (holdsPattern (target, c.expectedFileSize));
    }

    // The folder holds the four installers alone: no scratch file, hidden or not.
    EXPECT_EQ (scratch.names().size(), 4) << scratch.names().joinIntoString (", ");
}

TEST (UpdateFetch, BodiesArriveInChunksOfAtMostOneKilobyteAndNeverPastTheCeiling)
{
    LoopbackHttpServer server;
    UpdateHttpClient::Limits limits;
    limits.maxBodyBytes = 5000;

    // Over the ceiling, a body is refused before its first byte when announced, on the way when not.
    const std::tuple<Response, UpdateHttpClient::Outcome, juce::int64> cases[] = {
        { LoopbackHttpServer::bytes (5000),                   UpdateHttpClient::Outcome::complete, 5000 },
        { LoopbackHttpServer::bytes (5001),                   UpdateHttpClient::Outcome::failed,   0 },
        { withoutLength (LoopbackHttpServer::bytes (100000)), UpdateHttpClient::Outcome::failed,   5000 },
    };

    for (const auto& [response, outcome, mostHandedOver] : cases)
    {
        server.serve ("/body", response);
        UpdateHttpClient client;
        Recorder recorder;
        const auto& chunks = recorder.chunks;
        EXPECT_EQ (client.get (juce::URL (server.getBaseAddress() + "/body"), recorder, limits), outcome);
        EXPECT_LE (std::accumulate (chunks.begin(), chunks.end(), (juce::int64) 0), mostHandedOver);
        EXPECT_TRUE (std::all_of (chunks.begin(), chunks.end(), [] (int n) { return n <= UpdateHttpClient::chunkBytes; }));
    }
}

TEST_F (UpdateDownload, OnlyAPauseLongerThanTheStallTimeEndsADownload)
{
    // Pauses shorter than the stall time are a poor link, not a dead one.
    auto paced = LoopbackHttpServer::bytes (3000);
    paced.pieceBytes = 1000;
    paced.pauseMs = 700;
    server.serve ("/paced", paced);
    server.serve ("/stall", cut (LoopbackHttpServer::bytes (5000), 3000, true));

    struct Case { const char* path; int expected; juce::uint32 withinMs; };
    const Case cases[] = {
        { "/paced", VASAutoUpdateDownloadThread::written,       2500 },
        { "/stall", VASAutoUpdateDownloadThread::downloadError, 2500 },
    };

    for (const auto& c : cases)
    {
        const auto target = folder.getChildFile (juce::String (c.path).substring (1) + ".exe");
        progress = 0.0;

        VASAutoUpdateDownloadThread thread (address (c.path), target, &progress, 1000);
        EXPECT_LT (runToEnd (thread), c.withinMs) << c.path;
        EXPECT_EQ (thread.getResult(), c.expected) << c.path;
        EXPECT_EQ (target.exists(), c.expected == VASAutoUpdateDownloadThread::written) << c.path;
        EXPECT_GT (progress.load(), 0.0) << c.path;
    }
}

TEST_F (UpdateDownload, CancelStopsAWaitingReadAtOnce)
{
    server.serve ("/stall", cut (LoopbackHttpServer::bytes (5000), 3000, true));

    VASAutoUpdateDownloadThread thread (address ("/stall"), folder.getChildFile ("x.exe"), &progress);
    thread.startThread();

    while (progress.load() == 0.0)
        juce::Thread::sleep (5);

    const auto start = juce::Time::getMillisecondCounter();
    thread.cancel();

    while (thread.isThreadRunning())
        juce::Thread::sleep (5);

    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 300u);
    EXPECT_EQ (thread.getResult(), VASAutoUpdateDownloadThread::cancelled);
    EXPECT_FALSE (folder.getChildFile ("x.exe").exists());
}

TEST_F (UpdateDownload, UnreachableOrRefusedAddressesGiveADownloadError)
{
    // A port nobody listens on any more.
    juce::String closedAddress;

    {
        const LoopbackHttpServer closed;
        closedAddress = closed.getBaseAddress() + "/setup";
    }

    // Plain http to a host other than the loopback host: this server on 127.0.0.2
    // answers (the framework's own stream reaches it), but the download must never ask it.
    LoopbackHttpServer other ("127.0.0.2");
    ASSERT_GT (other.getPort(), 0);
    other.serve ("/setup", LoopbackHttpServer::bytes (100));
    const auto otherAddress = "http://127.0.0.2:" + juce::String (other.getPort()) + "/setup";
    ASSERT_NE (juce::URL (otherAddress).createInputStream (juce::URL::InputStreamOptions (juce::URL::ParameterHandling::inAddress)
                                                               .withConnectionTimeoutMs (2000)), nullptr);
    ASSERT_EQ (other.countRequests ("/setup"), 1);

    const juce::String addresses[] = { closedAddress, otherAddress, "ftp://127.0.0.1/setup" };

    for (const auto& a : addresses)
    {
        VASAutoUpdateDownloadThread thread ((juce::URL (a)), folder.getChildFile ("y.exe"), &progress);
        EXPECT_LT (runToEnd (thread), 3000u) << a;
        EXPECT_EQ (thread.getResult(), VASAutoUpdateDownloadThread::downloadError) << a;
    }

    EXPECT_FALSE (folder.getChildFile ("y.exe").exists());
    EXPECT_EQ (other.countRequests ("/setup"), 1);
}

TEST_F (UpdateDownload, ReplacesAnInstallerOnlyWithACompleteOne)
{
    const auto target = folder.getChildFile ("setup.exe");
    ASSERT_TRUE (target.replaceWithText ("the old installer"));

    // An incomplete download leaves the old file alone...
    server.serve ("/cut", cut (LoopbackHttpServer::bytes (2500), 2000, false));
    VASAutoUpdateDownloadThread failing (address ("/cut"), target, &progress);
    runToEnd (failing);
    EXPECT_EQ (failing.getResult(), VASAutoUpdateDownloadThread::downloadError);
    EXPECT_EQ (target.loadFileAsString(), "the old installer");

    // ...a complete one replaces it.
    server.serve ("/full", LoopbackHttpServer::bytes (2500));
    VASAutoUpdateDownloadThread complete (address ("/full"), target, &progress);
    runToEnd (complete);
    EXPECT_EQ (complete.getResult(), VASAutoUpdateDownloadThread::written);
    EXPECT_TRUE (holdsPattern (target, 2500));
}

//==============================================================================
using UpdateDownloadDeathTest = UpdateDownload;

TEST_F (UpdateDownloadDeathTest, ARunThatDiesMidDownloadLeavesTheOldInstallerAndAHiddenScratchFile)
{
    if (*ScopedFileSizeLimit::unsupportedReason() != 0)
        GTEST_SKIP() << ScopedFileSizeLimit::unsupportedReason();

    server.serve ("/setup", LoopbackHttpServer::bytes (50000));
    const auto target = folder.getChildFile ("setup.exe");
    ASSERT_TRUE (target.replaceWithText ("the old installer"));

    // Killed at its first write to the disk, as a crash or a power cut would end it.
    // The download runs on the test's own thread: a forked process starts no thread.
    EXPECT_EXIT ({
        ScopedFileSizeLimit limit (0, ScopedFileSizeLimit::Overrun::killsTheProcess);
        VASAutoUpdateDownloadThread (address ("/setup"), target, &progress).run();
    }, ScopedFileSizeLimit::killedTheProcess, "");

    const auto left = scratch.names();
    ASSERT_EQ (left.size(), 2) << left.joinIntoString (", ");
    EXPECT_TRUE (left[0].startsWith (".setup.exe.") && left[0].endsWith (".tmp")) << left[0];
    EXPECT_EQ (target.loadFileAsString(), "the old installer");
}

TEST_F (UpdateDownload, FirstRemovesTheScratchFilesADeadRunLeftForItsTargetAndNothingElse)
{
    const auto leftover = folder.getChildFile (".setup.exe.89abcdef.tmp");
    ASSERT_TRUE (leftover.replaceWithText ("left by a run that died"));

    // Kept: another file, another target's scratch file, names only like this target's
    // (no dot in front, a tag too short or too long, letters past f or in upper case),
    // and a folder named as a scratch file.
    for (const auto* name : { "other.exe", ".other.exe.0123abcd.tmp", "setup.exe.0123abcd.tmp", ".setup.exe.0123abc.tmp",
                              ".setup.exe.0123abcd0.tmp", ".setup.exe.0123abcg.tmp", ".setup.exe.0123ABCD.tmp" })
        ASSERT_TRUE (folder.getChildFile (name).replaceWithText ("kept"));

    ASSERT_TRUE (folder.getChildFile (".setup.exe.76543210.tmp").createDirectory());

    server.serve ("/setup", LoopbackHttpServer::bytes (2500));
    VASAutoUpdateDownloadThread download (address ("/setup"), folder.getChildFile ("setup.exe"), &progress);
    runToEnd (download);

    EXPECT_FALSE (leftover.exists());
    EXPECT_EQ (scratch.names().size(), 9) << scratch.names().joinIntoString (", ");
}

TEST_F (UpdateDownload, ADownloadThatCannotBeWrittenIsResultZero)
{
    server.serve ("/full", LoopbackHttpServer::bytes (2500));

    // A "folder" that is a file, and a target that is a folder: neither can take the installer.
    const auto notAFolder = folder.getChildFile ("plain-file");
    ASSERT_TRUE (notAFolder.replaceWithText ("x"));
    const auto aFolder = folder.getChildFile ("taken.exe");
    ASSERT_TRUE (aFolder.createDirectory());

    for (const auto& target : { notAFolder.getChildFile ("setup.exe"), aFolder })
    {
        progress = 0.0;
        VASAutoUpdateDownloadThread thread (address ("/full"), target, &progress);
        runToEnd (thread);
        EXPECT_EQ (thread.getResult(), VASAutoUpdateDownloadThread::notWritten) << target.getFullPathName();
        EXPECT_EQ (progress.load(), 0.0);   // found out before the first byte is fetched
    }

    EXPECT_TRUE (aFolder.isDirectory());
    EXPECT_EQ (notAFolder.loadFileAsString(), "x");
}

//==============================================================================
TEST (UpdateFetch, TextFetchesEndWithinTheirBoundWhateverTheServerDoes)
{
    LoopbackHttpServer server;
    server.serve ("/feed.xml", LoopbackHttpServer::text ("<rss/>"));
    server.serve ("/missing.xml", withStatus (LoopbackHttpServer::text ("<rss/>"), 404));
    server.serve ("/cut.xml", cut (LoopbackHttpServer::text ("<rss><VERSION major='9'/></rss>"), 10, false));

    auto silent = LoopbackHttpServer::text ("<rss/>");
    silent.silent = true;
    server.serve ("/silent.xml", silent);

    auto drip = LoopbackHttpServer::bytes (100000);
    drip.pieceBytes = 400;
    drip.pauseMs = 100;
    server.serve ("/drip.xml", drip);

    server.serve ("/huge.xml", LoopbackHttpServer::bytes (UpdateNetwork::maxTextBytes + 1));

    struct Case { const char* path; const char* expected; juce::uint32 withinMs; };
    const Case cases[] = {
        { "/feed.xml",    "<rss/>", 1000 },
        { "/missing.xml", "",       1000 },
        { "/cut.xml",     "",       1000 },
        { "/huge.xml",    "",       2000 },
        { "/silent.xml",  "",       (juce::uint32) UpdateNetwork::textFetchDeadlineMs + 1500 },
        { "/drip.xml",    "",       (juce::uint32) UpdateNetwork::textFetchDeadlineMs + 1500 },
    };

    for (const auto& c : cases)
    {
        const auto start = juce::Time::getMillisecondCounter();
        EXPECT_EQ (fetchText (server.getBaseAddress() + c.path), juce::String (c.expected)) << c.path;
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, c.withinMs) << c.path;
    }
}

TEST (UpdateFetch, RedirectsAreFollowedOnlyToPermittedAddresses)
{
    LoopbackHttpServer server;
    LoopbackHttpServer other ("127.0.0.2");
    ASSERT_GT (other.getPort(), 0);

    const auto base = server.getBaseAddress();
    const auto otherBase = "http://127.0.0.2:" + juce::String (other.getPort());
    other.serve ("/feed.xml", LoopbackHttpServer::text ("<elsewhere/>"));

    server.serve ("/feed.xml", LoopbackHttpServer::text ("<rss/>"));
    server.serve ("/absolute", LoopbackHttpServer::redirect (base + "/feed.xml"));
    server.serve ("/rooted", LoopbackHttpServer::redirect ("/absolute"));
    server.serve ("/dir/relative", LoopbackHttpServer::redirect ("../rooted"));
    server.serve ("/to-plain-http", LoopbackHttpServer::redirect (otherBase + "/feed.xml"));
    server.serve ("/no-location", LoopbackHttpServer::redirect ({}));
    server.serve ("/loop", LoopbackHttpServer::redirect ("/loop"));

    const std::pair<const char*, const char*> cases[] = {
        { "/absolute",      "<rss/>" },
        { "/rooted",        "<rss/>" },     // two hops
        { "/dir/relative",  "<rss/>" },     // three, the first relative to its folder
        { "/to-plain-http", "" },
        { "/no-location",   "" },
        { "/loop",          "" },
    };

    for (const auto& [path, expected] : cases)
        EXPECT_EQ (fetchText (base + path), juce::String (expected)) << path;

    EXPECT_EQ (server.countRequests ("/loop"), UpdateHttpClient::maxRedirects + 1);
    EXPECT_EQ (other.countRequests ("/feed.xml"), 0);

    // A download is redirected the same way.
    server.serve ("/setup", LoopbackHttpServer::bytes (3000));
    server.serve ("/download", LoopbackHttpServer::redirect ("/setup"));
    server.serve ("/download-plain", LoopbackHttpServer::redirect (otherBase + "/setup"));
    other.serve ("/setup", LoopbackHttpServer::bytes (3000));

    const auto folder = juce::File::createTempFile ("dremlor-redirect");
    folder.createDirectory();
    std::atomic<double> progress { 0.0 };

    for (const auto& [path, expected] : { std::pair<const char*, int> { "/download", 1 }, { "/download-plain", 3 } })
    {
        VASAutoUpdateDownloadThread thread (juce::URL (base + path), folder.getChildFile ("setup.exe"), &progress);
        runToEnd (thread);
        EXPECT_EQ (thread.getResult(), expected) << path;
    }

    EXPECT_EQ (other.countRequests ("/setup"), 0);
    folder.deleteRecursively();
}

TEST (UpdateFetch, ARedirectToBytesThatAreNotTextIsARefusedAddress)
{
    LoopbackHttpServer server;
    const auto notes = server.getBaseAddress().toStdString() + "/notes";
    server.serve ("/notes", LoopbackHttpServer::text ("notes"));

    // Absolute addresses: the library hands those on as the server sent them (it
    // escapes the bytes of a relative one itself).
    const std::pair<std::string, UpdateHttpClient::Outcome> cases[] = {
        { "http://127.0.0.1/notes/\xC0\x80" + std::string (200, 'A'), UpdateHttpClient::Outcome::refusedAddress },
        { notes + "\xE2\x82",      UpdateHttpClient::Outcome::refusedAddress },     // cut short
        { notes,                   UpdateHttpClient::Outcome::complete },
    };

    for (const auto& [location, outcome] : cases)
    {
        SCOPED_TRACE (location);
        auto redirect = LoopbackHttpServer::redirect ({});
        redirect.locationBytes.replaceAll (location.data(), location.size());
        server.serve ("/feed.xml", redirect);

        UpdateHttpClient client;
        Recorder receiver;
        EXPECT_EQ (client.get (juce::URL (server.getBaseAddress() + "/feed.xml"), receiver, {}), outcome);
    }
}
