// Reading a file a user named, or one a folder holds under a name the program chose:
// the size limit itself, and the Stompra dump file that a new dump is added to
// (the send page's refusals are in SendFileChoiceTest).

#include "app/DremlorDialog.h"
#include "app/RegularFileReader.h"
#include "support_gui/GuiTestEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST (RegularFileReader, ReadsUpToItsLimitAndRefusesOneByteMoreWithoutReading)
{
    const auto folder = GuiTestEnvironment::useFreshHome();
    const auto file = folder.getChildFile ("limit.syx");
    const auto limit = RegularFileReader::maxFileBytes;
    const juce::MemoryBlock untouched ("kept", 4);

    // A sparse file costs nothing to make; exactly at the limit every byte is read.
    ASSERT_TRUE (file.create().wasOk());
    ASSERT_EQ (::truncate (file.getFullPathName().toRawUTF8(), (off_t) limit), 0);
    {
        auto data = untouched;
        ASSERT_TRUE (RegularFileReader::read (file, data).wasOk());
        ASSERT_EQ ((juce::int64) data.getSize(), limit);
        EXPECT_EQ (data[0], 0);
        EXPECT_EQ (data[(size_t) limit - 1], 0);
    }

    ASSERT_EQ (::truncate (file.getFullPathName().toRawUTF8(), (off_t) limit + 1), 0);
    {
        auto data = untouched;
        const auto result = RegularFileReader::read (file, data);
        EXPECT_EQ (result.getErrorMessage(),
                   "\"" + file.getFullPathName() + "\" is too large (64.0 MB): no file for a device is larger than 64 MB.");
        EXPECT_EQ (data, untouched);
    }
}

TEST (StompraDumpFile, AnEntryThatIsNotARegularFileWhereTheDumpGoesIsRefusedAndLeftAlone)
{
    const auto folder = GuiTestEnvironment::useFreshHome().getChildFile ("dumps");
    ASSERT_TRUE (folder.createDirectory());
    const auto file = folder.getChildFile ("250302-090507-stompra.syx");
    const auto path = file.getFullPathName().toRawUTF8();

    juce::MidiBuffer dump;
    const juce::uint8 message[] = { 0xF0, 0x00, 0x6B, 0x2E, 0x04, 0x75, 0x01, 0x00, 0xF7 };
    dump.addEvent (message, (int) sizeof (message), 0);

    using Make = bool (*) (const char*);
    const struct { Make make; const char* says; } cases[] =
    {
        { [] (const char* p) { return ::mkfifo (p, 0600) == 0; },         " is a named pipe, not a file." },
        { [] (const char* p) { return ::symlink ("/dev/zero", p) == 0; }, " is a device, not a file." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.says);
        ASSERT_TRUE (c.make (path));

        const auto result = DremlorDialog::writeStompraDump (dump, file);
        EXPECT_EQ (result.getErrorMessage(), "\"" + file.getFullPathName() + "\"" + c.says);

        struct stat entry {};
        ASSERT_EQ (::lstat (path, &entry), 0);
        EXPECT_FALSE (S_ISREG (entry.st_mode)) << "replaced by the dump";
        EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1) << "a scratch file left behind";
        ASSERT_EQ (::unlink (path), 0);
    }
}
