// Sending a file from the main dialog to an emulated unit behind virtual ports, from
// "Transmit" to the box that reports the outcome: what the unit then holds, byte for
// byte, and what the user is told.

#include "SendFixture.h"
#include "support/UnitDumpMessages.h"

namespace
{
    using TestDumps::Bytes;

    constexpr DeviceModel korrinaModel = DeviceModels::korrina, grandModel = DeviceModels::korrinaGrand;
    const juce::String complete ("Transfer complete!  ");
    const juce::String failed ("An error has occurred during file transmission.  ");

    std::vector<uint16_t> presetWords (DeviceModel model, int seed)
    {
        juce::Random random (seed);
        return model == grandModel ? TestDumps::randomGrandPreset (random) : TestDumps::randomKorrinaPreset (random);
    }

    /** A bank file of `count` presets aimed at `bank`, with their words. */
    Bytes bankFile (DeviceModel model, uint32_t bank, int count, std::vector<std::vector<uint16_t>>& words)
    {
        Bytes file;

        for (int i = 0; i < count; ++i)
        {
            words.push_back (presetWords (model, 100 + i));
            TestDumps::append (file, TestDumps::presetDump (model, bank, (uint32_t) i, words.back()));
        }

        return file;
    }

    /** The presets a unit holds in a bank, as words (the unit's own seeds). */
    std::vector<uint16_t> wordsOf (const juce::MemoryBlock& bytes)
    {
        std::vector<uint16_t> words (bytes.getSize() / 2);
        std::memcpy (words.data(), bytes.getData(), words.size() * 2);
        return words;
    }

    /** Several messages of one function group, as firmware and FPGA files hold them. */
    Bytes messagesFile (DeviceModel model, std::initializer_list<uint8_t> functions)
    {
        Bytes file;
        uint8_t fill = 1;

        for (auto function : functions)
            TestDumps::append (file, TestDumps::message (model, function, Bytes (20, fill++)));

        return file;
    }

    /** A Korrina Grand system backup: start (4096 words), 64 data messages, end. */
    Bytes grandSystemFile (std::vector<uint16_t>& words)
    {
        juce::Random random (61);
        Bytes file = TestDumps::message (grandModel, 0x61, UnitDumpMessages::septets (4096, 3));

        for (int m = 0; m < 64; ++m)
        {
            auto payload = UnitDumpMessages::septets (64, 2);

            for (int i = 0; i < 64; ++i)
            {
                words.push_back ((uint16_t) random.nextInt (0x10000));
                TestDumps::append (payload, UnitDumpMessages::septets (words.back(), 3));
            }

            TestDumps::append (file, TestDumps::message (grandModel, 0x62, payload));
        }

        TestDumps::append (file, TestDumps::message (grandModel, 0x63, UnitDumpMessages::septets (TestDumps::xorOf (words), 3)));
        return file;
    }

    Bytes leadIn (DeviceModel model, uint8_t function)
    {
        return TestDumps::message (model, function, {});
    }

    Bytes concat (Bytes a, const Bytes& b)
    {
        TestDumps::append (a, b);
        return a;
    }

    /** The dialog's user: choose a bank in the bank menu, then "Send". */
    std::function<void (DremlorDialog&)> chooseBankAndSend (int bankIndex)
    {
        return [bankIndex] (DremlorDialog& d)
        {
            d.bankSelectLabel->setText (d.chooseBank (bankIndex + 1, d.prepareBankMenu()), juce::dontSendNotification);
            d.checkConnection();
            EXPECT_TRUE (d.sendButton->isEnabled());
            d.buttonClicked (d.sendButton.get());
        };
    }

