// How a send ends and what the user is told: the unit's refusals, silence, cancels
// from each place a user can cancel, data the sender cannot use, and presses of
// "Transmit" that must not start anything. No send ends without a word, and the
// controls always come back.

#include "SendFixture.h"
#include "app/SendFileData.h"
#include "support/ManualClock.h"
#include "support/UnitDumpMessages.h"

#include <atomic>
#include <map>
#include <thread>

namespace
{
    using TestDumps::Bytes;

    constexpr DeviceModel korrinaModel = DeviceModels::korrina, grandModel = DeviceModels::korrinaGrand;
    const juce::String failed ("An error has occurred during file transmission.  ");
    const juce::String canceled ("File transmission has been canceled.\n");

    Bytes bankFile (DeviceModel model, int count)
    {
        juce::Random random (model);
        Bytes file;

        for (int i = 0; i < count; ++i)
            TestDumps::append (file, TestDumps::presetDump (model, 0, (uint32_t) i,
                                                            model == grandModel ? TestDumps::randomGrandPreset (random)
                                                                                : TestDumps::randomKorrinaPreset (random)));
        return file;
    }

    Bytes cabFile (DeviceModel model)
    {
        juce::Random random (9);
        return TestDumps::cabDump (model, 0, TestDumps::cabWords (random, "Outcome Cab"));
    }

    Bytes messagesFile (DeviceModel model, std::initializer_list<uint8_t> functions)
    {
        Bytes file;

        for (auto function : functions)
            TestDumps::append (file, TestDumps::message (model, function, Bytes (12, 0x11)));

        return file;
    }

    juce::String mismatch (const char* deviceName)
    {
        return juce::String ("The selection does not appear to be a valid file for the ") + deviceName
             + ".\n\nPlease try a different file.";
    }

    const juce::String lostCommunication ("Dremlor has lost communication with the device.  Please make sure the device is powered on and connected to the computer.");

    /** Chooses bank A in the bank dialog and presses "Send". */
    void sendToBankA (DremlorDialog& d)
    {
        d.chooseBank (1, d.prepareBankMenu());
        d.buttonClicked (d.sendButton.get());
    }

    /** Chooses the cab's current-slot destination and presses "Send". */
    void sendToCurrentSlot (DremlorDialog& d)
    {
        d.currentSlotRadio->setToggleState (true, juce::dontSendNotification);
        d.buttonClicked (d.currentSlotRadio.get());
        d.buttonClicked (d.sendButton.get());
    }

    UnitFaults refusing (int result, int function)
    {
        UnitFaults faults;
        faults.refusalResult = result;
        faults.refusalFunction = function;
        return faults;
    }
}

//==============================================================================
using SendOutcome = SendFixture;

/*  A message the unit refuses ends the send with the error text for the kind;
    result 25 (firmware already current) drops "Please try again.".
*/
TEST_F (SendOutcome, RefusalsAreWordedByKindAndResult)
{
    struct Case
    {
        const char* name;
        int major, minor;
        Bytes file;
        std::function<void (DremlorDialog&)> inDialog;
        UnitFaults faults;
        juce::String text;
    };

    const juce::String manualMode ("This may have happened because you manually put the Korrina into firmware update mode "
                                   "which is not necessary for the version of the firmware that is currently installed.\n\n");

    const Case cases[] = {
        { "bank, bad checksum", 10, 9, bankFile (korrinaModel, 2), sendToBankA, refusing (1, 0x78), failed + "Please try again." },
        { "bank, already current", 10, 9, bankFile (korrinaModel, 2), sendToBankA, refusing (25, 0x79), failed },
        { "preset, bad checksum", 10, 9, bankFile (korrinaModel, 1), nullptr, refusing (1, 0x77), failed + "Please try again." },
        { "firmware", 10, 9, messagesFile (korrinaModel, { 0x7D, 0x7E, 0x7F }), nullptr, refusing (1, 0x7E),
          failed + manualMode + "Please try again." },
        { "firmware, already current", 10, 9, messagesFile (korrinaModel, { 0x7D, 0x7E, 0x7F }), nullptr, refusing (25, 0x25),
          failed + manualMode },
        { "FPGA, other error", 14, 3, messagesFile (korrinaModel, { 0x6A, 0x6B, 0x6C }), nullptr, refusing (1, 0x6B), failed },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& unit = useKorrina (korrinaModel);
        unit.setFirmwareVersion (c.major, c.minor);
        auto& d = connect (korrinaModel);
        chooseFile (c.file);
        unit.setFaults (c.faults);
        user->onShown = c.inDialog;

        ASSERT_TRUE (transmit());
        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, c.text);
        EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
        EXPECT_TRUE (d.transmitButton->isEnabled());
        EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer));

        user.reset();
        dialog.reset();
    }
}

