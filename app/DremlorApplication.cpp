#include "app/DremlorApplication.h"

#include "app/InstanceMessenger.h"
#include "app/MainAppWindow.h"
#include "devicelink/VASMidiProcessing.h"
#include "devicelink/virtual/VirtualMidiEnvironment.h"

//==============================================================================
DremlorApplication::DremlorApplication()
    : virtualMidi (VirtualMidiEnvironment::createFromEnvironment())
{
    // Creates the engine; its thread starts once the user's port choice opens ports.
    processing = VASMidiProcessing::getInstance();
}

DremlorApplication::~DremlorApplication()
{
    // The engine leaves getInstance's reach before its teardown starts, so no caller
    // is handed a half-deleted engine; its destructor then stops the thread (up to
    // 5000 ms) and closes the ports.
    VASMidiProcessing::deleteInstance();
    processing = nullptr;

    mainWindow.reset();
    instanceMessenger.reset();
}

//==============================================================================
juce::String DremlorApplication::applicationName()
{
    return "Vornhalt Audio Systems - Dremlor MIDI Utility";
}

const juce::String DremlorApplication::getApplicationName()      { return applicationName(); }
const juce::String DremlorApplication::getApplicationVersion()   { return "1.0.0"; }
bool DremlorApplication::moreThanOneInstanceAllowed()            { return false; }

juce::String DremlorApplication::getAnotherInstanceMessage()
{
    return juce::String ("Another instance of ") + "Dremlor"
           + " was trying to start.\nOnly one instance can execute at a time.";
}

//==============================================================================
void DremlorApplication::initialise (const juce::String&)
{
    initialised = true;

    // This instance holds the single-instance lock: it listens for later starts.
    instanceMessenger = std::make_unique<InstanceMessenger> (getApplicationName(), [this] (const juce::String& line)
    {
        anotherInstanceStarted (line);
    });
    instanceMessenger->startListening();

    // A window held before goes first: its destructor deletes the skin manager that
    // the new window fetches and loads.
    mainWindow.reset();
    mainWindow = std::make_unique<MainAppWindow>();
}

void DremlorApplication::shutdown()
{
    // The framework refuses a second start before initialise and only calls shutdown;
    // its own notice to the running instance goes nowhere on this platform.
    if (! initialised)
    {
        InstanceMessenger::notifyRunningInstance (getApplicationName(), getCommandLineParameters());
        return;
    }

    auto window = std::move (mainWindow);
    window.reset();
    instanceMessenger.reset();
}

void DremlorApplication::anotherInstanceStarted (const juce::String&)
{
    juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::WarningIcon, "Dremlor",
                                       getAnotherInstanceMessage(), {}, nullptr);
}

void DremlorApplication::systemRequestedQuit()
{
    juce::JUCEApplication::quit();
}
