#include "app/ReceiveThread.h"

#include "app/DremlorDialog.h"
#include "devicelink/DumpImage.h"

#include <memory>

namespace
{
    constexpr int pollIntervalMs = 100;

    // Waiting has no limit: every wait of the thread gives way to a stop request
    // within one poll step, and the rest is the finite work of naming and writing
    // one file. A thread killed half-way would go on reading a transaction that its
    // owner deletes next, and could leave a lock taken.
    constexpr int waitWithoutLimit = -1;

    // Where the preset name lies in a preset dump: after the 12-byte PATCH_START,
    // the PATCH_DATA's 6-byte header and 2-group count put word 0 at byte 20; words
    // take 3 groups, so words 2 to 33 start at bytes 26, 29, ... 119.
    constexpr int presetNameOffset = 26;
    constexpr int presetNameStride = 3;
    constexpr int presetNameLength = 32;

    const juce::String emptySlotName ("EMPTY");
    const juce::String fileExtension (".syx");

    /** True for the names Windows keeps for devices, in any letter case: CON, PRN,
        AUX, NUL, CONIN$, CONOUT$, COM1 to COM9 and LPT1 to LPT9.
    */
    bool isReservedDeviceName (const juce::String& name)
    {
        static const juce::StringArray devices { "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$" };

        if (devices.contains (name, true))
            return true;

        return name.length() == 4
            && (name.startsWithIgnoreCase ("COM") || name.startsWithIgnoreCase ("LPT"))
            && name[3] >= '1' && name[3] <= '9';
    }

    /** Windows opens a device instead of a file for "CON", "NUL.syx" or "aux.x.syx":
        a "-" after the reserved part makes them plain names, on every system alike.
        Judged on the name as it is written: a slot number in front ("009-CON.syx")
        already makes it plain, and an extension or " (n)" after it never makes it
        reserved.
    */
    juce::String avoidDeviceName (const juce::String& fileName)
    {
        const auto stem = fileName.upToFirstOccurrenceOf (".", false, false);

        if (isReservedDeviceName (stem.trimCharactersAtEnd (" ")))
            return stem + "-" + fileName.substring (stem.length());

        return fileName;
    }
}

//==============================================================================
ReceiveThread::ReceiveThread (SysExTransaction& transactionToWatch, ProgressSink progressSink,
                              const juce::File& folderToWriteTo, int backupType, int cabNumberToName,
                              const juce::String& runBaseName)
    : juce::Thread ("Receive Thread"),
      transaction (transactionToWatch),
      progress (std::move (progressSink)),
      folder (folderToWriteTo),
      baseName (runBaseName),
      type (backupType),
      cabNumber (cabNumberToName)
{
}

ReceiveThread::~ReceiveThread()
{
    stopThread (waitWithoutLimit);
}

//==============================================================================
void ReceiveThread::run()
{
    for (;;)
    {
        const auto state = transaction.getState();
        publishProgress();

        if (state != TransactionState::waiting)
            break;

        if (threadShouldExit())
            return;

        wait (pollIntervalMs);
    }

    if (threadShouldExit())
        return;

    if (transaction.getState() == TransactionState::timedOut)
    {
        setStatusAndTell (timedOut);
        return;
    }

    setStatusAndTell (saving);
    chooseOutputPath();

    if (threadShouldExit())
        return;

    const bool ok = outputPath.isNotEmpty() && transaction.writeRepliesToFile (juce::File (outputPath));
    setStatusAndTell (ok ? written : notWritten);
}

void ReceiveThread::publishProgress()
{
    const auto expected = transaction.getExpectedReplies();

    if (progress != nullptr && expected > 0)
        progress (juce::jlimit (0.0, 1.0, (double) transaction.getNumReplies() / (double) expected));
}

void ReceiveThread::setStatusAndTell (Status newStatus)
{
    status.store (newStatus);
    sendChangeMessage();
}

//==============================================================================
void ReceiveThread::chooseOutputPath()
{
    static const char* const bankSuffixes[] { "-bank-A", "-bank-B", "-bank-C", "-bank-D" };

    if (type >= 1 && type <= 4)
    {
        outputPath = fileInFolder (folder, baseName + bankSuffixes[type - 1] + fileExtension).getFullPathName();
    }
    else if (type == 5)
    {
        outputPath = fileInFolder (folder, baseName + "-system" + fileExtension).getFullPathName();
    }
    else if (type == 6 || type == 7)
    {
        outputPath = findFreeFilePath (readPresetName());
    }
    else if (type == 8 || type == 9)
    {
        juce::String name;

        if (! parseCabName (name))
        {
            showCabNameError();
            return;
        }

        if (name.isEmpty())
            name = emptySlotName;

        outputPath = type == 8 ? findFreeFilePath (avoidDeviceName (name))
                               : fileInFolder (folder, avoidDeviceName (threeDigitNumber (cabNumber) + "-" + name + fileExtension))
                                     .getFullPathName();
    }
}

