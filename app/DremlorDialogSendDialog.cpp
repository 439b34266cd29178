#include "app/DremlorDialog.h"

#include "app/SendFileData.h"
#include "devicelink/VASMidiProcessing.h"
#include "skin/SkinManager.h"
#include "skin/VASLabelComponent.h"

namespace
{
    const juce::Colour lightGrey (0xFFD3D3D3);
    const juce::Colour grey (0xFF808080);
    const juce::Colour limeGreen (0xFF32CD32);
    const juce::Colour black (0xFF000000);

    constexpr int dialogWidth = 375;
    constexpr int stompraFirmwareHeight = 355;

    int heightFor (int kind, bool stompraThroughKorrina)
    {
        switch (kind)
        {
            case SendFileData::cabIr:            return 280;
            case SendFileData::korrinaSystem:
            case SendFileData::systemBackup:            return 300;
            // Tall enough that the instructions' last paragraph ends above the buttons.
            case SendFileData::stompraFirmware:   return stompraThroughKorrina ? 475 : stompraFirmwareHeight;
            case SendFileData::stompraBackup:     return 420;
            default:                return 257;
        }
    }

    juce::String titleFor (int kind)
    {
        switch (kind)
        {
            case SendFileData::singlePreset:         return "Transmit One Preset";
            case SendFileData::oneBank:           return "Transmit Bank File";
            case SendFileData::allBanks:          return "Transmit All Banks File";
            case SendFileData::cabIr:            return "Transmit One Cab";
            case SendFileData::korrinaSystem:
            case SendFileData::systemBackup:            return "Transmit System File";
            case SendFileData::stompraBackup:     return "Stompra Restore Backup";
            default:                return "Transmit";
        }
    }

    /** The first line of the dialog, saying what the file is. */
    juce::String firstLineFor (int kind, bool stompraThroughKorrina)
    {
        switch (kind)
        {
            case SendFileData::oneBank:           return "You have selected an Korrina bank file.";
            case SendFileData::allBanks:          return "You have selected an Korrina 'All Banks' file.";
            case SendFileData::cabIr:            return "You have selected an Korrina cab file. \nPlease select a destination.";
            case SendFileData::korrinaSystem:     return "You have selected an Korrina System Backup file.";
            case SendFileData::systemBackup:            return "You have selected an Korrina Grand System Backup file.";
            case SendFileData::korrinaFirmware:   return "You have selected an Korrina firmware file.";
            case SendFileData::stompraFirmware:   return stompraThroughKorrina
                                        ? "You have selected an Stompra firmware file with the Korrina as your MIDI OUT port."
                                        : "You have selected an Stompra firmware file.";
            default:                return {};
        }
    }

    juce::String korrinaFirmwareSteps()
    {
        return juce::String ("1. Go to the 'Utility' menu on the Korrina.\n\n")
             + "2. Page right to the 'Firmware' tab.\n\n"
             + "3. Press 'Enter' to arm the unit for a firmware update.\n\n"
             + "4. Press 'SEND' below to start the update.";
    }

    juce::String stompraFirmwareSteps (bool throughKorrina)
    {
        if (throughKorrina)
            return juce::String ("1. Ensure that your Korrina is in USB Adapter Mode.\n")
                 + "\t (I/O:MIDI:USB ADAPTER MODE to \"ON\")\n\n"
                 + "2. Disable Realtime SysEx in the Korrina.\n"
                 + "\t (I/O: MIDI: SEND REALTIME SYSEX to \"NONE\")\n\n"
                 + "3. Enter \"FW UPDATE MODE\" by rebooting the Stompra\n\t while holding button #1.\n\n"
                 + "4. Connect a MIDI cable from the Korrina MIDI OUT to\n\t the Stompra MIDI IN.\n"
                 + "\t NOTE: Updates over Ethernet/EtherCon are not\n\t possible.\n\n"
                 + "5. Press SEND below to begin the update.\n\n"
                 + "The Stompra will show a % COMPLETE indicator as the firmware is received and \"FW UPDATE COMPLETE\" when finished.\n\n"
                 + "Should you encounter any problems, please refer to the \"Read Me\" file included with the Stompra firmware.";

        return juce::String ("1. Please ensure that your chosen MIDI OUT port is\n\t connected to the MIDI IN port of the Stompra.\n")
             + "\t Note: Updating via ETHERNET/CAT5 is not possible.\n\n"
             + "2. Enter \"FW UPDATE MODE\" by rebooting the Stompra\n\t while holding button #1.\n\n"
             + "3. Press SEND below to begin the update.\n\n"
             + "Should you encounter any problems, please refer to the \"Read Me\" file included with your Stompra firmware.\n\n"
             + "The Stompra should show a % COMPLETE indicator as the firmware is received and \"FW UPDATE COMPLETE\" when complete.";
    }

