#include "DialogFixture.h"

#include "app/DumpProgressThread.h"
#include "skin/VASMultiLineLabelComponent.h"
#include "support/MessageLoop.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/ScriptedUnit.h"
#include "support_gui/ModalPageScript.h"

#include <atomic>
#include <thread>

namespace
{
    const juce::String stompraPort = "STOMPRA NEO MIDI";
    const juce::String noDataMessage = "No data was received.  Please verify that the hardware is connected and powered on.";

    /** A dump of exactly totalBytes: SysEx sections of the unit's own model with
        ordinary messages (program change, controller, clock) between them.
    */
    std::vector<juce::MidiMessage> makeDump (int totalBytes, juce::int64 seed)
    {
        juce::Random rng (seed);
        std::vector<juce::MidiMessage> dump;
        int left = totalBytes;

        const auto take = [&] (const juce::MidiMessage& m)
        {
            dump.push_back (m);
            left -= m.getRawDataSize();
        };

        while (left > 0)
        {
            // A frame is its payload plus 8 bytes; keep room for the ordinary ones.
            const int payloadSize = juce::jmin (90, left - 8);

            if (payloadSize >= 1)
            {
                std::vector<uint8_t> payload ((size_t) payloadSize);

                for (auto& b : payload)
                    b = (uint8_t) rng.nextInt (128);

                take (ScriptedUnit::frame (0x75, payload, DeviceModels::stompraNeo));
            }

            if (left >= 2)
                take (juce::MidiMessage::programChange (1, rng.nextInt (128)));
            if (left >= 3)
                take (juce::MidiMessage::controllerEvent (1, 7, rng.nextInt (128)));
            if (left >= 1)
                take (juce::MidiMessage::midiClock());
        }

        return dump;
    }

    /** The whole file; empty when it cannot be read. */
    juce::MemoryBlock contentsOf (const juce::File& file)
    {
        juce::MemoryBlock bytes;

        if (! file.loadFileAsData (bytes))
            bytes.reset();

        return bytes;
    }

    juce::MemoryBlock bytesOf (const std::vector<juce::MidiMessage>& dump)
    {
        juce::MemoryBlock bytes;

        for (const auto& m : dump)
            bytes.append (m.getRawData(), (size_t) m.getRawDataSize());

        return bytes;
    }

    juce::String instructionText()
    {
        return "To create a total backup of your Stompra:\n\n"
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
    }
}

//==============================================================================
/**
    The main dialog on the receive page with an emulated Stompra Neo whose dump the
    test sends, its input open and a backup folder chosen; the dump files are named
    after a clock the test sets.
*/
class StompraBackup  : public DialogFixture
{
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        stompra = &static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> (stompraPort)));
        folder = home.getChildFile ("backups");
        ASSERT_TRUE (folder.createDirectory());
    }

    DremlorDialog& makeReadyDialog()
    {
        auto& d = makeDialog();
        d.currentTime = [this] { return now; };
        d.chooseDevice (DeviceModels::stompraNeo);
        d.showReceivePage();

        d.fillInputPortList();
        d.inputPortChosen (VASMidiProcessing::getInstance()->getMidiInputDevices().indexOf (stompraPort) + 1);
        d.receiveFolderChosenFromChooser (folder);
        d.checkConnection();
        return d;
    }

    /** BEGIN on the receive page: returns once the page has been closed. */
    void pressBegin()
    {
        dialog->buttonClicked (dialog->transmitButton.get());
    }

    bool pageIsUp() const
    {
        return dialog->stompraBackupPage != nullptr && dialog->stompraBackupPage->isShowing();
    }

    /** The n-th message box has been answered and the code that showed it has gone on. */
    bool boxAnswered (int n) const
    {
        auto& modal = *juce::ModalComponentManager::getInstance();

        for (int i = 0; i < modal.getNumModalComponents(); ++i)
            if (dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (i)) != nullptr)
                return false;

        return boxes.getNumBoxes() == n;
    }

    bool recordingShows (const juce::String& text) const
    {
        return pageIsUp() && dialog->dumpProgressText == text;
    }

    void send (const std::vector<juce::MidiMessage>& dump)
    {
        for (const auto& m : dump)
            stompra->send (m);
    }

    /** Ready, the unit's dump, OK: the steps of one whole recording. */
    /** whileRecording runs with the whole dump in, just before OK is pressed. */
    void recordDump (ModalPageScript& script, const std::vector<juce::MidiMessage>& dump,
                     std::function<void()> whileRecording = [] {})
    {
        const auto size = (int) bytesOf (dump).getSize();

        script.then ([this] { return pageIsUp(); }, [this] { dialog->stompraReadyButton->triggerClick(); })
              .then ([this] { return recordingShows ("0 bytes received"); }, [this, dump] { send (dump); })
              .then ([this, size] { return recordingShows (DumpProgressThread::makeProgressText (size)); },
                     [this, whileRecording]
                     {
                         whileRecording();
                         dialog->stompraOkButton->triggerClick();
                     });
    }

    juce::Array<juce::File> dumpFiles() const
    {
        return folder.findChildFiles (juce::File::findFiles, false, "*.syx");
    }

    juce::File fileAt (juce::Time when) const
    {
        return folder.getChildFile (DremlorSettings::makeDateTimeName (when) + "-stompra.syx");
    }

    ScriptedUnit* stompra = nullptr;
    juce::File folder;
    juce::Time now { 2025, 2, 2, 9, 5, 7 };
};

