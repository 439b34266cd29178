#pragma once

#include "update/UpdateHttpClient.h"
#include "update/UpdateNetwork.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <memory>

//==============================================================================
/**
    The "Download Thread": fetches the installer and writes it, as it arrives, to a
    scratch file beside its target (ScratchFile: hidden, and never taken for an
    installer, also on Windows), publishing the progress after every piece of at most
    UpdateHttpClient::chunkBytes; when every announced byte has arrived it moves the
    file into the target's place. Anything less leaves the target (an older
    installer) untouched and removes the scratch file. Scratch files of the same
    target left by a run that died mid-download are removed when the next download
    starts.

    VASAutoUpdate creates one per download, polls isThreadRunning from its timer and
    reads getResult once the thread has ended. cancel may be called from any thread:
    it ends the fetch within UpdateHttpClient::pollIntervalMs, whatever the network
    is doing, so the destructor never waits long.

    Results: 0 the file could not be written, 1 written, 2 cancelled, 3 download
    error (the address was refused or could not be fetched, no length or an
    impossible one was announced, no byte came for the stall time, the transfer
    stopped before its end, or the thread was asked to stop).
*/
class VASAutoUpdateDownloadThread  : public juce::Thread,
                                     private UpdateHttpClient::Receiver
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
        thread; it receives bytes received divided by bytes announced. An installer
        larger than maxBytes is refused.
    */
    VASAutoUpdateDownloadThread (const juce::URL& address, const juce::File& target,
                                 std::atomic<double>* progress,
                                 int stallTimeoutMs = UpdateNetwork::downloadStallTimeoutMs,
                                 juce::int64 maxBytes = maxInstallerBytes);

    /** Cancels the download and waits for the thread to end. */
    ~VASAutoUpdateDownloadThread() override;

    //==============================================================================
    void run() override;

    /** Moves the completely received installer into the target's place. False when
        it cannot be flushed or moved (the target is then left as it was).
    */
    bool writeInstaller();

    /** Asks the download to stop; the result becomes 2 unless the file was already
        complete.
    */
    void cancel();

    /** The outcome; meaningful once the thread has ended. */
    int getResult() const noexcept              { return result; }

    /** The file the installer is written to. */
    const juce::File& getTarget() const noexcept    { return target; }

    //==============================================================================
    /** Installers larger than this are refused, by the HTTP client's body ceiling. */
    static constexpr juce::int64 maxInstallerBytes = (juce::int64) 1 << 30;

    /** How long the destructor waits for the cancelled thread to end; the cancel ends
        the fetch within UpdateHttpClient::pollIntervalMs. A thread still running after
        that is killed by force (juce::Thread::stopThread), leaving its scratch file
        and whatever it held as it was.
    */
    static constexpr int stopTimeoutMs = 1000;

private:
    //==============================================================================
    Result receive();

    bool beginBody (juce::int64 announcedLength) override;
    bool receiveBody (const void* data, size_t numBytes) override;

    juce::URL address;
    std::atomic<double>* progress = nullptr;
    juce::File target;
    std::atomic<bool> cancelFlag { false };
    std::atomic<int> result { notWritten };
    const int stallTimeoutMs;
    const juce::int64 maxBytes;
    UpdateHttpClient client;

    // The download thread's own, between beginBody and the end of run.
    std::unique_ptr<juce::TemporaryFile> temporary;
    std::unique_ptr<juce::FileOutputStream> file;
    juce::int64 total = 0, bytesReceived = 0;
    bool fileFailed = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASAutoUpdateDownloadThread)
};