    juce::String systemWarning (int kind)
    {
        return juce::String ("Warning! If you continue, you will overwrite Global, I/O, and Tuner settings")
             + (kind == SendFileData::korrinaSystem ? juce::String (", plus all Global Blocks and User Cabs 1-50.")
                                        + "  (Users cabs >50 are not included in a System Backup file.)"
                                      : juce::String ("."))
             + "  A System Backup file does NOT overwrite presets or firmware."
             + "\n\nPlease ensure the target system has the same firmware version as the system where the backup was created."
             + "\n\nNOTE: You must power cycle the Korrina immediately after it receives a System Backup.";
    }

    juce::String stompraRestoreSteps()
    {
        return juce::String ("To restore an Stompra backup:\n\n")
             + "1. Press EDIT on the Stompra.\n\n"
             + "2. Press SETUP (#5) on the Stompra.\n\n"
             + "3. Press PAGE LEFT (#6) 4x to go to \"Sysex Data DUMP!\"\n\n"
             + "4. Press UP to select \"Sysex Data LOAD!\"\n\n"
             + "5. Press ENTER (#14) to display \"Waiting to Load...\"\n\n"
             + "6. Press the SEND button below.\n"
             + "\tAs Dremlor transmits the file, the Stompra will\n"
             + "\treceive and process different data sections by name\n"
             + "\t(Presets I, Presets II, etc...).  When the Stompra\n"
             + "\thas received a complete backup it will again display\n"
             + "\t\"SysEx Data LOAD!\"\n";
    }
}

