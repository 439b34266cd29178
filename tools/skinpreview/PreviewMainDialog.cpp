#include "PreviewMainDialog.h"

#include "skin/SkinManager.h"
#include "skin/VASLabelComponent.h"

namespace
{
    juce::Image skinImage (const char* name)
    {
        if (name == nullptr)
            return {};

        return SkinManager::getImage (juce::String (name).hashCode64());
    }
}

//==============================================================================
PreviewMainDialog::PreviewMainDialog (bool sendPage, bool underway)
    : background (skinImage (sendPage ? "bg-body-send.png" : "bg-body-receive.png"))
{
    setSize (800, 553);

    if (! underway)
        addImageButton ("Zindle Eyes", { 79, 246, 83, 34 }, "zindle-eyes-off.png", "zindle-eyes-off.png",
                        "zindle-eyes-off.png");

    if (sendPage)
    {
        addImageButton ("Send Tab Focus", { 260, 13, 169, 33 }, "tab-send.png", nullptr, nullptr);
        addImageButton ("Receive Tab Button", { 429, 13, 169, 33 }, "tab-receive-back.png",
                        "tab-receive-over.png", nullptr);
    }
    else
    {
        addImageButton ("Send Tab Button", { 260, 13, 169, 33 }, "tab-send-back.png", "tab-send-over.png", nullptr);
        addImageButton ("Receive Tab Focus", { 429, 13, 169, 33 }, "tab-receive.png", nullptr, nullptr);
    }

    addDropdown ("Device To Update", { 280, 111, 232, 27 }, true);
    addLabel ("Device Label", { 280, 111, 232, 27 }, underway ? "Korrina" : "Select Device",
              juce::Justification::left);

    if (underway)
    {
        addLabel ("Connected Label", { 550, 115, 200, 200 }, "Connected", juce::Justification::topLeft);

        for (int y : { 115, 153, 191 })
            addImageButton ("Check", { 530, y, 15, 15 }, "icon-check.png", "icon-check.png", "icon-check.png");
    }
    else
    {
        addImageButton ("Error 1", { 530, 115, 15, 15 }, "icon-error.png", "icon-error.png", "icon-error.png");
    }

    addDropdown ("Select an Input Port", { 280, 149, 232, 27 }, false);
    auto& input = addLabel ("Input Label", { 280, 149, 232, 27 },
                            underway ? "KORRINA MIDI" : "Select an Input Port", juce::Justification::left);
    addDropdown ("Select an Output Port", { 280, 187, 232, 27 }, false);
    auto& output = addLabel ("Output Label", { 280, 187, 232, 27 },
                             underway ? "KORRINA MIDI" : "Select an Output Port", juce::Justification::left);

    auto* slider = own (new juce::Slider ("MIDI Buffer Delay"));
    slider->setSliderStyle (juce::Slider::LinearHorizontal);
    slider->setRange (0.0, 1000.0, 10.0);
    slider->setTextBoxStyle (juce::Slider::TextBoxRight, false, 56, 20);
    slider->setTextValueSuffix (" ms");
    slider->setValue (sendPage && underway ? 20.0 : 0.0);
    slider->setBounds (563, 187, 180, 24);
    addAndMakeVisible (slider);
    auto& delayLabel = addLabel ("MIDI Buffer Delay", { 595, 171, 125, 20 }, "MIDI Buffer Delay:",
                                 juce::Justification::centredLeft);

    auto& browse = addImageButton ("Browse", { 268, 289, 152, 42 }, "btn-browse.png", "btn-browse-over.png",
                                   "btn-browse-down.png");

    auto* file = own (new juce::TextEditor ("File"));
    file->setBounds (430, 295, 327, 25);
    file->setReadOnly (true);
    file->setCaretVisible (false);
    addAndMakeVisible (file);

    if (underway)
    {
        file->setText (sendPage ? "/home/user/Korrina/Bank-B Live Set.syx" : "/home/user/Korrina Backups");
        addImageButton ("Check2", { 275, 334, 15, 15 }, "icon-check.png", "icon-check.png", "icon-check.png");
        addLabel ("File Selected", { 295, 329, 463, 27 },
                  sendPage ? "Bank file selected: 128 presets." : "Backups will be stored in this folder.",
                  juce::Justification::left);
    }
    else
    {
        file->setEnabled (false);

        if (sendPage)
        {
            addLabel ("Firmware Text Label", { 275, 329, 500, 27 }, "Find the latest firmware at ",
                      juce::Justification::left);
            addLabel ("Firmware Download Label", { 445, 329, 200, 27 }, "https://vornhalt.example/support",
                      juce::Justification::left)
                .setColour (juce::Label::textColourId, juce::Colours::blue);
        }
        else
        {
            addLabel ("Receive Browse Label", { 275, 329, 500, 27 },
                      "Press BROWSE to select a folder where backups will be stored.", juce::Justification::left);
        }
    }

    auto& transmit = addImageButton ("Transmit", { 268, 429, 152, 42 }, "btn-begin.png", "btn-begin-over.png",
                                     "btn-begin-down.png");

    progress = underway ? 0.62 : 0.0;
    auto* bar = own (new juce::ProgressBar (progress));
    bar->setColour (juce::ProgressBar::backgroundColourId, juce::Colours::lightgrey);
    bar->setColour (juce::ProgressBar::foregroundColourId, juce::Colours::limegreen.darker (0.2f));
    bar->setBounds (430, 435, 254, 25);
    addAndMakeVisible (bar);

    auto& cancel = addImageButton ("Cancel", { 690, 435, 78, 30 }, "btn-cancel.png", "btn-cancel-over.png",
                                   "btn-cancel-down.png");

    if (underway)
        addLabel ("Progress", { 295, 469, 475, 27 }, sendPage ? "Sending preset 80 of 128..." : "Receiving Bank B...",
                  juce::Justification::left);
    else if (! sendPage)
        addLabel ("Receive Begin Label", { 275, 469, 475, 27 }, "Press BEGIN to select a backup type to receive.",
                  juce::Justification::left);

    addImageButton ("Help Text", { 0, 69, 240, 20 }, "helptext_01.png", "helptext_01.png", "helptext_01.png");
    addImageButton ("Document", { 0, 89, 240, 20 }, "helptext_02.png", "helptext_02-over.png", "helptext_02-down.png");
    addImageButton ("Video", { 0, 109, 240, 20 }, "helptext_03.png", "helptext_03-over.png", "helptext_03-down.png");
    addImageButton ("More Help", { 0, 139, 240, 20 }, "helptext_05.png", "helptext_05.png", "helptext_05.png");
    auto& support = addImageButton ("Support", { 0, 159, 240, 20 }, "helptext_06.png", "helptext-over_06.png",
                                    "helptext-down_06.png");
    addImageButton ("Forum", { 0, 179, 240, 20 }, "helptext_07.png", "helptext_07-over.png", "helptext_07-down.png");

    addAndMakeVisible (own (new VASLabelComponent (593, 531, 200, 15, "Version Label", "Version 2.0.2",
                                                           "_bgp_b.stf", 12.0f, juce::Colours::darkgrey,
                                                           juce::Justification::right)));

    // The states a user sees at this moment: controls not yet usable are disabled,
    // and in the transfer one link shows its hover look.
    if (underway)
    {
        browse.setEnabled (false);
        transmit.setEnabled (false);
        support.setState (juce::Button::buttonOver);
    }
    else
    {
        for (juce::Component* c : { (juce::Component*) &input, (juce::Component*) &output,
                                    (juce::Component*) slider, (juce::Component*) &delayLabel,
                                    (juce::Component*) &browse, (juce::Component*) &transmit,
                                    (juce::Component*) &cancel })
            c->setEnabled (false);

        for (auto* w : widgets)
            if (w->getName().startsWith ("Select an"))
                w->setEnabled (false);
    }
}

