#pragma once

#include "update/UpdateConnection.h"
#include "update/UpdateNetwork.h"

#include <juce_core/juce_core.h>

#include <atomic>

//==============================================================================
/**
    The "Download Thread": fetches the installer into memory in chunks of at most
    1024 bytes, publishing the progress after every chunk, and writes it to its
    target when every announced byte has arrived.

    VASAutoUpdate creates one per download, polls isThreadRunning from its timer and
    reads getResult once the thread has ended. cancel may be called from any thread:
    it sets the cancel flag, which the loop sees before its next chunk, and cuts a
    read that is waiting for the server short.

    Results: 0 complete but not written, 1 written, 2 cancelled, 3 download error
    (the address was refused or could not be opened, no length or an impossible one
    was announced, the transfer stopped before its end, or the thread was asked to
    stop).
*/
class VASAutoUpdateDownloadThread  : public juce::Thread
{
public:
    enum Result
    {
        notWritten = 0,
        written = 1,
        cancelled = 2,
        downloadError = 3
    };

    /** Nothing is fetched before startThread. progress (not owned) must outlive the
        thread; it receives bytes read divided by bytes announced.
    */
    VASAutoUpdateDownloadThread (const juce::URL& address, const juce::File& target,
                                 std::atomic<double>* progress,
                                 int stallTimeoutMs = UpdateNetwork::downloadStallTimeoutMs);

    /** Cancels the download and waits for the thread to end. */
    ~VASAutoUpdateDownloadThread() override;

    //==============================================================================
    void run() override;

    /** Writes the received bytes beside the target and then moves them into its
        place, so an existing installer is replaced only by a complete one. False
        when the file cannot be created, written or moved.
    */
    bool writeInstaller();

    /** Asks the download to stop; the result becomes 2 unless the file was already
        being written.
    */
    void cancel();

    /** The outcome; meaningful once the thread has ended. */
    int getResult() const noexcept              { return result; }

    /** The file the installer is written to. */
    const juce::File& getTarget() const noexcept    { return target; }

    //==============================================================================
    /** The largest piece read from the stream at once. */
    static constexpr int chunkSize = 1024;

    /** Announced lengths above this are refused rather than held in memory. */
    static constexpr juce::int64 maxInstallerBytes = (juce::int64) 1 << 30;

private:
    //==============================================================================
    /** Connects and reads the announced bytes into data; the result it settles on. */
    Result receive();

    juce::URL address;
    std::atomic<double>* progress = nullptr;
    juce::MemoryBlock data;
    juce::File target;
    std::atomic<bool> cancelFlag { false };
    std::atomic<int> result { notWritten };
    const int stallTimeoutMs;
    UpdateConnection connection { UpdateNetwork::connectionTimeoutMs };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASAutoUpdateDownloadThread)
};
