#include "skin/SkinContentGuard.h"
#include "text/Utf8Text.h"
#include "update/UpdateFeed.h"
#include "update/UpdateNetwork.h"
#include "update/VASAutoUpdate.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
    UpdateFeed::Version v (int major, int minor, int revision)
    {
        return { major, minor, revision };
    }
}

TEST (UpdateFeed, VersionsCompareAsIntegersFieldByField)
{
    const auto installed = v (2, 0, 2);

    struct Case { UpdateFeed::Version offered; bool newer; };
    const Case cases[] = {
        { v (2, 0, 2),  false },
        { v (1, 9, 9),  false },
        { v (2, 0, 1),  false },
        { v (1, 99, 99), false },
        { v (2, 0, 10), true },     // 10 > 2 as numbers, though "10" < "2" as text
        { v (2, 0, 3),  true },
        { v (2, 1, 0),  true },
        { v (3, 0, 0),  true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (c.offered.isNewerThan (installed), c.newer) << c.offered.toString();
}

TEST (UpdateFeed, ReadsNamesIgnoringCaseAndKeepsTheVersionWithoutVersionElement)
{
    UpdateFeed feed;
    ASSERT_TRUE (feed.parse ("<rss><version MAJOR='2' Minor='0' reVision='10' Compatibility='Yes'>"
                             "<WIN url='https://h/files/setup?x=1'/></version>"
                             "<releasenotes URL='https://h/notes.txt'/></rss>"));
    EXPECT_EQ (feed.available.toString(), "2.0.10");
    EXPECT_TRUE (feed.compatible);
    EXPECT_EQ (feed.installerAddress, "https://h/files/setup?x=1");
    EXPECT_TRUE (feed.hasReleaseNotes);
    EXPECT_EQ (feed.releaseNotesAddress, "https://h/notes.txt");

    // A later document without VERSION keeps what was read; one without notes says so.
    ASSERT_TRUE (feed.parse ("<rss/>"));
    EXPECT_EQ (feed.available.toString(), "2.0.10");
    EXPECT_FALSE (feed.hasReleaseNotes);

    // Not XML at all: refused, nothing changes.
    EXPECT_FALSE (feed.parse ("404 not found"));
    EXPECT_FALSE (feed.parse ({}));
    EXPECT_EQ (feed.available.toString(), "2.0.10");

    // Missing numbers read 0, junk after digits is ignored, huge ones saturate.
    ASSERT_TRUE (feed.parse ("<r><VERSION major='3x' revision='99999999999999999999'/></r>"));
    EXPECT_EQ (feed.available.major, 3);
    EXPECT_EQ (feed.available.minor, 0);
    EXPECT_EQ (feed.available.revision, std::numeric_limits<int>::max());
    EXPECT_TRUE (feed.installerAddress.isEmpty());
}

TEST (UpdateFeed, CompatibilityIsTrueOnlyForItsFirstLetters)
{
    const std::pair<const char*, bool> cases[] = {
        { "1", true }, { "true", true }, { "True", true }, { "yes", true }, { "Y", true },
        { "0", false }, { "false", false }, { "no", false }, { "", false }, { " true", false }, { "on", false },
    };

    for (const auto& [text, expected] : cases)
    {
        EXPECT_EQ (UpdateFeed::parseFlag (text), expected) << "'" << text << "'";

        UpdateFeed feed;
        ASSERT_TRUE (feed.parse (juce::String ("<r><VERSION major='9' compatibility='") + text + "'/></r>"));
        EXPECT_EQ (feed.compatible, expected) << "'" << text << "'";
    }

    UpdateFeed missing;
    ASSERT_TRUE (missing.parse ("<r><VERSION major='9'/></r>"));
    EXPECT_FALSE (missing.compatible);
}

TEST (UpdateFeed, InstallerFileNameIsTheLastPathPartWithoutQuery)
{
    const std::pair<const char*, const char*> cases[] = {
        { "https://h/files/setup?x=1",               "setup" },
        { "https://h/files/setup.exe",               "setup.exe" },      // ".exe" is appended later all the same
        { "https://h/files/setup/",                  "setup" },
        { "https://h/files/setup//?a=/b/c#frag",     "setup" },
        { "https://h/dl/Dremlor-2.1.0#part/2",       "Dremlor-2.1.0" },
        { "https://h/a/b%20c",                       "b%20c" },
        { "https://h/a/$(touch pwned)",              "_(touch pwned)" },
        { "https://h/a/x`id`;y\"z'w",                "x_id__y_z_w" },
        { "https://h/a/..\\..\\evil",                 ".._.._evil" },
        { "https://h/a/tab\there",                   "tab_here" },
        { "https://h/a/S\xC3\xA9tup\xE2\x82\xAC?x",      "S\xC3\xA9tup\xE2\x82\xAC" },   // kept whole
        { "",                                        "" },
    };

    for (const auto& [address, expected] : cases)
        EXPECT_EQ (UpdateFeed::installerFileName (juce::String::fromUTF8 (address)), juce::String::fromUTF8 (expected)) << address;
}

TEST (UpdateFeed, RectanglesSplitAtEverySeparator)
{
    const std::pair<const char*, juce::Rectangle<int>> cases[] = {
        { "10,20,300,40",      { 10, 20, 300, 40 } },
        { "10, 20, 300, 40",   { 10, 0, 20, 0 } },     // each blank makes an empty token
        { "5;6",               { 5, 6, 0, 0 } },
        { "",                  { 0, 0, 0, 0 } },
        { "  7\t8\n9\r10  ",   { 7, 8, 9, 10 } },
        { "-3,+4,x,5px",       { -3, 4, 0, 5 } },
    };

    for (const auto& [text, expected] : cases)
        EXPECT_EQ (VASAutoUpdate::parseRectangle (text), expected) << "'" << text << "'";
}

TEST (UpdateNetwork, OnlyHttpsOrTheLoopbackHostIsFetched)
{
    const std::pair<const char*, bool> cases[] = {
        { "https://update.dremlor.example/rss/x.xml",  true },
        { "HTTPS://update.dremlor.example/x",          true },
        { "http://127.0.0.1:8080/feed.xml",            true },
        { "http://localhost/feed.xml",                 true },
        { "http://[::1]:9000/feed.xml",                true },
        { "http://update.dremlor.example/x",           false },
        { "http://127.0.0.2/x",                        false },
        { "http://127.0.0.1.evil.example/x",           false },
        { "http://127.0.0.1@evil.example/x",           false },   // user information, not the host
        { "http://evil.example/?h=127.0.0.1",          false },
        { "ftp://127.0.0.1/x",                         false },
        { "file:///tmp/setup.exe",                     false },
        { "https://",                                  false },
        { "",                                          false },
    };

    for (const auto& [address, permitted] : cases)
        EXPECT_EQ (UpdateNetwork::isPermittedAddress (juce::URL (address)), permitted) << address;
}

TEST (UpdateFeed, DocumentsTheXmlReaderCannotReadSafelyAreRefused)
{
    const char* refused[] = {
        // Found by fuzzing: an XML declaration inside an element made the reader spin.
        "<rss><ver/<?xml version=\"1.0\" encoding=\"UTF-8\"?>version=\"1.0\"?>\n<rss>\n  <VERSION major=\"2\"",
        "<!DOCTYPE r [<!ENTITY a \"aaaa\">]><r><VERSION major=\"&a;\"/></r>",
        "<r><VERSION major=\"3\"/>\xE2\x82</r>",                     // a damaged UTF-8 sequence
    };

    for (auto* text : refused)
    {
        UpdateFeed feed;
        const auto start = juce::Time::getMillisecondCounter();
        EXPECT_FALSE (feed.parse (text, std::strlen (text))) << text;
        EXPECT_LT (juce::Time::getMillisecondCounter() - start, 1000u);
        EXPECT_EQ (feed.available.major, 0);
    }

    const char withZero[] = "<r><VERSION major=\"3\"/>\0</r>";
    UpdateFeed feed;
    EXPECT_FALSE (feed.parse (withZero, sizeof (withZero) - 1));
}

TEST (UpdateNetwork, NetworkBytesBecomeTextWithoutDamagedSequences)
{
    const auto bytes = [] (std::initializer_list<int> values)
    {
        juce::MemoryBlock block;

        for (auto v : values)
            block.append (&v, 1);

        return block;
    };

    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 'o', 'k', 0xC3, 0xA9 })), juce::String (juce::CharPointer_UTF8 ("ok\xC3\xA9")));
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 'a', 0xE9, 'b' })), "a" + juce::String::charToString (0xE9) + "b");
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 'x', 0xE2, 0x82 })).length(), 3);
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 'a', 0, 'b' })), "a b");
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 0xFF, 0xFE, 'h', 0, 'i', 0 })), "hi");
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 0xEF, 0xBB, 0xBF, 'o', 'k' })), "ok");

    // UTF-16: pairs joined, a lone half replaced, a zero a space, an odd last byte dropped.
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 0xFE, 0xFF, 0, 'h', 0xD8, 0x3D, 0xDE, 0x00 })), juce::String (L"h\U0001F600"));
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 0xFF, 0xFE, 0x00, 0xD8, 'a', 0, 0x00, 0xDC })), juce::String (L"\uFFFDa\uFFFD"));
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 0xFF, 0xFE, 0x3D, 0xD8 })), juce::String (L"\uFFFD"));
    EXPECT_EQ (UpdateNetwork::textFromBytes (bytes ({ 0xFF, 0xFE, 0, 0, 'i', 0, 'x' })), " i");
    EXPECT_EQ (UpdateNetwork::textFromBytes ({}), "");
}

