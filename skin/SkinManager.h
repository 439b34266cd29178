#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include <memory>

class VASDrawableButton;
class VASLabelComponent;

//==============================================================================
/**
    Loads the skin and answers for it: the parsed description (for the readers of
    its sections), the archive's images (kept in the framework's image cache),
    drawings and typefaces, and the image and font lookups with their fallbacks.

    It is a process-wide singleton: getInstance creates it on first use and, once
    it has been deleted, never again. The main window loads the default skin once
    with loadDefaultSkin and deletes the manager at shutdown.

    Everything here runs on the message thread; only the creation of the instance
    is guarded by a lock.
*/
class SkinManager  : public juce::FileBasedDocument
{
public:
    //==============================================================================
    /** Builds the skin list of the "Skins" folder beside the program. The program
        reaches the manager through getInstance; a manager constructed directly is
        not the singleton, so the static lookups do not see its typefaces.
    */
    SkinManager();

    /** Frees the description, typefaces, drawings and images; when this is the
        singleton, getInstance returns nullptr from then on.
    */
    ~SkinManager() override;

    //==============================================================================
    /** Returns the singleton, creating it on the first call. Returns nullptr while
        it is being constructed and for ever after it has been deleted.
    */
    static SkinManager* getInstance();

    /** For tests only: after the singleton has been deleted, lets the next
        getInstance create a fresh manager. The program never calls this.
    */
    static void allowNewInstanceForTesting();

    //==============================================================================
    /** Loads the description at this full path through the framework's document
        load (which shows "Failed to open file..." on failure), then marks the skin
        as tried. Returns whether the load succeeded.
    */
    bool loadDefaultSkin (const juce::String& fullPath);

    /** Deletes the held description, leaving images, drawings and typefaces. */
    void clearDescription();

    //==============================================================================
    /** Returns the cached archive image whose entry name has this
        juce::String::hashCode64, else the "missing_image_release.png" image, else a
        null image.
    */
    static juce::Image getImage (juce::int64 nameHash);

    /** Returns the singleton's typeface whose entry name equals this name exactly
        (for example "_bgp_b.stf"), else its "_missing_font.stf" typeface, else
        nullptr. Callers that keep the typeface take a Typeface::Ptr to it.
    */
    static juce::Typeface* getFont (const juce::String& entryName);

    /** Returns the typeface loaded from this exact entry name, or nullptr. */
    juce::Typeface* findTypeface (const juce::String& entryName) const;

    //==============================================================================
    /** Builds a skinned button from a skin "Widget" element (its images, tooltip,
        position and optional label). Returns nullptr for a null element. Left
        clicks operate it; right clicks are filtered out.
    */
    static std::unique_ptr<VASDrawableButton> createButton (const juce::XmlElement* widget,
                                                            const juce::String& componentName);

    /** Builds a skinned label from a skin "Widget" element (font, colours, bounds,
        justification); its text is left empty for the caller. Returns nullptr for
        a null element.
    */
    static std::unique_ptr<VASLabelComponent> createLabel (const juce::XmlElement* widget,
                                                           const juce::String& componentName);

    //==============================================================================
    /** The folder of the running executable, as a full path. */
    static juce::String getApplicationFolder();

    //==============================================================================
    /** The root of the loaded description ("SKIN"), or nullptr. Section readers
        look their sections up among its children; nobody but the manager changes it.
    */
    std::unique_ptr<juce::XmlElement> skinXml;

    /** True once loadDefaultSkin has run, whatever its outcome. */
    bool skinLoaded = false;

    //==============================================================================
    /** The root attributes of the last description read. */
    const juce::String& getSkinArchiveName() const noexcept     { return skinArchiveName; }
    double getSkinVersion() const noexcept                      { return skinVersion; }
    double getSkinEngineVersion() const noexcept                { return skinEngineVersion; }

    /** The archive's drawings (".svg" entries) with their entry names, index by index. */
    const juce::StringArray& getDrawableNames() const noexcept  { return drawableNames; }
    const juce::OwnedArray<juce::Drawable>& getDrawables() const noexcept { return drawables; }

    /** The entry names of the archive's typefaces (".stf" entries), in archive order. */
    const juce::StringArray& getTypefaceNames() const noexcept  { return typefaceNames; }

    /** The skin list built at construction: each description's "name" and its
        path relative to the "Skins" folder, index by index.
    */
    const juce::StringArray& getSkinNames() const noexcept      { return skinNames; }
    const juce::StringArray& getSkinPaths() const noexcept      { return skinPaths; }

    //==============================================================================
    /** The engine version a description must name in "skinEngineVersion". */
    static constexpr double requiredEngineVersion = 2.0;

    //==============================================================================
    /** The document file's name without its extension when it exists, else "Unnamed". */
    juce::String getDocumentTitle() override;

    /** Reads a description and its archive; fails with a text saying why. Nothing
        held from an earlier load is cleared first.
    */
    juce::Result loadDocument (const juce::File& file) override;

    /** Skins are never written: always fails with "Couldn't create Skin file.". */
    juce::Result saveDocument (const juce::File& file) override;

    /** The manager keeps no recent-file memory: an empty file, and setting it does nothing. */
    juce::File getLastDocumentOpened() override;
    void setLastDocumentOpened (const juce::File& file) override;

private:
    //==============================================================================
    void scanSkins();
    juce::Result loadArchive (const juce::File& archiveFile);
    void addEntry (const juce::String& entryName, const juce::MemoryBlock& data);
    bool addImage (const juce::String& entryName, const juce::MemoryBlock& data);
    void addDrawable (const juce::String& entryName, const juce::MemoryBlock& data);
    void addTypeface (const juce::String& entryName, const juce::MemoryBlock& data);
    static void writeTypefaceCache (const juce::String& entryName);

    //==============================================================================
    juce::String skinArchiveName;
    double skinVersion = 0.0;
    double skinEngineVersion = 0.0;

    juce::StringArray drawableNames;
    juce::OwnedArray<juce::Drawable> drawables;
    juce::Array<juce::Image> images;
    juce::StringArray typefaceNames;
    juce::Array<juce::Typeface::Ptr> typefaces;

    juce::StringArray skinNames;
    juce::StringArray skinPaths;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SkinManager)
};
