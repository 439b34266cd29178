#include "text/EnvironmentText.h"

#include "text/Utf8Text.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

juce::String EnvironmentText::get (const char* name)
{
    // The process's own environment, in UTF-16, as the framework reads it too; the C
    // runtime's _putenv_s changes it as well.
    const std::wstring wideName (name, name + std::strlen (name));
    std::vector<wchar_t> value (256);

    for (;;)
    {
        // The length without its zero when the value fits, else the room it needs
        // (with its zero); 0 when the variable is not set or empty.
        const auto length = ::GetEnvironmentVariableW (wideName.c_str(), value.data(), (DWORD) value.size());

        if (length == 0)
            return {};

        if (length < value.size())
            return Utf8Text::fromUtf16Units (reinterpret_cast<const juce::uint16*> (value.data()), length);

        // Another thread may lengthen the value between the calls: asked again.
        value.resize ((size_t) length + 1);
    }
}
