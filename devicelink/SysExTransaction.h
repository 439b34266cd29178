#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include <juce_core/juce_core.h>
#include <juce_audio_basics/juce_audio_basics.h>

//==============================================================================
/** Where a transaction stands, as its creator sees it. */
enum class TransactionState : int32_t
{
    waiting  = 0,   // queued, in flight, or still collecting replies
    complete = 1,   // the expected number of replies has arrived
    timedOut = 2    // the device stayed silent for longer than the time-out, or the output was not ready
};

//==============================================================================
/**
    One request to the device and the replies that answer it.

    The creator (a workflow, the multi-message sender) makes a transaction, gives
    it its request and expected reply count, queues it with the processing thread
    and polls getState() until it reads complete or timed out; then it reads the
    replies and deletes the transaction (the processing thread never deletes one).
    The processing thread touches it when it sends the request, feeds it matching
    replies with addReply() and asks hasTimedOut() once per pass.

    The time-out limits silence, not the whole exchange: the send and every
    accepted reply restart it.

    Every group of fields has its own lock, so any thread may call any member.
    When locks nest the order is replies, then activity, then end, then state or
    in-flight.
*/
class SysExTransaction
{
public:
    //==============================================================================
    /** An empty transaction whose request is F0 F7 until setRequest is called. */
    explicit SysExTransaction (uint32_t timeoutMs);

    /** A transaction for this request with a 2000 ms time-out. */
    explicit SysExTransaction (const juce::MidiMessage& request);

    ~SysExTransaction();

    //==============================================================================
    /** Assigns the message to send. Call before queueing the transaction. */
    void setRequest (const juce::MidiMessage& request);

    /** A copy of the message to send. */
    juce::MidiMessage getRequest() const;

    /** Sets how many replies complete the transaction (0: none expected). The
        creator sets it before queueing; the reply dispatch may change it while the
        transaction is in flight, when a reply announces how many follow.
    */
    void setExpectedReplies (int count) noexcept;

    /** How many replies complete the transaction (default 1). */
    int getExpectedReplies() const noexcept;

    /** The allowed silence in milliseconds. */
    uint32_t getTimeout() const noexcept;

    //==============================================================================
    /** Restarts the silence time-out from now; the processing thread calls it when
        it sends the request.
    */
    void touch();

    /** True when the transaction is timed out: it was touched, is not complete and
        has been silent for longer than its time-out (measured so that the
        millisecond counter's wrap does not matter). Marks it timed out.
    */
    bool hasTimedOut();

    /** Accepts one reply unless the transaction is already complete. Returns true
        when this reply completed it; otherwise the reply restarts the time-out.
    */
    bool addReply (const juce::MidiMessage& reply);

    /** The number of replies accepted so far. */
    int getNumReplies() const;

    /** Copies reply `index` into `reply`; false, and `reply` untouched, when there
        is no such reply.
    */
    bool getReply (int index, juce::MidiMessage& reply) const;

    /** Appends every reply's bytes, F0 to F7, in order of arrival, to the block. */
    void joinReplies (juce::MemoryBlock& block) const;

    /** Writes the joined replies to the file, replacing it and creating its folder
        when missing. False when the file could not be opened or written.
    */
    bool writeRepliesToFile (const juce::File& file) const;

    //==============================================================================
    /** What the creator polls: waiting while the transaction is queued or in flight,
        whatever has happened to it meanwhile; once the processing thread has let go
        of it, complete or timed out.
    */
    TransactionState getState() const;

    /** The state itself, in flight or not; for the processing thread. */
    TransactionState getRawState() const;

    /** Sets the state; the processing thread ends a transaction with it (complete
        when no reply is expected, timed out when the output is not ready).
    */
    void setState (TransactionState newState);

    /** Set by the processing thread's queue while it holds the transaction. */
    void setInFlight (bool isNowInFlight);

    /** True from queueing until the processing thread lets go of the transaction. */
    bool isInFlight() const;

    /** Sleeps until getState() no longer reads waiting, or at most timeoutMs; true
        when the transaction has ended. Lets a creator wait for the answer without
        keeping a core busy.
    */
    bool waitForEnd (int timeoutMs) const;

    //==============================================================================
    /** The function code (byte 5) of a SysEx message of at least 6 bytes; else 0. */
    static uint8_t getFunctionCode (const juce::MidiMessage& message) noexcept;

private:
    //==============================================================================
    /** Signals or clears `ended` after a change of state or in-flight; the caller
        holds endLock, so the last change decides.
    */
    void updateEnded();

    //==============================================================================
    juce::CriticalSection endLock;
    juce::WaitableEvent ended { true };

    juce::CriticalSection stateLock;
    TransactionState state = TransactionState::waiting;

    juce::CriticalSection inFlightLock;
    bool inFlight = false;

    juce::CriticalSection requestLock;
    juce::MidiMessage request;

    juce::CriticalSection repliesLock;
    std::vector<juce::MidiMessage> replies;

    juce::CriticalSection activityLock;
    uint32_t lastActivity = 0;
    bool touched = false;   // kept apart from lastActivity: after the counter wraps, a real touch may read 0
    const uint32_t timeout;

    std::atomic<int> expectedReplies { 1 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SysExTransaction)
};
