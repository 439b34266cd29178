#include "support_gui/DialogWindowAnswerer.h"

DialogWindowAnswerer::DialogWindowAnswerer()
{
    startTimer (20);
}

DialogWindowAnswerer::~DialogWindowAnswerer()
{
    stopTimer();
}

void DialogWindowAnswerer::onDialog (const juce::String& title, std::function<void (juce::DialogWindow&)> action)
{
    actions[title] = std::move (action);
}

int DialogWindowAnswerer::countShown (const juce::String& title) const
{
    const auto found = shown.find (title);
    return found != shown.end() ? found->second : 0;
}

bool DialogWindowAnswerer::clickButton (juce::DialogWindow& dialog, const juce::String& buttonName)
{
    std::function<juce::Button* (juce::Component&)> find = [&] (juce::Component& parent) -> juce::Button*
    {
        for (auto* child : parent.getChildren())
        {
            if (auto* button = dynamic_cast<juce::Button*> (child))
                if (button->getName() == buttonName)
                    return button;

            if (auto* inner = find (*child))
                return inner;
        }

        return nullptr;
    };

    if (auto* button = find (dialog))
    {
        button->triggerClick();
        return true;
    }

    return false;
}

bool DialogWindowAnswerer::saveSnapshot (juce::Component& component, const juce::File& file)
{
    const auto image = component.createComponentSnapshot (component.getLocalBounds());
    file.getParentDirectory().createDirectory();
    file.deleteFile();

    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
}

void DialogWindowAnswerer::timerCallback()
{
    auto& modal = *juce::ModalComponentManager::getInstance();

    for (int i = modal.getNumModalComponents(); --i >= 0;)
    {
        auto* window = dynamic_cast<juce::DialogWindow*> (modal.getModalComponent (i));

        if (window == nullptr || ! window->isShowing())
            continue;

        const bool known = std::any_of (seen.begin(), seen.end(),
                                        [window] (const auto& p) { return p.getComponent() == window; });

        if (known)
            continue;

        seen.add (window);
        const auto title = window->getName();
        ++shown[title];

        const auto action = actions.find (title);

        if (action != actions.end() && action->second != nullptr)
            action->second (*window);
    }

    seen.removeIf ([] (const auto& p) { return p == nullptr; });
}
