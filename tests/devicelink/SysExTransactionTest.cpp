#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "devicelink/SysExTransaction.h"
#include "support/ManualClock.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/ScratchFolder.h"
#include "support/SysExTestMessages.h"

using namespace SysExTestMessages;

namespace
{
    juce::MidiMessage reply (uint8_t function, uint8_t value)
    {
        return framed (3, function, { value });
    }

    std::vector<uint8_t> fileBytes (const juce::File& file)
    {
        juce::MemoryBlock block;
        file.loadFileAsData (block);
        const auto* data = static_cast<const uint8_t*> (block.getData());
        return { data, data + block.getSize() };
    }
}

//==============================================================================
TEST (SysExTransactionSetup, NewTransactionDefaults)
{
    SysExTransaction empty (500u);
    EXPECT_EQ (bytesOf (empty.getRequest()), (std::vector<uint8_t> { 0xF0, 0xF7 }));
    EXPECT_EQ (empty.getTimeout(), 500u);
    EXPECT_EQ (empty.getExpectedReplies(), 1);
    EXPECT_EQ (empty.getState(), TransactionState::waiting);
    EXPECT_FALSE (empty.isInFlight());
    EXPECT_EQ (empty.getNumReplies(), 0);

    const auto request = reply (0x08, 0);
    SysExTransaction withRequest (request);
    EXPECT_EQ (bytesOf (withRequest.getRequest()), bytesOf (request));
    EXPECT_EQ (withRequest.getTimeout(), 2000u);
    EXPECT_EQ (withRequest.getExpectedReplies(), 1);
}

TEST (SysExTransactionSetup, FunctionCodeOfMessages)
{
    EXPECT_EQ (SysExTransaction::getFunctionCode (reply (0x1F, 0)), 0x1F);
    EXPECT_EQ (SysExTransaction::getFunctionCode (fromBytes ({ 0xF0, 0xF7 })), 0);
    EXPECT_EQ (SysExTransaction::getFunctionCode (fromBytes ({ 0xC0, 0x00 })), 0);
    EXPECT_EQ (SysExTransaction::getFunctionCode (fromBytes ({ 0xF1, 0, 0, 0, 0, 0x1F })), 0);
    EXPECT_EQ (SysExTransaction::getFunctionCode (fromBytes ({ 0xF0, 0, 0, 0, 0, 0x1F })), 0x1F);
}

//==============================================================================
TEST (SysExTransactionReplies, CompletesOnExpectedCountAndRefusesLateReplies)
{
    ManualClock clock;
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (3);
    transaction.touch();

    EXPECT_FALSE (transaction.addReply (reply (0x77, 1)));
    EXPECT_FALSE (transaction.addReply (reply (0x78, 2)));
    EXPECT_EQ (transaction.getRawState(), TransactionState::waiting);
    EXPECT_TRUE (transaction.addReply (reply (0x79, 3)));
    EXPECT_EQ (transaction.getState(), TransactionState::complete);

    EXPECT_FALSE (transaction.addReply (reply (0x79, 4)));
    EXPECT_EQ (transaction.getNumReplies(), 3);

    clock.advance (100000);
    EXPECT_FALSE (transaction.hasTimedOut());
    EXPECT_EQ (transaction.getState(), TransactionState::complete);
}

TEST (SysExTransactionReplies, CountLoweredBelowArrivedRepliesStillCompletes)
{
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (13);
    EXPECT_FALSE (transaction.addReply (reply (0x74, 0)));
    EXPECT_FALSE (transaction.addReply (reply (0x75, 0)));

    transaction.setExpectedReplies (1);
    EXPECT_TRUE (transaction.addReply (reply (0x64, 0)));
    EXPECT_EQ (transaction.getRawState(), TransactionState::complete);
}

TEST (SysExTransactionReplies, NoReplyExpectedNeverCompletesByReplies)
{
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (0);
    EXPECT_FALSE (transaction.addReply (reply (0x64, 0)));
    EXPECT_EQ (transaction.getRawState(), TransactionState::waiting);
}

