#include "app/DremlorDialog.h"

#include "app/SendFileData.h"
#include "devicelink/VASMidiProcessing.h"

namespace
{
    constexpr int firmwareAlreadyCurrent = 25;
    constexpr int sendPollMs = 1000;
    constexpr int watchdogMs = 1000;

    const juce::String transferringText ("Transferring sysex...");
    const juce::String conversionFailedText ("An error was encountered while converting preset format.");

    bool isKorrinaModel (DeviceModel model) noexcept
    {
        return model == DeviceModels::korrina || model == DeviceModels::korrinaGrand;
    }

    bool isStompraModel (DeviceModel model) noexcept
    {
        return model == DeviceModels::stompraClassic || model == DeviceModels::stompraNeo;
    }

    /** Whether a device has a send for files of this kind at all; any other pairing
        would end in nothing being sent.
    */
    bool kindFitsDevice (int kind, DeviceModel device) noexcept
    {
        if (isStompraModel (device))
            return kind == SendFileData::stompraFirmware || kind == SendFileData::stompraBackup;

        if (isKorrinaModel (device))
            return (kind >= SendFileData::singlePreset && kind <= SendFileData::korrinaFirmware)
                    || kind == SendFileData::fpgaUpdate;

        return false;
    }

    //==============================================================================
    juce::String completionText (DeviceModel device, int kind, const juce::String& prefix)
    {
        if (device == DeviceModels::bootRom)
            return "IMPORTANT!  The transfer is complete but the Korrina needs time to process and program the new firmware.  "
                   "Please watch the unit for an \"UPDATE COMPLETE\" message with further instructions.";

        if (isStompraModel (device))
        {
            if (kind == SendFileData::stompraFirmware)
                return juce::String ("Firmware transfer complete!\n\n")
                     + "The Stompra display should now read \"FW UPDATE COMPLETE\"\n"
                     + "If so, please power cycle the unit to finish the update.\n\n"
                     + "Should you encounter any problems, please refer to the \"Read Me\" file included with your Stompra firmware.";

            return juce::String ("Transfer complete. After the Stompra successfully receives a backup file, it again displays \"SysEx Data LOAD!\"\n\n")
                 + "Please restart the unit and press OK to close this window.";
        }

        switch (kind)
        {
            case SendFileData::korrinaFirmware:
                return "IMPORTANT!  The transfer is complete but the Korrina needs time to process and program the new firmware.  "
                       "Please watch the screen of your Korrina for the \"UPDATE COMPLETE\" message with further instructions.";
            case SendFileData::fpgaUpdate:
                return "IMPORTANT!  The transfer is complete but the Korrina needs time to program the FPGA.  "
                       "Please watch the screen of your Korrina and wait until the \"Programming...\" message disappears. "
                       "Then reboot the Korrina.";
            case SendFileData::singlePreset:
                return prefix + "Your preset has been sent to the edit buffer of the Korrina.  "
                                "If you wish to store the preset, please do so before continuing.";
            case SendFileData::cabIr:        return prefix + "The cab IR has been sent to the Korrina.";
            case SendFileData::oneBank:       return prefix + "The bank has been sent to the Korrina.";
            case SendFileData::allBanks:      return prefix + "All banks have been sent to the Korrina.";
            case SendFileData::korrinaSystem:
            case SendFileData::systemBackup:        return prefix + "Please reboot the Korrina.";
            default:            return prefix;
        }
    }

    juce::String cancelSuffix (DeviceModel device, int kind)
    {
        if (isStompraModel (device))
            return kind == SendFileData::stompraFirmware ? "\n\nReboot the Stompra before attempting another update."
                                           : "\n\nPlease reboot the Stompra.";

        if (device == DeviceModels::bootRom || kind == SendFileData::korrinaFirmware)
            return "\n\nReboot the Korrina before attempting another update.";

        if (kind == SendFileData::oneBank || kind == SendFileData::allBanks)
            return "\n\nNote that some of the presets have been overwritten.";

        return {};
    }
}

//==============================================================================
bool DremlorDialog::isSendBusy() const
{
    if (transferStarting)
        return true;

    if (updateThread != nullptr && updateThread->getOutcome() == UpdateHardware::Outcome::pending)
        return true;

    if (processing == nullptr)
        return false;

    const auto state = processing->getSender().getState();
    return state == SendState::running || state == SendState::paused;
}

