#include <gtest/gtest.h>

#include "devicelink/SysExMessage.h"
#include "devicelink/virtual/StompraUnit.h"
#include "support/SysExTestMessages.h"
#include "support/UnitDumpMessages.h"

using SysExTestMessages::framed;

namespace
{
    struct StompraHarness
    {
        explicit StompraHarness (DeviceModel model) : unit (model)
        {
            unit.setHostSender ([this] (const juce::MidiMessage& m) { sent.push_back (m); });
        }

        StompraUnit unit;
        std::vector<juce::MidiMessage> sent;
    };
}

//==============================================================================
TEST (StompraUnitPorts, EachEditionHasAPortPairOfItsOwn)
{
    const StompraUnit classic (2), neo (4);

    EXPECT_EQ (classic.getModel(), 2);
    EXPECT_EQ (neo.getModel(), 4);
    EXPECT_NE (classic.getPortName(), neo.getPortName());

    // The dialog opens the Korrina's port by a search for this text; a Stompra must not match it.
    // Ports are opened by the first name containing the wanted text, so neither
    // name may contain the other.
    for (const auto& name : { classic.getPortName(), neo.getPortName() })
        EXPECT_FALSE (name.containsIgnoreCase ("KORRINA MIDI"));

    EXPECT_FALSE (neo.getPortName().contains (classic.getPortName()));
    EXPECT_FALSE (classic.getPortName().contains (neo.getPortName()));
}

//==============================================================================
TEST (StompraUnitReception, FirmwareAndRestoreAreKeptWithoutAnyAnswer)
{
    StompraHarness h (4);
    const std::vector<juce::MidiMessage> firmware { framed (4, 0x7D, { 1 }), framed (4, 0x7E, { 2, 3 }), framed (4, 0x7F, {}) };

    // A restore message may carry ordinary bytes that followed it in the backup file.
    auto withTrailer = SysExTestMessages::bytesOf (framed (4, 0x75, { 0, 1, 2 }));
    withTrailer.push_back (0xC0);
    withTrailer.push_back (0x01);
    const std::vector<juce::MidiMessage> restore { framed (4, 0x75, { 0, 0, 0, 9 }), SysExTestMessages::fromBytes (withTrailer) };

    for (const auto& m : firmware)  h.unit.handleMessageFromHost (m);
    for (const auto& m : restore)   h.unit.handleMessageFromHost (m);
    h.unit.handleMessageFromHost (framed (2, 0x75, { 5 }));             // another edition's data
    h.unit.handleMessageFromHost (framed (4, 0x08, {}));                // a request it never answers

    EXPECT_TRUE (h.sent.empty());
    EXPECT_EQ (h.unit.getNumReceivedMessages(), 7);
    EXPECT_EQ (h.unit.getReceivedFirmware(), UnitDumpMessages::joined (firmware));
    EXPECT_EQ (h.unit.getReceivedRestore(), UnitDumpMessages::joined (restore));
}

//==============================================================================
TEST (StompraUnitDump, DumpMixesBackupSysExWithOrdinaryMessages)
{
    StompraHarness h (2);
    h.unit.sendDump();

    ASSERT_FALSE (h.sent.empty());
    EXPECT_EQ (UnitDumpMessages::joined (h.sent), h.unit.makeDumpBytes());

    // A recording saved as a file must be recognised as a Stompra backup: it opens
    // with a backup data message of the unit's model.
    const auto& first = h.sent.front();
    ASSERT_TRUE (first.isSysEx());
    EXPECT_EQ (first.getRawData()[4], 2);
    EXPECT_EQ (first.getRawData()[5], 0x75);

    int sysEx = 0, other = 0;

    for (const auto& m : h.sent)
    {
        if (m.isSysEx())
        {
            ++sysEx;
            EXPECT_TRUE (SysExMessage::isChecksumValid (m));
        }
        else
        {
            ++other;
        }
    }

    EXPECT_GT (sysEx, 8);
    EXPECT_GT (other, 1);

    // Each dump is the same, and the two editions' dumps differ.
    h.sent.clear();
    h.unit.sendDump();
    EXPECT_EQ (UnitDumpMessages::joined (h.sent), h.unit.makeDumpBytes());
    EXPECT_NE (StompraUnit (4).makeDumpBytes(), h.unit.makeDumpBytes());
}
