#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include "support/MessageLoop.h"
#include "support/ScriptedUnit.h"

#include <benchmark/benchmark.h>

#include <pthread.h>
#include <time.h>

namespace
{
    /** An engine on a virtual port pair with a scripted unit behind it. */
    struct Rig
    {
        Rig()
        {
            unit = &static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit>()));
            MidiDeviceProvider::setCurrent (&devices);
            juce::MessageManager::getInstance();
            engine = std::make_unique<VASMidiProcessing>();
            engine->getPorts().openMidiInput ("KORRINA MIDI");
            engine->getPorts().openMidiOutput ("KORRINA MIDI");
            engine->setMidiDevices (true, true);
        }

        ~Rig()
        {
            engine.reset();
            MidiDeviceProvider::setCurrent (nullptr);
        }

        VirtualMidiDeviceProvider devices;
        ScriptedUnit* unit = nullptr;
        std::unique_ptr<VASMidiProcessing> engine;
    };

    juce::MemoryBlock presetMessages (int count)
    {
        juce::MemoryBlock data;
        const auto message = ScriptedUnit::frame (0x78, std::vector<uint8_t> (194, 0x11));

        for (int i = 0; i < count; ++i)
            data.append (message.getRawData(), (size_t) message.getRawDataSize());

        return data;
    }

    /** The messages of a Korrina Grand bank dump: per preset a start, 64 data and an end. */
    std::vector<juce::MidiMessage> grandBankDump()
    {
        std::vector<juce::MidiMessage> dump;
        const auto start = ScriptedUnit::frame (0x77, { 0, 0, 0, 0x20 }, 6);
        const auto data = ScriptedUnit::frame (0x78, std::vector<uint8_t> (194, 0x2A), 6);
        const auto end = ScriptedUnit::frame (0x79, { 1, 2, 3 }, 6);

        for (int preset = 0; preset < 128; ++preset)
        {
            dump.push_back (start);

            for (int i = 0; i < 64; ++i)
                dump.push_back (data);

            dump.push_back (end);
        }

        return dump;
    }

    double threadCpuSeconds ([[maybe_unused]] pthread_t thread)
    {
        clockid_t clock;

        if (pthread_getcpuclockid (thread, &clock) != 0)
            return 0.0;

        timespec t {};
        clock_gettime (clock, &t);
        return (double) t.tv_sec + (double) t.tv_nsec * 1e-9;
    }
}

//==============================================================================
namespace
{
    /** Sends 200 preset-sized messages at interval 0 once per iteration and records
        the time per message; every message must have reached the unit. */
    void timeSends (benchmark::State& state, Rig& rig)
    {
        constexpr int messages = 200;
        const auto data = presetMessages (messages);
        auto& sender = rig.engine->getSender();

        for (auto _ : state)
        {
            const auto receivedBefore = rig.unit->getNumReceived();
            sender.loadData (data.getData(), data.getSize(), 3);
            const auto started = juce::Time::getMillisecondCounterHiRes();
            sender.start (0);
            MessageLoop::runUntil ([&] { return sender.getState() != SendState::running; }, 60000);
            const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;

            if (sender.getState() != SendState::finished || rig.unit->getNumReceived() - receivedBefore < messages)
                state.SkipWithError ("the send did not finish");

            state.SetIterationTime (elapsed / 1000.0);
            state.counters["ms_per_message"] = elapsed / messages;
        }
    }
}

// (a) Acknowledged send with an instantly answering unit.
static void AcknowledgedSend (benchmark::State& state)
{
    Rig rig;
    timeSends (state, rig);
}

BENCHMARK (AcknowledgedSend)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (7);

//==============================================================================
// (a2) The same send with messages that expect no reply, to a unit that answers none:
// each ends on the processing thread's pass after its send, which nothing wakes early,
// so the time between passes sets the pace.
static void NoReplySend (benchmark::State& state)
{
    Rig rig;
    rig.engine->getSender().setNoReplyMode();
    rig.unit->setSilent (true);
    timeSends (state, rig);
}

BENCHMARK (NoReplySend)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (7);

//==============================================================================
// (b) A Korrina Grand bank dump received from a unit that sends it all at once.
static void GrandBankDumpReceive (benchmark::State& state)
{
    Rig rig;
    const auto dump = grandBankDump();
    rig.unit->setResponder ([&dump] (const juce::MidiMessage&) { return dump; });

    for (auto _ : state)
    {
        SysExTransaction transaction (ScriptedUnit::frame (0x1C, { 0 }, 6));
        transaction.setExpectedReplies ((int) dump.size());

        const auto started = juce::Time::getMillisecondCounterHiRes();
        rig.engine->queueTransaction (&transaction);

        while (transaction.getState() == TransactionState::waiting)
            juce::Thread::sleep (1);

        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;

        if (transaction.getState() != TransactionState::complete || transaction.getNumReplies() != (int) dump.size())
            state.SkipWithError ("messages were lost");

        state.SetIterationTime (elapsed / 1000.0);
        state.counters["messages_kept"] = transaction.getNumReplies();
        state.counters["messages_per_second"] = dump.size() / (elapsed / 1000.0);
        state.counters["total_ms"] = elapsed;
    }
}

BENCHMARK (GrandBankDumpReceive)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (3);

//==============================================================================
// (c) CPU time of the idle processing thread per second of wall time.
static void IdleProcessingThreadCpu (benchmark::State& state)
{
    Rig rig;
    juce::Thread::sleep (50);
    const auto thread = (pthread_t) rig.engine->getThreadId();

    for (auto _ : state)
    {
        const auto cpuBefore = threadCpuSeconds (thread);
        const auto wallBefore = juce::Time::getMillisecondCounterHiRes();
        juce::Thread::sleep (1000);
        const auto wall = (juce::Time::getMillisecondCounterHiRes() - wallBefore) / 1000.0;
        const auto cpu = threadCpuSeconds (thread) - cpuBefore;

        state.SetIterationTime (wall);
        state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
    }
}

BENCHMARK (IdleProcessingThreadCpu)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (3);
