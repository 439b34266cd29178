#include "AutoUpdateFixture.h"

#include "skin/SkinValues.h"
#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"
#include "update/UpdateNetwork.h"

namespace
{
    template <typename Type>
    Type* child (juce::Component& parent, const juce::String& name)
    {
        for (auto* c : parent.getChildren())
            if (c->getName() == name)
                return dynamic_cast<Type*> (c);

        return nullptr;
    }

    juce::String labelText (juce::Component& parent, const juce::String& name)
    {
        auto* label = child<juce::Label> (parent, name);
        return label != nullptr ? label->getText() : "<missing>";
    }

    /** The longest the message thread went without serving a 10 ms timer while this lived. */
    struct StallMeter  : private juce::Timer
    {
        StallMeter()                    { startTimer (10); }
        ~StallMeter() override          { stopTimer(); }
        juce::uint32 longestMs() const  { return juce::jmax (longest, juce::Time::getMillisecondCounter() - last); }
        void timerCallback() override   { longest = longestMs(); last = juce::Time::getMillisecondCounter(); }
        juce::uint32 last = juce::Time::getMillisecondCounter(), longest = 0;
    };
}

//==============================================================================
using AutoUpdateCheck = AutoUpdateFixture;

TEST_F (AutoUpdateCheck, LaysBothPagesOutFromTheSkin)
{
    auto& u = makeUpdater();
    const auto* section = SkinValues::findChild (*SkinManager::getInstance()->skinXml, "AutoUpdateSkin");
    ASSERT_NE (section, nullptr);

    EXPECT_EQ (u.getWidth(), section->getIntAttribute ("progressWidth"));
    EXPECT_EQ (u.getHeight(), section->getIntAttribute ("progressHeight"));
    ASSERT_NE (u.getInfoPage(), nullptr);
    auto& info = *u.getInfoPage();
    EXPECT_EQ (info.getName(), "Update Info");
    EXPECT_EQ (info.getWidth(), section->getIntAttribute ("infoWidth"));
    EXPECT_EQ (info.getHeight(), section->getIntAttribute ("infoHeight"));

    EXPECT_EQ (labelText (u, "progressDownloadLabel"), "Downloading update...");
    EXPECT_EQ (labelText (info, "infoButtonLabel"), "Click OK to download and install the update.");
    EXPECT_EQ (labelText (info, "infoLabel"), "");
    EXPECT_NE (child<VASDrawableButton> (u, "progressCancelButton"), nullptr);
    EXPECT_NE (child<VASDrawableButton> (info, "infoOkayButton"), nullptr);
    EXPECT_NE (child<VASDrawableButton> (info, "infoCancelButton"), nullptr);

    // The bar takes its place and colours from the widget's attributes.
    const juce::XmlElement* barWidget = nullptr;

    for (auto* w : section->getChildWithTagNameIterator ("Widget"))
        if (w->getStringAttribute ("name") == "progressBar")
            barWidget = w;

    ASSERT_NE (barWidget, nullptr);
    juce::ProgressBar* bar = nullptr;

    for (auto* c : u.getChildren())
        if (auto* b = dynamic_cast<juce::ProgressBar*> (c))
            bar = b;

    ASSERT_NE (bar, nullptr);
    EXPECT_EQ (bar->getBounds(), VASAutoUpdate::parseRectangle (barWidget->getStringAttribute ("bounds")));
    EXPECT_EQ (bar->findColour (juce::ProgressBar::foregroundColourId),
               juce::Colour (SkinValues::parseColour (barWidget->getStringAttribute ("foregroundColor"))));

    juce::TextEditor* notes = nullptr;

    for (auto* c : info.getChildren())
        if (auto* e = dynamic_cast<juce::TextEditor*> (c))
            notes = e;

    ASSERT_NE (notes, nullptr);
    EXPECT_TRUE (notes->isReadOnly());
    EXPECT_TRUE (notes->isMultiLine());
    EXPECT_EQ (notes->findColour (juce::TextEditor::outlineColourId), juce::Colour (0xFF000000));

    for (auto* c : info.getChildren())
        EXPECT_TRUE (c->isVisible()) << c->getName();
}

TEST_F (AutoUpdateCheck, FeedAddressLivesUnderTheUpdateServer)
{
    const std::pair<const char*, const char*> cases[] = {
        { "https://update.dremlor.example",   "https://update.dremlor.example/rss/qwzmplorktbvna/Dremlor/dremlor.xml" },
        { "https://mirror.example.org/",      "https://mirror.example.org/rss/qwzmplorktbvna/Dremlor/dremlor.xml" },
        { " http://127.0.0.1:8080 ",          "http://127.0.0.1:8080/rss/qwzmplorktbvna/Dremlor/dremlor.xml" },
    };

    for (const auto& [serverAddress, feedAddress] : cases)
    {
        VASAutoUpdate u (2, 0, 2, settings.get(), serverAddress);
        EXPECT_EQ (u.getFeedAddress().toString (true), feedAddress);
    }
}

