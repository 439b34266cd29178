#include "app/DremlorDialog.h"

#include "app/DumpProgressThread.h"
#include "app/HelpLinks.h"
#include "app/ReceiveThread.h"
#include "devicelink/VASMidiProcessing.h"
#include "skin/SkinManager.h"
#include "skin/VASLabelComponent.h"
#include "skin/VASMultiLineLabelComponent.h"
#include "skin/VASSpinControl.h"

//==============================================================================
DremlorDialog::DremlorDialog()
{
    openWebPage = [] (const juce::URL& url) { url.launchInDefaultBrowser(); };
    dumpImage.init();

    loadSettings();
    setOpaque (true);

    processing = VASMidiProcessing::getInstance();

    if (processing != nullptr)
        progressMirror.setSource ([this] { return processing->getSender().getProgress(); });

    createComponents();

    // Every key that reaches the dialog is swallowed, also those of its children.
    addKeyListener (this);

    startTimer (eyesTimer, 1000);
    startTimer (watchdogTimer, 1000);

    setBounds (getX(), getY(), 800, 553);
}

DremlorDialog::~DremlorDialog()
{
    stopTimer (eyesTimer);
    stopTimer (watchdogTimer);

    // The last chance for changes made after the window's close button saved them;
    // the message loop has ended by now, so a box could not be seen.
    settings.saveIfNeeded();

    // The "Update Hardware" thread reads the send buffer until it has handed the data
    // over; it is stopped before the buffer, a later member, is freed.
    updateThread.reset();

    // Korrina backup: the receive thread reads the pending transaction, so it stops first.
    receiveThread.reset();
    finishedReceiveThread.reset();
    clearKorrinaBackupPage();

    // Stompra backup: the recording ends with the page, and the thread that shows
    // its count goes before the bar it writes to.
    closeStompraBackupPage (0);
    dumpProgressThread.reset();

    if (processing != nullptr)
        processing->setRecording (false);

    clearStompraBackupPage();

    clearReceiveCollector();

    // A query that was given up on may still be with the processing thread, which
    // ends it within its time-out; one that never left the queue of a stopped
    // thread stays there unread, as only this dialog restarts the thread.
    if (processing != nullptr)
    {
        const auto start = juce::Time::getMillisecondCounter();

        while (! retiredTransactions.empty() && processing->isThreadRunning()
               && juce::Time::getMillisecondCounter() - start < 2500)
        {
            juce::Thread::sleep (1);
            releaseRetiredTransactions();
        }

        if (! retiredTransactions.empty())
        {
            processing->stopThread (5000);
            processing->clearReadyFlags();
        }
    }

    retiredTransactions.clear();

    // The bar reads the mirror's value, which is a member declared after it.
    progressBar.reset();
    progressMirror.setSource ({});
    removeKeyListener (this);

    // The widgets go last first, as they were stacked.
    for (int i = getNumChildComponents(); --i >= 0;)
        removeChildComponent (i);
}

//==============================================================================
juce::String DremlorDialog::getVersionText()
{
    return "Dremlor MIDI Utility Version" + juce::String::formatted (" %d.%d.%d", 2, 0, 2);
}

void DremlorDialog::showMessage (const juce::String& text, juce::MessageBoxIconType icon)
{
    juce::AlertWindow::showMessageBox (icon, "Dremlor", text, "OK", nullptr);
}

bool DremlorDialog::isTransferRunning() const
{
    // The poll timer runs from the start of a send until it has reported the end.
    return isSendBusy() || isTimerRunning (sendPollTimer) || backupRunning || dumpProgressThread != nullptr;
}

void DremlorDialog::loadSettings()
{
    settings.load();
}

bool DremlorDialog::saveSettings()
{
    if (settings.saveIfNeeded())
        return true;

    showMessage ("Preferences could not be saved.");
    return false;
}

void DremlorDialog::saveReceiveDir (const juce::File& folder)
{
    settings.saveReceiveDir (folder);
}

//==============================================================================
void DremlorDialog::paint (juce::Graphics& g)
{
    const auto& background = receivePageActive ? receiveBackground : sendBackground;
    g.drawImageAt (background, 0, 0);
}

bool DremlorDialog::keyPressed (const juce::KeyPress&, juce::Component*)
{
    return true;
}

bool DremlorDialog::keyPressed (const juce::KeyPress&)
{
    return true;
}

//==============================================================================
bool DremlorDialog::isInterestedInFileDrag (const juce::StringArray&)
{
    return true;
}

bool DremlorDialog::portsFitDevice() const
{
    if (isKorrina (device))
        return inputPortOpen && outputPortOpen;

    if (isStompra (device) || device == DeviceModels::bootRom)
        return outputPortOpen;

    return false;
}

bool DremlorDialog::acceptsDropAt (int x, int y) const
{
    return sendPageActive && ! receivePageActive && portsFitDevice() && dropArea.contains (x, y);
}

void DremlorDialog::filesDropped (const juce::StringArray& files, int x, int y)
{
    // A drop while a send is being started would swap the bytes under it.
    if (isSendBusy() || ! acceptsDropAt (x, y))
        return;

    selectFile (files.isEmpty() ? juce::String() : files[0]);
}

