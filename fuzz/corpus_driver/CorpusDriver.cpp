// Runs a fuzz target's seed corpus once through its LLVMFuzzerTestOneInput, for builds
// without libFuzzer (the Windows build under Wine): every file of the folders and
// files named on the command line is fed in whole, in name order. A crash ends the
// process; otherwise it prints how many inputs were read and returns 0 (1 when a
// path could not be read or held no file).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

int main (int argc, char* argv[])
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;

    for (int i = 1; i < argc; ++i)
    {
        std::error_code error;
        const fs::path path (argv[i]);

        if (fs::is_directory (path, error))
        {
            for (const auto& entry : fs::directory_iterator (path, error))
                if (entry.is_regular_file())
                    inputs.push_back (entry.path());
        }
        else if (fs::is_regular_file (path, error))
        {
            inputs.push_back (path);
        }
        else
        {
            std::cerr << "cannot read " << argv[i] << "\n";
            return 1;
        }
    }

    std::sort (inputs.begin(), inputs.end());

    for (const auto& input : inputs)
    {
        std::ifstream file (input, std::ios::binary);
        const std::vector<uint8_t> bytes ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());

        if (! file.good() && ! file.eof())
        {
            std::cerr << "cannot read " << input.string() << "\n";
            return 1;
        }

        // An empty input gets a valid pointer all the same, as libFuzzer gives it.
        const uint8_t none = 0;
        LLVMFuzzerTestOneInput (bytes.empty() ? &none : bytes.data(), bytes.size());
    }

    std::cout << inputs.size() << " inputs read\n";
    return inputs.empty() ? 1 : 0;
}
