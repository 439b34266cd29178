// Writes the bytes an emulated unit sends on its own, for the end-to-end runs to
// compare the program's files with:
//     dremlor_e2e_unit_dump stompra-neo <out file>      the dump of ENTER on "Sysex Data DUMP!"
#include "devicelink/virtual/StompraUnit.h"

#include <iostream>

int main (int argc, char* argv[])
{
    if (argc != 3)
    {
        std::cerr << "usage: dremlor_e2e_unit_dump stompra-classic|stompra-neo <out file>\n";
        return 2;
    }

    const juce::String unit (argv[1]);

    if (unit != "stompra-classic" && unit != "stompra-neo")
    {
        std::cerr << "unknown unit: " << argv[1] << "\n";
        return 2;
    }

    const StompraUnit stompra (unit == "stompra-neo" ? DeviceModels::stompraNeo : DeviceModels::stompraClassic);
    const auto bytes = stompra.makeDumpBytes();
    const juce::File out (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));

    if (! out.replaceWithData (bytes.getData(), bytes.getSize()))
    {
        std::cerr << "cannot write " << out.getFullPathName() << "\n";
        return 1;
    }

    return 0;
}
