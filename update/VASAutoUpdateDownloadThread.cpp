#include "update/VASAutoUpdateDownloadThread.h"

#include "update/StreamWatchdog.h"

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
    connection.abort();
}

void VASAutoUpdateDownloadThread::run()
{
    result = notWritten;
    const auto outcome = receive();

    if (outcome != written)
        result = outcome;
    else if (cancelFlag)
        result = cancelled;
    else
        result = writeInstaller() ? written : notWritten;
}

VASAutoUpdateDownloadThread::Result VASAutoUpdateDownloadThread::receive()
{
    // A server that goes quiet for the stall time gets its connection aborted, which
    // ends a blocked connect or read below.
    StreamWatchdog watchdog (connection, stallTimeoutMs);

    const bool opened = connection.open (address);
    auto* stream = connection.getStream();
    const auto total = opened ? stream->getTotalLength() - stream->getPosition() : (juce::int64) -1;

    if (cancelFlag)
        return cancelled;

    // An empty installer is no installer, and a length past the limit is not held in memory.
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
        const auto numRead = stream->read (bytes + bytesRead, wanted);

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
