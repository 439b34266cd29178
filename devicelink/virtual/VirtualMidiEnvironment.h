#pragma once

#include "devicelink/virtual/StompraDumpSignal.h"
#include "devicelink/virtual/StompraUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include <memory>
#include <vector>

class KorrinaUnit;

//==============================================================================
/**
    Runs the program against emulated units instead of MIDI hardware when the
    environment variable DREMLOR_VIRTUAL_MIDI names them, e.g.

        DREMLOR_VIRTUAL_MIDI=korrina-grand,stompra-neo

    Known names: "korrina", "korrina-grand", "stompra-classic", "stompra-neo"
    (letter case and blanks around names do not matter); unknown ones are skipped.
    A second unit with a port name already taken gets "2- " (then "3- " ...) in
    front of it, as the system names a second device of one kind.

    The application calls createFromEnvironment() once at start-up, before any port
    is opened, and keeps the result for the whole run: it owns the units and the
    provider. Without the variable nothing is created and real devices stay in use.

    A Stompra sends its dump only when the user presses ENTER on it. In a run set up
    from the variable, SIGUSR1 to the program stands for that key press on every
    emulated Stompra (see StompraDumpSignal), so a dump can be recorded from outside:

        kill -USR1 <pid of the program>
*/
class VirtualMidiEnvironment
{
public:
    /** The variable's name. */
    static constexpr const char* variableName = "DREMLOR_VIRTUAL_MIDI";

    /** Names a folder into which, when the run ends, every emulated Korrina writes what
        it holds, so that a script driving the program can check what was sent to it:
        "<port>-bank-A.bin" to "-bank-D.bin" (128 presets each) and "<port>-edit-buffer.bin",
        each preset as the unit stores it (16-bit words, low byte first).
    */
    static constexpr const char* stateFolderVariableName = "DREMLOR_VIRTUAL_MIDI_STATE";

    /** Reads the variable and, when it names at least one known unit, builds those
        units and installs their provider. Returns nullptr otherwise.
    */
    static std::unique_ptr<VirtualMidiEnvironment> createFromEnvironment();

    /** Builds the units of a comma-separated list and, when there is at least one,
        installs their provider.
    */
    explicit VirtualMidiEnvironment (const juce::String& unitList);

    /** Writes the units' state when asked to (stateFolderVariableName) and
        uninstalls the provider when it is still the current one; close the ports first.
    */
    ~VirtualMidiEnvironment();

    //==============================================================================
    /** Number of units built from the list. */
    int getNumUnits() const noexcept                           { return unitCount; }

    /** True when the provider was installed. */
    bool isInstalled() const noexcept                          { return unitCount > 0; }

    /** The provider, so a caller can unplug or replug a unit by its port name. */
    VirtualMidiDeviceProvider& getProvider() noexcept          { return provider; }

    /** Every emulated Stompra sends its dump, as ENTER on "Sysex Data DUMP!" does. */
    void sendStompraDumps();

    /** Number of emulated Stompra units. */
    int getNumStompraUnits() const noexcept                    { return (int) stompraUnits.size(); }

    /** True while SIGUSR1 makes the Stompra units send their dumps. */
    bool isListeningForDumpSignal() const noexcept             { return dumpSignal != nullptr && dumpSignal->isListening(); }

private:
    bool addUnitNamed (const juce::String& unitName);
    juce::String makeUniquePortName (const juce::String& portName);
    void writeKorrinaState (const juce::File& folder) const;
    void listenForDumpSignal();

    // The Stompra units are kept here rather than by the provider, so a signal can
    // reach them even if someone detaches their port pair; they outlive the provider.
    std::vector<std::unique_ptr<StompraUnit>> stompraUnits;
    VirtualMidiDeviceProvider provider;
    std::vector<const KorrinaUnit*> korrinaUnits;
    std::unique_ptr<StompraDumpSignal> dumpSignal;
    juce::StringArray portNames;
    int unitCount = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VirtualMidiEnvironment)
};
