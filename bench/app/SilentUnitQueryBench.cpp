#include "app/DremlorDialog.h"
#include "app/MainAppWindow.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "skin/SkinManager.h"
#include "support_gui/GuiTestEnvironment.h"

#include <benchmark/benchmark.h>

// The process's CPU while the connection watchdog asks a silent Korrina for its
// firmware version: each tick waits out the query's 2000 ms time-out on the
// message thread. The CPU column is the whole process's CPU per tick, the Time
// column its wall time: equal values mean one core kept busy throughout. Needs a
// display: run under tools/xvfb-session.sh.
static void BM_WatchdogQueriesASilentUnit (benchmark::State& state)
{
    GuiTestEnvironment::useFreshHome();
    juce::ScopedJuceInitialiser_GUI gui;

    VirtualMidiDeviceProvider devices;
    auto& korrina = static_cast<KorrinaUnit&> (devices.attachUnit (std::make_unique<KorrinaUnit> (DeviceModels::korrina)));
    UnitFaults faults;
    faults.silent = true;
    korrina.setFaults (faults);
    MidiDeviceProvider::setCurrent (&devices);
    VASMidiProcessing::resetInstanceForTesting();

    if (auto* skin = SkinManager::getInstance())
        skin->loadDefaultSkin (MainAppWindow::getDefaultSkinPath());

    {
        DremlorDialog dialog;
        dialog.chooseDevice (DeviceModels::korrina);

        for (auto _ : state)
        {
            // Kept below the retry limit, so no box ends the run.
            dialog.versionRetries = 0;
            dialog.checkConnection();
        }
    }

    VASMidiProcessing::resetInstanceForTesting();
    MidiDeviceProvider::setCurrent (nullptr);
}

BENCHMARK (BM_WatchdogQueriesASilentUnit)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations (3)
    ->Unit (benchmark::kMillisecond);
