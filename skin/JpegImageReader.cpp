#include "skin/JpegImageReader.h"

#include "skin/SkinContentGuard.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace
{
    struct ErrorManager
    {
        jpeg_error_mgr base;
        std::jmp_buf jump;
    };

    // libjpeg requires its fatal-error handler not to return: unwind to readPixels.
    [[noreturn]] void onFatalError (j_common_ptr info)
    {
        std::longjmp (reinterpret_cast<ErrorManager*> (info->err)->jump, 1);
    }

    void onMessage (j_common_ptr, int) {}
    void onOutput (j_common_ptr) {}

    // Everything that libjpeg may jump out of happens here. The buffers and the
    // decoder state belong to the caller, so no object with a destructor lives
    // in this frame.
    bool readPixels (jpeg_decompress_struct& decoder, ErrorManager& errors,
                     const void* data, size_t size, std::vector<JSAMPLE>& pixels)
    {
        if (setjmp (errors.jump) != 0)
            return false;

        jpeg_mem_src (&decoder, static_cast<const unsigned char*> (data), (unsigned long) size);
        jpeg_read_header (&decoder, TRUE);

        if (decoder.image_width == 0 || decoder.image_height == 0
             || decoder.image_width > (JDIMENSION) SkinContentGuard::maxImageSide
             || decoder.image_height > (JDIMENSION) SkinContentGuard::maxImageSide
             || (juce::int64) decoder.image_width * decoder.image_height > SkinContentGuard::maxImagePixels)
            return false;

        decoder.out_color_space = JCS_RGB;
        jpeg_start_decompress (&decoder);

        if (decoder.output_components != 3)
            return false;

        const auto stride = (size_t) decoder.output_width * 3;
        pixels.resize (stride * decoder.output_height);

        while (decoder.output_scanline < decoder.output_height)
        {
            JSAMPROW row = pixels.data() + stride * decoder.output_scanline;

            if (jpeg_read_scanlines (&decoder, &row, 1) != 1)
                return false;
        }

        jpeg_finish_decompress (&decoder);
        return true;
    }
}

juce::Image JpegImageReader::decode (const void* data, size_t size)
{
    if (data == nullptr || size == 0)
        return {};

    jpeg_decompress_struct decoder {};
    ErrorManager errors {};
    decoder.err = jpeg_std_error (&errors.base);
    errors.base.error_exit = onFatalError;
    errors.base.emit_message = onMessage;
    errors.base.output_message = onOutput;

    std::vector<JSAMPLE> pixels;
    jpeg_create_decompress (&decoder);

    const bool ok = readPixels (decoder, errors, data, size, pixels);
    const auto width = (int) decoder.output_width;
    const auto height = (int) decoder.output_height;
    jpeg_destroy_decompress (&decoder);

    if (! ok)
        return {};

    juce::Image image (juce::Image::RGB, width, height, false);
    const juce::Image::BitmapData bitmap (image, juce::Image::BitmapData::writeOnly);

    for (int y = 0; y < height; ++y)
    {
        const auto* source = pixels.data() + (size_t) y * (size_t) width * 3;

        for (int x = 0; x < width; ++x, source += 3)
            bitmap.setPixelColour (x, y, juce::Colour (source[0], source[1], source[2]));
    }

    return image;
}
