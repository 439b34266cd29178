#include "devicelink/VASMidiProcessing.h"

#include "devicelink/MillisecondClock.h"

#include <algorithm>

namespace
{
    // The owner of the singleton, guarded by the singleton lock; `instance` mirrors it
    // for the lock-free read in getInstance() and is cleared before any teardown
    // starts, so that no caller is handed an engine that is being destroyed.
    std::unique_ptr<VASMidiProcessing> singleton;
    std::atomic<VASMidiProcessing*> instance { nullptr };
    std::atomic<bool> everCreated { false };
    bool creating = false;

    constexpr juce::uint32 deviceCheckIntervalMs = 1000;
    constexpr int passIntervalMs = 1;
    constexpr int idlePassIntervalMs = 20;
    constexpr int threadStopTimeoutMs = 5000;

    bool isOneOf (uint8_t code, std::initializer_list<uint8_t> codes) noexcept
    {
        return std::find (codes.begin(), codes.end(), code) != codes.end();
    }

    /** Replies that belong only to a request of the same function. */
    bool answersOwnFunction (uint8_t f) noexcept
    {
        return isOneOf (f, { 0x01, 0x08, 0x0E, 0x0F, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x1A,
                             0x1C, 0x20, 0x23, 0x28, 0x2A, 0x2F, 0x30, 0x31, 0x35, 0x36, 0x38, 0x39, 0x3A, 0x44 });
    }

    /** Messages that the device sends without a request; their checksum is not checked. */
    bool skipsChecksum (uint8_t f) noexcept
    {
        return f == 0x0D || f == 0x0E || f == 0x10;
    }
}

//==============================================================================
juce::CriticalSection& VASMidiProcessing::getSingletonLock()
{
    static juce::CriticalSection lock;
    return lock;
}

VASMidiProcessing* VASMidiProcessing::getInstance()
{
    if (auto* existing = instance.load())
        return existing;

    // Once created, it is never created again: a caller arriving while the engine is
    // being deleted (under the lock, for up to the thread's stop time) gets none at
    // once rather than waiting for the deletion.
    if (everCreated.load())
        return nullptr;

    const juce::ScopedLock sl (getSingletonLock());

    if (instance.load() == nullptr && ! creating && ! everCreated)
    {
        creating = true;
        singleton = std::make_unique<VASMidiProcessing>();
        instance = singleton.get();
        everCreated = true;
        creating = false;
    }

    return instance.load();
}

void VASMidiProcessing::deleteInstance()
{
    const juce::ScopedLock sl (getSingletonLock());
    instance = nullptr;
    singleton.reset();
}

void VASMidiProcessing::resetInstanceForTesting()
{
    const juce::ScopedLock sl (getSingletonLock());
    instance = nullptr;
    singleton.reset();
    everCreated = false;
}

VASMidiProcessing::VASMidiProcessing()
    : juce::Thread ("VASMidiProcessing"), busyWaitMs (passIntervalMs), idleWaitMs (idlePassIntervalMs)
{
    ports.setArrivalCallback ([this] { passWaiter.wake(); });
}

VASMidiProcessing::~VASMidiProcessing()
{
    {
        // Out of reach before the teardown starts: stopping the thread can take seconds.
        const juce::ScopedLock sl (getSingletonLock());
        auto* self = this;
        instance.compare_exchange_strong (self, nullptr);

        // Deleted directly rather than through deleteInstance(): the owner must let go.
        if (singleton.get() == this)
            (void) singleton.release();
    }

    stopThread (threadStopTimeoutMs);
    clearReadyFlags();
}

//==============================================================================
bool VASMidiProcessing::setMidiDevices (bool useInput, bool useOutput)
{
    bool inOk = false, outOk = false;

    {
        const juce::ScopedLock sl (storedNamesLock);

        if (useInput)
        {
            storedInputName.clear();
            inOk = ports.getOpenInputName (storedInputName);
        }

        if (useOutput)
        {
            storedOutputName.clear();
            outOk = ports.getOpenOutputName (storedOutputName);
        }
    }

    if (! inOk && ! outOk)
        return false;

    inputReady = inOk;
    outputReady = outOk;
    startThread();
    return true;
}

