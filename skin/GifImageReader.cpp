#include "skin/GifImageReader.h"

#include "skin/SkinContentGuard.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <vector>

namespace
{
    //==============================================================================
    // The bytes giflib reads from: every read is checked against what is left, and
    // a read past the end hands over only what there is, which giflib takes as a
    // damaged file.
    struct ByteSource
    {
        const juce::uint8* data;
        size_t size;
        size_t pos = 0;

        static int read (GifFileType* gif, GifByteType* destination, int wanted)
        {
            auto& source = *static_cast<ByteSource*> (gif->UserData);

            if (wanted <= 0)
                return 0;

            const auto count = juce::jmin ((size_t) wanted, source.size - source.pos);
            std::memcpy (destination, source.data + source.pos, count);
            source.pos += count;
            return (int) count;
        }
    };

    struct GifCloser
    {
        void operator() (GifFileType* gif) const noexcept
        {
            int error = 0;
            DGifCloseFile (gif, &error);
        }
    };

    using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

    // Reads the sub-blocks of an extension; the transparent index from a graphic
    // control block that has one, else the index passed in.
    bool readExtension (GifFileType* gif, int& transparentIndex)
    {
        int code = 0;
        GifByteType* block = nullptr;

        if (DGifGetExtension (gif, &code, &block) == GIF_ERROR)
            return false;

        // A graphic control block: length 4, then the flags (bit 0: a transparent
        // colour is given), the delay (2 bytes) and the transparent index.
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] == 4 && (block[1] & 1) != 0)
            transparentIndex = block[4];

        while (block != nullptr)
            if (DGifGetExtensionNext (gif, &block) == GIF_ERROR)
                return false;

        return true;
    }

    // Row order of an interlaced frame: every 8th row from 0, every 8th from 4,
    // every 4th from 2, every 2nd from 1.
    std::vector<int> getRowOrder (int height, bool interlaced)
    {
        std::vector<int> rows;
        rows.reserve ((size_t) height);

        if (! interlaced)
        {
            for (int y = 0; y < height; ++y)
                rows.push_back (y);

            return rows;
        }

        const int starts[] = { 0, 4, 2, 1 };
        const int steps[]  = { 8, 8, 4, 2 };

        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < height; y += steps[pass])
                rows.push_back (y);

        return rows;
    }

    // Decodes the frame whose descriptor giflib has just read; null when it is
    // beyond the size limits or its data is damaged or cut short.
    juce::Image readFrame (GifFileType* gif, int transparentIndex)
    {
        const auto& frame = gif->Image;
        const auto width = frame.Width;
        const auto height = frame.Height;

        if (width <= 0 || height <= 0 || width > SkinContentGuard::maxImageSide
             || height > SkinContentGuard::maxImageSide
             || (juce::int64) width * height > SkinContentGuard::maxImagePixels)
            return {};

        // The frame's own colours, else the file's; without either every pixel
        // stays transparent, as does an index the colour table does not hold.
        const auto* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
        const int numColours = colours != nullptr ? juce::jmax (0, colours->ColorCount) : 0;

        juce::Image image (juce::Image::ARGB, width, height, true);
        const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
        std::vector<GifPixelType> line ((size_t) width);

        for (const auto y : getRowOrder (height, frame.Interlace))
        {
            if (DGifGetLine (gif, line.data(), width) == GIF_ERROR)
                return {};

            for (int x = 0; x < width; ++x)
            {
                const int index = line[(size_t) x];

                if (index == transparentIndex || index >= numColours)
                    continue;

                const auto& c = colours->Colors[index];
                reinterpret_cast<juce::PixelARGB*> (pixels.getPixelPointer (x, y))->setARGB (0xff, c.Red, c.Green, c.Blue);
            }
        }

        image.getProperties()->set ("originalImageHadAlpha", transparentIndex >= 0);
        return image;
    }
}

//==============================================================================
juce::Image GifImageReader::decode (const void* data, size_t size)
{
    if (data == nullptr || size < 13
         || (std::memcmp (data, "GIF87a", 6) != 0 && std::memcmp (data, "GIF89a", 6) != 0))
        return {};

    ByteSource source { static_cast<const juce::uint8*> (data), size };
    int error = 0;
    const GifHandle gif (DGifOpen (&source, ByteSource::read, &error));

    if (gif == nullptr)
        return {};

    int transparentIndex = -1;

    for (;;)
    {
        GifRecordType record = UNDEFINED_RECORD_TYPE;

        if (DGifGetRecordType (gif.get(), &record) == GIF_ERROR)
            return {};

        switch (record)
        {
            case EXTENSION_RECORD_TYPE:
                if (! readExtension (gif.get(), transparentIndex))
                    return {};

                break;

            case IMAGE_DESC_RECORD_TYPE:
                if (DGifGetImageDesc (gif.get()) == GIF_ERROR)
                    return {};

                return readFrame (gif.get(), transparentIndex);

            default:
                // The end of the file before any frame, or a block that is not GIF.
                return {};
        }
    }
}
