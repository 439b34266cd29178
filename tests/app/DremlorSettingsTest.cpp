#include "app/DremlorSettings.h"
#include "support/MessageLoop.h"
#include "support_gui/GuiTestEnvironment.h"
#include "support_gui/ModalBoxAnswerer.h"

#include <gtest/gtest.h>

namespace
{
    juce::File settingsFileIn (const juce::File& home)
    {
        return home.getChildFile (".config/Vornhalt Audio/Dremlor/Dremlor.settings");
    }

    void writeSettings (const juce::File& home, const juce::StringPairArray& values)
    {
        juce::XmlElement root ("PROPERTIES");

        for (auto& key : values.getAllKeys())
        {
            auto* value = root.createNewChildElement ("VALUE");
            value->setAttribute ("name", key);
            value->setAttribute ("val", values[key]);
        }

        const auto file = settingsFileIn (home);
        file.getParentDirectory().createDirectory();
        ASSERT_TRUE (root.writeTo (file));
    }

    std::unique_ptr<juce::XmlElement> readSettings (const juce::File& home)
    {
        return juce::parseXML (settingsFileIn (home));
    }

    juce::String storedValue (const juce::XmlElement& root, const juce::String& key)
    {
        for (auto* value : root.getChildWithTagNameIterator ("VALUE"))
            if (value->getStringAttribute ("name") == key)
                return value->getStringAttribute ("val");

        return "<missing>";
    }
}

//==============================================================================
TEST (DremlorSettings, FirstRunDefaultsBothFoldersToHomeAndWritesThemBack)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    DremlorSettings settings;
    settings.load();

    EXPECT_TRUE (settings.wasSendFolderDefaulted());
    EXPECT_EQ (settings.getSendFolder(), home);
    EXPECT_EQ (settings.getReceiveFolder(), home);

    auto* user = settings.getUserSettings();
    ASSERT_NE (user, nullptr);
    EXPECT_EQ (user->getValue ("SEND_DIR"), home.getFullPathName());
    EXPECT_EQ (user->getValue ("RCV_DIR"), home.getFullPathName());
    EXPECT_EQ (user->getFile(), settingsFileIn (home));

    // Nothing is on disk until the delayed save or saveIfNeeded.
    EXPECT_FALSE (settingsFileIn (home).exists());
    EXPECT_TRUE (settings.saveIfNeeded());

    const auto xml = readSettings (home);
    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("PROPERTIES"));
    EXPECT_EQ (storedValue (*xml, "SEND_DIR"), home.getFullPathName());
    EXPECT_EQ (storedValue (*xml, "RCV_DIR"), home.getFullPathName());
}

TEST (DremlorSettings, LaterRunTakesStoredFolders)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    const auto backups = home.getChildFile ("backups");
    ASSERT_TRUE (backups.createDirectory());

    juce::StringPairArray values;
    values.set ("SEND_DIR", "/nowhere/that/exists");
    values.set ("RCV_DIR", backups.getFullPathName());
    writeSettings (home, values);

    DremlorSettings settings;
    settings.load();

    EXPECT_FALSE (settings.wasSendFolderDefaulted());
    EXPECT_EQ (settings.getSendFolder(), juce::File ("/nowhere/that/exists"));
    EXPECT_EQ (settings.getReceiveFolder(), backups);
    EXPECT_EQ (settings.getUserSettings()->getValue ("SEND_DIR"), "/nowhere/that/exists");
}

TEST (DremlorSettings, VanishedOrMissingReceiveFolderFallsBackToHomeAndIsStored)
{
    for (const juce::String stored : { "/this/folder/was/deleted", "" })
    {
        const auto home = GuiTestEnvironment::useFreshHome();

        juce::StringPairArray values;
        values.set ("SEND_DIR", home.getChildFile ("sends").getFullPathName());
        values.set ("RCV_DIR", stored);
        writeSettings (home, values);

        DremlorSettings settings;
        settings.load();

        EXPECT_FALSE (settings.wasSendFolderDefaulted());
        EXPECT_EQ (settings.getReceiveFolder(), home) << stored;
        EXPECT_EQ (settings.getUserSettings()->getValue ("RCV_DIR"), home.getFullPathName()) << stored;
    }
}

TEST (DremlorSettings, UnreadableFileReadsAsFirstRun)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    settingsFileIn (home).getParentDirectory().createDirectory();
    ASSERT_TRUE (settingsFileIn (home).replaceWithText ("<PROPERTIES><VALUE name=\"SEND_DIR\" val="));

    DremlorSettings settings;
    settings.load();

    EXPECT_TRUE (settings.wasSendFolderDefaulted());
    EXPECT_EQ (settings.getSendFolder(), home);
    EXPECT_EQ (settings.getReceiveFolder(), home);
}

TEST (DremlorSettings, ChosenFoldersSurviveARestart)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    const auto sends = home.getChildFile ("sends");
    const auto backups = home.getChildFile ("backups");
    ASSERT_TRUE (backups.createDirectory());

    {
        DremlorSettings settings;
        settings.load();
        settings.saveSendDir (sends);
        settings.saveReceiveDir (backups);
        EXPECT_EQ (settings.getSendFolder(), sends);
        EXPECT_EQ (settings.getReceiveFolder(), backups);
        EXPECT_TRUE (settings.saveIfNeeded());
    }

    DremlorSettings again;
    again.load();
    EXPECT_FALSE (again.wasSendFolderDefaulted());
    EXPECT_EQ (again.getSendFolder(), sends);
    EXPECT_EQ (again.getReceiveFolder(), backups);
}

TEST (DremlorSettings, ChangeIsWrittenAboutThreeSecondsLater)
{
    const auto home = GuiTestEnvironment::useFreshHome();
    DremlorSettings settings;
    settings.load();

    MessageLoop::runFor (2000);
    EXPECT_FALSE (settingsFileIn (home).exists());

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return settingsFileIn (home).exists(); }, MessageLoop::guardMs));
    EXPECT_EQ (storedValue (*readSettings (home), "RCV_DIR"), home.getFullPathName());
}

TEST (DremlorSettings, SaveFailureIsReported)
{
    const auto home = GuiTestEnvironment::useFreshHome();

    // A plain file where the settings folder should be makes the write impossible.
    ASSERT_TRUE (home.getChildFile (".config/Vornhalt Audio").createDirectory());
    ASSERT_TRUE (home.getChildFile (".config/Vornhalt Audio/Dremlor").replaceWithText ("in the way"));

    DremlorSettings settings;
    settings.load();
    EXPECT_FALSE (settings.saveIfNeeded());
}

TEST (DremlorSettings, DateTimeNameIsTwoDigitDateDashTime)
{
    EXPECT_EQ (DremlorSettings::makeDateTimeName (juce::Time (2025, 2, 2, 9, 5, 7)), "250302-090507");
    EXPECT_EQ (DremlorSettings::makeDateTimeName (juce::Time (2024, 0, 31, 23, 59, 59)), "240131-235959");
    EXPECT_EQ (DremlorSettings::makeDateTimeName().length(), 13);
}
