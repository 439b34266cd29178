// A Windows source: parsed with Windows' headers.
#include <juce_core/juce_core.h>

#include <windows.h>

juce::String windowsForms()
{
    wchar_t wide[64] {};
    GetEnvironmentVariableW (L"APPDATA", wide, 64);
    char narrow[64] {};
    GetEnvironmentVariableA ("APPDATA", narrow, 64);

    juce::String text (wide);                                                           // flagged
    text << narrow;                                                                     // flagged
    text << L"literal" << "literal";
    return text;
}
