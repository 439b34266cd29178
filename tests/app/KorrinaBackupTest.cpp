#include "DialogFixture.h"
#include "app/ReceiveThread.h"
#include "skin/VASMultiLineLabelComponent.h"
#include "skin/VASSpinControl.h"
#include "support/MessageLoop.h"
#include "support/TestDumps.h"
#include "support/UnitDumpMessages.h"
#include "support_gui/ModalPageScript.h"

#include <set>

namespace
{
    using Page = DremlorDialog::KorrinaBackupPage;

    /** A second input on the unit's port pair: every message the unit sends, as the
        dialog's own input hears it.
    */
    struct UnitRecorder  : public juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
        {
            const juce::ScopedLock sl (lock);

            if (message.isSysEx())
                messages.push_back (message);
        }

        std::vector<juce::MidiMessage> take()
        {
            const juce::ScopedLock sl (lock);
            return std::exchange (messages, {});
        }

        juce::CriticalSection lock;
        std::vector<juce::MidiMessage> messages;
    };

    std::vector<uint8_t> bytesOf (const juce::MemoryBlock& block)
    {
        const auto* data = static_cast<const uint8_t*> (block.getData());
        return { data, data + block.getSize() };
    }

    std::vector<uint8_t> bytesOf (const juce::File& file)
    {
        juce::MemoryBlock block;
        file.loadFileAsData (block);
        return bytesOf (block);
    }

    std::vector<uint16_t> wordsOf (const juce::MemoryBlock& preset)
    {
        std::vector<uint16_t> words;
        const auto bytes = bytesOf (preset);

        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            words.push_back ((uint16_t) (bytes[i] | bytes[i + 1] << 8));

        return words;
    }

    std::vector<uint16_t> bankWords (const KorrinaUnit& unit, int bank)
    {
        std::vector<uint16_t> words;

        for (int preset = 0; preset < KorrinaUnit::presetsPerBank; ++preset)
            for (auto w : wordsOf (unit.getPreset (bank, preset)))
                words.push_back (w);

        return words;
    }

    /** The words of the SYSTEM_DATA messages (64 words of 3 groups each). */
    std::vector<uint16_t> systemWordsOf (const std::vector<juce::MidiMessage>& messages)
    {
        std::vector<uint16_t> words;

        for (const auto& m : messages)
            if (m.getRawDataSize() > 6 && m.getRawData()[5] == 0x62)
                for (int i = 0; i < (int) UnitDumpMessages::readGroups (m, 6, 2) && i < 64; ++i)
                    words.push_back ((uint16_t) UnitDumpMessages::readGroups (m, 8 + 3 * i, 3));

        return words;
    }

    std::vector<juce::MidiMessage> requestsOf (const KorrinaUnit& unit, uint8_t function)
    {
        std::vector<juce::MidiMessage> requests;

        for (const auto& m : unit.getReceivedMessages())
            if (SysExTransaction::getFunctionCode (m) == function)
                requests.push_back (m);

        return requests;
    }

    juce::StringArray fileNamesIn (const juce::File& folder)
    {
        juce::StringArray names;

        for (const auto& f : folder.findChildFiles (juce::File::findFiles, false, "*"))
            names.add (f.getFileName());

        names.sort (false);
        return names;
    }

    /** The cab number a CAB_DUMP request asks for, in the model's layout. */
    int requestedCab (const juce::MidiMessage& request, DeviceModel model)
    {
        const auto* d = request.getRawData();
        return model == DeviceModels::korrinaGrand ? (d[6] << 7 | d[7]) : d[6];
    }

    /** An emulated Korrina that hands each message it receives to the test (on the
        port's delivery thread) before it answers it: what the test does there comes
        before anything the answer sets off.
    */
    struct HookedKorrina  : public KorrinaUnit
    {
        using KorrinaUnit::KorrinaUnit;

        void handleMessageFromHost (const juce::MidiMessage& message) override
        {
            std::function<void (const juce::MidiMessage&)> hook;

            {
                const juce::ScopedLock sl (hookLock);
                hook = onMessage;
            }

            if (hook != nullptr)
                hook (message);

            KorrinaUnit::handleMessageFromHost (message);
        }

        void setOnMessage (std::function<void (const juce::MidiMessage&)> hook)
        {
            const juce::ScopedLock sl (hookLock);
            onMessage = std::move (hook);
        }

        juce::CriticalSection hookLock;
        std::function<void (const juce::MidiMessage&)> onMessage;
    };

    /** Posts a click as the user makes one: delivered by the modal loop, ignored
        while the button is disabled.
    */
    void click (juce::Button& button)
    {
        button.triggerClick();
    }

    /** Clicks "Back up the Korrina", then the full-backup toggles whose state differs
        from the wanted one.
    */
    void chooseFullBackup (Page& p, std::set<juce::ToggleButton*> wanted)
    {
        click (*p.backUpKorrina);

        for (auto* toggle : { p.bankA.get(), p.bankB.get(), p.bankC.get(), p.bankD.get(), p.system.get(), p.allCabs.get() })
            if (toggle->getToggleState() != (wanted.count (toggle) > 0))
                click (*toggle);

        click (*p.ok);
    }
}

