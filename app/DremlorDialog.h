#pragma once

#include "app/DremlorSettings.h"
#include "app/ProgressMirror.h"
#include "app/UpdateHardware.h"
#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"
#include "devicelink/SysExTransaction.h"
#include "skin/VASMultiLineLabelComponent.h"
#include "skin/VASSpinControl.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

class VASMidiProcessing;
class SkinManager;
class VASLabelComponent;
class VASMultiLineLabelComponent;
class VASSpinControl;
class ReceiveThread;
class DumpProgressThread;

//==============================================================================
/**
    The 800 x 553 main dialog that fills the main window: the state of the whole
    workflow (chosen device, open ports, chosen file or backup folder, shown page)
    and every widget of the main page.

    The class is split across files by concern:
      - DremlorDialog.cpp: construction and destruction, timers, painting, keys,
        dropped files, the button dispatcher and the page switch;
      - DremlorDialogLayout.cpp: the widgets (createComponents);
      - DremlorDialogPorts.cpp: port menus, opening and closing ports, the
        connection watchdog and the device queries;
      - DremlorDialogDevice.cpp: the device and bank menus, the buffer delay, the
        click areas and the step controls;
      - DremlorDialogSendFile.cpp: choosing, loading, classifying, checking and
        retargeting the file to send (the byte work itself is SendFileData's);
      - DremlorDialogSendDialog.cpp: the send dialog of each file kind;
      - DremlorDialogSendRun.cpp: the Transmit handler, the send (with UpdateHardware)
        and the poll that reports how it ended;
      - DremlorDialogControls.cpp: greying the main page's controls during a transfer;
      - DremlorDialogKorrinaBackup.cpp: the Korrina backup page, the backup run from
        one ticked type to the next (with ReceiveThread);
      - DremlorDialogStompraBackup.cpp: the Stompra backup page, the recording of a
        Stompra dump (with DumpProgressThread) and the dump file.

    Exactly one exists, owned by MainAppWindow. Everything runs on the message thread.
*/
class DremlorDialog  : public juce::Component,
                       public juce::Button::Listener,
                       public juce::ChangeListener,
                       public juce::TextEditor::Listener,
                       public juce::Slider::Listener,
                       public juce::KeyListener,
                       public juce::MultiTimer,
                       public juce::FileDragAndDropTarget
{
public:
    DremlorDialog();
    ~DremlorDialog() override;

    //==============================================================================
    /** "Dremlor MIDI Utility Version 2.0.2": the text of the version label. */
    static juce::String getVersionText();

    /** Shows a modal message box titled "Dremlor" with the one button "OK". */
    static void showMessage (const juce::String& text,
                             juce::MessageBoxIconType icon = juce::MessageBoxIconType::WarningIcon);

    /** Writes changed settings now and, when that fails, tells the user with
        "Preferences could not be saved.". The window calls it when it closes, while
        the message loop still runs to show the box; false when the write failed.
    */
    bool saveSettings();

    /** The settings file the dialog opened (the self-update keeps its folder there). */
    DremlorSettings& getSettings() noexcept        { return settings; }

    /** True while a send runs (until its poll has reported how it ended), a backup run
        is under way or a Stompra dump is being recorded: the self-update holds its
        offer back meanwhile.
    */
    bool isTransferRunning() const;

    /** True while one of the dialog's file choosers is open. Kept here because the
        platform's own chooser is not a modal component of the framework.
    */
    bool isChooserOpen() const noexcept            { return chooserOpen; }

    /** True from the moment the send dialog opens until its modal loop has returned.
        "Send" ends the dialog's modal state while its loop still runs a moment longer,
        and the send starts only after it: a question asked in between would come
        before the send and hold it back.
    */
    bool isSendDialogOpen() const noexcept         { return sendDialogOpen; }

    //==============================================================================
    /** @internal framework callbacks */
    void paint (juce::Graphics&) override;
    void buttonClicked (juce::Button*) override;
    void sliderValueChanged (juce::Slider*) override;
    bool keyPressed (const juce::KeyPress&, juce::Component*) override;
    bool keyPressed (const juce::KeyPress&) override;
    bool isInterestedInFileDrag (const juce::StringArray&) override;
    void filesDropped (const juce::StringArray& files, int x, int y) override;
    void timerCallback (int timerID) override;
    void mouseDown (const juce::MouseEvent&) override;

    //==============================================================================
    /** Whether a file dropped at this point (dialog coordinates) is taken: send page
        shown, the ports the device needs open, and the point inside the drop rectangle.
    */
    bool acceptsDropAt (int x, int y) const;

    //==============================================================================
    // Pages (the tab buttons)
    void showReceivePage();
    void showSendPage();

    /** What the receive page's "Browse" leads to once a folder is chosen. */
    void receiveFolderChosenFromChooser (const juce::File& folder);

    //==============================================================================
    // Device and bank choice (DremlorDialogDevice.cpp)

    /** Opens the device menu on the "Device To Update" box and applies the choice. */
    void showDeviceMenu();

    /** The device menu as it is built when it opens (Ctrl held or not). */
    juce::PopupMenu buildDeviceMenu (bool ctrlHeld) const;

    /** Applies a choice of the device menu: r is the DeviceModel byte; 0 does nothing. */
    void chooseDevice (int r);

    /** Opens the bank menu on the send dialog's bank box and applies the choice. */
    void showBankMenu (juce::Component* attachTo);

    /** Refreshes the Display Offset when the firmware knows it, then builds the bank menu. */
    juce::PopupMenu prepareBankMenu();

    /** Applies a choice of the bank menu (1 to 4; 0 does nothing) and returns the
        chosen item's text for the bank box.
    */
    juce::String chooseBank (int choice, const juce::PopupMenu& menu);

    /** The "MIDI Buffer Delay" default of the chosen device and page; applied after
        every device choice and every port choice.
    */
    void updateBufferDelayForDevice();

    /** Enables or disables the "MIDI Buffer Delay" slider and its label. */
    void setBufferDelayEnabled (bool shouldBeEnabled);

    /** Decides which step controls are usable in the current state. */
    void updateStepControls();

    /** Puts the result row back after a send: cleared on the send page, the backup
        prompt on the receive page; "Check3" hidden and the progress back at 0.
    */
    void resetReceivePrompt();

    //==============================================================================
    // Ports, watchdog and queries (DremlorDialogPorts.cpp)

    void selectDefaultInputPort();
    void selectDefaultOutputPort();
    void showInputPortMenu();
    void showOutputPortMenu();
    void fillInputPortList();
    void fillOutputPortList();

    /** The port menus as last filled. */
    const juce::PopupMenu& inputPortMenuForTesting() const noexcept   { return inputPortMenu; }
    const juce::PopupMenu& outputPortMenuForTesting() const noexcept  { return outputPortMenu; }

    /** What a choice of the input (or output) port menu leads to; 0 does nothing. */
    void inputPortChosen (int itemId);
    void outputPortChosen (int itemId);

    /** The text of the item with this id in the menu ("<< none >>" for -1). */
    static juce::String runPortMenu (int itemId, const juce::PopupMenu& menu);

    bool openInputPort (const juce::String& portName);
    bool openOutputPort (const juce::String& portName);
    bool closeInputPort();
    bool closeOutputPort();
    bool closePorts();
    bool restartMidiProcessing();

    /** One tick of the connection watchdog (timer 4). */
    void checkConnection();

    void queryFirmwareVersion();
    void queryVersionDetail();
    void queryDisplayOffset();
    void resetDeviceSelection();

    /** Destroys the pending transaction (kept until the processing thread lets go),
        once a backup's receive thread that reads it has stopped.
    */
    void clearReceiveCollector();

    //==============================================================================
    // Send file: loading, classification, retargeting (DremlorDialogSendFile.cpp)

    /** Chooses the file to send: with an empty path the user picks one in the chooser
        "Select a file..." (cancelling it keeps the earlier file's bytes); otherwise the
        path is taken. The file is loaded, checked against the device (the mismatch
        message and the earlier file's bytes back when it does not fit) and shown; a
        file that cannot be read is refused with its message and the earlier file's
        bytes back.
        Returns whether a file was read.
    */
    bool selectFile (const juce::String& path = {});

    /** Reads the whole file into the send buffer when it is a regular file of a sane
        size (RegularFileReader); otherwise shows what is wrong with it and returns
        false, nothing changed.
    */
    bool loadSendFile (const juce::File& file);

    /** The model byte of bytes that start a SysEx message of the maker, else 0. */
    static uint8_t getSysExModel (const uint8_t* data, size_t size) noexcept;

    /** getSysExModel of the send buffer; 0 without one. */
    uint8_t getSendFileModel() const noexcept;

    /** Whether the send buffer suits the chosen device (SendFileData::fileMatchesDevice). */
    bool fileMatchesDevice() const noexcept;

    /** "The selection does not appear to be a valid file for the <device>..." (nothing
        without a send buffer).
    */
    void showDeviceMismatch();

    /** "Dremlor has lost communication with the device. ..." */
    void showCannotTransmit();

    /** The SendFileKind of the send buffer for the chosen device (SendFileData::Kind);
        refreshes presetHeaderCount for a bank.
    */
    int getSendFileKind();

    /** The kind of a send buffer whose first message is a preset header for the model. */
    int classifyPatchFile (uint8_t model);

    /** Counts the model's preset headers of the send buffer into presetHeaderCount;
        3 (all banks) above 128, else 2 (one bank).
    */
    int countPatchHeaders (uint8_t model);

    /** Aims the single preset of the send buffer at the slot (127: the edit buffer),
        consuming toEditBuffer.
    */
    void setSendDestination (int slot);

    /** Aims every preset header of the model in the send buffer at the bank. */
    void setSendBank (uint8_t bank, uint8_t model);

    /** Edition conversions with the dialog's dump image; the output then goes to
        storeSendData. False when any preset fails.
    */
    bool convertKorrinaPreset (const uint8_t* data, size_t size, juce::MemoryBlock& output);
    bool convertKorrinaGrandPreset (const uint8_t* data, size_t size, juce::MemoryBlock& output);
    bool convertKorrinaBank (const uint8_t* data, size_t size, juce::MemoryBlock& output);
    bool convertKorrinaGrandBank (const uint8_t* data, size_t size, juce::MemoryBlock& output);

    /** Replaces the send buffer by a copy of the block; false when memory cannot be had. */
    bool storeSendData (const juce::MemoryBlock& data);

    /** Picks the file to send, starting in the given folder; an empty File when the
        user cancels. Unset, the program's own chooser "Select a file..." is shown;
        tests set it to pick without a modal window.
    */
    std::function<juce::File (const juce::File& startFolder)> chooseFileToSend;

    /** Preset headers found by the last bank classification; the send dialog quotes it. */
    int presetHeaderCount = 0;

    //==============================================================================
    // Controls (DremlorDialogControls.cpp)

    /** Enables or disables the main page's controls that must not be used while a
        transfer runs; the main "Cancel" is left usable during a send.
    */
    void setControlsEnabled (bool shouldBeEnabled);

    //==============================================================================
    // Send dialog (DremlorDialogSendDialog.cpp)

    /** Builds the send dialog for the file kind and the device and fills
        sendDialogOptions. A file for the Boot ROM (kind 10) is treated as Korrina
        firmware (kind 7) from here on.
    */
    void createSendDialog();

    /** Deletes the send dialog's children and forgets the destination choices and the
        bank choice.
    */
    void clearSendDialog();

    /** The bar with "Send" and "Cancel 2" at the foot of a send dialog of this height. */
    void createSendButtons (int height, bool sendEnabled);

    /** The Stompra restore's "Send", "Ready" and "Cancel 2". */
    void createSendReadyButtons (juce::Component& parent);

    /** Shows the send dialog modally; returns 1 when the user confirmed with "Send". */
    int runSendDialog();

    /** Ends the send dialog's modal state with this result, when it is shown. */
    void closeSendDialog (int result);

    /** The watchdog's part in the open send dialog: "Send" becomes usable once the
        destination it needs is chosen, and never while the unit is not connected.
    */
    void updateSendDialogButtons (bool connected);

    /** The send dialog's own buttons and radio buttons; false for any other button. */
    bool sendDialogButtonClicked (juce::Button* button);

    /** One of the send dialog's image buttons, at these bounds in the parent and heard
        by the dialog: the skin's images imageName ".png", "-over.png" and "-down.png",
        or the cancel images when imageName is empty.
    */
    std::unique_ptr<juce::ImageButton> makeSendDialogButton (juce::Component& parent, const juce::String& name,
                                                             juce::Rectangle<int> bounds, const juce::String& imageName);

    /** The slot field of a cab's send dialog: a press on it chooses its radio button
        (the watchdog then makes "Send" usable, as for the radio buttons); Return or
        Escape in it hands the focus to "Send".
    */
    void sendSlotSpinChanged();

    /** The send dialog and its children (null while it has none). */
    std::unique_ptr<juce::Component> sendDialog;
    std::unique_ptr<juce::ImageButton> sendCheck;
    std::unique_ptr<VASLabelComponent> sendFileNameLabel, sendSlotWarningLabel, sendButtonBar;
    std::unique_ptr<VASMultiLineLabelComponent> sendTextLabel, sendWarningLabel, sendInstructionsLabel, sendCabWarningLabel;
    std::unique_ptr<juce::ToggleButton> slotRadio, currentSlotRadio, scratchpadRadio;
    std::unique_ptr<VASSpinControl> cabSlotSpin;
    std::unique_ptr<juce::DrawableButton> bankSelectButton;
    std::unique_ptr<juce::Label> bankSelectLabel;
    std::unique_ptr<juce::ProgressBar> sendProgressBar;
    std::unique_ptr<juce::ImageButton> sendButton, cancel2Button, readyButton;

    //==============================================================================
    // Send run (DremlorDialogSendRun.cpp)

    /** "Transmit" on the send page: the checks, the preparation of the data for the
        device and the file kind, the send dialog where the kind has one, and the start.
    */
    void transmitPressed();

    /** Starts the transfer; once it has started, the poll (timer 1) and the status text. */
    void startSend (bool leadIn, const juce::String& statusText);

    /** Checks the connection, greys the controls and starts the "Update Hardware"
        thread; false (nothing changed) when the connection is not there.
    */
    bool startTransfer (bool leadIn);

    /** One tick of the send poll: reports how a send ended once it has. */
    void pollSend();

    /** True while a send is being started or runs; the send buffer must not change then. */
    bool isSendBusy() const;

    /** The worker of the last send (kept until the next send or the dialog's end). */
    std::unique_ptr<UpdateHardware> updateThread;

    static constexpr int sendPollTimer = 1;

    //==============================================================================
    /** Opens a web page; replaceable so tests can see which page a link opens. */
    std::function<void (const juce::URL&)> openWebPage;

    //==============================================================================
    // State (read by the pages and the tests; written on the message thread only)
    DeviceModel device = DeviceModels::notChosen;
    int bufferDelayMs = 0;
    int fileKind = 0;
    int destinationSlot = -1;
    int bankIndex = -1;
    int cabDestination = 0;
    int presetDestination = 0;
    int destinationMode = 1;
    int receiveType = 0;
    int cabCounter = 0;
    int cabAttempts = 0;
    int cabsWritten = 0;          // user cabs of the all-cabs run actually saved
    int versionRetries = 0;
    int userCabCount = 0;
    juce::uint32 firmwareMajor = 0, firmwareMinor = 0;
    juce::uint16 displayOffset = 0;

    bool deviceChosen = false;
    bool inputPortOpen = false, outputPortOpen = false;
    bool processingStarted = false;
    bool versionKnown = false;
    bool queryRunning = false;
    bool wasConnected = false;
    bool fileLoaded = false;
    bool fileChosen = false;
    bool receiveFolderChosen = false;
    bool sendPageActive = true, receivePageActive = false;
    bool transferStarting = false;
    bool bankChosen = false;
    bool stopAllCabs = false;

    juce::File sendFile, backupFolder, allCabsFolder;

    //==============================================================================
    // State of the send and backup workflows
    bool sendConfirmed = false;
    bool sendDialogCancelled = false;
    bool toEditBuffer = false;
    bool tickedBankA = false, tickedBankB = false, tickedBankC = false, tickedBankD = false;
    bool tickedSystem = false, tickedAllCabs = false;
    bool severalTypes = false;
    bool unlinkGlobalBlocks = false;

    /** The loaded send file (possibly converted or retargeted) and the one before it,
        restored when the file chooser is cancelled.
    */
    juce::MemoryBlock sendBuffer, previousSendBuffer;

    /** The parsed preset of the loaded file. */
    DumpImage dumpImage;

    /** The date-and-time name of the current backup run. */
    juce::String backupBaseName;

    /** First words of the send result texts. */
    const juce::String completionPrefix { "Transfer complete!  " };
    const juce::String errorPrefix { "An error has occurred during file transmission.  " };
    const juce::String cancelPrefix { "File transmission has been canceled.\n" };

    /** How the send dialog and the two backup pages are launched. */
    juce::DialogWindow::LaunchOptions sendDialogOptions, korrinaBackupOptions, stompraBackupOptions;

    /** The rectangle where a dropped file is accepted. */
    const juce::Rectangle<int> dropArea { 260, 273, 510, 90 };

    //==============================================================================
    // Widgets of the main page, in creation order (DremlorDialogLayout.cpp)
    std::unique_ptr<juce::ImageButton> zindleEyes, sendTabFocus, sendTabButton, receiveTabFocus, receiveTabButton;
    std::unique_ptr<juce::DrawableButton> deviceToUpdate;
    std::unique_ptr<juce::Label> deviceLabel, connectedLabel;
    std::unique_ptr<juce::ImageButton> deviceCheck, inputCheck, outputCheck, error1;
    std::unique_ptr<juce::DrawableButton> inputPortBox;
    std::unique_ptr<juce::Label> inputLabel;
    std::unique_ptr<juce::DrawableButton> outputPortBox;
    std::unique_ptr<juce::Label> outputLabel;
    std::unique_ptr<juce::Slider> bufferDelaySlider;
    std::unique_ptr<juce::Label> bufferDelayLabel;
    std::unique_ptr<juce::ImageButton> browseButton;
    std::unique_ptr<juce::TextEditor> fileField;
    std::unique_ptr<juce::ImageButton> check2, error2;
    std::unique_ptr<juce::Label> fileSelectedLabel, firmwareTextLabel, firmwareDownloadLabel, receiveBrowseLabel;
    std::unique_ptr<juce::ImageButton> transmitButton;
    std::unique_ptr<juce::ProgressBar> progressBar;
    std::unique_ptr<juce::ImageButton> cancelButton, check3, error3;
    std::unique_ptr<juce::Label> progressLabel, receiveBeginLabel;
    std::unique_ptr<juce::ImageButton> helpText, documentButton, videoButton, moreHelp, supportButton, forumButton;
    std::unique_ptr<VASLabelComponent> versionLabel;

    // Images kept for the dialog and the pages built later
    juce::Image sendBackground, receiveBackground, checkIcon;
    juce::Image cancelNormal, cancelDown, cancelOver;
    std::unique_ptr<juce::DrawableImage> dropdownDrawable;

    static constexpr int eyesTimer = 0;
    static constexpr int watchdogTimer = 4;

    //==============================================================================
    // Korrina backup (DremlorDialogKorrinaBackup.cpp)

    /** Builds the Korrina backup page and runs it modally; returns once it is closed. */
    void createKorrinaBackupComponent();

    /** Builds the page's widgets without showing it; without a Display Offset query
        (older firmware) the page is 80 pixels taller and holds a note about it.
    */
    void buildKorrinaBackupPage (bool offsetQueried);

    /** Deletes the page's widgets, children first, then the page. */
    void clearKorrinaBackupPage();

    /** Queues the request of one backup type (1 to 9) and starts its ReceiveThread;
        type 0 or below only records the type.
    */
    void beginReceive (int type, const juce::String& baseName, int cabIndex);

    /** The receive thread's results and the page's two number fields. */
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    /** The dispatcher's rows for the receive page's "Transmit" with a Korrina and for
        the page's toggles and buttons; false for any other button.
    */
    bool handleKorrinaBackupButton (juce::Button* button);

    /** "Backup Okay Button": starts the run of the ticked types or the single item. */
    void startKorrinaBackup();

    /** The page and its widgets (rows of the page, top to bottom). */
    struct KorrinaBackupPage
    {
        std::unique_ptr<juce::Component> page;
        std::unique_ptr<juce::ToggleButton> backUpKorrina, bankA, bankB, bankC, bankD, system;
        std::unique_ptr<VASMultiLineLabelComponent> systemDescription;
        std::unique_ptr<juce::ToggleButton> allCabs;
        std::unique_ptr<juce::ImageButton> divider1;
        std::unique_ptr<juce::ToggleButton> singlePreset;
        std::unique_ptr<VASSpinControl> presetSpin;
        std::unique_ptr<VASMultiLineLabelComponent> offsetWarning;
        std::unique_ptr<juce::ImageButton> divider2;
        std::unique_ptr<juce::ToggleButton> editBuffer, unlinkGlobals;
        std::unique_ptr<juce::ImageButton> divider3;
        std::unique_ptr<juce::ToggleButton> singleCab;
        std::unique_ptr<VASSpinControl> cabSpin;
        std::unique_ptr<VASLabelComponent> rectangle;
        std::unique_ptr<juce::ImageButton> cancel, ok;

        ~KorrinaBackupPage();
    };

    /** The page as last built; null before the first opening. */
    KorrinaBackupPage* getKorrinaBackupPage() const noexcept     { return korrinaPage.get(); }

    /** The thread of the request in flight (or of the last one); may be null. */
    ReceiveThread* getReceiveThread() const noexcept             { return receiveThread.get(); }

    /** The request in flight (or the last one); may be null. */
    SysExTransaction* getPendingTransaction() const noexcept     { return pendingTransaction.get(); }

    /** True from the first request of a backup run to its end. */
    bool isBackupRunning() const noexcept                        { return backupRunning; }

    //==============================================================================
    // Stompra backup (DremlorDialogStompraBackup.cpp)

    /** Builds the Stompra backup page and runs it modally; returns once it is closed. */
    void createStompraBackupComponent();

    /** Deletes the page's widgets and the page, each when present. */
    void clearStompraBackupPage();

    /** "Ready": starts a fresh recording of everything that arrives at the input and
        the byte count on the page's bar.
    */
    void startDumpProgress();

    /** Writes the dump buffer to a new "<date>-<time>-stompra.syx" in the backup
        folder; true when written. The message of a failure is shown here.
    */
    bool exportStompraDump();

    /** The dispatcher's rows for the receive page's "Transmit" with a Stompra and for
        the page's three buttons; false for any other button.
    */
    bool handleStompraBackupButton (juce::Button* button);

    /** Writes the dump's messages back to back, after what the file already holds,
        into a file beside it that replaces it once complete; a failure leaves the
        file as it was and gives the reason.
    */
    static juce::Result writeStompraDump (const juce::MidiBuffer& dump, const juce::File& file);

    /** The dump file for a recording saved at this time. */
    juce::File getStompraDumpFile (juce::Time when) const;

    /** The clock the dump file is named by; replaceable so tests can set the time. */
    std::function<juce::Time()> currentTime { [] { return juce::Time::getCurrentTime(); } };

    /** The page and its widgets, null while it is not built. */
    std::unique_ptr<juce::Component> stompraBackupPage;
    std::unique_ptr<VASMultiLineLabelComponent> stompraInstructions;
    std::unique_ptr<juce::ImageButton> stompraReadyButton, stompraOkButton, stompraCancelButton;
    std::unique_ptr<juce::ProgressBar> stompraProgressBar;

    /** 1.0 while recording, 0 otherwise: the value of the page's bar. */
    double dumpProgress = 0.0;

    /** The text the page's bar shows ("<count> bytes received"); set on the message thread. */
    juce::String dumpProgressText;

    /** The recording taken over from the engine at "OK", until it is written. */
    juce::MidiBuffer dumpBuffer;

private:
    //==============================================================================
    // Skin images of the main page and its pages (DremlorDialogLayout.cpp)

    /** The skin image of this entry name (the skin's fallback image when missing). */
    static juce::Image skinImage (juce::StringRef fileName);

    /** Every image drawn at its own size, centred, at full opacity; the whole
        rectangle takes clicks.
    */
    static void setButtonImages (juce::ImageButton& button, const juce::Image& normal,
                                 const juce::Image& over, const juce::Image& down);
    static void setButtonImages (juce::ImageButton& button, const juce::Image& all);

    //==============================================================================
    void createComponents();
    void loadSettings();
    void saveReceiveDir (const juce::File& folder);
    void saveSendDir (const juce::File& folder);

    /** The program's own (not the platform's) file chooser, so that it looks and
        behaves the same everywhere and can be driven by typing a path.
    */
    static juce::File browseForFileToSend (const juce::File& startFolder);
    void switchPage (bool toReceivePage);
    void browseForReceiveFolder();

    /** Shows a chosen file or folder in the "File" field and the "File Selected" label,
        with the "Check2" mark; empty texts clear the row and hide the mark.
    */
    void setFileRow (const juce::String& fieldText, const juce::String& labelText);
    void cancelPressed();
    bool portsFitDevice() const;

    /** The input and output rows open, close and choose their ports alike. */
    enum class PortDirection { input, output };

    void portChosen (PortDirection, int itemId);
    void selectDefaultPort (PortDirection);
    bool openPort (PortDirection, const juce::String& portName);

    /** Stops the engine, lowers its ready flags and closes the port; true when it was open. */
    bool releasePort (PortDirection);

    /** Queues the transaction and waits for its end on the message thread, at most
        for its time-out; true when it ended, false when it is still in flight.
    */
    bool runBlocking (std::unique_ptr<SysExTransaction> transaction);
    void releaseRetiredTransactions();

    //==============================================================================
    // Send run (DremlorDialogSendRun.cpp)

    /** Converts and retargets the send buffer for a Korrina and sets the sender up for
        the file kind; false, with the reason shown, when nothing is to be sent.
    */
    bool prepareKorrinaSend();

    /** The end of every send that ran: controls back, result row cleared. */
    void finishSend();

    /** Program 0 on channel 1 after a bank, so the unit shows the presets it now holds. */
    void queueProgramChange();

    static bool isKorrina (DeviceModel model) noexcept;
    static bool isStompra (DeviceModel model) noexcept;

    //==============================================================================
    DremlorSettings settings;
    VASMidiProcessing* processing = nullptr;
    SkinManager* skin = nullptr;

    std::unique_ptr<SysExTransaction> pendingTransaction;
    std::vector<std::unique_ptr<SysExTransaction>> retiredTransactions;

    ProgressMirror progressMirror;

    // Korrina backup (DremlorDialogKorrinaBackup.cpp)
    std::unique_ptr<KorrinaBackupPage> korrinaPage;
    std::unique_ptr<ReceiveThread> receiveThread, finishedReceiveThread;
    bool receiveResultHandled = false;
    bool backupRunning = false;

    void receiveThreadChanged (ReceiveThread& thread);
    void spinControlChanged (VASSpinControl& spin);
    void continueWithNextCab();
    void finishBackupRun();
    void endBackupRun();
    void closeKorrinaBackupPage (int result);
    void setFullBackupMode();
    void setSingleItemMode (juce::ToggleButton& pressed);

    // Stompra backup (DremlorDialogStompraBackup.cpp)
    std::unique_ptr<DumpProgressThread> dumpProgressThread;

    /** Set while a recording started by the restore dialog's "Ready" runs: it ends,
        unsaved, when that dialog closes.
    */
    bool recordingFromSendDialog = false;

    /** Starts a recording whose count the bar shows; the "Ready" that was pressed is
        disabled, so one opening records at most once.
    */
    void startDumpRecording (juce::Button* ready, juce::ProgressBar* countBar);

    void stompraBackupOk();
    void stompraBackupCancel();
    void closeStompraBackupPage (int result);

    /** Ends the recording and drops what it holds, as the page's Cancel does. */
    void discardDumpRecording();
    void endDumpRecording();

    /** Set while a file chooser is shown (isChooserOpen). */
    bool chooserOpen = false;

    /** Set while the send dialog's modal loop runs (isSendDialogOpen). */
    bool sendDialogOpen = false;

    juce::StringArray inputDeviceNames, outputDeviceNames;
    juce::PopupMenu deviceMenu, inputPortMenu, outputPortMenu, bankMenu;
    juce::ModifierKeys modifierKeys;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DremlorDialog)
};
