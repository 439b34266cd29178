#include "ScriptedUnit.h"

#include "SysExTestMessages.h"

ScriptedUnit::ScriptedUnit (const juce::String& portName) : name (portName) {}

void ScriptedUnit::handleMessageFromHost (const juce::MidiMessage& message)
{
    Responder respond;

    {
        const juce::ScopedLock sl (lock);
        received.push_back (message);
        respond = responder;
    }

    if (silent.load())
        return;

    std::vector<juce::MidiMessage> answers;

    if (respond)
        answers = respond (message);
    else if (message.isSysEx() && message.getRawDataSize() >= 6)
        answers.push_back (status (message.getRawData()[5], (uint8_t) statusResult.load(), message.getRawData()[4]));

    if (const auto delay = replyDelayMs.load(); delay > 0)
        juce::Thread::sleep (delay);

    for (const auto& answer : answers)
        sendToHost (corrupt.load() ? withBadChecksum (answer) : answer);
}

void ScriptedUnit::setResponder (Responder newResponder)
{
    const juce::ScopedLock sl (lock);
    responder = std::move (newResponder);
}

std::vector<juce::MidiMessage> ScriptedUnit::getReceived() const
{
    const juce::ScopedLock sl (lock);
    return received;
}

int ScriptedUnit::getNumReceived() const
{
    const juce::ScopedLock sl (lock);
    return (int) received.size();
}

bool ScriptedUnit::waitForReceived (int count, int timeoutMs) const
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (getNumReceived() < count)
    {
        if ((int) (deadline - juce::Time::getMillisecondCounter()) <= 0)
            return false;

        juce::Thread::sleep (1);
    }

    return true;
}

//==============================================================================
juce::MidiMessage ScriptedUnit::frame (uint8_t function, std::initializer_list<uint8_t> payload, uint8_t model)
{
    return frame (function, std::vector<uint8_t> (payload), model);
}

juce::MidiMessage ScriptedUnit::frame (uint8_t function, const std::vector<uint8_t>& payload, uint8_t model)
{
    return SysExTestMessages::framed (model, function, payload);
}

juce::MidiMessage ScriptedUnit::status (uint8_t function, uint8_t result, uint8_t model)
{
    return frame (0x64, { function, result }, model);
}

juce::MidiMessage ScriptedUnit::withBadChecksum (const juce::MidiMessage& message)
{
    const auto size = message.getRawDataSize();

    if (! message.isSysEx() || size < 8)
        return message;

    juce::MemoryBlock bytes (message.getRawData(), (size_t) size);
    auto* data = static_cast<uint8_t*> (bytes.getData());
    data[size - 2] = (uint8_t) ((data[size - 2] + 1) & 0x7F);
    return juce::MidiMessage (bytes.getData(), size);
}
