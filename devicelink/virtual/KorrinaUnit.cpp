#include "devicelink/virtual/KorrinaUnit.h"

#include "devicelink/virtual/PackedPatchEncoder.h"

#include <cstring>

namespace
{
    // Function codes the unit answers or takes in.
    enum : uint8_t
    {
        patchDumpRequest   = 0x03,
        queryVersion       = 0x08,
        cabDumpRequest     = 0x19,
        bankDumpRequest    = 0x1C,
        firmwareLeadIn     = 0x25,
        fpgaLeadIn         = 0x26,
        getConfig          = 0x35,
        editorDisconnect   = 0x42,
        dumpSystem         = 0x43,
        systemStart        = 0x61,
        systemData         = 0x62,
        systemEnd          = 0x63,
        fpgaStart          = 0x6A,
        fpgaData           = 0x6B,
        fpgaEnd            = 0x6C,
        patchStart         = 0x77,
        patchData          = 0x78,
        patchEnd           = 0x79,
        cabStart           = 0x7A,
        cabData            = 0x7B,
        cabEnd             = 0x7C,
        firmwareStart      = 0x7D,
        firmwareData       = 0x7E,
        firmwareEnd        = 0x7F
    };

    // Device result codes the unit answers with.
    enum : uint8_t
    {
        resultOk               = 0,
        badChecksum            = 1,
        wrongModel             = 3,
        notRecognised          = 5,
        invalidParameter       = 7,
        wrongCount             = 10,
        illegalMessage         = 16,
        badLength              = 17,
        imageSizeIncorrect     = 18,
        badImageChecksum       = 19,
        invalidCab             = 22,
        invalidBank            = 24
    };

    constexpr int displayOffsetParameter = 0x2FE;
    constexpr int patchWordsPerMessage = 64;
    constexpr int patchGroupsPerWord = 3;
    constexpr int cabWordsPerMessage = 32;
    constexpr int cabGroupsPerWord = 5;
    constexpr int nameWords = 32;
    constexpr int cabNameBytes = 32;

    constexpr int dataMessageSize (int wordsPerMessage, int groupsPerWord)
    {
        return SysExMessage::frameOverhead + 2 + wordsPerMessage * groupsPerWord;
    }

    uint32_t groups (const uint8_t* data, int size, int offset, int count)
    {
        return SysExMessage::readSeptets (data, size, offset, count);
    }

    juce::String makePresetName (int bank, int preset, juce::Random& rng)
    {
        static const char* const styles[] { "Clean", "Crunch", "Lead", "Rhythm", "Ambient", "Bass", "Acoustic", "Fuzz" };
        const auto number = juce::String (bank * KorrinaUnit::presetsPerBank + preset).paddedLeft ('0', 3);
        return juce::String::charToString ((juce::juce_wchar) ('A' + bank)) + number + " " + styles[rng.nextInt (8)];
    }
}

//==============================================================================
KorrinaUnit::KorrinaUnit (DeviceModel modelToEmulate, const juce::String& name)
    : model (modelToEmulate == DeviceModels::korrinaGrand ? DeviceModels::korrinaGrand : DeviceModels::korrina),
      portName (name)
{
    if (model == DeviceModels::korrinaGrand)
    {
        firmwareMajor = 14;
        firmwareMinor = 3;
    }

    fillInitialContent();
}

KorrinaUnit::~KorrinaUnit() = default;

juce::String KorrinaUnit::getPortName() const
{
    return portName;
}