juce::String ReceiveThread::readPresetName()
{
    transaction.joinReplies (dump);

    const auto* bytes = static_cast<const uint8_t*> (dump.getData());
    const auto size = dump.getSize();
    juce::String name;

    for (int i = 0; i < presetNameLength; ++i)
    {
        const auto offset = (size_t) (presetNameOffset + i * presetNameStride);
        const auto c = offset < size ? bytes[offset] : (uint8_t) 0;

        if (c == 0)
            break;

        name << juce::String::charToString ((juce::juce_wchar) c);
    }

    name = makeFileNameSafe (name);
    return name.isEmpty() ? emptySlotName : name;
}

bool ReceiveThread::parseCabName (juce::String& name)
{
    dump.reset();
    transaction.joinReplies (dump);

    const auto* bytes = static_cast<const uint8_t*> (dump.getData());
    bool empty = false;

    if (! DumpImage::isCabIrEmpty (bytes, dump.getSize(), empty) || empty)
    {
        name = {};
        return true;
    }

    juce::String read;

    if (! DumpImage::getCabIrName (bytes, dump.getSize(), read))
        return false;

    name = replaceRefusedCharacters (read);
    return true;
}

juce::String ReceiveThread::findFreeFilePath (const juce::String& name) const
{
    if (name.isEmpty())
        return {};

    auto candidate = fileInFolder (folder, name + fileExtension);

    for (int n = 1; candidate.existsAsFile(); ++n)
        candidate = fileInFolder (folder, name + " (" + juce::String (n) + ")" + fileExtension);

    return candidate.getFullPathName();
}

bool ReceiveThread::getOutputPath (juce::File& file) const
{
    if (outputPath.isEmpty())
        return false;

    file = juce::File (outputPath);
    return true;
}

//==============================================================================
juce::String ReceiveThread::makeFileNameSafe (const juce::String& name)
{
    return avoidDeviceName (replaceRefusedCharacters (name));
}

juce::String ReceiveThread::replaceRefusedCharacters (const juce::String& name)
{
    static const juce::String refused ("\\/:*?\"<>|");
    juce::String mapped;
    bool leadingDot = true;

    for (auto p = name.getCharPointer(); ! p.isEmpty(); ++p)
    {
        const auto c = *p;
        leadingDot = leadingDot && c == '.';

        if (c > 0x7F)
            mapped << ' ';
        else if (refused.containsChar (c) || leadingDot)
            mapped << '-';
        else
            mapped << juce::String::charToString (c);
    }

    // Trailing white space goes first, tabs and line ends with it; the control
    // characters left inside the name become "-", since Windows refuses them.
    const auto trimmed = mapped.trimEnd();
    juce::String safe;

    for (auto p = trimmed.getCharPointer(); ! p.isEmpty(); ++p)
        safe << (*p < 0x20 ? juce::String ("-") : juce::String::charToString (*p));

    return safe;
}

juce::File ReceiveThread::fileInFolder (const juce::File& folder, const juce::String& fileName)
{
    // getChildFile reads a leading "~" as the home folder and "." or ".." as folders;
    // joined to the folder's full path, the name is taken as it is.
    return juce::File (folder.getFullPathName() + juce::File::getSeparatorString() + fileName);
}

juce::String ReceiveThread::threeDigitNumber (int number)
{
    const auto text = juce::String (number);
    return number < 10 ? "00" + text : number < 100 ? "0" + text : text;
}

//==============================================================================
void ReceiveThread::showCabNameError()
{
    // Message boxes belong to the message thread; this thread waits until the box
    // is closed, so the error is seen before the run goes on.
    auto closed = std::make_shared<juce::WaitableEvent>();

    const bool posted = juce::MessageManager::callAsync ([closed]
    {
        DremlorDialog::showMessage (cabNameErrorText);
        closed->signal();
    });

    if (! posted)
        return;

    while (! closed->wait (pollIntervalMs))
        if (threadShouldExit())
            return;
}