/*  A silent unit: each message waits 2000 ms for its answer, a Grand's system backup
    9000 ms; the send then ends with the time-out text. The clock is moved by hand.
*/
TEST_F (SendOutcome, SilenceEndsTheSendAfterTheKindsTimeOut)
{
    struct Case
    {
        const char* name;
        Bytes file;
        bool bank;
        juce::uint32 timeoutMs;
    };

    const Case cases[] = {
        { "bank", bankFile (grandModel, 2), true, 2000 },
        { "system backup", messagesFile (grandModel, { 0x61, 0x62, 0x63 }), false, 9000 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& unit = useKorrina (grandModel);
        auto& d = connect (grandModel);
        chooseFile (c.file);
        ManualClock clock;
        int before = 0;

        // The unit falls silent once the bank menu has had its answer.
        user->onShown = [&] (DremlorDialog& dd)
        {
            if (c.bank)
                dd.chooseBank (1, dd.prepareBankMenu());

            UnitFaults silent;
            silent.silent = true;
            unit.setFaults (silent);
            before = unit.getNumReceivedMessages();
            dd.buttonClicked (dd.sendButton.get());
        };

        boxes.clear();
        d.buttonClicked (d.transmitButton.get());
        ASSERT_TRUE (MessageLoop::runUntil ([&] { return unit.getNumReceivedMessages() > before; }));
        EXPECT_EQ (sender().getReplyTimeout(), c.timeoutMs);

        clock.advance (c.timeoutMs - 1);
        MessageLoop::runFor (100);
        EXPECT_EQ (sender().getState(), SendState::running);

        clock.advance (2);
        ASSERT_TRUE (waitForOutcome());
        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, failed + "Please ensure the Korrina is connected and powered on, then try again.");
        EXPECT_EQ (unit.getNumReceivedMessages(), before + 1);

        user.reset();
        dialog.reset();
    }
}

