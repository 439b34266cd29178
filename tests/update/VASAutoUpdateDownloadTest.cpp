#include "AutoUpdateFixture.h"

#include "skin/VASDrawableButton.h"

#include "WindowMinimiser.h"

namespace
{
    juce::Component* findNamed (juce::Component& parent, const juce::String& name)
    {
        for (auto* c : parent.getChildren())
            if (c->getName() == name)
                return c;

        return nullptr;
    }
}

//==============================================================================
class AutoUpdateDownload  : public AutoUpdateFixture
{
protected:
    /** Runs a check that the user accepts, for an installer served at this path. */
    VASAutoUpdate& acceptUpdate (const juce::String& installerPath)
    {
        serveFeed (feed ("2.0.10", "true", local (installerPath), {}));
        dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d)
        {
            DialogWindowAnswerer::clickButton (d, "infoOkayButton");
        });

        auto& u = makeUpdater();
        EXPECT_EQ (runCheck (u), VASAutoUpdate::downloadAccepted);
        u.addChangeListener (&ended);
        u.browseForFolder = [this] (const juce::File& start) { startFolders.add (start); return chosenFolder; };
        return u;
    }

    /** Launches the progress dialog and the download, as the application does. */
    bool startDownload (VASAutoUpdate& u)
    {
        launchProgressDialog (u);
        return u.downloadUpdate();
    }

    bool waitForEnd (int timeoutMs = 10000)
    {
        return MessageLoop::runUntil ([this] { return ended.count > 0; }, timeoutMs);
    }

    void SetUp() override
    {
        AutoUpdateFixture::SetUp();
        chosenFolder = home.getChildFile ("installers");
        chosenFolder.createDirectory();
    }

    EndListener ended;
    juce::File chosenFolder;
    juce::Array<juce::File> startFolders;
};

TEST_F (AutoUpdateDownload, AcceptedUpdateIsSavedWithExeAppendedAndTheDialogCloses)
{
    server.serve ("/files/setup.exe", LoopbackHttpServer::bytes (2500));
    auto& u = acceptUpdate ("/files/setup.exe?token=abc");

    ASSERT_TRUE (startDownload (u));
    EXPECT_EQ (startFolders, juce::Array<juce::File> ({ juce::File::getSpecialLocation (juce::File::userHomeDirectory) }));
    EXPECT_EQ (u.getInstallerPath(), chosenFolder.getChildFile ("setup.exe.exe").getFullPathName());
    EXPECT_EQ (settings->getValue (VASAutoUpdate::installerFolderKey), chosenFolder.getFullPathName());
    EXPECT_EQ (dialogs.countShown ("Dremlor Update"), 0);   // the answerer has not looked yet
    EXPECT_TRUE (MessageLoop::runUntil ([&] { return dialogs.countShown ("Dremlor Update") == 1; }, MessageLoop::guardMs));

    ASSERT_TRUE (waitForEnd());
    EXPECT_EQ (ended.count, 1);
    EXPECT_EQ (u.getDownloadResult(), VASAutoUpdateDownloadThread::written);
    EXPECT_EQ (u.getProgress(), 1.0);
    EXPECT_EQ (chosenFolder.getChildFile ("setup.exe.exe").getSize(), 2500);

    // The dialog goes once the message loop has dealt with its end.
    EXPECT_TRUE (MessageLoop::runUntil ([&] { return u.findParentComponentOfClass<juce::DialogWindow>() == nullptr; }, MessageLoop::guardMs));
}

TEST_F (AutoUpdateDownload, NoFolderChosenStartsNothing)
{
    auto& u = acceptUpdate ("/files/setup");
    chosenFolder = juce::File();

    launchProgressDialog (u);
    EXPECT_FALSE (u.downloadUpdate());
    EXPECT_EQ (u.getDownloadThread(), nullptr);
    EXPECT_FALSE (u.isTimerRunning (VASAutoUpdate::progressTimer));
    EXPECT_EQ (server.countRequests ("/files/setup"), 0);
}

