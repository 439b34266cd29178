#include "app/DremlorApplication.h"
#include "app/DremlorSettings.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>

// The settings file lives in the user's roaming application-data folder (APPDATA),
// and a value written there is read back by the next run.
TEST (WindowsPlaces, SettingsLiveInTheApplicationDataFolder)
{
    const auto* appData = std::getenv ("APPDATA");
    ASSERT_NE (appData, nullptr);

    const auto expected = juce::File (juce::String (appData)).getChildFile ("Vornhalt Audio")
                                                             .getChildFile ("Dremlor")
                                                             .getChildFile ("Dremlor.settings");
    expected.deleteFile();

    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("dremlor settings " + juce::Uuid().toString());
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

    folder.deleteRecursively();
    expected.deleteFile();
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