//==============================================================================
/** A dialog on the receive page with a backup folder and an emulated Korrina or
    Korrina Grand, whose every outgoing message is recorded too.
*/
class KorrinaBackup  : public DialogFixture
{
protected:
    void TearDown() override
    {
        recorderInput.reset();
        DialogFixture::TearDown();
    }

    /** A fresh dialog, engine and unit of this edition (also for a second round in one test). */
    void prepare (DeviceModel model, const std::function<void (KorrinaUnit&)>& setUpUnit = {})
    {
        recorderInput.reset();
        dialog.reset();
        VASMidiProcessing::resetInstanceForTesting();
        devices.detach (KorrinaUnit::defaultPortName());
        hooked = &static_cast<HookedKorrina&> (devices.attachUnit (std::make_unique<HookedKorrina> (model)));
        korrina = hooked;

        if (setUpUnit)
            setUpUnit (*korrina);

        makeDialog();
        chooseKorrina (model);
        ASSERT_TRUE (dialog->versionKnown);

        dialog->showReceivePage();
        folder = home.getChildFile ("Backups/not yet made");
        dialog->receiveFolderChosenFromChooser (folder);

        recorderInput = devices.openInput (devices.getInputDeviceNames().indexOf (KorrinaUnit::defaultPortName()), recorder);
        ASSERT_NE (recorderInput, nullptr);
        recorderInput->start();

        // BEGIN becomes usable once the watchdog has seen the unit.
        ASSERT_TRUE (MessageLoop::runUntil ([this] { return dialog->transmitButton->isEnabled(); }, 10000));
    }

    /** Presses BEGIN; onPage runs once the page is up (after the Display Offset query)
        and posts the user's clicks. Returns when the page has closed.
    */
    void pressBegin (std::function<void (Page&)> onPage)
    {
        boxes.clear();

        juce::MessageManager::callAsync ([this, onPage]
        {
            recorder.take();
            onPage (*dialog->getKorrinaBackupPage());
        });

        dialog->buttonClicked (dialog->transmitButton.get());
    }

    /** Runs action on the message thread once the unit has received the request for
        this cab slot (the first time). It is posted before the unit answers, so it runs
        before the dialog hears how the slot ended, however busy the machine is.
    */
    void atCabRequest (int slot, std::function<void()> action)
    {
        auto pending = std::make_shared<std::atomic<bool>> (true);
        const auto model = korrina->getModel();

        hooked->setOnMessage ([slot, action, pending, model] (const juce::MidiMessage& m)
        {
            if (SysExTransaction::getFunctionCode (m) == 0x19 && requestedCab (m, model) == slot
                 && pending->exchange (false))
                juce::MessageManager::callAsync (action);
        });
    }

    /** Forgets the unit's hook and runs whatever it posted that is still queued. */
    void endHook()
    {
        hooked->setOnMessage (nullptr);
        devices.waitUntilIdle();
        bool reached = false;
        juce::MessageManager::callAsync ([&reached] { reached = true; });
        MessageLoop::runUntil ([&reached] { return reached; }, 60000);
    }

    bool waitForRunEnd (int timeoutMs = 60000)
    {
        const bool ended = MessageLoop::runUntil ([this] { return ! dialog->isBackupRunning(); }, timeoutMs);
        devices.waitUntilIdle();
        return ended;
    }

    juce::File fileNamedInLastBox() const
    {
        return folder.getChildFile (boxes.getLastBox().message.upToLastOccurrenceOf (" has been saved.", false, false));
    }

    juce::File folder;
    HookedKorrina* hooked = nullptr;
    UnitRecorder recorder;
    std::unique_ptr<MidiDeviceProvider::Input> recorderInput;
};

//==============================================================================
class KorrinaBackupByEdition  : public KorrinaBackup,
                                public ::testing::WithParamInterface<DeviceModel>
{
};

