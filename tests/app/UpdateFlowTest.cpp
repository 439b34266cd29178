#include "DialogFixture.h"
#include "support/EnvironmentVariable.h"
#include "support/LoopbackHttpServer.h"
#include "support/MessageLoop.h"
#include "support/TestDumps.h"
#include "support_gui/DialogWindowAnswerer.h"
#include "support_gui/SendDialogUser.h"

#include "app/DremlorApplication.h"
#include "app/HelpLinks.h"
#include "skin/SkinValues.h"
#include "update/VASAutoUpdate.h"

#include <map>

namespace
{
    /** The application with its quit request recorded instead of posted. */
    class RecordingApplication  : public DremlorApplication
    {
    public:
        void systemRequestedQuit() override     { ++quitRequests; }
        int quitRequests = 0;
    };

    /** Points the update server at a loopback server for one test. */
    struct ScopedUpdateServer
    {
        explicit ScopedUpdateServer (const juce::String& address)
            : previous (juce::SystemStats::getEnvironmentVariable ("DREMLOR_UPDATE_URL", {}))
        {
            EnvironmentVariable::set ("DREMLOR_UPDATE_URL", address.toRawUTF8());
        }

        ~ScopedUpdateServer()
        {
            if (previous.isEmpty())
                EnvironmentVariable::unset ("DREMLOR_UPDATE_URL");
            else
                EnvironmentVariable::set ("DREMLOR_UPDATE_URL", previous.toRawUTF8());
        }

        const juce::String previous;
    };

    juce::String feedOffering (const juce::String& compatibility, const juce::String& installer,
                               const juce::String& notes = {})
    {
        return "<rss><VERSION major=\"2\" minor=\"1\" revision=\"0\" compatibility=\"" + compatibility + "\">"
               "<win URL=\"" + installer + "\"/></VERSION>"
               + (notes.isNotEmpty() ? "<RELEASENOTES url=\"" + notes + "\"/>" : juce::String())
               + "</rss>";
    }
}

//==============================================================================
class UpdateFlow  : public DialogFixture
{
protected:
    static juce::String feedPath()      { return "/rss/qwzmplorktbvna/Dremlor/dremlor.xml"; }

    LoopbackHttpServer server;
    DialogWindowAnswerer dialogs;
};

TEST_F (UpdateFlow, AnUpdateThatCannotBeDownloadedHereIsReportedOnce)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    server.serve ("/notes.txt", LoopbackHttpServer::text ("Dremlor 2.1.0\n\n- Faster bank transfers to the Korrina Grand.\n"
                                                          "- Stompra Neo backups keep their date-and-time names.\n"
                                                          "- Fixes a rare hang when a MIDI port vanishes."));
    server.serve (feedPath(), LoopbackHttpServer::text (feedOffering ("false", server.getBaseAddress() + "/setup",
                                                                      server.getBaseAddress() + "/notes.txt")));
    dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d)
    {
        DialogWindowAnswerer::saveSnapshot (d, juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                                                   .getParentDirectory().getSiblingFile ("update-screenshots")
                                                   .getChildFile ("software-update-app.png"));
        DialogWindowAnswerer::clickButton (d, "infoOkayButton");
    });

    RecordingApplication app;
    app.initialise ({});

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() > 0; }, 10000));
    EXPECT_EQ (dialogs.countShown ("Software Update"), 1);
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::InfoIcon);
    EXPECT_EQ (boxes.getLastBox().message,
               "The available update must be installed manually.\n\nPlease contact the support team at "
               + HelpLinks::support().toString (false) + " to download the latest version.");
    EXPECT_EQ (server.countRequests ("/setup"), 0);
    EXPECT_EQ (app.quitRequests, 0);

    app.shutdown();
}

