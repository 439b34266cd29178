#include "app/DremlorDialog.h"

#include "app/DumpProgressThread.h"
#include "app/RegularFileReader.h"
#include "devicelink/ScratchFile.h"
#include "devicelink/VASMidiProcessing.h"
#include "skin/VASMultiLineLabelComponent.h"

namespace
{
    // One text, a line of the page to each literal.
    const char* const instructions =
        "To create a total backup of your Stompra:\n\n"
        "1. Press EDIT on the Stompra.\n\n"
        "2. Press SETUP (#5) on the Stompra.\n\n"
        "3. Press PAGE LEFT (#6) 4x to go to \"Sysex Data DUMP!\"\n\n"
        "4. Click READY (below) to start Dremlor recording.\n\n"
        "5. Press ENTER (#14) on the Stompra to begin the\n"
        "\tdump.  The Stompra will display different data\n"
        "\tsections by name as they are transmitted:\n"
        "\t(Presets I, Presets II, etc...).\n\n"
        "6. When the dump is complete, the Stompra will again\n"
        "\tdisplay \"Sysex Data DUMP!\"\n"
        "\tPress OK to save the file and close this window.";

    constexpr int pageCloseSaved = 3;
    constexpr int pageCloseCancelled = 0;
    constexpr int fileBufferSize = 16384;
}

//==============================================================================
void DremlorDialog::createStompraBackupComponent()
{
    clearStompraBackupPage();

    // A new opening records afresh: what an earlier one could not write is not
    // mixed into this one's file.
    dumpBuffer.clear();

    stompraBackupPage = std::make_unique<juce::Component> ("Stompra Backup Component");
    stompraBackupPage->setSize (375, 430);

    stompraInstructions = std::make_unique<VASMultiLineLabelComponent> (17, 20, 350, 300, "Stompra Backup Instructions Label",
                                                                        instructions, juce::Colours::lightgrey,
                                                                        juce::Colours::black);
    stompraBackupPage->addAndMakeVisible (*stompraInstructions);

    auto addButton = [this] (std::unique_ptr<juce::ImageButton>& holder, juce::StringRef name, int x,
                             const juce::Image& normal, const juce::Image& over, const juce::Image& down)
    {
        holder = std::make_unique<juce::ImageButton> (name);
        setButtonImages (*holder, normal, over, down);
        holder->setBounds (x, 310, 78, 30);
        holder->addListener (this);
        stompraBackupPage->addAndMakeVisible (*holder);
    };

    addButton (stompraReadyButton, "Stompra Backup Ready", 61,
               skinImage ("btn-ready.png"), skinImage ("btn-ready-over.png"), skinImage ("btn-ready-down.png"));
    addButton (stompraOkButton, "Stompra Backup Ok", 148,
               skinImage ("btn-ok.png"), skinImage ("btn-ok-over.png"), skinImage ("btn-ok-down.png"));
    addButton (stompraCancelButton, "Stompra Backup Cancel", 234, cancelNormal, cancelOver, cancelDown);

    stompraProgressBar = std::make_unique<juce::ProgressBar> (dumpProgress);
    stompraProgressBar->setBounds (37, 360, 301, 25);
    stompraProgressBar->setColour (juce::ProgressBar::backgroundColourId, juce::Colours::lightgrey.brighter (1.0f));
    stompraProgressBar->setColour (juce::ProgressBar::foregroundColourId, juce::Colours::limegreen.darker (0.2f));
    stompraProgressBar->setPercentageDisplay (false);
    stompraProgressBar->setTextToDisplay ({});
    dumpProgressText.clear();
    stompraBackupPage->addAndMakeVisible (*stompraProgressBar);

    stompraBackupOptions.dialogTitle = "Stompra Create Backup";
    stompraBackupOptions.content.setNonOwned (stompraBackupPage.get());
    stompraBackupOptions.componentToCentreAround = getParentComponent();
    stompraBackupOptions.dialogBackgroundColour = juce::Colours::lightgrey;
    stompraBackupOptions.escapeKeyTriggersCloseButton = false;
    stompraBackupOptions.useNativeTitleBar = false;
    stompraBackupOptions.resizable = false;
    stompraBackupOptions.useBottomRightCornerResizer = false;

    stompraBackupOptions.runModal();

    // The title bar's close button ends the page without OK or Cancel: a recording
    // still running then ends as with Cancel.
    if (dumpProgressThread != nullptr)
        stompraBackupCancel();
}

void DremlorDialog::clearStompraBackupPage()
{
    stompraInstructions.reset();
    stompraReadyButton.reset();
    stompraOkButton.reset();
    stompraCancelButton.reset();
    stompraProgressBar.reset();
    stompraBackupPage.reset();
}

void DremlorDialog::closeStompraBackupPage (int result)
{
    if (stompraBackupPage == nullptr)
        return;

    // Hidden at once, so a message that follows is not shown over the page.
    if (auto* window = stompraBackupPage->findParentComponentOfClass<juce::DialogWindow>())
    {
        window->exitModalState (result);
        window->setVisible (false);
        repaint();
    }
}

//==============================================================================
bool DremlorDialog::handleStompraBackupButton (juce::Button* button)
{
    if (button == nullptr)
        return false;

    if (button == transmitButton.get())
    {
        if (transferStarting || ! receivePageActive || ! isStompra (device))
            return false;

        createStompraBackupComponent();
        return true;
    }

    if (stompraBackupPage == nullptr)
        return false;

    if (button == stompraReadyButton.get())
        startDumpProgress();
    else if (button == stompraOkButton.get())
        stompraBackupOk();
    else if (button == stompraCancelButton.get())
        stompraBackupCancel();
    else
        return false;

    return true;
}

