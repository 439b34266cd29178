#include "DialogFixture.h"
#include "support/MessageLoop.h"

#include "skin/VASLabelComponent.h"

namespace
{
    struct Expected
    {
        const char* name;
        juce::Rectangle<int> bounds;
        bool visible, enabled;
    };

    // Creation order is painting order: index i of the children is row i + 1.
    const Expected rows[] = {
        { "Zindle Eyes",             { 79, 246, 83, 34 },    true,  true },
        { "Send Tab Focus",          { 260, 13, 169, 33 },   true,  true },
        { "Send Tab Button",         { 260, 13, 169, 33 },   false, true },
        { "Receive Tab Focus",       { 429, 13, 169, 33 },   false, true },
        { "Receive Tab Button",      { 429, 13, 169, 33 },   true,  true },
        { "Device To Update",        { 280, 111, 232, 27 },  true,  true },
        { "Device Label",            { 280, 111, 232, 27 },  true,  true },
        { "Connected Label",         { 550, 115, 200, 200 }, false, true },
        { "Check",                   { 530, 115, 15, 15 },   false, true },
        { "Input Check",             { 530, 153, 15, 15 },   false, true },
        { "Output Check",            { 530, 191, 15, 15 },   false, true },
        { "Error 1",                 { 530, 115, 15, 15 },   false, true },
        { "Select an Input Port",    { 280, 149, 232, 27 },  true,  false },
        { "Input Label",             { 280, 149, 232, 27 },  true,  false },
        { "Select an Output Port",   { 280, 187, 232, 27 },  true,  false },
        { "Output Label",            { 280, 187, 232, 27 },  true,  false },
        { "MIDI Buffer Delay",       { 563, 187, 180, 24 },  true,  false },
        { "MIDI Buffer Delay",       { 595, 171, 125, 20 },  true,  false },
        { "Browse",                  { 268, 289, 152, 42 },  true,  false },
        { "File",                    { 430, 295, 327, 25 },  true,  false },
        { "Check2",                  { 275, 334, 15, 15 },   false, true },
        { "Error 2",                 { 275, 334, 15, 15 },   false, true },
        { "File Selected",           { 295, 329, 463, 27 },  true,  true },
        { "Firmware Text Label",     { 275, 329, 500, 27 },  false, true },
        { "Firmware Download Label", { 445, 329, 200, 27 },  false, true },
        { "Receive Browse Label",    { 275, 329, 500, 27 },  false, true },
        { "Transmit",                { 268, 429, 152, 42 },  true,  false },
        { "",                        { 430, 435, 254, 25 },  true,  true },
        { "Cancel",                  { 690, 435, 78, 30 },   true,  false },
        { "Check3",                  { 275, 474, 15, 15 },   false, true },
        { "Error 3",                 { 275, 474, 15, 15 },   false, true },
        { "Progress",                { 295, 469, 475, 27 },  true,  true },
        { "Receive Begin Label",     { 275, 469, 475, 27 },  false, true },
        { "Help Text",               { 0, 69, 240, 20 },     true,  true },
        { "Document",                { 0, 89, 240, 20 },     true,  true },
        { "Video",                   { 0, 109, 240, 20 },    true,  true },
        { "More Help",               { 0, 139, 240, 20 },    true,  true },
        { "Support",                 { 0, 159, 240, 20 },    true,  true },
        { "Forum",                   { 0, 179, 240, 20 },    true,  true },
        { "Version Label",           { 593, 531, 200, 15 },  true,  true },
    };
}

using DialogStartup = DialogFixture;

TEST_F (DialogStartup, EveryWidgetInCreationOrderWithItsBoundsAndState)
{
    auto& d = makeDialog();

    ASSERT_EQ (d.getNumChildComponents(), (int) std::size (rows));

    for (int i = 0; i < (int) std::size (rows); ++i)
    {
        const auto& row = rows[i];
        auto* child = d.getChildComponent (i);
        SCOPED_TRACE (juce::String (i + 1) + " " + row.name);

        EXPECT_EQ (child->getName(), row.name);
        EXPECT_EQ (child->getBounds(), row.bounds);
        EXPECT_EQ (child->isVisible(), row.visible);
        EXPECT_EQ (child->isEnabled(), row.enabled);
    }

    EXPECT_EQ (d.getWidth(), 800);
    EXPECT_EQ (d.getHeight(), 553);
}

