#include <gtest/gtest.h>

#include "SkinMouse.h"
#include "SkinTestSupport.h"
#include "skin/VASSpinControl.h"

namespace
{
    struct ChangeCounter  : public juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override     { ++changes; }
        int changes = 0;
    };

    struct SpinFixture  : public ::testing::Test
    {
        void SetUp() override
        {
            skin.addImage ("plus.png", 24, 14);
            skin.addImage ("plus-down.png", 24, 14, juce::Colours::blue);
            ASSERT_NE (skin.loadAsSingleton(), nullptr);
        }

        // Presses whatever child of the control lies at (x, y) and tells the
        // control, which listens to its overlays' mouse events, as a real click would.
        static void clickAt (VASSpinControl& spin, int x, int y)
        {
            auto* target = spin.getComponentAt (x, y);
            ASSERT_NE (target, nullptr);
            spin.mouseDown (makeMouseEvent (*target, leftButton));
        }

        static void deliverChangeMessages()
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil (30);
        }

        TestSkin skin;
    };
}

//==============================================================================
TEST_F (SpinFixture, SteppingStopsAtTheLimits)
{
    VASSpinControl spin (1, 128, "128");
    spin.increment();
    EXPECT_EQ (spin.getEditor().getText(), "128");
    spin.decrement();
    EXPECT_EQ (spin.getValue(), 127);

    spin.getEditor().setText ("1");
    spin.decrement();
    EXPECT_EQ (spin.getEditor().getText(), "1");
    spin.increment();
    EXPECT_EQ (spin.getEditor().getText(), "2");

    spin.getEditor().setText ("500");   // typed text is not clamped
    EXPECT_EQ (spin.getValue(), 500);
    spin.increment();
    EXPECT_EQ (spin.getValue(), 500);
    spin.decrement();
    EXPECT_EQ (spin.getValue(), 499);
}

TEST_F (SpinFixture, TextWithoutDigitsReadsAsZero)
{
    VASSpinControl spin (0, 10, "abc");
    EXPECT_EQ (spin.getValue(), 0);
    spin.increment();
    EXPECT_EQ (spin.getEditor().getText(), "1");

    VASSpinControl leading (0, 10, "7 presets");
    EXPECT_EQ (leading.getValue(), 7);
}

TEST_F (SpinFixture, EditorTakesThreeDigitsOnly)
{
    VASSpinControl spin (1, 128, "");
    spin.setActive (true);
    auto& editor = spin.getEditor();

    editor.insertTextAtCaret ("1a-2+34");
    EXPECT_EQ (editor.getText(), "123");
    editor.insertTextAtCaret ("9");
    EXPECT_EQ (editor.getText(), "123");
}

TEST_F (SpinFixture, ChildrenAndStartingState)
{
    VASSpinControl spin (1, 4, "2");

    EXPECT_EQ (spin.getEditor().getName(), "Spin Control Text Editor");
    EXPECT_EQ (spin.getEditor().getBounds(), juce::Rectangle<int> (0, 0, 33, 27));
    EXPECT_EQ (spin.getIncrementButton().getName(), "Increment Button");
    EXPECT_EQ (spin.getIncrementButton().getBounds(), juce::Rectangle<int> (33, 0, 24, 14));
    EXPECT_EQ (spin.getDecrementButton().getBounds(), juce::Rectangle<int> (33, 14, 24, 14));
    EXPECT_EQ (spin.getIncrementOverlay().getBounds(), juce::Rectangle<int> (33, 0, 24, 27));
    EXPECT_EQ (spin.getDecrementOverlay().getBounds(), juce::Rectangle<int> (33, 14, 24, 27));
    EXPECT_EQ (spin.lastAction, -1);

    EXPECT_EQ (spin.getIncrementButton().getNormalImage().getWidth(), 24);
    EXPECT_EQ (spin.getIncrementButton().getDownImage(), SkinManager::getImage (juce::String ("plus-down.png").hashCode64()));

    // Inactive: editor and buttons disabled, overlays shown.
    EXPECT_FALSE (spin.getEditor().isEnabled());
    EXPECT_FALSE (spin.getIncrementButton().isEnabled());
    EXPECT_TRUE (spin.getEditorOverlay().isVisible());
    EXPECT_TRUE (spin.getDecrementOverlay().isVisible());

    spin.setActive (true);
    EXPECT_TRUE (spin.getEditor().isEnabled());
    EXPECT_TRUE (spin.getDecrementButton().isEnabled());
    EXPECT_FALSE (spin.getIncrementOverlay().isVisible());

    spin.setActive (false);
    EXPECT_TRUE (spin.getIncrementOverlay().isVisible());
}

