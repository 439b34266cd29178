#include "DialogFixture.h"
#include "support/MessageLoop.h"

namespace
{
    struct MenuItem
    {
        int id;
        juce::String text;
        bool separator;
    };

    std::vector<MenuItem> itemsOf (const juce::PopupMenu& menu)
    {
        std::vector<MenuItem> items;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            items.push_back ({ it.getItem().itemID, it.getItem().text, it.getItem().isSeparator });

        return items;
    }

    int countRequests (const KorrinaUnit& unit, uint8_t function)
    {
        int count = 0;

        for (auto& message : unit.getReceivedMessages())
            if (SysExTransaction::getFunctionCode (message) == function)
                ++count;

        return count;
    }
}

//==============================================================================
using DeviceChoice = DialogFixture;

TEST_F (DeviceChoice, MenuOffersBootRomOnlyOnTheSendPageWithCtrlHeld)
{
    auto& d = makeDialog();

    const auto plain = itemsOf (d.buildDeviceMenu (false));
    ASSERT_EQ (plain.size(), 4u);
    EXPECT_EQ (plain[0].id, 3);    EXPECT_EQ (plain[0].text, "Korrina");
    EXPECT_EQ (plain[1].id, 6);    EXPECT_EQ (plain[1].text, "Korrina Grand");
    EXPECT_EQ (plain[2].id, 2);    EXPECT_EQ (plain[2].text, "Stompra Classic");
    EXPECT_EQ (plain[3].id, 4);    EXPECT_EQ (plain[3].text, "Stompra Neo");

    const auto withCtrl = itemsOf (d.buildDeviceMenu (true));
    ASSERT_EQ (withCtrl.size(), 6u);
    EXPECT_TRUE (withCtrl[4].separator);
    EXPECT_EQ (withCtrl[5].id, 0xFF);
    EXPECT_EQ (withCtrl[5].text, "Boot ROM");

    d.showReceivePage();
    EXPECT_EQ (itemsOf (d.buildDeviceMenu (true)).size(), 4u);
}

TEST_F (DeviceChoice, KorrinaOpensItsOwnPortsAndAsksTheFirmwareVersion)
{
    korrina->setFirmwareVersion (14, 3);
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);

    EXPECT_EQ (d.device, DeviceModels::korrina);
    EXPECT_EQ (SysExMessage::currentModel.load(), DeviceModels::korrina);
    EXPECT_TRUE (d.deviceChosen);
    EXPECT_EQ (d.userCabCount, 100);
    EXPECT_EQ (d.deviceLabel->getText(), "Korrina");
    EXPECT_TRUE (d.deviceCheck->isVisible());

    EXPECT_TRUE (d.inputPortOpen);
    EXPECT_TRUE (d.outputPortOpen);
    EXPECT_TRUE (d.processingStarted);
    EXPECT_EQ (d.inputLabel->getText(), "KORRINA MIDI");
    EXPECT_EQ (d.outputLabel->getText(), "KORRINA MIDI");

    EXPECT_TRUE (d.versionKnown);
    EXPECT_FALSE (d.queryRunning);
    EXPECT_EQ (d.firmwareMajor, 14u);
    EXPECT_EQ (d.firmwareMinor, 3u);
    EXPECT_TRUE (d.connectedLabel->isVisible());

    // After the version the unit is told that no editor is connected.
    EXPECT_EQ (countRequests (*korrina, 0x08), 1);
    EXPECT_EQ (countRequests (*korrina, 0x42), 1);

    // Step 2 opens up once both ports are there.
    EXPECT_TRUE (d.browseButton->isEnabled());
    EXPECT_TRUE (d.inputLabel->isEnabled());
    EXPECT_TRUE (d.outputLabel->isEnabled());
    EXPECT_FALSE (d.bufferDelaySlider->isEnabled());
}

TEST_F (DeviceChoice, KorrinaGrandHasFiveHundredTwelveUserCabsOthersOneHundred)
{
    auto& d = makeDialog();

    d.chooseDevice (DeviceModels::korrinaGrand);
    EXPECT_EQ (d.userCabCount, 512);
    EXPECT_EQ (d.deviceLabel->getText(), "Korrina Grand");
    EXPECT_EQ (SysExMessage::currentModel.load(), DeviceModels::korrinaGrand);

    for (auto model : { DeviceModels::stompraClassic, DeviceModels::stompraNeo, DeviceModels::korrina })
    {
        d.chooseDevice (model);
        EXPECT_EQ (d.userCabCount, 100) << (int) model;
    }
}

