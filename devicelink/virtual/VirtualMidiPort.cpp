#include "devicelink/virtual/VirtualMidiPort.h"

#include <algorithm>
#include <deque>
#include <thread>

//==============================================================================
/** A queue of messages handed one at a time to a function on a thread of its own,
    optionally spaced out by their wire time.
*/
class VirtualMidiPort::DeliveryThread : public juce::Thread
{
public:
    DeliveryThread (const juce::String& threadName,
                    std::function<void (const juce::MidiMessage&)> deliverFunction,
                    const std::atomic<bool>* pacingFlag)
        : juce::Thread (threadName), deliver (std::move (deliverFunction)), pacing (pacingFlag)
    {
        startThread();
    }

    ~DeliveryThread() override
    {
        halt();
    }

    /** Ends the thread once a delivery in progress has returned; later pushes stay queued. */
    void halt()
    {
        signalThreadShouldExit();
        wakeUp.signal();
        stopThread (-1);
        clear();
    }

    void push (const juce::MidiMessage& message)
    {
        {
            const juce::ScopedLock sl (queueLock);
            queue.push_back (message);
        }

        wakeUp.signal();
    }

    void clear()
    {
        const juce::ScopedLock sl (queueLock);
        queue.clear();
    }

    bool isIdle() const
    {
        const juce::ScopedLock sl (queueLock);
        return queue.empty() && ! busy;
    }

    void run() override
    {
        while (! threadShouldExit())
        {
            juce::MidiMessage message;

            {
                const juce::ScopedLock sl (queueLock);

                if (! queue.empty())
                {
                    message = queue.front();
                    queue.pop_front();
                    busy = true;
                }
            }

            if (! isBusy())
            {
                wakeUp.wait (100);
                continue;
            }

            if (pacing != nullptr && pacing->load())
                std::this_thread::sleep_for (std::chrono::microseconds (wireTimeMicroseconds (message.getRawDataSize())));

            deliver (message);

            const juce::ScopedLock sl (queueLock);
            busy = false;
        }
    }

private:
    bool isBusy() const
    {
        const juce::ScopedLock sl (queueLock);
        return busy;
    }

    const std::function<void (const juce::MidiMessage&)> deliver;
    const std::atomic<bool>* const pacing;
    juce::CriticalSection queueLock;
    std::deque<juce::MidiMessage> queue;
    bool busy = false;
    juce::WaitableEvent wakeUp;
};

//==============================================================================
/** The host's end of the pair's input: registered with the pair while started. */
class VirtualMidiPort::InputPort : public MidiDeviceProvider::Input
{
public:
    InputPort (std::shared_ptr<VirtualMidiPort> pairToUse, juce::MidiInputCallback& callbackToUse, int openedGeneration)
        : pair (std::move (pairToUse)), callback (callbackToUse), generation (openedGeneration) {}

    ~InputPort() override { stop(); }

    void start() override { pair->startInput (*this); }
    void stop() override  { pair->stopInput (*this); }
    bool isConnected() const override { return pair->isLive (generation); }

    const std::shared_ptr<VirtualMidiPort> pair;
    juce::MidiInputCallback& callback;
    const int generation;
};

/** The host's end of the pair's output. */
class VirtualMidiPort::OutputPort : public MidiDeviceProvider::Output
{
public:
    OutputPort (std::shared_ptr<VirtualMidiPort> pairToUse, int openedGeneration)
        : pair (std::move (pairToUse)), generation (openedGeneration) {}

    void sendMessageNow (const juce::MidiMessage& message) override { pair->sendFromHost (message, generation); }
    bool isConnected() const override { return pair->isLive (generation); }

private:
    const std::shared_ptr<VirtualMidiPort> pair;
    const int generation;
};