//==============================================================================
TEST_F (SpinFixture, ClickOnUpperButtonHalfActivatesAndStepsUp)
{
    VASSpinControl spin (1, 128, "5");
    spin.setSize (57, 27);
    spin.setVisible (true);
    ChangeCounter counter;
    spin.addChangeListener (&counter);

    clickAt (spin, 40, 5);
    EXPECT_EQ (spin.getValue(), 6);
    EXPECT_TRUE (spin.getEditor().isEnabled());
    EXPECT_FALSE (spin.getIncrementOverlay().isVisible());
    EXPECT_EQ (spin.lastAction, 0);

    deliverChangeMessages();
    EXPECT_EQ (counter.changes, 1);
    spin.removeChangeListener (&counter);
}

TEST_F (SpinFixture, ClickOnLowerButtonHalfActivatesAndStepsDown)
{
    VASSpinControl spin (1, 128, "5");
    spin.setSize (57, 27);
    spin.setVisible (true);

    clickAt (spin, 40, 20);
    EXPECT_EQ (spin.getValue(), 4);
    EXPECT_EQ (spin.lastAction, 0);
}

TEST_F (SpinFixture, ClickOnEditorAreaActivatesWithoutStepping)
{
    VASSpinControl spin (1, 128, "5");
    spin.setSize (57, 27);
    spin.setVisible (true);

    clickAt (spin, 10, 10);
    EXPECT_EQ (spin.getValue(), 5);
    EXPECT_TRUE (spin.getEditor().isEnabled());
    EXPECT_TRUE (spin.getEditor().getWantsKeyboardFocus());
    EXPECT_EQ (spin.lastAction, 0);

    // Once active the overlays are gone; presses elsewhere on the control do nothing.
    spin.lastAction = -1;
    spin.mouseDown (makeMouseEvent (spin, leftButton));
    EXPECT_EQ (spin.lastAction, -1);
}

TEST_F (SpinFixture, ReturnAndEscapeEndTyping)
{
    VASSpinControl spin (1, 128, "5");
    ChangeCounter counter;
    spin.addChangeListener (&counter);
    spin.setActive (true);

    spin.textEditorReturnKeyPressed (spin.getEditor());
    EXPECT_EQ (spin.lastAction, 1);
    deliverChangeMessages();
    EXPECT_EQ (counter.changes, 1);

    spin.lastAction = 0;
    spin.getEditor().keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    deliverChangeMessages();   // the editor reports Escape asynchronously
    EXPECT_EQ (spin.lastAction, 1);
    EXPECT_EQ (counter.changes, 2);

    spin.removeChangeListener (&counter);
}

TEST_F (SpinFixture, ButtonsStepWhenClicked)
{
    VASSpinControl spin (1, 3, "2");
    spin.setActive (true);

    spin.getIncrementButton().triggerClick();
    deliverChangeMessages();
    EXPECT_EQ (spin.getValue(), 3);

    spin.buttonClicked (&spin.getDecrementButton());
    spin.buttonClicked (&spin.getDecrementButton());
    spin.buttonClicked (&spin.getDecrementButton());
    EXPECT_EQ (spin.getValue(), 1);
}
