#include "app/DremlorApplication.h"

#include "app/DremlorDialog.h"
#include "app/HelpLinks.h"
#include "app/InstanceMessenger.h"
#include "app/MainAppWindow.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/VirtualMidiEnvironment.h"
#include "update/VASAutoUpdate.h"

//==============================================================================
DremlorApplication::DremlorApplication()
    : virtualMidi (VirtualMidiEnvironment::createFromEnvironment())
{
    // Creates the engine; its thread starts once the user's port choice opens ports.
    processing = VASMidiProcessing::getInstance();

    startInstaller = openWithDesktop;
}

DremlorApplication::~DremlorApplication()
{
    // The engine leaves getInstance's reach before its teardown starts, so no caller
    // is handed a half-deleted engine; its destructor then stops the thread (up to
    // 5000 ms) and closes the ports.
    VASMidiProcessing::deleteInstance();
    processing = nullptr;

    autoUpdate.reset();
    mainWindow.reset();
    instanceMessenger.reset();
}

//==============================================================================
juce::String DremlorApplication::applicationName()
{
    return "Vornhalt Audio Systems - Dremlor MIDI Utility";
}

const juce::String DremlorApplication::getApplicationName()      { return applicationName(); }
const juce::String DremlorApplication::getApplicationVersion()   { return "1.0.0"; }
bool DremlorApplication::moreThanOneInstanceAllowed()            { return false; }

juce::String DremlorApplication::getAnotherInstanceMessage()
{
    return juce::String ("Another instance of ") + "Dremlor"
           + " was trying to start.\nOnly one instance can execute at a time.";
}

//==============================================================================
void DremlorApplication::initialise (const juce::String&)
{
    initialised = true;

    // This instance holds the single-instance lock: it listens for later starts.
    instanceMessenger = std::make_unique<InstanceMessenger> (getApplicationName(), [this] (const juce::String& line)
    {
        anotherInstanceStarted (line);
    });
    instanceMessenger->startListening();

    // A window held before goes first: its destructor deletes the skin manager that
    // the new window fetches and loads.
    mainWindow.reset();
    mainWindow = std::make_unique<MainAppWindow>();

    checkForUpdates();
}

void DremlorApplication::shutdown()
{
    // The framework refuses a second start before initialise and only calls shutdown;
    // its own notice to the running instance goes nowhere on this platform.
    if (! initialised)
    {
        InstanceMessenger::notifyRunningInstance (getApplicationName(), getCommandLineParameters());
        return;
    }

    // The updater writes to the dialog's settings, so it goes before the window;
    // deleting it abandons a check or a download that is still running, at once.
    if (autoUpdate != nullptr)
        autoUpdate->closeProgressDialog();

    autoUpdate.reset();

    auto window = std::move (mainWindow);
    window.reset();
    instanceMessenger.reset();
}

void DremlorApplication::anotherInstanceStarted (const juce::String&)
{
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                       getAnotherInstanceMessage(), {}, nullptr);
}

void DremlorApplication::systemRequestedQuit()
{
    juce::JUCEApplication::quit();
}

//==============================================================================
juce::String DremlorApplication::getManualInstallMessage()
{
    return "The available update must be installed manually.\n\nPlease contact the support team at "
           + HelpLinks::support().toString (false) + " to download the latest version.";
}

void DremlorApplication::checkForUpdates()
{
    auto* settings = mainWindow != nullptr && mainWindow->getDialog() != nullptr
                         ? mainWindow->getDialog()->getSettings().getUserSettings()
                         : nullptr;

    autoUpdate.reset();
    autoUpdate = std::make_unique<VASAutoUpdate> (juce::String ("2").getIntValue(),
                                                  juce::String ("0").getIntValue(),
                                                  juce::String ("2").getIntValue(),
                                                  settings, HelpLinks::updateServer());
    autoUpdate->addChangeListener (this);

    if (chooseInstallerFolder != nullptr)
        autoUpdate->browseForFolder = chooseInstallerFolder;

    // Accepting an offer ends the program once the installer runs, so it never opens
    // over a transfer, or over a box or chooser the user is answering.
    autoUpdate->canAskUser = [this] { return ! isUserBusy(); };

    // The window answers while the feed is fetched; the answer comes back here on
    // the message thread, after the user has been asked.
    autoUpdate->startCheck ([this] (int result) { actOnCheckResult (result); });
}

bool DremlorApplication::isUserBusy() const
{
    if (juce::Component::getNumCurrentlyModalComponents() > 0)
        return true;

    // A box that has been answered is no longer modal, but stays on the screen until
    // the modal loop that showed it has returned; a question asked meanwhile would run
    // its own loop inside that one and leave the box showing under it.
    auto& desktop = juce::Desktop::getInstance();

    for (int i = desktop.getNumComponents(); --i >= 0;)
        if (const auto* box = dynamic_cast<const juce::AlertWindow*> (desktop.getComponent (i)); box != nullptr && box->isVisible())
            return true;

    const auto* dialog = mainWindow != nullptr ? mainWindow->getDialog() : nullptr;
    return dialog != nullptr && (dialog->isTransferRunning() || dialog->isChooserOpen() || dialog->isSendDialogOpen());
}

void DremlorApplication::actOnCheckResult (int result)
{
    if (result == VASAutoUpdate::downloadAccepted)
    {
        updateDialogOptions.dialogTitle = "Dremlor Update";
        updateDialogOptions.content.setNonOwned (autoUpdate.get());
        updateDialogOptions.componentToCentreAround = mainWindow.get();
        updateDialogOptions.dialogBackgroundColour = juce::Colour (0xFFD3D3D3);
        updateDialogOptions.escapeKeyTriggersCloseButton = true;
        updateDialogOptions.useNativeTitleBar = true;
        updateDialogOptions.resizable = false;
        updateDialogOptions.useBottomRightCornerResizer = false;
        VASAutoUpdate::launchDialog (updateDialogOptions);

        if (! autoUpdate->downloadUpdate())
            autoUpdate->closeProgressDialog();
    }
    else if (result == VASAutoUpdate::manualInstall)
    {
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::InfoIcon, "Dremlor",
                                           getManualInstallMessage(), "OK", nullptr);
    }
}

void DremlorApplication::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (autoUpdate == nullptr || source != autoUpdate.get())
        return;

    const juce::File installer (autoUpdate->getInstallerPath());

    switch (autoUpdate->getDownloadResult())
    {
        case VASAutoUpdateDownloadThread::written:
            // An installer that cannot be started (it vanished meanwhile, or the desktop
            // has no way to open it) is left for the user to start by hand.
            if (! (installer.existsAsFile() && startInstaller != nullptr && startInstaller (installer)))
                juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                                   "The installer " + installer.getFullPathName()
                                                       + " could not be started.",
                                                   "OK", nullptr);

            // As through the close button: a send that runs is cancelled only when the
            // user agrees, and the settings are saved while a failure can still be shown.
            if (mainWindow != nullptr)
                mainWindow->closeButtonPressed();
            else
                systemRequestedQuit();

            break;

        case VASAutoUpdateDownloadThread::cancelled:
            juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                               "Update canceled.", "OK", nullptr);
            break;

        case VASAutoUpdateDownloadThread::downloadError:
            juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                               "Download error.", "OK", nullptr);
            break;

        default:
            // The file could not be written: not opened, a write that failed part-way,
            // or the finished file not moved into place. Say so, and where.
            juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                               "The installer could not be saved in "
                                                   + installer.getParentDirectory().getFullPathName() + ".",
                                               "OK", nullptr);
            break;
    }
}