//==============================================================================
juce::MemoryBlock KorrinaUnit::makeGrandPresetImage (int bank, int preset) const
{
    // The seed leaves the model out: both editions hold the same presets, so a packed
    // Korrina preset unpacks to the Grand's preset of the same slot.
    juce::Random rng ((juce::int64) bank * 1009 + preset + 1);
    std::vector<uint16_t> words (DumpImage::grandPresetSize / 2, 0);
    words[0] = 0x0001;

    // The last slot of every bank is empty: its name is all zeros.
    if (preset != presetsPerBank - 1)
    {
        const auto name = makePresetName (bank, preset, rng);

        for (int i = 0; i < name.length() && i < nameWords; ++i)
            words[(size_t) (2 + i)] = (uint16_t) name[i];
    }

    // Real presets are mostly zeros with a few parameters set, which is what lets the
    // Korrina pack them.
    for (size_t i = 34; i < words.size(); ++i)
        if (rng.nextInt (16) == 0)
            words[i] = (uint16_t) (1 + rng.nextInt (63));

    juce::MemoryBlock image (words.size() * 2, true);
    auto* bytes = static_cast<uint8_t*> (image.getData());

    for (size_t i = 0; i < words.size(); ++i)
    {
        bytes[2 * i] = (uint8_t) (words[i] & 0xFF);
        bytes[2 * i + 1] = (uint8_t) (words[i] >> 8);
    }

    return image;
}

void KorrinaUnit::fillInitialContent()
{
    presets.clear();

    for (int bank = 0; bank < numBanks; ++bank)
    {
        for (int preset = 0; preset < presetsPerBank; ++preset)
        {
            const auto grand = makeGrandPresetImage (bank, preset);

            if (model == DeviceModels::korrinaGrand)
            {
                presets.push_back (grand);
                continue;
            }

            // Some Korrina presets are kept packed, so conversions meet real packed data.
            if (bank < 3 && preset % 4 == 1)
            {
                std::vector<uint16_t> grandWords (DumpImage::grandPresetSize / 2);
                std::memcpy (grandWords.data(), grand.getData(), grand.getSize());
                std::vector<uint16_t> korrinaWords;

                if (PackedPatchEncoder::packPreset (grandWords.data(), (int) grandWords.size(), korrinaWords))
                {
                    presets.emplace_back (korrinaWords.data(), korrinaWords.size() * 2);
                    continue;
                }
            }

            // Unpacked: the main section's first half, then the section shared with the Grand.
            constexpr auto half = DumpImage::korrinaPresetSize / 2;
            juce::MemoryBlock korrina (DumpImage::korrinaPresetSize, true);
            korrina.copyFrom (grand.getData(), 0, half);
            korrina.copyFrom (static_cast<const uint8_t*> (grand.getData()) + DumpImage::korrinaPresetSize, half, half);
            presets.push_back (korrina);
        }
    }

    editBuffer = presets.front();

    juce::Random rng ((juce::int64) model * 7919 + 17);
    const int filledCabs = model == DeviceModels::korrinaGrand ? 48 : 30;
    cabs.assign ((size_t) getUserCabCount() + 1, std::vector<uint32_t> ((size_t) cabWords, 0xFFFFFFFFu));

    for (int slot = 0; slot < filledCabs; ++slot)
    {
        auto& words = cabs[(size_t) slot];
        static const char* const rooms[] { "Room", "Studio", "Hall", "Closet", "Plate" };
        const auto name = "Cab " + juce::String (slot + 1).paddedLeft ('0', 3) + " " + rooms[slot % 5];
        uint8_t nameBytes[cabNameBytes] {};

        for (int i = 0; i < name.length() && i < cabNameBytes; ++i)
            nameBytes[i] = (uint8_t) name[i];

        for (int w = 0; w < cabNameBytes / 4; ++w)
            words[(size_t) w] = (uint32_t) nameBytes[4 * w]
                              | ((uint32_t) nameBytes[4 * w + 1] << 8)
                              | ((uint32_t) nameBytes[4 * w + 2] << 16)
                              | ((uint32_t) nameBytes[4 * w + 3] << 24);

        for (size_t w = (size_t) cabNameBytes / 4; w < words.size(); ++w)
            words[w] = (uint32_t) rng.nextInt();
    }

    system.resize ((size_t) systemWords);

    for (auto& word : system)
        word = (uint16_t) rng.nextInt (0x10000);
}