TEST (SysExTransactionReplies, GetReplyChecksIndex)
{
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (5);
    transaction.addReply (reply (0x78, 1));
    transaction.addReply (reply (0x78, 2));

    juce::MidiMessage out;
    ASSERT_TRUE (transaction.getReply (1, out));
    EXPECT_EQ (bytesOf (out), bytesOf (reply (0x78, 2)));

    const auto sentinel = fromBytes ({ 0x90, 0x3C, 0x40 });
    out = sentinel;
    EXPECT_FALSE (transaction.getReply (2, out));
    EXPECT_FALSE (transaction.getReply (-1, out));
    EXPECT_EQ (bytesOf (out), bytesOf (sentinel));
}

//==============================================================================
TEST (SysExTransactionTimeout, SilenceLongerThanTimeoutEndsItAndKeepsReplies)
{
    ManualClock clock (50000);
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (34);
    transaction.touch();

    for (int i = 0; i < 33; ++i)
    {
        clock.advance (1500);   // each reply restarts the silence
        EXPECT_FALSE (transaction.addReply (reply (0x78, (uint8_t) i)));
        EXPECT_FALSE (transaction.hasTimedOut());
    }

    clock.advance (2000);
    EXPECT_FALSE (transaction.hasTimedOut());
    clock.advance (1);
    EXPECT_TRUE (transaction.hasTimedOut());
    EXPECT_TRUE (transaction.hasTimedOut());
    EXPECT_EQ (transaction.getState(), TransactionState::timedOut);
    EXPECT_EQ (transaction.getNumReplies(), 33);

    juce::MidiMessage last;
    ASSERT_TRUE (transaction.getReply (32, last));
    EXPECT_EQ (bytesOf (last), bytesOf (reply (0x78, 32)));
}

TEST (SysExTransactionTimeout, UntouchedTransactionNeverTimesOut)
{
    ManualClock clock (0);
    SysExTransaction transaction (10u);
    clock.advance (1000000);
    EXPECT_FALSE (transaction.hasTimedOut());
}

TEST (SysExTransactionTimeout, TouchAtCounterZeroStillCounts)
{
    ManualClock clock (0);
    SysExTransaction transaction (10u);
    transaction.touch();
    clock.advance (11);
    EXPECT_TRUE (transaction.hasTimedOut());
}

TEST (SysExTransactionTimeout, MeasuresAcrossCounterWrap)
{
    ManualClock clock (0xFFFFFFFFu - 1499);   // 1500 ms before the wrap
    SysExTransaction transaction (2000u);
    transaction.touch();

    clock.advance (1500 + 400);   // 400 ms after the wrap: 1900 ms of silence
    EXPECT_FALSE (transaction.hasTimedOut());

    clock.advance (200);          // 600 ms after the wrap: 2100 ms
    EXPECT_TRUE (transaction.hasTimedOut());
}

TEST (SysExTransactionTimeout, ClockGoingBackwardsCountsByMagnitude)
{
    ManualClock clock (100000);
    SysExTransaction transaction (2000u);
    transaction.touch();
    clock.setTime (100000 - 2001);
    EXPECT_TRUE (transaction.hasTimedOut());
}

TEST (SysExTransactionTimeout, MagnitudeComparisonOnLimits)
{
    EXPECT_FALSE (MillisecondClock::isLongerThan (2000, 0, 2000));
    EXPECT_TRUE (MillisecondClock::isLongerThan (2001, 0, 2000));
    EXPECT_TRUE (MillisecondClock::isLongerThan (0, 2001, 2000));
    EXPECT_TRUE (MillisecondClock::isLongerThan (0x80000000u, 0, 2000));   // most negative difference
    EXPECT_FALSE (MillisecondClock::isLongerThan (0x80000000u, 0, 0xFFFFFFFFu));
}

