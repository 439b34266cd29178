#include "app/DisplayCheck.h"

#include "text/Utf8Text.h"

#include <cstring>

juce::String DisplayCheck::findProblem()
{
    const auto advice = juce::String ("; start it from a graphical session.");
    const auto noLibrary = "Dremlor needs the X11 library (libX11.so.6), which could not be loaded" + advice;
    const auto* name = std::getenv ("DISPLAY");

    if (name == nullptr || *name == 0)
        return "Dremlor needs a display, but DISPLAY is not set" + advice;

    // The library the framework loads for its windows, opened the same way.
    juce::DynamicLibrary x11;

    if (! x11.open ("libX11.so.6"))
        return noLibrary;

    using OpenDisplay = void* (*) (const char*);
    using CloseDisplay = int (*) (void*);
    const auto openDisplay = reinterpret_cast<OpenDisplay> (x11.getFunction ("XOpenDisplay"));
    const auto closeDisplay = reinterpret_cast<CloseDisplay> (x11.getFunction ("XCloseDisplay"));

    if (openDisplay == nullptr || closeDisplay == nullptr)
        return noLibrary;

    auto* display = openDisplay (name);

    if (display == nullptr)
        return "Dremlor cannot open the display \"" + Utf8Text::toText (name, std::strlen (name)) + "\"" + advice;

    closeDisplay (display);
    return {};
}