TEST_F (DialogStartup, InitialStateIsTheSendPageWithNoDeviceChosen)
{
    auto& d = makeDialog();

    EXPECT_EQ (d.device, DeviceModels::notChosen);
    EXPECT_TRUE (d.sendPageActive);
    EXPECT_FALSE (d.receivePageActive);
    EXPECT_FALSE (d.deviceChosen || d.inputPortOpen || d.outputPortOpen || d.versionKnown || d.queryRunning);
    EXPECT_EQ (d.destinationMode, 1);
    EXPECT_EQ (d.destinationSlot, -1);
    EXPECT_EQ (d.bankIndex, -1);
    EXPECT_EQ (d.dropArea, juce::Rectangle<int> (260, 273, 510, 90));

    EXPECT_EQ (d.deviceLabel->getText(), "Select Device");
    EXPECT_EQ (d.inputLabel->getText(), "Select an Input Port");
    EXPECT_EQ (d.outputLabel->getText(), "Select an Output Port");
    EXPECT_EQ (d.connectedLabel->getText(), "Connected");
    EXPECT_EQ (d.bufferDelayLabel->getText(), "MIDI Buffer Delay:");
    EXPECT_EQ (d.firmwareTextLabel->getText(), "Find the latest firmware at ");
    EXPECT_EQ (d.receiveBeginLabel->getText(), "Press BEGIN to select a backup type to receive.");
    EXPECT_EQ (d.versionLabel->getText(), "Dremlor MIDI Utility Version 2.0.2");
    EXPECT_EQ (d.versionLabel->getJustificationType(), juce::Justification (juce::Justification::right));
    EXPECT_EQ (d.versionLabel->findColour (juce::Label::textColourId), juce::Colour (0xFF555555));

    EXPECT_EQ (d.firmwareDownloadLabel->findColour (juce::Label::textColourId), juce::Colour (0xFF0000FF));
    EXPECT_TRUE (d.firmwareDownloadLabel->getText().contains (".example"));
    EXPECT_EQ (d.deviceToUpdate->findColour (juce::DrawableButton::backgroundColourId), juce::Colour (0xFF000000));

    EXPECT_TRUE (d.fileField->isReadOnly());
    EXPECT_FALSE (d.fileField->isCaretVisible());
}

TEST_F (DialogStartup, SliderAndProgressBarSettings)
{
    auto& d = makeDialog();
    auto& slider = *d.bufferDelaySlider;

    EXPECT_EQ (slider.getSliderStyle(), juce::Slider::LinearHorizontal);
    EXPECT_EQ (slider.getMinimum(), 0.0);
    EXPECT_EQ (slider.getMaximum(), 1000.0);
    EXPECT_EQ (slider.getInterval(), 10.0);
    EXPECT_EQ (slider.getValue(), 0.0);
    EXPECT_EQ (slider.getTextBoxPosition(), juce::Slider::TextBoxRight);
    EXPECT_TRUE (slider.isTextBoxEditable());
    EXPECT_EQ (slider.getTextBoxWidth(), 56);
    EXPECT_EQ (slider.getTextBoxHeight(), 20);
    EXPECT_EQ (slider.getExplicitFocusOrder(), 8);

    // Values snap to multiples of 10 and show " ms".
    slider.setValue (123.0, juce::dontSendNotification);
    EXPECT_EQ (slider.getValue(), 120.0);
    EXPECT_EQ (slider.getTextFromValue (120.0), "120 ms");
    slider.setValue (5000.0, juce::dontSendNotification);
    EXPECT_EQ (slider.getValue(), 1000.0);

    EXPECT_EQ (d.progressBar->findColour (juce::ProgressBar::backgroundColourId), juce::Colour (0xFFD3D3D3));
    EXPECT_EQ (d.progressBar->findColour (juce::ProgressBar::foregroundColourId), juce::Colour (0xFF29AA29));
}

TEST_F (DialogStartup, EyesDisappearOnceAfterOneSecond)
{
    auto& d = makeDialog();
    EXPECT_TRUE (d.zindleEyes->isVisible());

    MessageLoop::runFor (600);
    EXPECT_TRUE (d.zindleEyes->isVisible());

    EXPECT_TRUE (MessageLoop::runUntil ([&] { return ! d.zindleEyes->isVisible(); }, 3000));
}

