#include "app/ProgressMirror.h"

ProgressMirror::ProgressMirror (std::function<double()> sourceToUse)
{
    setSource (std::move (sourceToUse));
}

ProgressMirror::~ProgressMirror()
{
    stopTimer();
}

void ProgressMirror::setSource (std::function<double()> newSource)
{
    source = std::move (newSource);
    timerCallback();

    if (source != nullptr)
        startTimer (40);
    else
        stopTimer();
}

void ProgressMirror::timerCallback()
{
    if (source != nullptr)
        value = source();
}
