#include "SkinDescription.h"
#include "SkinLayout.h"
#include "SkinNames.h"
#include "SkinPalette.h"

namespace
{
    juce::String argb (juce::Colour colour)
    {
        return colour.toDisplayString (true);
    }

    juce::String rectangleText (juce::Rectangle<int> r)
    {
        return juce::String (r.getX()) + "," + juce::String (r.getY()) + ","
             + juce::String (r.getWidth()) + "," + juce::String (r.getHeight());
    }

    juce::XmlElement* addWidget (juce::XmlElement& section, const juce::String& name)
    {
        auto* widget = section.createNewChildElement ("Widget");
        widget->setAttribute ("name", name);
        return widget;
    }

    void setButtonImages (juce::XmlElement& widget, const SkinNames::ButtonImages& images)
    {
        widget.setAttribute ("upImage", images.up);
        widget.setAttribute ("overImage", images.over);
        widget.setAttribute ("downImage", images.down);
    }

    void setLabel (juce::XmlElement& widget, juce::Rectangle<int> bounds, const juce::String& font,
                   float fontSize, juce::Colour colour, int justification)
    {
        widget.setAttribute ("font", font);
        widget.setAttribute ("fontSize", fontSize);
        widget.setAttribute ("fontColor", argb (colour));
        widget.setAttribute ("positionX", bounds.getX());
        widget.setAttribute ("positionY", bounds.getY());
        widget.setAttribute ("width", bounds.getWidth());
        widget.setAttribute ("height", bounds.getHeight());
        widget.setAttribute ("textJustify", justification);
    }

    constexpr int justifyCentredLeft = 33;

    //==============================================================================
    void addPopupMenu (juce::XmlElement& root)
    {
        namespace P = SkinPalette;
        auto* section = root.createNewChildElement ("PopupMenuSkin");
        section->setAttribute ("menuBackgroundColor", argb (P::menuBackground));
        section->setAttribute ("menuBorderColor", argb (P::menuBorder));
        section->setAttribute ("fontHeaderColor", argb (P::menuHeader));
        section->setAttribute ("fontColor", argb (P::menuText));
        section->setAttribute ("itemHighlightedColor", argb (P::menuHighlight));
        section->setAttribute ("fontHighlightedColor", argb (P::menuHighlightText));
        section->setAttribute ("fontSize", 14);
        section->setAttribute ("font", SkinNames::regularFont);
    }

    void addMenuBar (juce::XmlElement& root)
    {
        namespace P = SkinPalette;
        auto* section = root.createNewChildElement ("MenuBarSkin");
        section->setAttribute ("topLevelTextColor", argb (P::menuBarText));
        section->setAttribute ("topLevelTextColorSelected", argb (P::menuBarTextSelected));
        section->setAttribute ("fontSize", 14);
        section->setAttribute ("font", SkinNames::regularFont);
    }

    void addAlertWindow (juce::XmlElement& root)
    {
        namespace P = SkinPalette;
        auto* section = root.createNewChildElement ("AlertWindowSkin");
        section->setAttribute ("backgroundColor", argb (P::alertBackground));
        section->setAttribute ("fontColor", argb (P::alertText));
        section->setAttribute ("borderColor", argb (P::alertBorder));
        section->setAttribute ("fontSize", 17);
        section->setAttribute ("font", SkinNames::boldFont);
        section->setAttribute ("msgFontSize", 14);
        section->setAttribute ("msgFont", SkinNames::regularFont);
    }

    void addTitlebar (juce::XmlElement& root)
    {
        namespace P = SkinPalette;
        using namespace SkinLayout;
        auto* section = root.createNewChildElement ("TitlebarSkin");
        section->setAttribute ("gradientTop", argb (P::titleTop));
        section->setAttribute ("gradientBtm", argb (P::titleBottom));
        section->setAttribute ("height", titleBarHeight);

        auto* icon = addWidget (*section, "vornhaltIcon");
        icon->setAttribute ("icon", SkinNames::titleIcon);
        icon->setAttribute ("positionY", titleIconTop);
        icon->setAttribute ("font", SkinNames::boldFont);
        icon->setAttribute ("fontSize", 13);
        icon->setAttribute ("fontColorActive", argb (P::titleActive));
        icon->setAttribute ("fontColorInactive", argb (P::titleInactive));

        auto* close = addWidget (*section, "closeButton");
        setButtonImages (*close, SkinNames::titleClose);
        close->setAttribute ("toolTip", "Close");
        close->setAttribute ("positionX", closeButtonOffset);
        close->setAttribute ("positionY", 0);

        auto* minimise = addWidget (*section, "minimizeButton");
        setButtonImages (*minimise, SkinNames::titleMinimise);
        minimise->setAttribute ("toolTip", "Minimise");
        minimise->setAttribute ("positionX", minimiseButtonOffset);
        minimise->setAttribute ("positionY", 0);
    }

