// Feeds arbitrary bytes to the skin's GIF reader, the way a skin archive's GIF
// entry reaches it, and touches every pixel of what it decodes.

#include <juce_graphics/juce_graphics.h>

#include "skin/GifImageReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto image = GifImageReader::decode (data, size);

    if (image.isValid())
    {
        const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);
        uint32_t sum = 0;

        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x)
                sum += pixels.getPixelColour (x, y).getARGB();

        juce::ignoreUnused (sum);
    }

    return 0;
}
