#include "app/DremlorDialog.h"

#include "app/HelpLinks.h"
#include "devicelink/VASMidiProcessing.h"

//==============================================================================
juce::PopupMenu DremlorDialog::buildDeviceMenu (bool ctrlHeld) const
{
    juce::PopupMenu menu;
    menu.addItem (DeviceModels::korrina, "Korrina");
    menu.addItem (DeviceModels::korrinaGrand, "Korrina Grand");
    menu.addItem (DeviceModels::stompraClassic, "Stompra Classic");
    menu.addItem (DeviceModels::stompraNeo, "Stompra Neo");

    // Firmware for a unit in its boot mode is a send-only, deliberately hidden choice.
    if (sendPageActive && ctrlHeld)
    {
        menu.addSeparator();
        menu.addItem (DeviceModels::bootRom, "Boot ROM");
    }

    return menu;
}

void DremlorDialog::showDeviceMenu()
{
    modifierKeys = juce::ModifierKeys::getCurrentModifiersRealtime();
    deviceMenu = buildDeviceMenu (modifierKeys.isCtrlDown());
    chooseDevice (deviceMenu.showAt (deviceToUpdate.get()));
}

void DremlorDialog::chooseDevice (int r)
{
    if (r == 0)
        return;

    device = (DeviceModel) r;
    SysExMessage::currentModel = (uint8_t) r;
    userCabCount = device == DeviceModels::korrinaGrand ? 512 : 100;
    versionKnown = false;
    deviceChosen = true;

    // The delay of the device chosen before must not pace this one's sends: a
    // Stompra's 300 ms would stretch a Korrina bank to many minutes.
    updateBufferDelayForDevice();

    if (isKorrina (device))
    {
        deviceLabel->setText (device == DeviceModels::korrinaGrand ? "Korrina Grand" : "Korrina",
                              juce::dontSendNotification);
        deviceCheck->setVisible (true);
        closePorts();
        selectDefaultInputPort();
        selectDefaultOutputPort();

        // The chosen file is checked again: it may not fit the new edition.
        if (fileChosen)
            selectFile (sendFile.getFullPathName());

        if (! queryRunning)
        {
            versionRetries = 0;
            queryFirmwareVersion();
        }
    }
    else
    {
        const char* const name = device == DeviceModels::stompraClassic ? "Stompra Classic"
                         : device == DeviceModels::stompraNeo     ? "Stompra Neo"
                                                                  : "Boot ROM";
        deviceLabel->setText (name, juce::dontSendNotification);
        deviceCheck->setVisible (true);
        closePorts();
        updateStepControls();

        // Usable again once an output port has been chosen.
        setBufferDelayEnabled (false);
    }

    updateStepControls();
}

//==============================================================================
juce::PopupMenu DremlorDialog::prepareBankMenu()
{
    const bool offsetKnownToFirmware = firmwareMajor > 10 || (firmwareMajor == 10 && firmwareMinor >= 9);

    if (offsetKnownToFirmware)
        queryDisplayOffset();
    else
        displayOffset = 0;

    const bool fromOne = displayOffset == 1;
    const char* const ranges[] = { fromOne ? " 001-128)" : " 000-127)",
                                   fromOne ? " 129-256)" : " 128-255)",
                                   fromOne ? " 257-384)" : " 256-383)",
                                   fromOne ? " 385-512)" : " 384-511)" };
    const char* const banks[] = { "Bank A (Presets", "Bank B (Presets", "Bank C (Presets", "Bank D (Presets" };

    // Only the Grand has a fourth bank.
    const int bankCount = SysExMessage::currentModel.load() == DeviceModels::korrinaGrand ? 4 : 3;

    bankMenu.clear();

    for (int i = 0; i < bankCount; ++i)
        bankMenu.addItem (i + 1, juce::String (banks[i]) + ranges[i]);

    return bankMenu;
}

void DremlorDialog::showBankMenu (juce::Component* attachTo)
{
    auto menu = prepareBankMenu();
    const auto chosen = chooseBank (menu.showAt (attachTo), menu);

    if (chosen.isNotEmpty() && bankSelectLabel != nullptr)
        bankSelectLabel->setText (chosen, juce::dontSendNotification);
}

juce::String DremlorDialog::chooseBank (int choice, const juce::PopupMenu& menu)
{
    if (choice == 0)
        return {};

    bankIndex = choice - 1;
    bankChosen = true;
    return runPortMenu (choice, menu);
}

//==============================================================================
void DremlorDialog::setBufferDelayEnabled (bool shouldBeEnabled)
{
    if (bufferDelaySlider == nullptr || bufferDelayLabel == nullptr)
        return;

    bufferDelaySlider->setEnabled (shouldBeEnabled);
    bufferDelaySlider->setColour (juce::Slider::thumbColourId,
                                  juce::Colour (shouldBeEnabled ? 0xFF000000 : 0xFF808080));

    // A greyed delay is no delay: the listener hands the 0 on to the sender's interval.
    if (! shouldBeEnabled)
        bufferDelaySlider->setValue (0.0, juce::sendNotificationAsync);

    bufferDelayLabel->setEnabled (shouldBeEnabled);
}