    /** The dialog's user: pick a cab destination (a slot number, or a radio button), then "Send". */
    /** slot above 0: that user slot; 0: the current slot; below 0: the scratchpad. */
    std::function<void (DremlorDialog&)> chooseCabDestinationAndSend (int slot)
    {
        return [slot] (DremlorDialog& d)
        {
            auto& radio = slot > 0 ? *d.slotRadio : slot == 0 ? *d.currentSlotRadio : *d.scratchpadRadio;
            radio.setToggleState (true, juce::dontSendNotification);
            d.buttonClicked (&radio);

            if (slot > 0)
                d.cabSlotSpin->getEditor().setText (juce::String (slot));

            d.checkConnection();
            EXPECT_TRUE (d.sendButton->isEnabled());
            d.buttonClicked (d.sendButton.get());
        };
    }
}

//==============================================================================
using SendToKorrina = SendFixture;

/*  Every kind of file a Korrina or a Korrina Grand takes, sent through the dialog:
    the unit afterwards holds exactly what the file carried, retargeted or converted
    as the user chose, and the completion box says what was sent.
*/
TEST_F (SendToKorrina, EachKindArrivesAsChosen)
{
    struct Case
    {
        const char* name;
        DeviceModel unitModel;
        std::function<Bytes()> file;
        std::function<void (DremlorDialog&)> inDialog;    // null: "Send" at once, if the dialog is shown
        std::function<void (KorrinaUnit&)> check;
        juce::String text;
        juce::String title;
    };

    std::vector<std::vector<uint16_t>> words;
    std::vector<uint32_t> cab;
    std::vector<uint16_t> systemWords;
    const KorrinaUnit seededKorrina (korrinaModel), seededGrand (grandModel);

    const auto expectBank = [&words] (KorrinaUnit& unit, int bank)
    {
        for (size_t i = 0; i < words.size(); ++i)
            EXPECT_EQ (unit.getPreset (bank, (int) i), UnitDumpMessages::bytesOfWords (words[i])) << "preset " << i;
    };

    // The Korrina's packed presets are the ones its seeds share with the Grand's.
    std::vector<int> packed;

    for (int i = 0; i < KorrinaUnit::presetsPerBank && packed.size() < 4; ++i)
        if (seededKorrina.isPresetPacked (0, i))
            packed.push_back (i);

    const auto packedKorrinaFile = [&packed, &seededKorrina] (size_t count)
    {
        Bytes file;

        for (size_t i = 0; i < count; ++i)
            TestDumps::append (file, TestDumps::presetDump (korrinaModel, 0, (uint32_t) i,
                                                            wordsOf (seededKorrina.getPreset (0, packed[i]))));

        return file;
    };

    const auto expectGrandPreset = [&seededGrand] (juce::MemoryBlock held, int seededPreset)
    {
        // Word 1 is the Korrina's packed length, which the Grand does not keep.
        auto expected = seededGrand.getPreset (0, seededPreset);
        ASSERT_EQ (held.getSize(), expected.getSize());
        held[2] = held[3] = expected[2] = expected[3] = 0;
        EXPECT_EQ (held, expected) << "preset " << seededPreset;
    };

    const Case cases[] = {
        { "Korrina bank to bank B", korrinaModel,
          [&] { return bankFile (korrinaModel, 0, 4, words); }, chooseBankAndSend (1),
          [&] (KorrinaUnit& u) { expectBank (u, 1); EXPECT_EQ (u.getPreset (0, 0), seededKorrina.getPreset (0, 0)); },
          complete + "The bank has been sent to the Korrina.", "Transmit Bank File" },

        { "Grand bank to bank D", grandModel,
          [&] { return bankFile (grandModel, 0x7F, 3, words); }, chooseBankAndSend (3),
          [&] (KorrinaUnit& u) { expectBank (u, 3); },
          complete + "The bank has been sent to the Korrina.", "Transmit Bank File" },

        { "Korrina bank converted for a Grand", grandModel,
          [&] { return packedKorrinaFile (packed.size()); }, chooseBankAndSend (2),
          [&] (KorrinaUnit& u)
          {
              for (size_t i = 0; i < packed.size(); ++i)
                  expectGrandPreset (u.getPreset (2, (int) i), packed[i]);
          },
          complete + "The bank has been sent to the Korrina.", "Transmit Bank File" },

        { "all banks (129 presets) keep their own banks", korrinaModel,
          [&] { auto file = bankFile (korrinaModel, 0, 128, words);
                words.push_back (presetWords (korrinaModel, 999));
                TestDumps::append (file, TestDumps::presetDump (korrinaModel, 1, 0, words.back()));
                return file; }, nullptr,
          [&] (KorrinaUnit& u)
          {
              EXPECT_EQ (u.getPreset (0, 127), UnitDumpMessages::bytesOfWords (words[127]));
              EXPECT_EQ (u.getPreset (1, 0), UnitDumpMessages::bytesOfWords (words[128]));
              EXPECT_EQ (u.getLastProgramChange(), 0);
          },
          complete + "All banks have been sent to the Korrina.", "Transmit All Banks File" },

        { "one preset to the edit buffer", korrinaModel,
          [&] { words = { presetWords (korrinaModel, 7) }; return TestDumps::presetDump (korrinaModel, 1, 5, words[0]); }, nullptr,
          [&] (KorrinaUnit& u)
          {
              EXPECT_EQ (u.getEditBuffer(), UnitDumpMessages::bytesOfWords (words[0]));
              EXPECT_EQ (u.getPreset (1, 5), seededKorrina.getPreset (1, 5));
          },
          complete + "Your preset has been sent to the edit buffer of the Korrina.  If you wish to store the preset, please do so before continuing.", {} },

        { "Korrina preset converted into a Grand's edit buffer", grandModel,
          [&] { return packedKorrinaFile (1); }, nullptr,
          [&] (KorrinaUnit& u) { expectGrandPreset (u.getEditBuffer(), packed[0]); },
          complete + "Your preset has been sent to the edit buffer of the Korrina.  If you wish to store the preset, please do so before continuing.", {} },

        { "cab to user slot 42 of a Grand", grandModel,
          [&] { juce::Random r (4); cab = TestDumps::cabWords (r, "Slot Cab"); return TestDumps::cabDump (grandModel, 0, cab); },
          chooseCabDestinationAndSend (42),
          [&] (KorrinaUnit& u) { EXPECT_EQ (u.getCab (41), cab); EXPECT_TRUE (u.isCabEmpty (0) || u.getCab (0) != cab); },
          complete + "The cab IR has been sent to the Korrina.", "Transmit One Cab" },

        { "Korrina cab to a Grand's scratchpad", grandModel,
          [&] { juce::Random r (5); cab = TestDumps::cabWords (r, "Pad Cab"); return TestDumps::cabDump (korrinaModel, 3, cab); },
          chooseCabDestinationAndSend (-1),
          [&] (KorrinaUnit& u) { EXPECT_EQ (u.getCab (u.getScratchpadCabNumber()), cab); },
          complete + "The cab IR has been sent to the Korrina.", "Transmit One Cab" },

        { "Grand cab to a Korrina's current slot", korrinaModel,
          [&] { juce::Random r (6); cab = TestDumps::cabWords (r, "Current Cab"); return TestDumps::cabDump (grandModel, 9, cab); },
          chooseCabDestinationAndSend (0),
          [&] (KorrinaUnit& u) { EXPECT_EQ (u.getCab (7), cab); },
          complete + "The cab IR has been sent to the Korrina.", "Transmit One Cab" },

        { "Korrina system backup (bank 3 presets)", korrinaModel,
          [&] { return bankFile (korrinaModel, 3, 2, words); }, nullptr,
          [&] (KorrinaUnit& u) { expectBank (u, 3); },
          complete + "Please reboot the Korrina.", "Transmit System File" },

        { "Grand system backup", grandModel,
          [&] { return grandSystemFile (systemWords); }, nullptr,
          [&] (KorrinaUnit& u) { EXPECT_EQ (u.getSystemData(), systemWords); },
          complete + "Please reboot the Korrina.", "Transmit System File" },
    };

    ASSERT_EQ (packed.size(), 4u);

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        words.clear();
        auto& unit = useKorrina (c.unitModel);
        unit.setCurrentCabSlot (7);
        auto& d = connect (c.unitModel);
        chooseFile (c.file());
        ASSERT_TRUE (d.fileChosen);

        user->onShown = c.inDialog;
        ASSERT_TRUE (transmit());

        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, c.text);
        EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);
        EXPECT_EQ (user->titles, c.title.isEmpty() ? juce::StringArray() : juce::StringArray (c.title));
        ASSERT_TRUE (devices.waitUntilIdle());
        c.check (unit);

        // The controls are usable again and the result row is cleared.
        EXPECT_TRUE (d.transmitButton->isEnabled() && d.browseButton->isEnabled() && d.deviceLabel->isEnabled());
        EXPECT_TRUE (d.progressLabel->getText().isEmpty());
        EXPECT_FALSE (d.check3->isVisible());
        EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer));

        user.reset();
        dialog.reset();
    }
}

