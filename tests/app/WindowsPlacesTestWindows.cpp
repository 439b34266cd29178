#include "app/DremlorApplication.h"
#include "app/DremlorSettings.h"
#include "support/MessageLoop.h"
#include "support_gui/GuiTestEnvironment.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winver.h>

// The settings file lives in "Vornhalt Audio\Dremlor" of the folder APPDATA names,
// which the test environment points at a folder of this test process, away from the
// shell's folder that holds the user's own settings: a value written is read back by
// the next run.
TEST (WindowsPlaces, SettingsLiveInTheApplicationDataFolderThatAppDataNames)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    const auto appData = juce::File (juce::SystemStats::getEnvironmentVariable ("APPDATA", {}));
    const auto shellFolder = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
    ASSERT_TRUE (appData.isAChildOf (home));
    ASSERT_NE (shellFolder, appData);

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

    DremlorSettings reloaded;
    reloaded.load();
    EXPECT_EQ (reloaded.getSendFolder(), folder);
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

// Dremlor.exe (built beside the tests) carries the release's version, from the VERSION
// file, in all four places Explorer shows and installers compare: the file and product
// version numbers (a part the release leaves out is 0) and the texts of the same names.
TEST (WindowsPlaces, ProgramCarriesTheReleaseVersion)
{
    const auto path = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                          .getSiblingFile ("Dremlor.exe").getFullPathName();
    DWORD ignored = 0;
    std::vector<char> info (::GetFileVersionInfoSizeW (path.toWideCharPointer(), &ignored));
    ASSERT_FALSE (info.empty());
    ASSERT_TRUE (::GetFileVersionInfoW (path.toWideCharPointer(), 0, (DWORD) info.size(), info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE (::VerQueryValueW (info.data(), L"\\", (void**) &fixed, &length));
    ASSERT_GE (length, sizeof (VS_FIXEDFILEINFO));

    auto parts = juce::StringArray::fromTokens (DREMLOR_RELEASE_VERSION, ".", {});
    while (parts.size() < 4)
        parts.add ("0");
    const auto number = [] (DWORD high, DWORD low)
    {
        return juce::StringArray { juce::String (HIWORD (high)), juce::String (LOWORD (high)),
                                   juce::String (HIWORD (low)), juce::String (LOWORD (low)) }.joinIntoString (".");
    };
    EXPECT_EQ (number (fixed->dwFileVersionMS, fixed->dwFileVersionLS), parts.joinIntoString ("."));
    EXPECT_EQ (number (fixed->dwProductVersionMS, fixed->dwProductVersionLS), parts.joinIntoString ("."));

    // The texts are in the string table of the resource's first language and code page.
    WORD* translation = nullptr;
    ASSERT_TRUE (::VerQueryValueW (info.data(), L"\\VarFileInfo\\Translation", (void**) &translation, &length));
    ASSERT_GE (length, 2 * sizeof (WORD));
    const auto table = "\\StringFileInfo\\" + juce::String::toHexString (translation[0]).paddedLeft ('0', 4)
                         + juce::String::toHexString (translation[1]).paddedLeft ('0', 4) + "\\";

    for (const auto* name : { "FileVersion", "ProductVersion" })
    {
        wchar_t* text = nullptr;
        EXPECT_TRUE (::VerQueryValueW (info.data(), (table + name).toWideCharPointer(), (void**) &text, &length)) << name;
        EXPECT_EQ (juce::String (text != nullptr ? text : L""), juce::String (DREMLOR_RELEASE_VERSION)) << name;
    }
}
