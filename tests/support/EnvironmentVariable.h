#pragma once

//==============================================================================
/**
    Sets and clears the process's environment variables, for tests that start code
    reading them (DREMLOR_VIRTUAL_MIDI, HOME, DREMLOR_UPDATE_URL). POSIX setenv on
    Linux; on Windows the C runtime's _putenv_s, which updates the Windows
    environment too, so both getenv and GetEnvironmentVariable see the change.
*/
struct EnvironmentVariable
{
    /** True when the variable was set. */
    static bool set (const char* name, const char* value);

    /** True when the variable is no longer set. */
    static bool unset (const char* name);
};
