#include "app/DremlorDialog.h"

#include "app/ReceiveThread.h"
#include "devicelink/VASMidiProcessing.h"

namespace
{
    const juce::String noPortText ("<< none >>");
    const juce::String korrinaPortName ("KORRINA MIDI");
    constexpr int processingStopTimeoutMs = 5000;

    void fillPortMenu (juce::PopupMenu& menu, const juce::StringArray& names)
    {
        menu.clear();
        menu.addItem (-1, noPortText, true, false);
        menu.addSeparator();

        for (int i = 0; i < names.size(); ++i)
            menu.addItem (i + 1, names[i], true, false);
    }
}

//==============================================================================
void DremlorDialog::fillInputPortList()
{
    inputDeviceNames = processing != nullptr ? processing->getMidiInputDevices() : juce::StringArray();
    fillPortMenu (inputPortMenu, inputDeviceNames);
}

void DremlorDialog::fillOutputPortList()
{
    outputDeviceNames = processing != nullptr ? processing->getMidiOutputDevices() : juce::StringArray();
    fillPortMenu (outputPortMenu, outputDeviceNames);
}

juce::String DremlorDialog::runPortMenu (int itemId, const juce::PopupMenu& menu)
{
    if (itemId == -1)
        return noPortText;

    for (juce::PopupMenu::MenuItemIterator items (menu); items.next();)
        if (items.getItem().itemID == itemId)
            return items.getItem().text;

    return {};
}

void DremlorDialog::showInputPortMenu()
{
    fillInputPortList();
    inputPortChosen (inputPortMenu.showAt (inputLabel.get()));
}

void DremlorDialog::showOutputPortMenu()
{
    fillOutputPortList();
    outputPortChosen (outputPortMenu.showAt (outputLabel.get()));
}

void DremlorDialog::inputPortChosen (int itemId)     { portChosen (PortDirection::input, itemId); }
void DremlorDialog::outputPortChosen (int itemId)    { portChosen (PortDirection::output, itemId); }

void DremlorDialog::portChosen (PortDirection direction, int itemId)
{
    if (itemId == 0)
        return;

    const bool isInput = direction == PortDirection::input;
    const auto name = runPortMenu (itemId, isInput ? inputPortMenu : outputPortMenu);
    (isInput ? inputLabel : outputLabel)->setText (name, juce::dontSendNotification);
    openPort (direction, name);
    updateBufferDelayForDevice();
}

//==============================================================================
void DremlorDialog::selectDefaultInputPort()     { selectDefaultPort (PortDirection::input); }
void DremlorDialog::selectDefaultOutputPort()    { selectDefaultPort (PortDirection::output); }

void DremlorDialog::selectDefaultPort (PortDirection direction)
{
    const bool isInput = direction == PortDirection::input;

    if (isInput)
        fillInputPortList();
    else
        fillOutputPortList();

    // The Korrina's own USB port, whatever the letter case and the system's additions.
    const auto& names = isInput ? inputDeviceNames : outputDeviceNames;
    const auto found = std::any_of (names.begin(), names.end(),
                                    [] (const juce::String& name) { return name.indexOfIgnoreCase (korrinaPortName) >= 0; });

    if (! found)
        return;

    for (juce::PopupMenu::MenuItemIterator items (isInput ? inputPortMenu : outputPortMenu); items.next();)
    {
        if (items.getItem().text.indexOfIgnoreCase (korrinaPortName) >= 0)
        {
            openPort (direction, items.getItem().text);
            break;
        }
    }
}

//==============================================================================
bool DremlorDialog::openInputPort (const juce::String& portName)     { return openPort (PortDirection::input, portName); }
bool DremlorDialog::openOutputPort (const juce::String& portName)    { return openPort (PortDirection::output, portName); }

bool DremlorDialog::openPort (PortDirection direction, const juce::String& portName)
{
    if (processing == nullptr)
        return false;

    const bool isInput = direction == PortDirection::input;
    bool result;

    if (portName == noPortText)
    {
        result = releasePort (direction);
    }
    else
    {
        auto& ports = processing->getPorts();
        result = isInput ? ports.openMidiInput (portName) : ports.openMidiOutput (portName);

        if (result)
        {
            (isInput ? inputPortOpen : outputPortOpen) = true;
            processingStarted = restartMidiProcessing();
        }
    }

    (isInput ? inputLabel : outputLabel)->setText (portName, juce::dontSendNotification);
    updateStepControls();
    return result;
}

