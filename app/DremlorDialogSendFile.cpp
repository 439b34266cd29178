#include "app/DremlorDialog.h"

#include "app/RegularFileReader.h"
#include "app/SendFileData.h"

#include <new>

namespace
{
    const uint8_t* bytesOf (const juce::MemoryBlock& block) noexcept
    {
        return static_cast<const uint8_t*> (block.getData());
    }
}

//==============================================================================
juce::File DremlorDialog::browseForFileToSend (const juce::File& startFolder)
{
    juce::FileChooser chooser ("Select a file...", startFolder, "*.syx", false);

    if (chooser.browseForFileToOpen())
        return chooser.getResult();

    return {};
}

void DremlorDialog::saveSendDir (const juce::File& folder)
{
    settings.saveSendDir (folder);
}

bool DremlorDialog::selectFile (const juce::String& path)
{
    // The bytes in use are kept aside, so that a cancelled choice or a file that does
    // not fit the device leaves the earlier file ready to send.
    if (! sendBuffer.isEmpty())
    {
        previousSendBuffer = sendBuffer;
        sendBuffer.reset();
    }

    fileLoaded = false;
    juce::File file;

    if (path.isEmpty())
    {
        const juce::ScopedValueSetter<bool> showing (chooserOpen, true);
        file = chooseFileToSend != nullptr ? chooseFileToSend (settings.getSendFolder())
                                           : browseForFileToSend (settings.getSendFolder());

        if (file == juce::File())
        {
            if (! previousSendBuffer.isEmpty())
                sendBuffer = previousSendBuffer;

            return false;
        }
    }
    else
    {
        file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    }

    saveSendDir (file.getParentDirectory());
    fileLoaded = loadSendFile (file);

    // A file that cannot be read (its message has been shown) leaves the earlier
    // file ready to send, as a misfit does.
    if (! fileLoaded)
    {
        if (! previousSendBuffer.isEmpty())
            sendBuffer = previousSendBuffer;

        return false;
    }

    // An empty file holds nothing for any device, the Boot ROM included: it is refused
    // as a misfit rather than passed over without a word.
    if (sendBuffer.isEmpty() || (device != DeviceModels::bootRom && ! fileMatchesDevice()))
    {
        showMessage (SendFileData::getMismatchText (device));
        sendBuffer.reset();

        if (! previousSendBuffer.isEmpty())
            sendBuffer = previousSendBuffer;

        return true;
    }

    sendFile = file;
    fileField->setText (file.getFullPathName(), true);
    fileSelectedLabel->setText (file.getFileName(), juce::dontSendNotification);
    check2->setVisible (true);
    fileChosen = true;
    updateStepControls();
    return true;
}

bool DremlorDialog::loadSendFile (const juce::File& file)
{
    // Only a regular file of a sane size is read: a link to a device, a named pipe,
    // a folder or a huge file is refused with a message saying which it is.
    const auto read = RegularFileReader::read (file, sendBuffer);

    if (read.failed())
        showMessage (read.getErrorMessage() + "\n\nPlease try a different file.");

    return read.wasOk();
}

bool DremlorDialog::storeSendData (const juce::MemoryBlock& data)
{
    try
    {
        sendBuffer = data;
        return true;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
}

//==============================================================================
uint8_t DremlorDialog::getSysExModel (const uint8_t* data, size_t size) noexcept
{
    return SendFileData::getSysExModel (data, size);
}

uint8_t DremlorDialog::getSendFileModel() const noexcept
{
    return getSysExModel (bytesOf (sendBuffer), sendBuffer.getSize());
}

bool DremlorDialog::fileMatchesDevice() const noexcept
{
    return SendFileData::fileMatchesDevice (bytesOf (sendBuffer), sendBuffer.getSize(), device);
}

void DremlorDialog::showDeviceMismatch()
{
    if (! sendBuffer.isEmpty())
        showMessage (SendFileData::getMismatchText (device));
}

void DremlorDialog::showCannotTransmit()
{
    showMessage ("Dremlor has lost communication with the device.  "
                 "Please make sure the device is powered on and connected to the computer.");
}

//==============================================================================
int DremlorDialog::getSendFileKind()
{
    return SendFileData::getSendFileKind (bytesOf (sendBuffer), sendBuffer.getSize(), device, presetHeaderCount);
}

int DremlorDialog::classifyPatchFile (uint8_t model)
{
    return SendFileData::classifyPatchFile (bytesOf (sendBuffer), sendBuffer.getSize(), model, presetHeaderCount);
}

int DremlorDialog::countPatchHeaders (uint8_t model)
{
    return SendFileData::countPatchHeaders (bytesOf (sendBuffer), sendBuffer.getSize(), model, presetHeaderCount);
}

void DremlorDialog::setSendDestination (int slot)
{
    toEditBuffer = false;
    SendFileData::setSendDestination (sendBuffer, (uint8_t) slot);
}

void DremlorDialog::setSendBank (uint8_t bank, uint8_t model)
{
    SendFileData::setSendBank (sendBuffer, bank, model);
}

//==============================================================================
bool DremlorDialog::convertKorrinaPreset (const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return SendFileData::convertKorrinaPreset (dumpImage, data, size, output);
}

bool DremlorDialog::convertKorrinaGrandPreset (const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return SendFileData::convertKorrinaGrandPreset (dumpImage, data, size, output);
}

bool DremlorDialog::convertKorrinaBank (const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return SendFileData::convertKorrinaBank (dumpImage, data, size, output);
}

bool DremlorDialog::convertKorrinaGrandBank (const uint8_t* data, size_t size, juce::MemoryBlock& output)
{
    return SendFileData::convertKorrinaGrandBank (dumpImage, data, size, output);
}