//==============================================================================
void DremlorDialog::createSendDialog()
{
    sendConfirmed = false;
    sendDialogCancelled = false;

    // The children go before the component that holds them.
    clearSendDialog();

    const auto oldPosition = sendDialog != nullptr ? sendDialog->getPosition() : juce::Point<int>();
    sendDialog = std::make_unique<juce::Component> ("Send Dialog");

    const bool stompraThroughKorrina = outputLabel->getText().contains ("KORRINA MIDI");
    sendDialog->setBounds (oldPosition.x, oldPosition.y, dialogWidth, heightFor (fileKind, stompraThroughKorrina));

    if (fileKind == SendFileData::bootRom)
        fileKind = SendFileData::korrinaFirmware;

    auto& parent = *sendDialog;

    auto addText = [&parent] (std::unique_ptr<VASMultiLineLabelComponent>& holder, juce::StringRef name,
                              juce::Rectangle<int> bounds, const juce::String& text)
    {
        holder = std::make_unique<VASMultiLineLabelComponent> (bounds.getX(), bounds.getY(), bounds.getWidth(),
                                                               bounds.getHeight(), name, text, lightGrey, black);
        parent.addAndMakeVisible (*holder);
    };

    if (fileKind >= SendFileData::oneBank && fileKind <= SendFileData::stompraFirmware)
    {
        sendCheck = std::make_unique<juce::ImageButton> ("Check");
        sendCheck->setBounds (15, 20, 15, 15);
        setButtonImages (*sendCheck, checkIcon, checkIcon, checkIcon);
        parent.addAndMakeVisible (*sendCheck);

        sendFileNameLabel = std::make_unique<VASLabelComponent> (30, 20, 330, 15, "Component File Name Label",
                                                                 "\t" + fileSelectedLabel->getText(), juce::String(),
                                                                 15.0f, black, juce::Justification::left);
        sendFileNameLabel->setColour (juce::Label::backgroundColourId, lightGrey.brighter (1.0f));
        parent.addAndMakeVisible (*sendFileNameLabel);

        // The system lines are the longest: as wide as the warning below them, so that
        // the Grand's stays on the one line the warning leaves uncovered.
        const int textWidth = fileKind == SendFileData::korrinaSystem || fileKind == SendFileData::systemBackup ? 350 : 300;
        addText (sendTextLabel, "Component Text Label", { 17, 50, textWidth, 40 },
                 firstLineFor (fileKind, stompraThroughKorrina));
    }

    switch (fileKind)
    {
        case SendFileData::korrinaFirmware:
            addText (sendWarningLabel, "Component Warning Label", { 17, 75, 350, 150 }, korrinaFirmwareSteps());
            createSendButtons (257, true);
            break;

        case SendFileData::stompraFirmware:
            addText (sendWarningLabel, "Component Warning Label", { 17, 85, 350, 325 },
                     stompraFirmwareSteps (stompraThroughKorrina));
            createSendButtons (stompraThroughKorrina ? 475 : stompraFirmwareHeight, true);
            break;

        case SendFileData::cabIr:
        {
            auto makeRadio = [this, &parent] (std::unique_ptr<juce::ToggleButton>& holder, const juce::String& text,
                                              juce::Rectangle<int> bounds)
            {
                holder = std::make_unique<juce::ToggleButton> (text);
                holder->setBounds (bounds);
                holder->setRadioGroupId (1);
                holder->setColour (juce::TextEditor::focusedOutlineColourId, juce::Colours::transparentBlack);
                holder->setColour (juce::TextButton::buttonColourId, grey);

                // The dialog's texts are black on its light grey.
                holder->setColour (juce::ToggleButton::textColourId, black);
                holder->setColour (juce::ToggleButton::tickColourId, black);
                holder->addListener (this);
                parent.addAndMakeVisible (*holder);
            };

            makeRadio (slotRadio, {}, { 10, 110, 25, 25 });

            cabSlotSpin = std::make_unique<VASSpinControl> (1, userCabCount, "1");
            cabSlotSpin->setBounds (30, 107, 60, 30);
            cabSlotSpin->setActive (false);
            cabSlotSpin->addChangeListener (this);
            parent.addAndMakeVisible (*cabSlotSpin);

            sendSlotWarningLabel = std::make_unique<VASLabelComponent> (86, 113, 250, 30, "Component Warning Label",
                                                                        "Warning! Overwrites selected location.",
                                                                        juce::String(), 15.0f, black,
                                                                        juce::Justification::left);
            parent.addAndMakeVisible (*sendSlotWarningLabel);

            makeRadio (currentSlotRadio, "Send to currently selected slot", { 10, 140, 300, 25 });
            addText (sendCabWarningLabel, "Send Cab Warning Label", { 27, 160, 350, 35 },
                     "Dremlor can only address the CAB 1 block.  If it is set to STEREO, the CAB L slot is used.");
            makeRadio (scratchpadRadio, "Send to Scratchpad", { 10, 200, 300, 25 });

            createSendButtons (280, false);
            break;
        }

        case SendFileData::oneBank:
            addText (sendWarningLabel, "Component Warning Label", { 17, 75, 350, 70 },
                     "Warning! If you continue, you will permanently overwrite " + juce::String (presetHeaderCount)
                         + " presets in your Korrina. Please note that presets from Korrina firmware versions 5.00 "
                           "or earlier are NOT compatible with firmware version 11.0 or later.");

            bankSelectButton = std::make_unique<juce::DrawableButton> ("Component Bank Select", juce::DrawableButton::ImageRaw);
            bankSelectButton->setBounds (22, 155, 232, 27);
            parent.addAndMakeVisible (*bankSelectButton);

            bankSelectLabel = std::make_unique<juce::Label> ("Component Bank Select Label", "Please select a destination.");
            bankSelectLabel->setBounds (22, 155, 232, 27);
            bankSelectLabel->addMouseListener (this, false);
            parent.addAndMakeVisible (*bankSelectLabel);

            createSendButtons (257, false);
            break;

        case SendFileData::allBanks:
            addText (sendWarningLabel, "Component Warning Label", { 17, 75, 350, 40 },
                     "Warning! If you continue, you will permanently overwrite " + juce::String (presetHeaderCount)
                         + " patches in your Korrina.");
            createSendButtons (257, true);
            break;

        case SendFileData::korrinaSystem:
        case SendFileData::systemBackup:
            addText (sendWarningLabel, "Component Warning Label", { 17, 75, 350, 200 }, systemWarning (fileKind));
            createSendButtons (300, true);
            break;

        case SendFileData::stompraBackup:
            addText (sendInstructionsLabel, "Component Instructions Label", { 17, 20, 350, 300 }, stompraRestoreSteps());
            createSendReadyButtons (parent);

            sendProgressBar = std::make_unique<juce::ProgressBar> (progressMirror.getValue());
            sendProgressBar->setBounds (37, 350, 301, 25);
            sendProgressBar->setColour (juce::ProgressBar::backgroundColourId, lightGrey.brighter (1.0f));
            sendProgressBar->setColour (juce::ProgressBar::foregroundColourId, limeGreen.darker (0.2f));
            parent.addAndMakeVisible (*sendProgressBar);
            break;

        default:
            break;
    }

    sendDialogOptions.dialogTitle = titleFor (fileKind);
    sendDialogOptions.dialogBackgroundColour = lightGrey;
    sendDialogOptions.content.setNonOwned (sendDialog.get());
    sendDialogOptions.componentToCentreAround = getParentComponent();
    sendDialogOptions.escapeKeyTriggersCloseButton = false;
    sendDialogOptions.useNativeTitleBar = false;
    sendDialogOptions.resizable = false;
}

