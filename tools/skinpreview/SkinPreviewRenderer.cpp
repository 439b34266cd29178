#include "SkinPreviewRenderer.h"
#include "PreviewMainDialog.h"

#include "skin/DremlorLookAndFeel.h"
#include "skin/SkinManager.h"
#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"
#include "skin/VASMultiLineLabelComponent.h"
#include "skin/VASSpinControl.h"

namespace
{
    const juce::Colour dialogGrey { 0xffd3d3d3 };   // the background of the program's dialogs

    juce::Image skinImage (const juce::String& name)
    {
        return SkinManager::getImage (name.hashCode64());
    }

    // Lets the message loop run, so windows on the desktop get activated and painted.
    void settle()
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
    }

    const juce::XmlElement* updateSection()
    {
        auto* manager = SkinManager::getInstance();

        if (manager == nullptr || manager->skinXml == nullptr)
            return nullptr;

        for (auto* child : manager->skinXml->getChildIterator())
            if (child->getTagName().equalsIgnoreCase ("AutoUpdateSkin"))
                return child;

        return nullptr;
    }

    const juce::XmlElement* updateWidget (const juce::String& name)
    {
        if (auto* section = updateSection())
            for (auto* child : section->getChildWithTagNameIterator ("Widget"))
                if (child->getStringAttribute ("name") == name)
                    return child;

        return nullptr;
    }

    juce::Rectangle<int> parseBounds (const juce::String& text)
    {
        juce::StringArray parts;
        parts.addTokens (text, ",", {});
        return { parts[0].getIntValue(), parts[1].getIntValue(), parts[2].getIntValue(), parts[3].getIntValue() };
    }

    /** The main window's frame: the skinned title bar with minimise and close. */
    class PreviewWindow  : public juce::DocumentWindow
    {
    public:
        explicit PreviewWindow (juce::Component* content)
            : juce::DocumentWindow ("Vornhalt Audio Systems - Dremlor MIDI Utility", dialogGrey,
                                    juce::DocumentWindow::allButtons, true)
        {
            setTitleBarHeight (27);
            setTitleBarButtonsRequired (juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton, false);
            setTitleBarTextCentred (false);
            setUsingNativeTitleBar (false);
            setContentOwned (content, true);

            if (auto* skinned = dynamic_cast<DremlorLookAndFeel*> (&getLookAndFeel()))
                skinned->setWindowIcon (this);

            setTopLeftPosition (40, 40);
            setVisible (true);
            toFront (true);
        }

        void closeButtonPressed() override {}
    };
}

//==============================================================================
SkinPreviewRenderer::SkinPreviewRenderer (const juce::File& outputFolder)
    : folder (outputFolder)
{
}

juce::StringArray SkinPreviewRenderer::renderAll()
{
    folder.createDirectory();
    juce::StringArray failed;

    const auto render = [&] (const juce::String& name, const juce::Image& image)
    {
        if (! save (name, image))
            failed.add (name);
    };

    render ("main-send-start.png", mainWindow (true, false));
    render ("main-send-transfer.png", mainWindow (true, true));
    render ("main-receive-start.png", mainWindow (false, false));
    render ("main-receive-transfer.png", mainWindow (false, true));
    render ("buttons.png", buttonStates());
    render ("small-controls.png", smallControls());
    render ("update-info.png", updateInfoPage());
    render ("update-progress.png", updateProgressPage());
    render ("popup-menu.png", popupMenu());
    render ("alert.png", alertBox());
    return failed;
}

bool SkinPreviewRenderer::save (const juce::String& fileName, const juce::Image& image)
{
    if (! image.isValid())
        return false;

    auto file = folder.getChildFile (fileName);
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    return out.openedOk() && png.writeImageToStream (image, out);
}

//==============================================================================
juce::Image SkinPreviewRenderer::mainWindow (bool sendPage, bool underway)
{
    PreviewWindow window (new PreviewMainDialog (sendPage, underway));
    settle();
    return window.createComponentSnapshot (window.getLocalBounds());
}

