#include "SkinArtist.h"
#include "SkinLayout.h"
#include "SkinPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    using juce::Colour;
    using juce::Graphics;
    using juce::Image;
    using juce::Justification;
    using juce::Path;
    using juce::Rectangle;

    // Software images, so the generator needs no display.
    Image newImage (int width, int height)
    {
        return Image (Image::ARGB, width, height, true, juce::SoftwareImageType());
    }

    Image copyOf (const Image& source, Rectangle<int> area)
    {
        auto copy = newImage (area.getWidth(), area.getHeight());
        Graphics g (copy);
        g.drawImageAt (source, -area.getX(), -area.getY());
        return copy;
    }

    void fillVertical (Graphics& g, const Path& shape, Colour top, Colour bottom,
                       float y0, float y1)
    {
        g.setGradientFill (juce::ColourGradient (top, 0.0f, y0, bottom, 0.0f, y1, false));
        g.fillPath (shape);
    }

    // A folder outline, fitted into area.
    Path folderSymbol (Rectangle<float> area)
    {
        Path p;
        p.startNewSubPath (0.0f, 2.0f);
        p.lineTo (5.0f, 2.0f);
        p.lineTo (6.5f, 3.5f);
        p.lineTo (14.0f, 3.5f);
        p.lineTo (14.0f, 12.0f);
        p.lineTo (0.0f, 12.0f);
        p.closeSubPath();
        p.scaleToFit (area.getX(), area.getY(), area.getWidth(), area.getHeight(), true);
        return p;
    }

    // A right-pointing triangle, fitted into area.
    Path startSymbol (Rectangle<float> area)
    {
        Path p;
        p.addTriangle (0.0f, 0.0f, 10.0f, 6.0f, 0.0f, 12.0f);
        p.scaleToFit (area.getX(), area.getY(), area.getWidth(), area.getHeight(), true);
        return p;
    }

    // A tray with an arrow leaving it (upwards) or entering it (downwards).
    Path transferSymbol (bool outgoing)
    {
        Path p;
        p.startNewSubPath (1.0f, 8.0f);
        p.lineTo (1.0f, 13.0f);
        p.lineTo (13.0f, 13.0f);
        p.lineTo (13.0f, 8.0f);

        p.startNewSubPath (7.0f, 1.0f);
        p.lineTo (7.0f, 9.5f);

        if (outgoing)
        {
            p.startNewSubPath (3.5f, 4.5f);
            p.lineTo (7.0f, 1.0f);
            p.lineTo (10.5f, 4.5f);
        }
        else
        {
            p.startNewSubPath (3.5f, 6.0f);
            p.lineTo (7.0f, 9.5f);
            p.lineTo (10.5f, 6.0f);
        }
        return p;
    }

    const juce::PathStrokeType symbolStroke (1.6f, juce::PathStrokeType::curved,
                                             juce::PathStrokeType::rounded);
}

//==============================================================================
SkinArtist::SkinArtist (const SkinFonts& fontsToUse, const juce::File& assets)
    : fonts (fontsToUse), assetFolder (assets)
{
}

