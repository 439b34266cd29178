#pragma once

#include "devicelink/virtual/VirtualMidiUnit.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

//==============================================================================
/** A scriptable device for engine tests. By default it answers every SysEx message
    it receives with a status message naming the message's function and result 0;
    tests can change the answers, make it silent, corrupt its checksums, delay its
    answers, and send messages of their own to the host at any time.

    Everything it receives is kept, in order, for the test to inspect.
*/
class ScriptedUnit : public VirtualMidiUnit
{
public:
    /** Given one message from the host, the messages to answer with. */
    using Responder = std::function<std::vector<juce::MidiMessage> (const juce::MidiMessage&)>;

    explicit ScriptedUnit (const juce::String& portName = "KORRINA MIDI");

    //==============================================================================
    juce::String getPortName() const override { return name; }
    void handleMessageFromHost (const juce::MidiMessage& message) override;

    //==============================================================================
    /** Replaces the default answer (a status for the message's function, result 0). */
    void setResponder (Responder newResponder);

    /** The result code the default answer carries. */
    void setStatusResult (int result) noexcept        { statusResult = result; }

    /** While set, nothing is answered (messages are still kept). */
    void setSilent (bool shouldBeSilent) noexcept     { silent = shouldBeSilent; }

    /** While set, every answer goes out with a wrong checksum. */
    void setCorrupt (bool shouldCorrupt) noexcept     { corrupt = shouldCorrupt; }

    /** Wait this long before answering each message. */
    void setReplyDelayMs (int delay) noexcept         { replyDelayMs = delay; }

    /** Sends a message to the host now, from the calling thread. */
    void send (const juce::MidiMessage& message)      { sendToHost (message); }

    //==============================================================================
    /** Every message received so far, in order. */
    std::vector<juce::MidiMessage> getReceived() const;
    int getNumReceived() const;

    /** Waits until at least this many messages have been received. */
    bool waitForReceived (int count, int timeoutMs = 60000) const;

    //==============================================================================
    /** A framed SysEx message (header with this model, payload, checksum, F7). */
    static juce::MidiMessage frame (uint8_t function, std::initializer_list<uint8_t> payload, uint8_t model = 3);

    /** The same, from a payload held in a vector. */
    static juce::MidiMessage frame (uint8_t function, const std::vector<uint8_t>& payload, uint8_t model = 3);

    /** A status message answering `function` with `result`. */
    static juce::MidiMessage status (uint8_t function, uint8_t result, uint8_t model = 3);

    /** The same message with its checksum byte made wrong. */
    static juce::MidiMessage withBadChecksum (const juce::MidiMessage& message);

private:
    const juce::String name;
    Responder responder;
    std::atomic<int> statusResult { 0 }, replyDelayMs { 0 };
    std::atomic<bool> silent { false }, corrupt { false };

    juce::CriticalSection lock;
    std::vector<juce::MidiMessage> received;
};