juce::Image SkinPreviewRenderer::buttonStates()
{
    // Each image button in its normal, over, down and disabled looks, on the
    // dialogs' grey and on a white step card.
    const char* const sets[][4] =
    {
        { "btn-browse.png", "btn-browse-over.png", "btn-browse-down.png", "152" },
        { "btn-begin.png", "btn-begin-over.png", "btn-begin-down.png", "152" },
        { "btn-cancel.png", "btn-cancel-over.png", "btn-cancel-down.png", "78" },
        { "btn-ok.png", "btn-ok-over.png", "btn-ok-down.png", "78" },
        { "btn-ready.png", "btn-ready-over.png", "btn-ready-down.png", "78" },
        { "btn-sendsmall.png", "btn-sendsmall-over.png", "btn-sendsmall-down.png", "78" },
        { "tab-send-back.png", "tab-send-over.png", "tab-send.png", "169" },
        { "tab-receive-back.png", "tab-receive-over.png", "tab-receive.png", "169" },
        { "helptext_02.png", "helptext_02-over.png", "helptext_02-down.png", "240" },
        { "helptext_06.png", "helptext-over_06.png", "helptext-down_06.png", "240" },
    };

    juce::Component sheet;
    sheet.setSize (4 * 260 + 20, (int) std::size (sets) * 56 + 20);
    juce::OwnedArray<juce::Component> children;

    int y = 10;

    for (const auto& set : sets)
    {
        const juce::Image normal = skinImage (set[0]), over = skinImage (set[1]), down = skinImage (set[2]);
        const bool isTab = juce::String (set[0]).startsWith ("tab");

        for (int column = 0; column < 4; ++column)
        {
            // Tabs live on the dark header; everything else on a light surface.
            auto* backdrop = new juce::Label();
            children.add (backdrop);
            backdrop->setColour (juce::Label::backgroundColourId,
                                 isTab ? juce::Colour (0xff1f2933) : (column % 2 == 0 ? dialogGrey : juce::Colours::white));
            backdrop->setBounds (10 + column * 260, y - 4, 256, 52);
            sheet.addAndMakeVisible (backdrop);

            auto* button = new juce::ImageButton (set[0]);
            children.add (button);
            button->setImages (false, false, false, normal, 1.0f, {}, over, 1.0f, {}, down, 1.0f, {}, 0.0f);
            button->setBounds (18 + column * 260, y, normal.getWidth(), normal.getHeight());
            sheet.addAndMakeVisible (button);

            if (column == 1)
                button->setState (juce::Button::buttonOver);
            else if (column == 2)
                button->setState (juce::Button::buttonDown);
            else if (column == 3)
                button->setEnabled (false);
        }

        y += 56;
    }

    auto image = juce::Image (juce::Image::ARGB, sheet.getWidth(), sheet.getHeight(), true);
    {
        juce::Graphics g (image);
        g.fillAll (juce::Colour (0xff8a949e));
        sheet.paintEntireComponent (g, false);
    }
    return image;
}

