// Feeds arbitrary skins to the skin loader. An input is a description and an
// archive, split at the first "\n--ARCHIVE--\n"; both are written to a temporary
// folder and loaded with SkinManager::loadDocument, whose archive entries then go
// through the image, drawing and typeface readers. The loaded description's
// widgets are also built, as the update dialog builds them.

#include <juce_gui_extra/juce_gui_extra.h>

#include "skin/SkinManager.h"
#include "skin/SkinValues.h"
#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace
{
    /** The process's own folder in the temporary folder, made on first use and removed
        with all it holds when the process ends through exit(), as libFuzzer ends a run
        that reached -runs or -max_total_time (a crash or a time-out leaves it behind).
        The removal goes through the standard library: the framework's own statics may
        be gone by then.
    */
    const juce::File& getFuzzFolder()
    {
        static const juce::File folder = []
        {
            auto f = juce::File::getSpecialLocation (juce::File::tempDirectory)
                         .getChildFile ("dremlor-fuzz-skin-" + juce::Uuid().toString());
            f.getChildFile ("work").createDirectory();
            return f;
        }();

        static const struct Remover
        {
            std::string path;
            ~Remover() { std::error_code ignored; std::filesystem::remove_all (path, ignored); }
        } remover { folder.getFullPathName().toStdString() };

        return folder;
    }

    void buildWidgets (const juce::XmlElement& root)
    {
        for (auto* section : root.getChildIterator())
        {
            for (auto* widget : section->getChildIterator())
            {
                auto button = SkinManager::createButton (widget, "fuzz button");
                auto label = SkinManager::createLabel (widget, "fuzz label");
                (void) SkinValues::parseRectangle (SkinValues::getAttribute (*widget, "bounds"));
            }
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // Kept for the whole run and never destroyed: tearing JUCE down from an
    // exit handler would race the framework's own static clean-up.
    static const auto* const gui = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (gui);

    const auto& folder = getFuzzFolder();
    static const char separator[] = "\n--ARCHIVE--\n";
    const auto separatorLength = sizeof (separator) - 1;

    size_t split = size;

    for (size_t i = 0; i + separatorLength <= size; ++i)
    {
        if (std::memcmp (data + i, separator, separatorLength) == 0)
        {
            split = i;
            break;
        }
    }

    const auto description = folder.getChildFile ("fuzz.vexor");
    description.replaceWithData (data, split);

    const auto archiveStart = juce::jmin (size, split + separatorLength);
    folder.getChildFile ("skin.zip").replaceWithData (data + archiveStart, size - archiveStart);

    // Typeface cache files land in the working folder: point it at the fuzz
    // folder for the load only, so that relative corpus paths keep working.
    const auto previousFolder = juce::File::getCurrentWorkingDirectory();
    folder.getChildFile ("work").setAsCurrentWorkingDirectory();

    {
        SkinManager manager;
        (void) manager.loadDocument (description);

        if (manager.skinXml != nullptr)
            buildWidgets (*manager.skinXml);
    }

    previousFolder.setAsCurrentWorkingDirectory();

    juce::ImageCache::releaseUnusedImages();
    return 0;
}
