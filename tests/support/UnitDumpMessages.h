#pragma once

#include <cstdint>
#include <vector>

#include <juce_audio_basics/juce_audio_basics.h>

/*  Reads what the emulated Korrina units and the engine exchange, by hand from the
    wire layout, so that unit and end-to-end tests check both against an independent
    reading. The dumps themselves are built with TestDumps.
*/
namespace UnitDumpMessages
{
    /** `groups` 7-bit groups of the value, least significant first. */
    std::vector<uint8_t> septets (uint32_t value, int groups);

    /** The number in `groups` 7-bit groups at `offset` of the message; 0 past its end. */
    uint32_t readGroups (const juce::MidiMessage& message, int offset, int groups);

    /** Cuts bytes made of whole SysEx messages (F0 ... F7) into one message each. */
    std::vector<juce::MidiMessage> messagesOf (const std::vector<uint8_t>& bytes);

    /** The 16-bit words carried by the PATCH_DATA messages among `messages`. */
    std::vector<uint16_t> presetWordsOf (const std::vector<juce::MidiMessage>& messages);

    /** The 32-bit words carried by the CABIR_DATA messages among `messages`. */
    std::vector<uint32_t> cabWordsOf (const std::vector<juce::MidiMessage>& messages);

    /** Little-endian bytes of 16-bit words, as a preset is held. */
    juce::MemoryBlock bytesOfWords (const std::vector<uint16_t>& words);

    /** The messages back to back, as a ".syx" file holds them. */
    juce::MemoryBlock joined (const std::vector<juce::MidiMessage>& messages);

    /** True when the message is a status reply naming `function` with `result`. */
    bool isStatus (const juce::MidiMessage& message, uint8_t function, uint8_t result);
}
