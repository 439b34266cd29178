#include "app/DremlorDialog.h"

#include "app/ReceiveThread.h"
#include "devicelink/VASMidiProcessing.h"
#include "skin/VASLabelComponent.h"
#include "skin/VASMultiLineLabelComponent.h"
#include "skin/VASSpinControl.h"

namespace
{
    constexpr int pageWidth = 375;
    constexpr int receiveTimeoutMs = 2000;
    constexpr int maxCabAttempts = 3;

    // Function code of the Korrina Grand's system dump request.
    constexpr uint8_t dumpSystemFunction = 0x43;

    /** What the "Progress" label names after "Now receiving: " for each backup type. */
    juce::String receivingText (int type, int cabCounter, int userCabCount)
    {
        static const char* const banks[] { "Bank A", "Bank B", "Bank C", "Bank D" };

        if (type >= 1 && type <= 4)
            return banks[type - 1];

        if (type == 5)
            return "System";

        if (type == 9)
            return "User Cab " + juce::String (cabCounter + 1) + "/" + juce::String (userCabCount);

        return {};
    }

    juce::String nowReceivingCab (int cabCounter, int userCabCount)
    {
        return "Now receiving: " + receivingText (9, cabCounter, userCabCount);
    }
}

//==============================================================================
// Members go in reverse order: the widgets first, the page last.
DremlorDialog::KorrinaBackupPage::~KorrinaBackupPage() = default;

//==============================================================================
void DremlorDialog::createKorrinaBackupComponent()
{
    const bool offsetKnownToFirmware = firmwareMajor > 10 || (firmwareMajor == 10 && firmwareMinor >= 9);

    if (offsetKnownToFirmware)
        queryDisplayOffset();
    else
        displayOffset = 0;

    buildKorrinaBackupPage (offsetKnownToFirmware);

    korrinaBackupOptions.dialogTitle = "Korrina Backup Type";
    korrinaBackupOptions.content.setNonOwned (korrinaPage->page.get());
    korrinaBackupOptions.componentToCentreAround = getParentComponent();
    korrinaBackupOptions.dialogBackgroundColour = juce::Colours::lightgrey;
    korrinaBackupOptions.escapeKeyTriggersCloseButton = false;
    korrinaBackupOptions.useNativeTitleBar = false;
    korrinaBackupOptions.resizable = false;
    korrinaBackupOptions.useBottomRightCornerResizer = false;

    // Returns once the dispatcher's OK or Cancel has closed the window.
    korrinaBackupOptions.runModal();
}

void DremlorDialog::clearKorrinaBackupPage()
{
    korrinaPage.reset();
}

