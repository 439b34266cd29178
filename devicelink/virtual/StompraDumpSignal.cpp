#include "devicelink/virtual/StompraDumpSignal.h"

#include <atomic>
#include <signal.h>

namespace
{
    // Written by the signal handler, so it must be lock-free to be safe there.
    std::atomic<bool> signalPending { false };
    static_assert (std::atomic<bool>::is_always_lock_free, "the signal flag must be lock-free");

    // Which instance owns the handler, and what the signal did before it; guarded by
    // ownerLock (never touched by the handler).
    juce::CriticalSection ownerLock;
    bool handlerOwned = false;
    struct sigaction previousAction {};

    // The signal that stands for the key press.
    constexpr int signalNumber = SIGUSR1;

    constexpr int pollIntervalMs = 10;

    void handleSignal (int)
    {
        signalPending.store (true);
    }
}

//==============================================================================
/** Looks at the flag every 10 ms and calls the function, outside the handler. */
class StompraDumpSignal::Listener  : private juce::Thread
{
public:
    explicit Listener (std::function<void()> callback)
        : juce::Thread ("Stompra Dump Signal"), onSignal (std::move (callback))
    {
        startThread();
    }

    ~Listener() override
    {
        stopThread (2000);
    }

private:
    void run() override
    {
        while (! threadShouldExit())
        {
            if (signalPending.exchange (false) && onSignal != nullptr)
                onSignal();

            wait (pollIntervalMs);
        }
    }

    const std::function<void()> onSignal;

    JUCE_DECLARE_NON_COPYABLE (Listener)
};

//==============================================================================
StompraDumpSignal::StompraDumpSignal (std::function<void()> onSignal)
{
    const juce::ScopedLock sl (ownerLock);

    if (handlerOwned)
        return;

    struct sigaction action {};
    action.sa_handler = handleSignal;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART;

    signalPending = false;

    if (sigaction (signalNumber, &action, &previousAction) != 0)
        return;

    handlerOwned = true;
    listener = std::make_unique<Listener> (std::move (onSignal));
}

StompraDumpSignal::~StompraDumpSignal()
{
    if (listener == nullptr)
        return;

    listener.reset();

    const juce::ScopedLock sl (ownerLock);
    sigaction (signalNumber, &previousAction, nullptr);
    handlerOwned = false;
    signalPending = false;
}