juce::Image SkinPreviewRenderer::smallControls()
{
    // The pieces of the send dialog and the backup page: labels, spin controls,
    // toggles, the divider, the dropdown with its text and the check marks.
    juce::Component page;
    page.setSize (375, 420);
    juce::OwnedArray<juce::Component> children;

    const auto add = [&] (auto* c)
    {
        children.add (c);
        page.addAndMakeVisible (c);
        return c;
    };

    add (new VASLabelComponent (30, 20, 330, 15, "Component File Name Label", "\tBank-B Live Set.syx", {}, 15.0f,
                                juce::Colours::black, juce::Justification::left))
        ->setColour (juce::Label::backgroundColourId, dialogGrey.brighter());

    auto* check = add (new juce::ImageButton ("Check"));
    check->setImages (false, false, false, skinImage ("icon-check.png"), 1.0f, {}, {}, 1.0f, {}, {}, 1.0f, {});
    check->setBounds (15, 20, 15, 15);

    add (new VASMultiLineLabelComponent (17, 50, 330, 40, "Component Text Label",
                                         "You have selected an Korrina bank file.", dialogGrey, juce::Colours::black));

    auto* dropdown = add (new juce::DrawableButton ("Component Bank Select", juce::DrawableButton::ImageRaw));
    juce::DrawableImage dropdownImage;
    dropdownImage.setImage (skinImage ("dropdown.png"));
    dropdown->setImages (&dropdownImage);
    dropdown->setBounds (22, 100, 232, 27);
    add (new juce::Label ("Component Bank Select Label", "Please select a destination."))->setBounds (22, 100, 232, 27);

    auto* toggle = add (new juce::ToggleButton ("Back up the Korrina"));
    toggle->setBounds (20, 140, 300, 25);
    toggle->setToggleState (true, juce::dontSendNotification);

    auto* divider = add (new juce::ImageButton ("Backup Divider 1"));
    const auto dividerImage = skinImage ("backup-divider.png");
    divider->setImages (false, false, false, dividerImage, 1.0f, {}, dividerImage, 1.0f, {}, dividerImage, 1.0f, {});
    divider->setBounds (27, 172, 320, 2);

    add (new juce::ToggleButton ("Back up an individual Preset\t\t #"))->setBounds (20, 177, 240, 25);

    auto* inactive = add (new VASSpinControl (1, 512, "1"));
    inactive->setBounds (260, 176, 90, 27);

    auto* active = add (new VASSpinControl (1, 512, "128"));
    active->setBounds (260, 216, 90, 27);
    active->setActive (true);
    active->getIncrementButton().setState (juce::Button::buttonDown);
    add (new juce::Label ({}, "active, plus held:"))->setBounds (120, 216, 140, 27);

    auto* error = add (new juce::ImageButton ("Error"));
    error->setImages (false, false, false, skinImage ("icon-error.png"), 1.0f, {}, {}, 1.0f, {}, {}, 1.0f, {});
    error->setBounds (20, 262, 15, 15);
    add (new juce::Label ({}, "A missing image shows:"))->setBounds (40, 256, 170, 27);

    auto* missing = add (new juce::ImageButton ("Missing"));
    const auto missingImage = skinImage ("no-such-image.png");
    missing->setImages (false, false, false, missingImage, 1.0f, {}, {}, 1.0f, {}, {}, 1.0f, {});
    missing->setBounds (210, 258, 24, 24);

    add (new VASLabelComponent (20, 300, 330, 20, "Skin Font", "Skin typeface _bgp_b.stf at 14", "_bgp_b.stf", 14.0f,
                                juce::Colours::black, juce::Justification::left));
    add (new VASLabelComponent (20, 322, 330, 20, "Regular Font", "Skin typeface _bgp_r.stf at 14", "_bgp_r.stf", 14.0f,
                                juce::Colours::black, juce::Justification::left));

    add (new VASLabelComponent (0, 370, 375, 50, "Component Rectangle", {}, {}, 15.0f, juce::Colours::black,
                                juce::Justification::topLeft))
        ->setColour (juce::Label::backgroundColourId, dialogGrey.brighter());

    auto* cancel = add (new juce::ImageButton ("Cancel 2"));
    cancel->setImages (false, false, false, skinImage ("btn-cancel.png"), 1.0f, {}, skinImage ("btn-cancel-over.png"),
                       1.0f, {}, skinImage ("btn-cancel-down.png"), 1.0f, {}, 0.0f);
    cancel->setBounds (194, 380, 78, 30);

    auto* send = add (new juce::ImageButton ("Send"));
    send->setImages (false, false, false, skinImage ("btn-sendsmall.png"), 1.0f, {}, skinImage ("btn-sendsmall-over.png"),
                     1.0f, {}, skinImage ("btn-sendsmall-down.png"), 1.0f, {}, 0.0f);
    send->setBounds (110, 380, 78, 30);

    auto image = juce::Image (juce::Image::ARGB, page.getWidth(), page.getHeight(), true);
    {
        juce::Graphics g (image);
        g.fillAll (dialogGrey);
        page.paintEntireComponent (g, false);
    }
    return image;
}

