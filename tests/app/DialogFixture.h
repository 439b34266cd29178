#pragma once

#include "app/DremlorDialog.h"
#include "app/MainAppWindow.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "devicelink/virtual/StompraUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"
#include "skin/SkinManager.h"
#include "skin/VASSpinControl.h"
#include "support_gui/GuiTestEnvironment.h"
#include "support_gui/ModalBoxAnswerer.h"

#include <gtest/gtest.h>

//==============================================================================
/**
    A main dialog on a fresh home folder, a fresh MIDI engine and a virtual MIDI
    system holding one emulated Korrina ("KORRINA MIDI"), with the default skin
    loaded. Help links are recorded instead of opened; message boxes are answered.
*/
class DialogFixture  : public ::testing::Test
{
protected:
    void SetUp() override
    {
        home = GuiTestEnvironment::useFreshHome();
        VASMidiProcessing::resetInstanceForTesting();
        korrina = &static_cast<KorrinaUnit&> (devices.attachUnit (std::make_unique<KorrinaUnit> (DeviceModels::korrina)));
        MidiDeviceProvider::setCurrent (&devices);
        loadDefaultSkin();
    }

    void TearDown() override
    {
        dialog.reset();
        VASMidiProcessing::resetInstanceForTesting();
        MidiDeviceProvider::setCurrent (nullptr);
    }

    /** Builds the dialog (after a test has prepared the settings or the devices). */
    DremlorDialog& makeDialog()
    {
        dialog = std::make_unique<DremlorDialog>();
        dialog->openWebPage = [this] (const juce::URL& url) { openedPages.add (url.toString (false)); };
        return *dialog;
    }

    /** The main window deletes the skin manager; a later test gets a fresh one. */
    static void loadDefaultSkin()
    {
        static SkinManager* loadedInto = nullptr;
        auto* skin = SkinManager::getInstance();

        if (skin == nullptr)
        {
            SkinManager::allowNewInstanceForTesting();
            skin = SkinManager::getInstance();
        }

        if (skin != nullptr && skin != loadedInto)
        {
            skin->loadDefaultSkin (MainAppWindow::getDefaultSkinPath());
            loadedInto = skin;
        }
    }

    /** Chooses a Korrina as the device menu would and waits for nothing: the version
        query inside the choice blocks until the unit has answered.
    */
    void chooseKorrina (DeviceModel model = DeviceModels::korrina)
    {
        dialog->chooseDevice (model);
    }

    /** A mouse press on the component, as the dialog hears it as its mouse listener. */
    void clickOn (juce::Component& component)
    {
        const auto now = juce::Time::getCurrentTime();
        dialog->mouseDown (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {},
                                             1.0f, 0.0f, 0.0f, 0.0f, 0.0f, &component, &component,
                                             now, {}, now, 1, false));
    }

    /** A press on a number field, as its editor's overlay hears it. */
    static void pressSpinField (VASSpinControl& spin)
    {
        auto& overlay = spin.getEditorOverlay();
        const auto now = juce::Time::getCurrentTime();
        spin.mouseDown (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {},
                                          1.0f, 0.0f, 0.0f, 0.0f, 0.0f, &overlay, &overlay, now, {}, now, 1, false));
    }

    juce::File home;
    VirtualMidiDeviceProvider devices;
    KorrinaUnit* korrina = nullptr;
    std::unique_ptr<DremlorDialog> dialog;
    juce::StringArray openedPages;
    ModalBoxAnswerer boxes;
};