TEST_P (KorrinaBackupByEdition, EachTypeWritesExactlyWhatTheUnitSentAndParsesBackIntoItsContent)
{
    const auto model = GetParam();
    const bool grand = model == DeviceModels::korrinaGrand;
    prepare (model);
    const int messagesPerPreset = grand ? 66 : 34;

    struct Case
    {
        const char* what;
        std::function<void (Page&)> choose;
        uint8_t function;
        std::vector<int> requestBytes;           // bytes 6... of the request
        std::function<juce::String()> expectedFileName;
        const char* expectedBox;                  // empty: "<file> has been saved."
        int expectedMessages;
        std::function<void (const std::vector<juce::MidiMessage>&)> checkContent;
    };

    auto& unit = *korrina;
    auto base = [this] { return dialog->backupBaseName; };
    auto single = [] (std::unique_ptr<juce::ToggleButton> Page::* toggle, std::unique_ptr<VASSpinControl> Page::* spin, const char* value)
    {
        return [=] (Page& p)
        {
            click (*(p.*toggle));

            if (spin != nullptr)
                (p.*spin)->getEditor().setText (value, false);

            click (*p.ok);
        };
    };

    std::vector<Case> cases
    {
        { "bank A", [] (Page& p) { chooseFullBackup (p, { p.bankA.get() }); }, 0x1C, { 0 },
          [&] { return base() + "-bank-A.syx"; }, "", 128 * messagesPerPreset,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), bankWords (unit, 0)); } },
        { "bank B", [] (Page& p) { chooseFullBackup (p, { p.bankB.get() }); }, 0x1C, { 1 },
          [&] { return base() + "-bank-B.syx"; }, "", 128 * messagesPerPreset,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), bankWords (unit, 1)); } },
        { "bank C", [] (Page& p) { chooseFullBackup (p, { p.bankC.get() }); }, 0x1C, { 2 },
          [&] { return base() + "-bank-C.syx"; }, "Backup complete.", 128 * messagesPerPreset,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), bankWords (unit, 2)); } },
        { "system", [] (Page& p) { chooseFullBackup (p, { p.system.get() }); }, (uint8_t) (grand ? 0x43 : 0x1C),
          grand ? std::vector<int> {} : std::vector<int> { 3 },
          [&] { return base() + "-system.syx"; }, "Backup complete.", grand ? 66 : 128 * 34,
          [&] (auto& m)
          {
              if (grand)
                  EXPECT_EQ (systemWordsOf (m), unit.getSystemData());
              else
                  EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), bankWords (unit, 3));
          } },
        { "preset 130", single (&Page::singlePreset, &Page::presetSpin, "130"), 0x03, { 1, 2 },
          [] { return juce::String ("B130 "); }, "", messagesPerPreset,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), wordsOf (unit.getPreset (1, 2))); } },
        { "edit buffer", single (&Page::editBuffer, nullptr, ""), 0x03, { 0x7F, 0 },
          [] { return juce::String ("A000 "); }, "", messagesPerPreset,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), wordsOf (unit.getEditBuffer())); } },
        { "edit buffer, globals unlinked",
          [] (Page& p) { click (*p.editBuffer); click (*p.unlinkGlobals); click (*p.ok); }, 0x03, { 0x7E, 0 },
          [] { return juce::String ("A000 "); }, "", messagesPerPreset,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), wordsOf (unit.getEditBuffer())); } },
        { "user cab 3", single (&Page::singleCab, &Page::cabSpin, "3"), 0x19, {},
          [] { return juce::String ("Cab 003 Hall.syx"); }, "", 66,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::cabWordsOf (m), unit.getCab (2)); } },
        { "empty user cab 90", single (&Page::singleCab, &Page::cabSpin, "90"), 0x19, {},
          [] { return juce::String ("EMPTY.syx"); }, "", 66,
          [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::cabWordsOf (m), unit.getCab (89)); } },
    };

    if (grand)
        cases.push_back ({ "bank D", [] (Page& p) { chooseFullBackup (p, { p.bankD.get() }); }, 0x1C, { 3 },
                           [&] { return base() + "-bank-D.syx"; }, "", 128 * 66,
                           [&] (auto& m) { EXPECT_EQ (UnitDumpMessages::presetWordsOf (m), bankWords (unit, 3)); } });

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto requestsBefore = requestsOf (unit, c.function).size();

        pressBegin (c.choose);
        ASSERT_TRUE (waitForRunEnd());

        // The request of the table, sent once.
        const auto requests = requestsOf (unit, c.function);
        ASSERT_EQ (requests.size(), requestsBefore + 1);
        const auto& request = requests.back();

        if (c.function == 0x19)
        {
            EXPECT_EQ (requestedCab (request, model) + 1, juce::String (c.what).getTrailingIntValue());
        }
        else if (c.function == 0x43)
        {
            EXPECT_EQ (request.getRawDataSize(), 8);
        }

        for (size_t i = 0; i < c.requestBytes.size(); ++i)
            EXPECT_EQ (request.getRawData()[6 + i], c.requestBytes[i]);

        // One box, with the file's name or the run's wording.
        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);

        juce::File written;

        if (juce::String (c.expectedBox).isNotEmpty())
        {
            EXPECT_EQ (boxes.getLastBox().message, c.expectedBox);
            written = folder.getChildFile (c.expectedFileName());
        }
        else
        {
            EXPECT_TRUE (boxes.getLastBox().message.endsWith (".syx has been saved.")) << boxes.getLastBox().message;
            written = fileNamedInLastBox();
            EXPECT_TRUE (written.getFileName().startsWith (c.expectedFileName())) << written.getFileName();
        }

        ASSERT_TRUE (written.existsAsFile()) << written.getFullPathName();

        // Byte for byte what the unit sent, and back into what the unit holds.
        const auto sent = recorder.take();
        EXPECT_EQ ((int) sent.size(), c.expectedMessages);
        EXPECT_EQ (bytesOf (written), bytesOf (UnitDumpMessages::joined (sent)));
        c.checkContent (UnitDumpMessages::messagesOf (bytesOf (written)));

        // The page is usable again for the next run.
        EXPECT_TRUE (dialog->browseButton->isEnabled());
        EXPECT_TRUE (dialog->receiveBeginLabel->isVisible());
        EXPECT_EQ (dialog->progressLabel->getText(), "");
    }

    // An empty slot backed up twice keeps both files.
    pressBegin (single (&Page::singleCab, &Page::cabSpin, "90"));
    ASSERT_TRUE (waitForRunEnd());
    EXPECT_EQ (boxes.getLastBox().message, "EMPTY (1).syx has been saved.");
    EXPECT_EQ (bytesOf (folder.getChildFile ("EMPTY (1).syx")), bytesOf (folder.getChildFile ("EMPTY.syx")));
}

