// Skin loading and the lookups every skinned widget makes. A synthetic skin
// (60 PNG images of 64 x 64 pixels and three typefaces, deflated) stands in for
// the default skin, so the figures do not depend on the generated one.

#include <benchmark/benchmark.h>

#include <juce_gui_extra/juce_gui_extra.h>

#include "skin/SkinManager.h"

namespace
{
    constexpr int numImages = 60;

    juce::String imageName (int index)      { return "images/picture-" + juce::String (index) + ".png"; }

    juce::MemoryBlock makeTypeface (const juce::String& name)
    {
        juce::CustomTypeface typeface;
        typeface.setCharacteristics (name, 0.8f, false, false, ' ');

        for (juce::juce_wchar c = 32; c < 127; ++c)
        {
            juce::Path glyph;
            glyph.addRoundedRectangle (0.05f, 0.1f, 0.4f, 0.7f, 0.05f);
            typeface.addGlyph (c, glyph, 0.5f);
        }

        juce::MemoryOutputStream out;
        typeface.writeToStream (out);
        return out.getMemoryBlock();
    }

    // Builds the skin once, in a temporary folder, and returns its description.
    const juce::File& getSyntheticSkin()
    {
        static const juce::File description = []
        {
            const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                    .getChildFile ("dremlor-skin-bench-" + juce::Uuid().toString());
            folder.createDirectory();

            juce::ZipFile::Builder builder;

            for (int i = 0; i < numImages; ++i)
            {
                juce::Image image (juce::Image::ARGB, 64, 64, true);
                juce::Graphics g (image);
                g.setGradientFill (juce::ColourGradient (juce::Colours::teal, 0, 0, juce::Colours::white, 64, 64, false));
                g.fillEllipse (4.0f, 4.0f, 56.0f, 56.0f);

                juce::MemoryOutputStream png;
                juce::PNGImageFormat().writeImageToStream (image, png);
                builder.addEntry (new juce::MemoryInputStream (png.getMemoryBlock(), true), 9,
                                  imageName (i), juce::Time::getCurrentTime());
            }

            for (auto name : { "_bgp_b.stf", "_bgp_r.stf", "_missing_font.stf" })
                builder.addEntry (new juce::MemoryInputStream (makeTypeface (name), true), 9,
                                  name, juce::Time::getCurrentTime());

            {
                juce::FileOutputStream out (folder.getChildFile ("bench.zip"));
                builder.writeToStream (out, nullptr);
            }

            const auto file = folder.getChildFile ("bench.vexor");
            file.replaceWithText ("<SKIN name=\"Bench\" skin=\"bench.zip\" skinEngineVersion=\"2.0\"/>");
            return file;
        }();

        return description;
    }

    SkinManager* getLoadedSingleton()
    {
        static juce::ScopedJuceInitialiser_GUI gui;
        static SkinManager* manager = []
        {
            auto* instance = SkinManager::getInstance();
            instance->loadDefaultSkin (getSyntheticSkin().getFullPathName());
            return instance;
        }();

        return manager;
    }
}

static void loadSkin (benchmark::State& state)
{
    getLoadedSingleton();

    for (auto _ : state)
    {
        SkinManager manager;
        benchmark::DoNotOptimize (manager.loadDocument (getSyntheticSkin()).wasOk());
    }

    // Without a message loop the cache never times out the images of the
    // managers above; drop them so that the lookups below see one skin.
    juce::ImageCache::releaseUnusedImages();
}
BENCHMARK (loadSkin)->Unit (benchmark::kMillisecond);

static void getImage (benchmark::State& state)
{
    getLoadedSingleton();
    const auto hash = imageName (numImages / 2).hashCode64();

    for (auto _ : state)
        benchmark::DoNotOptimize (SkinManager::getImage (hash));
}
BENCHMARK (getImage);

static void getImageFallback (benchmark::State& state)
{
    getLoadedSingleton();
    const auto hash = juce::String ("not-in-the-skin.png").hashCode64();

    for (auto _ : state)
        benchmark::DoNotOptimize (SkinManager::getImage (hash));
}
BENCHMARK (getImageFallback);

static void getFont (benchmark::State& state)
{
    getLoadedSingleton();

    for (auto _ : state)
        benchmark::DoNotOptimize (SkinManager::getFont ("_missing_font.stf"));
}
BENCHMARK (getFont);
