#include "SkinGenerator.h"
#include "SkinArtist.h"
#include "SkinDescription.h"
#include "SkinLayout.h"
#include "SkinNames.h"

namespace
{
    // A fixed time stamp for every archive entry keeps rebuilt archives identical.
    const juce::Time entryTime (2026, 0, 1, 0, 0, 0, 0, false);

    struct HelpRow
    {
        const char* text;
        bool link;
        int row;            // rows of 20 pixels from the top of the help column
        const char* up;
        const char* over;
        const char* down;
    };

    // The over and down names of the Support row differ in form from the others;
    // the program asks for exactly these names.
    const HelpRow helpRows[] =
    {
        { "Help",            false, 0, "helptext_01.png", nullptr, nullptr },
        { "Documentation",   true,  1, "helptext_02.png", "helptext_02-over.png", "helptext_02-down.png" },
        { "Video tutorials", true,  2, "helptext_03.png", "helptext_03-over.png", "helptext_03-down.png" },
        { "More help",       false, 3, "helptext_05.png", nullptr, nullptr },
        { "Support",         true,  4, "helptext_06.png", "helptext-over_06.png", "helptext-down_06.png" },
        { "User forum",      true,  5, "helptext_07.png", "helptext_07-over.png", "helptext_07-down.png" },
    };

    int helpRowTop (int row)
    {
        using namespace SkinLayout;
        return helpTop + row * helpRowHeight + (row >= helpSecondGroup ? helpGroupGap : 0);
    }
}

//==============================================================================
SkinGenerator::SkinGenerator (const juce::File& assets, const juce::File& fontFolder)
    : assetFolder (assets), fonts (fontFolder)
{
}

bool SkinGenerator::generate (const juce::File& outputFolder)
{
    entries.clear();
    error.clear();

    if (! fonts.isValid())
        return fail (fonts.getError());

    if (! checkLayout() || ! drawImages())
        return false;

    addTypefaces();

    if (! outputFolder.createDirectory())
        return fail ("Cannot create the folder " + outputFolder.getFullPathName());

    return writeArchive (outputFolder.getChildFile (archiveFileName))
        && writeDescription (outputFolder.getChildFile (descriptionFileName));
}

//==============================================================================
bool SkinGenerator::checkLayout()
{
    // The backgrounds are drawn around the dialog's fixed widget places; an edit of
    // the layout that puts a widget outside its step card, or cards over each other
    // or over the header and help column, would show as a broken page.
    using namespace SkinLayout;
    using R = juce::Rectangle<int>;

    const struct { const char* what; R card; std::initializer_list<R> widgets; } steps[] =
    {
        { "step 1", stepCard1, { deviceBox, inputBox, outputBox, rowCheck, delaySlider } },
        { "step 2", stepCard2, { browseButton, fileField } },
        { "step 3", stepCard3, { beginButton, progressBar, cancelButton } },
    };

    const R workArea (sidebarWidth, headerHeight, dialogWidth - sidebarWidth, dialogHeight - headerHeight);

    for (const auto& step : steps)
    {
        if (! workArea.contains (step.card))
            return fail (juce::String (step.what) + " card leaves the working area");

        const int headingBottom = step.card.getY() + stepHeadingInset + stepHeadingHeight;

        for (const auto& widget : step.widgets)
            if (! step.card.contains (widget) || widget.getY() < headingBottom)
                return fail (juce::String (step.what) + " card does not hold the widget at "
                             + widget.toString() + " below its heading");
    }

    if (stepCard1.intersects (stepCard2) || stepCard2.intersects (stepCard3))
        return fail ("step cards overlap");

    if (! helpFrame.contains (helpColumn) || helpRowTop (5) + helpRowHeight != helpColumn.getBottom()
        || sendTab.getBottom() != headerHeight || receiveTab.getBottom() != headerHeight
        || versionLabel.getY() < stepCard3.getBottom())
        return fail ("the help column, tabs or version label do not fit the page layout");

    return true;
}