void DremlorDialog::buildKorrinaBackupPage (bool offsetQueried)
{
    clearKorrinaBackupPage();
    korrinaPage = std::make_unique<KorrinaBackupPage>();
    auto& p = *korrinaPage;

    const bool grand = device == DeviceModels::korrinaGrand;
    const int d = offsetQueried ? 0 : 80;
    const int height = 430 + d;

    const bool fromOne = displayOffset == 1;
    const int presetMin = fromOne ? 1 : 0;
    const int presetMax = (grand ? 511 : 383) + (fromOne ? 1 : 0);

    p.page = std::make_unique<juce::Component> ("Korrina Backup Component");
    p.page->setSize (pageWidth, height);

    auto addToggle = [&] (std::unique_ptr<juce::ToggleButton>& holder, juce::StringRef text,
                          juce::Rectangle<int> bounds, int radioGroup) -> juce::ToggleButton&
    {
        holder = std::make_unique<juce::ToggleButton> (text);
        auto& toggle = *holder;
        toggle.setColour (juce::TextEditor::focusedOutlineColourId, juce::Colours::transparentBlack);
        toggle.setColour (juce::TextButton::buttonColourId, juce::Colours::grey);
        toggle.setBounds (bounds);

        if (radioGroup != 0)
            toggle.setRadioGroupId (radioGroup);

        toggle.addListener (this);
        p.page->addAndMakeVisible (toggle);
        return toggle;
    };

    auto addFullBackupToggle = [&] (std::unique_ptr<juce::ToggleButton>& holder, juce::StringRef text,
                                    int y, bool on)
    {
        auto& toggle = addToggle (holder, text, { 60, y, 300, 25 }, 0);
        toggle.setEnabled (false);
        toggle.setToggleState (on, juce::dontSendNotification);
    };

    auto addNote = [&] (std::unique_ptr<VASMultiLineLabelComponent>& holder, juce::StringRef name,
                        const juce::String& text, juce::Rectangle<int> bounds)
    {
        holder = std::make_unique<VASMultiLineLabelComponent> (bounds.getX(), bounds.getY(), bounds.getWidth(),
                                                               bounds.getHeight(), name, text,
                                                               juce::Colours::lightgrey, juce::Colours::grey);
        p.page->addAndMakeVisible (*holder);
    };

    const auto divider = skinImage ("backup-divider.png");

    auto addDivider = [&] (std::unique_ptr<juce::ImageButton>& holder, juce::StringRef name, int y)
    {
        holder = std::make_unique<juce::ImageButton> (name);
        setButtonImages (*holder, divider);
        holder->setBounds (27, y, 320, 2);
        p.page->addAndMakeVisible (*holder);
    };

    auto addSpin = [&] (std::unique_ptr<VASSpinControl>& holder, int minimum, int maximum, int y)
    {
        holder = std::make_unique<VASSpinControl> (minimum, maximum, juce::String (minimum));
        holder->setBounds (260, y, 90, 27);
        holder->addChangeListener (this);
        p.page->addAndMakeVisible (*holder);
    };

    //==============================================================================
    addToggle (p.backUpKorrina, "Back up the Korrina", { 20, 5, 300, 25 }, 2);
    addFullBackupToggle (p.bankA, "Back up Preset Bank A (000-127)", 35, true);
    addFullBackupToggle (p.bankB, "Back up Preset Bank B (128-255)", 65, true);
    addFullBackupToggle (p.bankC, "Back up Preset Bank C (256-383)", 95, true);
    addFullBackupToggle (p.bankD, "Back up Preset Bank D (384-512)", 125, grand);
    addFullBackupToggle (p.system, "Back up System Settings", 155, true);

    addNote (p.systemDescription, "Backup System Description",
             juce::String ("System includes Global, I/O, and Tuner settings, plus all Global Blocks")
                 + (grand ? ". User Cabs are not included."
                          : " and User Cabs 1-50.  (User cabs >50 are not included.)"),
             { 75, 175, 290, 50 });

    addFullBackupToggle (p.allCabs, "Back up all User Cabs", 230, true);
    addDivider (p.divider1, "Backup Divider 1", 262);

    addToggle (p.singlePreset, "Back up an individual Preset\t\t #", { 20, 267, 300, 25 }, 2);
    addSpin (p.presetSpin, presetMin, presetMax, 266);

    if (d == 80)
        addNote (p.offsetWarning, "Backup Preset Display Offset Warning",
                 "Note: The firmware version running on your Korrina does not support the \"Display Offset\" feature.  "
                 "If you are using the \"Display Offset\" enter the preset number you wish to back-up and subtract one.",
                 { 37, 293, 290, 80 });

    addDivider (p.divider2, "Backup Divider 2", 296 + d);
    addToggle (p.editBuffer, "Back up current preset from Edit buffer", { 20, 300 + d, 300, 25 }, 2);
    addToggle (p.unlinkGlobals, "Unlink Global Blocks (if present)", { 39, 318 + d, 300, 25 }, 0).setEnabled (false);
    addDivider (p.divider3, "Backup Divider 3", 342 + d);

    addToggle (p.singleCab, "Back up an individual User Cab\t#", { 20, 347 + d, 300, 25 }, 2);
    addSpin (p.cabSpin, 1, userCabCount, 346 + d);

    p.rectangle = std::make_unique<VASLabelComponent> (0, height - 50, pageWidth, 50, "Backup Component Rectangle",
                                                       juce::String(), juce::String(), 15.0f,
                                                       juce::Colours::black, juce::Justification::topLeft);
    p.rectangle->setColour (juce::Label::backgroundColourId, juce::Colours::grey.brighter (0.5f));
    p.page->addAndMakeVisible (*p.rectangle);

    p.cancel = std::make_unique<juce::ImageButton> ("Backup Cancel Button");
    setButtonImages (*p.cancel, cancelNormal, cancelOver, cancelDown);
    p.cancel->setBounds (194, height - 40, 78, 30);
    p.cancel->addListener (this);
    p.page->addAndMakeVisible (*p.cancel);

    p.ok = std::make_unique<juce::ImageButton> ("Backup Okay Button");
    setButtonImages (*p.ok, skinImage ("btn-ok.png"), skinImage ("btn-ok-over.png"), skinImage ("btn-ok-down.png"));
    p.ok->setBounds (110, height - 40, 78, 30);
    p.ok->addListener (this);
    p.ok->setEnabled (false);
    p.page->addAndMakeVisible (*p.ok);
}

