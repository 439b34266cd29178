#pragma once

#include "devicelink/SysExMessage.h"

#include <juce_core/juce_core.h>

#include <atomic>

class SysExMultiMsgTimer;

//==============================================================================
/**
    The short-lived "Update Hardware" thread of a send: it prepares the multi-message
    sender (lead-in message, reply time-out), hands it the bytes to send and starts
    it, then ends; it does not wait for the send itself, which the main dialog polls.

    The data is not copied here: it points into the main dialog's send buffer, which
    must stay unchanged until the thread has ended (the sender keeps its own copy).
    The dialog reads getOutcome() to tell a started send from data the sender
    refused and from a sender that would not start, so that each is reported as
    what it is instead of waited for.
*/
class UpdateHardware  : public juce::Thread
{
public:
    /** How far the thread got. */
    enum class Outcome
    {
        pending,    // the thread has not finished handing the data over
        started,    // the sender took the data and is sending it
        refused,    // the data holds nothing the sender can send to the device
        notStarted  // the data was fine but the sender was busy or would not start
    };

    /** leadIn: send the firmware (kind 7) or FPGA (kind 11) update request first. */
    UpdateHardware (SysExMultiMsgTimer& sender, const void* data, size_t size, DeviceModel device,
                    int delayMs, bool leadIn, int kind);

    /** Stops the thread, waiting at most 100 ms. */
    ~UpdateHardware() override;

    void run() override;

    Outcome getOutcome() const noexcept     { return outcome.load(); }

    /** The reply time-out the send uses for this kind: a system backup gives the unit
        far longer to store each message.
    */
    static juce::uint32 replyTimeoutFor (int kind) noexcept;

private:
    SysExMultiMsgTimer& sender;
    const void* const data;
    const size_t size;
    const DeviceModel device;
    const int delayMs;
    const bool leadIn;
    const int kind;

    std::atomic<Outcome> outcome { Outcome::pending };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpdateHardware)
};
