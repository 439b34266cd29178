#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    The colours of the default skin, in one place so that a change of scheme is
    one edit here followed by a rebuild of the skin.

    The scheme is a light working area (white step cards on a cool grey page)
    under a dark slate header, with one teal accent for actions and focus.
    Texts the program draws itself (labels, editors) are dark on light, so the
    areas behind them stay light.
*/
namespace SkinPalette
{
    // Header band with the program's name and the page tabs.
    const juce::Colour headerTop    { 0xff26323f };
    const juce::Colour headerBottom { 0xff1a232d };
    const juce::Colour headerText   { 0xfff2f5f7 };
    const juce::Colour headerSubtle { 0xff8fa0b0 };

    // Working area, cards and the help column.
    const juce::Colour page         { 0xffeef1f4 };
    const juce::Colour sidebar      { 0xffe2e7ec };
    const juce::Colour sidebarEdge  { 0xffc9d1d9 };
    const juce::Colour card         { 0xffffffff };
    const juce::Colour cardEdge     { 0xffd3dae1 };
    const juce::Colour cardShadow   { 0x14000000 };
    const juce::Colour divider      { 0xffa9b4bf };
    const juce::Colour dividerLight { 0xffffffff };

    // Text.
    const juce::Colour text         { 0xff1e2730 };
    const juce::Colour textMuted    { 0xff5b6773 };
    const juce::Colour textOnAccent { 0xffffffff };

    // Accent used by primary actions, active tabs and the step badges.
    const juce::Colour accent       { 0xff15808f };
    const juce::Colour accentLight  { 0xff1f9aab };
    const juce::Colour accentDark   { 0xff0d5f6b };
    const juce::Colour accentWash   { 0xffd6eef1 };

    // Secondary buttons (Cancel and the like).
    const juce::Colour neutralTop    { 0xfffbfcfd };
    const juce::Colour neutralBottom { 0xffe4e9ee };
    const juce::Colour neutralEdge   { 0xff9aa6b2 };

    // Status marks.
    const juce::Colour success      { 0xff2e9e4f };
    const juce::Colour failure      { 0xffd0443a };

    // Fields (the dropdown boxes).
    const juce::Colour field        { 0xffffffff };
    const juce::Colour fieldEdge    { 0xffa9b4bf };

    // Title bar of the main window.
    const juce::Colour titleTop       { 0xff303d4b };
    const juce::Colour titleBottom    { 0xff26323f };
    const juce::Colour titleActive    { 0xffeef2f5 };
    const juce::Colour titleInactive  { 0xff9aa8b5 };
    const juce::Colour closeHover     { 0xffc7453b };
    const juce::Colour closePressed   { 0xff9e3129 };
    const juce::Colour windowHover    { 0x33ffffff };
    const juce::Colour windowPressed  { 0x55000000 };

    // Popup menus and alert boxes.
    const juce::Colour menuBackground       { 0xfffafbfc };
    const juce::Colour menuBorder           { 0xff8d99a5 };
    const juce::Colour menuHeader           { 0xff5b6773 };
    const juce::Colour menuText             { 0xff1e2730 };
    const juce::Colour menuHighlight        { 0xff15808f };
    const juce::Colour menuHighlightText    { 0xffffffff };
    const juce::Colour menuBarText          { 0xffdfe6ec };
    const juce::Colour menuBarTextSelected  { 0xffffffff };
    const juce::Colour alertBackground      { 0xfff4f6f8 };
    const juce::Colour alertText            { 0xff1e2730 };
    const juce::Colour alertBorder          { 0xff6f7c89 };

    // Update dialog progress bar.
    const juce::Colour progressTrack { 0xffdde3e8 };
    const juce::Colour progressFill  { 0xff15808f };

    // The fallback image for names the skin does not hold: loud on purpose.
    const juce::Colour missingA     { 0xffff00cc };
    const juce::Colour missingB     { 0xff2b2b2b };
}