TEST_F (SendToKorrina, ProgramChangeReachesTheUnitBeforeTheBoxOfABank)
{
    connect (korrinaModel);
    std::vector<std::vector<uint16_t>> words;
    chooseFile (bankFile (korrinaModel, 0, 2, words));
    user->onShown = chooseBankAndSend (2);

    int programAtBox = -2;
    boxes.onBoxShown = [&] (const ModalBoxAnswerer::Box&)
    {
        devices.waitUntilIdle();
        programAtBox = korrina->getLastProgramChange();
    };

    ASSERT_TRUE (transmit());
    EXPECT_EQ (programAtBox, 0);

    const auto received = korrina->getReceivedMessages();
    ASSERT_FALSE (received.empty());
    EXPECT_TRUE (received.back().isProgramChange() && received.back().getChannel() == 1
                 && received.back().getProgramChangeNumber() == 0);
}

//==============================================================================
using FirmwareSend = SendFixture;

/*  Korrina firmware goes without the dialog and behind the 0x25 request from 9.00
    on; below 9.00 the user arms the unit by hand (dialog shown, no request) and the
    unit's result 5 is tolerated. The FPGA needs 14.03 and goes behind 0x26.
*/
TEST_F (FirmwareSend, LeadInAndDialogFollowTheFirmwareVersion)
{
    struct Case
    {
        const char* name;
        int major, minor;
        uint8_t firstFunction;
        int refusal;                   // result the unit answers the data with (0: none)
        bool dialogShown;
        Bytes expectedReceived;        // what the unit took in, in order
        bool fpga;
    };

    const auto firmware = messagesFile (korrinaModel, { 0x7D, 0x7E, 0x7E, 0x7F });
    const auto fpga = messagesFile (korrinaModel, { 0x6A, 0x6B, 0x6C });

    const Case cases[] = {
        { "firmware 9.00", 9, 0, 0x7D, 0, false, concat (leadIn (korrinaModel, 0x25), firmware), false },
        { "firmware 10.09", 10, 9, 0x7D, 0, false, concat (leadIn (korrinaModel, 0x25), firmware), false },
        { "firmware 8.50 answering 5", 8, 50, 0x7D, 5, true, {}, false },
        { "FPGA with 14.03", 14, 3, 0x6A, 0, false, concat (leadIn (korrinaModel, 0x26), fpga), true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& unit = useKorrina (korrinaModel);
        unit.setFirmwareVersion (c.major, c.minor);
        auto& d = connect (korrinaModel);
        ASSERT_EQ (d.firmwareMajor, (juce::uint32) c.major);

        UnitFaults faults;
        faults.refusalResult = c.refusal;
        unit.setFaults (faults);
        chooseFile (c.fpga ? fpga : firmware);
        ASSERT_TRUE (transmit());

        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message,
                   c.fpga ? "IMPORTANT!  The transfer is complete but the Korrina needs time to program the FPGA.  Please watch the screen of your Korrina and wait until the \"Programming...\" message disappears. Then reboot the Korrina."
                          : "IMPORTANT!  The transfer is complete but the Korrina needs time to process and program the new firmware.  Please watch the screen of your Korrina for the \"UPDATE COMPLETE\" message with further instructions.");
        EXPECT_EQ (user->titles.size(), c.dialogShown ? 1 : 0);
        ASSERT_TRUE (devices.waitUntilIdle());

        if (c.refusal == 0)
        {
            EXPECT_EQ (TestDumps::bytesOf (c.fpga ? unit.getReceivedFpga() : unit.getReceivedFirmware()), c.expectedReceived);
        }
        else
        {
            // Every message went out although each was answered with result 5; no request came first.
            std::vector<int> functions;

            for (const auto& message : unit.getReceivedMessages())
                if (message.isSysEx() && message.getRawDataSize() > 5)
                    functions.push_back (message.getRawData()[5]);

            ASSERT_GE (functions.size(), 4u);
            EXPECT_EQ (std::vector<int> (functions.end() - 4, functions.end()), (std::vector<int> { 0x7D, 0x7E, 0x7E, 0x7F }));
            EXPECT_EQ (std::count (functions.begin(), functions.end(), 0x25), 0);
        }

        user.reset();
        dialog.reset();
    }
}