//==============================================================================
TEST (SysExTransactionState, WaitingWhileInFlightWhateverHappened)
{
    ManualClock clock;
    SysExTransaction transaction (100u);
    transaction.setInFlight (true);
    transaction.touch();
    clock.advance (101);
    ASSERT_TRUE (transaction.hasTimedOut());

    EXPECT_EQ (transaction.getRawState(), TransactionState::timedOut);
    EXPECT_EQ (transaction.getState(), TransactionState::waiting);

    transaction.setInFlight (false);
    EXPECT_EQ (transaction.getState(), TransactionState::timedOut);
}

TEST (SysExTransactionState, ConcurrentRepliesAndPolling)
{
    constexpr int expected = 2000;
    SysExTransaction transaction (60000u);
    transaction.setExpectedReplies (expected);
    transaction.setInFlight (true);
    transaction.touch();

    std::thread device ([&]
    {
        int completions = 0;

        for (int i = 0; i < expected + 10; ++i)
            completions += transaction.addReply (reply (0x78, (uint8_t) (i & 0x7F))) ? 1 : 0;

        EXPECT_EQ (completions, 1);
        transaction.setInFlight (false);
    });

    while (transaction.getState() == TransactionState::waiting)
    {
        EXPECT_FALSE (transaction.hasTimedOut());
        juce::MemoryBlock joined;
        transaction.joinReplies (joined);
        EXPECT_EQ (joined.getSize() % 9, 0u);
    }

    device.join();
    EXPECT_EQ (transaction.getState(), TransactionState::complete);
    EXPECT_EQ (transaction.getNumReplies(), expected);
}

TEST (SysExTransactionState, WaitForEndWakesWhenTheThreadLetsGoAndOnlyThen)
{
    // Each way a queued transaction can end, done by the processing thread.
    struct Ending { const char* how; std::function<void (SysExTransaction&)> end; };
    const Ending endings[] {
        { "answered",  [] (SysExTransaction& t) { t.addReply (reply (0x08, 1)); t.setInFlight (false); } },
        { "timed out", [] (SysExTransaction& t) { t.setState (TransactionState::timedOut); t.setInFlight (false); } },
        { "no reply",  [] (SysExTransaction& t) { t.setExpectedReplies (0); t.setState (TransactionState::complete); t.setInFlight (false); } },
    };

    for (const auto& ending : endings)
    {
        SysExTransaction transaction (2000u);
        transaction.setInFlight (true);

        // Still held by the thread: a short wait runs out.
        EXPECT_FALSE (transaction.waitForEnd (20)) << ending.how;

        const auto start = juce::Time::getMillisecondCounter();
        std::thread processing ([&] { juce::Thread::sleep (50); ending.end (transaction); });

        EXPECT_TRUE (transaction.waitForEnd (10000)) << ending.how;
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, 5000u) << ending.how;
        EXPECT_NE (transaction.getState(), TransactionState::waiting) << ending.how;
        processing.join();

        // Ended stays ended; queued again, it waits again.
        EXPECT_TRUE (transaction.waitForEnd (0)) << ending.how;
        transaction.setInFlight (true);
        EXPECT_FALSE (transaction.waitForEnd (0)) << ending.how;
    }

    // A completed reply while in flight is not yet the end.
    SysExTransaction held (2000u);
    held.setInFlight (true);
    held.addReply (reply (0x08, 1));
    EXPECT_FALSE (held.waitForEnd (10));
}

//==============================================================================
TEST (SysExTransactionOutput, JoinRepliesAppendsRawRepliesInOrder)
{
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (3);
    const auto first = reply (0x77, 1);
    const auto second = framed (3, 0x78, { 1, 2, 3, 4 });
    transaction.addReply (first);
    transaction.addReply (second);

    juce::MemoryBlock block ("ab", 2);
    transaction.joinReplies (block);

    auto expected = std::vector<uint8_t> { 'a', 'b' };

    for (const auto& message : { first, second })
        for (auto b : bytesOf (message))
            expected.push_back (b);

    const auto* data = static_cast<const uint8_t*> (block.getData());
    EXPECT_EQ ((std::vector<uint8_t> { data, data + block.getSize() }), expected);
}

