#include "skin/GifImageReader.h"

#include "skin/SkinContentGuard.h"

#include <array>
#include <cstring>
#include <vector>

namespace
{
    //==============================================================================
    // Reads the image data sub-blocks as one stream of LZW codes, least
    // significant bit first.
    class CodeReader
    {
    public:
        explicit CodeReader (std::vector<juce::uint8> bytesIn)  : bytes (std::move (bytesIn)) {}

        // -1 when the data is used up.
        int read (int numBits)
        {
            int code = 0;

            for (int i = 0; i < numBits; ++i, ++bitPosition)
            {
                const auto byteIndex = bitPosition >> 3;

                if (byteIndex >= bytes.size())
                    return -1;

                if ((bytes[byteIndex] >> (bitPosition & 7)) & 1)
                    code |= 1 << i;
            }

            return code;
        }

    private:
        std::vector<juce::uint8> bytes;
        size_t bitPosition = 0;
    };

    //==============================================================================
    // Decompresses the colour indices of one frame; false when the code stream
    // is damaged. A stream that ends early leaves the remaining pixels at 0.
    bool decompress (CodeReader& codes, int minCodeSize, std::vector<juce::uint8>& pixels)
    {
        constexpr int maxCodes = 4096;
        std::array<juce::uint16, maxCodes> prefix {};
        std::array<juce::uint8, maxCodes> suffix {};
        std::array<juce::uint8, maxCodes> stack {};

        const int clearCode = 1 << minCodeSize;
        const int endCode = clearCode + 1;
        int codeSize = minCodeSize + 1;
        int nextCode = endCode + 1;
        int previous = -1;
        juce::uint8 firstOfPrevious = 0;
        size_t written = 0;

        for (int i = 0; i < clearCode; ++i)
            suffix[(size_t) i] = (juce::uint8) i;

        while (written < pixels.size())
        {
            const int code = codes.read (codeSize);

            if (code < 0 || code == endCode)
                break;

            if (code == clearCode)
            {
                codeSize = minCodeSize + 1;
                nextCode = endCode + 1;
                previous = -1;
                continue;
            }

            if (previous < 0)
            {
                if (code >= clearCode)
                    return false;

                pixels[written++] = (juce::uint8) code;
                previous = code;
                firstOfPrevious = (juce::uint8) code;
                continue;
            }

            if (code > nextCode || (code == nextCode && nextCode >= maxCodes))
                return false;

            // Unwind the string of the code (or, for the code not yet defined, of
            // the previous code followed by its own first index) onto the stack.
            size_t depth = 0;
            int walk = code;

            if (code == nextCode)
            {
                stack[depth++] = firstOfPrevious;
                walk = previous;
            }

            while (walk >= clearCode)
            {
                if (depth >= stack.size())
                    return false;

                stack[depth++] = suffix[(size_t) walk];
                walk = prefix[(size_t) walk];
            }

            if (depth >= stack.size())
                return false;

            stack[depth++] = (juce::uint8) walk;
            const auto first = (juce::uint8) walk;

            while (depth > 0 && written < pixels.size())
                pixels[written++] = stack[--depth];

            if (nextCode < maxCodes)
            {
                prefix[(size_t) nextCode] = (juce::uint16) previous;
                suffix[(size_t) nextCode] = first;
                ++nextCode;

                if (nextCode == (1 << codeSize) && codeSize < 12)
                    ++codeSize;
            }

            previous = code;
            firstOfPrevious = first;
        }

        return true;
    }

    //==============================================================================
    struct ByteSource
    {
        const juce::uint8* data;
        size_t size;
        size_t pos = 0;

        bool has (size_t n) const noexcept      { return n <= size - pos; }
        int byte() noexcept                     { return data[pos++]; }
        int short16() noexcept                  { const int v = data[pos] | (data[pos + 1] << 8); pos += 2; return v; }

        // Sub-blocks: a length byte and that many bytes, ended by a length of 0.
        bool readSubBlocks (std::vector<juce::uint8>* collected)
        {
            for (;;)
            {
                if (! has (1))
                    return false;

                const auto length = (size_t) byte();

                if (length == 0)
                    return true;

                if (! has (length))
                    return false;

                if (collected != nullptr)
                    collected->insert (collected->end(), data + pos, data + pos + length);

                pos += length;
            }
        }
    };

    bool readPalette (ByteSource& in, int flags, std::vector<juce::PixelARGB>& palette)
    {
        const auto numColours = (size_t) 2 << (flags & 7);

        if (! in.has (numColours * 3))
            return false;

        palette.resize (numColours);

        for (auto& colour : palette)
        {
            const auto r = (juce::uint8) in.byte();
            const auto g = (juce::uint8) in.byte();
            const auto b = (juce::uint8) in.byte();
            colour.setARGB (0xff, r, g, b);
        }

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
}

//==============================================================================
juce::Image GifImageReader::decode (const void* data, size_t size)
{
    ByteSource in { static_cast<const juce::uint8*> (data), size };

    if (! in.has (13) || (std::memcmp (in.data, "GIF87a", 6) != 0 && std::memcmp (in.data, "GIF89a", 6) != 0))
        return {};

    in.pos = 10;
    const auto screenFlags = in.byte();
    in.pos = 13;

    std::vector<juce::PixelARGB> palette;

    if ((screenFlags & 0x80) != 0 && ! readPalette (in, screenFlags, palette))
        return {};

    int transparentIndex = -1;

    while (in.has (1))
    {
        const auto blockType = in.byte();

        if (blockType == 0x3b)
            return {};

        if (blockType == 0x21)
        {
            if (! in.has (1))
                return {};

            const auto label = in.byte();

            if (label == 0xf9 && in.has (6) && in.data[in.pos] == 4)
            {
                const auto packed = in.data[in.pos + 1];

                if ((packed & 1) != 0)
                    transparentIndex = in.data[in.pos + 4];
            }

            if (! in.readSubBlocks (nullptr))
                return {};

            continue;
        }

        if (blockType != 0x2c || ! in.has (9))
            return {};

        in.pos += 4;
        const auto width = in.short16();
        const auto height = in.short16();
        const auto imageFlags = in.byte();

        if (width <= 0 || height <= 0 || width > SkinContentGuard::maxImageSide
             || height > SkinContentGuard::maxImageSide
             || (juce::int64) width * height > SkinContentGuard::maxImagePixels)
            return {};

        if ((imageFlags & 0x80) != 0 && ! readPalette (in, imageFlags, palette))
            return {};

        if (! in.has (1))
            return {};

        const auto minCodeSize = in.byte();

        if (minCodeSize < 1 || minCodeSize > 11)
            return {};

        std::vector<juce::uint8> compressed;

        if (! in.readSubBlocks (&compressed))
            return {};

        std::vector<juce::uint8> indices ((size_t) width * (size_t) height, 0);
        CodeReader codes (std::move (compressed));

        if (! decompress (codes, minCodeSize, indices))
            return {};

        juce::Image image (juce::Image::ARGB, width, height, true);
        const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);
        const auto rows = getRowOrder (height, (imageFlags & 0x40) != 0);
        size_t source = 0;

        for (const auto y : rows)
        {
            for (int x = 0; x < width; ++x)
            {
                const auto index = indices[source++];

                if ((int) index == transparentIndex || index >= palette.size())
                    continue;

                *reinterpret_cast<juce::PixelARGB*> (pixels.getPixelPointer (x, y)) = palette[index];
            }
        }

        image.getProperties()->set ("originalImageHadAlpha", transparentIndex >= 0);
        return image;
    }

    return {};
}