//==============================================================================
void KorrinaUnit::setFirmwareVersion (int major, int minor)
{
    const juce::ScopedLock sl (stateLock);
    firmwareMajor = major;
    firmwareMinor = minor;
}

void KorrinaUnit::setDisplayOffset (int offset)
{
    const juce::ScopedLock sl (stateLock);
    displayOffset = offset;
}

void KorrinaUnit::setCurrentCabSlot (int slot)
{
    const juce::ScopedLock sl (stateLock);

    if (slot >= 0 && slot < getUserCabCount())
        currentCabSlot = slot;
}

void KorrinaUnit::setFaults (const UnitFaults& newFaults)
{
    const juce::ScopedLock sl (stateLock);
    faults = newFaults;
}

void KorrinaUnit::setUnplugHandler (std::function<void()> handler)
{
    const juce::ScopedLock sl (stateLock);
    unplugHandler = std::move (handler);
}

//==============================================================================
juce::MemoryBlock KorrinaUnit::getPreset (int bank, int preset) const
{
    const juce::ScopedLock sl (stateLock);

    if (bank < 0 || bank >= numBanks || preset < 0 || preset >= presetsPerBank)
        return {};

    return presets[(size_t) (bank * presetsPerBank + preset)];
}

bool KorrinaUnit::isPresetPacked (int bank, int preset) const
{
    const auto bytes = getPreset (bank, preset);
    return model == DeviceModels::korrina && bytes.getSize() >= 4
        && (bytes[2] != 0 || bytes[3] != 0);
}

juce::MemoryBlock KorrinaUnit::getEditBuffer() const
{
    const juce::ScopedLock sl (stateLock);
    return editBuffer;
}

std::vector<uint32_t> KorrinaUnit::getCab (int cabNumber) const
{
    const juce::ScopedLock sl (stateLock);

    const auto index = cabIndex (cabNumber);
    return index >= 0 ? cabs[(size_t) index] : std::vector<uint32_t>();
}

bool KorrinaUnit::isCabEmpty (int cabNumber) const
{
    const auto words = getCab (cabNumber);
    return ! words.empty() && (words.front() & 0xFFFF) == 0xFFFF;
}

std::vector<uint16_t> KorrinaUnit::getSystemData() const
{
    const juce::ScopedLock sl (stateLock);
    return system;
}

juce::MemoryBlock KorrinaUnit::getReceivedFirmware() const
{
    const juce::ScopedLock sl (stateLock);
    return firmwareReceived;
}

juce::MemoryBlock KorrinaUnit::getReceivedFpga() const
{
    const juce::ScopedLock sl (stateLock);
    return fpgaReceived;
}

std::vector<juce::MidiMessage> KorrinaUnit::getReceivedMessages() const
{
    const juce::ScopedLock sl (stateLock);
    return received;
}

int KorrinaUnit::getNumReceivedMessages() const
{
    const juce::ScopedLock sl (stateLock);
    return (int) received.size();
}

int KorrinaUnit::getLastProgramChange() const
{
    const juce::ScopedLock sl (stateLock);
    return lastProgramChange;
}

//==============================================================================
void KorrinaUnit::handleMessageFromHost (const juce::MidiMessage& message)
{
    Replies replies;
    std::function<void()> pullPlug;
    int delayMs = 0;
    bool corrupt = false;

    {
        const juce::ScopedLock sl (stateLock);
        received.push_back (message);

        if (message.isProgramChange())
            lastProgramChange = message.getProgramChangeNumber();

        if (! message.isSysEx())
            return;

        ++sysExReceived;

        if (faults.unplugAfterMessages > 0 && sysExReceived > faults.unplugAfterMessages)
        {
            // One-shot: once plugged in again the unit behaves.
            faults.unplugAfterMessages = 0;
            pullPlug = unplugHandler;
        }
        else if (! faults.silent)
        {
            answerSysEx (message, replies);
        }

        delayMs = faults.replyDelayMs;
        corrupt = faults.corruptReplies;
    }

    if (pullPlug != nullptr)
    {
        pullPlug();
        return;
    }

    if (replies.empty())
        return;

    if (delayMs > 0)
        juce::Thread::sleep (delayMs);

    for (const auto& reply : replies)
    {
        ++messagesSent;
        sendToHost (corrupt ? UnitSysEx::withBadChecksum (reply) : reply);
    }
}

