#include <gtest/gtest.h>

#include <string>

#include "SkinTestSupport.h"
#include "skin/SkinContentGuard.h"
#include "skin/SkinValues.h"

namespace
{
    juce::String nested (const juce::String& tag, int depth)
    {
        return juce::String::repeatedString ("<" + tag + ">", depth) + juce::String::repeatedString ("</" + tag + ">", depth);
    }

    juce::MemoryBlock compress (const juce::MemoryBlock& raw)
    {
        juce::MemoryOutputStream out;
        {
            juce::GZIPCompressorOutputStream zipped (out);
            zipped.write (raw.getData(), raw.getSize());
        }
        return out.getMemoryBlock();
    }

    juce::MemoryBlock decompress (const juce::MemoryBlock& compressed)
    {
        juce::MemoryInputStream in (compressed, false);
        juce::GZIPDecompressorInputStream unzipped (in);
        juce::MemoryBlock result;
        unzipped.readIntoMemoryBlock (result);
        return result;
    }
}

//==============================================================================
TEST (SkinContentGuard, XmlNestingAndEntitiesAreBounded)
{
    EXPECT_NE (SkinContentGuard::parseXml (nested ("a", SkinContentGuard::maxXmlDepth)), nullptr);
    EXPECT_EQ (SkinContentGuard::parseXml (nested ("a", SkinContentGuard::maxXmlDepth + 1)), nullptr);
    EXPECT_EQ (SkinContentGuard::parseXml (nested ("a", 100000)), nullptr);

    // Self-closing elements, comments and quoted '>' do not deepen the nesting.
    const auto flat = "<r>" + juce::String::repeatedString ("<b x=\"1>2\"/><!-- <c> --><![CDATA[<d>]]>", 1000) + "</r>";
    EXPECT_NE (SkinContentGuard::parseXml (flat), nullptr);

    const auto entities = "<!DOCTYPE r [<!ENTITY a \"&a;&a;\">]><r>&a;</r>";
    EXPECT_EQ (SkinContentGuard::parseXml (entities), nullptr);
    EXPECT_EQ (SkinContentGuard::parseXml ("<!doctype r [<!entity a \"x\">]><r/>"), nullptr);
}

TEST (SkinContentGuard, ProcessingInstructionsOnlyBeforeTheRoot)
{
    // The framework's reader never returns from a processing instruction that is
    // followed by text inside an element.
    EXPECT_EQ (SkinContentGuard::parseXml ("<a><?x?>X</a>"), nullptr);
    EXPECT_EQ (SkinContentGuard::parseXml ("<a><b/><?x y?></a>"), nullptr);
    EXPECT_NE (SkinContentGuard::parseXml ("<?xml version=\"1.0\"?>\n<?style x?><a/>"), nullptr);

    // Where the reader's view of a tag differs from a quote-aware one (here it
    // gives up on the attribute at the '<'), the instruction is refused all the same.
    EXPECT_EQ (SkinContentGuard::parseXml ("<r><s a<b c=\"x<?y z=\"1\">t</s></r>"), nullptr);
    EXPECT_EQ (SkinContentGuard::parseXml ("<r a=\"<b><b><b>\"/>"), nullptr);
}

TEST (SkinContentGuard, StreamsLargerThanTheLimitAreRefused)
{
    juce::MemoryBlock source (1000, true);
    juce::MemoryBlock data;

    juce::MemoryInputStream fits (source, false);
    EXPECT_TRUE (SkinContentGuard::readWholeStream (fits, data, 1000));
    EXPECT_EQ (data.getSize(), 1000u);

    juce::MemoryInputStream tooBig (source, false);
    EXPECT_FALSE (SkinContentGuard::readWholeStream (tooBig, data, 999));
    EXPECT_EQ (data.getSize(), 0u);
}

TEST (SkinContentGuard, TypefaceStreamsMustBeCompleteAndBounded)
{
    const auto good = TestSkin::makeTypefaceStream ("Face");
    EXPECT_TRUE (SkinContentGuard::isTypefaceStreamWellFormed (good));

    auto raw = decompress (good);

    // Cut short: the last kerning pair is incomplete.
    juce::MemoryBlock truncated (raw.getData(), raw.getSize() - 2);
    EXPECT_FALSE (SkinContentGuard::isTypefaceStreamWellFormed (compress (truncated)));

    // A glyph count far beyond the data: the framework would read zeros for ever.
    const auto nameLength = (size_t) juce::String ("Face").length() + 1;
    const auto countOffset = nameLength + 2 + 4 + 2;
    juce::MemoryBlock hugeCount (raw);
    static_cast<juce::uint8*> (hugeCount.getData())[countOffset + 3] = 0x7f;
    EXPECT_FALSE (SkinContentGuard::isTypefaceStreamWellFormed (compress (hugeCount)));

    // A non-finite ascent.
    juce::MemoryBlock badAscent (raw);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy (static_cast<char*> (badAscent.getData()) + nameLength + 2, &nan, sizeof (nan));
    EXPECT_FALSE (SkinContentGuard::isTypefaceStreamWellFormed (compress (badAscent)));

    EXPECT_FALSE (SkinContentGuard::isTypefaceStreamWellFormed (juce::MemoryBlock ("not gzip", 8)));
}