void DremlorDialog::transmitPressed()
{
    if (isSendBusy())
        return;

    fileKind = getSendFileKind();

    if (! sendPageActive || processing == nullptr)
        return;

    // The page switch can leave "Transmit" usable without a device or a file.
    if (! deviceChosen)
    {
        showMessage ("You must select a device. See Step 1.");
        return;
    }

    if (! fileChosen || sendBuffer.isEmpty())
    {
        showMessage ("You must select a file. See Step 2.");
        return;
    }

    auto& sender = processing->getSender();

    if (device == DeviceModels::bootRom)
    {
        createSendDialog();

        if (runSendDialog() == 1)
        {
            sender.resetSendOptions();
            sender.setNoReplyMode();
            startSend (false, transferringText);
        }

        return;
    }

    if (! fileMatchesDevice())
    {
        showDeviceMismatch();
        selectFile ({});
        return;
    }

    if (! kindFitsDevice (fileKind, device))
    {
        showDeviceMismatch();
        return;
    }

    createSendDialog();

    // A single preset and an FPGA file go without the dialog; Korrina firmware shows
    // it only for firmware that needs the unit armed by hand.
    const bool confirmedLater = fileKind == SendFileData::singlePreset || fileKind == SendFileData::korrinaFirmware
                                 || fileKind == SendFileData::fpgaUpdate;

    if (! confirmedLater && runSendDialog() != 1)
        return;

    // Each send starts from the sender's own settings, whatever an earlier send set.
    sender.resetSendOptions();

    if (isStompra (device))
    {
        // A Stompra restore (kind 9) was started by the dialog's own "Send".
        if (fileKind == SendFileData::stompraFirmware)
        {
            sender.setNoReplyMode();
            startSend (false, "Updating... watch the Stompra display for 'Update Complete' then reboot.");
        }

        return;
    }

    if (! processing->isReady())
    {
        showCannotTransmit();
        return;
    }

    // Firmware from 9.00 on and the FPGA are armed by a request ahead of the data.
    const bool leadIn = (fileKind == SendFileData::korrinaFirmware && firmwareMajor >= 9)
                        || fileKind == SendFileData::fpgaUpdate;

    if (prepareKorrinaSend())
        startSend (leadIn, transferringText);
}

bool DremlorDialog::prepareKorrinaSend()
{
    auto& sender = processing->getSender();
    const auto fileModel = (DeviceModel) getSendFileModel();
    const auto* data = static_cast<const uint8_t*> (sendBuffer.getData());
    const auto size = sendBuffer.getSize();

    // Presets and banks made for the other edition are converted to the device's.
    const auto convertForDevice = [&] (bool wholeBank)
    {
        juce::MemoryBlock output;
        bool converted = false;

        if (fileModel == DeviceModels::korrina && device == DeviceModels::korrinaGrand)
            converted = wholeBank ? convertKorrinaBank (data, size, output) : convertKorrinaPreset (data, size, output);
        else if (fileModel == DeviceModels::korrinaGrand && device == DeviceModels::korrina)
            converted = wholeBank ? convertKorrinaGrandBank (data, size, output) : convertKorrinaGrandPreset (data, size, output);
        else
            return true;

        if (converted && storeSendData (output))
            return true;

        showMessage (conversionFailedText);
        return false;
    };

    switch (fileKind)
    {
        case SendFileData::korrinaFirmware:
            if (firmwareMajor < 9)
            {
                // Older firmware is armed by hand and answers the data with result 5.
                const int result = runSendDialog();
                sender.addAcceptedResult();
                return result == 1;
            }

            return true;

        case SendFileData::fpgaUpdate:
            if (firmwareMajor < 14 || (firmwareMajor == 14 && firmwareMinor < 3))
            {
                showMessage ("Updating the FPGA is not supported.  Firmware version 14.03 or later is required.");
                return false;
            }

            return true;

        case SendFileData::cabIr:
        {
            const auto target = fileModel == DeviceModels::korrina && device == DeviceModels::korrinaGrand ? DeviceModels::korrinaGrand
                              : fileModel == DeviceModels::korrinaGrand && device == DeviceModels::korrina ? DeviceModels::korrina
                              : fileModel;
            juce::MemoryBlock output;

            if (! DumpImage::convertCabIr (output, data, size, (DumpImage::CabDestination) destinationMode,
                                           (uint32_t) ((destinationSlot - 1) & 0xFFFF), target)
                || ! storeSendData (output))
            {
                showMessage ("An error occurred while processing the IR.");
                return false;
            }

            fileSelectedLabel->setText (fileSelectedLabel->getText(), juce::dontSendNotification);
            sender.setNoReplyMode();
            return true;
        }

        case SendFileData::singlePreset:
            if (! convertForDevice (false))
                return false;

            destinationSlot = 127;
            toEditBuffer = true;
            setSendDestination (127);
            return true;

        case SendFileData::oneBank:
            if (fileModel != DeviceModels::korrina && fileModel != DeviceModels::korrinaGrand)
                return true;

            if (! convertForDevice (true))
                return false;

            setSendBank ((uint8_t) bankIndex, device);
            return true;

        case SendFileData::allBanks:
            return convertForDevice (true);

        case SendFileData::korrinaSystem:
        case SendFileData::systemBackup:
            return true;

        default:
            return false;
    }
}