TEST_P (KorrinaBackupByEdition, PresetNumbersFollowTheDisplayOffset)
{
    const auto model = GetParam();
    const bool grand = model == DeviceModels::korrinaGrand;
    prepare (model);

    struct Case
    {
        int offset;
        const char* typed;
        int bank, preset;      // -1: refused
    };

    const int top = grand ? 511 : 383;
    const std::vector<Case> cases
    {
        { 1, "1", 0, 0 },
        { 1, "128", 0, 127 },
        { 1, "384", 2, 127 },
        { 1, grand ? "512" : "385", grand ? 3 : -1, grand ? 127 : -1 },
        { 1, "0", -1, -1 },
        { 0, "0", 0, 0 },
        { 0, "128", 1, 0 },
        { 0, grand ? "511" : "383", top / 128, 127 },
        { 0, grand ? "512" : "384", -1, -1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.offset) + " / " + c.typed);
        korrina->setDisplayOffset (c.offset);
        const auto before = requestsOf (*korrina, 0x03).size();

        pressBegin ([&] (Page& p)
        {
            EXPECT_EQ (p.page->getHeight(), 430);
            EXPECT_EQ (p.offsetWarning, nullptr);
            click (*p.singlePreset);
            p.presetSpin->getEditor().setText (c.typed, false);
            click (*p.ok);

            // A refused number keeps the page open until the user cancels it.
            if (c.bank < 0)
                click (*p.cancel);
        });

        ASSERT_TRUE (waitForRunEnd());
        EXPECT_EQ (dialog->displayOffset, c.offset);
        const auto requests = requestsOf (*korrina, 0x03);

        if (c.bank < 0)
        {
            EXPECT_EQ (requests.size(), before);
            ASSERT_EQ (boxes.getNumBoxes(), 1);
            EXPECT_EQ (boxes.getLastBox().message, "Please enter a valid preset number.");
            EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
            continue;
        }

        ASSERT_EQ (requests.size(), before + 1);
        EXPECT_EQ (requests.back().getRawData()[6], c.bank);
        EXPECT_EQ (requests.back().getRawData()[7], c.preset);

        // The file holds the preset asked for: its name carries the 0-based slot number.
        const auto slot = juce::String (c.bank * 128 + c.preset).paddedLeft ('0', 3);
        const auto name = fileNamedInLastBox().getFileName();
        EXPECT_TRUE (name.startsWith (juce::String::charToString ('A' + c.bank) + slot) || name.startsWith ("EMPTY")) << name;
        EXPECT_EQ (UnitDumpMessages::presetWordsOf (UnitDumpMessages::messagesOf (bytesOf (fileNamedInLastBox()))),
                   wordsOf (korrina->getPreset (c.bank, c.preset)));
    }
}

INSTANTIATE_TEST_SUITE_P (Editions, KorrinaBackupByEdition,
                          ::testing::Values (DeviceModels::korrina, DeviceModels::korrinaGrand),
                          [] (const auto& info) { return info.param == DeviceModels::korrinaGrand ? "Grand" : "Korrina"; });

//==============================================================================
TEST_F (KorrinaBackup, PageFollowsTheEditionAndTheFirmware)
{
    struct Case
    {
        DeviceModel model;
        int major, minor;
        int unitOffset;
        int expectedHeight;
        bool note;
        int spinMin, spinMax;
    };

    const Case cases[]
    {
        { DeviceModels::korrina,      10, 8,  1, 510, true,  0, 383 },
        { DeviceModels::korrina,      10, 9,  1, 430, false, 1, 384 },
        { DeviceModels::korrina,      10, 9,  0, 430, false, 0, 383 },
        { DeviceModels::korrinaGrand, 14, 3,  1, 430, false, 1, 512 },
        { DeviceModels::korrinaGrand, 9,  99, 1, 510, true,  0, 511 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.model) + " " + juce::String (c.major) + "." + juce::String (c.minor));
        prepare (c.model, [&] (KorrinaUnit& unit)
        {
            unit.setFirmwareVersion (c.major, c.minor);
            unit.setDisplayOffset (c.unitOffset);
        });

        const auto offsetQueries = requestsOf (*korrina, 0x35).size();

        pressBegin ([&] (Page& p)
        {
            EXPECT_EQ (p.page->getWidth(), 375);
            EXPECT_EQ (p.page->getHeight(), c.expectedHeight);
            EXPECT_EQ (p.offsetWarning != nullptr, c.note);
            EXPECT_EQ (p.ok->getY(), c.expectedHeight - 40);
            EXPECT_EQ (p.singleCab->getY(), c.note ? 427 : 347);

            const bool grand = c.model == DeviceModels::korrinaGrand;
            EXPECT_EQ (p.bankD->getToggleState(), grand);
            EXPECT_TRUE (p.systemDescription->getText().endsWith (grand ? ". User Cabs are not included."
                                                                        : "(User cabs >50 are not included.)"));
            EXPECT_FALSE (p.ok->isEnabled());
            EXPECT_FALSE (p.bankA->isEnabled());

            // Stepping stops at the edition's limits.
            p.presetSpin->getEditor().setText (juce::String (c.spinMax), false);
            p.presetSpin->increment();
            EXPECT_EQ (p.presetSpin->getValue(), c.spinMax);
            p.presetSpin->getEditor().setText (juce::String (c.spinMin), false);
            p.presetSpin->decrement();
            EXPECT_EQ (p.presetSpin->getValue(), c.spinMin);

            // "Back up the Korrina" makes Bank D usable only on the Grand.
            click (*p.backUpKorrina);
            juce::MessageManager::callAsync ([&p, grand]
            {
                EXPECT_TRUE (p.ok->isEnabled());
                EXPECT_TRUE (p.bankA->isEnabled());
                EXPECT_EQ (p.bankD->isEnabled(), grand);
                click (*p.cancel);
            });
        });

        EXPECT_EQ (requestsOf (*korrina, 0x35).size(), offsetQueries + (c.note ? 0u : 1u));
        EXPECT_EQ (boxes.getNumBoxes(), 0);
        EXPECT_FALSE (dialog->isBackupRunning());
    }
}

