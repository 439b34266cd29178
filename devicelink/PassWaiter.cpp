#include "devicelink/PassWaiter.h"

struct PassWaiter::Event
{
    juce::WaitableEvent waitable;
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
    return event->waitable.wait (timeoutMs);
}

void PassWaiter::wake()
{
    event->waitable.signal();
}