//==============================================================================
void DremlorDialog::startSend (bool leadIn, const juce::String& statusText)
{
    if (! startTransfer (leadIn))
        return;

    startTimer (sendPollTimer, sendPollMs);
    progressLabel->setText (statusText, juce::dontSendNotification);
}

bool DremlorDialog::startTransfer (bool leadIn)
{
    bool connected = false;

    if (processing != nullptr)
    {
        if (isKorrina (device))
            connected = processing->isReady();
        else if (isStompra (device) || device == DeviceModels::bootRom)
            connected = processing->isOutputReady();
    }

    if (! connected)
    {
        showCannotTransmit();
        return false;
    }

    stopTimer (watchdogTimer);
    setControlsEnabled (false);

    if (sendButton != nullptr)
        sendButton->setEnabled (false);

    transferStarting = true;

    updateThread.reset();
    updateThread = std::make_unique<UpdateHardware> (processing->getSender(), sendBuffer.getData(), sendBuffer.getSize(),
                                                     device, bufferDelayMs, leadIn, fileKind);
    // Without its thread the data would never reach the sender and the poll would
    // wait for ever with the controls disabled: undo the lock-down and say so.
    if (! updateThread->startThread())
    {
        updateThread.reset();
        transferStarting = false;
        setControlsEnabled (true);
        startTimer (watchdogTimer, watchdogMs);
        showCannotTransmit();
        return false;
    }

    check3->setVisible (true);
    transferStarting = false;
    return true;
}

//==============================================================================
void DremlorDialog::pollSend()
{
    if (processing == nullptr || updateThread == nullptr)
    {
        stopTimer (sendPollTimer);
        return;
    }

    // Until the thread has handed the data over, the sender still shows how the
    // previous send ended.
    const auto outcome = updateThread->getOutcome();

    if (outcome == UpdateHardware::Outcome::pending)
        return;

    auto& sender = processing->getSender();

    const auto stopPolling = [this]
    {
        stopTimer (sendPollTimer);
        startTimer (watchdogTimer, watchdogMs);
    };

    if (outcome == UpdateHardware::Outcome::refused || outcome == UpdateHardware::Outcome::notStarted)
    {
        // Nothing was sent: either the data holds nothing for this device, or the
        // sender would not start, which says nothing about the file.
        stopPolling();

        if (outcome == UpdateHardware::Outcome::refused)
            showDeviceMismatch();
        else
            showMessage (errorPrefix + "Please try again.");

        finishSend();
        return;
    }

    switch (sender.getState())
    {
        case SendState::running:
            return;

        case SendState::finished:
        {
            sender.setProgress (0.9999);
            stopPolling();

            if (fileKind == SendFileData::oneBank || fileKind == SendFileData::allBanks)
                queueProgramChange();

            showMessage (completionText (device, fileKind, completionPrefix), juce::MessageBoxIconType::InfoIcon);

            if (fileKind == SendFileData::stompraBackup && sender.getState() != SendState::running)
                closeSendDialog (0);

            break;
        }

        case SendState::cancelled:
            stopPolling();
            showMessage (cancelPrefix + cancelSuffix (device, fileKind), juce::MessageBoxIconType::InfoIcon);
            break;

        case SendState::refused:
        {
            stopPolling();
            const bool alreadyCurrent = sender.getDeviceError() == firmwareAlreadyCurrent;
            const juce::String tryAgain (alreadyCurrent ? "" : "Please try again.");

            if (fileKind == SendFileData::fpgaUpdate && alreadyCurrent)
                showMessage ("The FPGA is currently up to date.\n\nPlease reboot the Korrina.", juce::MessageBoxIconType::InfoIcon);
            else if (fileKind == SendFileData::fpgaUpdate)
                showMessage (errorPrefix);
            else if (fileKind == SendFileData::korrinaFirmware)
                showMessage (errorPrefix + "This may have happened because you manually put the Korrina into firmware update mode "
                                           "which is not necessary for the version of the firmware that is currently installed.\n\n"
                             + tryAgain);
            else
                showMessage (errorPrefix + tryAgain);

            break;
        }

        case SendState::replyTimeout:
            stopPolling();
            showMessage (errorPrefix + "Please ensure the Korrina is connected and powered on, then try again.");
            break;

        case SendState::outputNotReady:
            // The port went away mid-send: the sender has stopped and will not go on.
            stopPolling();
            showCannotTransmit();
            break;

        case SendState::idle:
        case SendState::paused:
        default:
            setControlsEnabled (true);
            startTimer (watchdogTimer, watchdogMs);
            return;
    }

    finishSend();
}

void DremlorDialog::finishSend()
{
    setControlsEnabled (true);
    resetReceivePrompt();
}

void DremlorDialog::queueProgramChange()
{
    clearReceiveCollector();

    auto transaction = std::make_unique<SysExTransaction> (2000u);

    if (! SysExMessage::buildProgramChange (*transaction))
        return;

    pendingTransaction = std::move (transaction);
    processing->queueTransaction (pendingTransaction.get());
}
