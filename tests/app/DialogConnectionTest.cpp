#include "DialogFixture.h"
#include "support/MessageLoop.h"

#include <ctime>

namespace
{
    const juce::String firmwareTimeoutMessage =
        "A time-out has occurred while attempting to query the firmware version. Please verify the following:\n\n"
        "1) The connected device matches the selected device.\n"
        "2) The device is connected to the computer and powered on.\n"
        "3) The device driver is properly installed.\n\n"
        "If the device is an Korrina running firmware version 8.0 or earlier, you need to use Dremlor version 1.2.7.";
}

//==============================================================================
using PortChoice = DialogFixture;

TEST_F (PortChoice, AutomaticChoiceIgnoresCaseAndFindsTheNameAnywhere)
{
    devices.detach ("KORRINA MIDI");
    devices.addPort ("Some Synth");
    devices.attachUnit (std::make_unique<KorrinaUnit> (DeviceModels::korrina, "USB korrina Midi Port 1"));

    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);

    EXPECT_TRUE (d.inputPortOpen);
    EXPECT_TRUE (d.outputPortOpen);
    EXPECT_EQ (d.inputLabel->getText(), "USB korrina Midi Port 1");
    EXPECT_EQ (d.outputLabel->getText(), "USB korrina Midi Port 1");
    EXPECT_TRUE (d.versionKnown);
}

TEST_F (PortChoice, NoKorrinaPortMeansNothingIsOpened)
{
    devices.detach ("KORRINA MIDI");
    devices.addPort ("Some Synth");

    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);

    EXPECT_FALSE (d.inputPortOpen || d.outputPortOpen || d.versionKnown);
    EXPECT_EQ (d.inputLabel->getText(), "Select an Input Port");
    EXPECT_EQ (d.outputLabel->getText(), "Select an Output Port");
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}

TEST_F (PortChoice, MenuListsNoneASeparatorAndEveryDevice)
{
    devices.addPort ("Second Port");
    devices.addPort ("Third Port");

    auto& d = makeDialog();
    d.fillOutputPortList();

    juce::Array<int> ids;
    juce::StringArray texts;
    int separators = 0;

    for (juce::PopupMenu::MenuItemIterator it (d.outputPortMenuForTesting()); it.next();)
    {
        if (it.getItem().isSeparator)
        {
            ++separators;
            continue;
        }

        ids.add (it.getItem().itemID);
        texts.add (it.getItem().text);
    }

    EXPECT_EQ (ids, juce::Array<int> ({ -1, 1, 2, 3 }));
    EXPECT_EQ (texts, juce::StringArray ({ "<< none >>", "KORRINA MIDI", "Second Port", "Third Port" }));
    EXPECT_EQ (separators, 1);
    EXPECT_EQ (DremlorDialog::runPortMenu (-1, d.outputPortMenuForTesting()), "<< none >>");
    EXPECT_EQ (DremlorDialog::runPortMenu (3, d.outputPortMenuForTesting()), "Third Port");
}

TEST_F (PortChoice, NoneForTheInputStopsTheEngineUntilAPortIsOpenedAgain)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    d.checkConnection();
    ASSERT_TRUE (d.wasConnected);

    d.fillInputPortList();
    d.inputPortChosen (-1);

    EXPECT_EQ (d.inputLabel->getText(), "<< none >>");
    EXPECT_FALSE (d.inputPortOpen);
    EXPECT_TRUE (d.outputPortOpen);

    // The output is still open, but the engine is stopped and its flags are down.
    MessageLoop::runFor (1200);
    d.checkConnection();
    EXPECT_FALSE (d.wasConnected);
    EXPECT_FALSE (d.connectedLabel->isVisible());
    EXPECT_FALSE (d.inputCheck->isVisible());
    EXPECT_TRUE (d.outputCheck->isVisible());

    d.fillInputPortList();
    d.inputPortChosen (1);
    d.checkConnection();
    EXPECT_TRUE (d.wasConnected);
    EXPECT_TRUE (d.versionKnown);
}

TEST_F (PortChoice, PortThatFailsToOpenStillShowsItsNameAndKeepsTheFlag)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::stompraNeo);
    devices.setOpenFails ("KORRINA MIDI", true);

    d.fillOutputPortList();
    d.outputPortChosen (1);

    EXPECT_EQ (d.outputLabel->getText(), "KORRINA MIDI");
    EXPECT_FALSE (d.outputPortOpen);
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}

//==============================================================================
using Watchdog = DialogFixture;

TEST_F (Watchdog, ConnectedShowsThePortMarks)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    d.checkConnection();

    EXPECT_TRUE (d.wasConnected);
    EXPECT_TRUE (d.inputCheck->isVisible());
    EXPECT_TRUE (d.outputCheck->isVisible());
    EXPECT_TRUE (d.connectedLabel->isVisible());

    // Without a file nothing can be transmitted yet; with one, BEGIN and Cancel come alive.
    EXPECT_FALSE (d.transmitButton->isEnabled());
    d.fileChosen = true;
    d.checkConnection();
    EXPECT_TRUE (d.transmitButton->isEnabled());
    EXPECT_TRUE (d.cancelButton->isEnabled());
    d.fileChosen = false;

    // With a backup folder on the receive page the BEGIN button comes alive.
    d.receiveFolderChosenFromChooser (home);
    d.showReceivePage();
    d.checkConnection();
    EXPECT_TRUE (d.transmitButton->isEnabled());
    EXPECT_TRUE (d.cancelButton->isEnabled());
}

