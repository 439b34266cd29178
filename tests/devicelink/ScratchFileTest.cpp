#include <thread>

#include <gtest/gtest.h>

#include "devicelink/ScratchFile.h"
#include "support/ScratchFolder.h"

TEST (ScratchFile, WritersOnSeveralThreadsAtOnceNeverShareAScratchFile)
{
    // The receive thread and the message thread name scratch files at the same time;
    // each writer creates the file it was given. A generator shared without a lock
    // hands two of them the same name (and ThreadSanitizer reports the race).
    ScratchFolder scratch ("scratch-file-test");
    const auto target = scratch.folder.getChildFile ("250302-090507-stompra.syx");
    constexpr int numThreads = 4, filesEach = 250;
    std::vector<std::thread> writers;

    for (int t = 0; t < numThreads; ++t)
        writers.emplace_back ([&target] { for (int i = 0; i < filesEach; ++i) ScratchFile::beside (target).create(); });

    for (auto& w : writers)
        w.join();

    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFiles), numThreads * filesEach);
}