bool DremlorDialog::releasePort (PortDirection direction)
{
    const bool isInput = direction == PortDirection::input;
    bool wasOpen = false;

    // The engine stays stopped: only opening a port starts it again.
    if (processing != nullptr)
    {
        processing->stopThread (processingStopTimeoutMs);
        processing->clearReadyFlags();
        wasOpen = isInput ? processing->getPorts().closeMidiInput() : processing->getPorts().closeMidiOutput();
    }

    (isInput ? inputPortOpen : outputPortOpen) = false;
    return wasOpen;
}

bool DremlorDialog::restartMidiProcessing()
{
    if (processing == nullptr)
        return false;

    const bool singlePortDevice = isStompra (device) || device == DeviceModels::bootRom;

    if (inputPortOpen && outputPortOpen && isKorrina (device))
        return processing->setMidiDevices (true, true);

    if (outputPortOpen && singlePortDevice)
        return processing->setMidiDevices (false, true);

    if (inputPortOpen && singlePortDevice)
        return processing->setMidiDevices (true, false);

    return false;
}

bool DremlorDialog::closeInputPort()
{
    const bool wasOpen = releasePort (PortDirection::input);

    const bool notNeeded = (device == DeviceModels::stompraClassic || device == DeviceModels::bootRom)
                           && sendPageActive && ! receivePageActive;
    inputLabel->setText (notNeeded ? "Port is not needed" : "Select an Input Port", juce::dontSendNotification);
    return wasOpen;
}

bool DremlorDialog::closeOutputPort()
{
    const bool wasOpen = releasePort (PortDirection::output);

    const bool notNeeded = (device == DeviceModels::stompraClassic || device == DeviceModels::bootRom)
                           && receivePageActive && ! sendPageActive;
    outputLabel->setText (notNeeded ? "Port is not needed" : "Select an Output Port", juce::dontSendNotification);
    return wasOpen;
}

bool DremlorDialog::closePorts()
{
    const bool inputWasOpen = closeInputPort();
    const bool outputWasOpen = closeOutputPort();
    return inputWasOpen && outputWasOpen;
}

//==============================================================================
void DremlorDialog::checkConnection()
{
    bool connected = false;

    if (processing != nullptr)
    {
        const bool singlePortDevice = isStompra (device) || device == DeviceModels::bootRom;

        if (isKorrina (device))
            connected = processing->isReady();
        else if (singlePortDevice && sendPageActive && ! receivePageActive)
            connected = processing->isOutputReady();
        else if (singlePortDevice && receivePageActive && ! sendPageActive)
            connected = processing->isInputReady();
    }

    if (connected)
    {
        if (inputPortOpen)
            inputCheck->setVisible (true);

        if (outputPortOpen)
            outputCheck->setVisible (true);

        if (inputPortOpen && outputPortOpen && isKorrina (device) && ! versionKnown && ! queryRunning)
        {
            if (! wasConnected)
                versionRetries = 0;

            queryFirmwareVersion();
        }

        if (fileChosen && sendPageActive && ! receivePageActive)
        {
            transmitButton->setEnabled (true);
            cancelButton->setEnabled (true);
            updateSendDialogButtons (true);
        }
        else if (receiveFolderChosen && receivePageActive && ! sendPageActive)
        {
            transmitButton->setEnabled (true);
            cancelButton->setEnabled (true);
        }
    }
    else
    {
        inputCheck->setVisible (inputPortOpen);
        outputCheck->setVisible (outputPortOpen);
        versionKnown = false;
        connectedLabel->setVisible (false);
        transmitButton->setEnabled (false);
        cancelButton->setEnabled (false);
        updateSendDialogButtons (false);
    }

    wasConnected = connected;
}

//==============================================================================
bool DremlorDialog::runBlocking (std::unique_ptr<SysExTransaction> transaction)
{
    clearReceiveCollector();
    pendingTransaction = std::move (transaction);

    if (processing == nullptr || ! processing->queueTransaction (pendingTransaction.get()))
        return false;

    // The interface waits for the answer, as the device protocol expects, but never
    // longer than the transaction's own time-out: a processing thread that is not
    // running would otherwise leave it waiting for ever. It sleeps until the
    // transaction ends rather than spinning, so a silent unit costs no CPU.
    const auto start = juce::Time::getMillisecondCounter();
    const auto limit = pendingTransaction->getTimeout();

    while (pendingTransaction->getState() == TransactionState::waiting)
    {
        const auto elapsed = juce::Time::getMillisecondCounter() - start;

        if (elapsed > limit)
            return false;

        pendingTransaction->waitForEnd ((int) (limit - elapsed) + 1);
    }

    return true;
}