TEST_F (FirmwareSend, FpgaNeeds1403AndReportsAnUpToDateFpga)
{
    auto& unit = useKorrina (korrinaModel);
    unit.setFirmwareVersion (14, 2);
    auto& d = connect (korrinaModel);
    chooseFile (messagesFile (korrinaModel, { 0x6A, 0x6B, 0x6C }));
    const auto before = unit.getNumReceivedMessages();

    boxes.clear();
    d.buttonClicked (d.transmitButton.get());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "Updating the FPGA is not supported.  Firmware version 14.03 or later is required.");
    EXPECT_FALSE (d.isTimerRunning (DremlorDialog::sendPollTimer));
    EXPECT_EQ (unit.getNumReceivedMessages(), before);

    user.reset();
    dialog.reset();
    unit.setFirmwareVersion (14, 3);
    connect (korrinaModel);
    UnitFaults faults;
    faults.refusalResult = 25;
    faults.refusalFunction = 0x26;
    unit.setFaults (faults);
    chooseFile (messagesFile (korrinaModel, { 0x6A, 0x6B, 0x6C }));
    ASSERT_TRUE (transmit());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "The FPGA is currently up to date.\n\nPlease reboot the Korrina.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);
}

//==============================================================================
using SendToStompraAndBootRom = SendFixture;

