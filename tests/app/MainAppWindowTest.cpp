#include "DialogFixture.h"
#include "support/MessageLoop.h"

#include "app/DremlorApplication.h"
#include "app/InstanceMessenger.h"

//==============================================================================
class MainWindow  : public DialogFixture
{
protected:
    void TearDown() override
    {
        window.reset();
        DialogFixture::TearDown();
    }

    MainAppWindow& makeWindow()
    {
        window = std::make_unique<MainAppWindow>();
        return *window;
    }

    std::unique_ptr<MainAppWindow> window;
};

TEST_F (MainWindow, GrowsFromTheCentred500By400WithoutRecentring)
{
    auto& w = makeWindow();
    const auto area = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea;
    const auto centred = area.withSizeKeepingCentre (500, 400);

    EXPECT_EQ (w.getName(), "Vornhalt Audio Systems - Dremlor MIDI Utility");
    EXPECT_EQ (w.getTitleBarHeight(), 27);
    EXPECT_EQ (w.getWidth(), 800);
    EXPECT_EQ (w.getHeight(), 553 + 27);
    EXPECT_EQ (w.getPosition(), centred.getPosition());
    EXPECT_TRUE (w.isVisible());

    EXPECT_NE (w.getDialog(), nullptr);
    EXPECT_EQ (w.getContentComponent(), w.getDialog());
    EXPECT_NE (w.getMinimiseButton(), nullptr);
    EXPECT_EQ (w.getMaximiseButton(), nullptr);
    EXPECT_NE (w.getCloseButton(), nullptr);

    // The window's look-and-feel became everyone's default.
    EXPECT_NE (dynamic_cast<DremlorLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
}

TEST_F (MainWindow, DefaultSkinSitsBesideTheProgram)
{
    const juce::File path (MainAppWindow::getDefaultSkinPath());
    EXPECT_EQ (path.getFileName(), "DL.vexor");
    EXPECT_EQ (path.getParentDirectory().getFileName(), "Skin");
    EXPECT_EQ (path.getParentDirectory().getParentDirectory(),
               juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory());
}

TEST_F (MainWindow, DestructionReleasesTheSkinAndTheLookAndFeel)
{
    makeWindow();
    ASSERT_NE (SkinManager::getInstance(), nullptr);

    window.reset();
    EXPECT_EQ (SkinManager::getInstance(), nullptr);
    EXPECT_EQ (dynamic_cast<DremlorLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
}

TEST_F (MainWindow, ClosingWhileIdleAsksNothing)
{
    auto& w = makeWindow();
    EXPECT_TRUE (w.confirmClose());
    EXPECT_EQ (boxes.getNumBoxes(), 0);

    // A paused send ends without a question too.
    VASMidiProcessing::getInstance()->getSender().setState (SendState::paused);
    EXPECT_TRUE (w.confirmClose());
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}

TEST_F (MainWindow, ClosingDuringASendAsksFirst)
{
    auto& w = makeWindow();
    auto& sender = VASMidiProcessing::getInstance()->getSender();
    sender.setState (SendState::running);

    boxes.pressNext ("Cancel");
    EXPECT_FALSE (w.confirmClose());
    EXPECT_EQ (sender.getState(), SendState::running);
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().message, "Closing the application will cancel the current transfer.");
    EXPECT_EQ (boxes.getLastBox().buttons, juce::StringArray ({ "OK", "Cancel" }));
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);

    boxes.pressNext ("OK");
    EXPECT_TRUE (w.confirmClose());
    EXPECT_EQ (sender.getState(), SendState::cancelled);
    EXPECT_EQ (boxes.getNumBoxes(), 2);
}

