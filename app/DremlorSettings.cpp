#include "app/DremlorSettings.h"

DremlorSettings::DremlorSettings() = default;

DremlorSettings::~DremlorSettings()
{
    // The properties file refers to the lock, so it goes first.
    properties.reset();
}

//==============================================================================
juce::PropertiesFile::Options DremlorSettings::makeOptions()
{
    const auto folder = getApplicationDataFolder().getChildFile ("Vornhalt Audio")
                                                  .getChildFile ("Dremlor");

    juce::PropertiesFile::Options options;
    options.applicationName = "Dremlor";
    options.filenameSuffix = ".settings";
    options.folderName = folder.getFullPathName();
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = &settingsLock;
    return options;
}

void DremlorSettings::load()
{
    properties = std::make_unique<juce::ApplicationProperties>();
    properties->setStorageParameters (makeOptions());
    userSettings = properties->getUserSettings();

    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    const auto storedSend = userSettings->getValue (sendDirKey, {});

    if (storedSend.isEmpty())
    {
        sendFolderDefaulted = true;
        sendFolder = home;
        userSettings->setValue (sendDirKey, home.getFullPathName());
    }
    else
    {
        // Taken as it is: the file chooser copes with a folder that has gone.
        sendFolder = juce::File (storedSend);
    }

    const auto storedReceive = userSettings->getValue (receiveDirKey, {});

    // Backups are written here without asking, so only a folder that still exists is kept.
    if (storedReceive.isNotEmpty() && juce::File::isAbsolutePath (storedReceive)
        && juce::File (storedReceive).exists())
    {
        receiveFolder = juce::File (storedReceive);
    }
    else
    {
        receiveFolder = home;
        userSettings->setValue (receiveDirKey, home.getFullPathName());
    }
}

void DremlorSettings::saveSendDir (const juce::File& folder)
{
    sendFolder = folder;

    if (userSettings != nullptr)
        userSettings->setValue (sendDirKey, folder.getFullPathName());
}

void DremlorSettings::saveReceiveDir (const juce::File& folder)
{
    receiveFolder = folder;

    if (userSettings != nullptr)
        userSettings->setValue (receiveDirKey, folder.getFullPathName());
}

bool DremlorSettings::saveIfNeeded()
{
    return properties == nullptr || properties->saveIfNeeded();
}

//==============================================================================
juce::String DremlorSettings::makeDateTimeName (juce::Time when)
{
    return when.formatted ("%y%m%d") + "-" + when.formatted ("%H%M%S");
}
