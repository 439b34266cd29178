#include "support_gui/ModalBoxAnswerer.h"

ModalBoxAnswerer::ModalBoxAnswerer()
{
    startTimer (20);
}

ModalBoxAnswerer::~ModalBoxAnswerer()
{
    stopTimer();
}

void ModalBoxAnswerer::pressNext (const juce::String& buttonText)
{
    answers.push_back (buttonText);
}

ModalBoxAnswerer::Box ModalBoxAnswerer::getLastBox() const
{
    return boxes.empty() ? Box() : boxes.back();
}

//==============================================================================
void ModalBoxAnswerer::timerCallback()
{
    auto& modal = *juce::ModalComponentManager::getInstance();

    for (int i = modal.getNumModalComponents(); --i >= 0;)
    {
        auto* window = dynamic_cast<juce::AlertWindow*> (modal.getModalComponent (i));

        if (window == nullptr)
            continue;

        const bool seen = std::any_of (answered.begin(), answered.end(),
                                       [window] (const auto& p) { return p.getComponent() == window; });

        if (! seen)
            answer (*window);
    }

    answered.removeIf ([] (const auto& p) { return p == nullptr; });
}

void ModalBoxAnswerer::answer (juce::AlertWindow& window)
{
    Box box;
    box.title = window.getName();
    // The window keeps its message only in its accessible description, "title. message".
    box.message = window.getDescription().fromFirstOccurrenceOf (box.title + ". ", false, false);
    box.icon = window.getAlertType();

    juce::Array<juce::Button*> buttons;

    for (auto* child : window.getChildren())
        if (auto* button = dynamic_cast<juce::Button*> (child))
            buttons.add (button);

    for (auto* button : buttons)
        box.buttons.add (button->getButtonText());

    juce::Button* toPress = buttons.isEmpty() ? nullptr : buttons.getFirst();

    if (! answers.empty())
    {
        for (auto* button : buttons)
            if (button->getButtonText() == answers.front())
                toPress = button;

        answers.pop_front();
    }

    answered.add (&window);

    if (onBoxShown != nullptr)
        onBoxShown (box);

    if (toPress != nullptr)
    {
        box.pressed = toPress->getButtonText();
        toPress->triggerClick();
    }
    else
    {
        window.exitModalState (0);
    }

    boxes.push_back (box);
}
