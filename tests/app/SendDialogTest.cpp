// The send dialog as each file kind builds it: window title and size, the children
// with their places and exact texts, which "Send" starts usable, and what its
// buttons do before anything is sent.

#include "DialogFixture.h"
#include "support/MessageLoop.h"
#include "skin/VASMultiLineLabelComponent.h"

namespace
{
    struct Child
    {
        juce::String name;
        juce::Rectangle<int> bounds;
        juce::String text;    // empty: not checked
    };

    juce::String textOf (juce::Component& component)
    {
        if (auto* label = dynamic_cast<juce::Label*> (&component))
            return label->getText();

        if (auto* editor = dynamic_cast<juce::TextEditor*> (&component))
            return editor->getText();

        if (auto* button = dynamic_cast<juce::Button*> (&component))
            return button->getButtonText();

        return {};
    }

    juce::Component* childNamed (juce::Component& parent, const juce::String& name)
    {
        for (auto* child : parent.getChildren())
            if (child->getName() == name)
                return child;

        return nullptr;
    }

    const juce::String korrinaFirmwareSteps =
        "1. Go to the 'Utility' menu on the Korrina.\n\n2. Page right to the 'Firmware' tab.\n\n"
        "3. Press 'Enter' to arm the unit for a firmware update.\n\n4. Press 'SEND' below to start the update.";

    const juce::String stompraStepsThroughKorrina =
        "1. Ensure that your Korrina is in USB Adapter Mode.\n\t (I/O:MIDI:USB ADAPTER MODE to \"ON\")\n\n"
        "2. Disable Realtime SysEx in the Korrina.\n\t (I/O: MIDI: SEND REALTIME SYSEX to \"NONE\")\n\n"
        "3. Enter \"FW UPDATE MODE\" by rebooting the Stompra\n\t while holding button #1.\n\n"
        "4. Connect a MIDI cable from the Korrina MIDI OUT to\n\t the Stompra MIDI IN.\n"
        "\t NOTE: Updates over Ethernet/EtherCon are not\n\t possible.\n\n"
        "5. Press SEND below to begin the update.\n\n"
        "The Stompra will show a % COMPLETE indicator as the firmware is received and \"FW UPDATE COMPLETE\" when finished.\n\n"
        "Should you encounter any problems, please refer to the \"Read Me\" file included with the Stompra firmware.";

    const juce::String stompraSteps =
        "1. Please ensure that your chosen MIDI OUT port is\n\t connected to the MIDI IN port of the Stompra.\n"
        "\t Note: Updating via ETHERNET/CAT5 is not possible.\n\n"
        "2. Enter \"FW UPDATE MODE\" by rebooting the Stompra\n\t while holding button #1.\n\n"
        "3. Press SEND below to begin the update.\n\n"
        "Should you encounter any problems, please refer to the \"Read Me\" file included with your Stompra firmware.\n\n"
        "The Stompra should show a % COMPLETE indicator as the firmware is received and \"FW UPDATE COMPLETE\" when complete.";

    const juce::String systemTail =
        "  A System Backup file does NOT overwrite presets or firmware.\n\n"
        "Please ensure the target system has the same firmware version as the system where the backup was created.\n\n"
        "NOTE: You must power cycle the Korrina immediately after it receives a System Backup.";

    const juce::String restoreSteps =
        "To restore an Stompra backup:\n\n1. Press EDIT on the Stompra.\n\n2. Press SETUP (#5) on the Stompra.\n\n"
        "3. Press PAGE LEFT (#6) 4x to go to \"Sysex Data DUMP!\"\n\n4. Press UP to select \"Sysex Data LOAD!\"\n\n"
        "5. Press ENTER (#14) to display \"Waiting to Load...\"\n\n6. Press the SEND button below.\n"
        "\tAs Dremlor transmits the file, the Stompra will\n\treceive and process different data sections by name\n"
        "\t(Presets I, Presets II, etc...).  When the Stompra\n\thas received a complete backup it will again display\n"
        "\t\"SysEx Data LOAD!\"\n";
}

//==============================================================================
using SendDialog = DialogFixture;