TEST_F (UpdateFlow, TheEndOfADownloadDecidesWhatTheUserSees)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    server.serve ("/setup", LoopbackHttpServer::bytes (2500));
    server.serve ("/short", [] { auto r = LoopbackHttpServer::bytes (2500); r.bytesToSend = 1000; return r; }());
    server.serve ("/stalled", [] { auto r = LoopbackHttpServer::bytes (90000); r.bytesToSend = 30000; r.holdOpen = true; return r; }());

    const auto folder = home.getChildFile ("installers");
    ASSERT_TRUE (folder.createDirectory());
    const auto notAFolder = home.getChildFile ("a-file");
    ASSERT_TRUE (notAFolder.replaceWithText ("x"));

    struct Case
    {
        const char* name;
        const char* path;
        juce::File chosen;
        bool cancel, startable;
        juce::String message;   // empty: no box, the installer starts and the program quits
    };

    const auto saved = folder.getChildFile ("setup.exe").getFullPathName();

    const Case cases[] = {
        { "complete",      "/setup",   folder,     false, true,  {} },
        { "cut short",     "/short",   folder,     false, true,  "Download error." },
        { "cancelled",     "/stalled", folder,     true,  true,  "Update canceled." },
        { "not writable",  "/setup",   notAFolder, false, true,  "The installer could not be saved in " + notAFolder.getFullPathName() + "." },
        { "not startable", "/setup",   folder,     false, false, "The installer " + saved + " could not be started." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        boxes.clear();

        // The last application's window took the skin manager with it.
        loadDefaultSkin();
        server.serve (feedPath(), LoopbackHttpServer::text (feedOffering ("true", server.getBaseAddress() + c.path)));
        dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d) { DialogWindowAnswerer::clickButton (d, "infoOkayButton"); });
        dialogs.onDialog ("Dremlor Update", [&c] (juce::DialogWindow& d)
        {
            if (c.cancel)
                DialogWindowAnswerer::clickButton (d, "progressCancelButton");
        });

        RecordingApplication app;
        juce::Array<juce::File> started;
        app.startInstaller = [&] (const juce::File& f) { started.add (f); return c.startable; };
        app.chooseInstallerFolder = [&] (const juce::File&) { return c.chosen; };
        app.initialise ({});

        ASSERT_NE (app.getAutoUpdate(), nullptr);
        ASSERT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() > 0 || app.quitRequests > 0; }, 10000));
        const auto installer = c.chosen.getChildFile (juce::String (c.path).substring (1) + ".exe");
        EXPECT_EQ (app.getAutoUpdate()->getInstallerPath(), installer.getFullPathName());

        if (c.message.isEmpty())
        {
            EXPECT_EQ (boxes.getNumBoxes(), 0);
            EXPECT_EQ (app.quitRequests, 1);
            EXPECT_EQ (started, juce::Array<juce::File> ({ installer }));
            EXPECT_EQ (installer.getSize(), 2500);
        }
        else
        {
            ASSERT_EQ (boxes.getNumBoxes(), 1);
            EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
            EXPECT_EQ (boxes.getLastBox().message, c.message);
            EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);

            // An installer that was saved but could not be started is left for the
            // user, who was told where it is; the program quits as after a start.
            EXPECT_EQ (app.quitRequests, c.startable ? 0 : 1);
            EXPECT_EQ (started.size(), c.startable ? 0 : 1);
            EXPECT_EQ (installer.existsAsFile(), ! c.startable);
        }

        // The updater remembered the folder in the dialog's settings.
        EXPECT_EQ (app.getMainWindow()->getDialog()->getSettings().getUserSettings()->getValue ("AUTO_UPDATE_DIR"),
                   c.chosen.getFullPathName());
        app.shutdown();
        installer.deleteFile();
    }
}

