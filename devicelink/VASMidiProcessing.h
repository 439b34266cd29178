#pragma once

#include "devicelink/PassWaiter.h"
#include "devicelink/SysExMultiMsgTimer.h"
#include "devicelink/SysExTransaction.h"
#include "devicelink/VASMidiPorts.h"

#include <atomic>
#include <deque>

//==============================================================================
/**
    The program's MIDI engine: the directly opened ports, the paced sender, and the
    thread "VASMidiProcessing" that keeps one SysExTransaction in flight.

    The thread sends each queued transaction's request on the output, matches the
    SysEx messages that arrive to it (checksum test and reply families), ends it on
    completion or silence and takes the next; it records everything that arrives while
    recording is on (a Stompra dump), and every 1000 ms checks that the ports are still
    present, reopening vanished ones by their stored (full) names. It makes a pass every
    millisecond while it has work; when idle it waits longer, and a queued request or
    an arriving message wakes it at once.

    One instance per run, from getInstance(); once deleted it is not created again.
    The creators of transactions keep and delete them; the engine never does.
*/
class VASMidiProcessing : public juce::Thread
{
public:
    //==============================================================================
    /** The engine, created on first use; nullptr once it has been deleted. */
    static VASMidiProcessing* getInstance();

    /** Deletes the engine under the singleton lock (application shutdown). */
    static void deleteInstance();

    /** The lock that guards creation and deletion of the engine. */
    static juce::CriticalSection& getSingletonLock();

    /** For tests only: deletes the engine, if any, and allows getInstance() to create
        a fresh one, which the product never does.
    */
    static void resetInstanceForTesting();

    /** An engine of its own, outside the singleton; tests use it. The thread starts
        with the first successful setMidiDevices().
    */
    VASMidiProcessing();

    /** Stops the thread (up to 5000 ms), clears the ready flags and closes the ports. */
    ~VASMidiProcessing() override;

    //==============================================================================
    /** Takes the ports opened in getPorts() into use: stores the open names of the
        chosen directions for reopening, sets the ready flags and starts the thread.
        False, changing nothing, when no chosen direction has a port open.
    */
    bool setMidiDevices (bool useInput, bool useOutput);

    /** The system's MIDI input device names. */
    juce::StringArray getMidiInputDevices() const   { return ports.getMidiInputDevices(); }

    /** The system's MIDI output device names. */
    juce::StringArray getMidiOutputDevices() const  { return ports.getMidiOutputDevices(); }

    /** True when the input and the output are open and present. */
    bool isReady() const;
    bool isInputReady() const;
    bool isOutputReady() const;

    /** The dialog clears both flags when it closes the ports. */
    void clearReadyFlags();

    //==============================================================================
    /** Appends the transaction to the request queue and marks it in flight; false for
        nullptr. The caller keeps ownership and must not delete it while getState()
        reads waiting.
    */
    bool queueTransaction (SysExTransaction* transaction);

    //==============================================================================
    /** While on, every message that arrives (SysEx or not) is recorded and counted.
        Once setRecording (false) has returned, the processing thread adds nothing more: a
        takeRecording() after it gets everything that was counted.
    */
    void setRecording (bool shouldRecord);
    bool isRecording() const noexcept               { return recording.load(); }

    /** Bytes recorded since the count was last reset. */
    int getRecordedByteCount() const noexcept       { return recordedByteCount.load(); }
    void setRecordedByteCount (int count) noexcept  { recordedByteCount = count; }

    /** Moves the recording to the end of the destination. Always true. */
    bool takeRecording (juce::MidiBuffer& destination);

    //==============================================================================
    /** The directly opened ports; the dialog opens and closes them by name. */
    VASMidiPorts& getPorts() noexcept               { return ports; }

    /** The paced multi-message sender. */
    SysExMultiMsgTimer& getSender() noexcept        { return sender; }

    /** Hands one received SysEx message to the front transaction (nullptr: none
        pending) when it belongs to it: a reply of the request's own function or family,
        or a status message naming it. Start messages of a dump first set the front's
        expected replies to what they announce. A message with a wrong checksum is
        dropped, except functions 0x0D, 0x0E and 0x10. True when the front took it.
        Runs on the processing thread; static so the matching rules can be checked alone.
    */
    static bool dispatchReply (const juce::MidiMessage& message, SysExTransaction* front);

    /** For tests only: every wait between two passes, busy or idle, lasts up to this
        long instead of 1 ms or 20 ms, so that a test can show that a queued request
        and an arriving message each end the wait at once.
    */
    void setPassIntervalForTesting (int intervalMs) noexcept;

    //==============================================================================
    void run() override;

private:
    //==============================================================================
    bool processPass();
    void checkDevices();

    // First, so that it outlives the ports, whose input thread wakes it.
    PassWaiter passWaiter { *this };
    SysExMultiMsgTimer sender { *this };
    VASMidiPorts ports;

    std::deque<SysExTransaction*> pendingQueue;
    std::deque<SysExTransaction*> requestQueue;
    juce::CriticalSection requestQueueLock;

    std::atomic<bool> inputReady { false }, outputReady { false };
    mutable juce::CriticalSection storedNamesLock;
    juce::String storedInputName, storedOutputName;
    juce::uint32 lastDeviceCheck = 0;

    std::atomic<bool> recording { false };
    juce::MidiBuffer recordingBuffer;
    juce::CriticalSection recorderLock;
    std::atomic<int> recordedByteCount { 0 };

    juce::MidiBuffer incoming;
    std::atomic<int> busyWaitMs, idleWaitMs;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VASMidiProcessing)
};
