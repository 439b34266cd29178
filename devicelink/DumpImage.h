#pragma once

#include "devicelink/SysExStreamReader.h"

#include <juce_core/juce_core.h>

#include <cstdint>
#include <vector>

//==============================================================================
/**
    One Korrina preset held in memory: the header fields of its dump, its bytes as
    read, its bytes converted for the other Korrina edition, and the last parse or
    conversion error as a kind and a stage.

    A Korrina (model 3) preset is 4096 bytes, the first half of which may be packed;
    a Korrina Grand (model 6) preset is 8192 bytes and never packed. The main dialog
    owns one DumpImage and, for a preset or bank file made for one edition and sent
    to the other, calls parsePatch(), then convertPatchToModel6() or
    convertPatchToModel3(), then buildPatchMessages(); a bank is first cut into one
    dump per preset with splitPatches().

    Cab IR dumps are handled by the static functions of the cab section: they keep
    no state and use no instance.

    An instance is used by one thread at a time. The unpacking buffers are shared by
    every instance and guarded, so conversions on different threads take turns.
*/
class DumpImage
{
public:
    //==============================================================================
    /** What went wrong in the last parse or conversion (getErrorKind). */
    enum ErrorKind
    {
        noError         = 0,
        noData          = 1,    // empty input or a message without bytes
        badMessage      = 2,    // too short, an unknown function, a second PATCH_START or PATCH_END
        badChecksum     = 3,    // a message's own checksum, or the words' XOR against PATCH_END
        wrongModel      = 4,    // a message for another model, no words found, or no such conversion
        badField        = 5,    // a field that cannot be decoded or a message that cannot be built
        wrongWordCount  = 6,    // the words found differ from the PATCH_START word count
        wrongSize       = 7,    // the preset is not its model's size, or larger than any edition's
        badPackedStream = 8     // the packed stream runs past its room or cannot be unpacked
    };

    /** Where the last error happened (getErrorStage). */
    enum ErrorStage
    {
        singleMessage = 0,
        patchStart    = 1,
        patchData     = 2,
        patchEnd      = 3,
        wholePreset   = 4       // checks after PATCH_END and every conversion error
    };

    /** Where a rebuilt cab dump goes: any value other than scratchpad and userSlot
        addresses the slot currently selected on the unit.
    */
    using CabDestination = int32_t;

    static constexpr CabDestination selectedSlot = 0;
    static constexpr CabDestination scratchpad   = 1;
    static constexpr CabDestination userSlot     = 2;

    /** Sizes of a preset in bytes for each edition. */
    static constexpr size_t korrinaPresetSize = 4096;
    static constexpr size_t grandPresetSize   = 8192;

    /** Words of a cab IR in a rebuilt cab dump (32 per CABIR_DATA message, 64 messages). */
    static constexpr size_t cabIrWords = 2048;

    /** Entries of the bit and symbol buffers of the unpacking. */
    static constexpr int unpackBufferEntries = 33152;

    /** Nodes the code tree of a packed stream may use. */
    static constexpr int maxTreeNodes = 512;

    /** Symbols a packed stream unpacks to (a Grand preset from byte 68 on). */
    static constexpr int packedSymbolCount = 8124;

    //==============================================================================
    DumpImage();
    ~DumpImage();

    /** Clears every field: no blocks, no models, no error. */
    void init();

    /** Frees both byte blocks and the reader's copy of the last input. */
    void release();

    //==============================================================================
    /** Reads one preset dump for the model from a file's bytes: the PATCH_START's bank,
        preset and word count, and the words of its PATCH_DATA messages into
        getPresetData(). Messages for other models are skipped. Words past the largest
        preset of either edition are refused at the data message that brings them.
        Clears what the last use left. Returns false with the error kind and stage set
        on failure.
    */
    bool parsePatch (const uint8_t* data, size_t size, uint8_t model);

    /** Makes the Korrina Grand layout of the parsed preset in getConvertedData(),
        unpacking a packed Korrina preset. On failure the converted bytes stay as
        they were and the error kind and stage say why.
    */
    bool convertPatchToModel6();

    /** Makes the Korrina layout of the parsed preset in getConvertedData(): the
        Grand preset's bytes 0-2047 and 4096-6143, unpacked.
    */
    bool convertPatchToModel3();

    /** Appends the dump of the converted preset for the target model to the output:
        PATCH_START (the parsed bank and preset), the PATCH_DATA messages and PATCH_END,
        each carrying the target model byte. The codec's model byte is restored before
        returning. On false the output may hold part of a dump and must be discarded.
    */
    bool buildPatchMessages (juce::MemoryBlock& output);

    /** Cuts a file into blocks at every preset header of the model (F0 00 6B 2E model
        77): each block but perhaps the first starts with a header, and bytes before the
        first header form a block of their own.
    */
    static std::vector<juce::MemoryBlock> splitPatches (uint8_t model, const uint8_t* data, size_t size);

    //==============================================================================
    /** The preset's bytes as read: its words in order, each low byte first. */
    const juce::MemoryBlock& getPresetData() const noexcept     { return presetData; }