TEST_F (MainWindow, SendThatFinishesWhileAskingOffersAForcedQuit)
{
    auto& w = makeWindow();
    auto& sender = VASMidiProcessing::getInstance()->getSender();
    sender.setState (SendState::running);

    // The last message is acknowledged while the user reads the question.
    boxes.onBoxShown = [&] (const ModalBoxAnswerer::Box&) { sender.setState (SendState::finished); };
    boxes.pressNext ("OK");
    boxes.pressNext ("Cancel");

    EXPECT_FALSE (w.confirmClose());
    ASSERT_EQ (boxes.getNumBoxes(), 2);
    EXPECT_EQ (boxes.getLastBox().message, "Transfer could not be canceled.  Press 'OK' to force quit.");
    EXPECT_EQ (boxes.getLastBox().buttons, juce::StringArray ({ "OK", "Cancel" }));

    sender.setState (SendState::running);
    boxes.pressNext ("OK");
    boxes.pressNext ("OK");
    EXPECT_TRUE (w.confirmClose());
}

TEST_F (MainWindow, ClosingSavesTheSettingsAndReportsAFailureBeforeQuitting)
{
    const auto settingsFolder = home.getChildFile (".config/Vornhalt Audio/Dremlor");

    for (const bool writable : { true, false })
    {
        boxes.clear();
        settingsFolder.deleteRecursively();

        // A plain file where the settings folder should be stops the write, also as root.
        if (! writable)
        {
            ASSERT_TRUE (settingsFolder.replaceWithText ("in the way"));
        }

        auto& w = makeWindow();
        w.closeButtonPressed();

        // Written at once, not 3000 ms after the change.
        EXPECT_EQ (settingsFolder.getChildFile ("Dremlor.settings").existsAsFile(), writable);
        EXPECT_EQ (boxes.getNumBoxes(), writable ? 0 : 1);

        if (! writable && boxes.getNumBoxes() == 1)
        {
            EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
            EXPECT_EQ (boxes.getLastBox().message, "Preferences could not be saved.");
            EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
        }

        // Deleting the window, as the quit does, adds no box of its own.
        window.reset();
        EXPECT_EQ (boxes.getNumBoxes(), writable ? 0 : 1);
    }
}

//==============================================================================
using Application = DialogFixture;

TEST_F (Application, NamesVersionAndSingleInstance)
{
    DremlorApplication app;
    EXPECT_EQ (app.getApplicationName(), "Vornhalt Audio Systems - Dremlor MIDI Utility");
    EXPECT_EQ (app.getApplicationVersion(), "1.0.0");
    EXPECT_FALSE (app.moreThanOneInstanceAllowed());
    EXPECT_EQ (app.getMainWindow(), nullptr);
}

TEST_F (Application, AnotherStartIsReportedWithTheExactNotice)
{
    DremlorApplication app;
    app.anotherInstanceStarted ("--whatever");

    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().message,
               "Another instance of Dremlor was trying to start.\nOnly one instance can execute at a time.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (boxes.getLastBox().buttons, juce::StringArray ({ "OK" }));
}

TEST_F (Application, RunsTheWindowAndTearsDownInOrder)
{
    {
        DremlorApplication app;
        ASSERT_NE (VASMidiProcessing::getInstance(), nullptr);

        app.initialise ({});
        ASSERT_NE (app.getMainWindow(), nullptr);
        EXPECT_EQ (app.getMainWindow()->getDialog()->getVersionText(), "Dremlor MIDI Utility Version 2.0.2");

        // This instance now hears later starts.
        ASSERT_TRUE (InstanceMessenger::notifyRunningInstance (DremlorApplication::applicationName(), {}));
        EXPECT_TRUE (MessageLoop::runUntil ([&] { return boxes.getNumBoxes() == 1; }, MessageLoop::guardMs));

        app.shutdown();
        EXPECT_EQ (app.getMainWindow(), nullptr);

        // A second shutdown, with no window, does nothing.
        app.shutdown();
        EXPECT_EQ (app.getMainWindow(), nullptr);
        EXPECT_FALSE (InstanceMessenger::notifyRunningInstance (DremlorApplication::applicationName(), {}));
    }

    // The engine is gone for good once the application is.
    EXPECT_EQ (VASMidiProcessing::getInstance(), nullptr);
}
