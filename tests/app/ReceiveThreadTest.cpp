#include "app/DremlorDialog.h"
#include "app/ReceiveThread.h"
#include "support/MessageLoop.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/ScratchFolder.h"
#include "support/TestDumps.h"
#include "support/UnitDumpMessages.h"
#include "support_gui/ModalBoxAnswerer.h"

#include <gtest/gtest.h>

namespace
{
    using Bytes = TestDumps::Bytes;

    const juce::String baseName ("250302-090507");

    /** A transaction that the unit has answered completely with the dump's messages. */
    std::unique_ptr<SysExTransaction> answeredWith (const Bytes& dump)
    {
        const auto messages = UnitDumpMessages::messagesOf (dump);
        auto transaction = std::make_unique<SysExTransaction> (2000u);
        transaction->setExpectedReplies ((int) messages.size());

        for (const auto& message : messages)
            transaction->addReply (message);

        return transaction;
    }

    Bytes presetNamed (const char* name, size_t numWords = 2048)
    {
        std::vector<uint16_t> words (numWords, 0x1234);

        for (size_t i = 0; i < 32; ++i)
            words[2 + i] = i < std::strlen (name) ? (uint16_t) (uint8_t) name[i] : 0;

        return TestDumps::presetDump (3, 0, 5, words);
    }

    Bytes cabNamed (uint8_t model, uint32_t cab, const char* name)
    {
        juce::Random random (cab + 1);
        return TestDumps::cabDump (model, cab, TestDumps::cabWords (random, name));
    }

    Bytes emptyCab (uint8_t model, uint32_t cab)
    {
        return TestDumps::cabDump (model, cab, std::vector<uint32_t> (2048, 0xFFFFFFFFu));
    }

    Bytes bytesOf (const juce::File& file)
    {
        juce::MemoryBlock block;
        file.loadFileAsData (block);
        return TestDumps::bytesOf (block);
    }

    /** Records the status seen at each change message. */
    struct StatusLog  : public juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster* source) override
        {
            seen.push_back (static_cast<ReceiveThread*> (source)->getStatus());
        }

        std::vector<int> seen;
    };

    bool isFinal (int status)
    {
        return status == ReceiveThread::written || status == ReceiveThread::timedOut
            || status == ReceiveThread::notWritten;
    }

    /** Runs the thread to its end and lets its last change message arrive. */
    void runToEnd (ReceiveThread& thread, StatusLog& log)
    {
        thread.addChangeListener (&log);
        thread.startThread();
        ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! log.seen.empty() && isFinal (log.seen.back()); }, MessageLoop::guardMs));
        ASSERT_TRUE (thread.waitForThreadToExit (2000));
    }
}

//==============================================================================
struct NameCase
{
    const char* what;
    int type;
    int cabNumber;
    Bytes dump;
    std::vector<const char*> alreadyThere;
    const char* expectedFile;
};