//==============================================================================
VirtualMidiPort::VirtualMidiPort (const juce::String& portName, bool shouldPace)
    : name (portName), pacing (shouldPace)
{
    toUnit = std::make_unique<DeliveryThread> ("Virtual MIDI Out " + name,
                                               [this] (const juce::MidiMessage& m) { deliverToUnit (m); },
                                               nullptr);
    toHost = std::make_unique<DeliveryThread> ("Virtual MIDI In " + name,
                                               [this] (const juce::MidiMessage& m) { deliverToHost (m); },
                                               &pacing);
}

VirtualMidiPort::~VirtualMidiPort()
{
    shutDown();
    toHost->halt();
}

void VirtualMidiPort::setUnit (VirtualMidiUnit& unitToUse, std::unique_ptr<VirtualMidiUnit> owned)
{
    unit = &unitToUse;
    ownedUnit = std::move (owned);

    unit->setHostSender ([this] (const juce::MidiMessage& m) { queueToHost (m); });
}

void VirtualMidiPort::shutDown()
{
    if (detached.exchange (true))
        return;

    unplug();

    if (unit != nullptr)
        unit->setHostSender (nullptr);

    // Once the unit thread has ended nothing calls into the unit any more.
    toUnit->halt();
    ownedUnit.reset();
    unit = nullptr;
}

//==============================================================================
void VirtualMidiPort::unplug()
{
    if (! plugged.exchange (false))
        return;

    ++generation;

    toUnit->clear();
    toHost->clear();
}

void VirtualMidiPort::replug()
{
    if (! detached.load())
        plugged.store (true);
}

bool VirtualMidiPort::isIdle() const
{
    return toUnit->isIdle() && toHost->isIdle();
}

bool VirtualMidiPort::isLive (int openedGeneration) const noexcept
{
    return plugged.load() && generation.load() == openedGeneration;
}

//==============================================================================
std::unique_ptr<MidiDeviceProvider::Input> VirtualMidiPort::openInput (juce::MidiInputCallback& callback)
{
    if (! plugged.load() || openFails.load())
        return nullptr;

    return std::make_unique<InputPort> (shared_from_this(), callback, generation.load());
}

std::unique_ptr<MidiDeviceProvider::Output> VirtualMidiPort::openOutput()
{
    if (! plugged.load() || openFails.load())
        return nullptr;

    return std::make_unique<OutputPort> (shared_from_this(), generation.load());
}

void VirtualMidiPort::sendFromHost (const juce::MidiMessage& message, int openedGeneration)
{
    if (! isLive (openedGeneration))
        return;

    // A real driver's send returns only once the message is on the wire.
    if (pacing.load())
        std::this_thread::sleep_for (std::chrono::microseconds (wireTimeMicroseconds (message.getRawDataSize())));

    if (isLive (openedGeneration))
        toUnit->push (message);
}

void VirtualMidiPort::queueToHost (const juce::MidiMessage& message)
{
    if (plugged.load())
        toHost->push (message);
}

void VirtualMidiPort::deliverToUnit (const juce::MidiMessage& message)
{
    if (unit != nullptr && plugged.load())
        unit->handleMessageFromHost (message);
}

void VirtualMidiPort::deliverToHost (const juce::MidiMessage& message)
{
    const juce::ScopedLock sl (inputsLock);

    for (auto* input : startedInputs)
        if (isLive (input->generation))
            input->callback.handleIncomingMidiMessage (nullptr, message);
}

void VirtualMidiPort::startInput (InputPort& input)
{
    const juce::ScopedLock sl (inputsLock);

    if (std::find (startedInputs.begin(), startedInputs.end(), &input) == startedInputs.end())
        startedInputs.push_back (&input);
}

void VirtualMidiPort::stopInput (InputPort& input)
{
    // Taking the lock waits for a delivery in progress, so no callback runs after stop().
    const juce::ScopedLock sl (inputsLock);
    startedInputs.erase (std::remove (startedInputs.begin(), startedInputs.end(), &input), startedInputs.end());
}