TEST (SkinContentGuard, DrawingsMayNotLoopMultiplyOrEmbedImages)
{
    auto check = [] (const juce::String& text)
    {
        const auto svg = juce::parseXML (text);
        return svg != nullptr && SkinContentGuard::isDrawingSafeToParse (*svg);
    };

    EXPECT_TRUE (check ("<svg><defs><linearGradient id=\"g\"/></defs><rect fill=\"url(#g)\"/></svg>"));
    EXPECT_TRUE (check ("<svg><rect id=\"r\"/><use xlink:href=\"#r\"/><use href=\"#missing\"/></svg>"));

    // Chained gradients, as drawing programs write them, are fine.
    EXPECT_TRUE (check ("<svg><linearGradient id=\"a\"><stop/></linearGradient>"
                        "<radialGradient id=\"b\" xlink:href=\"#a\"/><circle style=\"fill:url(#b)\"/></svg>"));

    // Cycles: to an enclosing element, to itself, and through another element.
    EXPECT_FALSE (check ("<svg><g id=\"a\"><use xlink:href=\"#a\"/></g></svg>"));
    EXPECT_FALSE (check ("<svg><linearGradient id=\"g\" xlink:href=\"#g\"/><rect fill=\"url(#g)\"/></svg>"));
    EXPECT_FALSE (check ("<svg><g id=\"a\"><use href=\"#b\"/></g><g id=\"b\"><use href=\"#a\"/></g></svg>"));
    EXPECT_FALSE (check ("<svg><clipPath id=\"c\"><rect clip-path=\"url( '#c' )\"/></clipPath></svg>"));

    // Each level using the one below ten times: a million elements to parse.
    juce::String layered ("<svg><g id=\"l0\"><rect/></g>");

    for (int level = 1; level <= 6; ++level)
        layered << "<g id=\"l" << level << "\">"
                << juce::String::repeatedString ("<use href=\"#l" + juce::String (level - 1) + "\"/>", 10) << "</g>";

    EXPECT_FALSE (check (layered + "</svg>"));

    // Embedded images would reach the framework's image loaders.
    EXPECT_FALSE (check ("<svg><g><image width=\"4\" height=\"4\" xlink:href=\"data:image/png;base64,iVBORw0KGgo=\"/></g></svg>"));
    EXPECT_FALSE (check ("<svg:svg><svg:image/></svg:svg>"));
}

TEST (SkinContentGuard, PathDataEndingInABareLineCommandIsRefused)
{
    // The framework's path parser reads past the end of the data after a horizontal
    // or vertical line command with nothing but blanks and commas behind it.
    struct Case { const char* pathData; bool safe; };

    const Case cases[] = {
        { "M0 0 H10 V10 Z",        true },
        { "m0,0 h5, v5,",          true },
        { "M0 0 H x",              true },
        { "M0 0 L1 1",             true },
        { "",                      true },
        { "M0 0 H",                false },
        { "M0 0 v ",               false },
        { "M0 0 L1 1 h ,, \n\t",  false },
        { "V",                     false },
        { "M0 0 H5 V",             false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.pathData);
        const auto svg = juce::parseXML ("<svg><g><path d=\"" + juce::String (c.pathData) + "\"/></g></svg>");
        ASSERT_NE (svg, nullptr);
        EXPECT_EQ (SkinContentGuard::isDrawingSafeToParse (*svg), c.safe);

        // What passes is parsed whole without reading outside the data (ASan build).
        if (c.safe)
        {
            EXPECT_NE (juce::Drawable::createFromSVG (*svg), nullptr);
        }
    }
}

