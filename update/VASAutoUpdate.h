#pragma once

#include "update/UpdateCheckThread.h"
#include "update/UpdateFeed.h"
#include "update/VASAutoUpdateDownloadThread.h"

#include <juce_data_structures/juce_data_structures.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <functional>
#include <memory>

class VASDrawableButton;
class VASLabelComponent;

//==============================================================================
/**
    The self-update: checks the update feed, offers a newer version in the modal
    "Software Update" dialog with its release notes, and downloads the installer
    into a folder the user chooses. The object itself is the progress page of the
    "Dremlor Update" dialog; the info page is a child page it owns. Both pages are
    laid out from the skin's "AutoUpdateSkin" section.

    The class is split across files by concern:
      - VASAutoUpdate.cpp: construction, the page layout and the check;
      - VASAutoUpdateDownload.cpp: the installer folder, the download, the progress
        timer and cancelling.

    The application creates one at start-up, listens to it and runs startCheck: the
    feed and the notes are fetched on an "Update Check" thread (UpdateCheckThread)
    while the window goes on answering, and the question is asked on the message
    thread once they are in and canAskUser allows it (the offer waits meanwhile).
    When a download ends, the updater closes its dialog, keeps the thread's result
    (getDownloadResult) and sends a synchronous change message. Deleting the updater
    abandons a check, a waiting offer or a download at once.

    Message thread only, apart from the progress value, which the "Download Thread"
    writes.
*/
class VASAutoUpdate  : public juce::Component,
                       public juce::Button::Listener,
                       public juce::ChangeBroadcaster,
                       public juce::MultiTimer,
                       private juce::AsyncUpdater
{
public:
    /** What the check found and what the user chose. */
    enum CheckResult
    {
        noUpdate = 0,        // no feed, or nothing newer
        downloadAccepted = 1,
        declined = 2,
        manualInstall = 3    // newer, but it cannot be downloaded and started here
    };

    //==============================================================================
    /** Builds the feed address under updateServer (scheme and host, e.g.
        "https://update.example.org"), lays both pages out from the skin and reads
        the installer folder from the settings. settings is not owned and may be null.
    */
    VASAutoUpdate (int installedMajor, int installedMinor, int installedRevision,
                   juce::PropertiesFile* settings, const juce::String& updateServer);

    ~VASAutoUpdate() override;

    //==============================================================================
    /** Starts the check and returns at once: the feed and, when it offers a newer
        version, its release notes are fetched on the "Update Check" thread. When they
        are in, the message thread asks the user in the modal "Software Update" dialog
        (once canAskUser allows it), and then onResult gets the CheckResult. A check
        started before is abandoned.
    */
    void startCheck (std::function<void (int result)> onResult);

    /** True from startCheck until the message thread has taken what the fetches
        found; an offer may then still wait (isOfferWaiting) or be on screen.
    */
    bool isCheckRunning() const noexcept                         { return checkThread != nullptr; }

    /** True while a newer version waits for canAskUser to allow the question. */
    bool isOfferWaiting() const noexcept                         { return offerRetry.isTimerRunning(); }

    /** Asked on the message thread before the "Software Update" dialog opens: while
        it returns false (the user is busy with something the dialog must not
        interrupt), the offer waits and asks again every offerRetryMs. Unset, the
        dialog opens as soon as the fetches are in.
    */
    std::function<bool()> canAskUser;

    static constexpr int offerRetryMs = 250;

    /** Splits "x,y,w,h" as the skin's widget factories do. */
    static juce::Rectangle<int> parseRectangle (const juce::String& text);

    //==============================================================================
    /** Asks for the installer folder and starts the download into it; false when no
        folder was chosen. The updater should be showing in its dialog by then.
    */
    bool downloadUpdate();

    /** Asks for a folder with "Save installer to..."; true when one was chosen. */
    bool chooseInstallerFolder();

    /** Makes this the installer folder and remembers it as "AUTO_UPDATE_DIR". */
    void storeInstallerFolder (const juce::String& path);

    /** Takes the installer folder from "AUTO_UPDATE_DIR"; a missing, empty or stale
        setting gives the home folder, which is written back.
    */
    void readInstallerFolder();

    /** The full path of the installer file; valid once a download was started. */
    juce::String getInstallerPath() const                { return installerPath; }

    /** The result of the last download (VASAutoUpdateDownloadThread::Result). */
    int getDownloadResult() const;

    /** Closes the dialog that holds the progress page, if it sits in one. */
    void closeProgressDialog();

    /** Launches the options' modal dialog without waiting for it, sized to hold its
        page exactly. The framework sizes a new dialog for its own title bar before it
        switches to the platform's, which would leave a blank band under the page.
    */
    static juce::DialogWindow* launchDialog (juce::DialogWindow::LaunchOptions& options);

    //==============================================================================
    /** Shows the folder chooser; replaceable so tests can answer it. Returns the
        chosen folder, or a default File when the user cancelled.
    */
    std::function<juce::File (const juce::File& startFolder)> browseForFolder;

    //==============================================================================
    const juce::URL& getFeedAddress() const noexcept             { return feedAddress; }
    const UpdateFeed& getFeed() const noexcept                   { return feed; }
    const juce::String& getInfoText() const noexcept             { return infoText; }
    const juce::String& getReleaseNotes() const noexcept         { return releaseNotes; }
    const juce::String& getInstallerFileName() const noexcept    { return installerFileName; }
    const juce::URL& getInstallerAddress() const noexcept        { return installerAddress; }
    const juce::File& getInstallerFolder() const noexcept        { return installerFolder; }
    juce::Component* getInfoPage() const noexcept                { return infoPage.get(); }
    VASAutoUpdateDownloadThread* getDownloadThread() const noexcept  { return downloadThread.get(); }
    double getProgress() const noexcept                          { return progress; }

    /** Lets a test put the progress where the thread would (e.g. every byte received). */
    void setProgressForTesting (double value) noexcept           { progress = value; }

    //==============================================================================
    /** @internal */
    void buttonClicked (juce::Button*) override;
    /** @internal */
    void timerCallback (int timerId) override;

    static constexpr int progressTimer = 0;
    static constexpr int progressBarTimer = 1;

    static constexpr const char* installerFolderKey = "AUTO_UPDATE_DIR";
    static constexpr const char* noReleaseNotes = "No release notes available.";

private:
    //==============================================================================
    void createComponents();
    bool hasDialogWidgets() const noexcept;
    void prepareCheck();
    bool takeFound (const UpdateCheckThread::Found& found);
    void askWhenUserIsFree();
    int askUser();
    void endCheck (int result);
    void cancelDownload();
    void handleAsyncUpdate() override;

    //==============================================================================
    std::unique_ptr<juce::Component> infoPage;
    const juce::String displayName { "Dremlor" };
    const juce::String feedFileName { "dremlor.xml" };
    juce::String installerFileName;
    juce::String releaseNotes;
    juce::String infoText;
    juce::String installerFolderPath, installerPath;
    UpdateFeed::Version installed;
    UpdateFeed feed;
    int progressWidth = 0, progressHeight = 0, infoWidth = 0, infoHeight = 0;
    juce::URL feedAddress;
    juce::URL installerAddress;
    std::unique_ptr<VASLabelComponent> infoLabel, infoButtonLabel;
    std::unique_ptr<juce::TextEditor> releaseNotesEditor;
    std::unique_ptr<VASDrawableButton> okButton, cancelButton;
    std::unique_ptr<VASLabelComponent> progressLabel;
    std::unique_ptr<juce::ProgressBar> progressBar;
    std::unique_ptr<VASDrawableButton> progressCancelButton;

    /** Written by the download thread; shownProgress follows it on the message
        thread for the progress bar, which reads a plain double.
    */
    std::atomic<double> progress { 0.0 };
    double shownProgress = 0.0;

    juce::CriticalSection resultLock;
    int downloadResult = 0;
    juce::DialogWindow::LaunchOptions dialogOptions;
    juce::PropertiesFile* settings = nullptr;
    juce::File installerFolder;

    std::function<void (int)> checkDone;

    /** Asks canAskUser again while an offer waits; a timer of its own, because the
        updater's MultiTimer ids belong to the download.
    */
    struct OfferRetry  : public juce::Timer
    {
        explicit OfferRetry (VASAutoUpdate& u) : updater (u)   {}
        void timerCallback() override                          { updater.askWhenUserIsFree(); }
        VASAutoUpdate& updater;
    };

    OfferRetry offerRetry { *this };

    /** Declared last, so that they are gone before the values they use. */
    std::unique_ptr<UpdateCheckThread> checkThread;
    std::unique_ptr<VASAutoUpdateDownloadThread> downloadThread;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASAutoUpdate)
};
