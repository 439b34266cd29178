#pragma once

#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"
#include "devicelink/virtual/UnitFaults.h"
#include "devicelink/virtual/UnitSysEx.h"
#include "devicelink/virtual/VirtualMidiUnit.h"

#include <atomic>
#include <functional>
#include <vector>

//==============================================================================
/**
    An emulated Korrina (model 3) or Korrina Grand (model 6) behind the port pair
    "KORRINA MIDI", answering the host as the unit does on the wire.

    It holds four banks of 128 named presets (4096 bytes each on the Korrina, some
    of them stored packed; 8192 bytes on the Grand), an edit buffer, the user cabs
    (100 or 512 slots of 2048 words, empty slots marked with 0xFFFF in word 0), a
    scratchpad cab, the Grand's system block, a firmware version and a Display
    Offset. On the Korrina, bank 3 holds the system presets.

    It answers version, config (parameter 0x2FE) and editor-disconnect requests,
    preset, bank, cab and system dump requests with the dump's messages, and
    acknowledges every preset, cab, system, firmware and FPGA message it receives
    with a SYSEX_STATUS_MSG naming the function, storing what it receives; a
    damaged message is refused with the device's result code (1 for a bad checksum).

    Its initial content comes from fixed seeds: every unit of a model holds the same
    data, and both editions hold the same presets, so a packed Korrina preset unpacks
    to the Grand's preset of the same slot (apart from word 1, the packed length).

    Messages arrive on the port's delivery thread; every accessor may be called from
    any other thread at the same time.
*/
class KorrinaUnit : public VirtualMidiUnit
{
public:
    static constexpr int numBanks = 4;
    static constexpr int presetsPerBank = 128;
    static constexpr int cabWords = (int) DumpImage::cabIrWords;
    static constexpr int systemWords = 4096;

    /** Bank numbers of a preset dump that address the edit buffer. */
    static constexpr int editBufferBank = 0x7F;
    static constexpr int editBufferUnlinkedBank = 0x7E;

    /** The name the Korrina's USB MIDI ports carry. */
    static juce::String defaultPortName() { return "KORRINA MIDI"; }

    //==============================================================================
    /** Model 3 (Korrina) or 6 (Korrina Grand); any other model is taken as 3. */
    explicit KorrinaUnit (DeviceModel model, const juce::String& portName = defaultPortName());
    ~KorrinaUnit() override;

    //==============================================================================
    juce::String getPortName() const override;
    void handleMessageFromHost (const juce::MidiMessage& message) override;

    //==============================================================================
    DeviceModel getModel() const noexcept             { return model; }
    int getPresetSize() const noexcept                { return (int) (model == DeviceModels::korrinaGrand ? DumpImage::grandPresetSize : DumpImage::korrinaPresetSize); }
    int getPresetWords() const noexcept               { return getPresetSize() / 2; }
    int getDataMessagesPerPreset() const noexcept     { return getPresetWords() / 64; }
    int getUserCabCount() const noexcept              { return model == DeviceModels::korrinaGrand ? 512 : 100; }

    /** The cab numbers that address the scratchpad and the currently selected slot. */
    int getScratchpadCabNumber() const noexcept       { return getUserCabCount(); }
    int getCurrentSlotCabNumber() const noexcept      { return model == DeviceModels::korrinaGrand ? 0x3FFF : 0x7F; }

    //==============================================================================
    /** What a version request answers; a Korrina starts at 10.09, a Grand at 14.03. */
    void setFirmwareVersion (int major, int minor);

    /** The value of config parameter 0x2FE (0 or 1). */
    void setDisplayOffset (int offset);

    /** The user cab slot that cab number "current slot" addresses (from 0). */
    void setCurrentCabSlot (int slot);

    /** Replaces the misbehaviour the unit shows from the next message on. */
    void setFaults (const UnitFaults& newFaults);

    /** Called (on the delivery thread) when the unplug fault fires; the unit cannot
        pull its own plug without help from whoever attached it.
    */
    void setUnplugHandler (std::function<void()> handler);

    //==============================================================================
    /** A stored preset's bytes (bank 0-3, preset 0-127); empty when out of range. */
    juce::MemoryBlock getPreset (int bank, int preset) const;