//==============================================================================
TEST_F (StompraBackup, PageShowsTheStepsOnTheUnitAndItsButtons)
{
    auto& d = makeReadyDialog();
    ModalPageScript script;
    juce::String title;

    script.then ([this] { return pageIsUp(); }, [&]
    {
        auto* window = d.stompraBackupPage->findParentComponentOfClass<juce::DialogWindow>();
        ASSERT_NE (window, nullptr);
        title = window->getName();
        EXPECT_TRUE (window->isCurrentlyModal());

        EXPECT_EQ (d.stompraBackupPage->getName(), "Stompra Backup Component");
        EXPECT_EQ (d.stompraBackupPage->getBounds().getWidth(), 375);
        EXPECT_EQ (d.stompraBackupPage->getBounds().getHeight(), 430);
        EXPECT_EQ (d.stompraInstructions->getText(), instructionText());

        struct Row { juce::Component* widget; const char* name; juce::Rectangle<int> bounds; };

        for (const auto& row : { Row { d.stompraInstructions.get(), "Stompra Backup Instructions Label", { 17, 20, 350, 300 } },
                                 Row { d.stompraReadyButton.get(), "Stompra Backup Ready", { 61, 310, 78, 30 } },
                                 Row { d.stompraOkButton.get(), "Stompra Backup Ok", { 148, 310, 78, 30 } },
                                 Row { d.stompraCancelButton.get(), "Stompra Backup Cancel", { 234, 310, 78, 30 } },
                                 Row { d.stompraProgressBar.get(), "", { 37, 360, 301, 25 } } })
        {
            EXPECT_EQ (row.widget->getName(), row.name);
            EXPECT_EQ (row.widget->getBounds(), row.bounds) << row.name;
            EXPECT_TRUE (row.widget->isEnabled()) << row.name;
            EXPECT_EQ (row.widget->getParentComponent(), d.stompraBackupPage.get()) << row.name;
        }

        EXPECT_EQ (d.dumpProgressText, "");
        EXPECT_EQ (d.dumpProgress, 0.0);

        // Escape does not close the page.
        static_cast<juce::Component*> (window)->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
        EXPECT_TRUE (window->isVisible());
        d.stompraCancelButton->triggerClick();
    });

    pressBegin();

    EXPECT_FALSE (script.hasTimedOut());
    EXPECT_TRUE (script.isFinished());
    EXPECT_EQ (title, "Stompra Create Backup");
    EXPECT_EQ (boxes.getNumBoxes(), 0) << boxes.getLastBox().message;
    EXPECT_TRUE (dumpFiles().isEmpty());
}

TEST_F (StompraBackup, BeginOpensThePageOnlyForAStompraOnTheReceivePage)
{
    auto& d = makeReadyDialog();

    // Send page: the BEGIN button belongs to the send workflow.
    d.showSendPage();
    EXPECT_FALSE (d.handleStompraBackupButton (d.transmitButton.get()));

    // A Korrina opens its own page, not this one.
    d.showReceivePage();
    d.device = DeviceModels::korrina;
    EXPECT_FALSE (d.handleStompraBackupButton (d.transmitButton.get()));

    d.device = DeviceModels::stompraNeo;
    d.transferStarting = true;
    EXPECT_FALSE (d.handleStompraBackupButton (d.transmitButton.get()));
    EXPECT_EQ (d.stompraBackupPage, nullptr);
}

