#pragma once

#include "devicelink/SysExMessage.h"
#include "devicelink/SysExStreamReader.h"
#include "devicelink/SysExTransaction.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>
#include <vector>

class VASMidiProcessing;

//==============================================================================
/** Where a send of the multi-message sender stands. */
enum class SendState : int32_t
{
    idle          = 0,
    running       = 1,
    paused        = 2,
    cancelled     = 3,
    finished      = 4,
    refused       = 5,   // a status reply refused a message; see getDeviceError()
    outputNotReady = 6,  // the output port was not ready when the next message was due
    replyTimeout  = 7    // a message's transaction timed out
};

//==============================================================================
/** What SysExMultiMsgTimer::loadData() made of the data it was given. */
enum class LoadResult
{
    loaded,      // the data is loaded; start() sends it
    noMessages,  // no data, or none of it is a message for the model
    busy         // a send was running or paused, so nothing was loaded
};

//==============================================================================
/**
    Sends the content of a ".syx" file to the device one message at a time.

    Each tick of the timer (on the message thread) looks at the transaction of the
    message handed on before; once that has completed without a refusing status
    reply, the next message is wrapped in a new transaction and queued with the
    processing thread. The tick interval (the "MIDI Buffer Delay") therefore paces the
    messages, and each is acknowledged before the next goes out.

    The send run prepares it on its own thread (setReplyTimeout, setLeadInMessage,
    loadData, start) and the dialog polls getState() and getProgress().

    Locks: start() takes the state lock, then the operation lock. A tick works under
    the operation lock alone, reading the state atomically, and takes the state lock
    only after it has let go of the operation lock, to record how the send ended; so
    the two locks are never taken in the opposite order.
*/
class SysExMultiMsgTimer : private juce::Timer
{
public:
    /** The sender queues its transactions with this owner. */
    explicit SysExMultiMsgTimer (VASMidiProcessing& owner);

    /** Cancels a running or paused send and deletes the transaction it holds. */
    ~SysExMultiMsgTimer() override;

    //==============================================================================
    /** Takes a copy of the data to send, cut into messages by the model's header.
        A refusal says why, decided under the state lock as the sender stood then:
        busy, changing nothing, while a send is running or paused; noMessages when the
        data is missing (changing nothing) or holds no message for the model (then
        nothing is left loaded and the state goes back to idle).
    */
    LoadResult loadData (const void* data, size_t size, DeviceModel model);

    /** A message sent before the data (nullptr: none). It counts as one message in
        the progress and expects one reply.
    */
    void setLeadInMessage (const juce::MidiMessage* message);

    /** Changes the tick interval (0 to 1000 ms); while running the timer restarts with
        it. False when the value is the current one or above 1000.
    */
    bool setInterval (juce::uint32 intervalMs);

    juce::uint32 getInterval() const;

    /** Starts sending the loaded data from its first message. An interval above 1000
        keeps the current one. False while running or paused, or with nothing loaded.
    */
    bool start (juce::uint32 intervalMs);

    /** Pauses a running send (true) or resumes a paused one (false); false when the
        send is not in the state to change.
    */
    bool setPaused (bool shouldPause);

    /** Ends a running or paused send in the cancelled state; false otherwise. */
    bool cancel();

    SendState getState() const;
    void setState (SendState newState);

    /** The device's result code that refused a message; 0 when none did. */
    int getDeviceError() const;

    //==============================================================================
    /** Makes status result 5 ("MIDI_ERROR_MSG_NOT_RECOGNIZED") no refusal; used for
        Korrina firmware sends. Each call adds one more entry.
    */
    void addAcceptedResult();

    /** Data messages expect no reply; refused while running or paused. */
    void setNoReplyMode();

    /** Clears no-reply mode and the accepted results, so that one send's options do
        not carry over to the next; refused (false) while running or paused.
    */
    bool resetSendOptions();

    /** Time-out of each data message's transaction, in ms (2000 by default). */
    void setReplyTimeout (juce::uint32 timeoutMs) noexcept  { replyTimeout = timeoutMs; }
    juce::uint32 getReplyTimeout() const noexcept           { return replyTimeout; }

    //==============================================================================
    /** The fraction of messages handed on, 0 to 0.9999; the receive thread also
        writes it to show its own progress.
    */
    double getProgress() const noexcept           { return progress.load(); }
    void setProgress (double newProgress) noexcept { progress.store (newProgress); }

private:
    //==============================================================================
    void timerCallback() override;
    void updateProgress();
    bool tick (SendState& finalState);
    void finish (SendState finalState);
    void discardCurrent();
    void releaseRetired();
    bool isRefusal (int result) const;
    void startTicking();

    std::atomic<double> progress { 0.0 };
    VASMidiProcessing& owner;
    SysExStreamReader reader;
    juce::uint32 total = 0;

    juce::CriticalSection stateLock;
    std::atomic<SendState> state { SendState::idle };

    std::unique_ptr<juce::MidiMessage> leadIn;

    juce::CriticalSection progressLock;
    juce::uint32 sentCount = 0;

    juce::CriticalSection intervalLock;
    juce::uint32 interval = 0;

    juce::CriticalSection errorLock;
    int deviceError = 0;

    juce::CriticalSection operationLock;
    std::unique_ptr<SysExTransaction> current;
    std::vector<std::unique_ptr<SysExTransaction>> retired;
    juce::Array<int> acceptedResults;

    juce::CriticalSection noReplyLock;
    bool noReplyMode = false;

    std::atomic<juce::uint32> replyTimeout { 2000 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SysExMultiMsgTimer)
};
