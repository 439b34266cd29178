// A whole bank sent through the main dialog's own path: "Transmit", the bank dialog
// (bank A chosen, "Send" pressed), the retargeting, the "Update Hardware" thread and
// the sender, until the sender has finished; to an emulated unit that answers at once
// and to one behind ports paced at MIDI's 31250 baud. Runs under X (the dialog is a
// real modal window): bash tools/xvfb-session.sh bin/app_bench --benchmark_filter=SendBank

#include <benchmark/benchmark.h>

#include "app/DremlorDialog.h"
#include "app/MainAppWindow.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "skin/SkinManager.h"
#include "support/MessageLoop.h"
#include "support/TestDumps.h"
#include "support_gui/GuiTestEnvironment.h"
#include "support_gui/ModalBoxAnswerer.h"
#include "support_gui/SendDialogUser.h"

#include <malloc.h>

namespace
{
    constexpr double wireMsPerByte = 0.32;     // 10 bits a byte at 31250 baud
    constexpr int statusReplyBytes = 10;       // every data message is answered with one

    size_t heapInUse()
    {
        return mallinfo2().uordblks;
    }

    /** A dialog connected to an emulated unit, with a user who sends to bank A. */
    struct SendRig
    {
        SendRig (DeviceModel model, bool paced)
        {
            GuiTestEnvironment::useFreshHome();
            VASMidiProcessing::resetInstanceForTesting();
            unit = &static_cast<KorrinaUnit&> (devices.attachUnit (std::make_unique<KorrinaUnit> (model)));
            MidiDeviceProvider::setCurrent (&devices);

            if (SkinManager::getInstance() == nullptr)
                SkinManager::allowNewInstanceForTesting();

            SkinManager::getInstance()->loadDefaultSkin (MainAppWindow::getDefaultSkinPath());

            dialog = std::make_unique<DremlorDialog>();
            dialog->chooseDevice (model);
            devices.setWireSpeedPacing (paced);

            user = std::make_unique<SendDialogUser> (*dialog);
            user->pollsEarly = false;
            user->onShown = [this] (DremlorDialog& d)
            {
                d.chooseBank (1, d.prepareBankMenu());
                started = juce::Time::getMillisecondCounterHiRes();
                d.buttonClicked (d.sendButton.get());
            };
        }

        ~SendRig()
        {
            user.reset();
            dialog.reset();
            VASMidiProcessing::resetInstanceForTesting();
            MidiDeviceProvider::setCurrent (nullptr);
        }

        VirtualMidiDeviceProvider devices;
        KorrinaUnit* unit = nullptr;
        std::unique_ptr<DremlorDialog> dialog;
        std::unique_ptr<SendDialogUser> user;
        ModalBoxAnswerer boxes;
        double started = 0.0;
    };

    TestDumps::Bytes bankOf (DeviceModel model, int presets)
    {
        juce::Random random (model);
        TestDumps::Bytes file;

        for (int i = 0; i < presets; ++i)
            TestDumps::append (file, TestDumps::presetDump (model, 0, (uint32_t) i,
                                                            model == DeviceModels::korrinaGrand ? TestDumps::randomGrandPreset (random)
                                                                                                : TestDumps::randomKorrinaPreset (random)));
        return file;
    }
}

//==============================================================================
// Arguments: model (3 or 6), paced (0 or 1), presets in the file (128: a whole bank;
// fewer for the paced runs, whose figures are given per whole bank).
static void SendBankThroughDialog (benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const auto model = (DeviceModel) state.range (0);
    const bool paced = state.range (1) != 0;
    const auto presets = (int) state.range (2);
    const auto messagesPerPreset = model == DeviceModels::korrinaGrand ? 66 : 34;

    for (auto _ : state)
    {
        SendRig rig (model, paced);
        const auto bytes = bankOf (model, presets);
        const auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("dremlor-bench-bank.syx");
        file.replaceWithData (bytes.data(), bytes.size());

        const auto heapBefore = heapInUse();
        rig.dialog->selectFile (file.getFullPathName());
        auto& sender = VASMidiProcessing::getInstance()->getSender();

        rig.dialog->buttonClicked (rig.dialog->transmitButton.get());

        // What the program holds once the send runs: the send buffer and the sender's
        // copy (the emulated unit's own log of what it received grows beside them).
        MessageLoop::runUntil ([&] { return sender.getState() != SendState::idle; }, 10000);
        MessageLoop::runFor (100);
        const auto heapRunning = heapInUse();

        MessageLoop::runUntil ([&]
        {
            return sender.getState() == SendState::finished || ! rig.dialog->isTimerRunning (DremlorDialog::sendPollTimer);
        }, 3600 * 1000);

        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - rig.started;

        if (sender.getState() != SendState::finished)
            state.SkipWithError ("the send did not finish");

        // The poll reports the outcome within its second; the box is answered.
        MessageLoop::runUntil ([&] { return ! rig.dialog->isTimerRunning (DremlorDialog::sendPollTimer); }, 5000);

        const auto messages = presets * messagesPerPreset;
        const auto wireMs = ((double) bytes.size() + messages * statusReplyBytes) * wireMsPerByte;
        const auto perBank = 128.0 / presets;

        state.SetIterationTime (elapsed / 1000.0);
        state.counters["s_per_bank"] = elapsed * perBank / 1000.0;
        state.counters["ms_per_message"] = elapsed / messages;
        state.counters["bank_copies_held"] = (double) (heapRunning - heapBefore) / (double) bytes.size();

        if (paced)
            state.counters["time_over_wire"] = elapsed / wireMs;

        file.deleteFile();
    }
}

BENCHMARK (SendBankThroughDialog)
    ->ArgNames ({ "model", "paced", "presets" })
    ->Args ({ 3, 0, 128 })
    ->Args ({ 6, 0, 128 })
    ->Args ({ 3, 1, 8 })
    ->Args ({ 6, 1, 4 })
    ->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (3);
