#include <gtest/gtest.h>

#include "skin/SkinValues.h"

TEST (SkinValues, ColoursIgnoreNonHexCharactersAndKeepTheLastEightDigits)
{
    EXPECT_EQ (SkinValues::parseColour ("FF102030"), 0xff102030u);
    EXPECT_EQ (SkinValues::parseColour ("#ff102030"), 0xff102030u);
    EXPECT_EQ (SkinValues::parseColour ("0xFF102030"), 0xff102030u);
    EXPECT_EQ (SkinValues::parseColour ("AB FF 10 20 30"), 0xff102030u);
    EXPECT_EQ (SkinValues::parseColour ("123"), 0x123u);
    EXPECT_EQ (SkinValues::parseColour (""), 0u);
    EXPECT_EQ (SkinValues::parseColour ("no digits here"), 0xdeeu);  // only d, e and e are hex
    EXPECT_EQ (SkinValues::parseColour ("xyz"), 0u);
}

TEST (SkinValues, WholeNumbersTakeASignAndSaturate)
{
    EXPECT_EQ (SkinValues::parseInt ("42"), 42);
    EXPECT_EQ (SkinValues::parseInt ("  -17px"), -17);
    EXPECT_EQ (SkinValues::parseInt ("+8"), 8);
    EXPECT_EQ (SkinValues::parseInt (""), 0);
    EXPECT_EQ (SkinValues::parseInt ("abc"), 0);
    EXPECT_EQ (SkinValues::parseInt ("99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ (SkinValues::parseInt ("-99999999999999999999"), std::numeric_limits<int>::min());
}

TEST (SkinValues, RealNumbersReadTheLeadingNumberOnly)
{
    EXPECT_DOUBLE_EQ (SkinValues::parseDouble ("2.0"), 2.0);
    EXPECT_DOUBLE_EQ (SkinValues::parseDouble ("1.5abc"), 1.5);
    EXPECT_DOUBLE_EQ (SkinValues::parseDouble ("abc"), 0.0);
    EXPECT_DOUBLE_EQ (SkinValues::parseDouble (""), 0.0);
    EXPECT_DOUBLE_EQ (SkinValues::parseDouble ("1e999"), 0.0);
}

TEST (SkinValues, RectanglesSplitAtEverySeparator)
{
    EXPECT_EQ (SkinValues::parseRectangle ("10,20,300,40"), juce::Rectangle<int> (10, 20, 300, 40));
    EXPECT_EQ (SkinValues::parseRectangle ("10, 20, 300, 40"), juce::Rectangle<int> (10, 0, 20, 0));
    EXPECT_EQ (SkinValues::parseRectangle ("5;6"), juce::Rectangle<int> (5, 6, 0, 0));
    EXPECT_EQ (SkinValues::parseRectangle (""), juce::Rectangle<int>());
    EXPECT_EQ (SkinValues::parseRectangle ("  1\t2\n3\r4  "), juce::Rectangle<int> (1, 2, 3, 4));
    EXPECT_EQ (SkinValues::parseRectangle ("-3,x,7"), juce::Rectangle<int> (-3, 0, 7, 0));
}

TEST (SkinValues, JustificationIsTheFrameworksFlags)
{
    EXPECT_EQ (SkinValues::parseJustification ("36").getFlags(), juce::Justification::centred);
    EXPECT_EQ (SkinValues::parseJustification ("33").getFlags(), juce::Justification::centredLeft);
    EXPECT_EQ (SkinValues::parseJustification ("").getFlags(), 0);
}

TEST (SkinValues, AttributesAndSectionsMatchIgnoringCase)
{
    const auto xml = juce::parseXML ("<SKIN><popupmenuskin FontColor=\"ff00ff00\"/><Other/></SKIN>");
    ASSERT_NE (xml, nullptr);

    const auto* section = SkinValues::findChild (*xml, "PopupMenuSkin");
    ASSERT_NE (section, nullptr);
    EXPECT_EQ (SkinValues::colourAttribute (*section, "fontColor"), 0xff00ff00u);
    EXPECT_EQ (SkinValues::getAttribute (*section, "missing"), juce::String());
    EXPECT_EQ (SkinValues::findChild (*xml, "MenuBarSkin"), nullptr);
}
