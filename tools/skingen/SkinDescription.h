#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    Builds the default skin's description: the "SKIN" root that names the
    archive, and the sections with the colours, fonts, images and widget
    positions of the popup menus, alert windows, title bar and update dialog.
*/
namespace SkinDescription
{
    /** The description's root element for an archive of the given file name. */
    std::unique_ptr<juce::XmlElement> create (const juce::String& archiveFileName);
}
