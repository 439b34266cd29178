// Writes what a fresh emulated Korrina sends for one dump request, for the end-to-end
// runs to compare the program's backup files with:
//     dremlor_e2e_korrina_dump korrina|korrina-grand preset <0-511> <out file>
//     dremlor_e2e_korrina_dump korrina|korrina-grand bank <0-3> <out file>
// The request goes to the unit over a virtual port pair, and every message the unit
// answers with is written back to back, as it arrived.
#include "devicelink/SysExMessage.h"
#include "devicelink/virtual/KorrinaUnit.h"
#include "devicelink/virtual/VirtualMidiDeviceProvider.h"

#include <iostream>

namespace
{
    struct Collector  : public juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
        {
            const juce::ScopedLock sl (lock);
            bytes.append (message.getRawData(), (size_t) message.getRawDataSize());
            ++count;
        }

        int getCount() const
        {
            const juce::ScopedLock sl (lock);
            return count;
        }

        juce::CriticalSection lock;
        juce::MemoryBlock bytes;
        int count = 0;
    };
}

int main (int argc, char* argv[])
{
    if (argc != 5)
    {
        std::cerr << "usage: dremlor_e2e_korrina_dump korrina|korrina-grand preset|bank <number> <out file>\n";
        return 2;
    }

    const juce::String unitName (argv[1]), kind (argv[2]);
    const int number = juce::String (argv[3]).getIntValue();

    if ((unitName != "korrina" && unitName != "korrina-grand") || (kind != "preset" && kind != "bank"))
    {
        std::cerr << "unknown unit or request\n";
        return 2;
    }

    const DeviceModel model = unitName == "korrina-grand" ? DeviceModels::korrinaGrand : DeviceModels::korrina;
    const int messagesPerPreset = model == DeviceModels::korrinaGrand ? 66 : 34;

    VirtualMidiDeviceProvider devices;
    devices.attachUnit (std::make_unique<KorrinaUnit> (model));

    Collector collector;
    auto input = devices.openInput (0, collector);
    auto output = devices.openOutput (0);

    if (input == nullptr || output == nullptr)
    {
        std::cerr << "cannot open the unit's ports\n";
        return 1;
    }

    input->start();

    // PATCH_DUMP (bank, preset) or BANK_DUMP (bank), framed by hand.
    std::vector<uint8_t> request { 0xF0, 0x00, 0x6B, 0x2E, model };

    if (kind == "preset")
        request.insert (request.end(), { 0x03, (uint8_t) (number / 128), (uint8_t) (number % 128) });
    else
        request.insert (request.end(), { 0x1C, (uint8_t) number });

    request.push_back (SysExMessage::checksum (request.data(), (int) request.size()));
    request.push_back (0xF7);
    output->sendMessageNow (juce::MidiMessage (request.data(), (int) request.size()));

    const int expected = kind == "preset" ? messagesPerPreset : 128 * messagesPerPreset;
    const auto deadline = juce::Time::getMillisecondCounter() + 20000;

    while (collector.getCount() < expected && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep (5);

    devices.waitUntilIdle();
    input->stop();

    if (collector.getCount() != expected)
    {
        std::cerr << "the unit sent " << collector.getCount() << " messages, not " << expected << "\n";
        return 1;
    }

    const juce::File out (juce::File::getCurrentWorkingDirectory().getChildFile (argv[4]));

    if (! out.replaceWithData (collector.bytes.getData(), collector.bytes.getSize()))
    {
        std::cerr << "cannot write " << out.getFullPathName() << "\n";
        return 1;
    }

    return 0;
}