TEST_F (DeviceChoice, StompraOnTheSendPageNeedsOnlyTheOutput)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::stompraClassic);

    EXPECT_EQ (d.deviceLabel->getText(), "Stompra Classic");
    EXPECT_TRUE (d.deviceCheck->isVisible());
    EXPECT_FALSE (d.inputPortOpen || d.outputPortOpen);
    EXPECT_EQ (d.inputLabel->getText(), "Port is not needed");
    EXPECT_EQ (d.outputLabel->getText(), "Select an Output Port");
    EXPECT_FALSE (d.inputLabel->isEnabled());
    EXPECT_TRUE (d.outputLabel->isEnabled());
    EXPECT_FALSE (d.bufferDelaySlider->isEnabled());

    d.chooseDevice (DeviceModels::stompraNeo);
    EXPECT_EQ (d.deviceLabel->getText(), "Stompra Neo");
    EXPECT_EQ (d.inputLabel->getText(), "Select an Input Port");
}

TEST_F (DeviceChoice, StompraNeoOutputSetsTheDelayTo300)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::stompraNeo);

    d.fillOutputPortList();
    d.outputPortChosen (1);
    MessageLoop::runUntil ([&] { return d.bufferDelayMs == 300; }, 2000);

    EXPECT_TRUE (d.outputPortOpen);
    EXPECT_EQ (d.outputLabel->getText(), "KORRINA MIDI");
    EXPECT_EQ (d.bufferDelaySlider->getValue(), 300.0);
    EXPECT_TRUE (d.bufferDelaySlider->isEnabled());
    EXPECT_EQ (d.bufferDelayMs, 300);
    EXPECT_TRUE (d.browseButton->isEnabled());

    d.chooseDevice (DeviceModels::stompraClassic);
    d.fillOutputPortList();
    d.outputPortChosen (1);
    MessageLoop::runUntil ([&] { return d.bufferDelayMs == 150; }, 2000);
    EXPECT_EQ (d.bufferDelayMs, 150);
    const auto thumb = [&d] { return d.bufferDelaySlider->findColour (juce::Slider::thumbColourId).getARGB(); };
    EXPECT_EQ (thumb(), 0xFF000000u);

    // The receive page greys the delay: a grey thumb, and 0, which the sender hears of later.
    d.showReceivePage();
    EXPECT_EQ (thumb(), 0xFF808080u);
    EXPECT_EQ (d.bufferDelaySlider->getValue(), 0.0);
    EXPECT_TRUE (MessageLoop::runUntil ([] { return VASMidiProcessing::getInstance()->getSender().getInterval() == 0u; }, MessageLoop::guardMs));
}

TEST_F (DeviceChoice, BootRomTakesAnyDelayAndIsDroppedOnTheReceivePage)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::bootRom);
    EXPECT_EQ (d.deviceLabel->getText(), "Boot ROM");
    EXPECT_EQ (d.inputLabel->getText(), "Port is not needed");

    d.fillOutputPortList();
    d.outputPortChosen (1);
    EXPECT_TRUE (d.bufferDelaySlider->isEnabled());
    EXPECT_EQ (d.bufferDelaySlider->getValue(), 0.0);

    // Ready for a file, but the firmware download hint is not for a unit in boot mode.
    EXPECT_TRUE (d.browseButton->isEnabled());
    EXPECT_FALSE (d.firmwareTextLabel->isVisible());
    EXPECT_FALSE (d.firmwareDownloadLabel->isVisible());

    d.showReceivePage();
    EXPECT_EQ (d.device, DeviceModels::choiceReset);
    EXPECT_FALSE (d.deviceChosen);
    EXPECT_EQ (d.deviceLabel->getText(), "Select Device");
    EXPECT_FALSE (d.deviceCheck->isVisible());
    EXPECT_FALSE (d.outputPortOpen);
    EXPECT_FALSE (d.bufferDelaySlider->isEnabled());
}

TEST_F (DeviceChoice, PortLabelsDoNothingWhileNoDeviceIsChosen)
{
    auto& d = makeDialog();
    EXPECT_FALSE (d.inputLabel->isEnabled());
    EXPECT_FALSE (d.inputPortBox->isEnabled());
    EXPECT_FALSE (d.outputLabel->isEnabled());
    EXPECT_FALSE (d.outputPortBox->isEnabled());

    // A click on the disabled label opens no menu (a menu would block here).
    clickOn (*d.inputLabel);
    clickOn (*d.outputLabel);
    EXPECT_FALSE (d.inputPortOpen);
}

//==============================================================================
using BankMenu = DialogFixture;