bool VASMidiProcessing::isReady() const
{
    return inputReady.load() && outputReady.load();
}

bool VASMidiProcessing::isInputReady() const
{
    return inputReady.load();
}

bool VASMidiProcessing::isOutputReady() const
{
    return outputReady.load();
}

void VASMidiProcessing::setPassIntervalForTesting (int intervalMs) noexcept
{
    busyWaitMs = intervalMs;
    idleWaitMs = intervalMs;
}

void VASMidiProcessing::clearReadyFlags()
{
    inputReady = false;
    outputReady = false;
}

//==============================================================================
bool VASMidiProcessing::queueTransaction (SysExTransaction* transaction)
{
    if (transaction == nullptr)
        return false;

    {
        const juce::ScopedLock sl (requestQueueLock);
        transaction->setInFlight (true);
        requestQueue.push_back (transaction);
    }

    passWaiter.wake();
    return true;
}

void VASMidiProcessing::setRecording (bool shouldRecord)
{
    const juce::ScopedLock sl (recorderLock);
    recording = shouldRecord;
}

bool VASMidiProcessing::takeRecording (juce::MidiBuffer& destination)
{
    const juce::ScopedLock sl (recorderLock);

    // Handing the whole buffer over costs nothing; adding a large recording event by
    // event to an empty buffer would scan it once per event.
    if (destination.isEmpty())
    {
        destination.swapWith (recordingBuffer);
    }
    else
    {
        destination.addEvents (recordingBuffer, 0, -1, 0);
        recordingBuffer.clear();
    }

    return true;
}

//==============================================================================
void VASMidiProcessing::run()
{
    while (! threadShouldExit())
    {
        const bool busy = processPass();
        checkDevices();

        // One pass a millisecond while a transaction is queued or in flight or messages
        // arrive. With nothing to do the thread waits longer, but a queued request or
        // an arriving message ends any wait at once, so nothing is handled later than
        // it would be; an acknowledged send need not wait out a pass per message, and
        // the idle thread costs next to nothing.
        passWaiter.wait (busy ? busyWaitMs.load() : idleWaitMs.load());
    }
}

bool VASMidiProcessing::processPass()
{
    auto* front = pendingQueue.size() == 1 ? pendingQueue.front() : nullptr;

    incoming.clear();
    ports.takeReceivedMessages (incoming);

    // The flag is read, and the pass's messages recorded and counted, under the
    // recorder lock that setRecording takes: once recording is switched off, no pass
    // can add to the recording any more, and the count always equals its bytes.
    if (! incoming.isEmpty())
    {
        const juce::ScopedLock sl (recorderLock);

        if (recording.load())
        {
            recordingBuffer.addEvents (incoming, 0, -1, 0);

            for (const auto metadata : incoming)
                recordedByteCount += metadata.numBytes;
        }
    }

    for (const auto metadata : incoming)
    {
        if (metadata.numBytes > 0 && metadata.data[0] == 0xF0)
            dispatchReply (metadata.getMessage(), front);
    }

    if (front != nullptr)
    {
        if (front->getExpectedReplies() == 0)
            front->setState (TransactionState::complete);

        const auto state = front->getRawState();

        if (front->hasTimedOut() || state == TransactionState::complete)
        {
            pendingQueue.pop_front();
            front->setInFlight (false);
        }
    }

    const bool received = ! incoming.isEmpty();

    if (! pendingQueue.empty())
        return true;

    SysExTransaction* next = nullptr;
    bool moreQueued = false;

    {
        const juce::ScopedLock sl (requestQueueLock);

        if (! requestQueue.empty())
        {
            next = requestQueue.front();
            requestQueue.pop_front();
        }

        moreQueued = ! requestQueue.empty();
    }

    if (next == nullptr)
        return received;

    if (outputReady.load())
    {
        next->touch();
        pendingQueue.push_back (next);

        const auto request = next->getRequest();
        ports.sendMessage (&request);
    }
    else
    {
        next->setState (TransactionState::timedOut);
        next->setInFlight (false);
    }

    return ! pendingQueue.empty() || moreQueued || received;
}