juce::MidiMessage KorrinaUnit::status (uint8_t function, uint8_t result) const
{
    return UnitSysEx::makeStatus (model, function, result);
}

void KorrinaUnit::answerSysEx (const juce::MidiMessage& message, Replies& replies)
{
    // SysEx of other makers is not addressed to the unit.
    if (! UnitSysEx::hasMakerHeader (message))
        return;

    const auto* data = message.getRawData();
    const auto size = message.getRawDataSize();
    const auto function = data[5];

    if (size < SysExMessage::frameOverhead)
    {
        replies.push_back (status (function, badLength));
        return;
    }

    if (SysExMessage::checksum (data, size - 2) != data[size - 2])
    {
        replies.push_back (status (function, badChecksum));
        return;
    }

    if (data[4] != model)
    {
        replies.push_back (status (function, wrongModel));
        return;
    }

    if (faults.refusalResult != 0 && (faults.refusalFunction < 0 || faults.refusalFunction == function))
    {
        replies.push_back (status (function, (uint8_t) faults.refusalResult));
        return;
    }

    answerFunction (function, data, size, replies);
}

void KorrinaUnit::answerFunction (uint8_t function, const uint8_t* data, int size, Replies& replies)
{
    const bool grand = model == DeviceModels::korrinaGrand;

    switch (function)
    {
        case queryVersion:
        {
            UnitSysEx::Payload payload;
            payload.add ((uint32_t) firmwareMajor, 1).add ((uint32_t) firmwareMinor, 1)
                   .add (0, 1).add (0, 1).add (0, 1).add (0, 1);
            replies.push_back (UnitSysEx::makeMessage (model, queryVersion, payload));
            return;
        }

        case getConfig:          answerConfigRequest (data, size, replies); return;
        case editorDisconnect:   replies.push_back (status (function, resultOk)); return;
        case patchDumpRequest:   answerPatchDumpRequest (data, size, replies); return;
        case bankDumpRequest:    answerBankDumpRequest (data, size, replies); return;
        case cabDumpRequest:     answerCabDumpRequest (data, size, replies); return;

        case dumpSystem:
            if (grand)
                answerSystemDumpRequest (replies);
            else
                replies.push_back (status (function, notRecognised));
            return;

        case patchStart:  replies.push_back (status (function, receivePatchStart (data, size))); return;
        case patchData:   replies.push_back (status (function, receiveWordData (presetReception, data, size, patchWordsPerMessage, patchGroupsPerWord))); return;
        case patchEnd:    replies.push_back (status (function, receivePatchEnd (data, size))); return;
        case cabStart:    replies.push_back (status (function, receiveCabStart (data, size))); return;
        case cabData:     replies.push_back (status (function, receiveWordData (cabReception, data, size, cabWordsPerMessage, cabGroupsPerWord))); return;
        case cabEnd:      replies.push_back (status (function, receiveCabEnd (data, size))); return;

        case systemStart:
        case systemData:
        case systemEnd:
        {
            uint8_t result = notRecognised;

            if (grand)
                result = function == systemStart ? receiveSystemStart (data, size)
                       : function == systemData  ? receiveWordData (systemReception, data, size, patchWordsPerMessage, patchGroupsPerWord)
                                                 : receiveSystemEnd (data, size);

            replies.push_back (status (function, result));
            return;
        }

        case firmwareLeadIn:
        case firmwareStart:
        case firmwareData:
        case firmwareEnd:
            firmwareReceived.append (data, (size_t) size);
            replies.push_back (status (function, resultOk));
            return;

        case fpgaLeadIn:
        case fpgaStart:
        case fpgaData:
        case fpgaEnd:
            fpgaReceived.append (data, (size_t) size);
            replies.push_back (status (function, resultOk));
            return;

        default:
            replies.push_back (status (function, notRecognised));
            return;
    }
}

