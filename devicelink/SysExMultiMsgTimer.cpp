#include "devicelink/SysExMultiMsgTimer.h"

#include "devicelink/VASMidiProcessing.h"

namespace
{
    constexpr int messageNotRecognised = 5;
    constexpr juce::uint32 maxInterval = 1000;

    bool isActive (SendState state) noexcept
    {
        return state == SendState::running || state == SendState::paused;
    }
}

SysExMultiMsgTimer::SysExMultiMsgTimer (VASMidiProcessing& ownerToUse) : owner (ownerToUse) {}

SysExMultiMsgTimer::~SysExMultiMsgTimer()
{
    cancel();
    stopTimer();
}

//==============================================================================
LoadResult SysExMultiMsgTimer::loadData (const void* data, size_t size, DeviceModel model)
{
    const juce::ScopedLock sl (stateLock);

    if (data == nullptr || size == 0)
        return LoadResult::noMessages;

    // Decided here, under the state lock: a send that ends just after this refusal
    // must not make the caller blame the data.
    if (isActive (state.load()))
        return LoadResult::busy;

    const juce::ScopedLock ol (operationLock);

    // Data without a single message for the model would leave a send running for
    // ever, waiting for a message that never comes: refuse it, drop what an earlier
    // load left so that a start cannot send the wrong file, and go back to idle so
    // that the outcome of an earlier send is not taken for this one's.
    if (! reader.init (data, size, model) || reader.getMessageCount() == 0)
    {
        reader.release();
        total = 0;
        state = SendState::idle;
        return LoadResult::noMessages;
    }

    total = (juce::uint32) reader.getMessageCount();

    const juce::ScopedLock pl (progressLock);
    sentCount = 0;
    return LoadResult::loaded;
}

void SysExMultiMsgTimer::setLeadInMessage (const juce::MidiMessage* message)
{
    const juce::ScopedLock ol (operationLock);

    if (message != nullptr)
        leadIn = std::make_unique<juce::MidiMessage> (*message);
    else
        leadIn.reset();
}

bool SysExMultiMsgTimer::setInterval (juce::uint32 intervalMs)
{
    {
        const juce::ScopedLock il (intervalLock);

        if (intervalMs == interval || intervalMs > maxInterval)
            return false;

        interval = intervalMs;
    }

    if (getState() == SendState::running)
    {
        setPaused (true);
        setPaused (false);
    }

    return true;
}

juce::uint32 SysExMultiMsgTimer::getInterval() const
{
    const juce::ScopedLock il (intervalLock);
    return interval;
}

bool SysExMultiMsgTimer::start (juce::uint32 intervalMs)
{
    const juce::ScopedLock sl (stateLock);

    if (isActive (state.load()))
        return false;

    const juce::ScopedLock ol (operationLock);

    if (reader.getSize() == 0)
        return false;

    {
        const juce::ScopedLock il (intervalLock);

        if (intervalMs != interval && intervalMs <= maxInterval)
            interval = intervalMs;
    }

    {
        const juce::ScopedLock pl (progressLock);
        sentCount = 0;
    }

    reader.rewind();
    discardCurrent();

    {
        const juce::ScopedLock el (errorLock);
        deviceError = 0;
    }

    if (leadIn != nullptr)
    {
        current = std::make_unique<SysExTransaction> (*leadIn);
        owner.queueTransaction (current.get());
        updateProgress();
    }

    state = SendState::running;
    startTicking();
    return true;
}

bool SysExMultiMsgTimer::setPaused (bool shouldPause)
{
    const juce::ScopedLock sl (stateLock);

    if (shouldPause && state == SendState::running)
    {
        stopTimer();
        state = SendState::paused;
        return true;
    }

    if (! shouldPause && state == SendState::paused)
    {
        startTicking();
        state = SendState::running;
        return true;
    }

    return false;
}

bool SysExMultiMsgTimer::cancel()
{
    const juce::ScopedLock sl (stateLock);

    if (! isActive (state.load()))
        return false;

    stopTimer();
    state = SendState::cancelled;
    return true;
}

SendState SysExMultiMsgTimer::getState() const
{
    return state.load();
}

void SysExMultiMsgTimer::setState (SendState newState)
{
    const juce::ScopedLock sl (stateLock);
    state = newState;
}

int SysExMultiMsgTimer::getDeviceError() const
{
    const juce::ScopedLock el (errorLock);
    return deviceError;
}

