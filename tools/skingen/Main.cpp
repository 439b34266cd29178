#include "SkinGenerator.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

// Generates the default skin: dremlor_skingen <output folder> <asset folder> <font folder>
int main (int argc, char* argv[])
{
    if (argc != 4)
    {
        std::cerr << "usage: dremlor_skingen <output folder> <asset folder> <font folder>\n";
        return 2;
    }

    // Drawings are components; they want a message manager even when nothing is shown.
    const juce::ScopedJuceInitialiser_GUI juce;

    const auto absolute = [] (const char* path)
    {
        return juce::File::getCurrentWorkingDirectory().getChildFile (juce::String (juce::CharPointer_UTF8 (path)));
    };

    SkinGenerator generator (absolute (argv[2]), absolute (argv[3]));

    if (! generator.generate (absolute (argv[1])))
    {
        std::cerr << "dremlor_skingen: " << generator.getError() << "\n";
        return 1;
    }

    return 0;
}