TEST (ReceiveThreadFiles, EachTypeIsNamedByItsRuleAndHoldsTheRepliesByteForByte)
{
    const NameCase cases[]
    {
        { "bank A",                   1, 0,   presetNamed ("Clean"), {}, "250302-090507-bank-A.syx" },
        { "bank D",                   4, 0,   presetNamed ("Clean"), {}, "250302-090507-bank-D.syx" },
        { "bank B replaces a file",   2, 0,   presetNamed ("Clean"), { "250302-090507-bank-B.syx" }, "250302-090507-bank-B.syx" },
        { "system",                   5, 0,   presetNamed ("Sys"), {}, "250302-090507-system.syx" },
        { "preset name",              6, 0,   presetNamed ("Lead Tone"), {}, "Lead Tone.syx" },
        { "forbidden characters",     6, 0,   presetNamed ("A/B: test  "), {}, "A-B- test.syx" },
        { "all nine refused",         7, 0,   presetNamed ("\\/:*?\"<>|x"), {}, "---------x.syx" },
        { "first collision",          6, 0,   presetNamed ("A/B: test"), { "A-B- test.syx" }, "A-B- test (1).syx" },
        { "second collision",         7, 0,   presetNamed ("A/B: test"), { "A-B- test.syx", "A-B- test (1).syx" }, "A-B- test (2).syx" },
        { "empty preset",             6, 0,   presetNamed (""), {}, "EMPTY.syx" },
        { "blank preset name",        7, 0,   presetNamed ("    "), { "EMPTY.syx" }, "EMPTY (1).syx" },
        { "Grand preset",             6, 0,   presetNamed ("Grand One", 4096), {}, "Grand One.syx" },
        { "cab name",                 8, 0,   cabNamed (6, 3, "Room"), {}, "Room.syx" },
        { "cab collision",            8, 0,   cabNamed (3, 3, "Room"), { "Room.syx" }, "Room (1).syx" },
        { "cab bytes above 0x7F",     8, 0,   cabNamed (3, 3, "Caf\xE9 Hall\xFF"), {}, "Caf  Hall.syx" },
        { "cab refused characters",   8, 0,   cabNamed (6, 3, "L|R <Plate>"), {}, "L-R -Plate-.syx" },
        { "empty cab",                8, 0,   emptyCab (6, 7), {}, "EMPTY.syx" },
        { "all cabs, slot 9",         9, 9,   cabNamed (3, 8, "Room"), {}, "009-Room.syx" },
        { "all cabs, slot 42",        9, 42,  cabNamed (6, 41, "Studio"), {}, "042-Studio.syx" },
        { "all cabs, empty slot 100", 9, 100, emptyCab (3, 99), {}, "100-EMPTY.syx" },
        { "all cabs, slot 512",       9, 512, cabNamed (6, 511, "Hall"), { "512-Hall.syx" }, "512-Hall.syx" },
        // Names the framework would read as paths stay in the folder; leading dots are
        // made "-", so no backup is hidden or names a folder.
        { "leading tilde",            6, 0,   presetNamed ("~Lead"), {}, "~Lead.syx" },
        { "tilde alone",              7, 0,   presetNamed ("~"), { "~.syx" }, "~ (1).syx" },
        { "dot",                      6, 0,   presetNamed ("."), {}, "-.syx" },
        { "two dots",                 7, 0,   presetNamed (".."), {}, "--.syx" },
        { "dots up a folder",         6, 0,   presetNamed ("../x"), {}, "---x.syx" },
        { "cab with tilde",           8, 0,   cabNamed (6, 3, "~Hall"), {}, "~Hall.syx" },
        { "cab of blanks",            8, 0,   cabNamed (3, 3, "    "), {}, "EMPTY.syx" },
        // Names Windows refuses or reads as a device are written under names it takes.
        { "control character",        6, 0,   presetNamed ("Solo\x01"), {}, "Solo-.syx" },
        { "reserved before a dot",    7, 0,   presetNamed ("Aux.Send"), {}, "Aux-.Send.syx" },
        { "reserved cab, taken",      8, 0,   cabNamed (6, 3, "CON"), { "CON-.syx" }, "CON- (1).syx" },
        { "all cabs, CON after slot", 9, 9,   cabNamed (3, 8, "CON"), {}, "009-CON.syx" },
        { "console input",            6, 0,   presetNamed ("CONIN$"), {}, "CONIN$-.syx" },
        { "console output cab",       8, 0,   cabNamed (6, 3, "conout$"), {}, "conout$-.syx" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        ScratchFolder scratch ("receive-thread-test");

        for (auto* name : c.alreadyThere)
            ASSERT_TRUE (ReceiveThread::fileInFolder (scratch.folder, name).replaceWithText ("kept"));

        auto transaction = answeredWith (c.dump);
        ReceiveThread thread (*transaction, {}, scratch.folder, c.type, c.cabNumber, baseName);
        StatusLog log;
        runToEnd (thread, log);

        EXPECT_EQ (thread.getStatus(), ReceiveThread::written);

        juce::File written;
        ASSERT_TRUE (thread.getOutputPath (written));
        EXPECT_EQ (written.getParentDirectory(), scratch.folder);
        EXPECT_EQ (written.getFileName(), c.expectedFile);
        EXPECT_EQ (bytesOf (written), c.dump);

        // Names already taken by presets and cabs keep their files.
        for (auto* name : c.alreadyThere)
        {
            if (juce::String (name) != c.expectedFile)
            {
                EXPECT_EQ (ReceiveThread::fileInFolder (scratch.folder, name).loadFileAsString(), "kept");
            }
        }

        // Beside them, the backup alone: no scratch file is left.
        juce::StringArray expectedNames (c.alreadyThere.data(), (int) c.alreadyThere.size());
        expectedNames.addIfNotAlreadyThere (c.expectedFile);
        expectedNames.sort (false);
        EXPECT_EQ (scratch.names().joinIntoString (", "), expectedNames.joinIntoString (", "));
    }
}

TEST (ReceiveThreadFiles, NumbersAndNamesAreMadeSafe)
{
    EXPECT_EQ (ReceiveThread::threeDigitNumber (1), "001");
    EXPECT_EQ (ReceiveThread::threeDigitNumber (7), "007");
    EXPECT_EQ (ReceiveThread::threeDigitNumber (10), "010");
    EXPECT_EQ (ReceiveThread::threeDigitNumber (99), "099");
    EXPECT_EQ (ReceiveThread::threeDigitNumber (100), "100");
    EXPECT_EQ (ReceiveThread::threeDigitNumber (512), "512");

    const std::pair<juce::String, juce::String> names[]
    {
        { "a\\b/c:d*e?f\"g<h>i|j",                    "a-b-c-d-e-f-g-h-i-j" },
        { "name \t  ",                                "name" },
        { "  lead",                                   "  lead" },
        { juce::String::charToString (0x00E9) + "x",  " x" },
        { "..a.b..",                                  "--a.b.." },
        { " .a",                                      " .a" },
        // Control characters become "-", once trailing white space has gone; device
        // names, in any case and up to the first dot, get a "-"; nothing else does.
        { "\x1F" "a\tb\x01\x7F \r\n",                  "-a-b-\x7F" },
        { "AUX.a.b",                                  "AUX-.a.b" },
        { "NUL .x",                                   "NUL -.x" },
        { "com9",                                     "com9-" },
        { "LpT1",                                     "LpT1-" },
        { "CONIN$",                                   "CONIN$-" },
        { "conOut$.x",                                "conOut$-.x" },
        { "COM0",                                     "COM0" },
        { "LPT10",                                    "LPT10" },
        { "CONSOLE",                                  "CONSOLE" },
        { "Lead.CON",                                 "Lead.CON" },
    };

    for (const auto& [name, safe] : names)
    {
        SCOPED_TRACE (name);
        EXPECT_EQ (ReceiveThread::makeFileNameSafe (name), safe);
    }
}

TEST (ReceiveThreadFiles, FolderIsCreatedWithItsParents)
{
    ScratchFolder scratch ("receive-thread-test");
    const auto folder = scratch.folder.getChildFile ("not/there/yet");
    const auto dump = presetNamed ("Fresh");
    auto transaction = answeredWith (dump);

    ReceiveThread thread (*transaction, {}, folder, 6, 0, baseName);
    StatusLog log;
    runToEnd (thread, log);

    EXPECT_EQ (thread.getStatus(), ReceiveThread::written);
    EXPECT_EQ (bytesOf (folder.getChildFile ("Fresh.syx")), dump);
}

TEST (ReceiveThreadFiles, FolderThatCannotBeMadeEndsNotWritten)
{
    ScratchFolder scratch ("receive-thread-test");
    const auto plainFile = scratch.folder.getChildFile ("backups");
    ASSERT_TRUE (plainFile.replaceWithText ("a file where the folder should be"));

    auto transaction = answeredWith (presetNamed ("Lost"));
    ReceiveThread thread (*transaction, {}, plainFile, 1, 0, baseName);
    StatusLog log;
    runToEnd (thread, log);

    EXPECT_EQ (thread.getStatus(), ReceiveThread::notWritten);
    EXPECT_EQ (plainFile.loadFileAsString(), "a file where the folder should be");
}

//==============================================================================
TEST (BackupFileDeathTest, AWriteCutShortByTheProgramsDeathLeavesNoFileThatPassesForABackup)
{
    if (*ScopedFileSizeLimit::unsupportedReason() != 0)
        GTEST_SKIP() << ScopedFileSizeLimit::unsupportedReason();

    // A Korrina bank, through run() on the test's thread since a forked process starts
    // no thread, and a Stompra export, each over a file of the same name.
    const auto bank = answeredWith (presetNamed ("Clean"));
    juce::MidiBuffer stompraDump;
    stompraDump.addEvent (juce::MidiMessage::createSysExMessage ("\x00\x20\x33\x02", 4), 0);

    const std::pair<juce::String, std::function<void (const juce::File&)>> writes[] = {
        { baseName + "-bank-A.syx", [&] (const juce::File& f) { ReceiveThread (*bank, {}, f.getParentDirectory(), 1, 0, baseName).run(); } },
        { baseName + "-stompra.syx", [&] (const juce::File& f) { (void) DremlorDialog::writeStompraDump (stompraDump, f); } },
    };

    for (const auto& [name, write] : writes)
    {
        SCOPED_TRACE (name);
        ScratchFolder scratch ("backup-death-test");
        const auto file = scratch.folder.getChildFile (name);
        ASSERT_TRUE (file.replaceWithText ("saved before"));

        // Killed at its first write, as by a crash or a power cut.
        EXPECT_EXIT ({
            ScopedFileSizeLimit limit (0, ScopedFileSizeLimit::Overrun::killsTheProcess);
            write (file);
        }, ScopedFileSizeLimit::killedTheProcess, "");

        // The earlier file is left, with a hidden scratch file that passes for no backup.
        const auto left = scratch.names();
        ASSERT_EQ (left.size(), 2) << left.joinIntoString (", ");
        EXPECT_TRUE (left[0].startsWith ("." + name + ".") && left[0].endsWith (".tmp")) << left[0];
        EXPECT_EQ (left[1], name);
        EXPECT_EQ (file.loadFileAsString(), "saved before");
    }
}

//==============================================================================
TEST (ReceiveThreadRun, TimeOutWritesNothingAndNeverReportsSaving)
{
    ScratchFolder scratch ("receive-thread-test");
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (34);
    transaction.addReply (UnitDumpMessages::messagesOf (presetNamed ("Half")).front());
    transaction.setState (TransactionState::timedOut);

    ReceiveThread thread (transaction, {}, scratch.folder, 6, 0, baseName);
    StatusLog log;
    runToEnd (thread, log);

    EXPECT_EQ (log.seen, std::vector<int> { ReceiveThread::timedOut });
    juce::File none;
    EXPECT_FALSE (thread.getOutputPath (none));
    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST (ReceiveThreadRun, ProgressFollowsTheRepliesUntilTheFileIsWritten)
{
    ScratchFolder scratch ("receive-thread-test");
    const auto messages = UnitDumpMessages::messagesOf (presetNamed ("Slow"));
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies ((int) messages.size());

    for (size_t i = 0; i < messages.size() / 2; ++i)
        transaction.addReply (messages[i]);

    std::atomic<double> progress { -1.0 };
    ReceiveThread thread (transaction, [&] (double value) { progress = value; }, scratch.folder, 6, 0, baseName);
    StatusLog log;
    thread.addChangeListener (&log);
    thread.startThread();

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return progress.load() >= 0.0; }, MessageLoop::guardMs));
    EXPECT_DOUBLE_EQ (progress.load(), (double) (messages.size() / 2) / (double) messages.size());
    MessageLoop::runFor (250);
    EXPECT_EQ (thread.getStatus(), ReceiveThread::stillWaiting);
    EXPECT_TRUE (log.seen.empty());

    for (size_t i = messages.size() / 2; i < messages.size(); ++i)
        transaction.addReply (messages[i]);

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! log.seen.empty() && isFinal (log.seen.back()); }, MessageLoop::guardMs));
    EXPECT_EQ (thread.getStatus(), ReceiveThread::written);
    EXPECT_DOUBLE_EQ (progress.load(), 1.0);
    EXPECT_EQ (bytesOf (scratch.folder.getChildFile ("Slow.syx")), TestDumps::bytesOf (UnitDumpMessages::joined (messages)));
}

