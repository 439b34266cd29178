#pragma once

#include "SkinFonts.h"

//==============================================================================
/**
    Draws every image of the default skin.

    Each function returns a new image at the size where the program shows it.
    Images that lie on a page background at a fixed place (the help column and
    the eyes) are painted onto a copy of that part of the background, so they
    blend into it exactly; buttons and icons that several dialogs share have
    transparent surroundings instead.
*/
class SkinArtist
{
public:
    //==============================================================================
    /** The three looks of a pressable image. */
    enum class State { normal, over, down };

    /** A primary action (filled with the accent) or a secondary one. */
    enum class Emphasis { primary, secondary };

    /** The page a background, tab or heading belongs to. */
    enum class Page { send, receive };

    /** The look of a tab: the current page's tab, another page's tab, or that one hovered. */
    enum class TabLook { current, back, over };

    //==============================================================================
    /** The artist draws texts with the given fonts and reads drawings from assetFolder. */
    SkinArtist (const SkinFonts& fonts, const juce::File& assetFolder);

    //==============================================================================
    /** The 800 x 553 background of the send or the receive page, with the
        program's name, the step headings and the help column's frame. */
    juce::Image pageBackground (Page page) const;

    /** A page tab, 169 x 33. */
    juce::Image tab (Page page, TabLook look) const;

    /** A small symbol drawn before a button's text. */
    enum class Symbol { none, folder, start };

    /** A push button with a text, in one of its three states. */
    juce::Image button (int width, int height, const juce::String& text,
                        Emphasis emphasis, State state, Symbol symbol = Symbol::none) const;

    /** One row of the help column, 240 x 20, painted over the page background
        at the row's top edge: a heading when link is false, else a link. */
    juce::Image helpRow (const juce::Image& background, int top,
                         const juce::String& text, bool link, State state) const;

    /** The closed eyes shown over the page background at start-up. */
    juce::Image eyesOff (const juce::Image& background) const;

    /** The box drawn behind the device and port menus, 232 x 27. */
    juce::Image dropdown() const;

    /** The step-up (plus) or step-down (minus) button of the spin control, 24 x 14. */
    juce::Image spinButton (bool plus, bool pressed) const;

    /** The thin line that separates the groups of the backup page, 320 x 2. */
    juce::Image divider() const;

    /** The image shown in place of any image the skin does not hold. */
    juce::Image missingImage() const;

    /** The close (or minimise) button of the title bar, 34 x 27. */
    juce::Image titleButton (bool close, State state) const;

    /** Renders the SVG drawing assetName from the asset folder at the given size;
        an invalid image when the drawing cannot be read. */
    juce::Image drawing (const juce::String& assetName, int width, int height) const;

private:
    //==============================================================================
    void paintStepCard (juce::Graphics& g, juce::Rectangle<int> card, int number,
                        const juce::String& heading) const;
    void paintMascot (juce::Graphics& g, bool eyesLit) const;
    void paintDrawing (juce::Graphics& g, const juce::String& assetName,
                       juce::Rectangle<float> area) const;

    const SkinFonts& fonts;
    juce::File assetFolder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SkinArtist)
};