TEST_F (UpdateFlow, BothUpdateDialogsAreSizedToTheirPagesFromTheSkin)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    server.serve ("/stalled", [] { auto r = LoopbackHttpServer::bytes (90000); r.bytesToSend = 30000; r.holdOpen = true; return r; }());
    server.serve (feedPath(), LoopbackHttpServer::text (feedOffering ("true", server.getBaseAddress() + "/stalled")));

    struct Shown { juce::Rectangle<int> page, window; juce::BorderSize<int> border; };
    std::map<juce::String, Shown> shown;

    const auto record = [&shown] (juce::DialogWindow& d)
    {
        shown[d.getName()] = { d.getContentComponent()->getBounds(), d.getLocalBounds(), d.getContentComponentBorder() };
    };

    dialogs.onDialog ("Software Update", [&] (juce::DialogWindow& d)
    {
        record (d);
        DialogWindowAnswerer::clickButton (d, "infoOkayButton");
    });

    dialogs.onDialog ("Dremlor Update", [&] (juce::DialogWindow& d)
    {
        record (d);
        DialogWindowAnswerer::clickButton (d, "progressCancelButton");
    });

    const auto folder = home.getChildFile ("installers");
    ASSERT_TRUE (folder.createDirectory());

    RecordingApplication app;
    app.chooseInstallerFolder = [folder] (const juce::File&) { return folder; };
    app.initialise ({});
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() > 0; }, 10000));
    EXPECT_EQ (boxes.getLastBox().message, "Update canceled.");

    const auto* section = SkinValues::findChild (*SkinManager::getInstance()->skinXml, "AutoUpdateSkin");
    ASSERT_NE (section, nullptr);

    struct Case { const char* title; const char* width; const char* height; };
    const Case cases[] = {
        { "Software Update", "infoWidth",     "infoHeight" },
        { "Dremlor Update",  "progressWidth", "progressHeight" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.title);
        ASSERT_EQ (shown.count (c.title), 1u);
        const auto& s = shown[c.title];

        // The page keeps the skin's size and the window holds nothing else beside it.
        EXPECT_EQ (s.page, juce::Rectangle<int> (s.border.getLeft(), s.border.getTop(),
                                                 section->getIntAttribute (c.width), section->getIntAttribute (c.height)));
        EXPECT_EQ (s.window, s.border.addedTo (s.page));
    }

    app.shutdown();
}

TEST_F (UpdateFlow, NoFolderChosenClosesTheDownloadDialogSilently)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    server.serve (feedPath(), LoopbackHttpServer::text (feedOffering ("true", server.getBaseAddress() + "/setup")));
    dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d) { DialogWindowAnswerer::clickButton (d, "infoOkayButton"); });

    RecordingApplication app;
    app.chooseInstallerFolder = [] (const juce::File&) { return juce::File(); };
    app.initialise ({});
    MessageLoop::runFor (200);

    EXPECT_EQ (app.getAutoUpdate()->findParentComponentOfClass<juce::DialogWindow>(), nullptr);
    EXPECT_EQ (boxes.getNumBoxes(), 0);
    EXPECT_EQ (server.countRequests ("/setup"), 0);
    EXPECT_EQ (app.quitRequests, 0);
    app.shutdown();
}

TEST_F (UpdateFlow, StartUpNeverWaitsForTheUpdateServerAndQuitAbandonsTheCheck)
{
    juce::String closedAddress;

    {
        const LoopbackHttpServer closed;
        closedAddress = closed.getBaseAddress();
    }

    auto silent = LoopbackHttpServer::text ("<rss/>");
    silent.silent = true;
    server.serve (feedPath(), silent);

    // A refused connection ends the check quickly; a silent server keeps it running
    // until the application goes, which must not wait for it.
    const std::pair<juce::String, bool> cases[] = {
        { closedAddress,            false },
        { server.getBaseAddress(),  true },
    };

    for (const auto& [address, stuck] : cases)
    {
        SCOPED_TRACE (address);
        const ScopedUpdateServer updateServer (address);
        RecordingApplication app;

        auto start = juce::Time::getMillisecondCounter();
        app.initialise ({});
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, 1000u);

        ASSERT_NE (app.getMainWindow(), nullptr);
        EXPECT_TRUE (app.getMainWindow()->isShowing());
        ASSERT_NE (app.getAutoUpdate(), nullptr);
        EXPECT_EQ (MessageLoop::runUntil ([&] { return ! app.getAutoUpdate()->isCheckRunning(); }, 1500), ! stuck);

        start = juce::Time::getMillisecondCounter();
        app.shutdown();
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, 1000u);
    }

    EXPECT_EQ (dialogs.countShown ("Software Update"), 0);
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}

