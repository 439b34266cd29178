// Korrina Grand backups as the dialog runs them: each backup type's request through
// the MIDI engine to an emulated unit, and a ReceiveThread that waits for the answer
// and writes the file. Against an instantly answering unit the time is the engine's
// and the writer's (plus the thread's 100 ms poll steps); against a unit paced at
// 31250 baud it is compared with the wire time of every byte that crossed.
#include "app/ReceiveThread.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "devicelink/virtual/VirtualMidiPort.h"

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace
{
    constexpr int bankType = 1, systemType = 5, presetType = 6, cabType = 9;

    struct BackupRig
    {
        explicit BackupRig (bool paced)
        {
            unit = &static_cast<KorrinaUnit&> (devices.attachUnit (std::make_unique<KorrinaUnit> (DeviceModels::korrinaGrand)));
            devices.setWireSpeedPacing (paced);
            MidiDeviceProvider::setCurrent (&devices);
            juce::MessageManager::getInstance();
            SysExMessage::currentModel = DeviceModels::korrinaGrand;

            engine = std::make_unique<VASMidiProcessing>();
            engine->getPorts().openMidiInput (KorrinaUnit::defaultPortName());
            engine->getPorts().openMidiOutput (KorrinaUnit::defaultPortName());
            engine->setMidiDevices (true, true);
        }

        ~BackupRig()
        {
            engine.reset();
            MidiDeviceProvider::setCurrent (nullptr);
            folder.deleteRecursively();
        }

        /** One backup type (a bank, the system, a preset or a cab slot), from the
            request to the written file; returns the bytes that crossed the wire.
        */
        int64_t receive (int type, int number)
        {
            SysExTransaction transaction (2000u);

            if (type == bankType)
            {
                SysExMessage::buildBankDumpRequest (transaction, BankDumpRequest { (uint32_t) number });
            }
            else if (type == systemType)
            {
                juce::MidiMessage request;
                SysExMessage::makeMessage (request, 0x43, nullptr, 0);
                transaction.setRequest (request);
            }
            else if (type == presetType)
            {
                SysExMessage::buildPatchDumpRequest (transaction, PatchDumpRequest { (uint32_t) (number / 128), (uint32_t) (number % 128) });
            }
            else
            {
                SysExMessage::buildCabDumpRequest (transaction, CabDumpRequest { (uint32_t) number });
            }

            engine->queueTransaction (&transaction);

            ReceiveThread thread (transaction, {}, type == cabType ? folder.getChildFile ("run-usercabs") : folder,
                                  type, number + 1, "261207-000000");
            thread.startThread();

            while (thread.isThreadRunning())
                juce::Thread::sleep (1);

            if (thread.getStatus() != ReceiveThread::written)
                throw std::runtime_error ("backup type " + std::to_string (type) + " was not written");

            juce::MemoryBlock replies;
            transaction.joinReplies (replies);
            return (int64_t) replies.getSize() + transaction.getRequest().getRawDataSize();
        }

        VirtualMidiDeviceProvider devices;
        KorrinaUnit* unit = nullptr;
        std::unique_ptr<VASMidiProcessing> engine;
        juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getNonexistentChildFile ("korrina-backup-bench", "") };
    };

    double secondsSince (juce::int64 startTicks)
    {
        return juce::Time::highResolutionTicksToSeconds (juce::Time::getHighResolutionTicks() - startTicks);
    }

    /** The whole Korrina Grand: banks A to D, the system, the 512 user cabs. */
    void BM_FullGrandBackupInstantUnit (benchmark::State& state)
    {
        BackupRig rig (false);

        for (auto _ : state)
        {
            int64_t bytes = 0;
            double bankSeconds = 0.0, cabSeconds = 0.0;
            const auto start = juce::Time::getHighResolutionTicks();

            for (int bank = 0; bank < 4; ++bank)
            {
                const auto bankStart = juce::Time::getHighResolutionTicks();
                bytes += rig.receive (bankType, bank);
                bankSeconds += secondsSince (bankStart);
            }

            bytes += rig.receive (systemType, 0);
            const auto cabStart = juce::Time::getHighResolutionTicks();

            for (int slot = 0; slot < 512; ++slot)
                bytes += rig.receive (cabType, slot);

            cabSeconds = secondsSince (cabStart);
            state.SetIterationTime (secondsSince (start));
            state.counters["bank_s"] = bankSeconds / 4.0;
            state.counters["cab_slot_ms"] = 1000.0 * cabSeconds / 512.0;
            state.counters["MB"] = (double) bytes / 1e6;
            state.counters["wire_s_at_31250"] = (double) VirtualMidiPort::wireTimeMicroseconds ((int) bytes) / 1e6;
        }
    }

    /** One bank (8448 messages) received and written. */
    void BM_GrandBankInstantUnit (benchmark::State& state)
    {
        BackupRig rig (false);

        for (auto _ : state)
        {
            const auto start = juce::Time::getHighResolutionTicks();
            const auto bytes = rig.receive (bankType, 1);
            state.SetIterationTime (secondsSince (start));
            state.counters["MB"] = (double) bytes / 1e6;
        }
    }

    /** A type against a unit at 31250 baud: elapsed time against the wire time. */
    void BM_GrandPacedUnit (benchmark::State& state)
    {
        const auto type = (int) state.range (0);
        BackupRig rig (true);

        for (auto _ : state)
        {
            const auto start = juce::Time::getHighResolutionTicks();
            const auto bytes = rig.receive (type, type == cabType ? 3 : 5);
            const auto elapsed = secondsSince (start);
            const auto wire = (double) VirtualMidiPort::wireTimeMicroseconds ((int) bytes) / 1e6;
            state.SetIterationTime (elapsed);
            state.counters["wire_s"] = wire;
            state.counters["added_pct"] = 100.0 * (elapsed - wire) / wire;
        }
    }
}

BENCHMARK (BM_FullGrandBackupInstantUnit)->UseManualTime()->Unit (benchmark::kSecond)->Iterations (1);
BENCHMARK (BM_GrandBankInstantUnit)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (5);
BENCHMARK (BM_GrandPacedUnit)->UseManualTime()->Unit (benchmark::kSecond)->Iterations (1)
    ->Arg (presetType)->Arg (cabType)->Arg (systemType)->ArgName ("type");
