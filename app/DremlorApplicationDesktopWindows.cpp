#include "app/DremlorApplication.h"

bool DremlorApplication::openWithDesktop (const juce::File& file)
{
    // The Windows shell starts the file with its default action (an installer runs).
    // The path is handed over as the file to open and no parameters are given, so it
    // is never parsed as a command line: spaces, quotes or "&" in a folder name stay
    // part of the name.
    if (! file.existsAsFile())
        return false;

    return file.startAsProcess ({});
}