//==============================================================================
juce::Image SkinArtist::pageBackground (Page page) const
{
    using namespace SkinLayout;
    namespace P = SkinPalette;

    auto image = newImage (dialogWidth, dialogHeight);
    Graphics g (image);
    g.fillAll (P::page);

    // Header band with the program's name; a dark line parts it from the title bar
    // above, and the current tab covers its lower edge.
    g.setGradientFill (juce::ColourGradient (P::headerTop, 0.0f, 0.0f,
                                             P::headerBottom, 0.0f, (float) headerHeight, false));
    g.fillRect (0, 0, dialogWidth, headerHeight);
    g.setColour (juce::Colours::black.withAlpha (0.35f));
    g.fillRect (0, headerHeight - 1, dialogWidth, 1);
    g.fillRect (0, 0, dialogWidth, 1);

    paintDrawing (g, "app-icon.svg", { 18.0f, 9.0f, 28.0f, 28.0f });
    g.setColour (P::headerText);
    g.setFont (fonts.getFont (21.0f, true));
    g.drawText ("Dremlor", 56, 6, 170, 24, Justification::centredLeft, false);
    g.setColour (P::headerSubtle);
    g.setFont (fonts.getFont (9.5f, true).withExtraKerningFactor (0.18f));
    g.drawText ("MIDI UTILITY", 57, 29, 170, 12, Justification::centredLeft, false);

    g.setFont (fonts.getFont (11.0f, false));
    g.drawText ("Vornhalt Audio Systems", 600, 17, 184, 16, Justification::centredRight, false);

    // Help column: a strip along the left edge with the help links framed in a card.
    g.setColour (P::sidebar);
    g.fillRect (0, headerHeight, sidebarWidth, dialogHeight - headerHeight);
    g.setColour (P::sidebarEdge);
    g.fillRect (sidebarWidth - 1, headerHeight, 1, dialogHeight - headerHeight);

    const auto frame = helpFrame.toFloat().withTrimmedLeft (8.0f).withTrimmedRight (8.0f).reduced (0.5f);
    g.setColour (P::cardShadow);
    g.fillRoundedRectangle (frame.translated (0.0f, 1.0f), 7.0f);
    g.setColour (P::card);
    g.fillRoundedRectangle (frame, 7.0f);
    g.setColour (P::cardEdge);
    g.drawRoundedRectangle (frame, 7.0f, 1.0f);

    // The gap between the two groups of help rows carries a hairline.
    g.setColour (P::cardEdge);
    g.fillRect (22, helpTop + helpSecondGroup * helpRowHeight + helpGroupGap / 2, sidebarWidth - 44, 1);

    paintMascot (g, true);

    g.setColour (P::text);
    g.setFont (fonts.getFont (15.0f, true));
    g.drawText ("Dremlor", 0, 306, sidebarWidth, 20, Justification::centred, false);
    g.setColour (P::textMuted);
    g.setFont (fonts.getFont (11.0f, false));
    g.drawText ("Presets, banks, cabs and firmware", 0, 326, sidebarWidth, 15, Justification::centred, false);
    g.drawText ("for Korrina and Stompra", 0, 341, sidebarWidth, 15, Justification::centred, false);

    // The three steps of the page.
    const bool send = page == Page::send;
    paintStepCard (g, stepCard1, 1, "Choose device and ports");
    paintStepCard (g, stepCard2, 2, send ? "Choose a file" : "Choose a backup folder");
    paintStepCard (g, stepCard3, 3, send ? "Transmit" : "Begin the backup");

    return image;
}

void SkinArtist::paintStepCard (juce::Graphics& g, juce::Rectangle<int> cardArea, int number,
                                const juce::String& heading) const
{
    namespace P = SkinPalette;
    const auto card = cardArea.toFloat().reduced (0.5f);

    g.setColour (P::cardShadow);
    g.fillRoundedRectangle (card.translated (0.0f, 1.5f), 8.0f);
    g.setColour (P::card);
    g.fillRoundedRectangle (card, 8.0f);
    g.setColour (P::cardEdge);
    g.drawRoundedRectangle (card, 8.0f, 1.0f);

    const auto inset = SkinLayout::stepHeadingInset;
    const auto size = SkinLayout::stepHeadingHeight;
    const juce::Rectangle<float> badge ((float) (cardArea.getX() + inset), (float) (cardArea.getY() + inset),
                                        (float) size, (float) size);
    g.setGradientFill (juce::ColourGradient (P::accentLight, 0.0f, badge.getY(),
                                             P::accent, 0.0f, badge.getBottom(), false));
    g.fillEllipse (badge);
    g.setColour (P::textOnAccent);
    g.setFont (fonts.getFont (13.0f, true));
    g.drawText (juce::String (number), badge, Justification::centred, false);

    g.setColour (P::text);
    g.setFont (fonts.getFont (15.0f, true));
    g.drawText (heading, (int) badge.getRight() + 10, (int) badge.getY(), cardArea.getWidth() - 60, size,
                Justification::centredLeft, false);

    // A hairline under the heading separates it from the controls of the step.
    g.setColour (P::cardEdge.withAlpha (0.6f));
    g.fillRect (cardArea.getX() + inset, cardArea.getY() + inset + size + 8, cardArea.getWidth() - 2 * inset, 1);
}

