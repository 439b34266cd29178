#include "devicelink/SysExTransaction.h"

#include "devicelink/MillisecondClock.h"
#include "devicelink/ScratchFile.h"

namespace
{
    constexpr uint32_t defaultTimeoutMs = 2000;
    constexpr int fileBufferSize = 16384;

    juce::MidiMessage makeEmptySysEx()
    {
        const uint8_t bytes[] { 0xF0, 0xF7 };
        return juce::MidiMessage (bytes, (int) sizeof (bytes), 0.0);
    }
}

//==============================================================================
SysExTransaction::SysExTransaction (uint32_t timeoutMs)
    : request (makeEmptySysEx()),
      timeout (timeoutMs)
{
}

SysExTransaction::SysExTransaction (const juce::MidiMessage& requestToSend)
    : request (requestToSend),
      timeout (defaultTimeoutMs)
{
}

SysExTransaction::~SysExTransaction() = default;

//==============================================================================
void SysExTransaction::setRequest (const juce::MidiMessage& newRequest)
{
    const juce::ScopedLock sl (requestLock);
    request = newRequest;
}

juce::MidiMessage SysExTransaction::getRequest() const
{
    const juce::ScopedLock sl (requestLock);
    return request;
}

void SysExTransaction::setExpectedReplies (int count) noexcept
{
    expectedReplies.store (count);
}

int SysExTransaction::getExpectedReplies() const noexcept
{
    return expectedReplies.load();
}

uint32_t SysExTransaction::getTimeout() const noexcept
{
    return timeout;
}

//==============================================================================
void SysExTransaction::touch()
{
    const auto now = MillisecondClock::now();
    const juce::ScopedLock sl (activityLock);
    lastActivity = now;
    touched = true;
}

bool SysExTransaction::hasTimedOut()
{
    const auto now = MillisecondClock::now();

    switch (getRawState())
    {
        case TransactionState::complete:  return false;
        case TransactionState::timedOut:  return true;
        case TransactionState::waiting:   break;
    }

    const juce::ScopedLock sl (activityLock);

    if (! touched || ! MillisecondClock::isLongerThan (now, lastActivity, timeout))
        return false;

    setState (TransactionState::timedOut);
    return true;
}

bool SysExTransaction::addReply (const juce::MidiMessage& reply)
{
    if (getRawState() == TransactionState::complete)
        return false;

    const juce::ScopedLock sl (repliesLock);
    replies.push_back (reply);

    // A count that a later reply lowered below what has already arrived still
    // completes the transaction, instead of leaving it to time out with every
    // reply in hand.
    const auto expected = expectedReplies.load();

    if (expected > 0 && (int) replies.size() >= expected)
    {
        setState (TransactionState::complete);
        return true;
    }

    touch();
    return false;
}

int SysExTransaction::getNumReplies() const
{
    const juce::ScopedLock sl (repliesLock);
    return (int) replies.size();
}

bool SysExTransaction::getReply (int index, juce::MidiMessage& reply) const
{
    const juce::ScopedLock sl (repliesLock);

    if (index < 0 || index >= (int) replies.size())
        return false;

    reply = replies[(size_t) index];
    return true;
}

void SysExTransaction::joinReplies (juce::MemoryBlock& block) const
{
    const juce::ScopedLock sl (repliesLock);

    size_t total = 0;

    for (const auto& reply : replies)
        total += (size_t) reply.getRawDataSize();

    // One allocation for the whole image, then each reply copied into its place.
    auto offset = block.getSize();
    block.setSize (offset + total);

    for (const auto& reply : replies)
    {
        block.copyFrom (reply.getRawData(), (int) offset, (size_t) reply.getRawDataSize());
        offset += (size_t) reply.getRawDataSize();
    }
}

bool SysExTransaction::writeRepliesToFile (const juce::File& file) const
{
    // A folder is never replaced by a file.
    if (file == juce::File() || file.isDirectory())
        return false;

    const auto folder = file.getParentDirectory();

    if (! folder.isDirectory() && ! folder.createDirectory())
        return false;

    juce::MemoryBlock joined;
    joinReplies (joined);

    // Written beside the target and moved over it only once complete, so a write
    // that fails half-way leaves an existing file as it was.
    juce::TemporaryFile temporary (file, ScratchFile::beside (file));

    {
        juce::FileOutputStream stream (temporary.getFile(), fileBufferSize);

        if (! stream.openedOk())
            return false;

        if (! joined.isEmpty() && ! stream.write (joined.getData(), joined.getSize()))
            return false;

        stream.flush();

        if (! stream.getStatus().wasOk())
            return false;
    }

    return temporary.overwriteTargetFileWithTemporary();
}

//==============================================================================
TransactionState SysExTransaction::getState() const
{
    if (isInFlight())
        return TransactionState::waiting;

    return getRawState();
}

TransactionState SysExTransaction::getRawState() const
{
    const juce::ScopedLock sl (stateLock);
    return state;
}

void SysExTransaction::setState (TransactionState newState)
{
    const juce::ScopedLock el (endLock);

    {
        const juce::ScopedLock sl (stateLock);
        state = newState;
    }

    updateEnded();
}

void SysExTransaction::setInFlight (bool isNowInFlight)
{
    const juce::ScopedLock el (endLock);

    {
        const juce::ScopedLock sl (inFlightLock);
        inFlight = isNowInFlight;
    }

    updateEnded();
}

void SysExTransaction::updateEnded()
{
    if (getState() == TransactionState::waiting)
        ended.reset();
    else
        ended.signal();
}

bool SysExTransaction::waitForEnd (int timeoutMs) const
{
    ended.wait (juce::jmax (0, timeoutMs));
    return getState() != TransactionState::waiting;
}

bool SysExTransaction::isInFlight() const
{
    // Under endLock too: a creator that sees the end may delete the transaction at
    // once, so it must not see it before setInFlight has finished signalling.
    const juce::ScopedLock el (endLock);
    const juce::ScopedLock sl (inFlightLock);
    return inFlight;
}

//==============================================================================
uint8_t SysExTransaction::getFunctionCode (const juce::MidiMessage& message) noexcept
{
    const auto* data = message.getRawData();

    if (data == nullptr || message.getRawDataSize() < 6 || data[0] != 0xF0)
        return 0;

    return data[5];
}
