#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "devicelink/ScratchFile.h"
#include "support/OddByteNames.h"
#include "support/ScratchFolder.h"

TEST (ScratchFile, WritersOnSeveralThreadsAtOnceNeverShareAScratchFile)
{
    // Writers at once, as the receive thread and the message thread are: an unguarded
    // generator hands two of them the same name (and ThreadSanitizer reports the race).
    ScratchFolder scratch ("scratch-file-test");
    const auto target = scratch.folder.getChildFile ("250302-090507-stompra.syx");
    std::vector<std::thread> writers;

    for (int t = 0; t < 4; ++t)
        writers.emplace_back ([&target] { for (int i = 0; i < 250; ++i) ScratchFile::beside (target).create(); });

    for (auto& w : writers)
        w.join();

    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFiles), 4 * 250);
}

TEST (ScratchFile, LeftoversGoAndNamesThatAreNotUtf8StayWhereTheyAre)
{
    // The folder a backup is saved to may hold names of any bytes (copied from a
    // Latin-1 machine, cut short). Clearing the leftovers of a write lists it: every
    // such file must stay, and a listing must find each under a name that opens it.
    if (*OddByteNames::unsupportedReason() != 0)
        GTEST_SKIP() << OddByteNames::unsupportedReason();

    ScratchFolder scratch ("scratch-file-odd-names");
    ASSERT_TRUE (OddByteNames::createIn (scratch.folder));
    const auto target = scratch.folder.getChildFile ("250302-090507-stompra.syx");
    ASSERT_TRUE (ScratchFile::beside (target).create());

    EXPECT_TRUE (ScratchFile::removeLeftovers (target));

    std::vector<std::string> listed;

    for (const auto& entry : juce::RangedDirectoryIterator (scratch.folder, false, "*", juce::File::findFiles))
    {
        EXPECT_TRUE (entry.getFile().existsAsFile());
        listed.push_back (OddByteNames::contentOf (entry.getFile()));
    }

    auto expected = OddByteNames::all();
    std::sort (listed.begin(), listed.end());
    std::sort (expected.begin(), expected.end());
    EXPECT_EQ (listed, expected);
}