TEST_F (BankMenu, RangesFollowTheDisplayOffsetAskedFromNewerFirmware)
{
    korrina->setFirmwareVersion (10, 9);
    korrina->setDisplayOffset (1);
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    ASSERT_TRUE (d.versionKnown);

    const auto items = itemsOf (d.prepareBankMenu());
    EXPECT_EQ (d.displayOffset, 1);
    EXPECT_EQ (countRequests (*korrina, 0x35), 1);
    ASSERT_EQ (items.size(), 3u);
    EXPECT_EQ (items[0].text, "Bank A (Presets 001-128)");
    EXPECT_EQ (items[1].text, "Bank B (Presets 129-256)");
    EXPECT_EQ (items[2].text, "Bank C (Presets 257-384)");
    EXPECT_EQ (items[2].id, 3);

    EXPECT_EQ (d.chooseBank (2, d.prepareBankMenu()), "Bank B (Presets 129-256)");
    EXPECT_EQ (d.bankIndex, 1);
    EXPECT_TRUE (d.bankChosen);
}

TEST_F (BankMenu, OlderFirmwareCountsFromZeroWithoutAsking)
{
    korrina->setFirmwareVersion (10, 8);
    korrina->setDisplayOffset (1);
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    d.displayOffset = 1;

    const auto items = itemsOf (d.prepareBankMenu());
    EXPECT_EQ (d.displayOffset, 0);
    EXPECT_EQ (countRequests (*korrina, 0x35), 0);
    EXPECT_EQ (items[0].text, "Bank A (Presets 000-127)");
    EXPECT_EQ (items[2].text, "Bank C (Presets 256-383)");

    EXPECT_EQ (d.chooseBank (0, d.prepareBankMenu()), juce::String());
    EXPECT_EQ (d.bankIndex, -1);
    EXPECT_FALSE (d.bankChosen);
}

TEST_F (BankMenu, KorrinaGrandHasBankD)
{
    devices.detach ("KORRINA MIDI");
    auto& grand = static_cast<KorrinaUnit&> (devices.attachUnit (std::make_unique<KorrinaUnit> (DeviceModels::korrinaGrand)));
    grand.setFirmwareVersion (14, 3);
    grand.setDisplayOffset (0);

    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrinaGrand);

    const auto items = itemsOf (d.prepareBankMenu());
    ASSERT_EQ (items.size(), 4u);
    EXPECT_EQ (items[3].id, 4);
    EXPECT_EQ (items[3].text, "Bank D (Presets 384-511)");
}

TEST_F (BankMenu, SilentUnitKeepsTheOffsetAndSaysSo)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    ASSERT_TRUE (d.versionKnown);
    d.displayOffset = 1;

    UnitFaults faults;
    faults.silent = true;
    korrina->setFaults (faults);

    d.prepareBankMenu();
    EXPECT_EQ (d.displayOffset, 1);
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().message,
               "Unable to query Display Offset.  Please make sure the Korrina is connect and powered on.");
    EXPECT_EQ (boxes.getLastBox().buttons, juce::StringArray ({ "OK" }));
}

TEST_F (DeviceChoice, KorrinaAfterAStompraDropsTheStompraDelay)
{
    devices.attachUnit (std::make_unique<StompraUnit> (DeviceModels::stompraNeo));
    auto& d = makeDialog();
    auto& sender = VASMidiProcessing::getInstance()->getSender();

    d.chooseDevice (DeviceModels::stompraNeo);
    d.fillOutputPortList();
    const auto stompraPort = itemsOf (d.outputPortMenuForTesting());
    const auto neo = std::find_if (stompraPort.begin(), stompraPort.end(),
                                   [] (const MenuItem& item) { return item.text == "STOMPRA NEO MIDI"; });
    ASSERT_NE (neo, stompraPort.end());
    d.outputPortChosen (neo->id);
    ASSERT_TRUE (MessageLoop::runUntil ([&] { return sender.getInterval() == 300; }, MessageLoop::guardMs));
    ASSERT_TRUE (d.bufferDelaySlider->isEnabled());

    // The Korrina's automatic port choice opens its ports without the port menus.
    d.chooseDevice (DeviceModels::korrina);
    MessageLoop::runUntil ([&] { return sender.getInterval() != 300; }, 2000);

    EXPECT_TRUE (d.inputPortOpen && d.outputPortOpen);
    EXPECT_EQ (d.bufferDelaySlider->getValue(), 0.0);
    EXPECT_FALSE (d.bufferDelaySlider->isEnabled());
    EXPECT_FALSE (d.bufferDelayLabel->isEnabled());
    EXPECT_EQ (d.bufferDelayMs, 0);
    EXPECT_EQ (sender.getInterval(), 0u);
}
