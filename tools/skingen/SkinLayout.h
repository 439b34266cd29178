#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    Geometry of the default skin.

    The main dialog places its widgets at fixed pixel positions; the page
    backgrounds are drawn around those positions, so the rectangles below copy
    them and every image is sized for the place where it is drawn. The update
    dialog and the title bar take their positions from the skin description,
    so their layout is decided here.
*/
namespace SkinLayout
{
    using R = juce::Rectangle<int>;

    //==============================================================================
    // Main dialog.
    constexpr int dialogWidth  = 800;
    constexpr int dialogHeight = 553;

    constexpr int headerHeight = 46;     // the tabs' lower edge
    constexpr int sidebarWidth = 240;    // the help images' width

    const R sendTab    { 260, 13, 169, 33 };
    const R receiveTab { 429, 13, 169, 33 };

    const R eyes       { 79, 246, 83, 34 };

    // Step 1: device box, port boxes, their indicators and the buffer-delay slider.
    const R deviceBox  { 280, 111, 232, 27 };
    const R inputBox   { 280, 149, 232, 27 };
    const R outputBox  { 280, 187, 232, 27 };
    const R rowCheck   { 530, 115, 15, 15 };
    const R delaySlider { 563, 187, 180, 24 };

    // Step 2: Browse, the file field and the file row.
    const R browseButton { 268, 289, 152, 42 };
    const R fileField    { 430, 295, 327, 25 };

    // Step 3: BEGIN, progress bar, Cancel and the result row.
    const R beginButton  { 268, 429, 152, 42 };
    const R progressBar  { 430, 435, 254, 25 };
    const R cancelButton { 690, 435, 78, 30 };

    const R versionLabel { 593, 531, 200, 15 };
    const R helpColumn   { 0, 69, 240, 130 };

    // The step cards that frame the three groups above, and their headings.
    const R stepCard1 { 254, 60, 530, 168 };
    const R stepCard2 { 254, 240, 530, 124 };
    const R stepCard3 { 254, 376, 530, 130 };
    constexpr int stepHeadingInset = 14;   // heading's offset from the card's top-left
    constexpr int stepHeadingHeight = 24;

    // Help column: one row per image, 20 pixels high, from the top of the column;
    // the second group of rows (from row 3) starts after a gap with a hairline.
    constexpr int helpTop = 69;
    constexpr int helpRowHeight = 20;
    constexpr int helpSecondGroup = 3;
    constexpr int helpGroupGap = 10;
    const R helpFrame { 0, 58, 240, 154 };

    //==============================================================================
    // Button and icon sizes shared by several dialogs.
    constexpr int tabWidth = 169, tabHeight = 33;
    constexpr int largeButtonWidth = 152, largeButtonHeight = 42;
    constexpr int smallButtonWidth = 78, smallButtonHeight = 30;
    constexpr int markSize = 15;
    constexpr int dropdownWidth = 232, dropdownHeight = 27;
    constexpr int spinButtonWidth = 24, spinButtonHeight = 14;
    constexpr int dividerWidth = 320, dividerHeight = 2;
    constexpr int missingImageSize = 24;

    //==============================================================================
    // Title bar: 27 pixels high; button offsets are measured from its right edge.
    constexpr int titleBarHeight = 27;
    constexpr int titleIconSize = 18;
    constexpr int titleIconTop = 5;
    constexpr int titleButtonWidth = 34, titleButtonHeight = 27;
    constexpr int closeButtonOffset = -titleButtonWidth;
    constexpr int minimiseButtonOffset = -2 * titleButtonWidth;

    //==============================================================================
    // Update dialog: the info page with the release notes and the download page.
    constexpr int infoWidth = 480, infoHeight = 380;
    const R infoLabel        { 20, 16, 440, 20 };
    const R infoReleaseNotes { 20, 46, 440, 244 };
    const R infoButtonLabel  { 20, 300, 440, 20 };
    constexpr int infoButtonsTop = 334;

    constexpr int progressWidth = 380, progressHeight = 124;
    const R progressLabel  { 20, 16, 340, 20 };
    const R progressBarArea { 20, 44, 340, 22 };
    constexpr int progressButtonsTop = 80;
}
