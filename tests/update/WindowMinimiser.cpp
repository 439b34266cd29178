#include "WindowMinimiser.h"

#include <dlfcn.h>

bool WindowMinimiser::minimise (juce::ResizableWindow& window)
{
    window.setMinimised (true);
    auto* peer = window.getPeer();
    auto* x11 = ::dlopen ("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);

    if (peer == nullptr || x11 == nullptr)
        return false;

    using OpenDisplay = void* (*) (const char*);
    using InternAtom = unsigned long (*) (void*, const char*, int);
    using ChangeProperty = int (*) (void*, unsigned long, unsigned long, unsigned long, int, int, const unsigned char*, int);
    using Display = int (*) (void*);

    auto openDisplay = reinterpret_cast<OpenDisplay> (::dlsym (x11, "XOpenDisplay"));
    auto internAtom = reinterpret_cast<InternAtom> (::dlsym (x11, "XInternAtom"));
    auto changeProperty = reinterpret_cast<ChangeProperty> (::dlsym (x11, "XChangeProperty"));
    auto closeDisplay = reinterpret_cast<Display> (::dlsym (x11, "XCloseDisplay"));

    if (openDisplay == nullptr || internAtom == nullptr || changeProperty == nullptr || closeDisplay == nullptr)
        return false;

    auto* display = openDisplay (nullptr);

    if (display == nullptr)
        return false;

    const auto wmState = internAtom (display, "WM_STATE", 0);
    const long iconicState[] = { 3, 0 };
    changeProperty (display, (unsigned long) (juce::pointer_sized_uint) peer->getNativeHandle(), wmState, wmState,
                    32, 0 /* PropModeReplace */, reinterpret_cast<const unsigned char*> (iconicState), 2);
    closeDisplay (display);
    return true;
}