void DremlorDialog::closeKorrinaBackupPage (int result)
{
    if (korrinaPage == nullptr || korrinaPage->page == nullptr)
        return;

    if (auto* window = korrinaPage->page->findParentComponentOfClass<juce::DialogWindow>())
        window->exitModalState (result);
}

//==============================================================================
bool DremlorDialog::handleKorrinaBackupButton (juce::Button* button)
{
    if (button == nullptr)
        return false;

    if (button == transmitButton.get())
    {
        if (transferStarting || ! receivePageActive || ! isKorrina (device))
            return false;

        createKorrinaBackupComponent();
        return true;
    }

    if (korrinaPage == nullptr)
        return false;

    auto& p = *korrinaPage;

    if (button == p.cancel.get())
    {
        if (isKorrina (device))
            closeKorrinaBackupPage (0);
    }
    else if (button == p.ok.get())
    {
        if (isKorrina (device))
            startKorrinaBackup();
    }
    else if (button == p.backUpKorrina.get())
    {
        setFullBackupMode();
    }
    else if (button == p.singlePreset.get() || button == p.editBuffer.get() || button == p.singleCab.get())
    {
        setSingleItemMode (static_cast<juce::ToggleButton&> (*button));
    }
    else
    {
        return button == p.unlinkGlobals.get() || button == p.bankA.get() || button == p.bankB.get()
            || button == p.bankC.get() || button == p.bankD.get() || button == p.system.get()
            || button == p.allCabs.get();
    }

    return true;
}

void DremlorDialog::setFullBackupMode()
{
    auto& p = *korrinaPage;

    for (auto* toggle : { p.bankA.get(), p.bankB.get(), p.bankC.get(), p.system.get(), p.allCabs.get() })
        toggle->setEnabled (true);

    p.bankD->setEnabled (device == DeviceModels::korrinaGrand);
    p.presetSpin->setActive (false);
    p.cabSpin->setActive (false);
    p.unlinkGlobals->setEnabled (false);
    p.ok->setEnabled (true);
}

void DremlorDialog::setSingleItemMode (juce::ToggleButton& pressed)
{
    auto& p = *korrinaPage;

    for (auto* toggle : { p.bankA.get(), p.bankB.get(), p.bankC.get(), p.bankD.get(), p.system.get(), p.allCabs.get() })
        toggle->setEnabled (false);

    p.presetSpin->setActive (&pressed == p.singlePreset.get());
    p.cabSpin->setActive (&pressed == p.singleCab.get());
    p.unlinkGlobals->setEnabled (&pressed == p.editBuffer.get());
    p.ok->setEnabled (true);
}

void DremlorDialog::spinControlChanged (VASSpinControl& spin)
{
    auto& p = *korrinaPage;

    if (spin.lastAction == 1)
    {
        p.ok->grabKeyboardFocus();
        return;
    }

    if (spin.lastAction != 0)
        return;

    const bool presetSpin = &spin == p.presetSpin.get();
    (presetSpin ? p.singlePreset : p.singleCab)->setToggleState (true, juce::dontSendNotification);
    (presetSpin ? p.cabSpin : p.presetSpin)->setActive (false);
    p.unlinkGlobals->setEnabled (false);
    p.ok->setEnabled (true);
}

