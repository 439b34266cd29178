#include "skin/SkinManager.h"

#include "skin/GifImageReader.h"
#include "skin/JpegImageReader.h"
#include "skin/PngImageReader.h"
#include "skin/SkinContentGuard.h"
#include "skin/SkinValues.h"
#include "text/Utf8Text.h"

#include <atomic>
#include <cstring>
#include <iomanip>
#include <locale>
#include <sstream>

namespace
{
    //==============================================================================
    // The singleton's state. The lock is taken only while no instance exists; the
    // pointer is read without it, so it is atomic.
    juce::CriticalSection& getInstanceLock()
    {
        static juce::CriticalSection lock;
        return lock;
    }

    std::atomic<SkinManager*> singleton { nullptr };
    std::atomic<bool> singletonConstructing { false };
    std::atomic<bool> singletonDeleted { false };

    const char* const notValidText = "Not a valid Skin file";
    const char* const missingImageName = "missing_image_release.png";
    const char* const missingFontName = "_missing_font.stf";

    // The framework keeps the bytes of a name it read as they were, valid or not; they
    // are measured up to their end, not by what the characters they seem to hold need.
    bool isWellFormedText (const juce::String& name)
    {
        const auto* bytes = name.toRawUTF8();
        return Utf8Text::isWellFormed (bytes, std::strlen (bytes));
    }

    // A name that names one file by itself: valid text, no folder part, no "." or
    // "..", no control characters.
    bool isPlainFileName (const juce::String& name)
    {
        if (! isWellFormedText (name))
            return false;

        if (name.isEmpty() || name == "." || name == ".." || name.containsAnyOf ("/\\"))
            return false;

        for (auto p = name.getCharPointer(); ! p.isEmpty(); ++p)
            if (*p < 0x20 || *p == 0x7f)
                return false;

        return true;
    }

    // A number as the C format "%.9g" writes it in the C locale.
    juce::String formatVersion (double value)
    {
        std::ostringstream out;
        out.imbue (std::locale::classic());
        out << std::setprecision (9) << value;
        const auto text = out.str();
        return Utf8Text::toText (text.data(), text.size());
    }
}

//==============================================================================
SkinManager::SkinManager()
    : juce::FileBasedDocument (".korml", "*.korml", "Load Skin", "Save Skin")
{
    scanSkins();
}

SkinManager::~SkinManager()
{
    clearDescription();

    auto* self = this;

    if (singleton.compare_exchange_strong (self, nullptr))
        singletonDeleted = true;

    typefaces.clear();

    for (int i = drawables.size(); --i >= 0;)
        drawables.remove (i);

    images.clear();
}

//==============================================================================
SkinManager* SkinManager::getInstance()
{
    if (auto* existing = singleton.load())
        return existing;

    const juce::ScopedLock sl (getInstanceLock());

    if (auto* existing = singleton.load())
        return existing;

    // A call from inside the construction (same thread, the lock is re-entrant)
    // or after the deletion gets nothing.
    if (singletonConstructing || singletonDeleted)
        return nullptr;

    singletonConstructing = true;
    auto* created = new SkinManager();
    singletonConstructing = false;

    singleton = created;
    return created;
}

void SkinManager::allowNewInstanceForTesting()
{
    const juce::ScopedLock sl (getInstanceLock());

    if (singleton.load() == nullptr)
        singletonDeleted = false;
}

//==============================================================================
bool SkinManager::loadDefaultSkin (const juce::String& fullPath)
{
    const auto result = loadFrom (juce::File (fullPath), true);
    skinLoaded = true;
    return result.wasOk();
}

void SkinManager::clearDescription()
{
    if (skinXml != nullptr)
        skinXml->deleteAllChildElements();

    skinXml.reset();
}

//==============================================================================
juce::String SkinManager::getDocumentTitle()
{
    const auto file = getFile();

    if (file.existsAsFile())
        return file.getFileNameWithoutExtension();

    return "Unnamed";
}

