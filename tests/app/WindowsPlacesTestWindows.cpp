#include "app/DremlorApplication.h"
#include "app/DremlorSettings.h"
#include "support/EnvironmentVariable.h"
#include "support/MessageLoop.h"
#include "support_gui/GuiTestEnvironment.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winver.h>

namespace
{
    /** Whether the file is there, its size and when it last changed. */
    juce::String describe (const juce::File& file)
    {
        return juce::String ((int) file.existsAsFile()) + " " + juce::String (file.getSize()) + " "
             + juce::String (file.getLastModificationTime().toMilliseconds());
    }
}

// The settings file lives in "Vornhalt Audio\Dremlor" of the folder APPDATA names,
// which the test environment points at a folder of this test process: a value written
// is read back by the next run, and the user's own settings file, in the folder the
// shell reports, is left as it was. Without a usable APPDATA the shell's folder is used.
TEST (WindowsPlaces, SettingsLiveInTheApplicationDataFolderThatAppDataNames)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    const auto appData = juce::File (juce::SystemStats::getEnvironmentVariable ("APPDATA", {}));
    const auto shellFolder = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
    ASSERT_TRUE (appData.isAChildOf (home));
    ASSERT_NE (shellFolder, appData);

    const auto usersFile = shellFolder.getChildFile ("Vornhalt Audio").getChildFile ("Dremlor")
                                      .getChildFile ("Dremlor.settings");
    const auto usersFileBefore = describe (usersFile);
    const auto expected = appData.getChildFile ("Vornhalt Audio").getChildFile ("Dremlor")
                                 .getChildFile ("Dremlor.settings");
    const auto folder = home.getChildFile ("sent from here");
    ASSERT_TRUE (folder.createDirectory());

    {
        DremlorSettings settings;
        EXPECT_EQ (settings.makeOptions().getDefaultFile(), expected);
        settings.load();
        settings.saveSendDir (folder);
        ASSERT_TRUE (settings.saveIfNeeded());
    }

    EXPECT_TRUE (expected.existsAsFile());

    {
        DremlorSettings reloaded;
        reloaded.load();
        EXPECT_EQ (reloaded.getSendFolder(), folder);
    }

    EXPECT_EQ (describe (usersFile), usersFileBefore);

    // Only the folder is asked for here: nothing is written to the shell's folder.
    for (const auto* value : { "", "relative\\folder" })
    {
        SCOPED_TRACE (value);
        ASSERT_TRUE (*value == 0 ? EnvironmentVariable::unset ("APPDATA") : EnvironmentVariable::set ("APPDATA", value));
        EXPECT_EQ (DremlorSettings::getApplicationDataFolder(), shellFolder);
    }

    GuiTestEnvironment::useFreshHome();
}

// The downloaded installer is started by the Windows shell with its path as the file
// to open: a folder name with spaces, "&", "%", "$(" and quotes in it is no command.
// The stand-in installer (built beside the tests) marks that it ran.
TEST (WindowsPlaces, InstallerStartsWhateverItsFolderIsCalled)
{
    const auto standIn = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                             .getSiblingFile ("dremlor_installer_stand_in.exe");
    ASSERT_TRUE (standIn.existsAsFile());

    const auto root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("dremlor installer " + juce::Uuid().toString());
    const auto folder = root.getChildFile ("Tom & Jerry's 100% $(update) ; 'x'");
    ASSERT_TRUE (folder.createDirectory());

    const auto installer = folder.getChildFile ("setup.exe.exe");
    ASSERT_TRUE (standIn.copyFileTo (installer));
    const auto mark = installer.withFileExtension ("started");

    EXPECT_FALSE (DremlorApplication::openWithDesktop (folder.getChildFile ("missing.exe")));
    ASSERT_TRUE (DremlorApplication::openWithDesktop (installer));

    EXPECT_TRUE (MessageLoop::runUntil ([&] { return mark.existsAsFile(); }, 20000));
    EXPECT_EQ (mark.loadFileAsString(), "started");

    juce::Thread::sleep (200);
    root.deleteRecursively();
}

//==============================================================================
namespace
{
    /** The text of one entry of the version resource's first string table. */
    juce::String versionText (const std::vector<char>& info, const char* name)
    {
        struct Translation { WORD language, codePage; };
        Translation* translation = nullptr;
        UINT length = 0;

        if (! ::VerQueryValueW (info.data(), L"\\VarFileInfo\\Translation", (void**) &translation, &length)
            || length < sizeof (Translation))
            return {};

        const auto key = juce::String::formatted ("\\StringFileInfo\\%04x%04x\\", translation->language,
                                                  translation->codePage) + name;
        wchar_t* text = nullptr;

        if (! ::VerQueryValueW (info.data(), key.toWideCharPointer(), (void**) &text, &length) || length == 0)
            return {};

        return juce::String (text, (size_t) length);
    }
}

// Dremlor.exe (built beside the tests) carries the release's version, from the VERSION
// file: as its file and product version texts, and as the fixed file version number
// that installers compare.
TEST (WindowsPlaces, ProgramCarriesTheReleaseVersion)
{
    const auto program = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                             .getSiblingFile ("Dremlor.exe");
    ASSERT_TRUE (program.existsAsFile());

    const auto path = program.getFullPathName();
    DWORD ignored = 0;
    const auto size = ::GetFileVersionInfoSizeW (path.toWideCharPointer(), &ignored);
    ASSERT_GT (size, 0u);
    std::vector<char> info (size);
    ASSERT_TRUE (::GetFileVersionInfoW (path.toWideCharPointer(), 0, size, info.data()));

    const juce::String release (DREMLOR_RELEASE_VERSION);
    EXPECT_EQ (versionText (info, "FileVersion"), release);
    EXPECT_EQ (versionText (info, "ProductVersion"), release);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE (::VerQueryValueW (info.data(), L"\\", (void**) &fixed, &length));
    ASSERT_GE (length, sizeof (VS_FIXEDFILEINFO));
    const auto numbers = [] (DWORD high, DWORD low)
    {
        return juce::String (HIWORD (high)) + "." + juce::String (LOWORD (high)) + "." + juce::String (HIWORD (low));
    };
    EXPECT_EQ (numbers (fixed->dwFileVersionMS, fixed->dwFileVersionLS), release);
}
