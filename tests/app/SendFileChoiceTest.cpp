// Choosing the file to send in the main dialog: Browse, a drop and a new device
// choice load it, check it against the device with the exact mismatch text, and
// keep the earlier file's bytes when the choice is cancelled or refused.

#include "DialogFixture.h"
#include "app/SendFileData.h"
#include "support/MessageLoop.h"
#include "support/TestDumps.h"

#include <sys/stat.h>
#include <unistd.h>

namespace
{
    using TestDumps::Bytes;

    Bytes presetFile (uint8_t model, uint32_t bank, int count)
    {
        juce::Random random (model * 10 + bank);
        Bytes file;

        for (int i = 0; i < count; ++i)
            TestDumps::append (file, TestDumps::presetDump (model, bank, (uint32_t) i,
                                                            model == DeviceModels::korrinaGrand ? TestDumps::randomGrandPreset (random)
                                                                                                : TestDumps::randomKorrinaPreset (random)));
        return file;
    }

    Bytes messageFile (uint8_t model, uint8_t function)
    {
        return TestDumps::message (model, function, { 0x00, 0x20, 0x00 });
    }

    juce::String mismatchText (const char* deviceName)
    {
        return juce::String ("The selection does not appear to be a valid file for the ") + deviceName
             + ".\n\nPlease try a different file.";
    }

    /** Plays the user in the program's own file chooser: when the modal chooser opens
        it records its title and either types the path into the file name box and
        presses Open, or presses Cancel.
    */
    class FileChooserUser  : private juce::Timer
    {
    public:
        explicit FileChooserUser (juce::File toPick) : pick (std::move (toPick))    { startTimer (20); }
        ~FileChooserUser() override                                                   { stopTimer(); }

        juce::StringArray titles;

    private:
        void timerCallback() override
        {
            auto* box = dynamic_cast<juce::FileChooserDialogBox*> (juce::Component::getCurrentlyModalComponent());

            if (box == nullptr || box == answered)
                return;

            answered = box;
            titles.add (box->getName());

            if (pick != juce::File())
            {
                if (auto* nameBox = findChild<juce::TextEditor> (*box, {}))
                {
                    nameBox->setText (pick.getFullPathName());
                    nameBox->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
                }
            }

            if (auto* button = findChild<juce::TextButton> (*box, pick != juce::File() ? "Open" : "Cancel"))
                button->triggerClick();
        }

        template <typename Type>
        static Type* findChild (juce::Component& parent, const juce::String& text)
        {
            for (auto* child : parent.getChildren())
            {
                if (auto* typed = dynamic_cast<Type*> (child))
                {
                    if constexpr (std::is_same_v<Type, juce::TextButton>)
                    {
                        if (typed->getButtonText() == text)
                            return typed;
                    }
                    else if (! typed->isReadOnly())
                    {
                        return typed;
                    }
                }

                if (auto* found = findChild<Type> (*child, text))
                    return found;
            }

            return nullptr;
        }

        juce::File pick;
        juce::Component* answered = nullptr;
    };
}

//==============================================================================
class SendFileChoice  : public DialogFixture
{
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        folder = home.getChildFile ("syx");
        folder.createDirectory();
    }

    juce::File write (const juce::String& name, const Bytes& bytes)
    {
        auto file = folder.getChildFile (name);
        file.deleteFile();

        // Writing no bytes would delete the file instead of leaving an empty one.
        if (bytes.empty())
            file.create();
        else
            file.replaceWithData (bytes.data(), bytes.size());

        return file;
    }

    static Bytes bufferOf (const DremlorDialog& d)
    {
        return TestDumps::bytesOf (d.sendBuffer);
    }

    /** Lets the chooser seam answer with these files in turn (an empty File cancels),
        recording the folder each choice starts in.
    */
    void pickInTurn (std::vector<juce::File> files)
    {
        picks = std::move (files);
        dialog->chooseFileToSend = [this] (const juce::File& start)
        {
            startFolders.add (start.getFullPathName());
            auto next = picks.empty() ? juce::File() : picks.front();

            if (! picks.empty())
                picks.erase (picks.begin());

            return next;
        };
    }

    juce::File folder;
    std::vector<juce::File> picks;
    juce::StringArray startFolders;
};

