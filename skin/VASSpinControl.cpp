#include "skin/VASSpinControl.h"

#include "skin/SkinManager.h"
#include "skin/SkinValues.h"

namespace
{
    std::unique_ptr<juce::Label> makeOverlay (const juce::String& name)
    {
        auto overlay = std::make_unique<juce::Label> (name, juce::String());
        overlay->setColour (juce::Label::backgroundColourId, juce::Colours::transparentBlack);
        return overlay;
    }
}

//==============================================================================
VASSpinControl::VASSpinControl (int minimumValue, int maximumValue, const juce::String& text)
    : minimum (minimumValue), maximum (maximumValue), initialText (text)
{
    editor = std::make_unique<juce::TextEditor> ("Spin Control Text Editor");
    editor->setColour (juce::TextEditor::outlineColourId, juce::Colour (0xff000000));
    editor->setColour (juce::TextEditor::focusedOutlineColourId, juce::Colour (0xff000000));
    editor->setColour (juce::TextEditor::highlightColourId, juce::Colour (0xffd3d3d3));
    editor->setSelectAllWhenFocused (true);
    editor->setInputFilter (new juce::TextEditor::LengthAndCharacterRestriction (3, "1234567890"), true);
    editor->setText (initialText, false);
    editor->addListener (this);
    addAndMakeVisible (*editor);
    editor->setBounds (0, 0, editorWidth, 27);

    incrementButton = std::make_unique<juce::ImageButton> ("Increment Button");
    configureStepButton (*incrementButton, "plus.png", "plus-down.png");
    incrementButton->setBounds (editorWidth, 0, 24, 14);

    decrementButton = std::make_unique<juce::ImageButton> ("Decrement Button");
    configureStepButton (*decrementButton, "minus.png", "minus-down.png");
    decrementButton->setBounds (editorWidth, 14, 24, 14);

    editorOverlay = makeOverlay ("Spin Control Text Editor Overlay");
    incrementOverlay = makeOverlay ("Spin Control Increment Button Overlay");
    decrementOverlay = makeOverlay ("Spin Control Decrement Button Overlay");

    // The decrement overlay is added last, so it lies above the increment
    // overlay where the two overlap.
    for (auto* overlay : { editorOverlay.get(), incrementOverlay.get(), decrementOverlay.get() })
    {
        addAndMakeVisible (*overlay);
        overlay->addMouseListener (this, false);
    }

    editorOverlay->setBounds (0, 0, editorWidth, 27);
    incrementOverlay->setBounds (editorWidth, 0, 24, 27);
    decrementOverlay->setBounds (editorWidth, 14, 24, 27);

    setActive (false);
}

VASSpinControl::~VASSpinControl()
{
    for (auto* overlay : { editorOverlay.get(), incrementOverlay.get(), decrementOverlay.get() })
        overlay->removeMouseListener (this);

    editor->removeListener (this);
    incrementButton->removeListener (this);
    decrementButton->removeListener (this);
}

void VASSpinControl::configureStepButton (juce::ImageButton& button, juce::StringRef upImageName,
                                          juce::StringRef downImageName)
{
    const auto upImage = SkinManager::getImage (juce::String (upImageName).hashCode64());
    const auto downImage = SkinManager::getImage (juce::String (downImageName).hashCode64());
    const auto noOverlay = juce::Colours::transparentBlack;

    button.setImages (false, false, false,
                      upImage, 1.0f, noOverlay,
                      upImage, 1.0f, noOverlay,
                      downImage, 1.0f, noOverlay,
                      0.0f);
    button.setRepeatSpeed (300, 100, 0);
    button.addListener (this);
    addAndMakeVisible (button);
}

//==============================================================================
int VASSpinControl::getValue() const
{
    // Read as atoi reads it (leading digits), saturating where atoi would overflow.
    return SkinValues::parseInt (editor->getText());
}

void VASSpinControl::increment()
{
    const auto value = getValue();

    if (value < maximum)
        editor->setText (juce::String (value + 1), true);
}

void VASSpinControl::decrement()
{
    const auto value = getValue();

    if (value > minimum)
        editor->setText (juce::String (value - 1), true);
}

void VASSpinControl::setActive (bool shouldBeActive)
{
    editor->setEnabled (shouldBeActive);
    incrementButton->setEnabled (shouldBeActive);
    decrementButton->setEnabled (shouldBeActive);

    editorOverlay->setVisible (! shouldBeActive);
    incrementOverlay->setVisible (! shouldBeActive);
    decrementOverlay->setVisible (! shouldBeActive);
}

void VASSpinControl::grabEditorFocus()
{
    editor->setWantsKeyboardFocus (true);
    editor->grabKeyboardFocus();
}

//==============================================================================
void VASSpinControl::buttonClicked (juce::Button* button)
{
    if (button == incrementButton.get())
        increment();
    else if (button == decrementButton.get())
        decrement();
}

void VASSpinControl::textEditorReturnKeyPressed (juce::TextEditor&)
{
    finishTyping();
}

void VASSpinControl::textEditorEscapeKeyPressed (juce::TextEditor&)
{
    finishTyping();
}

void VASSpinControl::finishTyping()
{
    lastAction = 1;
    sendChangeMessage();
}

void VASSpinControl::mouseDown (const juce::MouseEvent& event)
{
    auto* pressed = event.eventComponent;

    if (pressed != editorOverlay.get() && pressed != incrementOverlay.get() && pressed != decrementOverlay.get())
        return;

    setActive (true);

    if (pressed == editorOverlay.get())
        grabEditorFocus();
    else if (pressed == incrementOverlay.get())
        increment();
    else
        decrement();

    lastAction = 0;
    sendChangeMessage();
}
