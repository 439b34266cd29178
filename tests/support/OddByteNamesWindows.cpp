#include "support/OddByteNames.h"

bool OddByteNames::createIn (const juce::File&)
{
    return false;
}

const char* OddByteNames::unsupportedReason()
{
    return "Windows names files in UTF-16: a name cannot hold bytes that are not UTF-8";
}