//==============================================================================
TEST_F (KorrinaBackup, WordingAndFirstTypeFollowTheTickedTypes)
{
    prepare (DeviceModels::korrinaGrand);

    struct Case
    {
        const char* what;
        std::vector<int> ticked;       // 1-4 banks, 5 system
        int firstType;
        bool severalTypes;
        std::vector<const char*> files;
    };

    const Case cases[]
    {
        { "A alone",       { 1 },       1, false, { "-bank-A" } },
        { "A and B",       { 1, 2 },    1, true,  { "-bank-A", "-bank-B" } },
        { "C alone",       { 3 },       3, true,  { "-bank-C" } },
        { "D alone",       { 4 },       4, false, { "-bank-D" } },
        { "B and D",       { 2, 4 },    2, true,  { "-bank-B", "-bank-D" } },
        { "D and System",  { 4, 5 },    4, true,  { "-bank-D", "-system" } },
        { "A and System",  { 1, 5 },    1, true,  { "-bank-A", "-system" } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);

        pressBegin ([&] (Page& p)
        {
            const std::map<int, juce::ToggleButton*> toggles { { 1, p.bankA.get() }, { 2, p.bankB.get() }, { 3, p.bankC.get() },
                                                               { 4, p.bankD.get() }, { 5, p.system.get() } };
            std::set<juce::ToggleButton*> wanted;

            for (auto t : c.ticked)
                wanted.insert (toggles.at (t));

            chooseFullBackup (p, wanted);
        });

        EXPECT_EQ (dialog->receiveType, c.firstType);
        EXPECT_EQ (dialog->severalTypes, c.severalTypes);
        EXPECT_EQ (dialog->progressLabel->getText(),
                   c.severalTypes ? "Now receiving: " + juce::String (c.firstType == 5 ? "System" : "Bank ")
                                        + (c.firstType < 5 ? juce::String::charToString ('A' + c.firstType - 1) : juce::String())
                                  : juce::String());
        EXPECT_FALSE (dialog->receiveBeginLabel->isVisible());
        EXPECT_FALSE (dialog->browseButton->isEnabled());
        EXPECT_FALSE (dialog->sendTabButton->isEnabled());

        ASSERT_TRUE (waitForRunEnd());

        ASSERT_EQ (boxes.getNumBoxes(), 1);
        const auto base = dialog->backupBaseName;
        EXPECT_EQ (boxes.getLastBox().message,
                   c.severalTypes ? juce::String ("Backup complete.") : base + c.files.front() + ".syx has been saved.");

        for (auto* suffix : c.files)
            EXPECT_TRUE (folder.getChildFile (base + suffix + ".syx").existsAsFile()) << suffix;

        EXPECT_FALSE (dialog->severalTypes);
        EXPECT_TRUE (dialog->browseButton->isEnabled());
        folder.deleteRecursively();
    }
}

TEST_F (KorrinaBackup, FullRunReceivesBanksSystemAndEveryUserCab)
{
    prepare (DeviceModels::korrina);
    juce::StringArray labels;

    bool cancelUsableDuringCabs = true;

    // What the page shows as each request reaches the unit: the look is taken on the
    // message thread once the request has been made, before its answer can end it.
    hooked->setOnMessage ([&] (const juce::MidiMessage&)
    {
        juce::MessageManager::callAsync ([&]
        {
            labels.addIfNotAlreadyThere (dialog->progressLabel->getText());

            if (dialog->receiveType == 9 && dialog->isBackupRunning())
                cancelUsableDuringCabs = cancelUsableDuringCabs && dialog->cancelButton->isEnabled()
                                                                && ! dialog->browseButton->isEnabled();
        });
    });

    pressBegin ([] (Page& p)
    {
        chooseFullBackup (p, { p.bankA.get(), p.bankB.get(), p.bankC.get(), p.system.get(), p.allCabs.get() });
    });

    EXPECT_TRUE (dialog->tickedAllCabs);
    const bool ended = waitForRunEnd (180000);
    endHook();
    ASSERT_TRUE (ended);

    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "Backup complete.");
    EXPECT_TRUE (cancelUsableDuringCabs);

    for (auto* text : { "Now receiving: Bank A", "Now receiving: Bank B", "Now receiving: Bank C",
                        "Now receiving: System", "Now receiving: User Cab 1/100", "Now receiving: User Cab 100/100" })
        EXPECT_TRUE (labels.contains (text)) << text;

    const auto base = dialog->backupBaseName;
    EXPECT_EQ (fileNamesIn (folder), juce::StringArray (base + "-bank-A.syx", base + "-bank-B.syx",
                                                        base + "-bank-C.syx", base + "-system.syx"));

    // Every cab once, in slot order, named by number and name.
    const auto cabFolder = folder.getChildFile (base + "-usercabs");
    const auto cabs = fileNamesIn (cabFolder);
    ASSERT_EQ (cabs.size(), 100);
    EXPECT_EQ (cabs[0], "001-Cab 001 Room.syx");
    EXPECT_EQ (cabs[29], "030-Cab 030 Plate.syx");
    EXPECT_EQ (cabs[30], "031-EMPTY.syx");
    EXPECT_EQ (cabs[99], "100-EMPTY.syx");

    for (int slot : { 0, 17, 29, 30, 99 })
        EXPECT_EQ (UnitDumpMessages::cabWordsOf (UnitDumpMessages::messagesOf (bytesOf (cabFolder.getChildFile (cabs[slot])))),
                   korrina->getCab (slot)) << slot;

    const auto cabRequests = requestsOf (*korrina, 0x19);
    ASSERT_EQ (cabRequests.size(), 100u);

    for (int slot = 0; slot < 100; ++slot)
        EXPECT_EQ (requestedCab (cabRequests[(size_t) slot], DeviceModels::korrina), slot);

    // Everything the unit sent is in the files, in the order it was sent.
    std::vector<uint8_t> everything;

    for (auto* suffix : { "-bank-A", "-bank-B", "-bank-C", "-system" })
        for (auto b : bytesOf (folder.getChildFile (base + suffix + ".syx")))
            everything.push_back (b);

    for (const auto& name : cabs)
        for (auto b : bytesOf (cabFolder.getChildFile (name)))
            everything.push_back (b);

    EXPECT_EQ (everything, bytesOf (UnitDumpMessages::joined (recorder.take())));
}