//==============================================================================
juce::Image SkinPreviewRenderer::updateInfoPage()
{
    const auto* section = updateSection();

    if (section == nullptr)
        return {};

    juce::Component page;
    page.setSize (section->getIntAttribute ("infoWidth"), section->getIntAttribute ("infoHeight"));

    auto info = SkinManager::createLabel (updateWidget ("infoLabel"), "infoLabel");
    auto question = SkinManager::createLabel (updateWidget ("infoButtonLabel"), "infoButtonLabel");
    auto ok = SkinManager::createButton (updateWidget ("infoOkayButton"), "infoOkayButton");
    auto cancel = SkinManager::createButton (updateWidget ("infoCancelButton"), "infoCancelButton");
    juce::TextEditor notes;

    if (info == nullptr || question == nullptr || ok == nullptr || cancel == nullptr)
        return {};

    info->setText ("Version 2.1.0 is available. You have version 2.0.2 installed.", juce::dontSendNotification);
    question->setText ("Click OK to download and install the update.", juce::dontSendNotification);

    if (const auto* w = updateWidget ("infoReleaseNotes"))
        notes.setBounds (w->getIntAttribute ("positionX"), w->getIntAttribute ("positionY"),
                         w->getIntAttribute ("width"), w->getIntAttribute ("height"));

    notes.setColour (juce::TextEditor::outlineColourId, juce::Colours::black);
    notes.setScrollbarsShown (true);
    notes.setIndents (0, 0);
    notes.setBorder ({});
    notes.setReadOnly (true);
    notes.setMultiLine (true);
    notes.setText ("Dremlor 2.1.0\n\n- Faster bank transfers to the Korrina Grand.\n"
                   "- Backups of all user cabs keep their names.\n- Fixes for Stompra Neo dumps.");

    for (juce::Component* c : { (juce::Component*) info.get(), (juce::Component*) question.get(),
                                (juce::Component*) ok.get(), (juce::Component*) cancel.get(),
                                (juce::Component*) &notes })
        page.addAndMakeVisible (c);

    ok->setState (juce::Button::buttonOver);

    auto image = juce::Image (juce::Image::ARGB, page.getWidth(), page.getHeight(), true);
    {
        juce::Graphics g (image);
        g.fillAll (dialogGrey);
        page.paintEntireComponent (g, false);
    }
    return image;
}

juce::Image SkinPreviewRenderer::updateProgressPage()
{
    const auto* section = updateSection();

    if (section == nullptr)
        return {};

    juce::Component page;
    page.setSize (section->getIntAttribute ("progressWidth"), section->getIntAttribute ("progressHeight"));

    auto label = SkinManager::createLabel (updateWidget ("progressDownloadLabel"), "progressDownloadLabel");
    auto cancel = SkinManager::createButton (updateWidget ("progressCancelButton"), "progressCancelButton");
    double progress = 0.43;
    juce::ProgressBar bar (progress);

    if (label == nullptr || cancel == nullptr)
        return {};

    label->setText ("Downloading update...", juce::dontSendNotification);

    if (const auto* w = updateWidget ("progressBar"))
    {
        bar.setColour (juce::ProgressBar::foregroundColourId,
                       juce::Colour ((juce::uint32) w->getStringAttribute ("foregroundColor").getHexValue64()));
        bar.setColour (juce::ProgressBar::backgroundColourId,
                       juce::Colour ((juce::uint32) w->getStringAttribute ("backgroundColor").getHexValue64()));
        bar.setBounds (parseBounds (w->getStringAttribute ("bounds")));
    }

    page.addAndMakeVisible (label.get());
    page.addAndMakeVisible (bar);
    page.addAndMakeVisible (cancel.get());

    // The bar follows its value from a timer; give it a moment to catch up.
    settle();

    auto image = juce::Image (juce::Image::ARGB, page.getWidth(), page.getHeight(), true);
    {
        juce::Graphics g (image);
        g.fillAll (dialogGrey);
        page.paintEntireComponent (g, false);
    }
    return image;
}

//==============================================================================
juce::Image SkinPreviewRenderer::popupMenu()
{
    // The device menu, drawn item by item with the look-and-feel, with the
    // pointer over one item and another ticked.
    auto& lf = juce::LookAndFeel::getDefaultLookAndFeel();
    const juce::StringArray items { "Korrina", "Korrina Grand", "Stompra Classic", "Stompra Neo", {}, "Boot ROM" };

    const int width = 232, itemHeight = 24, separatorHeight = 8;
    int height = 8;

    for (const auto& item : items)
        height += item.isEmpty() ? separatorHeight : itemHeight;

    auto image = juce::Image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    lf.drawPopupMenuBackground (g, width, height);

    int y = 4;

    for (int i = 0; i < items.size(); ++i)
    {
        const bool separator = items[i].isEmpty();
        const juce::Rectangle<int> area (0, y, width, separator ? separatorHeight : itemHeight);
        lf.drawPopupMenuItem (g, area, separator, true, i == 1, i == 0, false, items[i], {}, nullptr, nullptr);
        y += area.getHeight();
    }

    return image;
}

juce::Image SkinPreviewRenderer::alertBox()
{
    juce::AlertWindow alert ("Dremlor", "Transfer complete!  The bank has been sent to the Korrina.",
                             juce::MessageBoxIconType::InfoIcon);
    alert.addButton ("OK", 1);
    alert.setVisible (true);
    settle();
    return alert.createComponentSnapshot (alert.getLocalBounds());
}
