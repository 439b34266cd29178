#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

//==============================================================================
/** The seam between the port code and whatever supplies MIDI devices.

    The ports (VASMidiPorts) list, open and use devices only through the provider
    returned by getCurrent(). By default that is the operating system's devices
    (JuceMidiDeviceProvider); tests, and the app when asked to run without hardware,
    install a VirtualMidiDeviceProvider with setCurrent().
*/
class MidiDeviceProvider
{
public:
    virtual ~MidiDeviceProvider();

    //==============================================================================
    /** An opened input. Messages reach the callback given at opening, on a thread
        of the provider's own, between start() and stop(); only complete messages.
        Once stop() (or the destructor) has returned, no callback runs any more.
    */
    class Input
    {
    public:
        virtual ~Input();
        virtual void start() = 0;
        virtual void stop() = 0;

        /** False once the device this input was opened on has gone, even when a device
            of the same name has appeared since: the old handle stays dead and only a
            reopen reaches the new device. True where the provider cannot tell.
        */
        virtual bool isConnected() const { return true; }
    };

    /** An opened output. */
    class Output
    {
    public:
        virtual ~Output();

        /** Sends one message; for SysEx this blocks until the device has taken it. */
        virtual void sendMessageNow (const juce::MidiMessage& message) = 0;

        /** As Input::isConnected, for outputs. */
        virtual bool isConnected() const { return true; }
    };

    //==============================================================================
    /** The input device names, in the system's order (an index into this list opens). */
    virtual juce::StringArray getInputDeviceNames() = 0;

    /** The output device names, in the system's order. */
    virtual juce::StringArray getOutputDeviceNames() = 0;

    /** Opens the input at this index of the current list; nullptr when that fails.
        The callback's source argument may be nullptr for devices that are not the
        framework's own.
    */
    virtual std::unique_ptr<Input> openInput (int index, juce::MidiInputCallback& callback) = 0;

    /** Opens the output at this index of the current list; nullptr when that fails. */
    virtual std::unique_ptr<Output> openOutput (int index) = 0;

    //==============================================================================
    /** The provider the ports use: the one installed with setCurrent(), else the
        operating system's devices.
    */
    static MidiDeviceProvider& getCurrent();

    /** Installs a provider for every port opened from now on (nullptr restores the
        operating system's devices). The caller keeps it alive while it is installed
        and closes the ports it opened before uninstalling it.
    */
    static void setCurrent (MidiDeviceProvider* provider);
};