void VASMidiProcessing::checkDevices()
{
    const auto now = MillisecondClock::now();

    if (! MillisecondClock::isLongerThan (now, lastDeviceCheck, deviceCheckIntervalMs))
        return;

    // The flags say what this check found before it reopens anything: while a vanished
    // port is being closed and reopened it already reads not ready, so the sender stops
    // with the output not ready instead of queueing a message that could only time
    // out. A reopened port counts as ready from the next check on.
    const bool inputPresent = ports.isMidiInputPresent();
    inputReady = inputPresent;

    const bool outputPresent = ports.isMidiOutputPresent();
    outputReady = outputPresent;

    juce::String inputName, outputName;

    {
        const juce::ScopedLock sl (storedNamesLock);
        inputName = storedInputName;
        outputName = storedOutputName;
    }

    // Only the device that was open is reopened, by its full name: with two units on
    // "KORRINA MIDI" and "2- KORRINA MIDI", the second must never stand in for the first.
    if (inputName.isNotEmpty() && ! inputPresent)
    {
        ports.closeMidiInput();
        ports.reopenMidiInput (inputName);
    }

    if (outputName.isNotEmpty() && ! outputPresent)
    {
        ports.closeMidiOutput();
        ports.reopenMidiOutput (outputName);
    }

    lastDeviceCheck = now;
}

//==============================================================================
bool VASMidiProcessing::dispatchReply (const juce::MidiMessage& message, SysExTransaction* front)
{
    const auto size = message.getRawDataSize();

    if (size < 6)
        return false;

    const auto* data = message.getRawData();
    const auto f = data[5];

    if (! skipsChecksum (f) && SysExMessage::checksum (data, size - 2) != data[size - 2])
        return false;

    if (front == nullptr)
        return false;

    const auto r = SysExTransaction::getFunctionCode (front->getRequest());
    bool belongs = false;

    if (answersOwnFunction (f))
    {
        belongs = (r == f);
    }
    else switch (f)
    {
        case 0x02:  belongs = isOneOf (r, { 0x02, 0x2E }); break;
        case 0x07:  belongs = isOneOf (r, { 0x07, 0x3B }); break;
        case 0x29:  belongs = isOneOf (r, { 0x29, 0x0E }); break;
        case 0x2C:  belongs = isOneOf (r, { 0x2C, 0x2B }); break;
        case 0x33:  belongs = isOneOf (r, { 0x01, 0x12, 0x2B }); break;

        case 0x32:
        {
            belongs = isOneOf (r, { 0x01, 0x12, 0x2B });
            MultiMsgStart start;

            if (belongs && SysExMessage::parseMultiMsgStart (message, start))
                front->setExpectedReplies ((int) start.second + 2);

            break;
        }

        case 0x61:
        {
            belongs = (r == 0x43);
            SingleNumber start;

            if (belongs && SysExMessage::parseSystemDataStart (message, start))
                front->setExpectedReplies ((int) (start.value >> 6) + 2);

            break;
        }

        case 0x62: case 0x63:
            belongs = (r == 0x43);
            break;

        case 0x64:
        {
            StatusReply status;
            belongs = SysExMessage::parseStatus (message, status) && status.function == r;

            if (belongs && r == 0x1F)
                front->setExpectedReplies (1);

            break;
        }

        case 0x67: case 0x68: case 0x69:
            belongs = (r == 0x40);
            break;

        case 0x74:
        {
            belongs = (r == 0x1F);
            EffectStart start;

            if (belongs && SysExMessage::parseEffectStart (message, start))
                front->setExpectedReplies ((int) (start.second >> 6) + 3);

            break;
        }

        case 0x75: case 0x76:
            belongs = (r == 0x1F);
            break;

        case 0x77: case 0x78: case 0x79:
            belongs = isOneOf (r, { 0x03, 0x1C });
            break;

        case 0x7A: case 0x7B: case 0x7C:
            belongs = isOneOf (r, { 0x19, 0x44, 0x40 });
            break;

        default:
            break;
    }

    if (belongs)
        front->addReply (message);

    return belongs;
}