TEST (SysExTransactionOutput, WriteRepliesReplacesFileAndCreatesFolders)
{
    ScratchFolder scratch ("codec-transaction-test");
    SysExTransaction transaction (2000u);
    transaction.setExpectedReplies (2);
    transaction.addReply (reply (0x7A, 5));
    transaction.addReply (reply (0x7C, 6));

    juce::MemoryBlock joined;
    transaction.joinReplies (joined);
    const auto* data = static_cast<const uint8_t*> (joined.getData());
    const std::vector<uint8_t> expected { data, data + joined.getSize() };

    const auto existing = scratch.folder.getChildFile ("cab.syx");
    ASSERT_TRUE (existing.replaceWithText (juce::String::repeatedString ("old contents ", 100)));
    ASSERT_TRUE (transaction.writeRepliesToFile (existing));
    EXPECT_EQ (fileBytes (existing), expected);

    const auto nested = scratch.folder.getChildFile ("run-usercabs/deeper/001-cab.syx");
    ASSERT_TRUE (transaction.writeRepliesToFile (nested));
    EXPECT_EQ (fileBytes (nested), expected);
}

TEST (SysExTransactionOutput, WriteWithoutRepliesMakesEmptyFile)
{
    ScratchFolder scratch ("codec-transaction-test");
    SysExTransaction transaction (2000u);
    const auto file = scratch.folder.getChildFile ("empty.syx");
    ASSERT_TRUE (file.replaceWithText ("something"));

    ASSERT_TRUE (transaction.writeRepliesToFile (file));
    EXPECT_TRUE (file.existsAsFile());
    EXPECT_EQ (file.getSize(), 0);
}

TEST (SysExTransactionOutput, WriteRefusesWhatCannotBecomeAFile)
{
    ScratchFolder scratch ("codec-transaction-test");
    SysExTransaction transaction (2000u);
    transaction.addReply (reply (0x7A, 5));

    const auto folder = scratch.folder.getChildFile ("a-folder");
    ASSERT_TRUE (folder.createDirectory().wasOk());
    EXPECT_FALSE (transaction.writeRepliesToFile (folder));

    const auto fileAsParent = scratch.folder.getChildFile ("plain");
    ASSERT_TRUE (fileAsParent.replaceWithText ("x"));
    EXPECT_FALSE (transaction.writeRepliesToFile (fileAsParent.getChildFile ("inside.syx")));
}

TEST (SysExTransactionOutput, FailedWriteLeavesTheFileItReplacesUntouched)
{
    ScratchFolder scratch ("codec-transaction-test");
    SysExTransaction transaction (2000u);
    const auto big = framed (3, 0x78, std::vector<uint8_t> (4000, 0x11));
    transaction.setExpectedReplies (10);

    for (int i = 0; i < 10; ++i)
        transaction.addReply (big);

    const auto file = scratch.folder.getChildFile ("250302-090507-bank-A.syx");
    const juce::String oldContents ("the bank backed up yesterday");
    ASSERT_TRUE (file.replaceWithText (oldContents));

    // The process may not write files past 1000 bytes (root included), so the new
    // 40 kB image fails half-way.
    bool written = true;
    {
        ScopedFileSizeLimit limit (1000);

        if (! limit.isActive())
            GTEST_SKIP() << ScopedFileSizeLimit::unsupportedReason();

        written = transaction.writeRepliesToFile (file);
    }

    EXPECT_FALSE (written);
    EXPECT_EQ (file.loadFileAsString(), oldContents);

    // Nothing half-written is left beside it.
    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*"), 1);
    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFiles, "*"), 1);

    // Once the disk takes it, the same call replaces the old file whole.
    ASSERT_TRUE (transaction.writeRepliesToFile (file));
    EXPECT_EQ (file.getSize(), 10 * big.getRawDataSize());
}
