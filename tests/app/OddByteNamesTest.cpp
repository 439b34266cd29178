// A folder may hold names whose bytes are not UTF-8 (copied from a Latin-1 machine, cut
// short): an overlong zero, an overlong three-byte form, a name that ends in a lead byte,
// a Latin-1 one. Clearing a target's leftover scratch files leaves them alone, and every
// way of listing the folder finds each under a name that opens it: the directory
// iterator, and the chooser's own list, with and without its *.syx filter, and its file
// name box, which Open takes. Linux only: Windows names files in UTF-16, where no such
// name exists (this file is not part of the Windows build's tests).

#include "devicelink/ScratchFile.h"
#include "support/MessageLoop.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace
{
    /** Each file holds its own name's bytes, so what a listed file holds says which it is. */
    const std::vector<std::string> oddNames { "a\xc0\x80" "b bank 1 preset 2.syx", "\xe0\x80\x81.syx",
                                              "end\xf0", "caf\xe9.syx" };

    std::string contentOf (const juce::File& file)
    {
        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return bytes.isEmpty() ? std::string() : std::string (static_cast<const char*> (bytes.getData()), bytes.getSize());
    }
}

TEST (OddByteNames, EveryListingFindsEachFileUnderANameThatOpensIt)
{
    ScratchFolder scratch ("odd-byte-names");

    for (const auto& name : oddNames)
    {
        // Made through the standard library on the raw bytes: the framework is the thing under test.
        std::ofstream file (scratch.folder.getFullPathName().toStdString() + "/" + name, std::ios::binary);
        ASSERT_TRUE (file << name) << name;
    }

    const auto target = scratch.folder.getChildFile ("250302-090507-stompra.syx");
    ASSERT_TRUE (ScratchFile::beside (target).create());
    EXPECT_TRUE (ScratchFile::removeLeftovers (target));

    const juce::WildcardFileFilter syxFiles ("*.syx", "*", "SysEx files");
    juce::FileBrowserComponent browser (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                                        scratch.folder, nullptr, nullptr);

    // listing | through the chooser's list | its filter (the .syx names only, or all)
    const std::tuple<const char*, bool, const juce::FileFilter*> rows[] =
    {
        { "directory iterator", false, nullptr },
        { "chooser's list",     true,  nullptr },
        { "chooser's *.syx",    true,  &syxFiles },
    };

    for (const auto& [listing, chooser, filter] : rows)
    {
        juce::Array<juce::File> files;

        if (! chooser)
        {
            for (const auto& entry : juce::RangedDirectoryIterator (scratch.folder, false, "*", juce::File::findFiles))
                files.add (entry.getFile());
        }
        else
        {
            juce::TimeSliceThread thread ("chooser listing");
            thread.startThread();
            juce::DirectoryContentsList list (filter, thread);
            list.setDirectory (scratch.folder, false, true);
            ASSERT_TRUE (MessageLoop::runUntil ([&list] { return ! list.isStillLoading(); }));

            for (int i = 0; i < list.getNumFiles(); ++i)
                files.add (list.getFile (i));
        }

        std::vector<std::string> found, expected;

        for (const auto& file : files)
        {
            found.push_back (contentOf (file));
            browser.setFileName (file.getFileName());
            EXPECT_TRUE (browser.currentFileIsValid()) << listing;
            EXPECT_EQ (contentOf (browser.getSelectedFile (0)), found.back()) << listing;
        }

        for (const auto& name : oddNames)
            if (filter == nullptr || name.compare (name.size() - 4, std::string::npos, ".syx") == 0)
                expected.push_back (name);

        std::sort (found.begin(), found.end());
        std::sort (expected.begin(), expected.end());
        EXPECT_EQ (found, expected) << listing;
    }
}
