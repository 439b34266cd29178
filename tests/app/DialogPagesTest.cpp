#include "DialogFixture.h"

//==============================================================================
using TabSwitch = DialogFixture;

TEST_F (TabSwitch, ReceiveTabShowsTheReceivePageAndBack)
{
    auto& d = makeDialog();

    d.buttonClicked (d.receiveTabButton.get());
    EXPECT_FALSE (d.sendPageActive);
    EXPECT_TRUE (d.receivePageActive);
    EXPECT_FALSE (d.receiveTabButton->isVisible());
    EXPECT_TRUE (d.receiveTabFocus->isVisible());
    EXPECT_TRUE (d.sendTabButton->isVisible());
    EXPECT_FALSE (d.sendTabFocus->isVisible());

    // A click on the focus image of the shown page changes nothing.
    d.buttonClicked (d.receiveTabFocus.get());
    EXPECT_TRUE (d.receivePageActive);

    d.buttonClicked (d.sendTabButton.get());
    EXPECT_TRUE (d.sendPageActive);
    EXPECT_FALSE (d.receivePageActive);
    EXPECT_TRUE (d.receiveTabButton->isVisible());
    EXPECT_FALSE (d.receiveTabFocus->isVisible());
    EXPECT_FALSE (d.sendTabButton->isVisible());
    EXPECT_TRUE (d.sendTabFocus->isVisible());
    EXPECT_FALSE (d.receiveBrowseLabel->isVisible());
    EXPECT_FALSE (d.receiveBeginLabel->isVisible());
}

TEST_F (TabSwitch, ReceivePageShowsTheBackupFolderOrAsksForOne)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);

    // First run: no folder yet, so the page asks for one.
    d.showReceivePage();
    EXPECT_TRUE (d.receiveBrowseLabel->isVisible());
    EXPECT_FALSE (d.check2->isVisible());
    EXPECT_TRUE (d.fileField->getText().isEmpty());
    EXPECT_FALSE (d.firmwareTextLabel->isVisible());
    EXPECT_FALSE (d.bufferDelaySlider->isEnabled());

    const auto backups = home.getChildFile ("backups");
    backups.createDirectory();
    d.receiveFolderChosenFromChooser (backups);

    EXPECT_TRUE (d.receiveFolderChosen);
    EXPECT_EQ (d.backupFolder, backups);
    EXPECT_EQ (d.fileField->getText(), backups.getFullPathName());
    EXPECT_EQ (d.fileSelectedLabel->getText(), backups.getFullPathName());
    EXPECT_TRUE (d.check2->isVisible());
    EXPECT_TRUE (d.receiveBeginLabel->isVisible());

    // Back and forth keeps the folder on the receive page only.
    d.showSendPage();
    EXPECT_TRUE (d.fileField->getText().isEmpty());
    EXPECT_FALSE (d.check2->isVisible());
    EXPECT_TRUE (d.firmwareTextLabel->isVisible());
    d.showReceivePage();
    EXPECT_EQ (d.fileField->getText(), backups.getFullPathName());
    EXPECT_TRUE (d.receiveBeginLabel->isVisible());

    // The chosen folder is the next run's default.
    dialog.reset();
    auto& again = makeDialog();
    EXPECT_EQ (again.backupFolder, backups);
    EXPECT_EQ (again.receiveBrowseLabel->getText(), backups.getFullPathName());
}

TEST_F (TabSwitch, StompraPortsCloseOnEveryPageChange)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::stompraClassic);
    d.fillOutputPortList();
    d.outputPortChosen (1);
    ASSERT_TRUE (d.outputPortOpen);

    d.showReceivePage();
    EXPECT_FALSE (d.outputPortOpen);
    EXPECT_EQ (d.outputLabel->getText(), "Port is not needed");
    EXPECT_EQ (d.inputLabel->getText(), "Select an Input Port");
    EXPECT_TRUE (d.inputLabel->isEnabled());
    EXPECT_FALSE (d.outputLabel->isEnabled());
    EXPECT_TRUE (d.deviceChosen);

    d.fillInputPortList();
    d.inputPortChosen (1);
    EXPECT_TRUE (d.inputPortOpen);
    EXPECT_TRUE (d.browseButton->isEnabled());

    d.showSendPage();
    EXPECT_FALSE (d.inputPortOpen);
    EXPECT_EQ (d.inputLabel->getText(), "Port is not needed");
}

//==============================================================================
using DropArea = DialogFixture;

TEST_F (DropArea, EdgesOfTheRectangle)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    ASSERT_TRUE (d.inputPortOpen && d.outputPortOpen);

    EXPECT_TRUE (d.acceptsDropAt (769, 362));
    EXPECT_TRUE (d.acceptsDropAt (260, 273));
    EXPECT_FALSE (d.acceptsDropAt (770, 362));
    EXPECT_FALSE (d.acceptsDropAt (769, 363));
    EXPECT_FALSE (d.acceptsDropAt (259, 300));
    EXPECT_FALSE (d.acceptsDropAt (300, 272));
    EXPECT_TRUE (d.isInterestedInFileDrag ({ "/any/thing.txt" }));
}