TEST_F (AutoUpdateCheck, AnswersAfterTheFeedAndTheUsersChoice)
{
    server.serve ("/notes.txt", LoopbackHttpServer::text ("Fixes."));
    const auto installer = local ("/files/setup?x=1");
    const auto notes = local ("/notes.txt");
    const auto longInstaller = local ("/") + juce::String::repeatedString ("x", 1000000 - local ("/").length());
    const auto longQuery = local ("/setup?") + juce::String::repeatedString ("a&amp;", 32768);   // "a&a&..." once read

    enum Action { none, ok, cancel, escape, close };

    struct Case
    {
        const char* name;
        juce::String feedText;
        Action action;
        int expected;
    };

    const Case cases[] = {
        { "equal",                   feed ("2.0.2", "true", installer, notes),  none,   0 },
        { "older",                   feed ("1.9.9", "true", installer, notes),  none,   0 },
        { "no VERSION",              feed ("", "", "", notes),                  none,   0 },
        { "not XML",                 "<html><body>Not found",                   none,   0 },
        { "newer revision, OK",      feed ("2.0.10", "true", installer, notes), ok,     1 },
        { "newer minor, compat 1",   feed ("2.1.0", "1", installer, notes),     ok,     1 },
        { "newer major",             feed ("3.0.0", "yes", installer, notes),   ok,     1 },
        { "compatibility missing",   feed ("2.0.10", "", installer, notes),     ok,     3 },
        { "compatibility false",     feed ("2.0.10", "false", installer, notes), ok,    3 },
        { "no win element",          feed ("2.0.10", "true", "", notes),        ok,     3 },
        { "installer over http",     feed ("2.0.10", "true", "http://downloads.dremlor.example/setup", notes), ok, 3 },
        { "address of 10^6 chars",   feed ("2.0.10", "true", longInstaller, notes), cancel, 2 },
        { "query of 2^15 &s",        feed ("2.0.10", "true", longQuery, notes),     ok,     3 },   // too long to fetch
        { "Cancel",                  feed ("2.0.10", "true", installer, notes), cancel, 2 },
        { "Escape",                  feed ("2.0.10", "true", installer, notes), escape, 2 },
        { "close button",            feed ("2.0.10", "false", installer, notes), close, 2 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        serveFeed (c.feedText);
        const auto shownBefore = dialogs.countShown ("Software Update");
        const auto notesBefore = server.countRequests ("/notes.txt");
        juce::String shownInfo;
        const StallMeter* stall = nullptr;
        juce::uint32 stallUntilAsked = 0;

        dialogs.onDialog ("Software Update", [&] (juce::DialogWindow& d)
        {
            shownInfo = labelText (*d.getContentComponent(), "infoLabel");
            stallUntilAsked = stall->longestMs();

            if (c.action == ok)          DialogWindowAnswerer::clickButton (d, "infoOkayButton");
            else if (c.action == cancel) DialogWindowAnswerer::clickButton (d, "infoCancelButton");
            else if (c.action == escape) static_cast<juce::Component&> (d).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
            else                         d.closeButtonPressed();
        });

        // The message thread takes the installer's name from the address, which may be as
        // long as the feed, before it asks (what the dialog takes after that is Wine's).
        auto& u = makeUpdater();
        const StallMeter meter;
        stall = &meter;
        EXPECT_EQ (runCheck (u), c.expected);
        EXPECT_LT (c.action != none ? stallUntilAsked : meter.longestMs(), 1000u);

        const bool asked = c.action != none;
        EXPECT_EQ (dialogs.countShown ("Software Update") - shownBefore, asked ? 1 : 0);
        EXPECT_EQ (server.countRequests ("/notes.txt") - notesBefore, asked ? 1 : 0);

        if (asked)
        {
            const UpdateFeed::Version offered = u.getFeed().available;
            EXPECT_EQ (shownInfo, "Version " + offered.toString() + " is available. You have version 2.0.2 installed.");
            EXPECT_EQ (u.getInfoText(), shownInfo);
        }
    }

    EXPECT_EQ (updater->getInstallerFileName(), "setup");
}

TEST_F (AutoUpdateCheck, AnOfferWaitsUntilTheUserMayBeAskedWithoutAskingHot)
{
    serveFeed (feed ("2.0.10", "true", local ("/setup"), {}));
    dialogs.onDialog ("Software Update", [] (juce::DialogWindow& d) { DialogWindowAnswerer::clickButton (d, "infoOkayButton"); });

    // The user is busy until the fifth question; the questions come at the retry interval.
    auto& u = makeUpdater();
    int questions = 0;
    u.canAskUser = [&questions] { return ++questions == 5; };
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_EQ (runCheck (u), VASAutoUpdate::downloadAccepted);
    EXPECT_GE (juce::Time::getMillisecondCounter() - start, (juce::uint32) (4 * VASAutoUpdate::offerRetryMs));
    EXPECT_EQ (questions, 5);
}

TEST_F (AutoUpdateCheck, WithoutTheSkinsUpdateSectionNothingIsOffered)
{
    serveFeed (feed ("3.0.0", "true", local ("/setup"), {}));
    auto* skin = SkinManager::getInstance();
    auto description = std::move (skin->skinXml);

    VASAutoUpdate u (2, 0, 2, settings.get(), server.getBaseAddress());
    skin->skinXml = std::move (description);

    EXPECT_EQ (u.getInfoPage(), nullptr);
    EXPECT_EQ (u.getNumChildComponents(), 0);
    EXPECT_EQ (runCheck (u), VASAutoUpdate::noUpdate);
    EXPECT_EQ (dialogs.countShown ("Software Update"), 0);
}

TEST_F (AutoUpdateCheck, ReleaseNotesAreShownAsPlainTextUnlessTheyAreHtml)
{
    server.serve ("/plain.txt", LoopbackHttpServer::text ("Line one\nLine <b>two</b>"));
    server.serve ("/page.html", LoopbackHttpServer::text ("<!DOCTYPE x>\n<html><body>notes</body></html>"));
    server.serve ("/upper.txt", LoopbackHttpServer::text ("<HTML>shouting</HTML>"));

    const std::pair<juce::String, juce::String> cases[] = {
        { local ("/plain.txt"),   "Line one\nLine <b>two</b>" },
        { local ("/page.html"),   "No release notes available." },
        { local ("/upper.txt"),   "<HTML>shouting</HTML>" },
        { local ("/missing.txt"), "" },                              // unreachable: an empty editor
        { {},                     "No release notes available." },   // no RELEASENOTES at all
    };

    for (const auto& [address, shown] : cases)
    {
        const auto notesAddress = address;
        serveFeed (feed ("2.0.3", "true", local ("/setup"), notesAddress));
        juce::String editorText;

        dialogs.onDialog ("Software Update", [&] (juce::DialogWindow& d)
        {
            for (auto* c : d.getContentComponent()->getChildren())
                if (auto* e = dynamic_cast<juce::TextEditor*> (c))
                    editorText = e->getText();

            if (notesAddress == local ("/plain.txt"))
            {
                EXPECT_TRUE (DialogWindowAnswerer::saveSnapshot (d, screenshotFolder().getChildFile ("software-update.png")));
            }

            DialogWindowAnswerer::clickButton (d, "infoCancelButton");
        });

        EXPECT_EQ (runCheck (makeUpdater()), VASAutoUpdate::declined) << notesAddress;
        EXPECT_EQ (editorText, shown) << notesAddress;
        EXPECT_EQ (updater->getReleaseNotes(), shown) << notesAddress;
    }
}

TEST_F (AutoUpdateCheck, UnreachableRefusingAndSilentHostsGiveNoUpdateInTime)
{
    auto silent = LoopbackHttpServer::text (feed ("9.0.0", "true", local ("/setup"), {}));
    silent.silent = true;
    server.serve (feedPath(), silent);

    juce::String closedServer;

    {
        const LoopbackHttpServer closed;
        closedServer = closed.getBaseAddress();
    }

    const std::pair<juce::String, juce::uint32> cases[] = {
        { closedServer,                      1000 },
        { "http://update.dremlor.example",   100 },     // refused without a request
        { server.getBaseAddress(),           (juce::uint32) UpdateNetwork::textFetchDeadlineMs + 1500 },
    };

    for (const auto& [serverAddress, bound] : cases)
    {
        VASAutoUpdate u (2, 0, 2, settings.get(), serverAddress);
        const auto start = juce::Time::getMillisecondCounter();
        EXPECT_EQ (runCheck (u), VASAutoUpdate::noUpdate) << serverAddress;
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, bound) << serverAddress;
    }

    EXPECT_EQ (dialogs.countShown ("Software Update"), 0);
}