    /** True for a Korrina preset whose first half is stored packed (word 1 non-zero). */
    bool isPresetPacked (int bank, int preset) const;

    juce::MemoryBlock getEditBuffer() const;

    /** A user cab's 2048 words (slot from 0), or the scratchpad's for the scratchpad number. */
    std::vector<uint32_t> getCab (int cabNumber) const;

    /** True when the cab slot holds no IR (0xFFFF in the low half of word 0). */
    bool isCabEmpty (int cabNumber) const;

    std::vector<uint16_t> getSystemData() const;

    /** Raw bytes of every firmware (0x25, 0x7D-0x7F) and FPGA (0x26, 0x6A-0x6C) message
        received, in order of arrival.
    */
    juce::MemoryBlock getReceivedFirmware() const;
    juce::MemoryBlock getReceivedFpga() const;

    /** Every message received, SysEx or not, in order of arrival. */
    std::vector<juce::MidiMessage> getReceivedMessages() const;
    int getNumReceivedMessages() const;

    /** Messages sent, or being sent, to the host (answers and dump messages). */
    int getNumMessagesSent() const noexcept           { return messagesSent.load(); }

    /** The last program change received, or -1. */
    int getLastProgramChange() const;

private:
    //==============================================================================
    struct Reception
    {
        bool active = false;
        int target = 0;             // packed bank * 128 + preset, or the cab number
        int expectedWords = 0;
        std::vector<uint32_t> words;
    };

    using Replies = std::vector<juce::MidiMessage>;

    void fillInitialContent();
    juce::MemoryBlock makeGrandPresetImage (int bank, int preset) const;

    void answerSysEx (const juce::MidiMessage& message, Replies& replies);
    void answerFunction (uint8_t function, const uint8_t* data, int size, Replies& replies);

    void answerPatchDumpRequest (const uint8_t* data, int size, Replies& replies);
    void answerBankDumpRequest (const uint8_t* data, int size, Replies& replies);
    void answerCabDumpRequest (const uint8_t* data, int size, Replies& replies);
    void answerSystemDumpRequest (Replies& replies);
    void answerConfigRequest (const uint8_t* data, int size, Replies& replies);

    uint8_t receivePatchStart (const uint8_t* data, int size);
    uint8_t receiveWordData (Reception& reception, const uint8_t* data, int size, int wordsPerMessage, int groupsPerWord);
    uint8_t receivePatchEnd (const uint8_t* data, int size);
    uint8_t receiveCabStart (const uint8_t* data, int size);
    uint8_t receiveCabEnd (const uint8_t* data, int size);
    uint8_t receiveSystemStart (const uint8_t* data, int size);
    uint8_t receiveSystemEnd (const uint8_t* data, int size);

    void appendPresetDump (Replies& replies, int bankField, int presetField, const juce::MemoryBlock& bytes) const;
    void appendCabDump (Replies& replies, int cabNumber, const std::vector<uint32_t>& words) const;

    juce::MidiMessage status (uint8_t function, uint8_t result) const;

    /** Index into cabs of a cab number (a user slot, the scratchpad or the current
        slot); -1 when the number addresses nothing.
    */
    int cabIndex (int cabNumber) const noexcept;

    //==============================================================================
    const DeviceModel model;
    const juce::String portName;

    mutable juce::CriticalSection stateLock;
    UnitFaults faults;
    std::function<void()> unplugHandler;
    int firmwareMajor = 10, firmwareMinor = 9;
    int displayOffset = 0;
    int currentCabSlot = 0;
    int lastProgramChange = -1;
    int sysExReceived = 0;

    std::vector<juce::MemoryBlock> presets;
    juce::MemoryBlock editBuffer;
    std::vector<std::vector<uint32_t>> cabs;       // the user slots, then the scratchpad
    std::vector<uint16_t> system;

    Reception presetReception, cabReception, systemReception;
    juce::MemoryBlock firmwareReceived, fpgaReceived;
    std::vector<juce::MidiMessage> received;

    std::atomic<int> messagesSent { 0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KorrinaUnit)
};