TEST_F (DialogStartup, FirstRunHasNoBackupFolderLaterRunsUseTheStoredOne)
{
    {
        auto& d = makeDialog();
        EXPECT_EQ (d.receiveBrowseLabel->getText(), "Press BROWSE to select a folder where backups will be stored.");
        EXPECT_FALSE (d.receiveFolderChosen);
    }

    // The first run's settings are saved when the dialog goes.
    dialog.reset();

    auto& again = makeDialog();
    EXPECT_EQ (again.receiveBrowseLabel->getText(), home.getFullPathName());
    EXPECT_TRUE (again.receiveFolderChosen);
    EXPECT_EQ (again.backupFolder, home);
}

TEST_F (DialogStartup, EveryKeyIsSwallowed)
{
    auto& d = makeDialog();
    EXPECT_TRUE (d.keyPressed (juce::KeyPress ('a')));
    EXPECT_TRUE (d.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey), &d));
}

TEST_F (DialogStartup, SettingsThatCannotBeSavedAreReportedOnlyWhileTheLoopRuns)
{
    // A plain file where the settings folder should be: no write can succeed, as root neither.
    ASSERT_TRUE (home.getChildFile (".config/Vornhalt Audio").createDirectory());
    ASSERT_TRUE (home.getChildFile (".config/Vornhalt Audio/Dremlor").replaceWithText ("in the way"));

    EXPECT_FALSE (makeDialog().saveSettings());
    ASSERT_EQ (boxes.getNumBoxes(), 1);
    EXPECT_EQ (boxes.getLastBox().title, "Dremlor");
    EXPECT_EQ (boxes.getLastBox().message, "Preferences could not be saved.");
    EXPECT_EQ (boxes.getLastBox().icon, juce::MessageBoxIconType::WarningIcon);

    // The destructor runs after the loop has ended: it tries again without a box.
    dialog.reset();
    EXPECT_EQ (boxes.getNumBoxes(), 1);
}

TEST_F (DialogStartup, EveryImageButtonShowsItsOwnSkinEntries)
{
    auto& d = makeDialog();
    const auto image = [] (const char* name) { return SkinManager::getImage (juce::String (name).hashCode64()); };
    const auto missing = image ("missing_image_release.png");

    // nullptr: no image of its own for that state, so the framework shows the one before it.
    struct Row { juce::ImageButton* button; const char* normal; const char* over; const char* down; };
    const Row buttons[] = {
        { d.zindleEyes.get(),       "zindle-eyes-off.png",  "zindle-eyes-off.png",   "zindle-eyes-off.png" },
        { d.sendTabFocus.get(),     "tab-send.png",         nullptr,                 nullptr },
        { d.sendTabButton.get(),    "tab-send-back.png",    "tab-send-over.png",     nullptr },
        { d.receiveTabFocus.get(),  "tab-receive.png",      nullptr,                 nullptr },
        { d.receiveTabButton.get(), "tab-receive-back.png", "tab-receive-over.png",  nullptr },
        { d.deviceCheck.get(),      "icon-check.png",       "icon-check.png",        "icon-check.png" },
        { d.inputCheck.get(),       "icon-check.png",       "icon-check.png",        "icon-check.png" },
        { d.outputCheck.get(),      "icon-check.png",       "icon-check.png",        "icon-check.png" },
        { d.error1.get(),           "icon-error.png",       "icon-error.png",        "icon-error.png" },
        { d.browseButton.get(),     "btn-browse.png",       "btn-browse-over.png",   "btn-browse-down.png" },
        { d.check2.get(),           "icon-check.png",       "icon-check.png",        "icon-check.png" },
        { d.error2.get(),           "icon-error.png",       "icon-error.png",        "icon-error.png" },
        { d.transmitButton.get(),   "btn-begin.png",        "btn-begin-over.png",    "btn-begin-down.png" },
        { d.cancelButton.get(),     "btn-cancel.png",       "btn-cancel-over.png",   "btn-cancel-down.png" },
        { d.check3.get(),           "icon-check.png",       "icon-check.png",        "icon-check.png" },
        { d.error3.get(),           "icon-error.png",       "icon-error.png",        "icon-error.png" },
        { d.helpText.get(),         "helptext_01.png",      "helptext_01.png",       "helptext_01.png" },
        { d.documentButton.get(),   "helptext_02.png",      "helptext_02-over.png",  "helptext_02-down.png" },
        { d.videoButton.get(),      "helptext_03.png",      "helptext_03-over.png",  "helptext_03-down.png" },
        { d.moreHelp.get(),         "helptext_05.png",      "helptext_05.png",       "helptext_05.png" },
        { d.supportButton.get(),    "helptext_06.png",      "helptext-over_06.png",  "helptext-down_06.png" },
        { d.forumButton.get(),      "helptext_07.png",      "helptext_07-over.png",  "helptext_07-down.png" },
    };

    for (const auto& row : buttons)
    {
        SCOPED_TRACE (row.button->getName());
        const auto over = row.over != nullptr ? row.over : row.normal;
        const auto down = row.down != nullptr ? row.down : over;

        for (auto* name : { row.normal, over, down })
            ASSERT_FALSE (image (name) == missing) << name << " is not in the default skin";

        EXPECT_TRUE (row.button->getNormalImage() == image (row.normal));
        EXPECT_TRUE (row.button->getOverImage() == image (over));
        EXPECT_TRUE (row.button->getDownImage() == image (down));
    }

    // The three dropdown boxes draw the dropdown image, each from a copy of its own.
    for (auto* box : { d.deviceToUpdate.get(), d.inputPortBox.get(), d.outputPortBox.get() })
    {
        auto* drawable = dynamic_cast<juce::DrawableImage*> (box->getNormalImage());
        ASSERT_NE (drawable, nullptr) << box->getName();
        EXPECT_TRUE (drawable->getImage() == image ("dropdown.png")) << box->getName();
        EXPECT_NE (drawable, d.dropdownDrawable.get());
    }

    // The backgrounds and the images kept for the pages built later.
    EXPECT_TRUE (d.sendBackground == image ("bg-body-send.png"));
    EXPECT_TRUE (d.receiveBackground == image ("bg-body-receive.png"));
    EXPECT_TRUE (d.cancelOver == image ("btn-cancel-over.png"));
    EXPECT_TRUE (d.cancelDown == image ("btn-cancel-down.png"));
}