//==============================================================================
TEST_F (KorrinaBackup, SilentSlotIsAskedThreeTimesThenTheRunEnds)
{
    prepare (DeviceModels::korrina);

    // The unit falls silent as the request for slot 3 (index 2) reaches it.
    const int silentSlot = 2;
    hooked->setOnMessage ([this] (const juce::MidiMessage& m)
    {
        if (SysExTransaction::getFunctionCode (m) == 0x19 && requestedCab (m, DeviceModels::korrina) == silentSlot)
        {
            UnitFaults faults;
            faults.silent = true;
            korrina->setFaults (faults);
        }
    });

    pressBegin ([] (Page& p) { chooseFullBackup (p, { p.allCabs.get() }); });
    ASSERT_TRUE (waitForRunEnd());

    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "Message timeout.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);

    // Every slot before the silent one once, the silent one three times.
    const auto requests = requestsOf (*korrina, 0x19);
    ASSERT_EQ ((int) requests.size(), silentSlot + 3);

    for (int i = 0; i < (int) requests.size(); ++i)
        EXPECT_EQ (requestedCab (requests[(size_t) i], DeviceModels::korrina), juce::jmin (i, silentSlot));

    EXPECT_EQ (fileNamesIn (folder.getChildFile (dialog->backupBaseName + "-usercabs")).size(), silentSlot);
    EXPECT_TRUE (dialog->browseButton->isEnabled());
}

TEST_F (KorrinaBackup, CancelDuringAllCabsStopsAfterTheSlotInProgress)
{
    prepare (DeviceModels::korrina);

    bool pressed = false;

    // Cancel as the request for slot 5 of 100 reaches the unit; Cancel is then the
    // one usable control.
    atCabRequest (4, [&]
    {
        EXPECT_EQ (dialog->cabCounter, 4);
        EXPECT_TRUE (dialog->cancelButton->isEnabled());
        EXPECT_FALSE (dialog->transmitButton->isEnabled());
        dialog->buttonClicked (dialog->cancelButton.get());
        pressed = true;
    });

    pressBegin ([] (Page& p) { chooseFullBackup (p, { p.allCabs.get() }); });
    ASSERT_TRUE (waitForRunEnd());
    EXPECT_TRUE (pressed);

    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "Backup canceled.  The first 5 user cabs have been written to disk.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);
    EXPECT_EQ (fileNamesIn (folder.getChildFile (dialog->backupBaseName + "-usercabs")).size(), 5);
    EXPECT_EQ (requestsOf (*korrina, 0x19).size(), 5u);
}