TEST_F (SendFileChoice, FitsAreShownAndMisfitsAreRefusedWithTheDevicesName)
{
    const struct { const char* what; DeviceModel device; const char* deviceName; Bytes file; bool fits; } cases[] =
    {
        { "Korrina bank on Korrina",          3,    "Korrina",         presetFile (3, 0, 2),     true },
        { "Korrina preset on Grand",          6,    "Korrina Grand",   presetFile (3, 1, 1),     true },
        { "Korrina system on Grand",          6,    "Korrina Grand",   presetFile (3, 3, 2),     false },
        { "Grand preset on Korrina",          3,    "Korrina",         presetFile (6, 0, 1),     false },
        { "Grand cab on Korrina",             3,    "Korrina",         messageFile (6, 0x7A),    true },
        { "Neo backup on Classic",            2,    "Stompra Classic", messageFile (4, 0x75),    false },
        { "Classic firmware on Neo",          4,    "Stompra Neo",     messageFile (2, 0x7D),    false },
        { "Neo backup on Neo",                4,    "Stompra Neo",     messageFile (4, 0x75),    true },
        { "bank on Boot ROM (any file fits)", 0xFF, "Boot ROM",        presetFile (3, 0, 2),     true },
        { "four bytes",                       3,    "Korrina",         Bytes { 0xF0, 0, 0x6B, 0x2E }, false },
        { "empty file",                       6,    "Korrina Grand",   Bytes {},                 false },
        { "empty file on Boot ROM",           0xFF, "Boot ROM",        Bytes {},                 false },
    };

    auto& d = makeDialog();
    const auto earlier = presetFile (3, 2, 1);
    const auto earlierFile = write ("earlier.syx", earlier);

    for (const auto& c : cases)
    {
        d.device = DeviceModels::korrina;
        ASSERT_TRUE (d.selectFile (earlierFile.getFullPathName()));
        ASSERT_TRUE (d.fileChosen);
        boxes.clear();

        d.device = c.device;
        const auto file = write ("candidate.syx", c.file);
        EXPECT_TRUE (d.selectFile (file.getFullPathName())) << c.what;
        EXPECT_TRUE (d.fileLoaded) << c.what;

        if (c.fits)
        {
            EXPECT_EQ (boxes.getNumBoxes(), 0) << c.what;
            EXPECT_EQ (bufferOf (d), c.file) << c.what;
            EXPECT_EQ (d.sendFile, file) << c.what;
            EXPECT_EQ (d.fileField->getText(), file.getFullPathName()) << c.what;
            EXPECT_EQ (d.fileSelectedLabel->getText(), "candidate.syx") << c.what;
            EXPECT_TRUE (d.check2->isVisible()) << c.what;
        }
        else
        {
            ASSERT_EQ (boxes.getNumBoxes(), 1) << c.what << ": " << boxes.getLastBox().message;
            EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
            EXPECT_EQ (boxes.getLastBox().message, mismatchText (c.deviceName)) << c.what;
            EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (boxes.getLastBox().buttons, juce::StringArray ("OK"));
            EXPECT_EQ (bufferOf (d), earlier) << c.what;
            EXPECT_EQ (d.sendFile, earlierFile) << c.what;
            EXPECT_EQ (d.fileSelectedLabel->getText(), "earlier.syx") << c.what;
        }
    }
}

TEST_F (SendFileChoice, CancelledChooserKeepsTheEarlierFileAndTheFolderIsRemembered)
{
    auto& d = makeDialog();
    d.device = DeviceModels::korrinaGrand;
    const auto bank = presetFile (6, 1, 3);
    const auto bankFile = write ("bank.syx", bank);
    pickInTurn ({ bankFile, juce::File() });

    EXPECT_TRUE (d.selectFile());
    EXPECT_EQ (bufferOf (d), bank);
    EXPECT_EQ (d.getSendFileKind(), SendFileData::oneBank);
    EXPECT_EQ (d.presetHeaderCount, 3);

    EXPECT_FALSE (d.selectFile());
    EXPECT_FALSE (d.fileLoaded);
    EXPECT_TRUE (d.fileChosen);
    EXPECT_EQ (bufferOf (d), bank);
    EXPECT_EQ (d.previousSendBuffer, d.sendBuffer);
    EXPECT_EQ (boxes.getNumBoxes(), 0);

    // The second choice starts where the first file was found.
    ASSERT_EQ (startFolders.size(), 2);
    EXPECT_EQ (startFolders[1], folder.getFullPathName());

    // A file that is not there loads nothing, says so and keeps the earlier bytes.
    const auto gone = folder.getChildFile ("gone.syx");
    EXPECT_FALSE (d.selectFile (gone.getFullPathName()));
    EXPECT_EQ (bufferOf (d), bank);
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "\"" + gone.getFullPathName() + "\" does not exist."
                                           "\n\nPlease try a different file.");

    dialog.reset();
    DremlorSettings settings;
    settings.load();
    EXPECT_EQ (settings.getSendFolder(), folder);
    EXPECT_FALSE (settings.wasSendFolderDefaulted());
}