//==============================================================================
void KorrinaUnit::answerConfigRequest (const uint8_t* data, int size, Replies& replies)
{
    if (size < SysExMessage::frameOverhead + 2)
    {
        replies.push_back (status (getConfig, badLength));
        return;
    }

    const auto parameter = groups (data, size, 6, 2);

    if (parameter != displayOffsetParameter)
    {
        replies.push_back (status (getConfig, invalidParameter));
        return;
    }

    UnitSysEx::Payload payload;
    payload.add (parameter, 2).add ((uint32_t) displayOffset, 3);
    replies.push_back (UnitSysEx::makeMessage (model, getConfig, payload));
}

void KorrinaUnit::answerPatchDumpRequest (const uint8_t* data, int size, Replies& replies)
{
    if (size < SysExMessage::frameOverhead + 2)
    {
        replies.push_back (status (patchDumpRequest, badLength));
        return;
    }

    const auto bank = (int) groups (data, size, 6, 1);
    const auto preset = (int) groups (data, size, 7, 1);

    if (bank == editBufferBank || bank == editBufferUnlinkedBank)
        appendPresetDump (replies, bank, preset, editBuffer);
    else if (bank < numBanks)
        appendPresetDump (replies, bank, preset, presets[(size_t) (bank * presetsPerBank + preset)]);
    else
        replies.push_back (status (patchDumpRequest, invalidBank));
}

void KorrinaUnit::answerBankDumpRequest (const uint8_t* data, int size, Replies& replies)
{
    if (size < SysExMessage::frameOverhead + 1)
    {
        replies.push_back (status (bankDumpRequest, badLength));
        return;
    }

    const auto bank = (int) groups (data, size, 6, 1);

    if (bank >= numBanks)
    {
        replies.push_back (status (bankDumpRequest, invalidBank));
        return;
    }

    replies.reserve ((size_t) (presetsPerBank * (getDataMessagesPerPreset() + 2)));

    for (int preset = 0; preset < presetsPerBank; ++preset)
        appendPresetDump (replies, bank, preset, presets[(size_t) (bank * presetsPerBank + preset)]);
}

void KorrinaUnit::answerCabDumpRequest (const uint8_t* data, int size, Replies& replies)
{
    const bool grand = model == DeviceModels::korrinaGrand;

    if (size < SysExMessage::frameOverhead + (grand ? 2 : 1))
    {
        replies.push_back (status (cabDumpRequest, badLength));
        return;
    }

    const auto cabNumber = grand ? (int) ((data[6] & 0x7F) << 7 | (data[7] & 0x7F))
                                 : (int) groups (data, size, 6, 1);

    const auto index = cabIndex (cabNumber);

    if (index >= 0)
        appendCabDump (replies, cabNumber, cabs[(size_t) index]);
    else
        replies.push_back (status (cabDumpRequest, invalidCab));
}

void KorrinaUnit::answerSystemDumpRequest (Replies& replies)
{
    UnitSysEx::Payload start;
    start.add ((uint32_t) system.size(), 3);
    replies.push_back (UnitSysEx::makeMessage (model, systemStart, start));

    for (size_t offset = 0; offset < system.size(); offset += patchWordsPerMessage)
    {
        UnitSysEx::Payload payload;
        payload.add ((uint32_t) patchWordsPerMessage, 2);

        for (size_t i = 0; i < (size_t) patchWordsPerMessage; ++i)
            payload.add (system[offset + i], patchGroupsPerWord);

        replies.push_back (UnitSysEx::makeMessage (model, systemData, payload));
    }

    UnitSysEx::Payload end;
    end.add (SysExMessage::xorWords16 (system.data(), (int) system.size()), 3);
    replies.push_back (UnitSysEx::makeMessage (model, systemEnd, end));
}

