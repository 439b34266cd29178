#include "devicelink/VASMidiPorts.h"
#include "devicelink/virtual/StompraDumpSignal.h"
#include "devicelink/virtual/VirtualMidiEnvironment.h"
#include "support/EnvironmentVariable.h"

#include <gtest/gtest.h>

#include <atomic>

// Windows has no signal to stand for the Stompra's key press: the emulated Stompra is
// there as on Linux, but nothing listens and nothing is ever sent on its own.
TEST (StompraDumpSignal, NothingListensOnWindows)
{
    ASSERT_TRUE (EnvironmentVariable::set (VirtualMidiEnvironment::variableName, "stompra-neo"));
    auto environment = VirtualMidiEnvironment::createFromEnvironment();
    EnvironmentVariable::unset (VirtualMidiEnvironment::variableName);

    ASSERT_NE (environment, nullptr);
    EXPECT_FALSE (environment->isListeningForDumpSignal());

    std::atomic<int> calls { 0 };
    {
        StompraDumpSignal signal ([&] { ++calls; });
        EXPECT_FALSE (signal.isListening());
        juce::Thread::sleep (50);
    }
    EXPECT_EQ (calls.load(), 0);
}
