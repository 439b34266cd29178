#pragma once

#include "skin/DremlorLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

class DremlorDialog;
class SkinManager;

//==============================================================================
/**
    The program's only top-level window: titled with the application's name, drawn
    in the skin's look, holding the main dialog. It loads the default skin
    ("Skin/DL.vexor" beside the program) when it is built, and its close button is
    where the user ends the program, with a question while a send is running.

    Created by DremlorApplication::initialise and deleted by its shutdown.
*/
class MainAppWindow  : public juce::DocumentWindow
{
public:
    MainAppWindow();
    ~MainAppWindow() override;

    //==============================================================================
    /** Asks before a running send is cancelled, saves the settings (saying so when
        that fails), then asks the application to quit. The update flow quits through
        it too, once it has started the installer.
    */
    void closeButtonPressed() override;

    /** What the close button does once the user has answered: true when the program
        is to quit. Asks the two questions (OK/Cancel boxes) as needed.
    */
    bool confirmClose();

    /** The main dialog (owned by the window as its content). */
    DremlorDialog* getDialog() const noexcept      { return dialog; }

    /** The default skin's description: "Skin/DL.vexor" in the program's folder. */
    static juce::String getDefaultSkinPath();

private:
    //==============================================================================
    DremlorDialog* dialog = nullptr;
    SkinManager* skinManager = nullptr;
    DremlorLookAndFeel lookAndFeel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};
