#include "update/VASAutoUpdateDownloadThread.h"

#include "devicelink/ScratchFile.h"

VASAutoUpdateDownloadThread::VASAutoUpdateDownloadThread (const juce::URL& addressToFetch,
                                                          const juce::File& targetFile,
                                                          std::atomic<double>* progressValue,
                                                          int stallTimeout,
                                                          juce::int64 largestInstaller)
    : juce::Thread ("Download Thread"),
      address (addressToFetch),
      progress (progressValue),
      target (targetFile),
      stallTimeoutMs (stallTimeout),
      maxBytes (largestInstaller)
{
}

VASAutoUpdateDownloadThread::~VASAutoUpdateDownloadThread()
{
    cancel();
    signalThreadShouldExit();
    stopThread (stopTimeoutMs);
}

//==============================================================================
void VASAutoUpdateDownloadThread::cancel()
{
    cancelFlag = true;
    client.abort();
}

void VASAutoUpdateDownloadThread::run()
{
    result = notWritten;

    // What an earlier run could not clean up, because the program died mid-download.
    ScratchFile::removeLeftovers (target);

    const auto outcome = receive();

    // The scratch file goes whatever happened; after a move there is nothing left of it.
    file.reset();
    temporary.reset();
    result = outcome;
}

VASAutoUpdateDownloadThread::Result VASAutoUpdateDownloadThread::receive()
{
    UpdateHttpClient::Limits limits;
    limits.connectTimeoutMs = UpdateNetwork::connectionTimeoutMs;
    limits.stallTimeoutMs = stallTimeoutMs;
    limits.maxBodyBytes = maxBytes;

    const auto outcome = client.get (address, *this, limits);

    if (fileFailed)
        return notWritten;

    if (cancelFlag)
        return cancelled;

    if (outcome != UpdateHttpClient::Outcome::complete || total <= 0 || bytesReceived != total || threadShouldExit())
        return downloadError;

    return writeInstaller() ? written : notWritten;
}

bool VASAutoUpdateDownloadThread::beginBody (juce::int64 announcedLength)
{
    // An empty installer is no installer, and one without a length cannot be known complete.
    // One over the ceiling never gets here: the client refuses it (limits.maxBodyBytes).
    if (announcedLength <= 0)
        return false;

    total = announcedLength;

    if (target.isDirectory())
    {
        fileFailed = true;
        return false;
    }

    temporary = std::make_unique<juce::TemporaryFile> (target, ScratchFile::beside (target));
    file = std::make_unique<juce::FileOutputStream> (temporary->getFile(), 16384);

    if (file->failedToOpen())
    {
        fileFailed = true;
        return false;
    }

    return true;
}

bool VASAutoUpdateDownloadThread::receiveBody (const void* data, size_t numBytes)
{
    if (cancelFlag || threadShouldExit())
        return false;

    if (! file->write (data, numBytes))
    {
        fileFailed = true;
        return false;
    }

    bytesReceived += (juce::int64) numBytes;
    progress->store ((double) bytesReceived / (double) total);
    return true;
}

//==============================================================================
bool VASAutoUpdateDownloadThread::writeInstaller()
{
    if (file == nullptr || temporary == nullptr)
        return false;

    file->flush();
    const bool intact = file->getStatus().wasOk();
    file.reset();

    return intact && temporary->overwriteTargetFileWithTemporary();
}
