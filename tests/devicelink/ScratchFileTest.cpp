#include <thread>

#include <gtest/gtest.h>

#include "devicelink/ScratchFile.h"
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
