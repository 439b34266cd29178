#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    Decodes the first image of a GIF file held in memory.

    The skin reads GIF entries with the system's giflib rather than the
    framework's GIF loader, which indexes before the start of its own buffer on
    every image (a read that the sanitizers rightly stop) and trusts block
    lengths. giflib reads through a bounds-checked source; this reader limits the
    frame to the sizes the skin accepts before anything is allocated for it and
    gives a null image for anything that is not a complete, well-formed GIF. Like
    the framework's loader it decodes the first frame at the size that frame
    names, with its transparent colour, if any, fully transparent.
*/
class GifImageReader
{
public:
    //==============================================================================
    /** Returns the decoded first frame, or a null image when the data is not a
        complete, well-formed GIF within the size limits.
    */
    static juce::Image decode (const void* data, size_t size);

private:
    GifImageReader() = delete;
};
