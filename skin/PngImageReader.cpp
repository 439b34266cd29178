#include "skin/PngImageReader.h"

#include "skin/SkinContentGuard.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace
{
    struct MemorySource
    {
        const png_byte* data;
        size_t size;
        size_t position;
    };

    void readFromMemory (png_structp png, png_bytep destination, png_size_t length)
    {
        auto* source = static_cast<MemorySource*> (png_get_io_ptr (png));

        if (length > source->size - source->position)
            png_error (png, "truncated");

        std::memcpy (destination, source->data + source->position, length);
        source->position += length;
    }

    // libpng requires its error handler not to return: unwind to readPixels.
    [[noreturn]] void onError (png_structp png, png_const_charp)
    {
        png_longjmp (png, 1);
    }

    void onWarning (png_structp, png_const_charp) {}

    // Everything that libpng may jump out of happens here. The buffers belong to
    // the caller, so no object with a destructor lives in this frame.
    bool readPixels (png_structp png, png_infop info, MemorySource& source,
                     std::vector<png_byte>& pixels, std::vector<png_bytep>& rows,
                     png_uint_32& width, png_uint_32& height)
    {
        if (setjmp (png_jmpbuf (png)) != 0)
            return false;

        png_set_read_fn (png, &source, readFromMemory);
        png_set_user_limits (png, (png_uint_32) SkinContentGuard::maxImageSide,
                             (png_uint_32) SkinContentGuard::maxImageSide);
        png_set_chunk_malloc_max (png, 8 * 1024 * 1024);
        png_read_info (png, info);

        width = png_get_image_width (png, info);
        height = png_get_image_height (png, info);

        if (width == 0 || height == 0 || (juce::int64) width * height > SkinContentGuard::maxImagePixels)
            return false;

        // Every colour type and depth becomes 8-bit RGBA.
        png_set_expand (png);
        png_set_strip_16 (png);
        png_set_gray_to_rgb (png);
        png_set_filler (png, 0xff, PNG_FILLER_AFTER);
        png_set_interlace_handling (png);
        png_read_update_info (png, info);

        if (png_get_rowbytes (png, info) != (size_t) width * 4)
            return false;

        pixels.resize ((size_t) width * height * 4);
        rows.resize (height);

        for (size_t y = 0; y < height; ++y)
            rows[y] = pixels.data() + y * width * 4;

        png_read_image (png, rows.data());
        png_read_end (png, nullptr);
        return true;
    }
}

juce::Image PngImageReader::decode (const void* data, size_t size)
{
    auto* png = png_create_read_struct (PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);

    if (png == nullptr)
        return {};

    auto* info = png_create_info_struct (png);

    if (info == nullptr)
    {
        png_destroy_read_struct (&png, nullptr, nullptr);
        return {};
    }

    MemorySource source { static_cast<const png_byte*> (data), size, 0 };
    std::vector<png_byte> pixels;
    std::vector<png_bytep> rows;
    png_uint_32 width = 0, height = 0;

    const bool ok = readPixels (png, info, source, pixels, rows, width, height);
    png_destroy_read_struct (&png, &info, nullptr);

    if (! ok)
        return {};

    juce::Image image (juce::Image::ARGB, (int) width, (int) height, false);
    const juce::Image::BitmapData bitmap (image, juce::Image::BitmapData::writeOnly);

    for (int y = 0; y < (int) height; ++y)
    {
        const auto* source = pixels.data() + (size_t) y * width * 4;

        for (int x = 0; x < (int) width; ++x, source += 4)
        {
            juce::PixelARGB pixel (source[3], source[0], source[1], source[2]);
            pixel.premultiply();
            *reinterpret_cast<juce::PixelARGB*> (bitmap.getPixelPointer (x, y)) = pixel;
        }
    }

    return image;
}
