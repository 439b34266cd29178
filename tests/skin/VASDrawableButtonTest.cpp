#include <gtest/gtest.h>

#include "SkinMouse.h"
#include "SkinTestSupport.h"
#include "skin/VASDrawableButton.h"

namespace
{
    struct ClickCounter  : public juce::Button::Listener
    {
        void buttonClicked (juce::Button*) override     { ++clicks; }
        int clicks = 0;
    };

    struct ButtonFixture  : public ::testing::Test
    {
        ButtonFixture()
        {
            button.setBounds (0, 0, 80, 30);
            button.setVisible (true);
            button.addListener (&counter);
        }

        ~ButtonFixture() override       { button.removeListener (&counter); }

        void press (juce::ModifierKeys mods)    { button.mouseDown (makeMouseEvent (button, mods)); }
        void drag (juce::ModifierKeys mods)     { button.mouseDrag (makeMouseEvent (button, mods)); }

        void release (juce::ModifierKeys mods)  { button.mouseUp (makeMouseEvent (button, mods)); }

        VASDrawableButton button { "Skinned" };
        ClickCounter counter;
    };
}

//==============================================================================
TEST_F (ButtonFixture, FactoryFilterTakesLeftClicksOnly)
{
    button.rightClicksEnabled = false;

    press (rightButton);
    EXPECT_EQ (button.getState(), juce::Button::buttonNormal);
    release (rightButton);
    EXPECT_EQ (counter.clicks, 0);

    press (middleButton);
    EXPECT_EQ (button.getState(), juce::Button::buttonNormal);
    release (middleButton);
    EXPECT_EQ (counter.clicks, 0);

    press (leftButton);
    EXPECT_EQ (button.getState(), juce::Button::buttonDown);
    release (leftButton);
    EXPECT_EQ (counter.clicks, 1);
}

TEST_F (ButtonFixture, RightReleaseCannotCompleteALeftPress)
{
    button.rightClicksEnabled = false;

    press (leftButton);
    drag (rightButton);
    EXPECT_EQ (button.getState(), juce::Button::buttonDown);   // a passed drag would have updated it
    release (rightButton);
    EXPECT_EQ (counter.clicks, 0);
    EXPECT_EQ (button.getState(), juce::Button::buttonDown);
}

TEST_F (ButtonFixture, DirectlyBuiltButtonPassesEveryMouseButton)
{
    for (auto mods : { leftButton, rightButton, middleButton })
    {
        press (mods);
        release (mods);
    }

    EXPECT_EQ (counter.clicks, 3);
}

TEST_F (ButtonFixture, RightOnlyFilter)
{
    button.leftClicksEnabled = false;

    EXPECT_TRUE (button.passesMouseFilter (rightButton));
    EXPECT_FALSE (button.passesMouseFilter (leftButton));
    EXPECT_TRUE (button.passesMouseFilter (leftButton.withFlags (juce::ModifierKeys::rightButtonModifier)));
    EXPECT_FALSE (button.passesMouseFilter (juce::ModifierKeys()));
}

TEST_F (ButtonFixture, FilteredClickThatFocusesShowsOverNotDown)
{
    button.rightClicksEnabled = false;

    // The focus rule reads the mouse buttons held now.
    juce::ModifierKeys::currentModifiers = rightButton;
    button.focusGained (juce::Component::focusChangedByMouseClick);
    EXPECT_EQ (button.getState(), juce::Button::buttonOver);

    juce::ModifierKeys::currentModifiers = leftButton;
    button.setState (juce::Button::buttonDown);
    button.focusGained (juce::Component::focusChangedByMouseClick);
    EXPECT_NE (button.getState(), juce::Button::buttonOver);   // the framework's own update

    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
}

//==============================================================================
TEST_F (ButtonFixture, LabelZeroSizeMeansTheButtonsSize)
{
    juce::Font font;
    button.applySkin (10, 5, 0, 0, juce::Justification::centred, &font, juce::Colours::white, 14.0f);

    auto* label = button.getLabel();
    ASSERT_NE (label, nullptr);
    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (10, 5, 80, 30));
    EXPECT_EQ (button.getLabelBounds(), label->getBounds());
    EXPECT_EQ (label->getName(), "label");
    EXPECT_TRUE (label->getText().isEmpty());
    bool selfClicks = true, childClicks = true;
    label->getInterceptsMouseClicks (selfClicks, childClicks);
    EXPECT_FALSE (selfClicks);
    EXPECT_FALSE (childClicks);
    EXPECT_TRUE (label->isAlwaysOnTop());
    EXPECT_TRUE (label->isVisible());
    EXPECT_FLOAT_EQ (label->getFont().getHeight(), 14.0f);
}

TEST_F (ButtonFixture, ApplyingTwiceReusesTheLabel)
{
    EXPECT_FLOAT_EQ (button.getLabelFontHeight(), 10.0f);

    button.applySkin (0, 0, 20, 10, juce::Justification::left, nullptr, juce::Colours::red, 9.0f);
    auto* first = button.getLabel();

    button.applySkin (1, 2, 30, 12, juce::Justification::right, nullptr, juce::Colours::blue, 11.0f);
    EXPECT_EQ (button.getLabel(), first);
    EXPECT_EQ (button.getNumChildComponents(), 1);
    EXPECT_EQ (first->getBounds(), juce::Rectangle<int> (1, 2, 30, 12));
    EXPECT_EQ (first->getJustificationType().getFlags(), juce::Justification::right);
    EXPECT_EQ (first->findColour (juce::Label::textColourId), juce::Colours::blue);
    EXPECT_FLOAT_EQ (button.getLabelFontHeight(), 11.0f);
}