/*  Cancel from the main page, from the send dialog (a Stompra restore keeps it open)
    and from the window's close button: each shows the cancel text for the device
    and kind, and the controls come back.
*/
TEST_F (SendOutcome, CancelIsReportedWhereverItCameFrom)
{
    // Main page, during a bank send to a unit that answers slowly.
    auto& d = connect (korrinaModel);
    chooseFile (bankFile (korrinaModel, 3));
    UnitFaults slow;
    slow.replyDelayMs = 20;
    korrina->setFaults (slow);
    user->onShown = sendToBankA;
    d.checkConnection();

    boxes.clear();
    d.buttonClicked (d.transmitButton.get());
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return sender().getState() == SendState::running; }));

    // While it runs the page is greyed but for Cancel, and the step-3 mark shows.
    EXPECT_FALSE (d.transmitButton->isEnabled() || d.browseButton->isEnabled() || d.deviceLabel->isEnabled());
    EXPECT_TRUE (d.cancelButton->isEnabled());
    EXPECT_TRUE (d.check3->isVisible());
    EXPECT_EQ (d.progressLabel->getText(), "Transferring sysex...");
    EXPECT_FALSE (d.isTimerRunning (DremlorDialog::watchdogTimer));

    d.buttonClicked (d.cancelButton.get());
    ASSERT_TRUE (waitForOutcome());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, canceled + "\n\nNote that some of the presets have been overwritten.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);
    EXPECT_TRUE (d.transmitButton->isEnabled() && d.browseButton->isEnabled());

    // The send dialog's "Cancel 2" during a Stompra restore; the dialog stays open
    // until it is pressed again.
    user.reset();
    dialog.reset();
    addStompra (DeviceModels::stompraClassic);
    auto& s = connect (DeviceModels::stompraClassic);
    s.bufferDelaySlider->setValue (200.0, juce::sendNotificationSync);
    chooseFile (messagesFile (DeviceModels::stompraClassic, { 0x75, 0x75, 0x75, 0x75, 0x75, 0x75, 0x75, 0x75 }));

    int cancelPresses = 0;
    user->onShown = [&] (DremlorDialog& dd)
    {
        dd.buttonClicked (dd.sendButton.get());
        EXPECT_FALSE (dd.sendButton->isEnabled());
        MessageLoop::runUntil ([&] { return sender().getState() == SendState::running; });
        MessageLoop::runFor (250);
        dd.buttonClicked (dd.cancel2Button.get());
        ++cancelPresses;
        MessageLoop::runUntil ([&] { return ! dd.isTimerRunning (DremlorDialog::sendPollTimer); });
        dd.buttonClicked (dd.cancel2Button.get());
        ++cancelPresses;
    };

    boxes.clear();
    s.buttonClicked (s.transmitButton.get());
    EXPECT_EQ (cancelPresses, 2);
    EXPECT_TRUE (s.sendDialogCancelled);
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, canceled + "\n\nPlease reboot the Stompra.");

    // The window's close button asks, cancels, and the poll reports the cancel.
    user.reset();
    dialog.reset();
    MainAppWindow window;
    auto& w = *window.getDialog();
    SendDialogUser windowUser (w);
    w.chooseDevice (korrinaModel);
    const auto file = home.getChildFile ("close.syx");
    const auto bytes = bankFile (korrinaModel, 3);
    file.replaceWithData (bytes.data(), bytes.size());
    w.selectFile (file.getFullPathName());
    korrina->setFaults (slow);
    windowUser.onShown = sendToBankA;

    boxes.clear();
    w.buttonClicked (w.transmitButton.get());
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return sender().getState() == SendState::running; }));
    EXPECT_TRUE (window.confirmClose());
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! w.isTimerRunning (DremlorDialog::sendPollTimer); }));
    ASSERT_EQ (boxes.getNumBoxes(), 2);
    EXPECT_EQ (boxes.getBoxes()[0].message, "Closing the application will cancel the current transfer.");
    EXPECT_EQ (boxes.getLastBox().message, canceled + "\n\nNote that some of the presets have been overwritten.");
}

