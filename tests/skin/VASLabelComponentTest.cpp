#include <gtest/gtest.h>

#include "SkinMouse.h"
#include "SkinTestSupport.h"
#include "skin/VASLabelComponent.h"
#include "skin/VASMultiLineLabelComponent.h"

namespace
{
    struct LabelFixture  : public ::testing::Test
    {
        void SetUp() override
        {
            skin.addTypeface ("_bgp_b.stf", "Bold Face");
            skin.addTypeface ("_missing_font.stf", "Missing Face");
            ASSERT_NE (skin.loadAsSingleton(), nullptr);
        }

        TestSkin skin;
    };
}

//==============================================================================
TEST_F (LabelFixture, EmptyFontNameKeepsTheDefaultFontAndHeight)
{
    const auto defaultFont = juce::Label().getFont();
    VASLabelComponent label (1, 2, 100, 20, "Plain", "Hello", {}, 20.0f, juce::Colours::black, juce::Justification::left);

    EXPECT_FLOAT_EQ (label.getFont().getHeight(), defaultFont.getHeight());
    EXPECT_NE (label.getFont().getHeight(), 20.0f);
    EXPECT_FLOAT_EQ (label.getRequestedFontHeight(), 20.0f);
}

TEST_F (LabelFixture, ArchiveTypefaceAtTheGivenHeightOrTheMissingFont)
{
    VASLabelComponent version (593, 531, 200, 15, "Version Label", "2.0.2", "_bgp_b.stf", 12.0f,
                               juce::Colours::darkgrey, juce::Justification::right);
    EXPECT_EQ (version.getFont().getTypefacePtr()->getName(), "Bold Face");
    EXPECT_FLOAT_EQ (version.getFont().getHeight(), 12.0f);
    EXPECT_EQ (version.findColour (juce::Label::textColourId), juce::Colours::darkgrey);
    EXPECT_EQ (version.getJustificationType().getFlags(), juce::Justification::right);
    EXPECT_EQ (version.getText(), "2.0.2");
    EXPECT_EQ (version.getName(), "Version Label");

    VASLabelComponent missing (0, 0, 10, 10, "m", "x", "absent.stf", 9.0f, juce::Colours::black, 1);
    EXPECT_EQ (missing.getFont().getTypefacePtr()->getName(), "Missing Face");
    EXPECT_FLOAT_EQ (missing.getFont().getHeight(), 9.0f);
}

TEST_F (LabelFixture, BoundsAreTheGivenOnesWhateverTheText)
{
    VASLabelComponent label (7, 8, 40, 12, "b", juce::String::repeatedString ("long text ", 50), "_bgp_b.stf",
                             30.0f, juce::Colours::black, 36);
    EXPECT_EQ (label.getBounds(), juce::Rectangle<int> (7, 8, 40, 12));
    EXPECT_EQ (label.getSkinWidth(), 0);
    EXPECT_DOUBLE_EQ (label.getSkinScale(), 1.0);
}

TEST_F (LabelFixture, PointerTrackingChangesNothingVisible)
{
    VASLabelComponent label (0, 0, 40, 12, "b", "t", {}, 10.0f, juce::Colours::black, 1);
    label.mouseEnter (makeMouseEvent (label, {}));
    EXPECT_TRUE (label.isPointerOver());
    label.mouseDown (makeMouseEvent (label, leftButton));
    EXPECT_FALSE (label.isBeingEdited());
    label.mouseExit (makeMouseEvent (label, {}));
    EXPECT_FALSE (label.isPointerOver());
}

//==============================================================================
TEST_F (LabelFixture, MultiLineLabelIsReadOnlyWithoutCaretOrSelection)
{
    VASMultiLineLabelComponent notes (10, 20, 300, 100, "Notes", "line one\nline two",
                                      juce::Colours::white, juce::Colours::black);

    EXPECT_EQ (notes.getBounds(), juce::Rectangle<int> (10, 20, 300, 100));
    EXPECT_EQ (notes.getName(), "Notes");
    EXPECT_EQ (notes.getText(), "line one\nline two");
    EXPECT_TRUE (notes.isMultiLine());
    EXPECT_TRUE (notes.isReadOnly());
    EXPECT_FALSE (notes.isCaretVisible());
    EXPECT_EQ (notes.findColour (juce::TextEditor::highlightColourId), juce::Colours::white);
    EXPECT_EQ (notes.findColour (juce::TextEditor::highlightedTextColourId), juce::Colours::black);

    // A press (right or left) neither moves the caret nor starts a selection.
    notes.setHighlightedRegion ({ 0, 0 });
    const auto caret = notes.getCaretPosition();
    notes.mouseDown (makeMouseEvent (notes, rightButton));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_FALSE (juce::PopupMenu::dismissAllActiveMenus());   // no context menu was opened
    notes.mouseDown (makeMouseEvent (notes, leftButton, { 50.0f, 5.0f }));
    EXPECT_TRUE (notes.getHighlightedRegion().isEmpty());
    EXPECT_EQ (notes.getCaretPosition(), caret);

    notes.keyPressed (juce::KeyPress ('x', {}, 'x'));
    EXPECT_EQ (notes.getText(), "line one\nline two");
}
