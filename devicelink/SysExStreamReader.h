#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>

//==============================================================================
/**
    Cuts the bytes of a ".syx" file into SysEx messages by the header of one model.

    A message starts where the header pattern (F0 00 6B 2E and the model byte; the
    single byte F0 for the Boot ROM, model 0xFF) lies in the data, and runs up to the
    first F7 that is directly followed by another header, or to the end of the data.
    Bytes before the first header are skipped, so data made for another model yields
    nothing. The reader keeps its own copy of the data.

    Used by the multi-message sender to pace a file message by message and by the
    dump parsers to walk preset and cab dumps. Not thread-safe: one owner at a time.
*/
class SysExStreamReader
{
public:
    /** The model byte that selects the Boot ROM pattern (every F0 after an F7). */
    static constexpr uint8_t bootRomModel = 0xFF;

    //==============================================================================
    SysExStreamReader() = default;

    //==============================================================================
    /** Copies the data, counts its headers and rewinds to the start.
        Returns false, and leaves the reader as it was, when there is no data.
    */
    bool init (const void* data, size_t size, uint8_t model);

    /** Yields the next message as a framework MIDI message (timestamp 0).
        Returns false when no further header lies in the data; the position then stays.
    */
    bool next (juce::MidiMessage& message);

    /** The same as next(), but hands out a view into the reader's own copy instead of
        a new message: valid until the next init() or release().
    */
    bool next (const uint8_t*& messageStart, size_t& messageSize);

    //==============================================================================
    /** The number of headers found in the data by init(). */
    int getMessageCount() const noexcept           { return messageCount; }

    /** Offset in the data where the next search starts. */
    size_t getPosition() const noexcept            { return position; }

    /** Size of the data held. */
    size_t getSize() const noexcept                { return data.getSize(); }

    /** The model the reader was started for. */
    uint8_t getModel() const noexcept              { return model; }

    /** Goes back to the first message, as when the sender starts again. */
    void rewind() noexcept                         { position = 0; }

    /** Frees the copy of the data; the reader then yields nothing until the next init(). */
    void release();

private:
    //==============================================================================
    bool patternAt (size_t offset) const noexcept;

    uint8_t pattern[5] {};
    size_t patternLength = 0;
    juce::MemoryBlock data;
    int messageCount = 0;
    size_t position = 0;
    uint8_t model = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SysExStreamReader)
};