//==============================================================================
TEST_F (StompraBackup, ThousandBytesWithOrdinaryMessagesAreSavedByteForByte)
{
    auto& d = makeReadyDialog();
    const auto dump = makeDump (1000, 7);
    ASSERT_EQ (bytesOf (dump).getSize(), 1000u);

    ModalPageScript script;
    bool watchdogDuringRecording = true, controlsDuringRecording = true;
    double progressDuringRecording = 0.0;

    // The recording pauses the watchdog and greys the main page; both come back after.
    recordDump (script, dump, [&]
    {
        watchdogDuringRecording = d.isTimerRunning (DremlorDialog::watchdogTimer);
        controlsDuringRecording = d.deviceLabel->isEnabled() || d.browseButton->isEnabled();
        progressDuringRecording = d.dumpProgress;
    });

    pressBegin();

    ASSERT_FALSE (script.hasTimedOut());
    EXPECT_FALSE (watchdogDuringRecording);
    EXPECT_FALSE (controlsDuringRecording);
    EXPECT_EQ (progressDuringRecording, 1.0);

    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().message, "Backup complete.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);

    const auto files = dumpFiles();
    ASSERT_EQ (files.size(), 1);
    EXPECT_EQ (files[0], fileAt (now));
    EXPECT_EQ (files[0].getFileName(), "250302-090507-stompra.syx");
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1) << "the dump alone, no scratch file";

    EXPECT_EQ (contentsOf (files[0]), bytesOf (dump));

    EXPECT_FALSE (VASMidiProcessing::getInstance()->isRecording());
    EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer));
    EXPECT_TRUE (d.deviceLabel->isEnabled());
    EXPECT_TRUE (d.browseButton->isEnabled());
    EXPECT_EQ (d.dumpProgress, 0.0);
    EXPECT_TRUE (d.dumpBuffer.isEmpty());
}

TEST_F (StompraBackup, OkWithoutADumpSaysNothingWasReceivedAndKeepsThePageOpen)
{
    auto& d = makeReadyDialog();
    ModalPageScript script;
    bool openAfterFirstOk = false, openAfterSecondOk = false;

    // OK before Ready, then Ready and OK with a silent unit: the same message both times.
    // OK is pressed within the step, so the next step sees what follows the message.
    const auto pressOk = [&] { d.buttonClicked (d.stompraOkButton.get()); };

    script.then ([this] { return pageIsUp(); }, pressOk)
          .then ([&] { return boxAnswered (1); }, [&]
          {
              openAfterFirstOk = pageIsUp();
              d.stompraReadyButton->triggerClick();
          })
          .then ([this] { return recordingShows ("0 bytes received"); }, pressOk)
          .then ([&] { return boxAnswered (2); }, [&]
          {
              openAfterSecondOk = pageIsUp();
              EXPECT_FALSE (VASMidiProcessing::getInstance()->isRecording());
              EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer));
              EXPECT_FALSE (d.stompraReadyButton->isEnabled()) << "one recording per opening";
              d.stompraCancelButton->triggerClick();
          });

    pressBegin();

    ASSERT_FALSE (script.hasTimedOut());
    EXPECT_TRUE (openAfterFirstOk);
    EXPECT_TRUE (openAfterSecondOk);

    for (const auto& box : boxes.getBoxes())
    {
        EXPECT_EQ (box.message, noDataMessage);
        EXPECT_EQ (box.icon, juce::MessageBoxIconType::WarningIcon);
    }

    EXPECT_TRUE (dumpFiles().isEmpty());
}

TEST_F (StompraBackup, TwoDumpsInARowGiveTwoFilesEachWithItsOwnDump)
{
    makeReadyDialog();
    const auto first = makeDump (600, 1), second = makeDump (450, 2), third = makeDump (300, 3);
    const auto firstTime = now;

    for (const auto* dump : { &first, &second, &third })
    {
        ModalPageScript script;
        recordDump (script, *dump);

        // The second opening restarts the count at 0 (recordDump waits for it).
        pressBegin();
        ASSERT_FALSE (script.hasTimedOut());

        if (dump == &first)
            now = now + juce::RelativeTime::seconds (1.0);
    }

    ASSERT_EQ (boxes.getNumBoxes(), 3);
    EXPECT_EQ (dumpFiles().size(), 2);

    EXPECT_EQ (contentsOf (fileAt (firstTime)), bytesOf (first));

    // A save within the same second as the one before goes after it in the same
    // file, and what was there stays whole.
    auto expected = bytesOf (second);
    const auto thirdBytes = bytesOf (third);
    expected.append (thirdBytes.getData(), thirdBytes.getSize());
    EXPECT_EQ (contentsOf (fileAt (now)), expected);
}

