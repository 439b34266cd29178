#include "support/EnvironmentVariable.h"

#include <cstdlib>

bool EnvironmentVariable::set (const char* name, const char* value)
{
    return ::setenv (name, value, 1) == 0;
}

bool EnvironmentVariable::unset (const char* name)
{
    return ::unsetenv (name) == 0;
}
