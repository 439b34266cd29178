#include "app/UpdateHardware.h"

#include "devicelink/SysExMultiMsgTimer.h"

namespace
{
    constexpr int korrinaFirmwareKind = 7;
    constexpr int systemBackupKind = 6;
    constexpr int fpgaKind = 11;

    constexpr uint8_t firmwareUpdateFunction = 0x25;
    constexpr uint8_t fpgaUpdateFunction = 0x26;
}

UpdateHardware::UpdateHardware (SysExMultiMsgTimer& senderToUse, const void* dataToSend, size_t sizeToSend,
                                DeviceModel deviceToUse, int delay, bool shouldLeadIn, int fileKind)
    : juce::Thread ("Update Hardware"),
      sender (senderToUse),
      data (dataToSend),
      size (sizeToSend),
      device (deviceToUse),
      delayMs (delay),
      leadIn (shouldLeadIn),
      kind (fileKind)
{
}

UpdateHardware::~UpdateHardware()
{
    stopThread (100);
}

juce::uint32 UpdateHardware::replyTimeoutFor (int fileKind) noexcept
{
    return fileKind == systemBackupKind ? 9000u : 2000u;
}

void UpdateHardware::run()
{
    // The firmware and FPGA update requests arm the unit before the data arrives;
    // any other send clears a lead-in left from an earlier one.
    juce::MidiMessage request;
    const bool haveLeadIn = leadIn && (kind == korrinaFirmwareKind || kind == fpgaKind)
                             && SysExMessage::makeMessage (request, kind == fpgaKind ? fpgaUpdateFunction
                                                                                     : firmwareUpdateFunction,
                                                           nullptr, 0) > 0;
    sender.setLeadInMessage (haveLeadIn ? &request : nullptr);

    sender.setReplyTimeout (replyTimeoutFor (kind));

    // The sender also refuses data while it is still busy with a send: that is no
    // fault of the file. Its own answer says which, as it stood when it refused; its
    // state read afterwards could already show the other send ended.
    switch (sender.loadData (data, size, device))
    {
        case LoadResult::loaded:        break;
        case LoadResult::noMessages:    outcome = Outcome::refused;     return;
        case LoadResult::busy:          outcome = Outcome::notStarted;  return;
    }

    outcome = sender.start ((juce::uint32) juce::jlimit (0, 1000, delayMs)) ? Outcome::started : Outcome::notStarted;
}
