#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Reads one of the process's environment variables (PATH, XDG_RUNTIME_DIR, APPDATA,
    the program's own DREMLOR_ settings) as text.

    The framework's SystemStats::getEnvironmentVariable takes a Linux value's bytes as
    UTF-8 without looking at them, and a folder name in another encoding (Latin-1 is
    common) then makes a damaged juce::String (see Utf8Text). Here the bytes go through
    Utf8Text::toText on Linux; on Windows the environment's UTF-16 goes through
    Utf8Text::fromUtf16Units, so a folder name beyond ASCII stays as it is.

    Any thread. The C library does not guard the environment against a change made at
    the same time (setenv), which only tests make.
*/
class EnvironmentText
{
public:
    //==============================================================================
    /** The variable's value as well-formed text; empty when it is not set. The name
        is the program's own ASCII.
    */
    static juce::String get (const char* name);

private:
    EnvironmentText() = delete;
};