TEST_F (AutoUpdateDownload, CancelButtonHidingAndServerFaultsEndTheDownload)
{
    auto stalled = LoopbackHttpServer::bytes (50000);
    stalled.bytesToSend = 20000;
    stalled.holdOpen = true;
    server.serve ("/stalled", stalled);

    auto dropped = LoopbackHttpServer::bytes (50000);
    dropped.bytesToSend = 20000;
    server.serve ("/dropped", dropped);

    enum How { cancelButton, hideDialog, none };

    struct Case { const char* name; const char* path; How how; int expected; };
    const Case cases[] = {
        { "cancel button",  "/stalled", cancelButton, VASAutoUpdateDownloadThread::cancelled },
        { "hidden dialog",  "/stalled", hideDialog,   VASAutoUpdateDownloadThread::cancelled },
        { "dropped",        "/dropped", none,         VASAutoUpdateDownloadThread::downloadError },
        { "not found",      "/missing", none,         VASAutoUpdateDownloadThread::downloadError },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ended.count = 0;
        auto& u = acceptUpdate (c.path);
        ASSERT_TRUE (startDownload (u));

        if (c.how != none)
        {
            ASSERT_TRUE (MessageLoop::runUntil ([&] { return u.getProgress() > 0.0; }, MessageLoop::guardMs));
            auto* dialog = u.findParentComponentOfClass<juce::DialogWindow>();
            ASSERT_NE (dialog, nullptr);

            if (c.how == cancelButton)
                DialogWindowAnswerer::clickButton (*dialog, "progressCancelButton");
            else
                dialog->setVisible (false);
        }

        ASSERT_TRUE (waitForEnd (5000));
        EXPECT_EQ (u.getDownloadResult(), c.expected);
        EXPECT_LT (u.getProgress(), 1.0);
        EXPECT_FALSE (chosenFolder.getChildFile (juce::String (c.path).substring (1) + ".exe").exists());
    }
}

TEST_F (AutoUpdateDownload, MinimisingTheDialogCancels)
{
    auto stalled = LoopbackHttpServer::bytes (50000);
    stalled.bytesToSend = 20000;
    stalled.holdOpen = true;
    server.serve ("/stalled", stalled);

    auto& u = acceptUpdate ("/stalled");
    ASSERT_TRUE (startDownload (u));
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return u.getProgress() > 0.0; }, MessageLoop::guardMs));

    auto* dialog = u.findParentComponentOfClass<juce::DialogWindow>();
    ASSERT_NE (dialog, nullptr);
    ASSERT_TRUE (WindowMinimiser::minimise (*dialog));
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return dialog->isMinimised(); }, MessageLoop::guardMs));

    ASSERT_TRUE (waitForEnd (5000));
    EXPECT_EQ (u.getDownloadResult(), VASAutoUpdateDownloadThread::cancelled);
}

TEST_F (AutoUpdateDownload, ShowsProcessingOnceEveryByteIsInAndNoLongerOffersCancel)
{
    auto stalled = LoopbackHttpServer::bytes (4 * 1024 * 1024);
    stalled.bytesToSend = 1700 * 1024;
    stalled.holdOpen = true;
    server.serve ("/big", stalled);

    auto& u = acceptUpdate ("/big");
    ASSERT_TRUE (startDownload (u));
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return u.getProgress() > 0.4; }, 30000));
    MessageLoop::runFor (300);

    auto* dialog = u.findParentComponentOfClass<juce::DialogWindow>();
    ASSERT_NE (dialog, nullptr);
    EXPECT_TRUE (DialogWindowAnswerer::saveSnapshot (*dialog, screenshotFolder().getChildFile ("dremlor-update-downloading.png")));

    auto* label = dynamic_cast<juce::Label*> (findNamed (u, "progressDownloadLabel"));
    auto* cancel = findNamed (u, "progressCancelButton");
    ASSERT_NE (label, nullptr);
    ASSERT_NE (cancel, nullptr);
    EXPECT_EQ (label->getText(), "Downloading update...");
    EXPECT_TRUE (cancel->isEnabled());

    // The thread is still running; the poll sees every byte received.
    u.setProgressForTesting (1.0);
    u.timerCallback (VASAutoUpdate::progressTimer);
    u.timerCallback (VASAutoUpdate::progressBarTimer);
    MessageLoop::runFor (200);

    EXPECT_EQ (label->getText(), "Processing...");
    EXPECT_FALSE (cancel->isEnabled());
    EXPECT_NEAR (cancel->getAlpha(), 0.3f, 0.01f);
    EXPECT_TRUE (DialogWindowAnswerer::saveSnapshot (*dialog, screenshotFolder().getChildFile ("dremlor-update-processing.png")));

    // The next check makes the button usable again (the forced "every byte in" taken
    // back first: on a busy machine the thread may not overwrite it before the poll).
    u.setProgressForTesting (0.5);
    serveFeed (feed ("2.0.2", "true", local ("/big"), {}));
    EXPECT_EQ (runCheck (u), VASAutoUpdate::noUpdate);
    EXPECT_TRUE (cancel->isEnabled());
    EXPECT_NEAR (cancel->getAlpha(), 1.0f, 0.01f);
}