TEST_F (StompraBackup, CancelOrTheCloseButtonEndsTheRecordingAndTheNextOpeningStartsEmpty)
{
    auto& d = makeReadyDialog();
    auto* engine = VASMidiProcessing::getInstance();
    const auto dump = makeDump (400, 5);
    const std::vector<juce::MidiMessage> firstHalf (dump.begin(), dump.begin() + (long) dump.size() / 2);
    const auto halfSize = (int) bytesOf (firstHalf).getSize();

    const std::function<void()> ways[] = {
        [&] { d.stompraCancelButton->triggerClick(); },
        [&] { d.stompraBackupPage->findParentComponentOfClass<juce::DocumentWindow>()->closeButtonPressed(); },
    };

    for (const auto& endPage : ways)
    {
        ModalPageScript script;
        script.then ([this] { return pageIsUp(); }, [&] { d.stompraReadyButton->triggerClick(); })
              .then ([this] { return recordingShows ("0 bytes received"); }, [&] { send (firstHalf); })
              .then ([&] { return recordingShows (DumpProgressThread::makeProgressText (halfSize)); }, endPage);

        pressBegin();
        ASSERT_FALSE (script.hasTimedOut());

        EXPECT_FALSE (engine->isRecording());
        EXPECT_TRUE (d.isTimerRunning (DremlorDialog::watchdogTimer));
        EXPECT_TRUE (d.browseButton->isEnabled());
        EXPECT_EQ (d.dumpProgress, 0.0);
        EXPECT_EQ (boxes.getNumBoxes(), 0);

        // What arrives after the page has gone is not recorded.
        send (dump);
        ASSERT_TRUE (devices.waitUntilIdle());
        MessageLoop::runFor (50);
        EXPECT_EQ (engine->getRecordedByteCount(), halfSize);

        // The next opening's OK before Ready has nothing to save.
        ModalPageScript again;
        again.then ([this] { return pageIsUp(); }, [&] { d.stompraOkButton->triggerClick(); })
             .then ([&] { return boxAnswered (1); }, [&] { d.stompraCancelButton->triggerClick(); });

        pressBegin();
        ASSERT_FALSE (again.hasTimedOut());
        EXPECT_EQ (boxes.getLastBox().message, noDataMessage);
        EXPECT_TRUE (dumpFiles().isEmpty());
        boxes.clear();
    }
}