TEST_F (SendToStompraAndBootRom, FirmwareRestoreAndBootRomFilesArriveWhole)
{
    auto& neo = addStompra (DeviceModels::stompraNeo);
    const auto stompraFirmware = messagesFile (DeviceModels::stompraNeo, { 0x7D, 0x7E, 0x7E, 0x7F });
    const auto restore = messagesFile (DeviceModels::stompraNeo, { 0x75, 0x75, 0x75, 0x75, 0x75 });
    const auto korrinaFirmware = messagesFile (korrinaModel, { 0x7D, 0x7E, 0x7F });

    // Stompra firmware: the dialog, then the data without replies.
    auto& d = connect (DeviceModels::stompraNeo);
    chooseFile (stompraFirmware);
    ASSERT_TRUE (transmit());
    EXPECT_EQ (user->titles, juce::StringArray ("Transmit"));
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message,
               "Firmware transfer complete!\n\nThe Stompra display should now read \"FW UPDATE COMPLETE\"\n"
               "If so, please power cycle the unit to finish the update.\n\n"
               "Should you encounter any problems, please refer to the \"Read Me\" file included with your Stompra firmware.");
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (TestDumps::bytesOf (neo.getReceivedFirmware()), stompraFirmware);

    // Restore: "Send" inside the dialog starts it; the dialog closes after the box.
    chooseFile (restore);
    boxes.clear();
    d.buttonClicked (d.transmitButton.get());    // returns once the dialog has closed
    EXPECT_FALSE (d.isTimerRunning (DremlorDialog::sendPollTimer));
    EXPECT_EQ (user->titles.size(), 2);
    EXPECT_EQ (user->titles[1], "Stompra Restore Backup");
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message,
               "Transfer complete. After the Stompra successfully receives a backup file, it again displays \"SysEx Data LOAD!\"\n\n"
               "Please restart the unit and press OK to close this window.");
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (TestDumps::bytesOf (neo.getReceivedRestore()), restore);

    // Boot ROM: the Korrina firmware dialog, every message cut at F0, no replies awaited.
    user.reset();
    dialog.reset();
    UnitFaults silent;
    silent.silent = true;
    korrina->setFaults (silent);
    connect (DeviceModels::bootRom);
    chooseFile (korrinaFirmware);
    ASSERT_TRUE (transmit());
    EXPECT_EQ (user->titles, juce::StringArray ("Transmit"));
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message,
               "IMPORTANT!  The transfer is complete but the Korrina needs time to process and program the new firmware.  "
               "Please watch the unit for an \"UPDATE COMPLETE\" message with further instructions.");
    ASSERT_TRUE (devices.waitUntilIdle());
    EXPECT_EQ (korrina->getNumReceivedMessages(), 3);
}

