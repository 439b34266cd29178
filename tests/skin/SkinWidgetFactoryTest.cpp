#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"

namespace
{
    // A skin with distinct images for every button state and two typefaces.
    struct FactoryFixture  : public ::testing::Test
    {
        void SetUp() override
        {
            skin.addImage ("up.png", 30, 20, juce::Colours::red);
            skin.addImage ("over.png", 31, 21, juce::Colours::green);
            skin.addImage ("down.png", 32, 22, juce::Colours::blue);
            skin.addImage ("dis.png", 33, 23, juce::Colours::yellow);
            skin.addTypeface ("_bgp_b.stf", "Bold Face");
            skin.addTypeface ("_missing_font.stf", "Missing Face");
            ASSERT_NE (skin.loadAsSingleton(), nullptr);
        }

        static std::unique_ptr<juce::XmlElement> widget (const juce::String& attributes)
        {
            return juce::parseXML ("<Widget " + attributes + "/>");
        }

        static int imageWidthOf (const juce::Drawable* drawable)
        {
            auto* image = dynamic_cast<const juce::DrawableImage*> (drawable);
            return image != nullptr ? image->getImage().getWidth() : -1;
        }

        // The drawing the button shows now, and the alpha it is shown with.
        static const juce::Drawable* shownDrawable (juce::DrawableButton& button)
        {
            for (auto* child : button.getChildren())
                if (auto* drawable = dynamic_cast<juce::Drawable*> (child))
                    return drawable;

            return nullptr;
        }

        TestSkin skin;
    };
}

//==============================================================================
TEST_F (FactoryFixture, NullElementsGiveNoWidgets)
{
    EXPECT_EQ (SkinManager::createButton (nullptr, "b"), nullptr);
    EXPECT_EQ (SkinManager::createLabel (nullptr, "l"), nullptr);
}

TEST_F (FactoryFixture, UpImageAloneServesNormalAndNormalOn)
{
    const auto element = widget ("upImage=\"up.png\" positionX=\"12\" positionY=\"-4\"");
    auto button = SkinManager::createButton (element.get(), "Only Up");
    ASSERT_NE (button, nullptr);

    EXPECT_EQ (button->getName(), "Only Up");
    EXPECT_EQ (button->getBounds(), juce::Rectangle<int> (12, -4, 30, 20));
    EXPECT_EQ (imageWidthOf (button->getNormalImage()), 30);

    // Over and down fall back to the normal drawing: they have none of their own.
    EXPECT_EQ (button->getOverImage(), button->getNormalImage());
    EXPECT_EQ (button->getDownImage(), button->getNormalImage());

    // Toggled on, the normal-on copy is shown.
    auto* normal = button->getNormalImage();
    button->setToggleState (true, juce::dontSendNotification);
    EXPECT_NE (button->getNormalImage(), normal);
    EXPECT_EQ (imageWidthOf (button->getNormalImage()), 30);

    // Disabled without a disabled drawing: the framework dims the normal one.
    button->setToggleState (false, juce::dontSendNotification);
    button->setEnabled (false);
    EXPECT_EQ (shownDrawable (*button), button->getNormalImage());
    EXPECT_FLOAT_EQ (shownDrawable (*button)->getAlpha(), 0.4f);
}

TEST_F (FactoryFixture, DownImageServesTheDisabledState)
{
    const auto element = widget ("upImage=\"up.png\" overImage=\"over.png\" downImage=\"down.png\"");
    auto button = SkinManager::createButton (element.get(), "b");
    button->setEnabled (false);

    EXPECT_EQ (imageWidthOf (shownDrawable (*button)), 32);
    EXPECT_FLOAT_EQ (shownDrawable (*button)->getAlpha(), 1.0f);

    const auto withDisabled = widget ("upImage=\"up.png\" downImage=\"down.png\" disabledImage=\"dis.png\"");
    auto second = SkinManager::createButton (withDisabled.get(), "b2");
    second->setEnabled (false);
    EXPECT_EQ (imageWidthOf (shownDrawable (*second)), 33);
}

TEST_F (FactoryFixture, OnStatesBorrowTheirOffDrawingsUnlessGiven)
{
    const auto element = widget ("upImage=\"up.png\" overImage=\"over.png\" downImage=\"down.png\" overImageOn=\"dis.png\"");
    auto button = SkinManager::createButton (element.get(), "b");
    button->setToggleState (true, juce::dontSendNotification);

    EXPECT_EQ (imageWidthOf (button->getNormalImage()), 30);
    EXPECT_EQ (imageWidthOf (button->getOverImage()), 33);
    EXPECT_EQ (imageWidthOf (button->getDownImage()), 32);
}

