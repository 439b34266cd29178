#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

class InstanceMessenger;
class VASAutoUpdate;
class MainAppWindow;
class VASMidiProcessing;
class VirtualMidiEnvironment;

//==============================================================================
/**
    The program's application object: the framework creates it through the factory
    in Main.cpp, asks it for its name and version, has it build the main window, and
    tears everything down through it.

    It owns the MIDI processing singleton for the whole run (fetched in the
    constructor, deleted in the destructor) and, when DREMLOR_VIRTUAL_MIDI names
    emulated units, the virtual MIDI environment they live in. Only one instance of
    the program runs; a second start is refused and reported to the running one.

    At the end of initialise it starts the update check, which fetches in the
    background; the offer waits until no transfer runs and no box or chooser is open
    (isUserBusy). When the user accepts an update, it starts the download, and it
    hears the download's end as the updater's listener; the quit after the
    installer has started goes through the close button's questions.
*/
class DremlorApplication  : public juce::JUCEApplication,
                            public juce::ChangeListener
{
public:
    DremlorApplication();
    ~DremlorApplication() override;

    //==============================================================================
    /** "Vornhalt Audio Systems - Dremlor MIDI Utility": the window title and the
        name of the single-instance lock.
    */
    static juce::String applicationName();

    const juce::String getApplicationName() override;

    /** "1.0.0": what the framework is told; the dialog and the update check use 2.0.2. */
    const juce::String getApplicationVersion() override;

    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    //==============================================================================
    /** The main window; null before initialise and after shutdown. */
    MainAppWindow* getMainWindow() const noexcept      { return mainWindow.get(); }

    /** The notice shown when another instance was started. */
    static juce::String getAnotherInstanceMessage();

    //==============================================================================
    /** Starts the check for an update of version 2.0.2 and returns at once; when the
        answer is in and the user is not busy, asks and acts on the choice
        (actOnCheckResult).
    */
    void checkForUpdates();

    /** True while the update offer must not open: a send, backup or dump recording
        runs, or a modal box, dialog, menu or file chooser is open.
    */
    bool isUserBusy() const;

    /** The answer of a check: the "Dremlor Update" download dialog for an accepted
        update, a message for one that must be installed by hand, nothing otherwise.
    */
    void actOnCheckResult (int result);

    /** The end of a download: starts the installer and quits as the close button
        does (asking first while a send runs), or says what went wrong.
    */
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    /** The updater made by the last check; null before it. */
    VASAutoUpdate* getAutoUpdate() const noexcept      { return autoUpdate.get(); }

    /** The text shown when the update must be installed by hand. */
    static juce::String getManualInstallMessage();

    /** Starts the downloaded installer with the platform's default action for the
        file (openWithDesktop by default); false when it could not be started.
        Replaceable so tests see what would be started.
    */
    std::function<bool (const juce::File&)> startInstaller;

    /** Hands the file to the desktop's default action as one plain argument, never
        through a command line that a shell parses: on Linux xdg-open started directly
        (false when there is none on the PATH), on Windows the shell's own start of the
        file (juce::File::startAsProcess, no parameters). False when it could not be
        started.
    */
    static bool openWithDesktop (const juce::File& file);

    /** When set, replaces the updater's "Save installer to..." folder chooser (tests
        answer it with a folder of their own).
    */
    std::function<juce::File (const juce::File& startFolder)> chooseInstallerFolder;

private:
    //==============================================================================
    std::unique_ptr<VirtualMidiEnvironment> virtualMidi;
    std::unique_ptr<InstanceMessenger> instanceMessenger;
    bool initialised = false;

    std::unique_ptr<MainAppWindow> mainWindow;
    VASMidiProcessing* processing = nullptr;
    std::unique_ptr<VASAutoUpdate> autoUpdate;
    juce::DialogWindow::LaunchOptions updateDialogOptions;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DremlorApplication)
};
