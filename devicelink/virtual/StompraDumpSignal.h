#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>

//==============================================================================
/**
    Lets something outside the program stand for a user pressing ENTER on an
    emulated Stompra: while an instance is listening, SIGUSR1 sent to the process
    (kill -USR1 <pid>) calls the function it was given.

    The signal handler does nothing but raise a lock-free flag. A thread of its own,
    "Stompra Dump Signal", looks at the flag every 10 ms and calls the function
    there, so nothing that is unsafe inside a signal handler ever runs in one.
    Signals that arrive before the thread has looked count as one.

    Only one instance in the process listens at a time; a second one stays deaf
    (isListening() is false). The destructor stops the thread and puts back what
    SIGUSR1 did before.

    Windows has no such signal: there no instance listens (see
    StompraDumpSignalWindows.cpp), and a Stompra dump is recorded from a real unit.
*/
class StompraDumpSignal
{
public:
    /** Installs the handler and starts the thread; onSignal runs on that thread. */
    explicit StompraDumpSignal (std::function<void()> onSignal);
    ~StompraDumpSignal();

    /** True when this instance installed the handler. */
    bool isListening() const noexcept       { return listener != nullptr; }

private:
    // The thread that watches the flag, defined by each platform's file; made only
    // by the instance that listens.
    class Listener;
    std::unique_ptr<Listener> listener;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StompraDumpSignal)
};
