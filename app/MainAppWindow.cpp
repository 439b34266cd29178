#include "app/MainAppWindow.h"

#include "app/DremlorApplication.h"
#include "app/DremlorDialog.h"
#include "devicelink/VASMidiProcessing.h"
#include "skin/SkinManager.h"

//==============================================================================
MainAppWindow::MainAppWindow()
    : juce::DocumentWindow (DremlorApplication::applicationName(), juce::Colour (0xFFD3D3D3),
                            juce::DocumentWindow::allButtons, true)
{
    centreWithSize (500, 400);
    setTitleBarHeight (27);
    setTitleBarButtonsRequired (juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton, false);
    lookAndFeelChanged();
    setTitleBarTextCentred (false);
    repaint (getTitleBarArea());

    skinManager = SkinManager::getInstance();

    if (skinManager == nullptr)
    {
        // Without a skin there is nothing to show; the quit takes effect once the
        // message loop runs, and the window is still built meanwhile.
        if (auto* app = juce::JUCEApplication::getInstance())
            app->systemRequestedQuit();
    }
    else
    {
        skinManager->loadDefaultSkin (getDefaultSkinPath());
        lookAndFeel.applySkin();
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
        lookAndFeel.setWindowIcon (this);
    }

    dialog = new DremlorDialog();
    setContentOwned (dialog, true);
    dialog->setBounds (0, 0, 800, 553);

    // Grows from the centred 500 x 400 without being centred again.
    setBounds (getX(), getY(), 800, 553 + (isUsingNativeTitleBar() ? 0 : getTitleBarHeight()));
    setVisible (true);
}

MainAppWindow::~MainAppWindow()
{
    clearContentComponent();
    dialog = nullptr;

    if (skinManager != nullptr)
    {
        delete skinManager;
        skinManager = nullptr;
    }

    // The look-and-feel member must not stay the default once it is gone.
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == &lookAndFeel)
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
}

juce::String MainAppWindow::getDefaultSkinPath()
{
    const auto separator = juce::File::getSeparatorString();
    return getApplicationFolder() + separator + "Skin" + separator + "DL.vexor";
}

//==============================================================================
void MainAppWindow::closeButtonPressed()
{
    if (! confirmClose())
        return;

    // Saved here, not when the window is deleted: once the quit has ended the
    // message loop, a box telling of a failed save would close unseen.
    if (dialog != nullptr)
        dialog->saveSettings();

    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}

bool MainAppWindow::confirmClose()
{
    auto* processing = VASMidiProcessing::getInstance();

    if (processing == nullptr)
        return true;

    auto& sender = processing->getSender();

    // Only a running send is asked about; a paused one, a backup or a dump recording ends quietly.
    if (sender.getState() != SendState::running)
        return true;

    if (! juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                              "Closing the application will cancel the current transfer.",
                                              "OK", "Cancel", nullptr, nullptr))
        return false;

    if (sender.cancel())
        return true;

    return juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                               "Transfer could not be canceled.  Press 'OK' to force quit.",
                                               "OK", "Cancel", nullptr, nullptr);
}