//==============================================================================
void KorrinaUnit::appendPresetDump (Replies& replies, int bankField, int presetField, const juce::MemoryBlock& bytes) const
{
    const auto numWords = (int) bytes.getSize() / 2;
    std::vector<uint16_t> words ((size_t) numWords);

    for (int i = 0; i < numWords; ++i)
        words[(size_t) i] = (uint16_t) ((uint8_t) bytes[(size_t) (2 * i)] | ((uint8_t) bytes[(size_t) (2 * i + 1)] << 8));

    UnitSysEx::Payload start;
    start.add ((uint32_t) bankField, 1).add ((uint32_t) presetField, 1).add ((uint32_t) numWords, 2);
    replies.push_back (UnitSysEx::makeMessage (model, patchStart, start));

    for (int offset = 0; offset < numWords; offset += patchWordsPerMessage)
    {
        const auto count = juce::jmin (patchWordsPerMessage, numWords - offset);
        UnitSysEx::Payload payload;
        payload.add ((uint32_t) count, 2);

        for (int i = 0; i < patchWordsPerMessage; ++i)
            payload.add (i < count ? words[(size_t) (offset + i)] : 0u, patchGroupsPerWord);

        replies.push_back (UnitSysEx::makeMessage (model, patchData, payload));
    }

    UnitSysEx::Payload end;
    end.add (SysExMessage::xorWords16 (words.data(), numWords), 3);
    replies.push_back (UnitSysEx::makeMessage (model, patchEnd, end));
}

void KorrinaUnit::appendCabDump (Replies& replies, int cabNumber, const std::vector<uint32_t>& words) const
{
    UnitSysEx::Payload start;

    if (model == DeviceModels::korrinaGrand)
        start.addHighFirst14 ((uint32_t) cabNumber);
    else
        start.add ((uint32_t) cabNumber, 1);

    start.add ((uint32_t) words.size(), 2);
    replies.push_back (UnitSysEx::makeMessage (model, cabStart, start));

    for (size_t offset = 0; offset < words.size(); offset += cabWordsPerMessage)
    {
        UnitSysEx::Payload payload;
        payload.add ((uint32_t) cabWordsPerMessage, 2);

        for (size_t i = 0; i < (size_t) cabWordsPerMessage; ++i)
            payload.add (words[offset + i], cabGroupsPerWord);

        replies.push_back (UnitSysEx::makeMessage (model, cabData, payload));
    }

    UnitSysEx::Payload end;
    end.add (SysExMessage::xorWords32 (words.data(), (int) words.size()), cabGroupsPerWord);
    replies.push_back (UnitSysEx::makeMessage (model, cabEnd, end));
}

//==============================================================================
uint8_t KorrinaUnit::receivePatchStart (const uint8_t* data, int size)
{
    if (size != SysExMessage::frameOverhead + 4)
        return badLength;

    const auto bank = (int) groups (data, size, 6, 1);
    const auto preset = (int) groups (data, size, 7, 1);
    const auto numWords = (int) groups (data, size, 8, 2);

    if (bank >= numBanks && bank != editBufferBank && bank != editBufferUnlinkedBank)
        return invalidBank;

    if (numWords != getPresetWords())
        return imageSizeIncorrect;

    presetReception.active = true;
    presetReception.target = bank * presetsPerBank + preset;
    presetReception.expectedWords = numWords;
    presetReception.words.clear();
    return resultOk;
}

uint8_t KorrinaUnit::receiveWordData (Reception& reception, const uint8_t* data, int size, int wordsPerMessage, int groupsPerWord)
{
    if (! reception.active)
        return illegalMessage;

    if (size != dataMessageSize (wordsPerMessage, groupsPerWord))
        return badLength;

    const auto count = (int) groups (data, size, 6, 2);

    if (count > wordsPerMessage || (int) reception.words.size() + count > reception.expectedWords)
        return wrongCount;

    for (int i = 0; i < count; ++i)
        reception.words.push_back (groups (data, size, 8 + i * groupsPerWord, groupsPerWord));

    return resultOk;
}