TEST_F (StompraBackup, FolderThatCannotBeWrittenIsReportedAndTheDumpKeptForAnotherOk)
{
    auto& d = makeReadyDialog();
    const auto dump = makeDump (700, 11);

    // A regular file where the folder must be: no file can be made in it, even as root.
    auto blocked = home.getChildFile ("blocked");
    ASSERT_TRUE (blocked.replaceWithText ("not a folder"));
    d.receiveFolderChosenFromChooser (blocked);

    ModalPageScript script;
    bool openAfterFailure = false;

    recordDump (script, dump);
    script.then ([&] { return boxAnswered (1); }, [&]
    {
        openAfterFailure = pageIsUp();

        // The user makes the folder writable and presses OK again: the same data.
        blocked.deleteFile();
        blocked.createDirectory();
        d.stompraOkButton->triggerClick();
    });

    pressBegin();
    ASSERT_FALSE (script.hasTimedOut());
    EXPECT_TRUE (openAfterFailure);

    ASSERT_EQ (boxes.getNumBoxes(), 2);
    EXPECT_TRUE (boxes.getBoxes()[0].message.startsWith ("SysEx Message Export - "));
    EXPECT_GT (boxes.getBoxes()[0].message.length(), juce::String ("SysEx Message Export - ").length());
    EXPECT_EQ (boxes.getBoxes()[0].icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (boxes.getBoxes()[1].message, "Backup complete.");

    EXPECT_EQ (contentsOf (blocked.getChildFile ("250302-090507-stompra.syx")), bytesOf (dump));
    EXPECT_EQ (blocked.findChildFiles (juce::File::findFiles, false).size(), 1) << "no scratch file left behind";
}

//==============================================================================
TEST (DumpProgress, CountIsReadOnItsThreadAndShownOnTheMessageThreadEvery100Ms)
{
    std::atomic<int> count { 0 };
    std::atomic<int> reads { 0 };
    std::atomic<bool> readOffTheThread { false };
    juce::StringArray shown;
    bool shownOffTheMessageThread = false;

    auto thread = std::make_unique<DumpProgressThread> (
        [&]
        {
            ++reads;

            if (juce::Thread::getCurrentThread() == nullptr
                 || juce::Thread::getCurrentThread()->getThreadName() != "DumpProgressThread")
                readOffTheThread = true;

            return count.load();
        },
        [&] (const juce::String& text)
        {
            shownOffTheMessageThread |= ! juce::MessageManager::getInstance()->isThisTheMessageThread();
            shown.addIfNotAlreadyThere (text);
        });

    thread->startThread();
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return shown.contains ("0 bytes received"); }, MessageLoop::guardMs));

    std::thread recorder ([&] { for (int i = 0; i < 30; ++i) { count += 41; juce::Thread::sleep (20); } });
    MessageLoop::runUntil ([&] { return shown.contains ("1230 bytes received"); }, 5000);
    recorder.join();
    MessageLoop::runFor (250);

    // 100 ms steps: a second's worth of running reads the count about ten times.
    const auto start = reads.load();
    MessageLoop::runFor (1000);
    const auto perSecond = reads.load() - start;

    thread.reset();
    const auto shownBefore = shown.size();
    count = 99999;
    MessageLoop::runFor (250);

    EXPECT_FALSE (readOffTheThread);
    EXPECT_FALSE (shownOffTheMessageThread);
    EXPECT_TRUE (shown.contains ("1230 bytes received"));
    EXPECT_GE (perSecond, 5);
    EXPECT_LE (perSecond, 12);
    EXPECT_EQ (shown.size(), shownBefore) << "nothing is shown once the thread is gone";

    for (const auto& text : shown)
        EXPECT_TRUE (text.endsWith (" bytes received") && text.upToFirstOccurrenceOf (" ", false, false).containsOnly ("0123456789"))
            << text;
}

//==============================================================================
TEST (StompraDumpFile, WriteCutShortIsReportedAndLeavesTheFolderAsItWas)
{
    const auto folder = GuiTestEnvironment::useFreshHome().getChildFile ("dumps");
    ASSERT_TRUE (folder.createDirectory());
    const auto file = folder.getChildFile ("250302-090507-stompra.syx");

    juce::MidiBuffer dump;

    for (const auto& m : makeDump (5000, 22))
        dump.addEvent (m, 0);

    const auto added = bytesOf (makeDump (5000, 22));

    // Files may not grow past 4000 bytes (as on a full disk): an old file of 3000 bytes
    // fits into the scratch file, the new bytes do not. Holds for root too.
    for (const int oldSize : { 0, 3000 })
    {
        SCOPED_TRACE (oldSize);
        file.deleteFile();
        const auto old = oldSize > 0 ? bytesOf (makeDump (oldSize, 21)) : juce::MemoryBlock();

        if (oldSize > 0)
        {
            ASSERT_TRUE (file.replaceWithData (old.getData(), old.getSize()));
        }

        auto result = juce::Result::ok();
        {
            ScopedFileSizeLimit limit (4000);

            if (! limit.isActive())
                GTEST_SKIP() << ScopedFileSizeLimit::unsupportedReason();

            result = DremlorDialog::writeStompraDump (dump, file);
        }

        EXPECT_TRUE (result.failed());
        EXPECT_TRUE (result.getErrorMessage().isNotEmpty());
        EXPECT_EQ (file.existsAsFile(), oldSize > 0);

        if (oldSize > 0)
        {
            EXPECT_EQ (contentsOf (file), old);
        }
        EXPECT_EQ (folder.findChildFiles (juce::File::findFiles, false).size(), oldSize > 0 ? 1 : 0)
            << "no scratch file left behind";

        // With room again the same call puts the new bytes after the old ones.
        ASSERT_TRUE (DremlorDialog::writeStompraDump (dump, file).wasOk());
        auto expected = old;
        expected.append (added.getData(), added.getSize());
        EXPECT_EQ (contentsOf (file), expected);
    }
}
