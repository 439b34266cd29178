// The installer download over loopback: a 200 MB body served by the tests' HTTP
// server, read by the download thread into a scratch file and moved into place,
// and the same body read by the HTTP client alone and dropped, which leaves the
// disk out of the figure. Bytes per second are the download's speed.

#include <benchmark/benchmark.h>

#include "support/LoopbackHttpServer.h"
#include "support/ScratchFolder.h"
#include "update/UpdateHttpClient.h"
#include "update/VASAutoUpdateDownloadThread.h"

namespace
{
    constexpr juce::int64 installerBytes = 200 * 1000 * 1000;

    /** One server for every run: making the body takes longer than fetching it. */
    LoopbackHttpServer& getServer()
    {
        static LoopbackHttpServer server;
        static const bool served = [&]
        {
            server.serve ("/setup", LoopbackHttpServer::bytes (installerBytes));
            return true;
        }();

        juce::ignoreUnused (served);
        return server;
    }

    juce::URL installerAddress()
    {
        return juce::URL (getServer().getBaseAddress() + "/setup");
    }

    /** Counts the body and drops it. */
    struct Counter  : public UpdateHttpClient::Receiver
    {
        bool beginBody (juce::int64) override                   { return true; }
        bool receiveBody (const void*, size_t numBytes) override { received += (juce::int64) numBytes; ++chunks; return true; }

        juce::int64 received = 0, chunks = 0;
    };
}

static void downloadInstaller (benchmark::State& state)
{
    const auto address = installerAddress();
    ScratchFolder scratch ("dremlor-download-bench");
    const auto target = scratch.folder.getChildFile ("setup.exe");

    for (auto _ : state)
    {
        std::atomic<double> progress { 0.0 };
        VASAutoUpdateDownloadThread thread (address, target, &progress);
        thread.startThread();

        while (! thread.waitForThreadToExit (1000))
        {
        }

        if (thread.getResult() != VASAutoUpdateDownloadThread::written || target.getSize() != installerBytes)
        {
            state.SkipWithError ("the download did not complete");
            break;
        }

        state.PauseTiming();
        target.deleteFile();
        state.ResumeTiming();
    }

    state.SetBytesProcessed (state.iterations() * installerBytes);
}
BENCHMARK (downloadInstaller)->Unit (benchmark::kMillisecond)->UseRealTime()->Iterations (5);

static void fetchBodyOnly (benchmark::State& state)
{
    const auto address = installerAddress();
    UpdateHttpClient::Limits limits;
    juce::int64 chunks = 0;

    for (auto _ : state)
    {
        UpdateHttpClient client;
        Counter counter;

        if (client.get (address, counter, limits) != UpdateHttpClient::Outcome::complete || counter.received != installerBytes)
        {
            state.SkipWithError ("the fetch did not complete");
            break;
        }

        chunks += counter.chunks;
    }

    state.SetBytesProcessed (state.iterations() * installerBytes);
    state.counters["bytesPerChunk"] = chunks > 0 ? (double) (state.iterations() * installerBytes) / (double) chunks : 0.0;
}
BENCHMARK (fetchBodyOnly)->Unit (benchmark::kMillisecond)->UseRealTime()->Iterations (5);
