// The download side of VASAutoUpdate: the installer folder and its setting, the
// start of the download, the progress timer and cancelling.

#include "update/VASAutoUpdate.h"

#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"

//==============================================================================
void VASAutoUpdate::readInstallerFolder()
{
    const auto stored = settings != nullptr ? settings->getValue (installerFolderKey, {}) : juce::String();

    if (stored.isNotEmpty() && juce::File::isAbsolutePath (stored) && juce::File (stored).exists())
    {
        installerFolder = juce::File (stored);
        return;
    }

    installerFolder = juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    if (settings != nullptr)
        settings->setValue (installerFolderKey, installerFolder.getFullPathName());
}

void VASAutoUpdate::storeInstallerFolder (const juce::String& path)
{
    installerFolder = juce::File (path);

    if (settings != nullptr)
        settings->setValue (installerFolderKey, installerFolder.getFullPathName());
}

bool VASAutoUpdate::chooseInstallerFolder()
{
    const auto chosen = browseForFolder != nullptr ? browseForFolder (installerFolder) : juce::File();

    if (chosen == juce::File())
        return false;

    installerFolderPath = chosen.getFullPathName();
    storeInstallerFolder (installerFolderPath);
    return true;
}

//==============================================================================
bool VASAutoUpdate::downloadUpdate()
{
    const bool chosen = chooseInstallerFolder();

    // ".exe" always: the feed names the Windows installer, and stored feeds rely on it.
    installerPath = installerFolderPath + juce::File::getSeparatorString() + installerFileName + ".exe";

    if (! chosen)
        return false;

    downloadThread.reset();
    progress = 0.0;
    shownProgress = 0.0;

    if (progressLabel != nullptr)
        progressLabel->setText ("Downloading update...", juce::dontSendNotification);

    downloadThread = std::make_unique<VASAutoUpdateDownloadThread> (installerAddress, juce::File (installerPath), &progress);
    downloadThread->startThread();

    startTimer (progressTimer, 1000);
    startTimer (progressBarTimer, 40);
    return true;
}

int VASAutoUpdate::getDownloadResult() const
{
    const juce::ScopedLock sl (resultLock);
    return downloadResult;
}

void VASAutoUpdate::closeProgressDialog()
{
    if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
        dialog->exitModalState (0);
}

void VASAutoUpdate::cancelDownload()
{
    if (downloadThread != nullptr)
        downloadThread->cancel();
}

//==============================================================================
void VASAutoUpdate::timerCallback (int timerId)
{
    // Hidden, in no window, or in a hidden or minimised one: the user has left it.
    if (! isShowing())
        cancelDownload();

    if (timerId == progressBarTimer)
    {
        shownProgress = progress;
        return;
    }

    if (timerId != progressTimer || downloadThread == nullptr)
        return;

    if (! downloadThread->isThreadRunning())
    {
        stopTimer (progressTimer);
        stopTimer (progressBarTimer);
        shownProgress = progress;
        closeProgressDialog();

        {
            const juce::ScopedLock sl (resultLock);
            downloadResult = downloadThread->getResult();
        }

        sendSynchronousChangeMessage();
        return;
    }

    // Every byte is in and the file is being written: too late to cancel.
    if (progress == 1.0)
    {
        if (progressLabel != nullptr)
            progressLabel->setText ("Processing...", juce::dontSendNotification);

        if (progressCancelButton != nullptr)
        {
            progressCancelButton->setAlpha (0.3f);
            progressCancelButton->setEnabled (false);
        }
    }
}