//==============================================================================
void DremlorDialog::timerCallback (int timerID)
{
    if (timerID == eyesTimer)
    {
        stopTimer (eyesTimer);
        zindleEyes->setVisible (false);
    }
    else if (timerID == sendPollTimer)
    {
        pollSend();
    }
    else if (timerID == watchdogTimer)
    {
        releaseRetiredTransactions();
        checkConnection();
    }
}

void DremlorDialog::sliderValueChanged (juce::Slider* slider)
{
    if (slider != bufferDelaySlider.get())
        return;

    bufferDelayMs = (int) bufferDelaySlider->getValue();

    if (processing != nullptr)
        processing->getSender().setInterval ((juce::uint32) bufferDelayMs);
}

//==============================================================================
void DremlorDialog::buttonClicked (juce::Button* button)
{
    if (sendDialogButtonClicked (button))
        return;

    if (button == receiveTabButton.get())
        showReceivePage();
    else if (button == sendTabButton.get())
        showSendPage();
    else if (button == browseButton.get() && ! isSendBusy() && sendPageActive && ! receivePageActive
             && (isKorrina (device) || isStompra (device) || device == DeviceModels::bootRom))
        selectFile();
    else if (button == browseButton.get() && ! transferStarting && receivePageActive)
        browseForReceiveFolder();
    else if (button == transmitButton.get() && sendPageActive)
        transmitPressed();
    else if (handleKorrinaBackupButton (button))
        return;
    else if (handleStompraBackupButton (button))
        return;
    else if (button == cancelButton.get())
        cancelPressed();
    else if (button == documentButton.get())
        openWebPage (HelpLinks::documentation());
    else if (button == videoButton.get())
        openWebPage (HelpLinks::video());
    else if (button == supportButton.get())
        openWebPage (HelpLinks::support());
    else if (button == forumButton.get())
        openWebPage (HelpLinks::forum());
}

void DremlorDialog::browseForReceiveFolder()
{
    juce::FileChooser chooser ("Choose save location", settings.getReceiveFolder(), "*.syx");
    const juce::ScopedValueSetter<bool> showing (chooserOpen, true);

    if (chooser.browseForDirectory())
        receiveFolderChosenFromChooser (chooser.getResult());
}

void DremlorDialog::receiveFolderChosenFromChooser (const juce::File& folder)
{
    backupFolder = folder;
    saveReceiveDir (folder);
    receiveFolderChosen = true;

    setFileRow (folder.getFullPathName(), folder.getFullPathName());
    updateStepControls();
}

void DremlorDialog::cancelPressed()
{
    if (processing != nullptr)
    {
        auto& sender = processing->getSender();

        if (sender.getState() == SendState::running && ! sender.cancel())
            showMessage ("Transfer could not be canceled.");
    }

    // Ends a backup of all user cabs after the cab being received.
    if (receiveType == 9)
        stopAllCabs = true;
}

void DremlorDialog::setFileRow (const juce::String& fieldText, const juce::String& labelText)
{
    fileField->setText (fieldText, juce::dontSendNotification);
    fileSelectedLabel->setText (labelText, juce::dontSendNotification);
    check2->setVisible (fieldText.isNotEmpty());
}

//==============================================================================
void DremlorDialog::showReceivePage()   { switchPage (true); }
void DremlorDialog::showSendPage()      { switchPage (false); }

void DremlorDialog::switchPage (bool toReceivePage)
{
    sendPageActive = ! toReceivePage;
    receivePageActive = toReceivePage;

    receiveTabButton->setVisible (! toReceivePage);
    receiveTabFocus->setVisible (toReceivePage);
    sendTabButton->setVisible (toReceivePage);
    sendTabFocus->setVisible (! toReceivePage);

    // A Stompra uses only one port per page, a different one on each.
    if (isStompra (device))
    {
        closeInputPort();
        closeOutputPort();
        updateStepControls();
    }

    if (toReceivePage)
    {
        // The Boot ROM takes files only; it has nothing to back up.
        if (device == DeviceModels::bootRom)
        {
            deviceLabel->setText ("Select Device", juce::dontSendNotification);
            deviceCheck->setVisible (false);
            device = DeviceModels::choiceReset;
            deviceChosen = false;
            closePorts();
            updateStepControls();
        }

        setBufferDelayEnabled (false);
        firmwareTextLabel->setVisible (false);
        firmwareDownloadLabel->setVisible (false);

        if (receiveFolderChosen)
        {
            setFileRow (backupFolder.getFullPathName(), backupFolder.getFullPathName());
            receiveBeginLabel->setVisible (true);
        }
        else
        {
            setFileRow ({}, {});

            if (deviceChosen)
                receiveBrowseLabel->setVisible (true);
        }
    }
    else
    {
        receiveBrowseLabel->setVisible (false);
        receiveBeginLabel->setVisible (false);

        if (fileChosen)
        {
            setFileRow (sendFile.getFullPathName(), sendFile.getFileName());
        }
        else
        {
            setFileRow ({}, {});

            if (deviceChosen && inputPortOpen && outputPortOpen)
            {
                firmwareTextLabel->setVisible (true);
                firmwareDownloadLabel->setVisible (true);
            }
        }
    }

    repaint();
}

//==============================================================================
bool DremlorDialog::isKorrina (DeviceModel model) noexcept
{
    return model == DeviceModels::korrina || model == DeviceModels::korrinaGrand;
}

bool DremlorDialog::isStompra (DeviceModel model) noexcept
{
    return model == DeviceModels::stompraClassic || model == DeviceModels::stompraNeo;
}