void SkinArtist::paintMascot (juce::Graphics& g, bool eyesLit) const
{
    namespace P = SkinPalette;
    const auto eyes = SkinLayout::eyes.toFloat();

    // A small unit with two display windows for eyes, centred on the eyes' place.
    const juce::Rectangle<float> body (eyes.getX() - 13.0f, eyes.getY() - 16.0f,
                                       eyes.getWidth() + 26.0f, eyes.getHeight() + 34.0f);
    g.setColour (juce::Colours::black.withAlpha (0.12f));
    g.fillRoundedRectangle (body.translated (0.0f, 2.0f), 16.0f);
    g.setGradientFill (juce::ColourGradient (P::headerTop.brighter (0.15f), 0.0f, body.getY(),
                                             P::headerBottom, 0.0f, body.getBottom(), false));
    g.fillRoundedRectangle (body, 16.0f);

    // Two knobs on top and a speaker grille under the eyes.
    g.setColour (P::headerTop.brighter (0.3f));
    g.fillRoundedRectangle (body.getX() + 22.0f, body.getY() - 5.0f, 14.0f, 7.0f, 3.0f);
    g.fillRoundedRectangle (body.getRight() - 36.0f, body.getY() - 5.0f, 14.0f, 7.0f, 3.0f);

    g.setColour (P::headerSubtle.withAlpha (0.6f));
    for (int i = 0; i < 4; ++i)
        g.fillRoundedRectangle (eyes.getCentreX() - 15.0f + (float) i * 9.0f, eyes.getBottom() + 7.0f,
                                4.0f, 4.0f, 2.0f);

    const float eyeWidth = 31.0f, eyeHeight = 22.0f;
    const float gap = eyes.getWidth() - 2.0f * eyeWidth - 8.0f;

    for (int side = 0; side < 2; ++side)
    {
        const juce::Rectangle<float> eye (eyes.getX() + 4.0f + (float) side * (eyeWidth + gap),
                                          eyes.getCentreY() - eyeHeight * 0.5f, eyeWidth, eyeHeight);

        g.setColour (juce::Colour (0xff0f151b));
        g.fillRoundedRectangle (eye, 7.0f);

        if (eyesLit)
        {
            g.setGradientFill (juce::ColourGradient (P::accentLight.brighter (0.5f), eye.getCentreX(), eye.getCentreY() - 2.0f,
                                                     P::accent, eye.getCentreX(), eye.getBottom() + 6.0f, true));
            g.fillRoundedRectangle (eye.reduced (3.0f), 5.0f);
            g.setColour (juce::Colours::white.withAlpha (0.75f));
            g.fillEllipse (eye.getX() + 8.0f, eye.getY() + 6.0f, 5.0f, 5.0f);
        }
        else
        {
            // A dark window with a closed lid.
            g.setColour (juce::Colour (0xff233039));
            g.fillRoundedRectangle (eye.reduced (3.0f), 5.0f);
            g.setColour (P::headerSubtle.withAlpha (0.7f));
            Path lid;
            lid.startNewSubPath (eye.getX() + 8.0f, eye.getCentreY());
            lid.quadraticTo (eye.getCentreX(), eye.getCentreY() + 5.0f, eye.getRight() - 8.0f, eye.getCentreY());
            g.strokePath (lid, symbolStroke);
        }
    }
}

void SkinArtist::paintDrawing (juce::Graphics& g, const juce::String& assetName,
                               juce::Rectangle<float> area) const
{
    if (auto xml = juce::parseXML (assetFolder.getChildFile (assetName)))
        if (auto drawable = juce::Drawable::createFromSVG (*xml))
            drawable->drawWithin (g, area, juce::RectanglePlacement::centred, 1.0f);
}

