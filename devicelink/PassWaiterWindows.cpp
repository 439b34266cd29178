#include "devicelink/PassWaiter.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

struct PassWaiter::Event
{
    // Auto-reset: a wait that ends on the signal clears it, as the framework's event does.
    Event() : handle (::CreateEventW (nullptr, FALSE, FALSE, nullptr)) {}
    ~Event() { if (handle != nullptr) ::CloseHandle (handle); }

    const HANDLE handle;

    JUCE_DECLARE_NON_COPYABLE (Event)
};

PassWaiter::PassWaiter (juce::Thread& threadToServe)
    : thread (threadToServe), event (std::make_unique<Event>())
{
    thread.addListener (this);
}

PassWaiter::~PassWaiter()
{
    thread.removeListener (this);
}

bool PassWaiter::wait (int timeoutMs)
{
    // Without an event (the system refused one) the wait still keeps its time, so
    // the thread neither spins nor stalls; only the early wake-up is lost.
    if (event->handle == nullptr)
    {
        juce::Thread::sleep (juce::jmax (0, timeoutMs));
        return false;
    }

    return ::WaitForSingleObject (event->handle, timeoutMs < 0 ? INFINITE : (DWORD) timeoutMs) == WAIT_OBJECT_0;
}

void PassWaiter::wake()
{
    if (event->handle != nullptr)
        ::SetEvent (event->handle);
}
