#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Archive entry names of the default skin that more than one place refers to:
    the typefaces, and the images that the skin description itself names.
    Images that only the program names are listed where they are drawn.
*/
namespace SkinNames
{
    /** The three images of a pressable button. */
    struct ButtonImages
    {
        const char* up;
        const char* over;
        const char* down;
    };

    constexpr const char* boldFont    = "_bgp_b.stf";
    constexpr const char* regularFont = "_bgp_r.stf";
    constexpr const char* missingFont = "_missing_font.stf";

    constexpr const char* titleIcon = "title-icon.png";
    constexpr ButtonImages titleClose    { "title-close.png", "title-close-over.png", "title-close-down.png" };
    constexpr ButtonImages titleMinimise { "title-minimise.png", "title-minimise-over.png", "title-minimise-down.png" };

    constexpr ButtonImages okButton     { "btn-ok.png", "btn-ok-over.png", "btn-ok-down.png" };
    constexpr ButtonImages cancelButton { "btn-cancel.png", "btn-cancel-over.png", "btn-cancel-down.png" };
}
