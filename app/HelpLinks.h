#pragma once

#include <juce_core/juce_core.h>

//==============================================================================
/**
    The web pages the main dialog links to (the maker's documentation, video,
    support and forum pages) and the update server. The addresses are set at
    configure time (CMake cache variables DREMLOR_*_URL) and kept here, in one place.
*/
struct HelpLinks
{
    /** The program's documentation ("Document" link). */
    static juce::URL documentation();

    /** The program's video tutorials ("Video" link). */
    static juce::URL video();

    /** The maker's support page ("Support" link and the firmware download label). */
    static juce::URL support();

    /** The maker's user forum ("Forum" link). */
    static juce::URL forum();

    /** Scheme and host of the update server, e.g. "https://update.dremlor.example".
        The environment variable DREMLOR_UPDATE_URL, when set, replaces the
        configured one (tests serve a feed on the loopback host; users behind a
        mirror point it there).
    */
    static juce::String updateServer();
};