//==============================================================================
void DremlorDialog::startDumpProgress()
{
    startDumpRecording (stompraReadyButton.get(), stompraProgressBar.get());
}

void DremlorDialog::startDumpRecording (juce::Button* ready, juce::ProgressBar* countBar)
{
    if (ready != nullptr)
        ready->setEnabled (false);

    dumpProgress = 1.0;
    dumpBuffer.clear();

    if (processing != nullptr)
    {
        juce::MidiBuffer discarded;
        processing->setRecording (false);
        processing->takeRecording (discarded);
        processing->setRecordedByteCount (0);
        processing->setRecording (true);
    }

    // The thread is the dialog's and goes before it; the engine is the singleton.
    dumpProgressThread.reset();
    dumpProgressThread = std::make_unique<DumpProgressThread> (
        [engine = processing] { return engine != nullptr ? engine->getRecordedByteCount() : 0; },
        [this, bar = juce::Component::SafePointer<juce::ProgressBar> (countBar)] (const juce::String& text)
        {
            dumpProgressText = text;

            if (bar != nullptr)
                bar->setTextToDisplay (text);
        });
    dumpProgressThread->startThread();

    stopTimer (watchdogTimer);
    setControlsEnabled (false);
}

void DremlorDialog::stompraBackupOk()
{
    if (! isStompra (device))
        return;

    if (processing != nullptr)
    {
        processing->setRecording (false);
        processing->takeRecording (dumpBuffer);
    }

    if (exportStompraDump())
    {
        closeStompraBackupPage (pageCloseSaved);
        showMessage ("Backup complete.", juce::MessageBoxIconType::InfoIcon);
    }

    endDumpRecording();
}

void DremlorDialog::stompraBackupCancel()
{
    closeStompraBackupPage (pageCloseCancelled);

    if (! isStompra (device))
        return;

    discardDumpRecording();
}

void DremlorDialog::discardDumpRecording()
{
    // What was recorded so far is dropped: a later OK on a new opening of the
    // backup page must not save it.
    if (processing != nullptr)
    {
        juce::MidiBuffer discarded;
        processing->setRecording (false);
        processing->takeRecording (discarded);
    }

    endDumpRecording();
}

void DremlorDialog::endDumpRecording()
{
    dumpProgress = 0.0;
    dumpProgressThread.reset();
    recordingFromSendDialog = false;

    // A restore still being sent keeps the controls greyed and the watchdog stopped
    // until its poll reports how it ended.
    if (isSendBusy())
        return;

    startTimer (watchdogTimer, 1000);
    setControlsEnabled (true);
}

//==============================================================================
juce::File DremlorDialog::getStompraDumpFile (juce::Time when) const
{
    return backupFolder.getChildFile (DremlorSettings::makeDateTimeName (when) + "-stompra" + ".syx");
}

bool DremlorDialog::exportStompraDump()
{
    if (dumpBuffer.getNumEvents() == 0)
    {
        showMessage ("No data was received.  Please verify that the hardware is connected and powered on.");
        return false;
    }

    // A file of the same name (a second save within the same second) is kept and
    // the new data goes after it; the old file is never cut short.
    const auto written = writeStompraDump (dumpBuffer, getStompraDumpFile (currentTime()));

    if (written.failed())
    {
        showMessage ("SysEx Message Export - " + written.getErrorMessage());
        return false;
    }

    dumpBuffer.clear();
    return true;
}

juce::Result DremlorDialog::writeStompraDump (const juce::MidiBuffer& dump, const juce::File& file)
{
    // Written beside the file and moved into place only once complete, so a failure
    // leaves an existing file as it was.
    // What the folder holds under that name is read only when it is a regular file:
    // a named pipe or a link to a device there is refused, never waited on or read
    // for ever.
    juce::MemoryBlock previous;

    if (file.exists() || file.isSymbolicLink())
    {
        const auto read = RegularFileReader::read (file, previous);

        if (read.failed())
            return read;
    }

    juce::TemporaryFile scratch (file, ScratchFile::beside (file));
    auto expectedSize = (juce::int64) previous.getSize();
    const auto cannotWrite = juce::Result::fail ("Could not write " + scratch.getFile().getFullPathName());

    {
        juce::FileOutputStream out (scratch.getFile(), fileBufferSize);

        if (out.failedToOpen())
            return out.getStatus();

        if (! previous.isEmpty() && ! out.write (previous.getData(), previous.getSize()))
            return out.getStatus().failed() ? out.getStatus() : cannotWrite;

        // The messages go straight from the recording into the stream's buffer: the
        // dump is never held twice.
        for (const auto metadata : dump)
        {
            if (! out.write (metadata.data, (size_t) metadata.numBytes))
                return out.getStatus().failed() ? out.getStatus() : cannotWrite;

            expectedSize += metadata.numBytes;
        }

        out.flush();

        if (out.getStatus().failed())
            return out.getStatus();
    }

    // The stream does not see every short write (a full disk, a size limit): only a
    // scratch file of exactly the expected size may replace the file.
    if (scratch.getFile().getSize() != expectedSize)
        return cannotWrite;

    if (! scratch.overwriteTargetFileWithTemporary())
        return juce::Result::fail ("Could not replace " + file.getFullPathName());

    return juce::Result::ok();
}