void DremlorDialog::clearSendDialog()
{
    sendCheck.reset();
    sendFileNameLabel.reset();
    sendTextLabel.reset();
    sendWarningLabel.reset();
    sendInstructionsLabel.reset();
    sendSlotWarningLabel.reset();
    sendCabWarningLabel.reset();
    slotRadio.reset();
    currentSlotRadio.reset();
    scratchpadRadio.reset();
    cabSlotSpin.reset();
    bankSelectButton.reset();
    bankSelectLabel.reset();
    sendProgressBar.reset();
    sendButtonBar.reset();
    sendButton.reset();
    cancel2Button.reset();
    readyButton.reset();

    cabDestination = 0;
    presetDestination = 0;
    bankChosen = false;
}

void DremlorDialog::createSendButtons (int height, bool sendEnabled)
{
    sendButtonBar = std::make_unique<VASLabelComponent> (0, height - 50, dialogWidth, 50, "Component Rectangle",
                                                         juce::String(), juce::String(), 15.0f, black,
                                                         juce::Justification::topLeft);
    sendButtonBar->setColour (juce::Label::backgroundColourId, lightGrey.brighter (1.0f));
    sendDialog->addAndMakeVisible (*sendButtonBar);

    cancel2Button = makeSendDialogButton (*sendDialog, "Cancel 2", { 194, height - 40, 78, 30 }, "");
    sendButton = makeSendDialogButton (*sendDialog, "Send", { 110, height - 40, 78, 30 }, "btn-sendsmall");
    sendButton->setEnabled (sendEnabled);
}

void DremlorDialog::createSendReadyButtons (juce::Component& parent)
{
    sendButton = makeSendDialogButton (parent, "Send", { 99, 300, 78, 30 }, "btn-sendsmall");

    // The instructions ask for SEND, so "Ready" sits beside "Cancel 2" rather than on
    // top of "Send", where it would hide the button the user is told to press.
    readyButton = makeSendDialogButton (parent, "Ready", { 281, 300, 78, 30 }, "btn-ready");
    cancel2Button = makeSendDialogButton (parent, "Cancel 2", { 197, 300, 78, 30 }, "");
}

std::unique_ptr<juce::ImageButton> DremlorDialog::makeSendDialogButton (juce::Component& parent, const juce::String& name,
                                                                        juce::Rectangle<int> bounds,
                                                                        const juce::String& imageName)
{
    auto button = std::make_unique<juce::ImageButton> (name);
    button->setBounds (bounds);

    if (imageName.isEmpty())
        setButtonImages (*button, cancelNormal, cancelOver, cancelDown);
    else
        setButtonImages (*button, skinImage (imageName + ".png"), skinImage (imageName + "-over.png"),
                         skinImage (imageName + "-down.png"));

    button->addListener (this);
    parent.addAndMakeVisible (*button);
    return button;
}

//==============================================================================
int DremlorDialog::runSendDialog()
{
    const juce::ScopedValueSetter<bool> open (sendDialogOpen, true);
    const int result = sendDialogOptions.runModal();

    // A recording started with the restore dialog's "Ready" ends with the dialog,
    // however it closed; the dialog has no OK to save it, so it is dropped as the
    // backup page's Cancel drops it.
    if (recordingFromSendDialog)
        discardDumpRecording();

    return result;
}