//==============================================================================
void SysExMultiMsgTimer::addAcceptedResult()
{
    const juce::ScopedLock ol (operationLock);
    acceptedResults.add (messageNotRecognised);
}

void SysExMultiMsgTimer::setNoReplyMode()
{
    const juce::ScopedLock sl (stateLock);

    if (isActive (state.load()))
        return;

    const juce::ScopedLock nl (noReplyLock);
    noReplyMode = true;
}

bool SysExMultiMsgTimer::resetSendOptions()
{
    const juce::ScopedLock sl (stateLock);

    if (isActive (state.load()))
        return false;

    const juce::ScopedLock ol (operationLock);
    acceptedResults.clear();

    const juce::ScopedLock nl (noReplyLock);
    noReplyMode = false;
    return true;
}

//==============================================================================
void SysExMultiMsgTimer::timerCallback()
{
    if (state.load() != SendState::running)
        return;

    auto finalState = SendState::running;

    {
        const juce::ScopedLock ol (operationLock);

        if (! tick (finalState))
            return;
    }

    if (finalState != SendState::running)
        finish (finalState);
}

bool SysExMultiMsgTimer::tick (SendState& finalState)
{
    releaseRetired();

    if (state.load() != SendState::running)
        return false;

    bool haveState = false;
    auto previousState = TransactionState::waiting;
    bool outputLost = false;

    if (current != nullptr)
    {
        const auto requestFunction = SysExTransaction::getFunctionCode (current->getRequest());
        previousState = current->getState();
        haveState = true;

        if (previousState == TransactionState::complete)
        {
            const auto numReplies = current->getNumReplies();

            for (int i = 0; i < numReplies && getDeviceError() == 0; ++i)
            {
                juce::MidiMessage reply;
                StatusReply status;

                if (current->getReply (i, reply)
                     && SysExMessage::parseStatus (reply, status)
                     && status.function == requestFunction
                     && isRefusal (status.result))
                {
                    const juce::ScopedLock el (errorLock);
                    deviceError = status.result;
                }
            }

            if (getDeviceError() == 0)
                current.reset();
        }
    }

    if (current == nullptr)
    {
        if (owner.isOutputReady())
        {
            juce::MidiMessage message;

            if (reader.next (message))
            {
                auto transaction = std::make_unique<SysExTransaction> (replyTimeout.load());
                transaction->setRequest (message);

                {
                    const juce::ScopedLock nl (noReplyLock);

                    if (noReplyMode)
                        transaction->setExpectedReplies (0);
                }

                current = std::move (transaction);
                owner.queueTransaction (current.get());
                updateProgress();
            }
        }
        else
        {
            outputLost = true;
        }
    }

    if (current == nullptr && reader.getPosition() >= reader.getSize())
        finalState = SendState::finished;
    else if (getDeviceError() != 0)
        finalState = SendState::refused;
    else if (haveState && previousState == TransactionState::timedOut)
        finalState = SendState::replyTimeout;
    else if (outputLost)
        finalState = SendState::outputNotReady;

    return true;
}

void SysExMultiMsgTimer::updateProgress()
{
    const juce::ScopedLock pl (progressLock);

    if (total != 0)
    {
        const auto ratio = (double) sentCount / (double) total;

        if (ratio < 1.0)
            progress = ratio;

        if (sentCount == total - 1)
            progress = 0.9999;
    }

    ++sentCount;
}

void SysExMultiMsgTimer::finish (SendState finalState)
{
    // Only ticks and cancel() end a running send, and both run on the message thread,
    // so the send is still running here; start() refuses to touch a running send.
    const juce::ScopedLock sl (stateLock);

    if (state.load() == SendState::running)
    {
        stopTimer();
        state = finalState;
    }
}

bool SysExMultiMsgTimer::isRefusal (int result) const
{
    return result != 0 && ! acceptedResults.contains (result);
}

void SysExMultiMsgTimer::startTicking()
{
    const juce::ScopedLock il (intervalLock);
    startTimer (juce::jmax (1, (int) interval));
}

//==============================================================================
void SysExMultiMsgTimer::discardCurrent()
{
    // A send cancelled while its message is still queued or in flight leaves a
    // transaction the processing thread holds; it is kept until the thread lets go.
    if (current != nullptr && current->isInFlight())
        retired.push_back (std::move (current));

    current.reset();
    releaseRetired();
}

void SysExMultiMsgTimer::releaseRetired()
{
    retired.erase (std::remove_if (retired.begin(), retired.end(),
                                   [] (const auto& t) { return ! t->isInFlight(); }),
                   retired.end());
}