/*  Transmit never starts an empty or unusable send, and a file the sender cannot use
    for the device is reported instead of leaving the user waiting.
*/
TEST_F (SendOutcome, NothingUsableToSendIsSaidSo)
{
    struct Case
    {
        const char* name;
        DeviceModel device;
        Bytes file;                       // empty: no file chosen
        std::function<void (DremlorDialog&)> inDialog;
        juce::String text;
        bool dialogShown;
    };

    const Case cases[] = {
        { "no file", korrinaModel, {}, nullptr, "You must select a file. See Step 2.", false },
        { "unrecognised function", korrinaModel, messagesFile (korrinaModel, { 0x01, 0x02 }), nullptr, mismatch ("Korrina"), false },
        { "Grand bank for a Korrina", korrinaModel, bankFile (grandModel, 2), nullptr, "You must select a file. See Step 2.", false },
        { "preset for a Stompra", DeviceModels::stompraNeo, bankFile (DeviceModels::stompraNeo, 1), nullptr, mismatch ("Stompra Neo"), false },
        { "Korrina system data for a Grand", grandModel, messagesFile (korrinaModel, { 0x61, 0x62, 0x63 }), nullptr,
          mismatch ("Korrina Grand"), true },
    };

    addStompra (DeviceModels::stompraNeo);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& unit = useKorrina (c.device == grandModel ? grandModel : korrinaModel);
        auto& d = connect (c.device);

        if (! c.file.empty())
            chooseFile (c.file);

        const auto before = unit.getNumReceivedMessages();
        user->onShown = c.inDialog;
        ASSERT_TRUE (transmit());

        ASSERT_GE (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, c.text);
        EXPECT_EQ (user->titles.size(), c.dialogShown ? 1 : 0);
        EXPECT_FALSE (d.isTimerRunning (DremlorDialog::sendPollTimer));
        EXPECT_EQ (unit.getNumReceivedMessages(), before);
        EXPECT_TRUE (d.browseButton->isEnabled());

        user.reset();
        dialog.reset();
    }

    makeDialog();
    boxes.clear();
    dialog->buttonClicked (dialog->transmitButton.get());
    EXPECT_EQ (boxes.getLastBox().message, "You must select a device. See Step 1.");
}

/*  A sender still busy with another send refuses the data: the file is not to blame,
    so the text is the failed transfer's, not the mismatch's.
*/
TEST_F (SendOutcome, ASenderThatWillNotStartIsNotCalledAMismatch)
{
    auto& d = connect (korrinaModel);
    chooseFile (bankFile (korrinaModel, 1));
    sender().setNoReplyMode();
    ASSERT_TRUE (d.sendBuffer.getSize() > 0 && sender().loadData (d.sendBuffer.getData(), d.sendBuffer.getSize(), korrinaModel) == LoadResult::loaded);
    ASSERT_TRUE (sender().start (1000));

    d.startSend (false, "Transferring sysex...");
    ASSERT_TRUE (waitForOutcome());
    sender().cancel();
    EXPECT_EQ (boxes.getLastBox().message, failed + "Please try again.");
    EXPECT_TRUE (d.transmitButton->isEnabled() && d.isTimerRunning (DremlorDialog::watchdogTimer));
}

/*  The other send may end just as the sender refuses the data as busy: still no
    mismatch. Its end comes a little later each round, across every moment of the work.
*/
TEST (UpdateHardwareOutcome, ASendEndingJustAfterTheRefusalIsNoMismatch)
{
    VASMidiProcessing engine;
    auto& sender = engine.getSender();
    const auto file = bankFile (korrinaModel, 1);
    const auto pause = [] (int turns) { for (volatile int spin = 0; spin < turns; spin = spin + 1) {} };

    std::atomic<int> round { 0 }, ended { 0 };
    std::thread otherSend ([&]
    {
        // Waiting gives the processor up: on a busy machine the thread waited for
        // may need it. When it is free, a yield returns at once.
        for (int seen = 0; seen >= 0;)
        {
            if (const auto now = round.load(); now != seen)
            {
                pause (now % 256);
                sender.setState (SendState::finished);
                ended = seen = now;
            }
            else
            {
                std::this_thread::yield();
            }
        }
    });

    std::map<UpdateHardware::Outcome, int> outcomes;

    for (int i = 1; i <= 40000 && outcomes[UpdateHardware::Outcome::refused] == 0; ++i)
    {
        sender.setState (SendState::running);
        UpdateHardware hardware (sender, file.data(), file.size(), korrinaModel, 1000, false, SendFileData::oneBank);
        round = i;
        pause (256);
        hardware.run();

        while (ended.load() != i)
            std::this_thread::yield();

        ++outcomes[hardware.getOutcome()];
    }

    round = -1;   // ends the other thread
    otherSend.join();
    sender.cancel();

    EXPECT_EQ (outcomes[UpdateHardware::Outcome::refused], 0) << "a busy sender was called a mismatch";
    EXPECT_GT (outcomes[UpdateHardware::Outcome::notStarted], 0) << "the sender was never found busy: the race was not run";
}