TEST_F (UpdateFlow, AnAnswerWaitsWhileAnAnsweredBoxIsStillOnTheScreen)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    server.serve (feedPath(), LoopbackHttpServer::text (feedOffering ("true", server.getBaseAddress() + "/setup")));
    dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d) { DialogWindowAnswerer::clickButton (d, "infoCancelButton"); });
    loadDefaultSkin();

    // A box that has just been answered: no longer modal, still on the screen until
    // the loop that showed it returns.
    auto box = std::make_unique<juce::AlertWindow> ("Dremlor", "Transfer complete!", juce::MessageBoxIconType::InfoIcon);
    box->addToDesktop (juce::ComponentPeer::windowIsTemporary);
    box->setVisible (true);

    RecordingApplication app;
    app.initialise ({});
    auto& updater = *app.getAutoUpdate();
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! updater.isCheckRunning(); }, 10000));
    MessageLoop::runFor (4 * VASAutoUpdate::offerRetryMs);
    EXPECT_TRUE (updater.isOfferWaiting());
    EXPECT_EQ (dialogs.countShown ("Software Update"), 0);

    box.reset();
    EXPECT_TRUE (MessageLoop::runUntil ([&] { return dialogs.countShown ("Software Update") == 1; }, 10000));
    app.shutdown();
}

TEST_F (UpdateFlow, TheUserIsBusyFromTheSendDialogsSendUntilTheSendRuns)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    const auto bank = home.getChildFile ("bank.syx");
    juce::Random random (5);
    const auto bytes = TestDumps::bankFile (DeviceModels::korrina, 0, random);
    ASSERT_TRUE (bank.replaceWithData (bytes.data(), bytes.size()));
    loadDefaultSkin();

    RecordingApplication app;
    app.initialise ({});
    auto& d = *app.getMainWindow()->getDialog();
    SendDialogUser user (d);

    // "Send" has ended the dialog's modal state; its loop has not returned yet and the
    // send has not started.
    bool busyAfterSend = false;
    user.onShown = [&] (DremlorDialog& dd)
    {
        dd.buttonClicked (dd.sendButton.get());
        busyAfterSend = app.isUserBusy();
    };

    d.chooseDevice (DeviceModels::korrina);
    ASSERT_TRUE (d.selectFile (bank.getFullPathName()));
    d.buttonClicked (d.transmitButton.get());
    EXPECT_EQ (user.titles.size(), 1);
    EXPECT_TRUE (busyAfterSend);
    EXPECT_TRUE (d.isTimerRunning (DremlorDialog::sendPollTimer));
    EXPECT_TRUE (app.isUserBusy());

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() > 0; }, 60000));
    app.shutdown();
}

TEST_F (UpdateFlow, AnAnswerWaitsForASendItsCompletionBoxAndAFileChooser)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    auto slowFeed = LoopbackHttpServer::text (feedOffering ("true", server.getBaseAddress() + "/setup"));
    slowFeed.pieceBytes = 40;     // in about a second, while the bank is being sent
    slowFeed.pauseMs = 200;
    server.serve (feedPath(), slowFeed);
    dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d) { DialogWindowAnswerer::clickButton (d, "infoCancelButton"); });

    const auto bank = home.getChildFile ("bank.syx");
    juce::Random random (5);
    const auto bytes = TestDumps::bankFile (DeviceModels::korrina, 0, random);
    ASSERT_TRUE (bank.replaceWithData (bytes.data(), bytes.size()));

    for (const bool sending : { true, false })
    {
        SCOPED_TRACE (sending ? "a send and its completion box" : "a file chooser, which is no modal component");
        loadDefaultSkin();
        const auto offers = dialogs.countShown ("Software Update");
        RecordingApplication app;
        app.initialise ({});
        auto& d = *app.getMainWindow()->getDialog();
        auto& updater = *app.getAutoUpdate();
        bool waited = false;

        const auto whileBusy = [&]
        {
            MessageLoop::runUntil ([&] { return ! updater.isCheckRunning(); }, 10000);
            MessageLoop::runFor (4 * VASAutoUpdate::offerRetryMs);
            waited = updater.isOfferWaiting() && dialogs.countShown ("Software Update") == offers;
        };

        if (sending)
        {
            SendDialogUser user (d);
            d.chooseDevice (DeviceModels::korrina);
            ASSERT_TRUE (d.selectFile (bank.getFullPathName()));
            d.buttonClicked (d.transmitButton.get());
            ASSERT_TRUE (MessageLoop::runUntil ([&] { return ! updater.isCheckRunning(); }, 10000));
            EXPECT_EQ (VASMidiProcessing::getInstance()->getSender().getState(), SendState::running);

            boxes.onBoxShown = [&] (const ModalBoxAnswerer::Box&) { whileBusy(); };
            ASSERT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() > 0; }, 30000));
            EXPECT_EQ (boxes.getLastBox().message, "Transfer complete!  The bank has been sent to the Korrina.");
        }
        else
        {
            d.chooseFileToSend = [&] (const juce::File&) { whileBusy(); return juce::File(); };
            d.selectFile ({});
        }

        EXPECT_TRUE (waited);
        EXPECT_TRUE (MessageLoop::runUntil ([&] { return dialogs.countShown ("Software Update") == offers + 1; }, MessageLoop::guardMs));
        app.shutdown();
    }
}