//==============================================================================
TEST_F (KorrinaBackup, NamesWithRefusedCharactersEmptySlotsAndCollisions)
{
    prepare (DeviceModels::korrina);

    // The unit takes a preset named "A/B: test  " into slot 5 and a cab "L|R <Plate>"
    // into slot 4, as it would from an editor.
    std::vector<uint16_t> words (2048, 0x0101);
    const char name[] = "A/B: test  ";

    for (size_t i = 0; i < 32; ++i)
        words[2 + i] = i < sizeof (name) - 1 ? (uint16_t) name[i] : 0;

    for (const auto& m : UnitDumpMessages::messagesOf (TestDumps::presetDump (3, 0, 5, words)))
        korrina->handleMessageFromHost (m);

    juce::Random random (9);

    for (const auto& m : UnitDumpMessages::messagesOf (TestDumps::cabDump (3, 4, TestDumps::cabWords (random, "L|R <Plate>"))))
        korrina->handleMessageFromHost (m);

    devices.waitUntilIdle();
    ASSERT_EQ (wordsOf (korrina->getPreset (0, 5)), words);

    struct Case
    {
        std::function<void (Page&)> choose;
        const char* expectedBox;
    };

    auto preset = [] (const char* n) { return [=] (Page& p) { click (*p.singlePreset); p.presetSpin->getEditor().setText (n, false); click (*p.ok); }; };
    auto cab = [] (const char* n) { return [=] (Page& p) { click (*p.singleCab); p.cabSpin->getEditor().setText (n, false); click (*p.ok); }; };

    const Case cases[]
    {
        { preset ("5"),   "A-B- test.syx has been saved." },
        { preset ("5"),   "A-B- test (1).syx has been saved." },
        { preset ("5"),   "A-B- test (2).syx has been saved." },
        { preset ("127"), "EMPTY.syx has been saved." },
        { cab ("5"),      "L-R -Plate-.syx has been saved." },
        { cab ("5"),      "L-R -Plate- (1).syx has been saved." },
        { cab ("99"),     "EMPTY (1).syx has been saved." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.expectedBox);
        pressBegin (c.choose);
        ASSERT_TRUE (waitForRunEnd());
        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, c.expectedBox);
        EXPECT_EQ (bytesOf (fileNamedInLastBox()), bytesOf (UnitDumpMessages::joined (recorder.take())));
    }

    EXPECT_EQ (fileNamesIn (folder).size(), 7);
}

TEST_F (KorrinaBackup, FolderThatCannotBeWrittenIsReportedAndEndsTheRun)
{
    prepare (DeviceModels::korrinaGrand);

    // A regular file stands where the backup folder must be made.
    const auto blocked = home.getChildFile ("Backups");
    ASSERT_TRUE (blocked.replaceWithText ("not a folder"));
    dialog->receiveFolderChosenFromChooser (blocked.getChildFile ("inside"));

    struct Case
    {
        const char* what;
        std::function<void (Page&)> choose;
        uint8_t function;
    };

    const Case cases[]
    {
        { "preset", [] (Page& p) { click (*p.singlePreset); click (*p.ok); }, 0x03 },
        { "banks A and B", [] (Page& p) { chooseFullBackup (p, { p.bankA.get(), p.bankB.get() }); }, 0x1C },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto before = requestsOf (*korrina, c.function).size();
        pressBegin (c.choose);
        ASSERT_TRUE (waitForRunEnd());

        ASSERT_EQ (boxes.getNumBoxes(), 1);
        EXPECT_EQ (boxes.getLastBox().message, "An error was encountered while writing the file to disk.");
        EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (boxes.getLastBox().title, "Dremlor");

        // The types after the failed one are not asked for.
        EXPECT_EQ (requestsOf (*korrina, c.function).size(), before + 1);
        EXPECT_TRUE (dialog->browseButton->isEnabled());
        EXPECT_FALSE (dialog->severalTypes);
    }

    EXPECT_EQ (blocked.loadFileAsString(), "not a folder");
}

//==============================================================================
TEST_F (KorrinaBackup, NumberFieldsChooseTheirItemAndHandOnToOk)
{
    prepare (DeviceModels::korrinaGrand);
    Page* p = nullptr;

    auto isActive = [] (VASSpinControl& spin) { return ! spin.getEditorOverlay().isVisible(); };

    // Other test processes share the X server and may take the focus back at any
    // moment, so the test remembers every component that was given the focus.
    struct FocusRecorder  : juce::FocusChangeListener
    {
        FocusRecorder()            { juce::Desktop::getInstance().addFocusChangeListener (this); }
        ~FocusRecorder() override  { juce::Desktop::getInstance().removeFocusChangeListener (this); }
        void globalFocusChanged (juce::Component* focused) override  { everFocused.addIfNotAlreadyThere (focused); }
        juce::Array<juce::Component*> everFocused;
    } focus;

    ModalPageScript script;
    script.then ([&] { return dialog->getKorrinaBackupPage() != nullptr && dialog->getKorrinaBackupPage()->page->isShowing(); },
                 [&] { p = dialog->getKorrinaBackupPage(); click (*p->backUpKorrina); })
          .then ([&] { return p->ok->isEnabled(); }, [&] { pressSpinField (*p->cabSpin); })
          .then ([&] { return p->singleCab->getToggleState(); }, [&]
          {
              EXPECT_FALSE (p->backUpKorrina->getToggleState());
              EXPECT_TRUE (isActive (*p->cabSpin));
              EXPECT_FALSE (isActive (*p->presetSpin));
              click (*p->editBuffer);
          })
          .then ([&] { return p->editBuffer->getToggleState(); }, [&]
          {
              EXPECT_TRUE (p->unlinkGlobals->isEnabled());
              EXPECT_FALSE (isActive (*p->cabSpin));
              EXPECT_FALSE (isActive (*p->presetSpin));
              EXPECT_FALSE (p->bankA->isEnabled());
              pressSpinField (*p->presetSpin);
          })
          .then ([&] { return p->singlePreset->getToggleState(); }, [&]
          {
              EXPECT_FALSE (p->editBuffer->getToggleState());
              EXPECT_FALSE (p->unlinkGlobals->isEnabled());
              EXPECT_TRUE (isActive (*p->presetSpin));
              EXPECT_TRUE (p->ok->isEnabled());
              p->presetSpin->textEditorReturnKeyPressed (p->presetSpin->getEditor());
          })
          .then ([&] { return p->ok->hasKeyboardFocus (false) || focus.everFocused.contains (p->ok.get()); },
                 [&] { click (*p->cancel); });

    dialog->buttonClicked (dialog->transmitButton.get());

    EXPECT_FALSE (script.hasTimedOut());
    EXPECT_TRUE (script.isFinished());
    EXPECT_FALSE (dialog->isBackupRunning());
    EXPECT_EQ (requestsOf (*korrina, 0x03).size(), 0u);
}

