#include "update/VASAutoUpdateDownloadThread.h"

#include "update/StreamWatchdog.h"
#include "update/UpdateNetwork.h"

VASAutoUpdateDownloadThread::VASAutoUpdateDownloadThread (const juce::URL& addressToFetch,
                                                          const juce::File& targetFile,
                                                          std::atomic<double>* progressValue,
                                                          int stallTimeout)
    : juce::Thread ("Download Thread"),
      address (addressToFetch),
      progress (progressValue),
      target (targetFile),
      stallTimeoutMs (stallTimeout)
{
}

VASAutoUpdateDownloadThread::~VASAutoUpdateDownloadThread()
{
    // The cancelled stream returns from a blocked read within about a second; the
    // wait is longer than that so that the thread is never killed mid-call.
    cancel();
    signalThreadShouldExit();
    stopThread (5000);
}

//==============================================================================
void VASAutoUpdateDownloadThread::cancel()
{
    cancelFlag = true;

    const juce::ScopedLock sl (streamLock);

    if (activeStream != nullptr)
        activeStream->cancel();
}

void VASAutoUpdateDownloadThread::run()
{
    result = notWritten;

    if (! UpdateNetwork::isPermittedAddress (address))
    {
        result = downloadError;
        return;
    }

    juce::WebInputStream stream (address, false);
    stream.withConnectionTimeout (UpdateNetwork::connectionTimeoutMs);

    {
        const juce::ScopedLock sl (streamLock);
        activeStream = &stream;

        // A cancel that came before the stream existed still cuts it short.
        if (cancelFlag)
            stream.cancel();
    }

    const auto outcome = receive (stream);

    {
        const juce::ScopedLock sl (streamLock);
        activeStream = nullptr;
    }

    if (outcome != written)
        result = outcome;
    else if (cancelFlag)
        result = cancelled;
    else
        result = writeInstaller() ? written : notWritten;
}

VASAutoUpdateDownloadThread::Result VASAutoUpdateDownloadThread::receive (juce::WebInputStream& stream)
{
    // A server that goes quiet for the stall time gets its stream cancelled, which
    // ends the blocked read below.
    StreamWatchdog watchdog (stream, stallTimeoutMs);
    const bool opened = stream.connect (nullptr) && UpdateNetwork::isSuccessStatus (stream.getStatusCode());
    const auto total = opened ? stream.getTotalLength() - stream.getPosition() : (juce::int64) -1;

    // An empty installer is no installer, and a length past the limit is not held in memory.
    if (cancelFlag)
        return cancelled;

    if (! opened || total <= 0 || total > maxInstallerBytes)
        return downloadError;

    data.setSize ((size_t) total);
    auto* const bytes = static_cast<char*> (data.getData());

    juce::int64 remaining = total, bytesRead = 0;

    while (! threadShouldExit())
    {
        if (remaining <= 0 || cancelFlag)
            break;

        const auto wanted = (int) juce::jmin (remaining, (juce::int64) chunkSize);
        const auto numRead = stream.read (bytes + bytesRead, wanted);

        // The server closed, dropped or stalled the connection before the end.
        if (numRead <= 0)
            break;

        watchdog.restart();
        bytesRead += numRead;
        remaining = total - bytesRead;
        progress->store ((double) bytesRead / (double) total);
    }

    data.setSize ((size_t) bytesRead);

    if (cancelFlag)
        return cancelled;

    return remaining == 0 ? written : downloadError;
}

//==============================================================================
bool VASAutoUpdateDownloadThread::writeInstaller()
{
    if (target.isDirectory())
        return false;

    const juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream out (temporary.getFile(), 16384);

        if (out.failedToOpen())
            return false;

        if (! out.write (data.getData(), data.getSize()))
            return false;

        out.flush();

        if (out.getStatus().failed())
            return false;
    }

    return temporary.overwriteTargetFileWithTemporary();
}
