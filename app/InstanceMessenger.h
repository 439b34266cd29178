#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

//==============================================================================
/**
    Tells the running instance of the program that another one was started.

    The framework refuses a second instance through its lock "juceAppLock_" + name,
    but on Linux its notice to the running instance is never delivered. This
    messenger stands in for it there: the running instance listens on a local
    (Unix-domain) socket whose path is derived from the application name and the
    user, and a refused start connects to it and writes its command line.

    On Windows the framework's own notice arrives (a broadcast window message that
    makes it call anotherInstanceStarted), so the messenger adds none of its own
    (InstanceMessengerWindows.cpp): listening always succeeds and a refused start
    only learns whether a running instance holds the lock.

    The running instance creates one messenger and calls startListening; the
    callback runs on the message thread. A refused start calls
    notifyRunningInstance and ends.
*/
class InstanceMessenger
{
public:
    /** Called on the message thread with the other instance's command line. */
    using Callback = std::function<void (const juce::String& commandLine)>;

    InstanceMessenger (const juce::String& applicationName, Callback onAnotherInstance);
    ~InstanceMessenger();

    //==============================================================================
    /** Starts accepting notices; false when the socket cannot be set up or another
        process already listens on it. A socket left behind by an instance that
        crashed is replaced.
    */
    bool startListening();

    /** True once startListening has succeeded. */
    bool isListening() const noexcept;

    //==============================================================================
    /** Sends the command line to the running instance; false when none is listening.
        On Windows the framework has sent it already: true when an instance runs.
    */
    static bool notifyRunningInstance (const juce::String& applicationName,
                                       const juce::String& commandLine);

    /** The socket path used for the given application name by the current user: in
        the session's runtime folder (XDG_RUNTIME_DIR), else in the temporary folder.
        Empty on Windows, where no socket is used.
    */
    static juce::String getSocketPath (const juce::String& applicationName);

    /** Longest command line passed on; the rest is dropped. */
    static constexpr int maxMessageBytes = 4096;

private:
    //==============================================================================
    // Each platform's state, defined in its own file: the socket and the thread that
    // listens on it (InstanceMessenger.cpp), or whether listening was asked for
    // (InstanceMessengerWindows.cpp).
    struct Pimpl;
    std::unique_ptr<Pimpl> pimpl;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (InstanceMessenger)
};
