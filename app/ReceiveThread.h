#pragma once

#include "devicelink/SysExTransaction.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>

//==============================================================================
/**
    Waits for one backup request of the Korrina to be answered and writes the
    answer to its ".syx" file ("Receive Thread").

    One thread serves one request: it watches the transaction every 100 ms and
    publishes the share of replies received; once the unit has answered completely
    it names the file from the backup type (and, for presets and cabs, from the name
    held in the dump) and writes every reply to it, byte for byte, in the order of
    arrival. It reports to the dialog by change messages, with the result in
    getStatus().

    File names inside the folder:
      - banks 1 to 4: base name + "-bank-A" ... "-bank-D" + ".syx", system (5): base
        name + "-system.syx" (an existing file is replaced);
      - preset (6, 7) and cab (8): the name read from the dump ("EMPTY" for an empty
        slot), with " (n)" added when that name is taken;
      - one slot of all user cabs (9): three-digit cab number + "-" + cab name + ".syx".

    The dialog owns the transaction and the thread; the transaction must outlive the
    thread's work (the final change message is sent after its last read).
*/
class ReceiveThread  : public juce::Thread,
                       public juce::ChangeBroadcaster
{
public:
    /** What getStatus() reports. */
    enum Status
    {
        stillWaiting = -1,  // the unit is still answering
        written      = 0,   // the file was written
        timedOut     = 1,   // the unit went silent; nothing was written
        saving       = 2,   // every reply is in; the file is being named and written
        notWritten   = 3    // the file could not be named or written
    };

    /** Where the share of replies received (0 to 1) goes while the unit answers. */
    using ProgressSink = std::function<void (double)>;

    /** Watches the transaction for a backup of this type (1 to 9). The cab number
        (1-based) names the file of type 9; the base name those of types 1 to 5.
    */
    ReceiveThread (SysExTransaction& transaction, ProgressSink progress, const juce::File& folder,
                   int type, int cabNumber, const juce::String& baseName);

    /** Asks the thread to stop and waits until it has (a file being written is
        finished first).
    */
    ~ReceiveThread() override;

    //==============================================================================
    /** The result so far (one of Status); read it in the change callback. */
    int getStatus() const noexcept                { return status.load(); }

    /** The file that was (or was to be) written: true when a path was chosen. Valid
        once the status is written or notWritten.
    */
    bool getOutputPath (juce::File& file) const;

    //==============================================================================
    /** Chooses the path of the file for the backup type; writes nothing. */
    void chooseOutputPath();

    /** The preset name held in the dump's first data message, cleaned for use as a
        file name; "EMPTY" when there is none.
    */
    juce::String readPresetName();

    /** The cab name held in the dump, its refused characters replaced (device names
        are judged on the file name it goes into); empty for an empty slot. False
        when the dump holds a cab whose name cannot be read.
        Virtual, so that a test can stand in a name that cannot be read.
    */
    virtual bool parseCabName (juce::String& name);

    /** folder / name + ".syx", or the first of folder / name + " (1).syx", " (2).syx"...
        that no file takes; empty for an empty name.
    */
    juce::String findFreeFilePath (const juce::String& name) const;

    //==============================================================================
    /** The name with each character that file systems refuse (\ / : * ? " < > |
        and the control characters) made "-", each character above 0x7F made a
        space, and trailing white space removed. Leading dots become "-" too: the
        file is then never hidden, and "." or ".." never names a folder. A name
        whose part before its first dot is one Windows keeps for a device (CON,
        PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9, any case) gets a "-"
        after that part; for a cab of all user cabs this is judged on the written
        name, slot number included. One rule on every system.
    */
    static juce::String makeFileNameSafe (const juce::String& name);

    /** The file of this name directly inside the folder, the name taken as it is
        (unlike getChildFile, which reads a leading "~", "." or ".." as a path).
    */
    static juce::File fileInFolder (const juce::File& folder, const juce::String& fileName);

    /** 7 -> "007", 42 -> "042", 512 -> "512". */
    static juce::String threeDigitNumber (int number);

    /** The text of the message shown when a cab name cannot be read. */
    static constexpr const char* cabNameErrorText = "An error was encountered while parsing the Cab name.";

    //==============================================================================
    /** @internal */
    void run() override;

private:
    //==============================================================================
    void setStatusAndTell (Status newStatus);
    void publishProgress();

    /** makeFileNameSafe's character rules, without the device names. */
    static juce::String replaceRefusedCharacters (const juce::String& name);

    /** Shows the cab-name error on the message thread and waits until it is closed
        (or the thread is asked to stop).
    */
    void showCabNameError();

    SysExTransaction& transaction;
    ProgressSink progress;
    const juce::File folder;
    const juce::String baseName;
    const int type, cabNumber;

    juce::String outputPath;
    std::atomic<int> status { stillWaiting };
    juce::MemoryBlock dump;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReceiveThread)
};
