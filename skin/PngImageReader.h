#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    Decodes a PNG file held in memory with the system's libpng.

    The skin reads PNG entries with this reader rather than the framework's PNG
    loader: built against the system's libpng, that loader's error handler
    returns instead of unwinding, so a damaged PNG crashes the program. Here
    every libpng error unwinds to a clean refusal, the image size is limited to
    what a skin may hold, and any colour type and bit depth comes out as ARGB.
*/
class PngImageReader
{
public:
    /** Returns the decoded image, or a null image when the data is not a
        complete, well-formed PNG within the size limits.
    */
    static juce::Image decode (const void* data, size_t size);

private:
    PngImageReader() = delete;
};
