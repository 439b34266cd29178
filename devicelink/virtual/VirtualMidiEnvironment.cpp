#include "devicelink/virtual/VirtualMidiEnvironment.h"

#include "devicelink/virtual/KorrinaUnit.h"

#include "text/EnvironmentText.h"

//==============================================================================
std::unique_ptr<VirtualMidiEnvironment> VirtualMidiEnvironment::createFromEnvironment()
{
    const auto unitList = EnvironmentText::get (variableName);

    if (unitList.trim().isEmpty())
        return nullptr;

    auto environment = std::make_unique<VirtualMidiEnvironment> (unitList);

    if (! environment->isInstalled())
        return nullptr;

    environment->listenForDumpSignal();
    return environment;
}

VirtualMidiEnvironment::VirtualMidiEnvironment (const juce::String& unitList)
{
    for (const auto& name : juce::StringArray::fromTokens (unitList, ",", {}))
    {
        const auto unitName = name.trim().toLowerCase();

        if (unitName.isEmpty())
            continue;

        if (addUnitNamed (unitName))
        {
            ++unitCount;
        }
        else
        {
            DBG ("Ignoring unknown virtual MIDI unit \"" << unitName << "\" in " << variableName);
        }
    }

    if (unitCount > 0)
        MidiDeviceProvider::setCurrent (&provider);
}

VirtualMidiEnvironment::~VirtualMidiEnvironment()
{
    dumpSignal.reset();

    const auto stateFolder = EnvironmentText::get (stateFolderVariableName);

    if (stateFolder.isNotEmpty() && juce::File::isAbsolutePath (stateFolder))
        writeKorrinaState (juce::File (stateFolder));

    if (unitCount > 0 && &MidiDeviceProvider::getCurrent() == &provider)
        MidiDeviceProvider::setCurrent (nullptr);
}

//==============================================================================
bool VirtualMidiEnvironment::addUnitNamed (const juce::String& unitName)
{
    if (unitName == "korrina" || unitName == "korrina-grand")
    {
        const auto model = unitName == "korrina" ? DeviceModels::korrina : DeviceModels::korrinaGrand;
        const auto portName = makeUniquePortName (KorrinaUnit::defaultPortName());
        auto unit = std::make_unique<KorrinaUnit> (model, portName);

        // The unplug fault needs someone who can pull the unit's plug.
        auto* devices = &provider;
        unit->setUnplugHandler ([devices, portName] { devices->unplug (portName); });
        korrinaUnits.push_back (unit.get());
        provider.attachUnit (std::move (unit));
        return true;
    }

    if (unitName == "stompra-classic" || unitName == "stompra-neo")
    {
        const auto model = unitName == "stompra-neo" ? DeviceModels::stompraNeo : DeviceModels::stompraClassic;
        stompraUnits.push_back (std::make_unique<StompraUnit> (model, makeUniquePortName (StompraUnit::defaultPortName (model))));
        provider.addUnit (*stompraUnits.back());
        return true;
    }

    return false;
}

juce::String VirtualMidiEnvironment::makeUniquePortName (const juce::String& portName)
{
    auto candidate = portName;

    for (int n = 2; portNames.contains (candidate); ++n)
        candidate = juce::String (n) + "- " + portName;

    portNames.add (candidate);
    return candidate;
}

void VirtualMidiEnvironment::writeKorrinaState (const juce::File& folder) const
{
    if (! folder.createDirectory())
        return;

    for (const auto* unit : korrinaUnits)
    {
        const auto prefix = unit->getPortName() + "-";

        for (int bank = 0; bank < KorrinaUnit::numBanks; ++bank)
        {
            juce::MemoryBlock presets;

            for (int preset = 0; preset < KorrinaUnit::presetsPerBank; ++preset)
            {
                const auto bytes = unit->getPreset (bank, preset);
                presets.append (bytes.getData(), bytes.getSize());
            }

            folder.getChildFile (prefix + "bank-" + juce::String::charToString ((juce::juce_wchar) ('A' + bank)) + ".bin")
                  .replaceWithData (presets.getData(), presets.getSize());
        }

        const auto editBuffer = unit->getEditBuffer();
        folder.getChildFile (prefix + "edit-buffer.bin").replaceWithData (editBuffer.getData(), editBuffer.getSize());
    }
}

//==============================================================================
void VirtualMidiEnvironment::sendStompraDumps()
{
    for (auto& unit : stompraUnits)
        unit->sendDump();
}

void VirtualMidiEnvironment::listenForDumpSignal()
{
    if (! stompraUnits.empty())
        dumpSignal = std::make_unique<StompraDumpSignal> ([this] { sendStompraDumps(); });
}
