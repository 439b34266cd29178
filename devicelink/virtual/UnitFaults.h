#pragma once

//==============================================================================
/**
    Misbehaviour an emulated unit can be told to show, so that tests can see how
    the host copes with a device that is silent, refuses, garbles its answers,
    answers late or vanishes half-way through a transfer.

    All fields default to a well-behaved unit; set the ones a test needs and hand
    the struct to the unit's setFaults().
*/
struct UnitFaults
{
    /** The unit takes every message but answers none. */
    bool silent = false;

    /** Non-zero: the unit refuses instead of acting, answering each message with a
        SYSEX_STATUS_MSG carrying this result code (e.g. 1 for a bad checksum, 5 for
        a message it does not recognise, 25 for firmware that is already current).
    */
    int refusalResult = 0;

    /** The function code whose messages are refused; -1 refuses every function. */
    int refusalFunction = -1;

    /** Every answer leaves the unit with a wrong checksum byte. */
    bool corruptReplies = false;

    /** Milliseconds the unit waits before it sends the answers to a message. */
    int replyDelayMs = 0;

    /** Above 0: the unit deals with this many SysEx messages normally and pulls its
        own plug when the next one arrives, leaving that one unanswered.
    */
    int unplugAfterMessages = 0;
};
