#include "DialogFixture.h"
#include "support/LoopbackHttpServer.h"
#include "support/MessageLoop.h"
#include "support_gui/DialogWindowAnswerer.h"

#include "app/DremlorApplication.h"
#include "app/HelpLinks.h"
#include "skin/SkinValues.h"
#include "update/VASAutoUpdate.h"

#include <cstdlib>
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
            ::setenv ("DREMLOR_UPDATE_URL", address.toRawUTF8(), 1);
        }

        ~ScopedUpdateServer()
        {
            ::setenv ("DREMLOR_UPDATE_URL", previous.toRawUTF8(), 1);
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
        bool cancel;
        juce::String message;   // empty: no box, the installer starts and the program quits
    };

    const Case cases[] = {
        { "complete",      "/setup",   folder,     false, {} },
        { "cut short",     "/short",   folder,     false, "Download error." },
        { "cancelled",     "/stalled", folder,     true,  "Update canceled." },
        { "not writable",  "/setup",   notAFolder, false, "The installer could not be saved in " + notAFolder.getFullPathName() + "." },
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
        app.startInstaller = [&] (const juce::File& f) { started.add (f); };
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
            EXPECT_EQ (app.quitRequests, 0);
            EXPECT_TRUE (started.isEmpty());
            EXPECT_FALSE (installer.existsAsFile());
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

TEST_F (UpdateFlow, AnUnreachableServerLeavesStartUpQuickAndSilent)
{
    juce::String closedAddress;

    {
        const LoopbackHttpServer closed;
        closedAddress = closed.getBaseAddress();
    }

    const ScopedUpdateServer updateServer (closedAddress);
    RecordingApplication app;
    const auto start = juce::Time::getMillisecondCounter();
    app.initialise ({});
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 3000u);

    ASSERT_NE (app.getMainWindow(), nullptr);
    EXPECT_TRUE (app.getMainWindow()->isShowing());
    EXPECT_EQ (dialogs.countShown ("Software Update"), 0);
    EXPECT_EQ (boxes.getNumBoxes(), 0);
    app.shutdown();
}