bool SkinGenerator::drawImages()
{
    using Artist = SkinArtist;
    using State = Artist::State;
    using namespace SkinLayout;
    const Artist artist (fonts, assetFolder);

    const auto sendBackground = artist.pageBackground (Artist::Page::send);
    const auto receiveBackground = artist.pageBackground (Artist::Page::receive);

    bool ok = addImage ("bg-body-send.png", sendBackground)
           && addImage ("bg-body-receive.png", receiveBackground);

    ok = ok && addImage ("tab-send.png", artist.tab (Artist::Page::send, Artist::TabLook::current))
            && addImage ("tab-send-back.png", artist.tab (Artist::Page::send, Artist::TabLook::back))
            && addImage ("tab-send-over.png", artist.tab (Artist::Page::send, Artist::TabLook::over))
            && addImage ("tab-receive.png", artist.tab (Artist::Page::receive, Artist::TabLook::current))
            && addImage ("tab-receive-back.png", artist.tab (Artist::Page::receive, Artist::TabLook::back))
            && addImage ("tab-receive-over.png", artist.tab (Artist::Page::receive, Artist::TabLook::over));

    struct ButtonSet
    {
        const char* up;
        const char* over;
        const char* down;
        int width, height;
        const char* text;
        Artist::Emphasis emphasis;
        Artist::Symbol symbol;
    };

    const ButtonSet buttons[] =
    {
        { "btn-browse.png", "btn-browse-over.png", "btn-browse-down.png", largeButtonWidth, largeButtonHeight,
          "BROWSE", Artist::Emphasis::secondary, Artist::Symbol::folder },
        { "btn-begin.png", "btn-begin-over.png", "btn-begin-down.png", largeButtonWidth, largeButtonHeight,
          "BEGIN", Artist::Emphasis::primary, Artist::Symbol::start },
        { SkinNames::cancelButton.up, SkinNames::cancelButton.over, SkinNames::cancelButton.down,
          smallButtonWidth, smallButtonHeight, "CANCEL", Artist::Emphasis::secondary, Artist::Symbol::none },
        { SkinNames::okButton.up, SkinNames::okButton.over, SkinNames::okButton.down,
          smallButtonWidth, smallButtonHeight, "OK", Artist::Emphasis::primary, Artist::Symbol::none },
        { "btn-ready.png", "btn-ready-over.png", "btn-ready-down.png", smallButtonWidth, smallButtonHeight,
          "READY", Artist::Emphasis::primary, Artist::Symbol::none },
        { "btn-sendsmall.png", "btn-sendsmall-over.png", "btn-sendsmall-down.png", smallButtonWidth, smallButtonHeight,
          "SEND", Artist::Emphasis::primary, Artist::Symbol::none },
    };

    for (const auto& b : buttons)
        ok = ok && addImage (b.up, artist.button (b.width, b.height, b.text, b.emphasis, State::normal, b.symbol))
                && addImage (b.over, artist.button (b.width, b.height, b.text, b.emphasis, State::over, b.symbol))
                && addImage (b.down, artist.button (b.width, b.height, b.text, b.emphasis, State::down, b.symbol));

    // The help column is the same on both pages, so its rows are cut from the send page.
    for (const auto& row : helpRows)
    {
        const int top = helpRowTop (row.row);
        ok = ok && addImage (row.up, artist.helpRow (sendBackground, top, row.text, row.link, State::normal));

        if (row.over != nullptr)
            ok = ok && addImage (row.over, artist.helpRow (sendBackground, top, row.text, row.link, State::over))
                    && addImage (row.down, artist.helpRow (sendBackground, top, row.text, row.link, State::down));
    }

    ok = ok && addImage ("zindle-eyes-off.png", artist.eyesOff (sendBackground))
            && addImage ("dropdown.png", artist.dropdown())
            && addImage ("icon-check.png", artist.drawing ("icon-check.svg", markSize, markSize))
            && addImage ("icon-error.png", artist.drawing ("icon-error.svg", markSize, markSize))
            && addImage ("backup-divider.png", artist.divider())
            && addImage ("plus.png", artist.spinButton (true, false))
            && addImage ("plus-down.png", artist.spinButton (true, true))
            && addImage ("minus.png", artist.spinButton (false, false))
            && addImage ("minus-down.png", artist.spinButton (false, true))
            && addImage ("missing_image_release.png", artist.missingImage())
            && addImage (SkinNames::titleIcon, artist.drawing ("app-icon.svg", titleIconSize, titleIconSize))
            && addImage (SkinNames::titleClose.up, artist.titleButton (true, State::normal))
            && addImage (SkinNames::titleClose.over, artist.titleButton (true, State::over))
            && addImage (SkinNames::titleClose.down, artist.titleButton (true, State::down))
            && addImage (SkinNames::titleMinimise.up, artist.titleButton (false, State::normal))
            && addImage (SkinNames::titleMinimise.over, artist.titleButton (false, State::over))
            && addImage (SkinNames::titleMinimise.down, artist.titleButton (false, State::down));

    return ok;
}

bool SkinGenerator::addImage (const juce::String& name, const juce::Image& image)
{
    if (! image.isValid())
        return fail ("Cannot draw " + name);

    Entry entry { name, {} };
    juce::MemoryOutputStream out (entry.data, false);
    juce::PNGImageFormat png;

    if (! png.writeImageToStream (image, out))
        return fail ("Cannot encode " + name);

    out.flush();
    entries.push_back (std::move (entry));
    return true;
}

void SkinGenerator::addTypefaces()
{
    entries.push_back ({ SkinNames::boldFont, fonts.serialise ("_bgp_b", true) });
    entries.push_back ({ SkinNames::regularFont, fonts.serialise ("_bgp_r", false) });
    entries.push_back ({ SkinNames::missingFont, fonts.serialise ("_missing_font", false) });
}

//==============================================================================
bool SkinGenerator::writeArchive (const juce::File& file)
{
    juce::ZipFile::Builder builder;

    // PNG data and serialised typefaces are compressed already; storing them saves time.
    for (const auto& entry : entries)
        builder.addEntry (new juce::MemoryInputStream (entry.data, false), 0, entry.name, entryTime);

    juce::TemporaryFile temporary (file);

    {
        juce::FileOutputStream out (temporary.getFile());

        if (! out.openedOk() || ! builder.writeToStream (out, nullptr))
            return fail ("Cannot write " + file.getFullPathName());
    }

    if (! temporary.overwriteTargetFileWithTemporary())
        return fail ("Cannot replace " + file.getFullPathName());

    return true;
}

bool SkinGenerator::writeDescription (const juce::File& file)
{
    const auto description = SkinDescription::create (archiveFileName);

    if (! description->writeTo (file))
        return fail ("Cannot write " + file.getFullPathName());

    return true;
}

bool SkinGenerator::fail (const juce::String& message)
{
    if (error.isEmpty())
        error = message;

    return false;
}
