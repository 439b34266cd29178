#pragma once

#include "devicelink/SysExMessage.h"

#include <vector>

//==============================================================================
/**
    Frames the messages an emulated unit sends. Unlike the host's builders, which
    take the model byte from SysExMessage::currentModel, a unit always writes its
    own model byte, so these helpers take it as an argument.
*/
class UnitSysEx
{
public:
    /** The three manufacturer bytes after F0. */
    static constexpr uint8_t manufacturerId[3] { 0x00, 0x6B, 0x2E };

    /** Function code of the status reply that acknowledges or refuses a message. */
    static constexpr uint8_t statusFunction = 0x64;

    //==============================================================================
    /** A payload under construction: 7-bit groups appended one field at a time. */
    class Payload
    {
    public:
        /** Appends the value as `groups` 7-bit groups, least significant first. */
        Payload& add (uint32_t value, int groups);

        /** Appends the value as two groups with the high group first, as model-6 cab
            numbers travel.
        */
        Payload& addHighFirst14 (uint32_t value);

        const std::vector<uint8_t>& getBytes() const noexcept { return bytes; }

    private:
        std::vector<uint8_t> bytes;
    };

    //==============================================================================
    /** F0, the manufacturer id, the model, the function, the payload, checksum, F7. */
    static juce::MidiMessage makeMessage (uint8_t model, uint8_t function, const Payload& payload);

    /** A SYSEX_STATUS_MSG naming the function answered and the result (0 = success). */
    static juce::MidiMessage makeStatus (uint8_t model, uint8_t functionAnswered, uint8_t result);

    /** A copy of a SysEx message whose checksum byte no longer matches its bytes. */
    static juce::MidiMessage withBadChecksum (const juce::MidiMessage& message);

    /** True when the message starts with F0 and the maker's manufacturer id. */
    static bool hasMakerHeader (const juce::MidiMessage& message) noexcept;

private:
    UnitSysEx() = delete;
};
