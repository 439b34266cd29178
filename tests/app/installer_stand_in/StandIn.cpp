// Stands in for a downloaded installer in the Windows tests: when started, it writes
// "started" into a file named like itself with the extension ".started".
#include <fstream>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main()
{
    wchar_t path[4096] = {};
    const auto length = ::GetModuleFileNameW (nullptr, path, 4096);

    if (length == 0 || length >= 4096)
        return 1;

    std::wstring mark (path, length);
    const auto dot = mark.find_last_of (L'.');
    mark = (dot == std::wstring::npos ? mark : mark.substr (0, dot)) + L".started";

    // Written under a temporary name and renamed, so a reader never sees half of it.
    const auto partial = mark + L".part";
    {
        std::ofstream out (partial.c_str(), std::ios::binary);
        out << "started";
    }
    return ::MoveFileExW (partial.c_str(), mark.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