TEST_F (DialogStartup, ProgressBarFollowsTheSendersProgress)
{
    auto& d = makeDialog();
    auto& sender = VASMidiProcessing::getInstance()->getSender();

    // The bar tells its value to accessibility clients, which need it on screen.
    d.addToDesktop (0);
    auto* handler = d.progressBar->getAccessibilityHandler();
    ASSERT_NE (handler, nullptr);
    auto* shown = handler->getValueInterface();
    ASSERT_NE (shown, nullptr);
    EXPECT_EQ (shown->getCurrentValue(), 0.0);

    // The sender's timer and the receive thread write it; the bar picks it up on its own.
    sender.setProgress (0.5);
    EXPECT_TRUE (MessageLoop::runUntil ([&] { return shown->getCurrentValue() == 0.5; }, MessageLoop::guardMs));

    sender.setProgress (0.9999);
    EXPECT_TRUE (MessageLoop::runUntil ([&] { return shown->getCurrentValue() == 0.9999; }, MessageLoop::guardMs));
}

TEST_F (DialogStartup, FirmwareTextEndsBeforeTheLinkBeginsOnTheSameRow)
{
    auto& dialog = makeDialog();

    auto* text = dynamic_cast<juce::Label*> (dialog.getChildComponent (23));
    auto* link = dynamic_cast<juce::Label*> (dialog.getChildComponent (24));
    ASSERT_NE (text, nullptr);
    ASSERT_NE (link, nullptr);
    ASSERT_EQ (text->getName(), "Firmware Text Label");
    ASSERT_EQ (link->getName(), "Firmware Download Label");

    // Where each text is drawn: the label's own left edge, its border, then the glyphs.
    auto& lf = dialog.getLookAndFeel();
    const auto textEnd = (float) text->getX() + (float) lf.getLabelBorderSize (*text).getLeft()
                       + lf.getLabelFont (*text).getStringWidthFloat (text->getText());
    const auto linkStart = (float) link->getX() + (float) lf.getLabelBorderSize (*link).getLeft();

    EXPECT_LT (textEnd + 2.0f, linkStart) << "text ends at " << textEnd << ", link starts at " << linkStart;
}
