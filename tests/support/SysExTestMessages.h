#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include <juce_audio_basics/juce_audio_basics.h>

/*  Helpers that make SysEx messages for tests byte by byte, independently of the
    codec under test, so that tests compare the codec against hand-made frames.
*/
namespace SysExTestMessages
{
    /** A message holding exactly these bytes (no framing added). */
    juce::MidiMessage fromBytes (const std::vector<uint8_t>& bytes);

    /** F0 00 6B 2E model function payload checksum F7, with the checksum computed here. */
    juce::MidiMessage framed (uint8_t model, uint8_t function, const std::vector<uint8_t>& payload);

    /** The message's bytes. */
    std::vector<uint8_t> bytesOf (const juce::MidiMessage& message);

    /** The payload: the bytes between the 6-byte header and the checksum. */
    std::vector<uint8_t> payloadOf (const juce::MidiMessage& message);
}
