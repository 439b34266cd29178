#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "skin/JpegImageReader.h"
#include "skin/PngImageReader.h"

namespace
{
    juce::uint32 crc32 (const juce::uint8* data, size_t size, juce::uint32 crc = 0)
    {
        crc = ~crc;

        for (size_t i = 0; i < size; ++i)
        {
            crc ^= data[i];

            for (int k = 0; k < 8; ++k)
                crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }

        return ~crc;
    }

    void appendChunk (juce::MemoryOutputStream& out, const char* type, const juce::MemoryBlock& body)
    {
        juce::MemoryBlock typed (type, 4);
        typed.append (body.getData(), body.getSize());

        out.writeIntBigEndian ((int) body.getSize());
        out.write (typed.getData(), typed.getSize());
        out.writeIntBigEndian ((int) crc32 (static_cast<const juce::uint8*> (typed.getData()), typed.getSize()));
    }

    // A 2 x 1 palette PNG (index 0 opaque red, index 1 half-transparent blue).
    juce::MemoryBlock makePalettePng()
    {
        juce::MemoryOutputStream out;
        const juce::uint8 signature[] = { 0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a };
        out.write (signature, sizeof (signature));

        const juce::uint8 header[] = { 0, 0, 0, 2, 0, 0, 0, 1, 8, 3, 0, 0, 0 };
        appendChunk (out, "IHDR", juce::MemoryBlock (header, sizeof (header)));

        const juce::uint8 palette[] = { 255, 0, 0, 0, 0, 255 };
        appendChunk (out, "PLTE", juce::MemoryBlock (palette, sizeof (palette)));

        const juce::uint8 transparency[] = { 255, 128 };
        appendChunk (out, "tRNS", juce::MemoryBlock (transparency, sizeof (transparency)));

        juce::MemoryOutputStream compressed;
        {
            juce::GZIPCompressorOutputStream zipped (compressed);
            const juce::uint8 row[] = { 0, 0, 1 };
            zipped.write (row, sizeof (row));
        }
        appendChunk (out, "IDAT", compressed.getMemoryBlock());
        appendChunk (out, "IEND", {});
        return out.getMemoryBlock();
    }

    juce::Image decodePng (const juce::MemoryBlock& data)     { return PngImageReader::decode (data.getData(), data.getSize()); }
    juce::Image decodeJpeg (const juce::MemoryBlock& data)    { return JpegImageReader::decode (data.getData(), data.getSize()); }
}

//==============================================================================
TEST (PngImageReader, DecodesColourAndAlpha)
{
    const auto image = decodePng (TestSkin::makePng (6, 3, juce::Colour (0x80ff8000)));
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 6);
    EXPECT_EQ (image.getHeight(), 3);

    const auto pixel = image.getPixelAt (5, 2);
    EXPECT_NEAR (pixel.getAlpha(), 0x80, 1);
    EXPECT_NEAR (pixel.getRed(), 0xff, 5);   // premultiplied at alpha 0x80: rounding
    EXPECT_NEAR (pixel.getGreen(), 0x80, 5);
}

TEST (PngImageReader, ExpandsPalettesWithTransparency)
{
    const auto image = decodePng (makePalettePng());
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getPixelAt (0, 0), juce::Colour (0xffff0000));
    EXPECT_NEAR (image.getPixelAt (1, 0).getAlpha(), 128, 1);
    EXPECT_NEAR (image.getPixelAt (1, 0).getBlue(), 255, 2);
}

TEST (PngImageReader, DamagedDataIsRefusedNotCrashed)
{
    const auto good = makePalettePng();

    for (size_t cut = 0; cut < good.getSize(); ++cut)
        EXPECT_FALSE (PngImageReader::decode (good.getData(), cut).isValid()) << "cut at " << cut;

    auto badCrc = good;
    static_cast<juce::uint8*> (badCrc.getData())[20] ^= 0x01;   // inside IHDR
    EXPECT_FALSE (decodePng (badCrc).isValid());

    // IHDR claiming 100000 pixels wide, with its CRC made right.
    auto huge = TestSkin::makePng (4, 4, juce::Colours::red);
    auto* bytes = static_cast<juce::uint8*> (huge.getData());
    bytes[16] = 0; bytes[17] = 0x01; bytes[18] = 0x86; bytes[19] = 0xa0;
    const auto crc = crc32 (bytes + 12, 17);
    bytes[29] = (juce::uint8) (crc >> 24); bytes[30] = (juce::uint8) (crc >> 16);
    bytes[31] = (juce::uint8) (crc >> 8);  bytes[32] = (juce::uint8) crc;
    EXPECT_FALSE (decodePng (huge).isValid());
}

//==============================================================================
TEST (JpegImageReader, DecodesWhatTheFrameworkWrites)
{
    juce::Image source (juce::Image::RGB, 16, 8, true);
    source.clear (source.getBounds(), juce::Colour (0xff2040c0));

    juce::MemoryOutputStream out;
    juce::JPEGImageFormat writer;
    writer.setQuality (1.0f);
    ASSERT_TRUE (writer.writeImageToStream (source, out));

    const auto image = decodeJpeg (out.getMemoryBlock());
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), 16);
    EXPECT_EQ (image.getHeight(), 8);
    EXPECT_NEAR (image.getPixelAt (8, 4).getBlue(), 0xc0, 6);
    EXPECT_NEAR (image.getPixelAt (8, 4).getRed(), 0x20, 6);

    // Any truncation either decodes (libjpeg pads the missing data) or is refused.
    const auto data = out.getMemoryBlock();

    for (size_t cut = 0; cut < data.getSize(); cut += 7)
    {
        const auto partial = JpegImageReader::decode (data.getData(), cut);
        EXPECT_TRUE (! partial.isValid() || partial.getWidth() == 16);
    }
}

TEST (JpegImageReader, HugeFramesAreRefused)
{
    const juce::uint8 header[] = { 0xff, 0xd8, 0xff, 0xc0, 0x00, 0x0b, 0x08, 0xff, 0xdc, 0xff, 0xdc, 0x01,
                                   0x01, 0x11, 0x00, 0xff, 0xd9 };
    EXPECT_FALSE (JpegImageReader::decode (header, sizeof (header)).isValid());
    EXPECT_FALSE (JpegImageReader::decode (nullptr, 0).isValid());
}