uint8_t KorrinaUnit::receivePatchEnd (const uint8_t* data, int size)
{
    if (size != SysExMessage::frameOverhead + 3)
        return badLength;

    if (! presetReception.active)
        return illegalMessage;

    if ((int) presetReception.words.size() != presetReception.expectedWords)
        return wrongCount;

    std::vector<uint16_t> words (presetReception.words.begin(), presetReception.words.end());

    if (SysExMessage::xorWords16 (words.data(), (int) words.size()) != (groups (data, size, 6, 3) & 0xFFFF))
        return badImageChecksum;

    juce::MemoryBlock bytes (words.size() * 2, true);

    for (size_t i = 0; i < words.size(); ++i)
    {
        bytes[2 * i] = (char) (words[i] & 0xFF);
        bytes[2 * i + 1] = (char) (words[i] >> 8);
    }

    const auto bank = presetReception.target / presetsPerBank;

    if (bank == editBufferBank || bank == editBufferUnlinkedBank)
        editBuffer = bytes;
    else
        presets[(size_t) presetReception.target] = bytes;

    presetReception = {};
    return resultOk;
}

uint8_t KorrinaUnit::receiveCabStart (const uint8_t* data, int size)
{
    const bool grand = model == DeviceModels::korrinaGrand;

    if (size != SysExMessage::frameOverhead + (grand ? 4 : 3))
        return badLength;

    const auto cabNumber = grand ? (int) ((data[6] & 0x7F) << 7 | (data[7] & 0x7F))
                                 : (int) groups (data, size, 6, 1);
    const auto numWords = (int) groups (data, size, grand ? 8 : 7, 2);

    if (cabIndex (cabNumber) < 0)
        return invalidCab;

    if (numWords != cabWords)
        return imageSizeIncorrect;

    cabReception.active = true;
    cabReception.target = cabNumber;
    cabReception.expectedWords = numWords;
    cabReception.words.clear();
    return resultOk;
}

uint8_t KorrinaUnit::receiveCabEnd (const uint8_t* data, int size)
{
    if (size != SysExMessage::frameOverhead + cabGroupsPerWord)
        return badLength;

    if (! cabReception.active)
        return illegalMessage;

    if ((int) cabReception.words.size() != cabReception.expectedWords)
        return wrongCount;

    if (SysExMessage::xorWords32 (cabReception.words.data(), (int) cabReception.words.size()) != groups (data, size, 6, 5))
        return badImageChecksum;

    const auto index = cabIndex (cabReception.target);

    if (index >= 0)
        cabs[(size_t) index] = cabReception.words;

    cabReception = {};
    return resultOk;
}

uint8_t KorrinaUnit::receiveSystemStart (const uint8_t* data, int size)
{
    if (size != SysExMessage::frameOverhead + 3)
        return badLength;

    const auto numWords = (int) groups (data, size, 6, 3);

    if (numWords != systemWords)
        return imageSizeIncorrect;

    systemReception.active = true;
    systemReception.expectedWords = numWords;
    systemReception.words.clear();
    return resultOk;
}

uint8_t KorrinaUnit::receiveSystemEnd (const uint8_t* data, int size)
{
    if (size != SysExMessage::frameOverhead + 3)
        return badLength;

    if (! systemReception.active)
        return illegalMessage;

    if ((int) systemReception.words.size() != systemReception.expectedWords)
        return wrongCount;

    std::vector<uint16_t> words (systemReception.words.begin(), systemReception.words.end());

    if (SysExMessage::xorWords16 (words.data(), (int) words.size()) != (groups (data, size, 6, 3) & 0xFFFF))
        return badImageChecksum;

    system = words;
    systemReception = {};
    return resultOk;
}

//==============================================================================
int KorrinaUnit::cabIndex (int cabNumber) const noexcept
{
    if (cabNumber == getCurrentSlotCabNumber())
        return currentCabSlot;

    if (cabNumber >= 0 && cabNumber <= getScratchpadCabNumber())
        return cabNumber;

    return -1;
}
