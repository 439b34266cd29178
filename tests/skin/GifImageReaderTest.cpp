#include <gtest/gtest.h>

#include "skin/GifImageReader.h"

#include <vector>

namespace
{
    // A GIF whose frame is given by its header fields and raw LZW sub-block bytes.
    std::vector<juce::uint8> makeGif (int width, int height, bool interlaced, int transparentIndex,
                                      const std::vector<juce::uint8>& lzw, int minCodeSize = 2)
    {
        std::vector<juce::uint8> d { 'G', 'I', 'F', '8', '9', 'a',
                                     (juce::uint8) width, (juce::uint8) (width >> 8),
                                     (juce::uint8) height, (juce::uint8) (height >> 8),
                                     0x81, 0, 0,
                                     // four-colour palette: black, white, red, blue
                                     0, 0, 0,  255, 255, 255,  255, 0, 0,  0, 0, 255 };

        if (transparentIndex >= 0)
            d.insert (d.end(), { 0x21, 0xf9, 4, 1, 0, 0, (juce::uint8) transparentIndex, 0 });

        d.insert (d.end(), { 0x2c, 0, 0, 0, 0,
                             (juce::uint8) width, (juce::uint8) (width >> 8),
                             (juce::uint8) height, (juce::uint8) (height >> 8),
                             (juce::uint8) (interlaced ? 0x40 : 0), (juce::uint8) minCodeSize,
                             (juce::uint8) lzw.size() });
        d.insert (d.end(), lzw.begin(), lzw.end());
        d.insert (d.end(), { 0, 0x3b });
        return d;
    }

    // Packs codes of the given widths least significant bit first.
    std::vector<juce::uint8> packCodes (const std::vector<std::pair<int, int>>& codes)
    {
        std::vector<juce::uint8> out;
        int bit = 0;

        for (auto [code, width] : codes)
        {
            for (int i = 0; i < width; ++i, ++bit)
            {
                if ((size_t) (bit >> 3) >= out.size())
                    out.push_back (0);

                if ((code >> i) & 1)
                    out[(size_t) (bit >> 3)] |= (juce::uint8) (1 << (bit & 7));
            }
        }

        return out;
    }

    juce::Image decode (const std::vector<juce::uint8>& gif)
    {
        return GifImageReader::decode (gif.data(), gif.size());
    }
}

TEST (GifImageReader, DecodesPixelsIncludingRepeatedStrings)
{
    // clear, 1, 2, 6 (= "2 2", defined by the previous step), 3, end: pixels 1 2 2 2 3
    const auto lzw = packCodes ({ { 4, 3 }, { 1, 3 }, { 2, 3 }, { 7, 3 }, { 3, 4 }, { 5, 4 } });
    const auto image = decode (makeGif (5, 1, false, -1, lzw));

    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 5);
    EXPECT_EQ (image.getPixelAt (0, 0), juce::Colours::white);
    EXPECT_EQ (image.getPixelAt (1, 0), juce::Colour (0xffff0000));
    EXPECT_EQ (image.getPixelAt (3, 0), juce::Colour (0xffff0000));
    EXPECT_EQ (image.getPixelAt (4, 0), juce::Colour (0xff0000ff));
}

TEST (GifImageReader, TransparentIndexAndInterlacedRows)
{
    // Eight rows of one pixel: indices 0..3 then 0..3 again, stored in interlace order.
    const auto lzw = packCodes ({ { 4, 3 }, { 0, 3 }, { 1, 3 }, { 2, 3 }, { 3, 4 },
                                  { 4, 4 }, { 0, 3 }, { 1, 3 }, { 2, 3 }, { 3, 4 }, { 5, 4 } });
    const auto image = decode (makeGif (1, 8, true, 1, lzw));
    ASSERT_TRUE (image.isValid());

    // Stored rows 0..7 land on rows 0, 4, 2, 6, 1, 3, 5, 7.
    EXPECT_EQ (image.getPixelAt (0, 0), juce::Colours::black);
    EXPECT_EQ (image.getPixelAt (0, 4).getAlpha(), 0);          // index 1 is transparent
    EXPECT_EQ (image.getPixelAt (0, 2), juce::Colour (0xffff0000));
    EXPECT_EQ (image.getPixelAt (0, 6), juce::Colour (0xff0000ff));
    EXPECT_EQ (image.getPixelAt (0, 1), juce::Colours::black);
    EXPECT_EQ (image.getPixelAt (0, 7), juce::Colour (0xff0000ff));
}

TEST (GifImageReader, DamagedOrOversizedDataGivesNoImage)
{
    const auto good = makeGif (2, 1, false, -1, packCodes ({ { 4, 3 }, { 1, 3 }, { 1, 3 }, { 5, 3 } }));
    EXPECT_TRUE (decode (good).isValid());

    for (size_t cut = 0; cut < good.size() - 2; ++cut)
        EXPECT_FALSE (GifImageReader::decode (good.data(), cut).isValid()) << "cut at " << cut;

    // A code beyond the table: giflib decodes it leniently, as browsers do, but
    // never beyond the frame it names.
    const auto beyond = decode (makeGif (2, 1, false, -1, packCodes ({ { 4, 3 }, { 1, 3 }, { 7, 3 }, { 5, 3 } })));
    EXPECT_TRUE (! beyond.isValid() || (beyond.getWidth() == 2 && beyond.getHeight() == 1));

    // A frame whose code stream ends before its last pixel.
    EXPECT_FALSE (decode (makeGif (4, 1, false, -1, packCodes ({ { 4, 3 }, { 1, 3 }, { 5, 3 } }))).isValid());

    // A signature other than the two GIF versions.
    auto unknownVersion = good;
    unknownVersion[4] = '8';
    EXPECT_FALSE (decode (unknownVersion).isValid());

    // A first code that is not a colour.
    EXPECT_FALSE (decode (makeGif (2, 1, false, -1, packCodes ({ { 6, 3 } }))).isValid());

    // Frame sizes of 0 or beyond the limit.
    EXPECT_FALSE (decode (makeGif (0, 1, false, -1, packCodes ({ { 4, 3 }, { 5, 3 } }))).isValid());
    EXPECT_FALSE (decode (makeGif (65535, 65535, false, -1, packCodes ({ { 4, 3 }, { 5, 3 } }))).isValid());

    EXPECT_FALSE (decode ({ 'G', 'I', 'F' }).isValid());
}
