#include "SkinPreviewRenderer.h"

#include "skin/DremlorLookAndFeel.h"
#include "skin/SkinManager.h"

#include <iostream>

namespace
{
    // The title bar shows the icon and the program's layout of the title only for
    // the window named after the running application, so the preview stands in
    // for the program's application object. It is never run.
    class PreviewApplication  : public juce::JUCEApplication
    {
    public:
        const juce::String getApplicationName() override      { return "Vornhalt Audio Systems - Dremlor MIDI Utility"; }
        const juce::String getApplicationVersion() override   { return "2.0.2"; }
        void initialise (const juce::String&) override        {}
        void shutdown() override                               {}
    };
}

// Renders the default skin's controls into PNG files:
//     dremlor_skin_preview [--light-scheme] [output folder]
// The skin is read from the folder "Skin" beside the executable, as the program does.
// --light-scheme starts the look-and-feel from the framework's light colour scheme
// (dark label text on light surfaces) instead of its default dark one, to compare
// the two under the skin.
int main (int argc, char* argv[])
{
    const juce::ScopedJuceInitialiser_GUI juce;
    PreviewApplication application;

    bool lightScheme = false;
    auto output = juce::File (DREMLOR_SKIN_PREVIEW_DIR);

    for (int i = 1; i < argc; ++i)
    {
        const auto argument = juce::String (juce::CharPointer_UTF8 (argv[i]));

        if (argument == "--light-scheme")
            lightScheme = true;
        else
            output = juce::File::getCurrentWorkingDirectory().getChildFile (argument);
    }

    auto* manager = SkinManager::getInstance();

    if (manager == nullptr)
        return 1;

    const auto description = juce::File (SkinManager::getApplicationFolder()).getChildFile ("Skin/DL.vexor");

    if (! manager->loadDefaultSkin (description.getFullPathName()))
    {
        std::cerr << "dremlor_skin_preview: cannot load " << description.getFullPathName() << "\n";
        delete manager;
        return 1;
    }

    juce::StringArray failed;
    {
        DremlorLookAndFeel lookAndFeel;

        if (lightScheme)
            lookAndFeel.setColourScheme (juce::LookAndFeel_V4::getLightColourScheme());

        lookAndFeel.applySkin();
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);

        failed = SkinPreviewRenderer (output).renderAll();

        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    delete manager;

    if (! failed.isEmpty())
    {
        std::cerr << "dremlor_skin_preview: could not render " << failed.joinIntoString (", ") << "\n";
        return 1;
    }

    std::cout << "Previews written to " << output.getFullPathName() << "\n";
    return 0;
}