//==============================================================================
juce::Image SkinArtist::tab (Page page, TabLook look) const
{
    namespace P = SkinPalette;
    using namespace SkinLayout;

    auto image = newImage (tabWidth, tabHeight);
    Graphics g (image);

    const bool current = look == TabLook::current;
    const float top = current ? 0.5f : 4.5f;
    const juce::Rectangle<float> shape (1.5f, top, (float) tabWidth - 3.0f, (float) tabHeight - top + 8.0f);

    Path outline;
    outline.addRoundedRectangle (shape.getX(), shape.getY(), shape.getWidth(), shape.getHeight(),
                                 6.0f, 6.0f, true, true, false, false);

    Colour textColour;

    if (current)
    {
        // The current tab is cut from the page colour so that it runs into the page below.
        g.setColour (P::page);
        g.fillPath (outline);

        g.saveState();
        g.reduceClipRegion (outline);
        g.setColour (P::accent);
        g.fillRect (0, 0, tabWidth, 3);
        g.restoreState();
        textColour = P::accentDark;
    }
    else
    {
        const bool over = look == TabLook::over;
        g.setColour (juce::Colours::white.withAlpha (over ? 0.16f : 0.07f));
        g.fillPath (outline);
        g.setColour (juce::Colours::white.withAlpha (over ? 0.22f : 0.10f));
        g.strokePath (outline, juce::PathStrokeType (1.0f));
        textColour = over ? P::headerText : P::headerSubtle.brighter (0.15f);
    }

    const auto text = page == Page::send ? juce::String ("SEND") : juce::String ("RECEIVE");
    const auto font = fonts.getFont (13.0f, true).withExtraKerningFactor (0.08f);
    const float textWidth = font.getStringWidthFloat (text);
    const float symbolSize = 14.0f, spacing = 8.0f;
    const float left = ((float) tabWidth - (symbolSize + spacing + textWidth)) * 0.5f;
    const float middle = (top + (float) tabHeight) * 0.5f;

    auto symbol = transferSymbol (page == Page::send);
    symbol.applyTransform (juce::AffineTransform::translation (left, middle - symbolSize * 0.5f));
    g.setColour (textColour);
    g.strokePath (symbol, symbolStroke);

    g.setFont (font);
    g.drawText (text, juce::Rectangle<float> (left + symbolSize + spacing, middle - 9.0f, textWidth + 4.0f, 18.0f),
                Justification::centredLeft, false);
    return image;
}

//==============================================================================
juce::Image SkinArtist::button (int width, int height, const juce::String& text,
                                Emphasis emphasis, State state, Symbol symbol) const
{
    namespace P = SkinPalette;

    auto image = newImage (width, height);
    Graphics g (image);

    const auto body = juce::Rectangle<float> ((float) width, (float) height).reduced (1.0f, 1.0f)
                          .withTrimmedBottom (1.0f).reduced (0.5f);
    const float corner = height > 34 ? 6.0f : 5.0f;
    const bool down = state == State::down;
    const bool over = state == State::over;

    Path shape;
    shape.addRoundedRectangle (body, corner);

    if (! down)
    {
        g.setColour (juce::Colours::black.withAlpha (0.16f));
        g.fillRoundedRectangle (body.translated (0.0f, 1.0f), corner);
    }

    Colour top, bottom, edge, textColour;

    if (emphasis == Emphasis::primary)
    {
        top    = down ? P::accentDark : (over ? P::accentLight.brighter (0.12f) : P::accentLight);
        bottom = down ? P::accent     : (over ? P::accentLight : P::accent);
        edge = P::accentDark;
        textColour = P::textOnAccent;
    }
    else
    {
        top    = down ? P::neutralBottom.darker (0.06f) : (over ? juce::Colours::white : P::neutralTop);
        bottom = down ? P::neutralTop.darker (0.02f)    : (over ? P::accentWash : P::neutralBottom);
        edge = over || down ? P::accent : P::neutralEdge;
        textColour = over || down ? P::accentDark : P::text;
    }

    fillVertical (g, shape, top, bottom, body.getY(), body.getBottom());

    // A soft highlight along the upper edge (raised), or a shade (pressed).
    g.saveState();
    g.reduceClipRegion (shape);
    g.setColour (down ? juce::Colours::black.withAlpha (0.12f) : juce::Colours::white.withAlpha (0.28f));
    g.fillRect (body.withHeight (1.5f).translated (0.0f, 0.5f));
    g.restoreState();

    g.setColour (edge);
    g.strokePath (shape, juce::PathStrokeType (1.0f));

    const auto font = fonts.getFont (height > 34 ? 15.0f : 12.5f, true).withExtraKerningFactor (0.06f);
    const float textWidth = font.getStringWidthFloat (text);
    const float symbolSize = symbol == Symbol::none ? 0.0f : 14.0f;
    const float spacing = symbol == Symbol::none ? 0.0f : 9.0f;
    const float left = ((float) width - (symbolSize + spacing + textWidth)) * 0.5f;
    const float middle = body.getCentreY() + (down ? 1.0f : 0.0f);

    g.setColour (textColour);

    if (symbol == Symbol::folder)
        g.strokePath (folderSymbol ({ left, middle - 6.0f, symbolSize, 12.0f }), symbolStroke);
    else if (symbol == Symbol::start)
        g.fillPath (startSymbol ({ left + 2.0f, middle - 6.0f, symbolSize - 4.0f, 12.0f }));

    g.setFont (font);
    g.drawText (text, juce::Rectangle<float> (left + symbolSize + spacing, middle - 10.0f, textWidth + 4.0f, 20.0f),
                Justification::centredLeft, false);
    return image;
}