    /** The preset's bytes in the target model's layout. */
    const juce::MemoryBlock& getConvertedData() const noexcept  { return convertedData; }

    uint8_t getSourceModel() const noexcept                     { return sourceModel; }
    uint8_t getTargetModel() const noexcept                     { return targetModel; }
    uint32_t getWordCount() const noexcept                      { return wordCount; }
    uint32_t getBank() const noexcept                           { return bank; }
    uint32_t getPreset() const noexcept                         { return preset; }
    int getErrorKind() const noexcept                           { return errorKind; }
    int getErrorStage() const noexcept                          { return errorStage; }

    /** PATCH_DATA messages seen by the last parse, good or bad. */
    int getDataMessageCount() const noexcept                    { return dataMessageCount; }

    //==============================================================================
    /** Reads a cab dump (START, DATA messages, END) for the model of its byte 4 and
        copies its 32-bit words to `words` when given. Returns false when a message is
        damaged or out of place, when the END's count or XOR disagrees, when no words
        were found, or when a buffer is given and there are more words than `capacity`.
    */
    static bool parseCabIr (const uint8_t* data, size_t size, uint32_t* words, size_t capacity);

    /** Builds a whole cab dump of the first 2048 words for the target model, with the
        cab number the destination asks for, and puts it in the output. Needs at least
        2048 words; the output is left alone on failure. The codec's model byte is
        restored before returning.
    */
    static bool buildCabIrMessages (const uint32_t* words, size_t numWords, CabDestination destination,
                                    uint32_t cabNumber, uint8_t targetModel, juce::MemoryBlock& output);

    /** Rebuilds a cab dump of either edition for the target model and destination.
        The output is sized 10904 bytes for model 3 and 10905 for model 6 before the
        source is read.
    */
    static bool convertCabIr (juce::MemoryBlock& output, const uint8_t* data, size_t size,
                              CabDestination destination, uint32_t cabNumber, uint8_t targetModel);

    /** The cab's name, read from a dump of at most 2048 words. */
    static bool getCabIrName (const uint8_t* data, size_t size, juce::String& name);

    /** Sets `empty` when the dump (at most 2048 words) holds an empty slot; leaves it
        alone otherwise, so the caller presets it to false. Returns whether it parsed.
    */
    static bool isCabIrEmpty (const uint8_t* data, size_t size, bool& empty);

    /** The name held in words 0-7 of a cab IR (32 characters, low byte first, cut at
        the first NUL, trimmed). False when there are no words.
    */
    static bool unpackCabName (const uint32_t* words, juce::String& name);

private:
    //==============================================================================
    struct TreeNode
    {
        int16_t first = -1;
        int16_t second = -1;
        int32_t value = -1;     // -1 for an inner node
    };

    /** A position in the bit buffer: the entry and the bit within its byte, 0 = MSB. */
    struct BitCursor
    {
        int entry = 0;
        int bit = 0;
    };

    struct UnpackBuffers;
    static UnpackBuffers& getUnpackBuffers();

    /** The next bit (or 8 bits, most significant first); false past the bit buffer. */
    static bool readBit (const UnpackBuffers&, BitCursor&, int& bit) noexcept;
    static bool readBits8 (const UnpackBuffers&, BitCursor&, int& value) noexcept;

    /** Reads a code tree in pre-order (0: inner node, 1 and 8 bits: leaf) into the node
        array from nodeCount on; returns its root, or -1 when it needs more than
        maxTreeNodes nodes or runs past the bit buffer.
    */
    static int readBitTree (UnpackBuffers&, BitCursor&, int& nodeCount);

    /** Reads the tree from the start of the bit buffer, then decodes packedSymbolCount
        symbols into the symbol buffer. False for a stream no unit could have written.
    */
    static bool decodeBitStream (UnpackBuffers&);

    /** Sets the codec's model byte for the time of a build and restores it after. */
    class ModelScope
    {
    public:
        explicit ModelScope (uint8_t model);
        ~ModelScope();

    private:
        uint8_t previous;
        JUCE_DECLARE_NON_COPYABLE (ModelScope)
    };

    void setError (ErrorKind kind, ErrorStage stage) noexcept;
    void handlePatchMessage (const uint8_t* message, size_t size, bool& startSeen, bool& endSeen);

    //==============================================================================
    SysExStreamReader reader;
    juce::MemoryBlock presetData;
    uint8_t sourceModel = 0;
    juce::MemoryBlock convertedData;
    uint8_t targetModel = 0;
    uint32_t wordCount = 0;
    uint32_t bank = 0;
    uint32_t preset = 0;
    int errorKind = noError;
    int errorStage = singleMessage;
    int dataMessageCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DumpImage)
};

//==============================================================================
/** Offset of the first occurrence of a 6-byte pattern in the data (a Knuth-Morris-
    Pratt search), or -1 when it does not occur or either pointer is missing.
*/
int64_t findSysExHeader (const uint8_t* pattern, const uint8_t* data, size_t size);
