#include "app/DremlorApplication.h"

// The program's entry: registers the factory and hands control to the framework.
START_JUCE_APPLICATION (DremlorApplication)