TEST_F (SendDialog, EachKindGetsItsTitleSizeChildrenAndTexts)
{
    struct Case
    {
        const char* name;
        int kind;
        juce::String outputPort;
        juce::String title;
        int height;
        bool sendEnabled;
        std::vector<Child> children;    // besides the check mark, the file name and the button bar
        bool commonChildren;
    };

    const Case cases[] = {
        { "Korrina firmware", 7, "KORRINA MIDI", "Transmit", 257, true,
          { { "Component Text Label", { 17, 50, 300, 40 }, "You have selected an Korrina firmware file." },
            { "Component Warning Label", { 17, 75, 350, 150 }, korrinaFirmwareSteps } }, true },
        { "Boot ROM file", 10, "KORRINA MIDI", "Transmit", 257, true,
          { { "Component Warning Label", { 17, 75, 350, 150 }, korrinaFirmwareSteps } }, true },
        { "Stompra firmware through the Korrina", 8, "KORRINA MIDI", "Transmit", 475, true,
          { { "Component Text Label", { 17, 50, 300, 40 },
              "You have selected an Stompra firmware file with the Korrina as your MIDI OUT port." },
            { "Component Warning Label", { 17, 85, 350, 325 }, stompraStepsThroughKorrina } }, true },
        { "Stompra firmware", 8, "STOMPRA NEO MIDI", "Transmit", 355, true,
          { { "Component Text Label", { 17, 50, 300, 40 }, "You have selected an Stompra firmware file." },
            { "Component Warning Label", { 17, 85, 350, 325 }, stompraSteps } }, true },
        { "cab", 4, "KORRINA MIDI", "Transmit One Cab", 280, false,
          { { "Component Text Label", { 17, 50, 300, 40 }, "You have selected an Korrina cab file. \nPlease select a destination." },
            { "Component Warning Label", { 86, 113, 250, 30 }, "Warning! Overwrites selected location." },
            { "Send to currently selected slot", { 10, 140, 300, 25 }, "Send to currently selected slot" },
            { "Send Cab Warning Label", { 27, 160, 350, 35 },
              "Dremlor can only address the CAB 1 block.  If it is set to STEREO, the CAB L slot is used." },
            { "Send to Scratchpad", { 10, 200, 300, 25 }, "Send to Scratchpad" } }, true },
        { "bank", 2, "KORRINA MIDI", "Transmit Bank File", 257, false,
          { { "Component Text Label", { 17, 50, 300, 40 }, "You have selected an Korrina bank file." },
            { "Component Warning Label", { 17, 75, 350, 70 },
              "Warning! If you continue, you will permanently overwrite 128 presets in your Korrina. Please note that "
              "presets from Korrina firmware versions 5.00 or earlier are NOT compatible with firmware version 11.0 or later." },
            { "Component Bank Select", { 22, 155, 232, 27 }, {} },
            { "Component Bank Select Label", { 22, 155, 232, 27 }, "Please select a destination." } }, true },
        { "all banks", 3, "KORRINA MIDI", "Transmit All Banks File", 257, true,
          { { "Component Text Label", { 17, 50, 300, 40 }, "You have selected an Korrina 'All Banks' file." },
            { "Component Warning Label", { 17, 75, 350, 40 },
              "Warning! If you continue, you will permanently overwrite 128 patches in your Korrina." } }, true },
        { "Korrina system", 5, "KORRINA MIDI", "Transmit System File", 300, true,
          { { "Component Text Label", { 17, 50, 350, 40 }, "You have selected an Korrina System Backup file." },
            { "Component Warning Label", { 17, 75, 350, 200 },
              "Warning! If you continue, you will overwrite Global, I/O, and Tuner settings, plus all Global Blocks and "
              "User Cabs 1-50.  (Users cabs >50 are not included in a System Backup file.)" + systemTail } }, true },
        { "Grand system", 6, "KORRINA MIDI", "Transmit System File", 300, true,
          { { "Component Text Label", { 17, 50, 350, 40 }, "You have selected an Korrina Grand System Backup file." },
            { "Component Warning Label", { 17, 75, 350, 200 },
              "Warning! If you continue, you will overwrite Global, I/O, and Tuner settings." + systemTail } }, true },
        { "Stompra restore", 9, "STOMPRA NEO MIDI", "Stompra Restore Backup", 420, true,
          { { "Component Instructions Label", { 17, 20, 350, 300 }, restoreSteps },
            { "Send", { 99, 300, 78, 30 }, {} },
            { "Cancel 2", { 197, 300, 78, 30 }, {} } }, false },
        { "one preset", 1, "KORRINA MIDI", "Transmit One Preset", 257, false, {}, false },
        { "FPGA", 11, "KORRINA MIDI", "Transmit", 257, false, {}, false },
    };

    auto& d = makeDialog();
    d.fileSelectedLabel->setText ("chosen.syx", juce::dontSendNotification);
    d.presetHeaderCount = 128;
    d.userCabCount = 512;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        d.fileKind = c.kind;
        d.outputLabel->setText (c.outputPort, juce::dontSendNotification);
        d.createSendDialog();

        ASSERT_NE (d.sendDialog, nullptr);
        auto& dialogComponent = *d.sendDialog;
        EXPECT_EQ (dialogComponent.getName(), "Send Dialog");
        EXPECT_EQ (d.sendDialogOptions.dialogTitle, c.title);
        EXPECT_EQ (dialogComponent.getWidth(), 375);
        EXPECT_EQ (dialogComponent.getHeight(), c.height);
        EXPECT_EQ (d.sendDialogOptions.dialogBackgroundColour, juce::Colour (0xFFD3D3D3));
        EXPECT_FALSE (d.sendDialogOptions.escapeKeyTriggersCloseButton || d.sendDialogOptions.useNativeTitleBar
                      || d.sendDialogOptions.resizable);
        EXPECT_EQ (d.fileKind, c.kind == 10 ? 7 : c.kind);

        std::vector<Child> expected = c.children;

        if (c.commonChildren)
        {
            expected.push_back ({ "Check", { 15, 20, 15, 15 }, {} });
            expected.push_back ({ "Component File Name Label", { 30, 20, 330, 15 }, "\tchosen.syx" });
            expected.push_back ({ "Component Rectangle", { 0, c.height - 50, 375, 50 }, {} });
            expected.push_back ({ "Send", { 110, c.height - 40, 78, 30 }, {} });
            expected.push_back ({ "Cancel 2", { 194, c.height - 40, 78, 30 }, {} });
        }

        for (const auto& child : expected)
        {
            SCOPED_TRACE (child.name);
            auto* found = childNamed (dialogComponent, child.name);
            ASSERT_NE (found, nullptr);
            EXPECT_EQ (found->getBounds(), child.bounds);

            if (child.text.isNotEmpty())
            {
                EXPECT_EQ (textOf (*found), child.text);
            }
        }

        if (c.kind == 1 || c.kind == 11)
            EXPECT_EQ (dialogComponent.getNumChildComponents(), 0);
        else
            EXPECT_EQ (d.sendButton->isEnabled(), c.sendEnabled);
    }
}

