#include "support_gui/TestDisplay.h"

#include <dlfcn.h>

#include <initializer_list>

namespace
{
    /** Xlib's default error handler ends the process. The framework swaps it for one that
        only logs, but in a standalone application alone, so a test process keeps the fatal
        one. GUI tests run in parallel on one server, and the framework walks the window tree
        of windows other processes may just have destroyed (focus changes): the BadWindow that
        follows is harmless, as in the application, and must not end the test.
    */
    int ignoreXError (void*, void*)
    {
        return 0;
    }
}

/** A bare X server (Xvfb without a window manager) lacks the window-manager atoms
    that the framework looks up without creating them, and a window then fails with
    BadAtom. Interning them here makes them exist; the connection stays open for the
    whole run because the server forgets its atoms when its last client leaves.
*/
void TestDisplay::prepare()
{
    auto* x11 = ::dlopen ("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);

    if (x11 == nullptr)
        return;

    using OpenDisplay = void* (*) (const char*);
    using InternAtom = unsigned long (*) (void*, const char*, int);
    using ErrorHandler = int (*) (void*, void*);
    using SetErrorHandler = ErrorHandler (*) (ErrorHandler);

    if (auto setErrorHandler = reinterpret_cast<SetErrorHandler> (::dlsym (x11, "XSetErrorHandler")))
        setErrorHandler (ignoreXError);

    auto openDisplay = reinterpret_cast<OpenDisplay> (::dlsym (x11, "XOpenDisplay"));
    auto internAtom = reinterpret_cast<InternAtom> (::dlsym (x11, "XInternAtom"));

    if (openDisplay == nullptr || internAtom == nullptr)
        return;

    static void* const display = openDisplay (nullptr);

    if (display == nullptr)
        return;

    for (auto* name : { "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING",
                        "WM_CHANGE_STATE", "WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                        "_NET_WM_STATE_HIDDEN", "_NET_WM_WINDOW_TYPE_NORMAL" })
        internAtom (display, name, 0);
}
