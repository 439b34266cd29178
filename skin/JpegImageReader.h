#pragma once

#include <juce_graphics/juce_graphics.h>

//==============================================================================
/**
    Decodes a JPEG file held in memory with the system's libjpeg.

    The skin reads JPEG entries with this reader rather than the framework's
    JPEG loader, whose fatal-error handler returns to libjpeg (which must never
    happen) so that a damaged file leaves the decoder in an undefined state. Here
    fatal errors unwind to a clean refusal and the image size is limited to what
    a skin may hold; recoverable damage is decoded as libjpeg repairs it.
*/
class JpegImageReader
{
public:
    /** Returns the decoded image, or a null image when the data cannot be decoded
        or names a size beyond the limits.
    */
    static juce::Image decode (const void* data, size_t size);

private:
    JpegImageReader() = delete;
};