TEST_F (SendDialog, CabDestinationsFollowTheRadioButtonsAndTheSlotLimit)
{
    auto& d = makeDialog();
    d.fileKind = 4;
    d.userCabCount = 512;
    d.createSendDialog();

    ASSERT_NE (d.cabSlotSpin, nullptr);
    EXPECT_EQ (d.slotRadio->getBounds(), juce::Rectangle<int> (10, 110, 25, 25));
    EXPECT_EQ (d.cabSlotSpin->getBounds(), juce::Rectangle<int> (30, 107, 60, 30));
    EXPECT_FALSE (d.cabSlotSpin->getEditor().isEnabled());

    const auto choose = [&d] (juce::ToggleButton& radio)
    {
        radio.setToggleState (true, juce::dontSendNotification);
        d.buttonClicked (&radio);
    };

    choose (*d.slotRadio);
    EXPECT_EQ (d.cabDestination, 1);
    EXPECT_TRUE (d.cabSlotSpin->getEditor().isEnabled());

    // 513 is past a Grand's slots: the user is told and nothing is confirmed.
    d.cabSlotSpin->getEditor().setText ("513");
    d.buttonClicked (d.sendButton.get());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().message, "Please enter a valid user cab slot.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_FALSE (d.sendConfirmed);

    struct Case { juce::ToggleButton* radio; const char* slotText; int choice, slot, mode; };
    const Case cases[] = {
        { d.slotRadio.get(), "512", 1, 512, 2 },
        { d.slotRadio.get(), "1", 1, 1, 2 },
        { d.currentSlotRadio.get(), "300", 2, 127, 0 },
        { d.scratchpadRadio.get(), "300", 3, 101, 1 },
    };

    for (const auto& c : cases)
    {
        choose (*c.radio);
        d.cabSlotSpin->getEditor().setText (c.slotText);
        d.sendConfirmed = false;
        d.buttonClicked (d.sendButton.get());
        EXPECT_TRUE (d.sendConfirmed);
        EXPECT_EQ (d.cabDestination, c.choice);
        EXPECT_EQ (d.destinationSlot, c.slot);
        EXPECT_EQ (d.destinationMode, c.mode);
        EXPECT_EQ (d.cabSlotSpin->getEditor().isEnabled(), c.choice == 1);
    }

    // A slot of 0 addresses no user slot either.
    choose (*d.slotRadio);
    d.cabSlotSpin->getEditor().setText ("0");
    d.sendConfirmed = false;
    d.buttonClicked (d.sendButton.get());
    EXPECT_FALSE (d.sendConfirmed);
    EXPECT_EQ (boxes.getNumBoxes(), 2);

    // A press on the slot field chooses its radio button; "Send" stays with the
    // watchdog, as for the radio buttons, since no unit is connected here.
    choose (*d.scratchpadRadio);
    d.sendButton->setEnabled (false);
    pressSpinField (*d.cabSlotSpin);
    EXPECT_TRUE (MessageLoop::runUntil ([&d] { return d.slotRadio->getToggleState(); }, MessageLoop::guardMs));
    EXPECT_FALSE (d.scratchpadRadio->getToggleState());
    EXPECT_EQ (d.cabDestination, 1);
    EXPECT_FALSE (d.sendButton->isEnabled());

    // A new dialog forgets the choice.
    d.createSendDialog();
    EXPECT_EQ (d.cabDestination, 0);
    EXPECT_EQ (d.presetDestination, 0);
}