//==============================================================================
juce::Image SkinArtist::helpRow (const juce::Image& background, int top,
                                 const juce::String& text, bool link, State state) const
{
    namespace P = SkinPalette;
    using namespace SkinLayout;

    auto image = copyOf (background, { 0, top, sidebarWidth, helpRowHeight });
    Graphics g (image);

    if (! link)
    {
        g.setColour (P::textMuted);
        g.setFont (fonts.getFont (10.0f, true).withExtraKerningFactor (0.14f));
        g.drawText (text.toUpperCase(), 22, 0, sidebarWidth - 44, helpRowHeight, Justification::centredLeft, false);
        return image;
    }

    const juce::Rectangle<float> row (9.0f, 1.0f, (float) sidebarWidth - 18.0f, (float) helpRowHeight - 2.0f);
    Colour textColour = P::text;

    if (state == State::over)
    {
        g.setColour (P::accentWash);
        g.fillRoundedRectangle (row, 3.0f);
        g.setColour (P::accent);
        g.fillRoundedRectangle (row.withWidth (3.0f), 1.5f);
        textColour = P::accentDark;
    }
    else if (state == State::down)
    {
        g.setColour (P::accent);
        g.fillRoundedRectangle (row, 3.0f);
        textColour = P::textOnAccent;
    }

    // A small chevron marks the row as a link.
    Path chevron;
    chevron.startNewSubPath (24.0f, 6.5f);
    chevron.lineTo (27.5f, 10.0f);
    chevron.lineTo (24.0f, 13.5f);
    g.setColour (state == State::normal ? P::accent : textColour);
    g.strokePath (chevron, symbolStroke);

    g.setColour (textColour);
    g.setFont (fonts.getFont (12.5f, false));
    g.drawText (text, 36, 0, sidebarWidth - 56, helpRowHeight, Justification::centredLeft, false);
    return image;
}

juce::Image SkinArtist::eyesOff (const juce::Image& background) const
{
    auto closed = background.createCopy();
    {
        Graphics g (closed);
        paintMascot (g, false);
    }
    return copyOf (closed, SkinLayout::eyes);
}

//==============================================================================
juce::Image SkinArtist::dropdown() const
{
    namespace P = SkinPalette;
    using namespace SkinLayout;

    auto image = newImage (dropdownWidth, dropdownHeight);
    Graphics g (image);

    // Opaque all over: the device box's button paints its own background colour first.
    g.fillAll (P::card);

    const auto field = juce::Rectangle<float> ((float) dropdownWidth, (float) dropdownHeight).reduced (0.5f);
    Path shape;
    shape.addRoundedRectangle (field, 2.0f);
    fillVertical (g, shape, P::field, P::field.darker (0.03f), field.getY(), field.getBottom());
    g.setColour (P::fieldEdge);
    g.strokePath (shape, juce::PathStrokeType (1.0f));

    const float buttonLeft = (float) dropdownWidth - 28.0f;
    g.setColour (P::cardEdge);
    g.fillRect (juce::Rectangle<float> (buttonLeft, 5.0f, 1.0f, (float) dropdownHeight - 10.0f));

    Path chevron;
    const float cx = buttonLeft + 14.0f, cy = (float) dropdownHeight * 0.5f;
    chevron.startNewSubPath (cx - 4.5f, cy - 2.0f);
    chevron.lineTo (cx, cy + 2.5f);
    chevron.lineTo (cx + 4.5f, cy - 2.0f);
    g.setColour (P::accentDark);
    g.strokePath (chevron, symbolStroke);
    return image;
}