TEST_F (SendFileChoice, TheProgramsOwnChooserIsOpenedTypedIntoAndCancelled)
{
    auto& d = makeDialog();
    d.device = DeviceModels::korrina;
    const auto bank = presetFile (3, 0, 2);
    const auto bankFile = write ("typed.syx", bank);

    {
        FileChooserUser user (bankFile);
        EXPECT_TRUE (d.selectFile());
        EXPECT_EQ (user.titles, juce::StringArray ("Select a file..."));
    }

    EXPECT_EQ (bufferOf (d), bank);
    EXPECT_EQ (d.fileSelectedLabel->getText(), "typed.syx");

    {
        FileChooserUser user { juce::File() };
        EXPECT_FALSE (d.selectFile());
        EXPECT_EQ (user.titles.size(), 1);
    }

    EXPECT_EQ (bufferOf (d), bank);
}

TEST_F (SendFileChoice, BrowseAndDropHandTheFileOnOnlyWhereTheyMay)
{
    auto& d = makeDialog();
    const auto preset = presetFile (3, 0, 1);
    const auto presetPath = write ("one.syx", preset).getFullPathName();
    pickInTurn ({});

    // Browse on the send page asks for a file only once a device is chosen.
    d.buttonClicked (d.browseButton.get());
    EXPECT_EQ (startFolders.size(), 0);

    chooseKorrina();
    ASSERT_TRUE (d.inputPortOpen && d.outputPortOpen);
    d.buttonClicked (d.browseButton.get());
    EXPECT_EQ (startFolders.size(), 1);

    d.transferStarting = true;
    d.buttonClicked (d.browseButton.get());
    d.filesDropped ({ presetPath }, 400, 300);
    EXPECT_EQ (startFolders.size(), 1);
    EXPECT_FALSE (d.fileChosen);
    d.transferStarting = false;

    d.filesDropped ({ presetPath }, 770, 300);
    EXPECT_FALSE (d.fileChosen);

    d.filesDropped ({ presetPath, "/elsewhere/other.syx" }, 769, 362);
    EXPECT_TRUE (d.fileChosen);
    EXPECT_EQ (bufferOf (d), preset);
    EXPECT_EQ (d.fileSelectedLabel->getText(), "one.syx");
}

TEST_F (SendFileChoice, ANewKorrinaEditionChecksTheChosenFileAgain)
{
    auto& d = makeDialog();
    chooseKorrina (DeviceModels::korrina);
    const auto system = presetFile (3, 3, 2);
    ASSERT_TRUE (d.selectFile (write ("system.syx", system).getFullPathName()));
    ASSERT_TRUE (d.fileChosen);
    EXPECT_EQ (d.getSendFileKind(), SendFileData::korrinaSystem);

    boxes.clear();
    chooseKorrina (DeviceModels::korrinaGrand);

    const auto mismatches = std::count_if (boxes.getBoxes().begin(), boxes.getBoxes().end(), [] (const auto& box)
                                           { return box.message == mismatchText ("Korrina Grand"); });
    EXPECT_EQ (mismatches, 1);
    EXPECT_FALSE (d.fileMatchesDevice());
}

