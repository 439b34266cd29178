#pragma once

#include <juce_data_structures/juce_data_structures.h>

//==============================================================================
/**
    The program's settings file: the folder the user last sent a file from, the
    folder backups are written to (and, for the self-update, the installer folder).

    One per-user XML property file, "Dremlor.settings" in "Vornhalt Audio/Dremlor"
    of the user's application-data folder, shared with other processes under the
    system-wide lock "Prefs Lock". Changes are written by the framework 3000 ms after
    the last one, by saveIfNeeded when the window's close button ends the program
    and, as a last resort, when the dialog is deleted.

    Owned by the main dialog; message thread only.
*/
class DremlorSettings
{
public:
    DremlorSettings();
    ~DremlorSettings();

    //==============================================================================
    /** Opens the settings file (an absent or unreadable one reads as empty) and settles
        the send and receive folders, writing the home folder back for a missing
        "SEND_DIR" and for a missing or vanished "RCV_DIR".
    */
    void load();

    /** Remembers the folder of a file chosen for sending ("SEND_DIR"). */
    void saveSendDir (const juce::File& folder);

    /** Remembers the folder chosen for backups ("RCV_DIR"). */
    void saveReceiveDir (const juce::File& folder);

    /** Writes the file now if anything changed since the last write; false when
        the write failed.
    */
    bool saveIfNeeded();

    //==============================================================================
    /** The start folder of the send file chooser. */
    const juce::File& getSendFolder() const noexcept          { return sendFolder; }

    /** The start folder of the backup folder chooser and the default backup folder. */
    const juce::File& getReceiveFolder() const noexcept       { return receiveFolder; }

    /** True when "SEND_DIR" was missing or empty at load: the program's first run. */
    bool wasSendFolderDefaulted() const noexcept              { return sendFolderDefaulted; }

    /** The user properties file (for the self-update's "AUTO_UPDATE_DIR"); null before load. */
    juce::PropertiesFile* getUserSettings() const noexcept    { return userSettings; }

    /** The options the file is opened with (name, folder, format, save delay, lock). */
    juce::PropertiesFile::Options makeOptions();

    /** The user's application-data folder, which holds "Vornhalt Audio/Dremlor". On
        Windows the folder %APPDATA% names when it is set to an absolute path (it
        always is there, naming the roaming folder), else the framework's.
    */
    static juce::File getApplicationDataFolder();

    //==============================================================================
    /** The date-and-time name of a backup run: local time as "%y%m%d-%H%M%S",
        e.g. "250302-090507".
    */
    static juce::String makeDateTimeName (juce::Time when = juce::Time::getCurrentTime());

    static constexpr const char* sendDirKey = "SEND_DIR";
    static constexpr const char* receiveDirKey = "RCV_DIR";

private:
    //==============================================================================
    juce::InterProcessLock settingsLock { "Prefs Lock" };
    std::unique_ptr<juce::ApplicationProperties> properties;
    juce::PropertiesFile* userSettings = nullptr;

    juce::File sendFolder, receiveFolder;
    bool sendFolderDefaulted = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DremlorSettings)
};