void DremlorDialog::updateBufferDelayForDevice()
{
    if (isStompra (device))
    {
        // On the receive page a Stompra only sends; the delay is left as it is.
        if (sendPageActive)
        {
            bufferDelaySlider->setValue (device == DeviceModels::stompraClassic ? 150.0 : 300.0, juce::sendNotificationAsync);
            setBufferDelayEnabled (true);
        }
    }
    else if (device == DeviceModels::bootRom)
    {
        bufferDelaySlider->setValue (0.0, juce::sendNotificationAsync);
        setBufferDelayEnabled (true);
    }
    else
    {
        bufferDelaySlider->setValue (0.0, juce::sendNotificationAsync);
        setBufferDelayEnabled (false);
    }
}

void DremlorDialog::resetReceivePrompt()
{
    if (sendPageActive)
        progressLabel->setText ({}, juce::dontSendNotification);
    else if (receivePageActive)
        progressLabel->setText ("Press BEGIN to select a backup type to receive.", juce::dontSendNotification);

    check3->setVisible (false);

    if (processing != nullptr)
        processing->getSender().setProgress (0.0);
}

//==============================================================================
void DremlorDialog::mouseDown (const juce::MouseEvent& event)
{
    auto* clicked = event.eventComponent;

    if (clicked == deviceLabel.get())
    {
        if (deviceLabel->isEnabled() && deviceToUpdate->isEnabled())
        {
            showDeviceMenu();
            updateStepControls();
        }
    }
    else if (clicked == inputLabel.get())
    {
        if (inputLabel->isEnabled() && inputPortBox->isEnabled())
        {
            showInputPortMenu();
            updateStepControls();
        }
    }
    else if (clicked == outputLabel.get())
    {
        if (outputLabel->isEnabled() && outputPortBox->isEnabled())
        {
            showOutputPortMenu();
            updateStepControls();
        }
    }
    else if (clicked != nullptr && clicked == bankSelectLabel.get())
    {
        showBankMenu (bankSelectButton.get());
    }
    else if (clicked == firmwareDownloadLabel.get())
    {
        openWebPage (HelpLinks::support());
    }
}

//==============================================================================
void DremlorDialog::updateStepControls()
{
    const bool singlePortDevice = isStompra (device) || device == DeviceModels::bootRom;
    const auto setFirmwareLabelsVisible = [this] (bool visible)
    {
        firmwareTextLabel->setVisible (visible);
        firmwareDownloadLabel->setVisible (visible);
    };

    // 1. Port controls
    if (! deviceChosen)
    {
        inputLabel->setEnabled (false);
        inputPortBox->setEnabled (false);
        outputLabel->setEnabled (false);
        outputPortBox->setEnabled (false);
    }
    else
    {
        const bool outputUsable = ! (singlePortDevice && receivePageActive);
        outputLabel->setEnabled (outputUsable);
        outputPortBox->setEnabled (outputUsable);

        const bool inputUsable = ! (singlePortDevice && sendPageActive);
        inputLabel->setEnabled (inputUsable);
        inputPortBox->setEnabled (inputUsable);

        if (! fileChosen && device == DeviceModels::bootRom)
            setFirmwareLabelsVisible (false);
    }

    // 2. Choosing the file (send page) or the backup folder (receive page)
    bool portsReady = false;

    if (isKorrina (device))
        portsReady = inputPortOpen && outputPortOpen;
    else if (isStompra (device))
        portsReady = sendPageActive ? outputPortOpen : inputPortOpen;
    else if (device == DeviceModels::bootRom)
        portsReady = outputPortOpen;

    if (portsReady)
    {
        browseButton->setEnabled (true);
        fileField->setEnabled (true);

        if (device == DeviceModels::bootRom)
            setFirmwareLabelsVisible (false);
        else if (sendPageActive)
            setFirmwareLabelsVisible (true);
        else if (receivePageActive)
            receiveBrowseLabel->setVisible (! receiveFolderChosen);
    }
    else
    {
        browseButton->setEnabled (false);
        fileField->setEnabled (false);
        setFirmwareLabelsVisible (false);
    }

    // 3. Starting the transfer
    if (sendPageActive && fileChosen && portsReady && device != DeviceModels::bootRom)
        setFirmwareLabelsVisible (false);

    const bool receivePortsOpen = inputPortOpen && (! isKorrina (device) || outputPortOpen);

    if (receivePageActive && receiveFolderChosen && receivePortsOpen)
        receiveBeginLabel->setVisible (true);
}