TEST_F (SendFileChoice, MembersRetargetAndReplaceTheSendBuffer)
{
    auto& d = makeDialog();
    d.device = DeviceModels::korrinaGrand;
    const auto preset = presetFile (3, 1, 1);
    ASSERT_TRUE (d.selectFile (write ("p.syx", preset).getFullPathName()));
    EXPECT_EQ (d.getSendFileModel(), DeviceModels::korrina);
    EXPECT_EQ (d.getSendFileKind(), SendFileData::singlePreset);

    juce::MemoryBlock converted;
    ASSERT_TRUE (d.convertKorrinaPreset (static_cast<const uint8_t*> (d.sendBuffer.getData()), d.sendBuffer.getSize(), converted));
    ASSERT_TRUE (d.storeSendData (converted));
    EXPECT_EQ (d.getSendFileModel(), DeviceModels::korrinaGrand);

    d.toEditBuffer = true;
    d.setSendDestination (127);
    EXPECT_FALSE (d.toEditBuffer);

    DumpImage image;
    ASSERT_TRUE (image.parsePatch (static_cast<const uint8_t*> (d.sendBuffer.getData()), d.sendBuffer.getSize(),
                                   DeviceModels::korrinaGrand));
    EXPECT_EQ (image.getBank(), 0x7Fu);

    d.showCannotTransmit();
    EXPECT_EQ (boxes.getLastBox().message, "Dremlor has lost communication with the device.  "
                                           "Please make sure the device is powered on and connected to the computer.");
}

TEST_F (SendFileChoice, WhatIsNotARegularFileIsRefusedWithWhatItIsAndTheEarlierFileStays)
{
    // Entries an archive may unpack beside real presets; none of them may be read.
    using Make = bool (*) (const char*);
    const struct { const char* what; Make make; const char* says; } cases[] =
    {
        { "link to /dev/zero",    [] (const char* p) { return ::symlink ("/dev/zero", p) == 0; },    " is a device, not a file." },
        { "link to /dev/urandom", [] (const char* p) { return ::symlink ("/dev/urandom", p) == 0; }, " is a device, not a file." },
        { "pipe with no writer",  [] (const char* p) { return ::mkfifo (p, 0600) == 0; },            " is a named pipe, not a file." },
        { "dangling link",        [] (const char* p) { return ::symlink ("nowhere.syx", p) == 0; },  " is a link to a file that does not exist." },
        { "link to itself",       [] (const char* p) { return ::symlink (p, p) == 0; },              " is a link that leads round in a loop." },
        { "folder",               [] (const char* p) { return ::mkdir (p, 0700) == 0; },             " is a folder, not a file." },
        { "sparse 8 GiB",         [] (const char* p) { return juce::File (p).create().wasOk() && ::truncate (p, (off_t) 8 << 30) == 0; },
                                  " is too large (8.0 GB): no file for a device is larger than 64 MB." },
    };

    auto& d = makeDialog();
    chooseKorrina();
    const auto earlier = presetFile (3, 2, 1);
    const auto earlierFile = write ("earlier.syx", earlier);
    const auto entry = folder.getChildFile ("entry.syx");

    const auto refusals = [this] (const juce::String& message)
    {
        return std::count_if (boxes.getBoxes().begin(), boxes.getBoxes().end(), [&] (const auto& box)
                              { return box.message == message && box.icon == juce::MessageBoxIconType::WarningIcon; });
    };

    for (const auto& c : cases)
    {
        // Chosen in the chooser, dropped on the window, and reloaded by a new device
        // choice after the chosen file itself was replaced by such an entry.
        for (const juce::String way : { "chooser", "drop", "device" })
        {
            SCOPED_TRACE (juce::String (c.what) + ", by " + way);
            ::remove (entry.getFullPathName().toRawUTF8());
            ASSERT_TRUE (d.selectFile (earlierFile.getFullPathName()));
            boxes.clear();

            const auto& named = way == "device" ? earlierFile : entry;
            ASSERT_TRUE (way == "device" ? earlierFile.deleteFile() : true);
            ASSERT_TRUE (c.make (named.getFullPathName().toRawUTF8()));

            if (way == "chooser")
            {
                pickInTurn ({ entry });
                EXPECT_FALSE (d.selectFile());
            }
            else if (way == "drop")
            {
                d.filesDropped ({ entry.getFullPathName() }, 400, 300);
            }
            else
            {
                chooseKorrina (d.device == DeviceModels::korrina ? DeviceModels::korrinaGrand : DeviceModels::korrina);
                ::remove (earlierFile.getFullPathName().toRawUTF8());
                write ("earlier.syx", earlier);
            }

            EXPECT_FALSE (d.fileLoaded);
            EXPECT_EQ (refusals ("\"" + named.getFullPathName() + "\"" + c.says + "\n\nPlease try a different file."), 1)
                << boxes.getLastBox().message;
            EXPECT_EQ (bufferOf (d), earlier);
            EXPECT_EQ (d.sendFile, earlierFile);
            EXPECT_EQ (d.fileSelectedLabel->getText(), "earlier.syx");
        }
    }
}