TEST (UpdateNetwork, OnlyWellFormedUtf8IsReadAsUtf8)
{
    const std::pair<std::string, bool> cases[]
    {
        { "ok\xC3\xA9", true },
        { "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80", true },    // U+0800, U+D7FF, U+E000
        { "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true },         // U+10000, U+10FFFF
        { "^/////\xC0\x80<![CDA*E[", false },                   // found by fuzzing: an encoded zero
        { "\xC1\xBF", false },                                   // overlong forms
        { "\xE0\x9F\xBF", false },
        { "\xF0\x8F\xBF\xBF", false },
        { "\xED\xA0\x80", false },                               // surrogate halves
        { "\xED\xBF\xBF", false },
        { "\xF4\x90\x80\x80", false },                           // above U+10FFFF
        { "\xF5\x80\x80\x80", false },                           // no lead byte above F4
        { "a\x80", false },                                      // a lone continuation byte
        { "\xC3\x28", false },                                   // second byte not a continuation
        { "\xE1\x28\x80", false },
        { "x\xF0\x9F\x98", false },                              // cut short
        { "\xE2\x82x", false },
        { std::string ("a\0b", 3), false },
    };

    for (const auto& [bytes, wellFormed] : cases)
    {
        SCOPED_TRACE (juce::String::toHexString (bytes.data(), (int) bytes.size()));
        EXPECT_EQ (Utf8Text::isWellFormed (bytes.data(), bytes.size()), wellFormed);

        // Network text: UTF-8 when well-formed, otherwise one character per byte; the
        // text rules that once wrote past their buffer run on it.
        const auto text = UpdateNetwork::textFromBytes (juce::MemoryBlock (bytes.data(), bytes.size()));
        EXPECT_EQ (text.length(), wellFormed ? juce::String::fromUTF8 (bytes.data(), (int) bytes.size()).length() : (int) bytes.size());
        (void) UpdateFeed::installerFileName ("https://example.org/" + text);
        (void) UpdateNetwork::hostOf ("https://" + text + "/x");

        // A feed or skin description holding the bytes is read only when they are well-formed.
        const auto document = "<r a=\"" + bytes + "\"><VERSION major=\"3\"/></r>";
        UpdateFeed feed;
        EXPECT_EQ (feed.parse (document.data(), document.size()), wellFormed);
        EXPECT_EQ (SkinContentGuard::parseXmlBytes (document.data(), document.size()) != nullptr, wellFormed);
    }
}
