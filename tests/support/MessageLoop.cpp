#include "MessageLoop.h"

#include <juce_events/juce_events.h>

bool MessageLoop::runUntil (const std::function<bool()>& condition, int timeoutMs)
{
    auto* messageManager = juce::MessageManager::getInstance();
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if ((int) (deadline - juce::Time::getMillisecondCounter()) <= 0)
            return condition();

        messageManager->runDispatchLoopUntil (1);
    }

    return true;
}

void MessageLoop::runFor (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}
