#include "app/DremlorApplication.h"

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The program's Windows entry: registers the factory and hands control to the
// framework, which reads the command line itself.
JUCE_CREATE_APPLICATION_DEFINE (DremlorApplication)

int WINAPI WinMain (HINSTANCE, HINSTANCE, LPSTR, int)
{
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main();
}
