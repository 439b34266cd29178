#include "support_gui/ModalBoxAnswerer.h"

#include <gtest/gtest.h>

// The answerer is what every message-flow test relies on, so it is checked against
// the framework's own boxes.
TEST (ModalBoxAnswerer, RecordsAndAnswersRealBoxes)
{
    ModalBoxAnswerer answerer;

    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor", "First line\nsecond line", "OK");

    answerer.pressNext ("Cancel");
    const bool okChosen = juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::InfoIcon, "Title", "Question?",
                                                              "OK", "Cancel", nullptr, nullptr);
    EXPECT_FALSE (okChosen);

    answerer.pressNext ("OK");
    EXPECT_TRUE (juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "T", "Q", "OK", "Cancel",
                                                     nullptr, nullptr));

    ASSERT_EQ (answerer.getNumBoxes(), 3);
    const auto& first = answerer.getBoxes()[0];
    EXPECT_EQ (first.title, "Dremlor");
    EXPECT_EQ (first.message, "First line\nsecond line");
    EXPECT_EQ (first.icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (first.buttons, juce::StringArray ({ "OK" }));

    EXPECT_EQ (answerer.getBoxes()[1].buttons, juce::StringArray ({ "OK", "Cancel" }));
    EXPECT_EQ (answerer.getBoxes()[1].pressed, "Cancel");
    EXPECT_EQ (answerer.getBoxes()[1].icon, juce::MessageBoxIconType::InfoIcon);
    EXPECT_EQ (answerer.getLastBox().pressed, "OK");
}
