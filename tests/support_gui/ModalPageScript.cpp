#include "support_gui/ModalPageScript.h"

ModalPageScript::ModalPageScript (int timeoutMs)
    : stepTimeoutMs (timeoutMs)
{
    waitingSince = juce::Time::getMillisecondCounter();
    startTimer (10);
}

ModalPageScript::~ModalPageScript()
{
    stopTimer();
}

ModalPageScript& ModalPageScript::then (std::function<bool()> ready, std::function<void()> action)
{
    if (steps.empty())
        waitingSince = juce::Time::getMillisecondCounter();

    steps.push_back ({ std::move (ready), std::move (action) });
    return *this;
}

ModalPageScript& ModalPageScript::then (std::function<void()> action)
{
    return then ([] { return true; }, std::move (action));
}

void ModalPageScript::timerCallback()
{
    // An action may itself run a modal loop (a message box), inside which this
    // timer fires again; the next step waits until the action has returned.
    if (acting || steps.empty())
        return;

    if (steps.front().ready())
    {
        auto step = std::move (steps.front());
        steps.pop_front();

        acting = true;
        step.action();
        acting = false;

        ++stepsDone;
        waitingSince = juce::Time::getMillisecondCounter();
        return;
    }

    if ((int) (juce::Time::getMillisecondCounter() - waitingSince) > stepTimeoutMs)
    {
        timedOut = true;
        steps.clear();
        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
    }
}