/*  The watchdog makes "Send" usable once the destination is chosen and the unit is
    connected, and takes it away while the unit is gone.
*/
TEST_F (SendDialog, SendWaitsForTheDestinationAndTheConnection)
{
    auto& d = makeDialog();
    chooseKorrina();
    ASSERT_TRUE (d.versionKnown);
    d.fileChosen = true;

    struct Case
    {
        int kind;
        std::function<void()> chooseDestination;
    };

    const Case cases[] = {
        { 2, [&d] { d.bankSelectLabel->setText (d.chooseBank (2, d.prepareBankMenu()), juce::dontSendNotification); } },
        { 4, [&d] { d.scratchpadRadio->setToggleState (true, juce::dontSendNotification); d.buttonClicked (d.scratchpadRadio.get()); } },
        { 4, [&d] { pressSpinField (*d.cabSlotSpin); MessageLoop::runUntil ([&d] { return d.cabDestination == 1; }, 2000); } },
        { 3, [] {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.kind);
        d.fileKind = c.kind;
        d.createSendDialog();
        bool checked = false;

        // The watchdog looks at the dialog while it is shown.
        juce::Timer::callAfterDelay (10, [&]
        {
            d.checkConnection();
            EXPECT_EQ (d.sendButton->isEnabled(), c.kind == 3);

            c.chooseDestination();
            d.checkConnection();
            EXPECT_TRUE (d.sendButton->isEnabled());

            // For one kind the unit goes away and comes back.
            if (c.kind == 2)
            {
                EXPECT_EQ (d.bankIndex, 1);
                devices.unplug (KorrinaUnit::defaultPortName());
                MessageLoop::runUntil ([] { return ! VASMidiProcessing::getInstance()->isReady(); });
                d.checkConnection();
                EXPECT_FALSE (d.sendButton->isEnabled());

                devices.replug (KorrinaUnit::defaultPortName());
                MessageLoop::runUntil ([] { return VASMidiProcessing::getInstance()->isReady(); });
                d.checkConnection();
                EXPECT_TRUE (d.sendButton->isEnabled());
            }

            checked = true;
            d.buttonClicked (d.cancel2Button.get());
        });

        EXPECT_EQ (d.runSendDialog(), 0);
        EXPECT_TRUE (checked);
        EXPECT_TRUE (d.sendDialogCancelled);
    }
}

TEST_F (SendDialog, StompraRestoreKeepsSendReachableAndShowsTheProgress)
{
    auto& d = makeDialog();
    d.fileKind = 9;
    d.createSendDialog();

    ASSERT_NE (d.readyButton, nullptr);
    ASSERT_NE (d.sendProgressBar, nullptr);
    EXPECT_EQ (d.sendProgressBar->getBounds(), juce::Rectangle<int> (37, 350, 301, 25));
    EXPECT_EQ (d.sendProgressBar->findColour (juce::ProgressBar::foregroundColourId), juce::Colour (0xFF32CD32).darker (0.2f));

    // Nothing lies over "Send": a press in its middle reaches it.
    d.sendDialog->setVisible (true);
    const auto centre = d.sendButton->getBounds().getCentre();
    EXPECT_EQ (d.sendDialog->getComponentAt (centre), d.sendButton.get());
    EXPECT_FALSE (d.readyButton->getBounds().intersects (d.sendButton->getBounds()));
    EXPECT_FALSE (d.readyButton->getBounds().intersects (d.cancel2Button->getBounds()));
    EXPECT_TRUE (d.sendDialog->getLocalBounds().contains (d.readyButton->getBounds()));
}

/*  With the program's own look and fonts, every line of every text block can be read:
    it ends inside the dialog, above the button bar, and above any child added after
    it that lies over it.
*/
TEST_F (SendDialog, EveryTextIsReadableInTheProgramsLook)
{
    struct Case { const char* name; int kind; const char* outputPort; };
    const Case cases[] = {
        { "Korrina firmware", 7, "KORRINA MIDI" },
        { "Stompra firmware through the Korrina", 8, "KORRINA MIDI" },
        { "Stompra firmware", 8, "STOMPRA NEO MIDI" },
        { "cab", 4, "KORRINA MIDI" },
        { "bank", 2, "KORRINA MIDI" },
        { "all banks", 3, "KORRINA MIDI" },
        { "Korrina system", 5, "KORRINA MIDI" },
        { "Grand system", 6, "KORRINA MIDI" },
        { "Stompra restore", 9, "STOMPRA NEO MIDI" },
    };

    MainAppWindow window;
    auto& d = *window.getDialog();
    d.fileSelectedLabel->setText ("chosen.syx", juce::dontSendNotification);
    d.presetHeaderCount = 128;
    d.userCabCount = 512;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        d.fileKind = c.kind;
        d.outputLabel->setText (c.outputPort, juce::dontSendNotification);
        d.createSendDialog();

        const auto& children = d.sendDialog->getChildren();

        for (int i = 0; i < children.size(); ++i)
        {
            auto* block = dynamic_cast<VASMultiLineLabelComponent*> (children[i]);

            if (block == nullptr)
                continue;

            SCOPED_TRACE (block->getName());
            auto visibleBottom = d.sendDialog->getHeight();

            for (int j = i + 1; j < children.size(); ++j)
            {
                const auto over = children[j]->getBounds();

                if (over.getY() > block->getY() && over.getHorizontalRange().intersects (block->getBounds().getHorizontalRange()))
                    visibleBottom = juce::jmin (visibleBottom, over.getY());
            }

            // The lines of the text itself; the last one's descent may touch what
            // follows without hiding any glyph.
            const auto lines = block->getTextBounds ({ 0, block->getText().trimEnd().length() }).getBounds();
            const auto textBottom = block->getY() + lines.getBottom();
            EXPECT_LE (textBottom, visibleBottom);
        }
    }
}
