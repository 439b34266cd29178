#include "update/VASAutoUpdate.h"

#include "skin/SkinManager.h"
#include "skin/SkinValues.h"
#include "skin/VASDrawableButton.h"
#include "skin/VASLabelComponent.h"
#include "update/UpdateNetwork.h"

namespace
{
    const juce::Colour dialogBackground { 0xFFD3D3D3 };

    void prepareLabel (VASLabelComponent& label, const juce::String& text)
    {
        label.setEditable (false);
        label.setMinimumHorizontalScale (1.0f);
        label.setText (text, juce::dontSendNotification);
    }

    int pageDimension (const juce::XmlElement& section, juce::StringRef name)
    {
        return juce::jlimit (0, SkinValues::maxCoordinate, SkinValues::intAttribute (section, name));
    }
}

//==============================================================================
VASAutoUpdate::VASAutoUpdate (int installedMajor, int installedMinor, int installedRevision,
                              juce::PropertiesFile* settingsFile, const juce::String& updateServer)
    : installed { installedMajor, installedMinor, installedRevision },
      settings (settingsFile)
{
    auto server = updateServer.trim();

    while (server.endsWithChar ('/'))
        server = server.dropLastCharacters (1);

    feedAddress = juce::URL (server + "/rss/qwzmplorktbvna/" + displayName + "/" + feedFileName);

    browseForFolder = [] (const juce::File& startFolder)
    {
        juce::FileChooser chooser ("Save installer to...", startFolder, {});
        return chooser.browseForDirectory() ? chooser.getResult() : juce::File();
    };

    createComponents();
    readInstallerFolder();
}

VASAutoUpdate::~VASAutoUpdate()
{
    offerRetry.stopTimer();
    stopTimer (progressTimer);
    stopTimer (progressBarTimer);
    checkThread.reset();
    cancelPendingUpdate();
    downloadThread.reset();
}

//==============================================================================
juce::Rectangle<int> VASAutoUpdate::parseRectangle (const juce::String& text)
{
    return SkinValues::parseRectangle (text);
}

void VASAutoUpdate::createComponents()
{
    auto* skin = SkinManager::getInstance();

    if (skin == nullptr || skin->skinXml == nullptr)
        return;

    const auto* section = SkinValues::findChild (*skin->skinXml, "AutoUpdateSkin");

    if (section == nullptr)
        return;

    infoPage = std::make_unique<juce::Component> ("Update Info");

    progressWidth = pageDimension (*section, "progressWidth");
    progressHeight = pageDimension (*section, "progressHeight");
    infoWidth = pageDimension (*section, "infoWidth");
    infoHeight = pageDimension (*section, "infoHeight");

    setSize (progressWidth, progressHeight);
    infoPage->setSize (infoWidth, infoHeight);

    for (auto* widget : section->getChildWithTagNameIterator ("Widget"))
    {
        const auto name = SkinValues::getAttribute (*widget, "name");
        juce::Component* made = nullptr;
        juce::Component* page = this;

        if (name == "progressDownloadLabel")
        {
            progressLabel = SkinManager::createLabel (widget, name);
            prepareLabel (*progressLabel, "Downloading update...");
            made = progressLabel.get();
        }
        else if (name == "progressBar")
        {
            progressBar = std::make_unique<juce::ProgressBar> (shownProgress);
            progressBar->setPercentageDisplay (true);
            progressBar->setColour (juce::ProgressBar::foregroundColourId,
                                    juce::Colour (SkinValues::colourAttribute (*widget, "foregroundColor")));
            progressBar->setColour (juce::ProgressBar::backgroundColourId,
                                    juce::Colour (SkinValues::colourAttribute (*widget, "backgroundColor")));

            const auto r = parseRectangle (SkinValues::getAttribute (*widget, "bounds"));
            progressBar->setBounds (SkinValues::clampCoordinate (r.getX()), SkinValues::clampCoordinate (r.getY()),
                                    juce::jmax (0, SkinValues::clampCoordinate (r.getWidth())),
                                    juce::jmax (0, SkinValues::clampCoordinate (r.getHeight())));
            made = progressBar.get();
        }
        else if (name == "progressCancelButton")
        {
            progressCancelButton = SkinManager::createButton (widget, name);
            progressCancelButton->addListener (this);
            made = progressCancelButton.get();
        }
        else if (name == "infoLabel")
        {
            infoLabel = SkinManager::createLabel (widget, name);
            prepareLabel (*infoLabel, {});
            made = infoLabel.get();
            page = infoPage.get();
        }
        else if (name == "infoReleaseNotes")
        {
            releaseNotesEditor = std::make_unique<juce::TextEditor> (juce::String());
            releaseNotesEditor->setMultiLine (true);
            releaseNotesEditor->setReadOnly (true);
            releaseNotesEditor->setScrollbarsShown (true);
            releaseNotesEditor->setBorder (juce::BorderSize<int> (0));
            releaseNotesEditor->setColour (juce::TextEditor::outlineColourId, juce::Colour (0xFF000000));
            releaseNotesEditor->setBounds (SkinValues::clampCoordinate (SkinValues::intAttribute (*widget, "positionX")),
                                           SkinValues::clampCoordinate (SkinValues::intAttribute (*widget, "positionY")),
                                           juce::jmax (0, SkinValues::clampCoordinate (SkinValues::intAttribute (*widget, "width"))),
                                           juce::jmax (0, SkinValues::clampCoordinate (SkinValues::intAttribute (*widget, "height"))));
            made = releaseNotesEditor.get();
            page = infoPage.get();
        }
        else if (name == "infoButtonLabel")
        {
            infoButtonLabel = SkinManager::createLabel (widget, name);
            prepareLabel (*infoButtonLabel, "Click OK to download and install the update.");
            made = infoButtonLabel.get();
            page = infoPage.get();
        }
        else if (name == "infoOkayButton")
        {
            okButton = SkinManager::createButton (widget, name);
            okButton->addListener (this);
            made = okButton.get();
            page = infoPage.get();
        }
        else if (name == "infoCancelButton")
        {
            cancelButton = SkinManager::createButton (widget, name);
            cancelButton->addListener (this);
            made = cancelButton.get();
            page = infoPage.get();
        }

        if (made != nullptr)
            page->addAndMakeVisible (made);
    }
}

