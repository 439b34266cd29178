#include "app/DisplayCheck.h"
#include "app/DremlorApplication.h"

#include <iostream>

// The program's entry: without a display it says so and ends; otherwise it
// registers the factory and hands control to the framework.
JUCE_CREATE_APPLICATION_DEFINE (DremlorApplication)

int main (int argc, char* argv[])
{
    if (const auto problem = DisplayCheck::findProblem(); problem.isNotEmpty())
    {
        std::cerr << problem << std::endl;
        return 1;
    }

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