//==============================================================================
void DremlorDialog::startKorrinaBackup()
{
    auto& p = *korrinaPage;

    tickedBankA = tickedBankB = tickedBankC = tickedBankD = tickedSystem = tickedAllCabs = false;

    if (p.backUpKorrina->getToggleState())
    {
        // One moment names the whole run: its bank and system files and its cab folder.
        const auto runName = DremlorSettings::makeDateTimeName (juce::Time::getCurrentTime());
        int first = 0;
        severalTypes = false;

        if (p.allCabs->getToggleState())
        {
            first = 9;
            tickedAllCabs = true;
            allCabsFolder = backupFolder.getChildFile (runName + "-usercabs");
            cabCounter = 0;
            cabAttempts = 0;
            cabsWritten = 0;
            stopAllCabs = false;
        }

        const bool system = p.system->getToggleState();
        const bool bankD = p.bankD->getToggleState();
        const bool bankC = p.bankC->getToggleState();
        const bool bankB = p.bankB->getToggleState();

        if (system)
        {
            first = 5;
            tickedSystem = true;
            severalTypes = true;
        }

        if (bankD)
        {
            first = 4;
            tickedBankD = true;
            severalTypes = severalTypes || system;
        }

        if (bankC)
        {
            first = 3;
            tickedBankC = true;
            severalTypes = true;
        }

        if (bankB)
        {
            first = 2;
            tickedBankB = true;
            severalTypes = severalTypes || system || bankD || bankC;
        }

        if (p.bankA->getToggleState())
        {
            first = 1;
            tickedBankA = true;
            severalTypes = severalTypes || system || bankD || bankC || bankB;
        }

        closeKorrinaBackupPage (3);
        backupBaseName = runName;

        if (first == 9)
        {
            receiveBeginLabel->setVisible (false);
            progressLabel->setText (nowReceivingCab (cabCounter, userCabCount), juce::dontSendNotification);
            beginReceive (9, backupBaseName, cabCounter);
        }
        else
        {
            beginReceive (first, backupBaseName, -1);
        }

        return;
    }

    if (p.singlePreset->getToggleState())
    {
        const int value = p.presetSpin->getValue();
        const int lowest = displayOffset;
        const int highest = (device == DeviceModels::korrinaGrand ? 511 : 383) + displayOffset;

        if (value < lowest || value > highest)
        {
            showMessage ("Please enter a valid preset number.");
            p.presetSpin->grabEditorFocus();
        }
        else
        {
            closeKorrinaBackupPage (3);
            beginReceive (6, backupBaseName, -1);
        }
    }

    if (p.editBuffer->getToggleState())
    {
        unlinkGlobalBlocks = p.unlinkGlobals->getToggleState();
        closeKorrinaBackupPage (3);
        beginReceive (7, backupBaseName, -1);
    }

    if (p.singleCab->getToggleState())
    {
        const int value = p.cabSpin->getValue();

        if (value < 1 || value > userCabCount)
        {
            showMessage ("Please enter a valid cab number.");
            p.cabSpin->grabEditorFocus();
        }
        else
        {
            closeKorrinaBackupPage (3);
            beginReceive (8, backupBaseName, -1);
        }
    }
}

//==============================================================================
void DremlorDialog::beginReceive (int type, const juce::String& baseName, int cabIndex)
{
    receiveType = type;

    if (type <= 0)
        return;

    clearReceiveCollector();

    if (type > 9 || processing == nullptr)
        return;

    auto transaction = std::make_unique<SysExTransaction> ((uint32_t) receiveTimeoutMs);
    bool built = false;

    if (type <= 4 || (type == 5 && device != DeviceModels::korrinaGrand))
    {
        BankDumpRequest request;
        request.bank = (uint32_t) (type <= 4 ? type - 1 : 3);
        built = SysExMessage::buildBankDumpRequest (*transaction, request);
    }
    else if (type == 5)
    {
        juce::MidiMessage request;
        built = SysExMessage::makeMessage (request, dumpSystemFunction, nullptr, 0) > 0;

        if (built)
            transaction->setRequest (request);
    }
    else if (type == 6)
    {
        // Presets count from 1 on a unit whose Display Offset is 1.
        const int n = korrinaPage != nullptr ? korrinaPage->presetSpin->getValue() - (displayOffset == 1 ? 1 : 0) : -1;
        PatchDumpRequest request;
        request.bank = (uint32_t) (juce::jmax (0, n) / 128);
        request.preset = (uint32_t) (juce::jmax (0, n) % 128);
        built = n >= 0 && SysExMessage::buildPatchDumpRequest (*transaction, request);
    }
    else if (type == 7)
    {
        PatchDumpRequest request;
        request.bank = unlinkGlobalBlocks ? 0x7E : 0x7F;
        built = SysExMessage::buildPatchDumpRequest (*transaction, request);
    }
    else
    {
        const int slot = type == 9 ? cabIndex
                       : korrinaPage != nullptr ? korrinaPage->cabSpin->getValue() - 1
                                                : -1;
        CabDumpRequest request;
        request.cab = (uint32_t) juce::jmax (0, slot);
        built = slot >= 0 && SysExMessage::buildCabDumpRequest (*transaction, request);
    }

    // A request that cannot be made ends a run that is under way, rather than
    // leaving the page greyed out.
    if (! built)
    {
        if (backupRunning)
            endBackupRun();

        return;
    }

    pendingTransaction = std::move (transaction);
    processing->queueTransaction (pendingTransaction.get());

    if (severalTypes)
        progressLabel->setText ("Now receiving: " + receivingText (type, cabCounter, userCabCount),
                                juce::dontSendNotification);

    receiveBeginLabel->setVisible (false);

    // The thread whose change message led here is still delivering it; it is deleted
    // at the next request instead.
    finishedReceiveThread = std::move (receiveThread);

    if (type == 9)
        ++cabAttempts;

    auto* sender = &processing->getSender();
    receiveThread = std::make_unique<ReceiveThread> (*pendingTransaction,
                                                     [sender] (double value) { sender->setProgress (value); },
                                                     type == 9 ? allCabsFolder : backupFolder,
                                                     type, type == 9 ? cabCounter + 1 : 0, baseName);
    receiveResultHandled = false;
    receiveThread->addChangeListener (this);
    receiveThread->startThread();
    backupRunning = true;

    stopTimer (watchdogTimer);
    setControlsEnabled (false);
}

