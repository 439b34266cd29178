#pragma once

#include "DialogFixture.h"
#include "support_gui/SendDialogUser.h"
#include "support/MessageLoop.h"
#include "support/TestDumps.h"

//==============================================================================
/**
    A main dialog with an emulated unit behind real virtual ports, a file to send
    written to disk and chosen as the user would, and a user who answers the send
    dialog and the message boxes.
*/
class SendFixture  : public DialogFixture
{
protected:
    void TearDown() override
    {
        user.reset();
        DialogFixture::TearDown();
    }

    /** Replaces the fixture's Korrina by one of this model (before makeDialog). */
    KorrinaUnit& useKorrina (DeviceModel model)
    {
        devices.detach (KorrinaUnit::defaultPortName());
        korrina = &static_cast<KorrinaUnit&> (devices.attachUnit (std::make_unique<KorrinaUnit> (model)));
        return *korrina;
    }

    /** Builds the dialog and chooses the device with the ports it needs. */
    DremlorDialog& connect (DeviceModel device)
    {
        auto& d = makeDialog();
        user = std::make_unique<SendDialogUser> (d);
        d.chooseDevice (device);

        if (device == DeviceModels::bootRom)
            d.openOutputPort (KorrinaUnit::defaultPortName());
        else if (device == DeviceModels::stompraClassic || device == DeviceModels::stompraNeo)
            d.openOutputPort (StompraUnit::defaultPortName (device));

        return d;
    }

    StompraUnit& addStompra (DeviceModel model)
    {
        return static_cast<StompraUnit&> (devices.attachUnit (std::make_unique<StompraUnit> (model)));
    }

    /** Writes the bytes as a ".syx" file and chooses it as the file to send. */
    void chooseFile (const TestDumps::Bytes& bytes)
    {
        const auto file = home.getChildFile ("send.syx");
        file.replaceWithData (bytes.data(), bytes.size());
        dialog->selectFile (file.getFullPathName());
    }

    /** Presses "Transmit" and waits until the send poll has reported the outcome. */
    bool transmit (int timeoutMs = 20000)
    {
        boxes.clear();
        dialog->buttonClicked (dialog->transmitButton.get());
        return waitForOutcome (timeoutMs);
    }

    bool waitForOutcome (int timeoutMs = 20000)
    {
        return MessageLoop::runUntil ([this] { return ! dialog->isTimerRunning (DremlorDialog::sendPollTimer); },
                                      timeoutMs);
    }

    SysExMultiMsgTimer& sender()
    {
        return VASMidiProcessing::getInstance()->getSender();
    }

    std::unique_ptr<SendDialogUser> user;
};