TEST_F (FactoryFixture, ButtonWithoutImagesIsEmptyAndUnknownImagesShowNothing)
{
    const auto element = widget ("toolTip=\"Press me\" positionX=\"5\" positionY=\"6\" overImage=\"nowhere.png\"");
    auto button = SkinManager::createButton (element.get(), "b");

    EXPECT_EQ (button->getBounds(), juce::Rectangle<int> (5, 6, 0, 0));
    EXPECT_EQ (button->getTooltip(), "Press me");
    EXPECT_EQ (button->getNormalImage(), nullptr);
    EXPECT_EQ (imageWidthOf (button->getOverImage()), 0);   // no image and no fallback in this skin
}

TEST_F (FactoryFixture, ButtonsTakeLeftClicksOnly)
{
    const auto element = widget ("upImage=\"up.png\"");
    auto button = SkinManager::createButton (element.get(), "b");
    EXPECT_TRUE (button->leftClicksEnabled);
    EXPECT_FALSE (button->rightClicksEnabled);
}

TEST_F (FactoryFixture, LabelRectangleMakesTheLabelAndReadsItsKeys)
{
    const auto without = widget ("upImage=\"up.png\" labelFont=\"_bgp_b.stf\" labelFontColor=\"ff00ff00\"");
    EXPECT_EQ (SkinManager::createButton (without.get(), "b")->getLabel(), nullptr);

    const auto with = widget ("upImage=\"up.png\" labelTextRect=\"2,3,10,0\" labelTextJustify=\"33\" "
                              "labelFont=\"_bgp_b.stf\" labelFontSize=\"13\" labelFontColor=\"ff00ff00\"");
    auto button = SkinManager::createButton (with.get(), "b");
    auto* label = button->getLabel();
    ASSERT_NE (label, nullptr);

    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (2, 3, 10, 20));
    EXPECT_EQ (label->getJustificationType().getFlags(), juce::Justification::centredLeft);
    EXPECT_EQ (label->getFont().getTypefacePtr()->getName(), "Bold Face");
    EXPECT_FLOAT_EQ (label->getFont().getHeight(), 13.0f);
    EXPECT_EQ (label->findColour (juce::Label::textColourId).getARGB(), 0xff00ff00u);

    const auto unknownFont = widget ("upImage=\"up.png\" labelTextRect=\"0,0,0,0\" labelFont=\"nope.stf\"");
    auto fallback = SkinManager::createButton (unknownFont.get(), "b");
    EXPECT_EQ (fallback->getLabel()->getFont().getTypefacePtr()->getName(), "Missing Face");
    EXPECT_EQ (fallback->getLabel()->findColour (juce::Label::textColourId).getARGB(), 0u);
}

//==============================================================================
TEST_F (FactoryFixture, LabelReadsGeometryFontAndColours)
{
    const auto element = widget ("font=\"_bgp_b.stf\" fontSize=\"18\" fontColor=\"ff112233\" positionX=\"4\" "
                                 "positionY=\"5\" width=\"100\" height=\"20\" textJustify=\"36\"");
    auto label = SkinManager::createLabel (element.get(), "Info");
    ASSERT_NE (label, nullptr);

    EXPECT_EQ (label->getName(), "Info");
    EXPECT_EQ (label->getText(), juce::String());
    EXPECT_EQ (label->getBounds(), juce::Rectangle<int> (4, 5, 100, 20));
    EXPECT_EQ (label->getFont().getTypefacePtr()->getName(), "Bold Face");
    EXPECT_FLOAT_EQ (label->getFont().getHeight(), 18.0f);
    EXPECT_EQ (label->findColour (juce::Label::textColourId).getARGB(), 0xff112233u);
    EXPECT_EQ (label->getJustificationType().getFlags(), juce::Justification::centred);
}

TEST_F (FactoryFixture, LabelBackgroundIsSetOnlyWhenGiven)
{
    const auto plain = widget ("width=\"10\" height=\"10\"");
    auto keeps = SkinManager::createLabel (plain.get(), "a");
    EXPECT_FALSE (keeps->isColourSpecified (juce::Label::backgroundColourId));

    const auto clear = widget ("backgroundColor=\"00000000\"");
    auto transparent = SkinManager::createLabel (clear.get(), "b");
    ASSERT_TRUE (transparent->isColourSpecified (juce::Label::backgroundColourId));
    EXPECT_EQ (transparent->findColour (juce::Label::backgroundColourId).getARGB(), 0u);
}

TEST_F (FactoryFixture, LabelSizeWithoutFontKeepsTheDefaultFont)
{
    const juce::Font defaultFont = juce::Label().getFont();
    const auto element = widget ("fontSize=\"40\"");
    auto label = SkinManager::createLabel (element.get(), "a");

    EXPECT_FLOAT_EQ (label->getFont().getHeight(), defaultFont.getHeight());
    EXPECT_EQ (label->getFont().getTypefaceName(), defaultFont.getTypefaceName());
}