juce::Result SkinManager::loadDocument (const juce::File& file)
{
    skinXml = SkinContentGuard::parseXmlFile (file);

    if (skinXml == nullptr || ! skinXml->getTagName().equalsIgnoreCase ("SKIN"))
    {
        clearDescription();
        return juce::Result::fail (notValidText);
    }

    skinArchiveName = SkinValues::getAttribute (*skinXml, "skin");
    skinVersion = SkinValues::doubleAttribute (*skinXml, "version");
    skinEngineVersion = SkinValues::doubleAttribute (*skinXml, "skinEngineVersion");

    if (skinEngineVersion != requiredEngineVersion)
    {
        clearDescription();
        return juce::Result::fail ("Wrong Skin Engine Version; " + formatVersion (skinEngineVersion)
                                     + " != " + formatVersion (requiredEngineVersion));
    }

    if (skinArchiveName.isEmpty())
    {
        clearDescription();
        return juce::Result::fail (notValidText);
    }

    // The archive name may hold sub-folders, written with either separator.
    const auto archivePath = file.getParentDirectory().getFullPathName()
                               + juce::File::getSeparatorString()
                               + skinArchiveName.replaceCharacter ('\\', '/');

    return loadArchive (juce::File (archivePath));
}

juce::Result SkinManager::saveDocument (const juce::File&)
{
    return juce::Result::fail ("Couldn't create Skin file.");
}

juce::File SkinManager::getLastDocumentOpened()
{
    return {};
}

void SkinManager::setLastDocumentOpened (const juce::File&)
{
}

//==============================================================================
juce::Result SkinManager::loadArchive (const juce::File& archiveFile)
{
    if (! archiveFile.existsAsFile())
        return juce::Result::fail (notValidText);

    juce::ZipFile archive (archiveFile);

    if (archive.getNumEntries() <= 0)
        return juce::Result::fail (notValidText);

    // Entries larger than any skin part could be, and whatever lies beyond the
    // archive's total budget, are treated as unreadable.
    size_t budget = SkinContentGuard::maxArchiveBytes;

    for (int i = 0; i < archive.getNumEntries(); ++i)
    {
        const auto* entry = archive.getEntry (i);

        // An entry whose name is not text is skipped whole: every use of the name
        // (its hash, its extension, the lists of names) would read a damaged sequence.
        if (entry == nullptr || ! isWellFormedText (entry->filename))
            continue;

        std::unique_ptr<juce::InputStream> stream (archive.createStreamForEntry (i));

        if (stream == nullptr)
            continue;

        juce::MemoryBlock data;

        if (! SkinContentGuard::readWholeStream (*stream, data, juce::jmin (budget, SkinContentGuard::maxEntryBytes)))
            continue;

        budget -= data.getSize();
        addEntry (entry->filename, data);
    }

    return juce::Result::ok();
}

void SkinManager::addEntry (const juce::String& entryName, const juce::MemoryBlock& data)
{
    if (addImage (entryName, data))
        return;

    if (entryName.endsWithIgnoreCase (".svg"))
        addDrawable (entryName, data);
    else if (entryName.endsWithIgnoreCase (".stf"))
        addTypeface (entryName, data);
    else if (entryName.endsWithIgnoreCase (".ttf"))
        writeTypefaceCache (entryName);
}

bool SkinManager::addImage (const juce::String& entryName, const juce::MemoryBlock& data)
{
    // The framework's formats recognise the content, in the order PNG, JPEG, GIF;
    // the skin's own readers decode it (see PngImageReader for why).
    using Decoder = juce::Image (*) (const void*, size_t);

    juce::PNGImageFormat png;
    juce::JPEGImageFormat jpeg;
    juce::GIFImageFormat gif;

    const std::pair<juce::ImageFileFormat*, Decoder> formats[] = { { &png, PngImageReader::decode },
                                                                   { &jpeg, JpegImageReader::decode },
                                                                   { &gif, GifImageReader::decode } };

    for (const auto& [format, decode] : formats)
    {
        juce::MemoryInputStream in (data, false);

        if (! format->canUnderstand (in))
            continue;

        // Recognised as an image: it is never looked at as a drawing or a font,
        // even when it fails to decode.
        const auto image = decode (data.getData(), data.getSize());

        if (image.isValid())
        {
            juce::ImageCache::addImageToCache (image, entryName.hashCode64());
            images.add (image);
        }

        return true;
    }

    return false;
}

