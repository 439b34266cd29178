#include "devicelink/VASMidiPorts.h"
#include "devicelink/virtual/StompraDumpSignal.h"
#include "devicelink/virtual/StompraUnit.h"
#include "devicelink/virtual/VirtualMidiEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace
{
    /** Sets DREMLOR_VIRTUAL_MIDI for the test's time and puts back what was there. */
    struct ScopedVirtualMidiVariable
    {
        explicit ScopedVirtualMidiVariable (const char* units)
        {
            if (const auto* previous = std::getenv (VirtualMidiEnvironment::variableName))
                saved = previous;

            hadValue = std::getenv (VirtualMidiEnvironment::variableName) != nullptr;
            setenv (VirtualMidiEnvironment::variableName, units, 1);
        }

        ~ScopedVirtualMidiVariable()
        {
            if (hadValue)
                setenv (VirtualMidiEnvironment::variableName, saved.toRawUTF8(), 1);
            else
                unsetenv (VirtualMidiEnvironment::variableName);
        }

        juce::String saved;
        bool hadValue = false;
    };

    /** What SIGUSR1 does now. */
    void (*currentHandler())(int)
    {
        struct sigaction action {};
        sigaction (SIGUSR1, nullptr, &action);
        return action.sa_handler;
    }

    /** Collects what arrives at an input until it holds at least `size` bytes. */
    juce::MemoryBlock receive (VASMidiPorts& ports, size_t size, int timeoutMs = 5000)
    {
        juce::MemoryBlock bytes;
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (bytes.getSize() < size && (int) (deadline - juce::Time::getMillisecondCounter()) > 0)
        {
            juce::MidiBuffer arrived;
            ports.takeReceivedMessages (arrived);

            for (const auto metadata : arrived)
                bytes.append (metadata.data, (size_t) metadata.numBytes);

            juce::Thread::sleep (2);
        }

        return bytes;
    }
}

//==============================================================================
TEST (StompraDumpSignal, SigusrMakesEveryEmulatedStompraSendItsDump)
{
    struct Case { const char* units; juce::StringArray stompraPorts; };

    const Case cases[] = {
        { "stompra-neo", { "STOMPRA NEO MIDI" } },
        { "korrina, stompra-classic, stompra-neo", { "STOMPRA CLASSIC MIDI", "STOMPRA NEO MIDI" } },
        { "stompra-classic,stompra-classic", { "STOMPRA CLASSIC MIDI", "2- STOMPRA CLASSIC MIDI" } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.units);
        const ScopedVirtualMidiVariable variable (c.units);
        const auto before = currentHandler();

        {
            auto environment = VirtualMidiEnvironment::createFromEnvironment();
            ASSERT_NE (environment, nullptr);
            ASSERT_TRUE (environment->isListeningForDumpSignal());
            EXPECT_EQ (environment->getNumStompraUnits(), c.stompraPorts.size());

            std::vector<std::unique_ptr<VASMidiPorts>> inputs;

            for (const auto& port : c.stompraPorts)
            {
                inputs.push_back (std::make_unique<VASMidiPorts>());
                ASSERT_TRUE (inputs.back()->openMidiInput (port));
            }

            ASSERT_EQ (std::raise (SIGUSR1), 0);

            // Each unit sends the dump of its own model on its own port, once.
            for (size_t i = 0; i < inputs.size(); ++i)
            {
                const auto model = c.stompraPorts[(int) i].contains ("NEO") ? DeviceModels::stompraNeo
                                                                            : DeviceModels::stompraClassic;
                const auto expected = StompraUnit (model).makeDumpBytes();
                EXPECT_EQ (receive (*inputs[i], expected.getSize()), expected) << c.stompraPorts[(int) i];
            }

            for (auto& input : inputs)
            {
                EXPECT_EQ (receive (*input, 1, 100).getSize(), 0u) << "one dump per signal";
                input->closeMidiInput();
            }
        }

        EXPECT_EQ (currentHandler(), before) << "the signal's old disposition comes back";
    }
}

TEST (StompraDumpSignal, OnlyARunSetUpFromTheVariableWithAStompraListens)
{
    // Built from a list in code (as the tests do), the layer leaves the signal alone.
    const auto before = currentHandler();

    {
        VirtualMidiEnvironment fromCode ("stompra-neo");
        EXPECT_FALSE (fromCode.isListeningForDumpSignal());
        EXPECT_EQ (currentHandler(), before);
    }

    // Without a Stompra there is nothing to stand for.
    {
        const ScopedVirtualMidiVariable variable ("korrina-grand");
        auto environment = VirtualMidiEnvironment::createFromEnvironment();
        ASSERT_NE (environment, nullptr);
        EXPECT_FALSE (environment->isListeningForDumpSignal());
        EXPECT_EQ (currentHandler(), before);
    }
}

TEST (StompraDumpSignal, HandlerOnlyRaisesAFlagThatItsOwnThreadActsOn)
{
    std::atomic<int> calls { 0 };
    std::atomic<bool> calledOnItsThread { true };

    // SIGUSR1 is ignored while no one listens, so a stray one cannot end the test run.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset (&ignore.sa_mask);
    sigaction (SIGUSR1, &ignore, &previous);

    {
        StompraDumpSignal signal ([&]
        {
            auto* thread = juce::Thread::getCurrentThread();
            calledOnItsThread = calledOnItsThread && thread != nullptr && thread->getThreadName() == "Stompra Dump Signal";
            ++calls;
        });

        ASSERT_TRUE (signal.isListening());
        EXPECT_NE (currentHandler(), SIG_IGN);

        // A second listener in the same process stays deaf and leaves the first in place.
        {
            StompraDumpSignal second ([] {});
            EXPECT_FALSE (second.isListening());
        }

        EXPECT_NE (currentHandler(), SIG_IGN);
        EXPECT_EQ (calls.load(), 0);

        for (int round = 1; round <= 3; ++round)
        {
            ASSERT_EQ (std::raise (SIGUSR1), 0);

            for (int i = 0; i < 500 && calls.load() < round; ++i)
                juce::Thread::sleep (2);

            EXPECT_EQ (calls.load(), round);
        }
    }

    EXPECT_TRUE (calledOnItsThread);
    EXPECT_EQ (currentHandler(), SIG_IGN);

    // Gone: a signal now changes nothing.
    ASSERT_EQ (std::raise (SIGUSR1), 0);
    juce::Thread::sleep (30);
    EXPECT_EQ (calls.load(), 3);

    sigaction (SIGUSR1, &previous, nullptr);
}