TEST_F (UpdateFlow, TheQuitAfterTheInstallerStartedAsksFirstWhileASendRuns)
{
    const ScopedUpdateServer updateServer (server.getBaseAddress());
    server.serve ("/setup", LoopbackHttpServer::bytes (2500));
    server.serve (feedPath(), LoopbackHttpServer::text (feedOffering ("true", server.getBaseAddress() + "/setup")));
    dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d) { DialogWindowAnswerer::clickButton (d, "infoOkayButton"); });

    // A send begins while the installer is being downloaded.
    auto& sender = VASMidiProcessing::getInstance()->getSender();
    dialogs.onDialog ("Dremlor Update", [&sender] (juce::DialogWindow&) { sender.setState (SendState::running); });

    RecordingApplication app;
    int started = 0;
    app.startInstaller = [&started] (const juce::File&) { return ++started == 1; };
    app.chooseInstallerFolder = [this] (const juce::File&) { return home; };
    boxes.pressNext ("Cancel");
    app.initialise ({});

    ASSERT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() > 0 || app.quitRequests > 0; }, 10000));
    EXPECT_EQ (boxes.getLastBox().message, "Closing the application will cancel the current transfer.");
    EXPECT_EQ (started, 1);
    EXPECT_EQ (app.quitRequests, 0);
    EXPECT_EQ (sender.getState(), SendState::running);

    sender.setState (SendState::idle);
    app.shutdown();
}

TEST (InstallerLaunch, ThePathReachesTheDesktopOpenerAsOnePlainArgument)
{
    const auto scratch = juce::File::createTempFile ("launch");
    ASSERT_TRUE (scratch.createDirectory());
    const auto bin = scratch.getChildFile ("bin");
    ASSERT_TRUE (bin.createDirectory());
    const auto record = scratch.getChildFile ("opened.txt");

    // A stand-in for the desktop's opener that writes down the one argument it got.
    const auto opener = bin.getChildFile ("xdg-open");
    ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"" + record.getFullPathName() + ".part\"\n"
                                         "/bin/mv \"" + record.getFullPathName() + ".part\" \"" + record.getFullPathName() + "\"\n",
                                         false, false, "\n"));
    ASSERT_TRUE (opener.setExecutePermission (true));

    // A folder name that a shell would run as commands.
    const auto folder = scratch.getChildFile ("a \"$(touch pwned)\" `touch pwned2` $HOME");
    ASSERT_TRUE (folder.createDirectory());
    const auto installer = folder.getChildFile ("setup.exe");
    ASSERT_TRUE (installer.replaceWithText ("x"));

    const auto previousPath = juce::SystemStats::getEnvironmentVariable ("PATH", {});
    const auto previousFolder = juce::File::getCurrentWorkingDirectory();
    scratch.setAsCurrentWorkingDirectory();

    EnvironmentVariable::set ("PATH", bin.getFullPathName().toRawUTF8());
    EXPECT_TRUE (DremlorApplication::openWithDesktop (installer));

    const auto deadline = juce::Time::getMillisecondCounter() + 5000;

    while (! record.existsAsFile() && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep (10);

    EXPECT_EQ (record.loadFileAsString(), "1|" + installer.getFullPathName());
    EXPECT_FALSE (scratch.getChildFile ("pwned").exists());
    EXPECT_FALSE (scratch.getChildFile ("pwned2").exists());

    // Without an opener on the PATH nothing can be started, and the caller hears so.
    EnvironmentVariable::set ("PATH", scratch.getChildFile ("nowhere").getFullPathName().toRawUTF8());
    EXPECT_FALSE (DremlorApplication::openWithDesktop (installer));

    EnvironmentVariable::set ("PATH", previousPath.toRawUTF8());
    previousFolder.setAsCurrentWorkingDirectory();
    scratch.deleteRecursively();
}