void SkinManager::addDrawable (const juce::String& entryName, const juce::MemoryBlock& data)
{
    const auto svg = SkinContentGuard::parseXmlBytes (data.getData(), data.getSize());

    if (svg == nullptr || ! SkinContentGuard::isDrawingSafeToParse (*svg))
        return;

    if (auto drawable = juce::Drawable::createFromSVG (*svg))
    {
        drawables.add (drawable.release());
        drawableNames.add (entryName);
    }
}

void SkinManager::addTypeface (const juce::String& entryName, const juce::MemoryBlock& data)
{
    if (! SkinContentGuard::isTypefaceStreamWellFormed (data))
        return;

    juce::MemoryInputStream in (data, false);
    typefaces.add (juce::Typeface::Ptr (new juce::CustomTypeface (in)));
    typefaceNames.add (entryName);
}

void SkinManager::writeTypefaceCache (const juce::String& entryName)
{
    const auto workingFolder = juce::File::getCurrentWorkingDirectory();
    const auto cacheName = entryName.replace (".ttf", ".stf", true);

    // The cache belongs in the working folder: an entry name that climbs out of
    // it (an absolute path, a folder or "..") must not choose where the program
    // writes. Only a plain file name directly inside the folder is accepted; the
    // check compares one parent and never walks the path, which a name that is
    // not valid text could otherwise send round without end.
    if (! isPlainFileName (cacheName))
        return;

    const auto cacheFile = workingFolder.getChildFile (cacheName);

    if (cacheFile.getParentDirectory() != workingFolder || cacheFile.getFileName() != cacheName
        || cacheFile.exists())
        return;

    juce::FileOutputStream out (cacheFile, 32768);

    if (out.failedToOpen())
        return;

    const juce::Font systemFont (entryName.dropLastCharacters (4), 10.0f, juce::Font::plain);
    juce::CustomTypeface cache;

    if (auto* systemTypeface = systemFont.getTypefacePtr().get())
        cache.addGlyphsFromOtherTypeface (*systemTypeface, 0, 256);

    cache.writeToStream (out);
}

//==============================================================================
juce::Image SkinManager::getImage (juce::int64 nameHash)
{
    const auto image = juce::ImageCache::getFromHashCode (nameHash);

    if (image.isValid())
        return image;

    return juce::ImageCache::getFromHashCode (juce::String (missingImageName).hashCode64());
}

juce::Typeface* SkinManager::getFont (const juce::String& entryName)
{
    auto* manager = getInstance();

    if (manager == nullptr)
        return nullptr;

    if (auto* typeface = manager->findTypeface (entryName))
        return typeface;

    return manager->findTypeface (missingFontName);
}

juce::Typeface* SkinManager::findTypeface (const juce::String& entryName) const
{
    const auto index = typefaceNames.indexOf (entryName);

    if (juce::isPositiveAndBelow (index, typefaces.size()))
        return typefaces.getReference (index).get();

    return nullptr;
}

//==============================================================================
juce::String SkinManager::getApplicationFolder()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile)
               .getParentDirectory().getFullPathName();
}

void SkinManager::scanSkins()
{
    const juce::File folder (getApplicationFolder() + juce::File::getSeparatorString() + "Skins");

    if (! folder.isDirectory())
        return;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*.vexor", juce::File::findFiles))
    {
        const auto description = SkinContentGuard::parseXmlFile (entry.getFile());

        if (description == nullptr || ! description->getTagName().equalsIgnoreCase ("SKIN"))
            continue;

        skinNames.add (SkinValues::getAttribute (*description, "name"));
        skinPaths.add (entry.getFile().getRelativePathFrom (folder));
    }
}
