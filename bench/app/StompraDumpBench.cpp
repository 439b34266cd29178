// A large Stompra dump as the Stompra backup page takes it: the MIDI engine records
// everything the unit sends while recording is on, the recording is taken over and
// written as the dump file. Against a unit that sends at once the time is the
// engine's and the writer's; against one paced at 31250 baud the elapsed time is
// compared with the wire time of the dump's bytes.
#include "app/DremlorDialog.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "devicelink/virtual/VirtualMidiPort.h"

#include "support/ScriptedUnit.h"

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace
{
    const juce::String portName = "STOMPRA NEO MIDI";

    /** About `size` bytes: 0x75 sections of 256 payload bytes, each followed by a
        program change and a clock, as the unit walks its memory.
    */
    std::vector<juce::MidiMessage> makeDump (int size)
    {
        std::vector<juce::MidiMessage> dump;
        juce::Random rng (42);
        int bytes = 0;

        while (bytes < size)
        {
            std::vector<uint8_t> payload (256);

            for (auto& b : payload)
                b = (uint8_t) rng.nextInt (128);

            dump.push_back (ScriptedUnit::frame (0x75, payload, DeviceModels::stompraNeo));
            dump.push_back (juce::MidiMessage::programChange (1, (int) dump.size() & 0x7F));
            dump.push_back (juce::MidiMessage::midiClock());

            for (size_t i = dump.size() - 3; i < dump.size(); ++i)
                bytes += dump[i].getRawDataSize();
        }

        return dump;
    }

    struct DumpRig
    {
        explicit DumpRig (bool paced)
        {
            unit = &static_cast<ScriptedUnit&> (devices.attachUnit (std::make_unique<ScriptedUnit> (portName)));
            devices.setWireSpeedPacing (paced);
            MidiDeviceProvider::setCurrent (&devices);

            engine = std::make_unique<VASMidiProcessing>();
            engine->getPorts().openMidiInput (portName);
            engine->setMidiDevices (true, false);
            folder.createDirectory();
        }

        ~DumpRig()
        {
            engine.reset();
            MidiDeviceProvider::setCurrent (nullptr);
            folder.deleteRecursively();
        }

        /** READY, the unit's dump, OK: returns the seconds spent recording (until the
            count holds every byte) and writing.
        */
        std::pair<double, double> recordAndSave (const std::vector<juce::MidiMessage>& dump, int size)
        {
            juce::MidiBuffer discarded;
            engine->takeRecording (discarded);
            engine->setRecordedByteCount (0);
            engine->setRecording (true);

            const auto start = juce::Time::getHighResolutionTicks();

            for (const auto& m : dump)
                unit->send (m);

            while (engine->getRecordedByteCount() < size)
                juce::Thread::sleep (1);

            const auto recorded = juce::Time::getHighResolutionTicks();
            juce::MidiBuffer recording;
            engine->setRecording (false);
            engine->takeRecording (recording);

            const auto file = folder.getNonexistentChildFile ("dump-stompra", ".syx");
            const auto written = DremlorDialog::writeStompraDump (recording, file);
            const auto saved = juce::Time::getHighResolutionTicks();

            if (written.failed() || file.getSize() != size)
                throw std::runtime_error ("the dump was not saved whole");

            file.deleteFile();
            return { juce::Time::highResolutionTicksToSeconds (recorded - start),
                     juce::Time::highResolutionTicksToSeconds (saved - recorded) };
        }

        VirtualMidiDeviceProvider devices;
        ScriptedUnit* unit = nullptr;
        std::unique_ptr<VASMidiProcessing> engine;
        juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getNonexistentChildFile ("stompra-dump-bench", "") };
    };

    int sizeOf (const std::vector<juce::MidiMessage>& dump)
    {
        int size = 0;

        for (const auto& m : dump)
            size += m.getRawDataSize();

        return size;
    }

    void BM_StompraDumpInstantUnit (benchmark::State& state)
    {
        const auto dump = makeDump ((int) state.range (0));
        const auto size = sizeOf (dump);
        DumpRig rig (false);

        for (auto _ : state)
        {
            const auto [recordSeconds, writeSeconds] = rig.recordAndSave (dump, size);
            state.SetIterationTime (recordSeconds + writeSeconds);
            state.counters["record_ms"] = 1000.0 * recordSeconds;
            state.counters["write_ms"] = 1000.0 * writeSeconds;
        }

        state.SetBytesProcessed ((int64_t) state.iterations() * size);
        state.counters["bytes"] = size;
    }

    void BM_StompraDumpPacedUnit (benchmark::State& state)
    {
        const auto dump = makeDump ((int) state.range (0));
        const auto size = sizeOf (dump);
        DumpRig rig (true);

        for (auto _ : state)
        {
            const auto [recordSeconds, writeSeconds] = rig.recordAndSave (dump, size);
            const auto wire = (double) VirtualMidiPort::wireTimeMicroseconds (size) / 1e6;
            state.SetIterationTime (recordSeconds + writeSeconds);
            state.counters["wire_s"] = wire;
            state.counters["write_ms"] = 1000.0 * writeSeconds;
            state.counters["added_pct"] = 100.0 * (recordSeconds + writeSeconds - wire) / wire;
        }

        state.counters["bytes"] = size;
    }
}

BENCHMARK (BM_StompraDumpInstantUnit)->UseManualTime()->Unit (benchmark::kMillisecond)->Arg (64 * 1024)->Arg (1024 * 1024);
BENCHMARK (BM_StompraDumpPacedUnit)->UseManualTime()->Unit (benchmark::kSecond)->Iterations (1)->Arg (64 * 1024);
