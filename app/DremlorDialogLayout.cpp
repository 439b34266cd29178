#include "app/DremlorDialog.h"

#include "app/HelpLinks.h"
#include "devicelink/VASMidiProcessing.h"
#include "skin/SkinManager.h"
#include "skin/VASLabelComponent.h"

//==============================================================================
juce::Image DremlorDialog::skinImage (juce::StringRef fileName)
{
    return SkinManager::getImage (juce::String (fileName).hashCode64());
}

void DremlorDialog::setButtonImages (juce::ImageButton& button, const juce::Image& normal,
                                     const juce::Image& over, const juce::Image& down)
{
    const auto none = juce::Colours::transparentBlack;
    button.setImages (false, false, false,
                      normal, 1.0f, none,
                      over, 1.0f, none,
                      down, 1.0f, none,
                      0.0f);
}

void DremlorDialog::setButtonImages (juce::ImageButton& button, const juce::Image& all)
{
    setButtonImages (button, all, all, all);
}

//==============================================================================
void DremlorDialog::createComponents()
{
    skin = SkinManager::getInstance();
    sendBackground = skinImage ("bg-body-send.png");
    receiveBackground = skinImage ("bg-body-receive.png");

    // Each widget is stacked on top of the ones before it, then configured.
    auto add = [this] (auto& holder, auto* component) -> auto&
    {
        holder.reset (component);
        addAndMakeVisible (*component, -1);
        return *component;
    };

    auto addImageButton = [&] (std::unique_ptr<juce::ImageButton>& holder, juce::StringRef name,
                               juce::Rectangle<int> bounds) -> juce::ImageButton&
    {
        auto& button = add (holder, new juce::ImageButton (name));
        button.setBounds (bounds);
        return button;
    };

    auto addLabel = [&] (std::unique_ptr<juce::Label>& holder, juce::StringRef name, const juce::String& text,
                         juce::Rectangle<int> bounds, juce::Justification justification) -> juce::Label&
    {
        auto& label = add (holder, new juce::Label (name, text));
        label.setBounds (bounds);
        label.setJustificationType (justification);
        return label;
    };

    auto addDropdown = [&] (std::unique_ptr<juce::DrawableButton>& holder, juce::StringRef name,
                            juce::Rectangle<int> bounds) -> juce::DrawableButton&
    {
        auto& button = add (holder, new juce::DrawableButton (name, juce::DrawableButton::ImageRaw));
        button.setBounds (bounds);
        button.setImages (dropdownDrawable.get());   // the button keeps a copy of its own
        return button;
    };

    //==============================================================================
    auto& eyes = addImageButton (zindleEyes, "Zindle Eyes", { 79, 246, 83, 34 });
    setButtonImages (eyes, skinImage ("zindle-eyes-off.png"));

    auto& sendFocus = addImageButton (sendTabFocus, "Send Tab Focus", { 260, 13, 169, 33 });
    setButtonImages (sendFocus, skinImage ("tab-send.png"), {}, {});
    sendFocus.addListener (this);

    auto& sendTab = addImageButton (sendTabButton, "Send Tab Button", { 260, 13, 169, 33 });
    setButtonImages (sendTab, skinImage ("tab-send-back.png"), skinImage ("tab-send-over.png"), {});
    sendTab.addListener (this);
    sendTab.setVisible (false);

    auto& receiveFocus = addImageButton (receiveTabFocus, "Receive Tab Focus", { 429, 13, 169, 33 });
    setButtonImages (receiveFocus, skinImage ("tab-receive.png"), {}, {});
    receiveFocus.addListener (this);
    receiveFocus.setVisible (false);

    auto& receiveTab = addImageButton (receiveTabButton, "Receive Tab Button", { 429, 13, 169, 33 });
    setButtonImages (receiveTab, skinImage ("tab-receive-back.png"), skinImage ("tab-receive-over.png"), {});
    receiveTab.addListener (this);

    //==============================================================================
    // The labels lie over their dropdown boxes and take the clicks.
    dropdownDrawable = std::make_unique<juce::DrawableImage> (skinImage ("dropdown.png"));

    auto& deviceBox = addDropdown (deviceToUpdate, "Device To Update", { 280, 111, 232, 27 });
    deviceBox.setColour (juce::DrawableButton::backgroundColourId, juce::Colours::black);
    deviceBox.addListener (this);

    addLabel (deviceLabel, "Device Label", "Select Device", { 280, 111, 232, 27 }, juce::Justification::left)
        .addMouseListener (this, true);

    addLabel (connectedLabel, "Connected Label", "Connected", { 550, 115, 200, 200 }, juce::Justification::topLeft)
        .setVisible (false);

    checkIcon = skinImage ("icon-check.png");
    setButtonImages (addImageButton (deviceCheck, "Check", { 530, 115, 15, 15 }), checkIcon);
    deviceCheck->setVisible (false);
    setButtonImages (addImageButton (inputCheck, "Input Check", { 530, 153, 15, 15 }), checkIcon);
    inputCheck->setVisible (false);
    setButtonImages (addImageButton (outputCheck, "Output Check", { 530, 191, 15, 15 }), checkIcon);
    outputCheck->setVisible (false);

    const auto errorIcon = skinImage ("icon-error.png");
    setButtonImages (addImageButton (error1, "Error 1", { 530, 115, 15, 15 }), errorIcon);
    error1->setVisible (false);

    //==============================================================================
    addDropdown (inputPortBox, "Select an Input Port", { 280, 149, 232, 27 }).setEnabled (false);
    auto& input = addLabel (inputLabel, "Input Label", "Select an Input Port", { 280, 149, 232, 27 },
                            juce::Justification::left);
    input.addMouseListener (this, true);
    input.setEnabled (false);

    addDropdown (outputPortBox, "Select an Output Port", { 280, 187, 232, 27 }).setEnabled (false);
    auto& output = addLabel (outputLabel, "Output Label", "Select an Output Port", { 280, 187, 232, 27 },
                             juce::Justification::left);
    output.addMouseListener (this, true);
    output.setEnabled (false);

    //==============================================================================
    auto& slider = add (bufferDelaySlider, new juce::Slider ("MIDI Buffer Delay"));
    slider.setBounds (563, 187, 180, 24);
    slider.setSliderStyle (juce::Slider::LinearHorizontal);
    slider.setRange (0.0, 1000.0, 10.0);
    slider.setValue (0.0, juce::dontSendNotification);
    slider.setTextBoxStyle (juce::Slider::TextBoxRight, false, 56, 20);
    slider.setTextValueSuffix (" ms");
    slider.setPopupDisplayEnabled (true, false, this);
    slider.setExplicitFocusOrder (8);
    slider.addListener (this);

    addLabel (bufferDelayLabel, "MIDI Buffer Delay", juce::String ("MIDI Buffer Delay") + ":",
              { 595, 171, 125, 20 }, juce::Justification::centredLeft);

    setBufferDelayEnabled (false);

    //==============================================================================
    auto& browse = addImageButton (browseButton, "Browse", { 268, 289, 152, 42 });
    setButtonImages (browse, skinImage ("btn-browse.png"), skinImage ("btn-browse-over.png"),
                     skinImage ("btn-browse-down.png"));
    browse.addListener (this);
    browse.setEnabled (false);

    auto& field = add (fileField, new juce::TextEditor ("File"));
    field.setBounds (430, 295, 327, 25);
    field.addListener (this);
    field.setReadOnly (true);
    field.setCaretVisible (false);
    field.setMouseCursor (juce::MouseCursor::NormalCursor);
    field.setEnabled (false);

    setButtonImages (addImageButton (check2, "Check2", { 275, 334, 15, 15 }), checkIcon);
    check2->setVisible (false);
    setButtonImages (addImageButton (error2, "Error 2", { 275, 334, 15, 15 }), errorIcon);
    error2->setVisible (false);

    addLabel (fileSelectedLabel, "File Selected", {}, { 295, 329, 463, 27 }, juce::Justification::left);

    //==============================================================================
    // The sentence and its link share one row at fixed places; a point smaller than
    // the labels' default keeps the sentence clear of the link's first letter.
    const juce::Font firmwareRowFont (14.0f);

    auto& firmwareText = addLabel (firmwareTextLabel, "Firmware Text Label", "Find the latest firmware at ",
                                   { 275, 329, 500, 27 }, juce::Justification::left);
    firmwareText.setFont (firmwareRowFont);
    firmwareText.addMouseListener (this, true);
    firmwareText.setVisible (false);

    auto& firmwareLink = addLabel (firmwareDownloadLabel, "Firmware Download Label", HelpLinks::support().toString (false),
                                   { 445, 329, 200, 27 }, juce::Justification::left);
    firmwareLink.setFont (firmwareRowFont);
    firmwareLink.setColour (juce::Label::textColourId, juce::Colours::blue);
    firmwareLink.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    firmwareLink.addMouseListener (this, true);
    firmwareLink.setVisible (false);

    //==============================================================================
    // A first run has no backup folder yet; later runs back up into the stored one.
    const auto firstRun = settings.wasSendFolderDefaulted();
    const auto receivePrompt = firstRun ? juce::String ("Press BROWSE to select a folder where backups will be stored.")
                                        : settings.getReceiveFolder().getFullPathName();

    auto& receiveBrowse = addLabel (receiveBrowseLabel, "Receive Browse Label", receivePrompt,
                                    { 275, 329, 500, 27 }, juce::Justification::left);
    receiveBrowse.addMouseListener (this, true);
    receiveBrowse.setVisible (false);

    if (! firstRun)
    {
        receiveFolderChosen = true;
        backupFolder = settings.getReceiveFolder();
    }

    //==============================================================================
    auto& transmit = addImageButton (transmitButton, "Transmit", { 268, 429, 152, 42 });
    setButtonImages (transmit, skinImage ("btn-begin.png"), skinImage ("btn-begin-over.png"),
                     skinImage ("btn-begin-down.png"));
    transmit.addListener (this);
    transmit.setEnabled (false);

    auto& bar = add (progressBar, new juce::ProgressBar (progressMirror.getValue()));
    bar.setBounds (430, 435, 254, 25);
    bar.setColour (juce::ProgressBar::backgroundColourId, juce::Colours::lightgrey);
    bar.setColour (juce::ProgressBar::foregroundColourId, juce::Colours::limegreen.darker (0.2f));

    cancelNormal = skinImage ("btn-cancel.png");
    cancelDown = skinImage ("btn-cancel-down.png");
    cancelOver = skinImage ("btn-cancel-over.png");

    auto& cancel = addImageButton (cancelButton, "Cancel", { 690, 435, 78, 30 });
    setButtonImages (cancel, cancelNormal, cancelOver, cancelDown);
    cancel.addListener (this);
    cancel.setEnabled (false);

    //==============================================================================
    setButtonImages (addImageButton (check3, "Check3", { 275, 474, 15, 15 }), checkIcon);
    check3->setVisible (false);
    setButtonImages (addImageButton (error3, "Error 3", { 275, 474, 15, 15 }), errorIcon);
    error3->setVisible (false);

    addLabel (progressLabel, "Progress", {}, { 295, 469, 475, 27 }, juce::Justification::left);

    auto& receiveBegin = addLabel (receiveBeginLabel, "Receive Begin Label",
                                   "Press BEGIN to select a backup type to receive.",
                                   { 275, 469, 475, 27 }, juce::Justification::left);
    receiveBegin.addMouseListener (this, true);
    receiveBegin.setVisible (false);

    //==============================================================================
    setButtonImages (addImageButton (helpText, "Help Text", { 0, 69, 240, 20 }), skinImage ("helptext_01.png"));

    auto& document = addImageButton (documentButton, "Document", { 0, 89, 240, 20 });
    setButtonImages (document, skinImage ("helptext_02.png"), skinImage ("helptext_02-over.png"),
                     skinImage ("helptext_02-down.png"));
    document.addListener (this);

    auto& video = addImageButton (videoButton, "Video", { 0, 109, 240, 20 });
    setButtonImages (video, skinImage ("helptext_03.png"), skinImage ("helptext_03-over.png"),
                     skinImage ("helptext_03-down.png"));
    video.addListener (this);

    setButtonImages (addImageButton (moreHelp, "More Help", { 0, 139, 240, 20 }), skinImage ("helptext_05.png"));

    auto& support = addImageButton (supportButton, "Support", { 0, 159, 240, 20 });
    setButtonImages (support, skinImage ("helptext_06.png"), skinImage ("helptext-over_06.png"),
                     skinImage ("helptext-down_06.png"));
    support.addListener (this);

    auto& forum = addImageButton (forumButton, "Forum", { 0, 179, 240, 20 });
    setButtonImages (forum, skinImage ("helptext_07.png"), skinImage ("helptext_07-over.png"),
                     skinImage ("helptext_07-down.png"));
    forum.addListener (this);

    //==============================================================================
    versionLabel = std::make_unique<VASLabelComponent> (593, 531, 200, 15, "Version Label", getVersionText(),
                                                        "_bgp_b.stf", 12.0f, juce::Colours::darkgrey,
                                                        juce::Justification::right);
    addAndMakeVisible (*versionLabel, -1);
}