juce::Image SkinArtist::spinButton (bool plus, bool pressed) const
{
    namespace P = SkinPalette;
    using namespace SkinLayout;

    auto image = newImage (spinButtonWidth, spinButtonHeight);
    Graphics g (image);

    const auto box = juce::Rectangle<float> ((float) spinButtonWidth, (float) spinButtonHeight).reduced (0.5f);
    Path shape;
    shape.addRoundedRectangle (box.getX(), box.getY(), box.getWidth(), box.getHeight(), 3.0f, 3.0f,
                               false, plus, false, ! plus);

    if (pressed)
        fillVertical (g, shape, P::accentDark, P::accent, box.getY(), box.getBottom());
    else
        fillVertical (g, shape, P::neutralTop, P::neutralBottom, box.getY(), box.getBottom());

    g.setColour (pressed ? P::accentDark : P::neutralEdge);
    g.strokePath (shape, juce::PathStrokeType (1.0f));

    const float cx = box.getCentreX(), cy = box.getCentreY();
    g.setColour (pressed ? P::textOnAccent : P::text);
    g.fillRect (juce::Rectangle<float> (cx - 4.0f, cy - 0.75f, 8.0f, 1.5f));

    if (plus)
        g.fillRect (juce::Rectangle<float> (cx - 0.75f, cy - 4.0f, 1.5f, 8.0f));

    return image;
}

juce::Image SkinArtist::divider() const
{
    using namespace SkinLayout;
    auto image = newImage (dividerWidth, dividerHeight);
    Graphics g (image);
    g.setColour (SkinPalette::divider);
    g.fillRect (0, 0, dividerWidth, 1);
    g.setColour (SkinPalette::dividerLight);
    g.fillRect (0, 1, dividerWidth, 1);
    return image;
}

juce::Image SkinArtist::missingImage() const
{
    const int size = SkinLayout::missingImageSize, square = size / 4;
    auto image = newImage (size, size);
    Graphics g (image);

    for (int y = 0; y < size; y += square)
        for (int x = 0; x < size; x += square)
        {
            g.setColour (((x + y) / square) % 2 == 0 ? SkinPalette::missingA : SkinPalette::missingB);
            g.fillRect (x, y, square, square);
        }

    return image;
}

//==============================================================================
juce::Image SkinArtist::titleButton (bool close, State state) const
{
    namespace P = SkinPalette;
    using namespace SkinLayout;

    auto image = newImage (titleButtonWidth, titleButtonHeight);
    Graphics g (image);

    if (state != State::normal)
    {
        if (close)
            g.setColour (state == State::over ? P::closeHover : P::closePressed);
        else
            g.setColour (state == State::over ? P::windowHover : P::windowPressed);

        g.fillAll();
    }

    const float cx = (float) titleButtonWidth * 0.5f, cy = (float) titleButtonHeight * 0.5f;
    g.setColour (state == State::normal ? P::titleActive.withAlpha (0.85f) : juce::Colours::white);

    Path glyph;

    if (close)
    {
        glyph.startNewSubPath (cx - 4.5f, cy - 4.5f);
        glyph.lineTo (cx + 4.5f, cy + 4.5f);
        glyph.startNewSubPath (cx + 4.5f, cy - 4.5f);
        glyph.lineTo (cx - 4.5f, cy + 4.5f);
    }
    else
    {
        glyph.startNewSubPath (cx - 5.0f, cy + 0.5f);
        glyph.lineTo (cx + 5.0f, cy + 0.5f);
    }

    g.strokePath (glyph, juce::PathStrokeType (1.4f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    return image;
}

juce::Image SkinArtist::drawing (const juce::String& assetName, int width, int height) const
{
    auto xml = juce::parseXML (assetFolder.getChildFile (assetName));

    if (xml == nullptr)
        return {};

    auto drawable = juce::Drawable::createFromSVG (*xml);

    if (drawable == nullptr)
        return {};

    auto image = newImage (width, height);
    Graphics g (image);
    drawable->drawWithin (g, juce::Rectangle<float> ((float) width, (float) height),
                          juce::RectanglePlacement::centred, 1.0f);
    return image;
}
