#pragma once

#include "skin/SkinManager.h"
#include "support/LoopbackHttpServer.h"
#include "support/MessageLoop.h"
#include "support_gui/DialogWindowAnswerer.h"
#include "support_gui/GuiTestEnvironment.h"
#include "support_gui/ModalBoxAnswerer.h"
#include "update/VASAutoUpdate.h"

#include <gtest/gtest.h>

#include <memory>

//==============================================================================
/**
    An updater for version 2.0.2 on a fresh home folder and settings file, with the
    default skin loaded and a loopback server standing in for the update server.
    Feeds are served at the path the updater asks for.
*/
class AutoUpdateFixture  : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = GuiTestEnvironment::useFreshHome();

        if (SkinManager::getInstance() == nullptr)
            SkinManager::allowNewInstanceForTesting();

        auto* skin = SkinManager::getInstance();
        ASSERT_NE (skin, nullptr);

        if (skin->skinXml == nullptr)
        {
            ASSERT_TRUE (skin->loadDefaultSkin (juce::File (SkinManager::getApplicationFolder())
                                                    .getChildFile ("Skin/DL.vexor").getFullPathName()));
        }

        juce::PropertiesFile::Options options;
        options.millisecondsBeforeSaving = -1;
        settings = std::make_unique<juce::PropertiesFile> (home.getChildFile ("test.settings"), options);
    }

    void TearDown() override
    {
        if (updater != nullptr)
            updater->closeProgressDialog();

        updater.reset();
        MessageLoop::runFor (50);
    }

    static void TearDownTestSuite()
    {
        delete SkinManager::getInstance();
    }

    VASAutoUpdate& makeUpdater()
    {
        updater = std::make_unique<VASAutoUpdate> (2, 0, 2, settings.get(), server.getBaseAddress());
        return *updater;
    }

    static juce::String feedPath()      { return "/rss/qwzmplorktbvna/Dremlor/dremlor.xml"; }

    /** Runs a check as the program does, through startCheck; -1 when no result came in time. */
    static int runCheck (VASAutoUpdate& u, int timeoutMs = 15000)
    {
        auto result = std::make_shared<int> (-1);
        u.startCheck ([result] (int r) { EXPECT_TRUE (juce::MessageManager::existsAndIsCurrentThread()); *result = r; });
        EXPECT_TRUE (u.isCheckRunning());    // returned before the network answered
        MessageLoop::runUntil ([result] { return *result >= 0; }, timeoutMs);
        return *result;
    }

    /** A feed offering a version; empty texts leave the element or attribute out. */
    static juce::String feed (const juce::String& version, const juce::String& compatibility,
                              const juce::String& installer, const juce::String& notes)
    {
        juce::StringArray parts;
        parts.addTokens (version, ".", {});

        juce::String xml ("<?xml version=\"1.0\"?>\n<rss>\n");

        if (version.isNotEmpty())
        {
            xml << "  <VERSION major=\"" << parts[0] << "\" minor=\"" << parts[1] << "\" revision=\"" << parts[2] << "\"";

            if (compatibility.isNotEmpty())
                xml << " compatibility=\"" << compatibility << "\"";

            xml << ">";

            if (installer.isNotEmpty())
                xml << "<win URL=\"" << installer << "\"/>";

            xml << "</VERSION>\n";
        }

        if (notes.isNotEmpty())
            xml << "  <RELEASENOTES url=\"" << notes << "\"/>\n";

        return xml + "</rss>\n";
    }

    void serveFeed (const juce::String& xml)
    {
        server.serve (feedPath(), LoopbackHttpServer::text (xml));
    }

    juce::String local (const juce::String& path) const
    {
        return server.getBaseAddress() + path;
    }

    /** Where the tests leave pictures of the dialogs. */
    static juce::File screenshotFolder()
    {
        return juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                   .getParentDirectory().getSiblingFile ("update-screenshots");
    }

    /** Shows the updater as the progress page of a "Dremlor Update" dialog. */
    static void launchProgressDialog (VASAutoUpdate& u)
    {
        juce::DialogWindow::LaunchOptions options;
        options.dialogTitle = "Dremlor Update";
        options.content.setNonOwned (&u);
        options.dialogBackgroundColour = juce::Colour (0xFFD3D3D3);
        options.useNativeTitleBar = true;
        options.resizable = false;
        VASAutoUpdate::launchDialog (options);
    }

    /** Counts the updater's change messages. */
    struct EndListener  : public juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override    { ++count; }
        int count = 0;
    };

    juce::File home;
    std::unique_ptr<juce::PropertiesFile> settings;
    LoopbackHttpServer server;
    DialogWindowAnswerer dialogs;
    ModalBoxAnswerer boxes;
    std::unique_ptr<VASAutoUpdate> updater;
};