TEST (SkinContentGuard, DrawingsMayNotBeEnlargedBeyondTheBound)
{
    // A rotated, clipped group with a line and a text, as the fuzzer found it: at
    // a few hundred times its size the framework's integer bounds overflow.
    auto drawing = [] (const juce::String& outer, const juce::String& inner)
    {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"40\" viewBox=\"0 0 40 40\">"
               "<defs><clipPath id=\"c\"><rect width=\"20\" height=\"20\"/></clipPath></defs>"
               "<g transform=\"" + outer + "\"><g transform=\"" + inner + "\" clip-path=\"url(#c)\">"
               "<line x1=\"0\" y1=\"0\" x2=\"9\" y2=\"9\"/><text x=\"1\" y=\"15\" font-size=\"4\">Hi</text>"
               "</g></g><use href=\"#c\" transform=\"" + outer + "\"/></svg>";
    };

    struct Case { const char* outer; const char* inner; bool accepted; };

    const Case cases[] = {
        { "",                 "translate(2,3) scale(2) rotate(10)",   true },
        { "scale(8)",         "translate(2,3) scale(8) rotate(10)",   true },    // 64 all told
        { "scale(0.5)",       "scale(100)",                           false },   // shrinking first does not count
        { "",                 "translate(2,3) scale(175) rotate(10)", false },
        { "scale(14)",        "translate(2,3) scale(14) rotate(10)",  false },
        { "",                 "scale(2, 300)",                        false },
        { "",                 "matrix(100 0 0 100 5 5)",              false },
        { "",                 "matrix(0.5 0.2 -0.2 0.5 300 300)",     true },
        { "",                 "skewX(89.9)",                          false },
        { "",                 "skewY(30) rotate(45) translate(1e6)",  true },
        { "",                 "scale(1e999)",                         false },
        { "scale(3)",         "scale(3)",                             true },
    };

    SkinManager manager;

    for (const auto& c : cases)
    {
        const auto text = drawing (c.outer, c.inner);
        const auto svg = juce::parseXML (text);
        ASSERT_NE (svg, nullptr);
        EXPECT_EQ (SkinContentGuard::isDrawingSafeToParse (*svg), c.accepted) << c.outer << " / " << c.inner;
    }

    // The clip path used from an enlarged place counts too.
    const auto viaUse = juce::parseXML ("<svg><clipPath id=\"c\"><rect transform=\"scale(10)\"/></clipPath>"
                                        "<use href=\"#c\" transform=\"scale(10)\"/></svg>");
    ASSERT_NE (viaUse, nullptr);
    EXPECT_FALSE (SkinContentGuard::isDrawingSafeToParse (*viaUse));

    // Loaded from a skin, the refused drawing is skipped and the rest loads.
    TestSkin skin;
    skin.addEntry ("enlarged.svg", drawing ("", "translate(2,3) scale(175) rotate(10)"));
    skin.addEntry ("fine.svg", drawing ("scale(2)", "rotate(10)"));
    skin.writeArchive();
    ASSERT_TRUE (manager.loadDocument (skin.writeDescription()).wasOk());
    EXPECT_EQ (manager.getDrawableNames(), juce::StringArray ("fine.svg"));
}

//==============================================================================
TEST (SkinContentGuard, MalformedEntriesAreSkippedAndTheRestLoads)
{
    TestSkin skin;
    skin.addImage ("good.png", 4, 4);

    auto hugePng = TestSkin::makePng (4, 4, juce::Colours::green);
    auto* bytes = static_cast<juce::uint8*> (hugePng.getData());
    bytes[16] = 0x7f;
    skin.addEntry ("huge.png", hugePng);

    skin.addEntry ("damaged.stf", juce::MemoryBlock ("\x78\x9c garbage", 10));
    skin.addEntry ("loop.svg", juce::String ("<svg><g id=\"a\"><use xlink:href=\"#a\"/></g></svg>"));
    skin.addEntry ("deep.svg", nested ("g", 5000));
    skin.addTypeface ("fine.stf", "Fine");

    auto* manager = skin.loadAsSingleton();
    ASSERT_NE (manager, nullptr);
    EXPECT_EQ (SkinManager::getImage (juce::String ("good.png").hashCode64()).getWidth(), 4);
    EXPECT_FALSE (SkinManager::getImage (juce::String ("huge.png").hashCode64()).isValid());
    EXPECT_EQ (manager->getTypefaceNames(), juce::StringArray ("fine.stf"));
    EXPECT_TRUE (manager->getDrawableNames().isEmpty());
}