void DremlorDialog::clearReceiveCollector()
{
    if (pendingTransaction == nullptr)
        return;

    // A backup's receive thread reads the transaction until it ends: it stops first.
    // The thread object stays, as its last change message may still be on its way.
    if (receiveThread != nullptr)
        receiveThread->stopThread (-1);

    // One still held by the processing thread is deleted once it lets go of it.
    if (pendingTransaction->isInFlight())
        retiredTransactions.push_back (std::move (pendingTransaction));

    pendingTransaction.reset();
    releaseRetiredTransactions();
}

void DremlorDialog::releaseRetiredTransactions()
{
    retiredTransactions.erase (std::remove_if (retiredTransactions.begin(), retiredTransactions.end(),
                                               [] (const auto& t) { return ! t->isInFlight(); }),
                               retiredTransactions.end());
}

void DremlorDialog::queryFirmwareVersion()
{
    if (! (inputPortOpen && outputPortOpen && deviceChosen && ! versionKnown && ! queryRunning))
        return;

    queryRunning = true;
    juce::MouseCursor::showWaitCursor();

    auto transaction = std::make_unique<SysExTransaction> (2000u);
    juce::MidiMessage request;
    SysExMessage::makeMessage (request, 0x08, nullptr, 0);
    transaction->setRequest (request);

    const bool ended = runBlocking (std::move (transaction));
    juce::MouseCursor::hideWaitCursor();

    const auto state = ended ? pendingTransaction->getState() : TransactionState::timedOut;

    if (state == TransactionState::timedOut)
    {
        if (versionRetries < 3)
        {
            ++versionRetries;
        }
        else
        {
            showMessage ("A time-out has occurred while attempting to query the firmware version. Please verify the following:\n\n"
                         "1) The connected device matches the selected device.\n"
                         "2) The device is connected to the computer and powered on.\n"
                         "3) The device driver is properly installed.\n\n"
                         "If the device is an Korrina running firmware version 8.0 or earlier, you need to use Dremlor version 1.2.7.");
            resetDeviceSelection();
        }
    }
    else if (state == TransactionState::complete && pendingTransaction->getNumReplies() == 1)
    {
        juce::MidiMessage reply;
        VersionReply version;

        if (pendingTransaction->getReply (0, reply) && SysExMessage::parseVersion (reply, version))
        {
            firmwareMajor = version.major;
            firmwareMinor = version.minor;
            versionKnown = true;
            connectedLabel->setVisible (true);
            queryVersionDetail();
        }
    }

    queryRunning = false;
}

void DremlorDialog::queryVersionDetail()
{
    juce::MouseCursor::showWaitCursor();

    auto transaction = std::make_unique<SysExTransaction> (2000u);
    juce::MidiMessage request;
    SysExMessage::makeMessage (request, 0x42, nullptr, 0);
    transaction->setRequest (request);

    // The unit only needs to hear that no editor is connected; its answer is not used.
    runBlocking (std::move (transaction));
    juce::MouseCursor::hideWaitCursor();
}

void DremlorDialog::queryDisplayOffset()
{
    juce::MouseCursor::showWaitCursor();

    auto transaction = std::make_unique<SysExTransaction> (2000u);
    juce::MidiMessage request;
    ConfigRequest config;
    config.parameterId = 0x2FE;
    SysExMessage::buildConfigRequest (request, config);
    transaction->setRequest (request);

    const bool ended = runBlocking (std::move (transaction));
    juce::MouseCursor::hideWaitCursor();

    const auto state = ended ? pendingTransaction->getState() : TransactionState::timedOut;

    if (state == TransactionState::timedOut)
    {
        showMessage ("Unable to query Display Offset.  Please make sure the Korrina is connect and powered on.");
    }
    else if (state == TransactionState::complete && pendingTransaction->getNumReplies() == 1)
    {
        juce::MidiMessage reply;
        ConfigReply config;

        if (pendingTransaction->getReply (0, reply) && SysExMessage::parseConfig (reply, config))
            displayOffset = config.value;
    }
}

void DremlorDialog::resetDeviceSelection()
{
    device = DeviceModels::choiceReset;
    deviceChosen = false;
    versionKnown = false;
    closeInputPort();
    closeOutputPort();
    deviceLabel->setText ("Select Device", juce::dontSendNotification);
    deviceCheck->setVisible (false);
    inputLabel->setText ("Select an Input Port", juce::dontSendNotification);
    outputLabel->setText ("Select an Output Port", juce::dontSendNotification);
    updateStepControls();
}