//==============================================================================
void DremlorDialog::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == nullptr)
        return;

    if (receiveThread != nullptr && source == receiveThread.get())
    {
        receiveThreadChanged (*receiveThread);
        return;
    }

    if (korrinaPage != nullptr && (source == korrinaPage->presetSpin.get() || source == korrinaPage->cabSpin.get()))
        spinControlChanged (*static_cast<VASSpinControl*> (source));
    else if (cabSlotSpin != nullptr && source == cabSlotSpin.get())
        sendSlotSpinChanged();
}

void DremlorDialog::receiveThreadChanged (ReceiveThread& thread)
{
    // Change messages coalesce and may arrive twice for one result: each result of
    // a thread is acted on once.
    const auto status = thread.getStatus();

    if (receiveResultHandled || status == ReceiveThread::stillWaiting)
        return;

    if (status == ReceiveThread::saving)
    {
        progressBar->setTextToDisplay ("Saving...");
        return;
    }

    receiveResultHandled = true;

    progressBar->setTextToDisplay ({});
    progressBar->setPercentageDisplay (true);

    if (processing != nullptr)
        processing->getSender().setProgress (0.0);

    progressBar->repaint();

    if (status == ReceiveThread::written)
    {
        switch (receiveType)
        {
            case 1: tickedBankA = false; break;
            case 2: tickedBankB = false; break;
            case 3: tickedBankC = false; break;
            case 4: tickedBankD = false; break;
            case 5: tickedSystem = false; break;
            case 9: tickedAllCabs = false; ++cabsWritten; break;
            default: break;
        }

        const std::pair<bool, int> next[] { { tickedBankA, 1 }, { tickedBankB, 2 }, { tickedBankC, 3 },
                                            { tickedBankD, 4 }, { tickedSystem, 5 } };

        for (const auto& [ticked, type] : next)
        {
            if (ticked)
            {
                beginReceive (type, backupBaseName, -1);
                return;
            }
        }

        if (tickedAllCabs)
        {
            cancelButton->setEnabled (true);
            cabCounter = 0;
            cabAttempts = 0;
            beginReceive (9, backupBaseName, 0);
        }
        else if (receiveType == 9 && cabCounter + 1 < userCabCount)
        {
            continueWithNextCab();
        }
        else
        {
            finishBackupRun();
        }
    }
    else if (status == ReceiveThread::timedOut)
    {
        if (receiveType == 9 && cabAttempts != maxCabAttempts)
        {
            beginReceive (9, {}, cabCounter);
        }
        else
        {
            showMessage ("Message timeout.");
            endBackupRun();
        }
    }
    else
    {
        showMessage ("An error was encountered while writing the file to disk.");

        if (receiveType != 9)
            endBackupRun();
        else if (cabCounter + 1 < userCabCount)
            continueWithNextCab();
        else
            finishBackupRun();
    }
}

void DremlorDialog::continueWithNextCab()
{
    if (stopAllCabs)
    {
        showMessage ("Backup canceled.  The first " + juce::String (cabsWritten)
                         + " user cabs have been written to disk.",
                     juce::MessageBoxIconType::InfoIcon);
        endBackupRun();
        return;
    }

    ++cabCounter;
    cabAttempts = 0;
    progressLabel->setText (nowReceivingCab (cabCounter, userCabCount), juce::dontSendNotification);
    beginReceive (9, {}, cabCounter);
}

void DremlorDialog::finishBackupRun()
{
    if (severalTypes || receiveType == 9)
    {
        severalTypes = false;
        showMessage ("Backup complete.", juce::MessageBoxIconType::InfoIcon);
    }
    else
    {
        juce::File written;

        if (receiveThread != nullptr)
            receiveThread->getOutputPath (written);

        showMessage (written.getFileName() + " has been saved.", juce::MessageBoxIconType::InfoIcon);
    }

    endBackupRun();
}

void DremlorDialog::endBackupRun()
{
    severalTypes = false;
    progressLabel->setText ({}, juce::dontSendNotification);

    if (! receiveBeginLabel->isVisible())
        receiveBeginLabel->setVisible (true);

    startTimer (watchdogTimer, 1000);
    setControlsEnabled (true);
    backupRunning = false;
}