TEST_F (AutoUpdateCheck, InstallerFolderComesFromTheSettingOrTheHomeFolder)
{
    const auto kept = home.getChildFile ("downloads");
    ASSERT_TRUE (kept.createDirectory());

    // The user's home folder: the fresh one on Linux (HOME), the profile folder on Windows.
    const auto userHome = juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    const std::pair<juce::String, juce::File> cases[] = {
        { kept.getFullPathName(),                           kept },
        { home.getChildFile ("deleted").getFullPathName(),  userHome },
        { "relative/folder",                                userHome },
        { {},                                               userHome },
    };

    for (const auto& [stored, expected] : cases)
    {
        if (stored.isEmpty())
            settings->removeValue (VASAutoUpdate::installerFolderKey);
        else
            settings->setValue (VASAutoUpdate::installerFolderKey, stored);

        auto& u = makeUpdater();
        EXPECT_EQ (u.getInstallerFolder(), expected) << stored;
        EXPECT_EQ (settings->getValue (VASAutoUpdate::installerFolderKey), expected.getFullPathName()) << stored;
    }

    updater->storeInstallerFolder (kept.getFullPathName());
    EXPECT_EQ (updater->getInstallerFolder(), kept);
    EXPECT_EQ (settings->getValue (VASAutoUpdate::installerFolderKey), kept.getFullPathName());
}
