#pragma once

//==============================================================================
/**
    Whether the test runs under Wine rather than on Windows or Linux. A test that
    meets a limit of Wine's (and would pass on Windows) skips there, naming it:
        if (WineCheck::isRunningUnderWine())
            GTEST_SKIP() << "Wine: <what Wine lacks>";
*/
struct WineCheck
{
    static bool isRunningUnderWine();
};