TEST (SkinContentGuard, DeeplyNestedDescriptionIsNotAValidSkin)
{
    TestSkin skin;
    skin.addImage ("a.png", 1, 1);
    skin.writeArchive();
    const auto file = skin.writeRawDescription ("<SKIN skin=\"skin.zip\" skinEngineVersion=\"2\">"
                                                + nested ("x", 20000) + "</SKIN>");
    SkinManager manager;
    EXPECT_EQ (manager.loadDocument (file).getErrorMessage(), "Not a valid Skin file");
}

TEST (SkinContentGuard, DescriptionsMustBeCleanUtf8)
{
    // A damaged description once sent the framework's XML reader past the end of
    // its text and into an endless loop: embedded zeros and broken UTF-8 are refused.
    TestSkin skin;
    skin.addImage ("a.png", 1, 1);
    skin.writeArchive();

    const char withZero[] = "<SKIN skin=\"skin.zip\" skinEngineVersion=\"2\">\n<Popup\0\0\0Skin a=\"1\"/>\n<Auto";
    const auto zeroFile = skin.getFolder().getChildFile ("zero.vexor");
    zeroFile.replaceWithData (withZero, sizeof (withZero) - 1);

    const char brokenUtf8[] = "<SKIN skin=\"skin.zip\" skinEngineVersion=\"2\" name=\"\xf0\x9f\"/>";
    const auto brokenFile = skin.getFolder().getChildFile ("broken.vexor");
    brokenFile.replaceWithData (brokenUtf8, sizeof (brokenUtf8) - 1);

    SkinManager manager;
    EXPECT_EQ (manager.loadDocument (zeroFile).getErrorMessage(), "Not a valid Skin file");
    EXPECT_EQ (manager.loadDocument (brokenFile).getErrorMessage(), "Not a valid Skin file");

    // An encoded zero, a lone continuation byte, a surrogate half, a lead byte past
    // U+10FFFF and a lead byte whose second byte is no continuation.
    for (const std::string bytes : { "\xC0\x80", "\x80", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xC3\x28" })
    {
        const auto file = skin.getFolder().getChildFile ("ill-formed.vexor");
        const auto text = "<SKIN skin=\"skin.zip\" skinEngineVersion=\"2\" name=\"a" + bytes + "b\"/>";
        ASSERT_TRUE (file.replaceWithData (text.data(), text.size()));
        EXPECT_EQ (manager.loadDocument (file).getErrorMessage(), "Not a valid Skin file") << juce::String::toHexString (bytes.data(), (int) bytes.size());
    }

    const char accented[] = "<SKIN skin=\"skin.zip\" skinEngineVersion=\"2\" name=\"K\xc3\xb6rrina\"/>";
    const auto goodFile = skin.getFolder().getChildFile ("good.vexor");
    goodFile.replaceWithData (accented, sizeof (accented) - 1);
    EXPECT_TRUE (manager.loadDocument (goodFile).wasOk());
    EXPECT_EQ (SkinValues::getAttribute (*manager.skinXml, "name"), juce::CharPointer_UTF8 ("K\xc3\xb6rrina"));
}

TEST (SkinContentGuard, EmptyTextIsNotXml)
{
    EXPECT_EQ (SkinContentGuard::parseXmlBytes (nullptr, 0), nullptr);

    TestSkin skin;
    skin.addImage ("a.png", 1, 1);
    skin.addEntry ("empty.svg", juce::MemoryBlock());
    skin.writeArchive();
    const auto empty = skin.writeRawDescription ({});

    SkinManager manager;
    EXPECT_EQ (manager.loadDocument (empty).getErrorMessage(), "Not a valid Skin file");
    EXPECT_TRUE (manager.loadDocument (skin.writeDescription()).wasOk());
    EXPECT_TRUE (manager.getDrawableNames().isEmpty());
}

TEST (SkinContentGuard, EntriesUnpackingBeyondTheLimitAreSkipped)
{
    // Trailing bytes after a PNG do not disturb its decoding, so the same image
    // loads when it fits and is skipped when padding takes it past the limit.
    TestSkin skin;
    auto fits = TestSkin::makePng (3, 3, juce::Colours::red);
    auto tooBig = fits;
    const juce::MemoryBlock padding (SkinContentGuard::maxEntryBytes, true);
    tooBig.append (padding.getData(), padding.getSize());

    skin.addEntry ("fits.png", fits);
    skin.addEntry ("bomb.png", tooBig);

    auto* manager = skin.loadAsSingleton();
    ASSERT_NE (manager, nullptr);
    EXPECT_TRUE (SkinManager::getImage (juce::String ("fits.png").hashCode64()).isValid());
    EXPECT_FALSE (SkinManager::getImage (juce::String ("bomb.png").hashCode64()).isValid());
}