PreviewMainDialog::~PreviewMainDialog() = default;

void PreviewMainDialog::paint (juce::Graphics& g)
{
    g.drawImageAt (background, 0, 0);
}

//==============================================================================
juce::ImageButton& PreviewMainDialog::addImageButton (const juce::String& name, juce::Rectangle<int> bounds,
                                                      const char* normal, const char* over, const char* down)
{
    auto* button = own (new juce::ImageButton (name));
    button->setImages (false, false, false,
                       skinImage (normal), 1.0f, {},
                       skinImage (over), 1.0f, {},
                       skinImage (down), 1.0f, {}, 0.0f);
    button->setBounds (bounds);
    addAndMakeVisible (button);
    return *button;
}

juce::Label& PreviewMainDialog::addLabel (const juce::String& name, juce::Rectangle<int> bounds,
                                          const juce::String& text, juce::Justification justification)
{
    auto* label = own (new juce::Label (name, text));
    label->setJustificationType (justification);
    label->setBounds (bounds);
    addAndMakeVisible (label);
    return *label;
}

void PreviewMainDialog::addDropdown (const juce::String& name, juce::Rectangle<int> bounds, bool blackBackground)
{
    auto* button = own (new juce::DrawableButton (name, juce::DrawableButton::ImageRaw));
    juce::DrawableImage image;
    image.setImage (skinImage ("dropdown.png"));
    button->setImages (&image);

    if (blackBackground)
        button->setColour (juce::DrawableButton::backgroundColourId, juce::Colours::black);

    button->setBounds (bounds);
    addAndMakeVisible (button);
}