    void addAutoUpdate (juce::XmlElement& root)
    {
        namespace P = SkinPalette;
        using namespace SkinLayout;
        auto* section = root.createNewChildElement ("AutoUpdateSkin");
        section->setAttribute ("progressWidth", progressWidth);
        section->setAttribute ("progressHeight", progressHeight);
        section->setAttribute ("infoWidth", infoWidth);
        section->setAttribute ("infoHeight", infoHeight);

        // Download page: a line of text, the bar and a centred Cancel button.
        setLabel (*addWidget (*section, "progressDownloadLabel"), progressLabel,
                  SkinNames::boldFont, 13.0f, P::text, justifyCentredLeft);

        auto* bar = addWidget (*section, "progressBar");
        bar->setAttribute ("foregroundColor", argb (P::progressFill));
        bar->setAttribute ("backgroundColor", argb (P::progressTrack));
        bar->setAttribute ("bounds", rectangleText (progressBarArea));

        auto* cancelDownload = addWidget (*section, "progressCancelButton");
        setButtonImages (*cancelDownload, SkinNames::cancelButton);
        cancelDownload->setAttribute ("toolTip", "Stop the download");
        cancelDownload->setAttribute ("positionX", (progressWidth - smallButtonWidth) / 2);
        cancelDownload->setAttribute ("positionY", progressButtonsTop);

        // Info page: the announcement, the release notes, the question and OK / Cancel at the right.
        setLabel (*addWidget (*section, "infoLabel"), infoLabel,
                  SkinNames::boldFont, 13.0f, P::text, justifyCentredLeft);

        auto* notes = addWidget (*section, "infoReleaseNotes");
        notes->setAttribute ("positionX", infoReleaseNotes.getX());
        notes->setAttribute ("positionY", infoReleaseNotes.getY());
        notes->setAttribute ("width", infoReleaseNotes.getWidth());
        notes->setAttribute ("height", infoReleaseNotes.getHeight());

        setLabel (*addWidget (*section, "infoButtonLabel"), infoButtonLabel,
                  SkinNames::regularFont, 13.0f, P::textMuted, justifyCentredLeft);

        const int cancelX = infoWidth - 20 - smallButtonWidth;
        const int okX = cancelX - 8 - smallButtonWidth;

        auto* ok = addWidget (*section, "infoOkayButton");
        setButtonImages (*ok, SkinNames::okButton);
        ok->setAttribute ("toolTip", "Download and install the update");
        ok->setAttribute ("positionX", okX);
        ok->setAttribute ("positionY", infoButtonsTop);

        auto* cancel = addWidget (*section, "infoCancelButton");
        setButtonImages (*cancel, SkinNames::cancelButton);
        cancel->setAttribute ("toolTip", "Keep the installed version");
        cancel->setAttribute ("positionX", cancelX);
        cancel->setAttribute ("positionY", infoButtonsTop);
    }
}

//==============================================================================
std::unique_ptr<juce::XmlElement> SkinDescription::create (const juce::String& archiveFileName)
{
    auto root = std::make_unique<juce::XmlElement> ("SKIN");
    root->setAttribute ("name", "Dremlor Default");
    root->setAttribute ("skin", archiveFileName);
    root->setAttribute ("version", "1.0");
    root->setAttribute ("skinEngineVersion", "2.0");

    addPopupMenu (*root);
    addMenuBar (*root);
    addAlertWindow (*root);
    addTitlebar (*root);
    addAutoUpdate (*root);
    return root;
}