TEST_F (DropArea, PageAndPortsDecide)
{
    auto& d = makeDialog();
    EXPECT_FALSE (d.acceptsDropAt (400, 300));

    d.chooseDevice (DeviceModels::korrina);
    d.showReceivePage();
    EXPECT_FALSE (d.acceptsDropAt (400, 300));
    d.showSendPage();
    EXPECT_TRUE (d.acceptsDropAt (400, 300));

    d.fillInputPortList();
    d.inputPortChosen (-1);
    EXPECT_FALSE (d.acceptsDropAt (400, 300));

    // A Stompra or the Boot ROM needs the output only.
    d.chooseDevice (DeviceModels::stompraNeo);
    EXPECT_FALSE (d.acceptsDropAt (400, 300));
    d.fillOutputPortList();
    d.outputPortChosen (1);
    EXPECT_TRUE (d.acceptsDropAt (400, 300));
}

//==============================================================================
using Dispatcher = DialogFixture;

TEST_F (Dispatcher, HelpLinksOpenTheirPagesAndHeadingsDoNothing)
{
    auto& d = makeDialog();

    d.buttonClicked (d.helpText.get());
    d.buttonClicked (d.moreHelp.get());
    EXPECT_TRUE (openedPages.isEmpty());

    for (auto* button : { d.documentButton.get(), d.videoButton.get(), d.supportButton.get(), d.forumButton.get() })
        d.buttonClicked (button);

    ASSERT_EQ (openedPages.size(), 4);
    openedPages.removeDuplicates (false);
    EXPECT_EQ (openedPages.size(), 4);

    for (auto& page : openedPages)
        EXPECT_TRUE (page.startsWith ("https://") && page.contains (".example")) << page;

    // The firmware link opens the support page; the text beside it does nothing.
    clickOn (*d.firmwareTextLabel);
    clickOn (*d.receiveBeginLabel);
    EXPECT_EQ (openedPages.size(), 4);
    clickOn (*d.firmwareDownloadLabel);
    EXPECT_EQ (openedPages.size(), 5);
    EXPECT_EQ (openedPages[4], openedPages[2]);
}

TEST_F (Dispatcher, CancelStopsARunningSendAndEndsAnAllCabsBackup)
{
    auto& d = makeDialog();
    auto& sender = VASMidiProcessing::getInstance()->getSender();

    // A backup of one bank: nothing to cancel here.
    d.receiveType = 1;
    d.buttonClicked (d.cancelButton.get());
    EXPECT_FALSE (d.stopAllCabs);
    EXPECT_EQ (boxes.getNumBoxes(), 0);

    d.receiveType = 9;
    d.buttonClicked (d.cancelButton.get());
    EXPECT_TRUE (d.stopAllCabs);

    sender.setState (SendState::running);
    d.buttonClicked (d.cancelButton.get());
    EXPECT_EQ (sender.getState(), SendState::cancelled);
    EXPECT_EQ (boxes.getNumBoxes(), 0);
}

TEST_F (Dispatcher, BrowseOnTheSendPageOpensNoFolderChooser)
{
    auto& d = makeDialog();
    d.chooseDevice (DeviceModels::korrina);
    int fileChoices = 0;
    d.chooseFileToSend = [&fileChoices] (const juce::File&) { ++fileChoices; return juce::File(); };

    // The send page's Browse belongs to the file workflow; it must not ask for a folder.
    d.buttonClicked (d.browseButton.get());
    EXPECT_FALSE (d.receiveFolderChosen);
    EXPECT_EQ (fileChoices, 1);
}

TEST_F (Dispatcher, SliderHandsTheDelayToTheSender)
{
    auto& d = makeDialog();
    auto& sender = VASMidiProcessing::getInstance()->getSender();

    d.bufferDelaySlider->setValue (250.0, juce::sendNotificationSync);
    EXPECT_EQ (d.bufferDelayMs, 250);
    EXPECT_EQ (sender.getInterval(), 250u);

    d.bufferDelaySlider->setValue (40.0, juce::sendNotificationSync);
    EXPECT_EQ (d.bufferDelayMs, 40);
    EXPECT_EQ (sender.getInterval(), 40u);
}

TEST_F (Dispatcher, ResultRowIsResetForThePageShown)
{
    auto& d = makeDialog();
    auto& sender = VASMidiProcessing::getInstance()->getSender();

    const auto leaveAResult = [&]
    {
        d.progressLabel->setText ("Transfer complete!  ", juce::dontSendNotification);
        d.check3->setVisible (true);
        sender.setProgress (0.9999);
    };

    leaveAResult();
    d.resetReceivePrompt();
    EXPECT_EQ (d.progressLabel->getText(), "");
    EXPECT_FALSE (d.check3->isVisible());
    EXPECT_EQ (sender.getProgress(), 0.0);

    d.showReceivePage();
    leaveAResult();
    d.resetReceivePrompt();
    EXPECT_EQ (d.progressLabel->getText(), "Press BEGIN to select a backup type to receive.");
    EXPECT_FALSE (d.check3->isVisible());
    EXPECT_EQ (sender.getProgress(), 0.0);
}