/*  "Ready" in the restore dialog records, with the count on the dialog's bar, the
    watchdog stopped and the page greyed. However the dialog closes, the recording
    ends and both come back; a restore still being sent keeps them until its poll.
*/
TEST_F (SendToStompraAndBootRom, RestoreDialogsRecordingEndsWithTheDialog)
{
    addStompra (DeviceModels::stompraNeo);
    auto& d = connect (DeviceModels::stompraNeo);
    d.bufferDelaySlider->setValue (150.0, juce::sendNotificationSync);    // a restore that lasts a while
    chooseFile (messagesFile (DeviceModels::stompraNeo, { 0x75, 0x75, 0x75, 0x75 }));
    auto* engine = VASMidiProcessing::getInstance();
    const auto send = [this] (DremlorDialog& dd)
    {
        dd.buttonClicked (dd.sendButton.get());
        MessageLoop::runUntil ([this] { return sender().getState() == SendState::running; });
    };

    for (int closing = 0; closing < 3; ++closing)    // Cancel 2; Send and its box; the close button mid-send
    {
        user->onShown = [&] (DremlorDialog& dd)
        {
            dd.buttonClicked (dd.readyButton.get());
            EXPECT_TRUE (engine->isRecording() && ! dd.readyButton->isEnabled() && ! dd.browseButton->isEnabled());
            EXPECT_FALSE (dd.isTimerRunning (DremlorDialog::watchdogTimer));
            EXPECT_TRUE (MessageLoop::runUntil ([&dd] { return dd.dumpProgressText == "0 bytes received"; }, MessageLoop::guardMs));

            if (closing == 0)
                dd.buttonClicked (dd.cancel2Button.get());
            else
                send (dd);

            if (closing == 2)
                dd.sendDialog->findParentComponentOfClass<juce::DialogWindow>()->getCloseButton()->triggerClick();
        };

        d.buttonClicked (d.transmitButton.get());    // returns once the dialog has closed
        EXPECT_FALSE (engine->isRecording());
        EXPECT_EQ (d.isTimerRunning (DremlorDialog::watchdogTimer) && d.browseButton->isEnabled(), closing != 2);
        ASSERT_TRUE (waitForOutcome());
        EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer) && d.browseButton->isEnabled());
    }
}
