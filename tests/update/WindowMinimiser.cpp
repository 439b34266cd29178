#include "WindowMinimiser.h"

#include <dlfcn.h>

bool WindowMinimiser::minimise (juce::ResizableWindow& window)
{
    window.setMinimised (true);
    auto* peer = window.getPeer();
    auto* x11 = ::dlopen ("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);

    if (peer == nullptr || x11 == nullptr)
        return false;

    auto openDisplay = reinterpret_cast<void* (*) (const char*)> (::dlsym (x11, "XOpenDisplay"));
    auto internAtom = reinterpret_cast<unsigned long (*) (void*, const char*, int)> (::dlsym (x11, "XInternAtom"));
    auto changeProperty = reinterpret_cast<int (*) (void*, unsigned long, unsigned long, unsigned long, int, int,
                                                    const unsigned char*, int)> (::dlsym (x11, "XChangeProperty"));
    auto closeDisplay = reinterpret_cast<int (*) (void*)> (::dlsym (x11, "XCloseDisplay"));
    auto* display = openDisplay != nullptr ? openDisplay (nullptr) : nullptr;

    if (display == nullptr || internAtom == nullptr || changeProperty == nullptr || closeDisplay == nullptr)
        return false;

    const auto wmState = internAtom (display, "WM_STATE", 0);
    const long iconicState[] = { 3, 0 };
    changeProperty (display, (unsigned long) (juce::pointer_sized_uint) peer->getNativeHandle(), wmState, wmState,
                    32, 0 /* PropModeReplace */, reinterpret_cast<const unsigned char*> (iconicState), 2);
    closeDisplay (display);
    return true;
}