TEST (ReceiveThreadRun, StopsWithoutWritingWhenAskedToWhileWaiting)
{
    ScratchFolder scratch ("receive-thread-test");
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (34);
    StatusLog log;

    {
        ReceiveThread thread (transaction, {}, scratch.folder, 6, 0, baseName);
        thread.addChangeListener (&log);
        thread.startThread();
        juce::Thread::sleep (150);
        const auto start = juce::Time::getMillisecondCounter();
        thread.stopThread (2000);
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, 200u);
    }

    MessageLoop::runFor (50);
    EXPECT_TRUE (log.seen.empty());
    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

//==============================================================================
namespace
{
    /** A receive thread that meets a cab whose name cannot be read. */
    struct UnreadableCabName  : public ReceiveThread
    {
        using ReceiveThread::ReceiveThread;
        bool parseCabName (juce::String&) override { return false; }
    };
}

TEST (ReceiveThreadRun, UnreadableCabNameIsShownOnTheMessageThreadBeforeTheRunGoesOn)
{
    for (const int type : { 8, 9 })
    {
        SCOPED_TRACE (type);
        ScratchFolder scratch ("receive-thread-test");
        auto transaction = answeredWith (cabNamed (3, 4, "Room"));
        UnreadableCabName thread (*transaction, {}, scratch.folder, type, 5, baseName);

        ModalBoxAnswerer boxes;
        bool onMessageThread = false;
        int statusWhileShown = -100;
        boxes.onBoxShown = [&] (const ModalBoxAnswerer::Box&)
        {
            onMessageThread = juce::MessageManager::getInstance()->isThisTheMessageThread();
            statusWhileShown = thread.getStatus();
        };

        StatusLog log;
        runToEnd (thread, log);

        ASSERT_EQ (boxes.getNumBoxes(), 1);
        const auto box = boxes.getLastBox();
        EXPECT_EQ (box.title, "Dremlor");
        EXPECT_EQ (box.message, "An error was encountered while parsing the Cab name.");
        EXPECT_EQ (box.icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (box.buttons, juce::StringArray ("OK"));
        EXPECT_TRUE (onMessageThread);
        EXPECT_EQ (statusWhileShown, ReceiveThread::saving);

        EXPECT_EQ (thread.getStatus(), ReceiveThread::notWritten);
        juce::File none;
        EXPECT_FALSE (thread.getOutputPath (none));
        EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    }
}