/*  Each send starts from the sender's own settings: after a cab send (no replies
    awaited) a bank sent to a silent unit must time out rather than "complete", and
    after a firmware send below 9.00 (result 5 tolerated) a bank refused with 5 must
    be reported.
*/
TEST_F (SendOutcome, EarlierSendsDoNotSoftenALaterOne)
{
    struct Case
    {
        const char* name;
        int major;
        Bytes first;
        std::function<void (DremlorDialog&)> firstDialog;
        UnitFaults bankFaults;
        juce::String text;
        int deviceError;
    };

    UnitFaults silent;
    silent.silent = true;

    const Case cases[] = {
        { "cab, then a bank to a silent unit", 10, cabFile (korrinaModel), sendToCurrentSlot, silent,
          failed + "Please ensure the Korrina is connected and powered on, then try again.", 0 },
        { "8.x firmware, then a bank refused with 5", 8, messagesFile (korrinaModel, { 0x7D, 0x7F }), nullptr,
          refusing (5, 0x78), failed + "Please try again.", 5 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& unit = useKorrina (korrinaModel);
        unit.setFirmwareVersion (c.major, 0);
        connect (korrinaModel);

        chooseFile (c.first);
        user->onShown = c.firstDialog;
        ASSERT_TRUE (transmit());
        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_TRUE (boxes.getLastBox().message.startsWith ("Transfer complete!") || boxes.getLastBox().message.startsWith ("IMPORTANT!"));

        chooseFile (bankFile (korrinaModel, 2));
        user->onShown = [&] (DremlorDialog& d)
        {
            d.chooseBank (1, d.prepareBankMenu());
            unit.setFaults (c.bankFaults);
            d.buttonClicked (d.sendButton.get());
        };

        ASSERT_TRUE (transmit());
        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, c.text);
        EXPECT_EQ (sender().getDeviceError(), c.deviceError);

        user.reset();
        dialog.reset();
    }
}

/*  The connection gone before the send: only the lost-communication text, nothing
    else changes. The output gone during a send that awaits no replies: the sender
    stops and the user is told the same, instead of the poll waiting for ever.
*/
TEST_F (SendOutcome, LostConnectionIsReportedBeforeAndDuringTheSend)
{
    auto& d = connect (korrinaModel);
    chooseFile (bankFile (korrinaModel, 1));
    d.progressLabel->setText ("earlier text", juce::dontSendNotification);
    devices.unplug (KorrinaUnit::defaultPortName());
    ASSERT_TRUE (MessageLoop::runUntil ([] { return ! VASMidiProcessing::getInstance()->isReady(); }));

    boxes.clear();
    d.buttonClicked (d.transmitButton.get());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, lostCommunication);
    EXPECT_FALSE (d.isTimerRunning (DremlorDialog::sendPollTimer));
    EXPECT_EQ (d.progressLabel->getText(), "earlier text");
    EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer));

    // A Boot ROM send awaits no replies; the unit goes away after 100 of its messages.
    user.reset();
    dialog.reset();
    devices.replug (KorrinaUnit::defaultPortName());
    auto& again = connect (DeviceModels::bootRom);
    Bytes longFirmware;

    for (int i = 0; i < 3000; ++i)
        TestDumps::append (longFirmware, TestDumps::message (korrinaModel, 0x7E, Bytes (4, 0x22)));

    chooseFile (longFirmware);
    UnitFaults unplugging;
    unplugging.unplugAfterMessages = 100;
    korrina->setUnplugHandler ([this] { devices.unplug (KorrinaUnit::defaultPortName()); });
    korrina->setFaults (unplugging);

    ASSERT_TRUE (transmit());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, lostCommunication);
    EXPECT_EQ (sender().getState(), SendState::outputNotReady);
    EXPECT_TRUE (again.transmitButton->isEnabled() && again.browseButton->isEnabled());
}
