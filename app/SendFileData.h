#pragma once

#include "devicelink/DumpImage.h"
#include "devicelink/SysExMessage.h"

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>

//==============================================================================
/**
    What a ".syx" file chosen for sending holds, whether it suits the chosen device,
    and the rewrites it needs before it goes out: a single preset aimed at the edit
    buffer, a bank aimed at the chosen bank, a preset or bank made for the other
    Korrina edition converted to the device's edition.

    Everything here works on a plain byte block and keeps no state, so the main
    dialog's send workflow (which calls it through its members of the same names)
    and the tests and the fuzzer use the very same code. No function reads past the
    block it is given: a file shorter than a message header, or a preset header that
    is cut off by the end of the file, is not recognised, and a cut-off tail is
    copied unchanged.

    Safe to call from any thread; the conversions use the DumpImage they are handed,
    which one thread must use at a time.
*/
class SendFileData
{
public:
    //==============================================================================
    /** What a file holds (the first message's function byte decides). */
    enum Kind
    {
        notRecognised      = 0,
        singlePreset       = 1,
        oneBank            = 2,     // at most 128 preset headers
        allBanks           = 3,     // more than 128 preset headers
        cabIr              = 4,
        korrinaSystem      = 5,     // preset headers, the first one for bank 3
        systemBackup       = 6,     // SYSTEM_DATA_START (0x61)
        korrinaFirmware    = 7,
        stompraFirmware    = 8,
        stompraBackup      = 9,     // 0x75
        bootRom            = 10,    // whatever the file, when the device is the Boot ROM
        fpgaUpdate         = 11     // 0x6A
    };

    /** A preset header (PATCH_START) is 12 bytes; bank at 6, checksum at 10, F7 at 11. */
    static constexpr size_t presetHeaderSize = 12;

    /** The bank byte that addresses the edit buffer. */
    static constexpr uint8_t editBuffer = 0x7F;

    /** More preset headers than this make a file of all banks. */
    static constexpr int presetsPerBank = 128;

    //==============================================================================
    /** The model byte (byte 4) of bytes that start with F0 00 6B 2E and are at least
        6 long; 0 otherwise.
    */
    static uint8_t getSysExModel (const uint8_t* data, size_t size) noexcept;

    /** Whether the file fits the device, judged from its first message's model byte
        (4), function byte (5) and, for a Korrina system file, bank byte (6):
          - a file for the device itself fits, but the Boot ROM takes firmware only;
          - the Boot ROM takes Korrina and Korrina Grand firmware;
          - a Korrina Grand takes every Korrina file but its system backup;
          - a Korrina takes a Korrina Grand cab IR only.
        A file that does not start with the maker's message header (F0 00 6B 2E and
        the model and function bytes) fits nothing.
    */
    static bool fileMatchesDevice (const uint8_t* data, size_t size, DeviceModel device) noexcept;

    /** "The selection does not appear to be a valid file for the <device>.\n\nPlease try a different file." */
    static juce::String getMismatchText (DeviceModel device);

    /** "Stompra Classic", "Korrina", "Stompra Neo", "Korrina Grand", "Boot ROM" or "Other". */
    static juce::String getDeviceName (DeviceModel device);

    //==============================================================================
    /** The Kind of the file for the device: bootRom for the Boot ROM, notRecognised
        for a file that does not start with the maker's message header, else decided
        by the first message's function byte. presetHeaderCount is written when the file
        is a bank or all banks (see countPatchHeaders) and left alone otherwise.
    */
    static int getSendFileKind (const uint8_t* data, size_t size, DeviceModel device, int& presetHeaderCount);

    /** The Kind of a file whose first message is a preset header for the model: one
        preset when no second header follows, a bank or all banks when the first header
        is for bank 0, 1, 2 or the edit buffer, a Korrina system backup for bank 3, and
        not recognised otherwise, or when any header is cut off by the end of the file.
    */
    static int classifyPatchFile (const uint8_t* data, size_t size, uint8_t model, int& presetHeaderCount);

    /** Counts the preset headers (F0 00 6B 2E model 77) in the whole file into
        presetHeaderCount; returns allBanks when there are more than 128, else oneBank.
    */
    static int countPatchHeaders (const uint8_t* data, size_t size, uint8_t model, int& presetHeaderCount);

    /** The number of preset headers for the model, and whether any of them lies
        closer than 12 bytes to the end of the file.
    */
    static int countPresetHeaders (const uint8_t* data, size_t size, uint8_t model, bool& lastHeaderCut);

    //==============================================================================
    /** Aims a single preset's header at the given bank (editBuffer for the edit buffer):
        byte 6 becomes the bank and the header's checksum and F7 are written again.
        Returns false, leaving the block alone, when it is shorter than a header.
    */
    static bool setSendDestination (juce::MemoryBlock& buffer, uint8_t bank);

    /** Aims every preset header of the model at the bank, each with its checksum
        recomputed; all other bytes are kept. A block that does not start with F0 is
        left alone; a header cut off by the end of the block is copied unchanged.
    */
    static void setSendBank (juce::MemoryBlock& buffer, uint8_t bank, uint8_t model);

    //==============================================================================
    /** Converts a Korrina preset dump into a Korrina Grand dump appended to output;
        false when it does not parse, convert or build (output then to be discarded).
    */
    static bool convertKorrinaPreset (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output);

    /** Converts a Korrina Grand preset dump into a Korrina dump appended to output. */
    static bool convertKorrinaGrandPreset (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output);

    /** Converts every preset of a Korrina file into Korrina Grand dumps in output (emptied
        first); false when there is no preset or any one of them fails, even the first
        stray bytes before the first header.
    */
    static bool convertKorrinaBank (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output);

    /** Converts every preset of a Korrina Grand file into Korrina dumps in output. */
    static bool convertKorrinaGrandBank (DumpImage& image, const uint8_t* data, size_t size, juce::MemoryBlock& output);

private:
    //==============================================================================
    static bool convertPreset (DumpImage&, const uint8_t* data, size_t size, uint8_t fromModel, juce::MemoryBlock& output);
    static bool convertBank (DumpImage&, const uint8_t* data, size_t size, uint8_t fromModel, juce::MemoryBlock& output);

    /** allBanks for more than 128 preset headers, else oneBank. */
    static int bankKindFor (int presetHeaderCount) noexcept;

    /** Writes bank, checksum and F7 into the 12-byte header at `header`. */
    static void rewriteHeader (uint8_t* header, uint8_t bank) noexcept;

    SendFileData() = delete;
};
