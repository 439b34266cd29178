#include "support/EnvironmentVariable.h"

#include <cstdlib>

bool EnvironmentVariable::set (const char* name, const char* value)
{
    // An empty value would remove the variable on Windows.
    return *value != 0 && ::_putenv_s (name, value) == 0;
}

bool EnvironmentVariable::unset (const char* name)
{
    return ::_putenv_s (name, "") == 0;
}
