// The Windows side of reading a file a user named: what a path names is told by the
// opened handle's type, so a pipe or a device is refused without a read that waits.

#include "app/RegularFileReader.h"
#include "support_gui/GuiTestEnvironment.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST (RegularFileReaderWindows, APipeADeviceAndAFolderAreRefusedAndAFileIsReadWhole)
{
    const auto folder = GuiTestEnvironment::useFreshHome();
    const auto file = folder.getChildFile ("preset.syx");
    const juce::MemoryBlock bytes ("\xF0\x00\x6B\x2E\x03\x77\xF7", 7);
    ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));

    juce::MemoryBlock data;
    ASSERT_TRUE (RegularFileReader::read (file, data).wasOk());
    EXPECT_EQ (data, bytes);

    // A pipe whose server never writes: a read would wait for ever. The framework's
    // File drops the "." of "\\.\pipe\..." as a folder of its own, so the file names
    // it by the other prefix of the same namespace.
    const auto name = "dremlor-reader-test-" + juce::String (juce::Random::getSystemRandom().nextInt64());
    const auto server = CreateNamedPipeW (("\\\\.\\pipe\\" + name).toWideCharPointer(), PIPE_ACCESS_OUTBOUND,
                                          PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE (server, INVALID_HANDLE_VALUE);
    const juce::File pipe ("\\\\?\\pipe\\" + name);

    const struct { juce::File named; const char* says; } cases[] =
    {
        { pipe,                               " is a named pipe, not a file." },
        { folder.getChildFile ("NUL"),        " is a device, not a file." },
        { folder,                             " is a folder, not a file." },
        { folder.getChildFile ("gone.syx"),   " does not exist." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.says);
        juce::MemoryBlock kept ("kept", 4);
        const auto result = RegularFileReader::read (c.named, kept);
        EXPECT_EQ (result.getErrorMessage(), "\"" + c.named.getFullPathName() + "\"" + c.says);
        EXPECT_EQ (kept, juce::MemoryBlock ("kept", 4));
    }

    CloseHandle (server);
}