TEST_F (Watchdog, StompraFollowsTheOnePortItsPageNeeds)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::stompraNeo);
    d.fillOutputPortList();
    d.outputPortChosen (1);

    d.checkConnection();
    EXPECT_TRUE (d.wasConnected);
    EXPECT_TRUE (d.outputCheck->isVisible());
    EXPECT_FALSE (d.inputCheck->isVisible());

    // Nothing is asked of a Stompra.
    EXPECT_FALSE (d.versionKnown);
    EXPECT_EQ (korrina->getNumReceivedMessages(), 0);

    // The receive page needs the input, which the page change left closed.
    d.showReceivePage();
    d.checkConnection();
    EXPECT_FALSE (d.wasConnected);

    d.fillInputPortList();
    d.inputPortChosen (1);
    d.checkConnection();
    EXPECT_TRUE (d.wasConnected);
    EXPECT_TRUE (d.inputCheck->isVisible());
}

TEST_F (Watchdog, UnplugAndReplugAsksTheVersionAgain)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    d.checkConnection();
    ASSERT_TRUE (d.versionKnown);

    devices.unplug ("KORRINA MIDI");
    ASSERT_TRUE (MessageLoop::runUntil ([&] { d.checkConnection(); return ! d.wasConnected; }, MessageLoop::guardMs));
    EXPECT_FALSE (d.versionKnown);
    EXPECT_FALSE (d.connectedLabel->isVisible());
    EXPECT_FALSE (d.transmitButton->isEnabled());

    devices.replug ("KORRINA MIDI");
    ASSERT_TRUE (MessageLoop::runUntil ([&] { d.checkConnection(); return d.versionKnown; }, MessageLoop::guardMs));
    EXPECT_TRUE (d.connectedLabel->isVisible());
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}

TEST_F (Watchdog, WatchdogRunsOnItsOwnTimer)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    EXPECT_FALSE (d.inputCheck->isVisible());

    EXPECT_TRUE (MessageLoop::runUntil ([&] { return d.inputCheck->isVisible(); }, MessageLoop::guardMs));
}

//==============================================================================
using FirmwareQuery = DialogFixture;

TEST_F (FirmwareQuery, ThreeSilentTimeOutsThenTheMessageAndAReset)
{
    UnitFaults faults;
    faults.silent = true;
    korrina->setFaults (faults);

    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    EXPECT_FALSE (d.versionKnown);
    EXPECT_EQ (boxes.getNumBoxes(), 0);

    // The first tick finds the connection new and starts counting from 0.
    for (int tick = 1; tick <= 3; ++tick)
    {
        d.checkConnection();
        EXPECT_EQ (d.versionRetries, tick);
        EXPECT_EQ (boxes.getNumBoxes(), 0) << tick;
        EXPECT_TRUE (d.deviceChosen);
    }

    d.checkConnection();
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().message, firmwareTimeoutMessage);
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);

    EXPECT_EQ (d.device, DeviceModels::choiceReset);
    EXPECT_FALSE (d.deviceChosen);
    EXPECT_FALSE (d.inputPortOpen || d.outputPortOpen);
    EXPECT_EQ (d.deviceLabel->getText(), "Select Device");
    EXPECT_EQ (d.inputLabel->getText(), "Select an Input Port");
    EXPECT_EQ (d.outputLabel->getText(), "Select an Output Port");
    EXPECT_FALSE (d.deviceCheck->isVisible());
    EXPECT_FALSE (d.queryRunning);
}

TEST_F (FirmwareQuery, WaitSleepsUntilTheAnswerOrTheTimeOut)
{
    const auto threadCpuMs = []
    {
        timespec now {};
        clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
        return (double) now.tv_sec * 1000.0 + (double) now.tv_nsec / 1.0e6;
    };

    auto& d = makeDialog();

    for (const bool silent : { true, false })
    {
        UnitFaults faults;
        faults.silent = silent;
        korrina->setFaults (faults);

        const auto wallStart = juce::Time::getMillisecondCounter();
        const auto cpuStart = threadCpuMs();
        d.chooseDevice (DeviceModels::korrina);
        const auto cpuMs = threadCpuMs() - cpuStart;
        const auto wallMs = juce::Time::getMillisecondCounter() - wallStart;

        EXPECT_EQ (d.versionKnown, ! silent);

        if (silent)
        {
            // The whole time-out is waited out, asleep: a spinning wait burns all of it.
            EXPECT_GE (wallMs, 1900u);
            EXPECT_LT (cpuMs, 0.25 * wallMs);
        }
        else
        {
            // The answer wakes the wait at once.
            EXPECT_LT (wallMs, 1000u);
        }
    }
}

TEST_F (FirmwareQuery, WaitIsBoundedByTheTimeOutEvenWithoutAnEngineThread)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    ASSERT_TRUE (d.versionKnown);

    // Stopped engine: the query can never be sent, but the interface comes back.
    VASMidiProcessing::getInstance()->stopThread (5000);
    d.versionKnown = false;

    const auto start = juce::Time::getMillisecondCounter();
    d.queryFirmwareVersion();
    const auto waited = juce::Time::getMillisecondCounter() - start;

    EXPECT_LT (waited, 2600u);
    EXPECT_EQ (d.versionRetries, 1);
    EXPECT_FALSE (d.queryRunning);

    // The abandoned transaction is still queued; the dialog must not free it under
    // the engine, and must still shut down cleanly.
    dialog.reset();
}

TEST_F (FirmwareQuery, AnswerThatIsNotAVersionChangesNothing)
{
    UnitFaults faults;
    faults.refusalResult = 5;
    faults.refusalFunction = 0x08;
    korrina->setFaults (faults);

    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);

    EXPECT_FALSE (d.versionKnown);
    EXPECT_EQ (d.versionRetries, 0);
    EXPECT_FALSE (d.connectedLabel->isVisible());
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}
