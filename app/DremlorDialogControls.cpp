#include "app/DremlorDialog.h"

//==============================================================================
void DremlorDialog::setControlsEnabled (bool shouldBeEnabled)
{
    const auto apply = [shouldBeEnabled] (juce::Component* control)
    {
        if (control != nullptr)
            control->setEnabled (shouldBeEnabled);
    };

    apply (browseButton.get());
    apply (transmitButton.get());
    apply (sendTabButton.get());
    apply (receiveTabButton.get());
    apply (fileField.get());
    apply (deviceLabel.get());
    apply (deviceToUpdate.get());

    // Cancel is what ends a send or a backup of all user cabs, so it stays usable for them.
    if (receivePageActive && ! sendPageActive && receiveType != 9)
        apply (cancelButton.get());

    // Each device uses its ports on the pages where it needs them; other ports are left alone.
    if (isKorrina (device) || (isStompra (device) && sendPageActive && ! receivePageActive))
    {
        apply (outputPortBox.get());
        apply (outputLabel.get());
    }

    if (isKorrina (device) || (isStompra (device) && receivePageActive && ! sendPageActive))
    {
        apply (inputPortBox.get());
        apply (inputLabel.get());
    }
}