void DremlorDialog::closeSendDialog (int result)
{
    if (sendDialog == nullptr)
        return;

    if (auto* window = sendDialog->findParentComponentOfClass<juce::DialogWindow>())
        window->exitModalState (result);
}

void DremlorDialog::updateSendDialogButtons (bool connected)
{
    if (sendButton == nullptr || sendDialog->findParentComponentOfClass<juce::DialogWindow>() == nullptr)
        return;

    if (! connected)
    {
        sendButton->setEnabled (false);
        return;
    }

    // Kinds with a destination to choose wait for that choice; the others were
    // usable from the start and only lost "Send" while the unit was away.
    bool destinationReady = true;

    if (fileKind == SendFileData::singlePreset)
        destinationReady = presetDestination > 0;
    else if (fileKind == SendFileData::cabIr)
        destinationReady = cabDestination > 0;
    else if (fileKind == SendFileData::oneBank)
        destinationReady = bankChosen;

    sendButton->setEnabled (destinationReady);

    if (cancel2Button != nullptr)
        cancel2Button->setEnabled (true);
}

//==============================================================================
bool DremlorDialog::sendDialogButtonClicked (juce::Button* button)
{
    if (button == nullptr)
        return false;

    if (button == sendButton.get())
    {
        if (fileKind == SendFileData::stompraBackup)
        {
            // The restore starts from here; the dialog stays open and shows the progress.
            if (processing != nullptr)
            {
                auto& sender = processing->getSender();
                sender.resetSendOptions();
                sender.setNoReplyMode();
            }

            startSend (false, "Transferring sysex...");
            return true;
        }

        if (fileKind == SendFileData::cabIr)
        {
            if (slotRadio->getToggleState())
            {
                const int slot = cabSlotSpin->getValue();

                if (slot < 1 || slot > userCabCount)
                {
                    showMessage ("Please enter a valid user cab slot.");
                    return true;
                }

                destinationSlot = slot;
                destinationMode = DumpImage::userSlot;
            }
            else if (scratchpadRadio->getToggleState())
            {
                destinationSlot = 101;
                destinationMode = DumpImage::scratchpad;
            }
            else
            {
                destinationSlot = 127;
                destinationMode = DumpImage::selectedSlot;
            }
        }

        sendConfirmed = true;
        closeSendDialog (1);
        return true;
    }

    if (button == readyButton.get())
    {
        startDumpRecording (readyButton.get(), sendProgressBar.get());
        recordingFromSendDialog = true;
        return true;
    }

    if (button == cancel2Button.get())
    {
        auto* sender = processing != nullptr ? &processing->getSender() : nullptr;

        if (sender != nullptr && sender->getState() == SendState::running)
        {
            if (! sender->cancel())
                showMessage ("Transfer could not be canceled.");
        }
        else
        {
            sendDialogCancelled = true;
            closeSendDialog (0);
        }

        return true;
    }

    const bool isSlot = button == slotRadio.get();
    const bool isCurrent = button == currentSlotRadio.get();
    const bool isScratchpad = button == scratchpadRadio.get();

    if (! (isSlot || isCurrent || isScratchpad))
        return false;

    // A press on an already chosen radio button reports it again; only the chosen one counts.
    if (! button->getToggleState())
        return true;

    if (cabSlotSpin != nullptr)
        cabSlotSpin->setActive (isSlot);

    const int choice = isSlot ? 1 : isCurrent ? 2 : 3;

    if (fileKind == SendFileData::singlePreset)
        presetDestination = choice;
    else
        cabDestination = choice;

    return true;
}

void DremlorDialog::sendSlotSpinChanged()
{
    if (cabSlotSpin == nullptr)
        return;

    if (cabSlotSpin->lastAction == 0)
    {
        if (slotRadio != nullptr)
            slotRadio->setToggleState (true, juce::dontSendNotification);

        // As with the radio buttons, "Send" is left to the watchdog, which enables it
        // only while the unit is connected.
        cabDestination = 1;
    }
    else if (cabSlotSpin->lastAction == 1 && sendButton != nullptr && sendButton->isShowing())
    {
        sendButton->grabKeyboardFocus();
    }
}