TEST_F (KorrinaBackup, ControlsAreGreyedWhileATransferRuns)
{
    prepare (DeviceModels::korrina);

    struct Case
    {
        const char* what;
        DeviceModel device;
        bool receivePage;
        int receiveType;
        bool cancel, outputRow, inputRow;
    };

    const Case cases[]
    {
        { "Korrina, receive page",        DeviceModels::korrina,        true,  1, true,  true,  true  },
        { "Grand, all user cabs",         DeviceModels::korrinaGrand,   true,  9, false, true,  true  },
        { "Korrina, send page",           DeviceModels::korrina,        false, 0, false, true,  true  },
        { "Stompra Classic, send page",   DeviceModels::stompraClassic, false, 0, false, true,  false },
        { "Stompra Neo, receive page",    DeviceModels::stompraNeo,     true,  0, true,  false, true  },
        { "Boot ROM, send page",          DeviceModels::bootRom,        false, 0, false, false, false },
    };

    auto& d = *dialog;
    const std::vector<juce::Component*> always { d.browseButton.get(), d.transmitButton.get(), d.sendTabButton.get(),
                                                 d.receiveTabButton.get(), d.fileField.get(), d.deviceLabel.get(),
                                                 d.deviceToUpdate.get() };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        d.chooseDevice (c.device);

        if (c.receivePage)
            d.showReceivePage();
        else
            d.showSendPage();

        d.receiveType = c.receiveType;

        for (const bool enabled : { false, true })
        {
            std::vector<juce::Component*> all (always);

            for (auto* extra : { (juce::Component*) d.cancelButton.get(), (juce::Component*) d.outputPortBox.get(),
                                 (juce::Component*) d.outputLabel.get(), (juce::Component*) d.inputPortBox.get(),
                                 (juce::Component*) d.inputLabel.get() })
                all.push_back (extra);

            for (auto* component : all)
                component->setEnabled (! enabled);

            d.setControlsEnabled (enabled);

            for (auto* component : always)
                EXPECT_EQ (component->isEnabled(), enabled) << component->getName();

            EXPECT_EQ (d.cancelButton->isEnabled() == enabled, c.cancel);
            EXPECT_EQ (d.outputPortBox->isEnabled() == enabled, c.outputRow);
            EXPECT_EQ (d.outputLabel->isEnabled() == enabled, c.outputRow);
            EXPECT_EQ (d.inputPortBox->isEnabled() == enabled, c.inputRow);
            EXPECT_EQ (d.inputLabel->isEnabled() == enabled, c.inputRow);
        }
    }
}

TEST_F (KorrinaBackup, CancelStillEndsAnAllCabsRunWhoseSlotsFailToWrite)
{
    prepare (DeviceModels::korrina);

    // The run's cab folder cannot be made: a regular file stands where it must go.
    const auto blocked = home.getChildFile ("Blocked");
    ASSERT_TRUE (blocked.replaceWithText ("not a folder"));
    dialog->receiveFolderChosenFromChooser (blocked);

    // Cancel as the request for slot 3 reaches the unit: before the dialog hears that
    // the slot could not be written, however quickly the failures follow each other.
    bool pressed = false;

    atCabRequest (2, [&]
    {
        EXPECT_EQ (dialog->cabCounter, 2);
        dialog->buttonClicked (dialog->cancelButton.get());
        pressed = true;
    });

    pressBegin ([] (Page& p) { chooseFullBackup (p, { p.allCabs.get() }); });
    ASSERT_TRUE (waitForRunEnd());
    EXPECT_TRUE (pressed);

    // Each failed slot is reported, and the run stops after the slot in progress.
    const auto& seen = boxes.getBoxes();
    ASSERT_EQ (seen.size(), 4u);

    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ (seen[i].message, "An error was encountered while writing the file to disk.");

    // The count is of cabs actually written: none here.
    EXPECT_EQ (seen[3].message, "Backup canceled.  The first 0 user cabs have been written to disk.");
    EXPECT_EQ (requestsOf (*korrina, 0x19).size(), 3u);
    EXPECT_TRUE (dialog->browseButton->isEnabled());
    EXPECT_EQ (blocked.loadFileAsString(), "not a folder");
}

TEST_F (KorrinaBackup, ANewRequestStopsThePreviousReceiveThreadBeforeFreeingWhatItReads)
{
    prepare (DeviceModels::korrina);

    // An unanswered request keeps its thread polling the transaction.
    UnitFaults faults;
    faults.silent = true;
    korrina->setFaults (faults);

    dialog->beginReceive (7, dialog->backupBaseName, -1);
    auto* first = dialog->getReceiveThread();
    ASSERT_NE (first, nullptr);
    ASSERT_TRUE (first->isThreadRunning());

    dialog->beginReceive (7, dialog->backupBaseName, -1);
    ASSERT_NE (dialog->getReceiveThread(), first);
    EXPECT_FALSE (first->isThreadRunning());
}