bool VASAutoUpdate::hasDialogWidgets() const noexcept
{
    return infoPage != nullptr && infoLabel != nullptr && releaseNotesEditor != nullptr
        && okButton != nullptr && cancelButton != nullptr;
}

//==============================================================================
void VASAutoUpdate::prepareCheck()
{
    if (progressCancelButton != nullptr)
    {
        progressCancelButton->setAlpha (1.0f);
        progressCancelButton->setEnabled (true);
    }
}

void VASAutoUpdate::startCheck (std::function<void (int)> onResult)
{
    checkThread.reset();
    cancelPendingUpdate();
    offerRetry.stopTimer();
    prepareCheck();

    checkDone = std::move (onResult);
    checkThread = std::make_unique<UpdateCheckThread> (feedAddress, feed, installed, hasDialogWidgets(),
                                                       [this] { triggerAsyncUpdate(); });
    checkThread->start();
}

void VASAutoUpdate::handleAsyncUpdate()
{
    if (checkThread == nullptr)
        return;

    const auto found = checkThread->getFound();
    checkThread.reset();

    if (takeFound (found))
        askWhenUserIsFree();
    else
        endCheck (noUpdate);
}

bool VASAutoUpdate::takeFound (const UpdateCheckThread::Found& found)
{
    if (! found.feedRead)
        return false;

    feed = found.feed;

    if (! feed.available.isNewerThan (installed))
        return false;

    installerAddress = UpdateNetwork::addressFrom (feed.installerAddress);
    installerFileName = UpdateFeed::installerFileName (feed.installerAddress);

    // Without a skin that holds the dialog, the user cannot be asked.
    if (! hasDialogWidgets())
        return false;

    releaseNotes = feed.hasReleaseNotes ? found.releaseNotes : juce::String (noReleaseNotes);

    if (releaseNotes.contains ("<html"))
        releaseNotes = noReleaseNotes;

    releaseNotesEditor->setText (releaseNotes, false);

    infoText = "Version " + feed.available.toString() + " is available. You have version "
             + installed.toString() + " installed.";
    infoLabel->setText (infoText, juce::dontSendNotification);
    return true;
}

void VASAutoUpdate::askWhenUserIsFree()
{
    // The answer can come in the middle of a transfer or over another modal box; a
    // dialog opened then would cover it, and accepting it would end the program.
    if (canAskUser != nullptr && ! canAskUser())
    {
        if (! offerRetry.isTimerRunning())
            offerRetry.startTimer (offerRetryMs);

        return;
    }

    offerRetry.stopTimer();
    endCheck (askUser());
}

void VASAutoUpdate::endCheck (int result)
{
    if (checkDone != nullptr)
        checkDone (result);
}

int VASAutoUpdate::askUser()
{
    dialogOptions.dialogTitle = "Software Update";
    dialogOptions.content.setNonOwned (infoPage.get());
    dialogOptions.dialogBackgroundColour = dialogBackground;
    dialogOptions.componentToCentreAround = getParentComponent();
    dialogOptions.escapeKeyTriggersCloseButton = true;
    dialogOptions.useNativeTitleBar = true;
    dialogOptions.resizable = false;
    dialogOptions.useBottomRightCornerResizer = false;

    if (launchDialog (dialogOptions)->runModalLoop() != 1)
        return declined;

    // An installer that cannot be fetched safely, or none at all, is installed by hand.
    const bool downloadable = feed.installerAddress.isNotEmpty()
                           && UpdateNetwork::isPermittedAddress (installerAddress);

    return feed.compatible && downloadable ? downloadAccepted : manualInstall;
}

juce::DialogWindow* VASAutoUpdate::launchDialog (juce::DialogWindow::LaunchOptions& options)
{
    const auto* page = options.content.get();
    const auto pageSize = page != nullptr ? page->getLocalBounds() : juce::Rectangle<int>();

    auto* dialog = options.launchAsync();

    if (! pageSize.isEmpty())
    {
        const auto centre = dialog->getBounds().getCentre();
        dialog->setContentComponentSize (pageSize.getWidth(), pageSize.getHeight());
        dialog->setCentrePosition (centre);
    }

    return dialog;
}

//==============================================================================
void VASAutoUpdate::buttonClicked (juce::Button* button)
{
    if (button == okButton.get() || button == cancelButton.get())
    {
        if (auto* dialog = infoPage->findParentComponentOfClass<juce::DialogWindow>())
            dialog->exitModalState (button == okButton.get() ? 1 : 0);
    }
    else if (button == progressCancelButton.get())
    {
        cancelDownload();
    }
}
