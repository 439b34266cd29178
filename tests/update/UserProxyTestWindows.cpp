// The user's proxy, set in the current user's Internet Settings as Internet Options
// sets it, and removed after each case. ctest runs these cases alone: while they
// run, every fetch in the Wine prefix that is not for the loopback host meets the proxy.

#include "AutoUpdateFixture.h"

#include "update/UpdateCheckThread.h"
#include "update/UpdateProxy.h"

#include <algorithm>

namespace
{
    const juce::String settingsKey ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\");

    // Off by default (WinINet writes the 0 when it is missing); the others are missing then.
    const juce::String enableValue = settingsKey + "ProxyEnable";
    const juce::String proxyValues[] = { settingsKey + "ProxyServer", settingsKey + "ProxyOverride",
                                         settingsKey + "AutoConfigURL", settingsKey + "Connections\\DefaultConnectionSettings" };

    /** The user's proxy settings for the time of a test: a manual proxy with its bypass
        list and an auto-config script address, both as the plain values and as the
        connection settings record, which WinHTTP reads.
    */
    class ScopedUserProxy
    {
    public:
        ScopedUserProxy (const juce::String& proxy, const juce::String& bypass, const juce::String& script = {})
        {
            // The record: a version, a change counter, the kind flags (1 direct, 2 manual
            // proxy, 4 script), then the proxy, the bypass list and the script address,
            // each as a 32-bit length and its bytes, then reserved fields.
            juce::MemoryOutputStream record;
            record.writeInt (0x46);
            record.writeInt (1);
            record.writeInt (1 | (proxy.isNotEmpty() ? 2 : 0) | (script.isNotEmpty() ? 4 : 0));

            for (const auto& text : { proxy, bypass, script })
            {
                record.writeInt ((int) text.getNumBytesAsUTF8());
                record.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
            }

            record.writeRepeatedByte (0, 32);

            using Registry = juce::WindowsRegistry;
            applied = Registry::setValue (enableValue, (juce::uint32) (proxy.isNotEmpty() ? 1 : 0))
                   && Registry::setValue (proxyValues[0], proxy)
                   && Registry::setValue (proxyValues[1], bypass)
                   && (script.isEmpty() || Registry::setValue (proxyValues[2], script))
                   && Registry::setValue (proxyValues[3], record.getMemoryBlock());
        }

        ~ScopedUserProxy()
        {
            juce::WindowsRegistry::setValue (enableValue, (juce::uint32) 0);

            for (const auto& value : proxyValues)
                juce::WindowsRegistry::deleteValue (value);
        }

        /** True when the user has proxy settings of their own, which a test must not touch. */
        static bool userHasSettings()
        {
            return juce::WindowsRegistry::getValue (enableValue, "0") != "0"
                || std::any_of (std::begin (proxyValues), std::end (proxyValues),
                                [] (const juce::String& value) { return juce::WindowsRegistry::valueExists (value); });
        }

        bool applied = false;
    };

    juce::uint32 since (juce::uint32 start)
    {
        return juce::Time::getMillisecondCounter() - start;
    }

    const std::atomic<bool> never { false };
}

//==============================================================================
/** Skips a case in a Wine prefix (or on a machine) whose user set a proxy. */
class UserProxy  : public AutoUpdateFixture
{
protected:
    void SetUp() override
    {
        if (ScopedUserProxy::userHasSettings())
            GTEST_SKIP() << "the current user has proxy settings of their own, which this test would change";

        AutoUpdateFixture::SetUp();
    }
};

TEST_F (UserProxy, TheUpdateHostIsAskedForThroughTheUsersProxy)
{
    LoopbackHttpServer proxy;
    const auto proxyAddress = "127.0.0.1:" + juce::String (proxy.getPort());
    const ScopedUserProxy userSettings (proxyAddress, "*.intranet.example;<local>");
    ASSERT_TRUE (userSettings.applied);

    // The bypass list is read with it; the loopback host is never proxied.
    EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 3000, never), "http://" + proxyAddress);
    EXPECT_EQ (UpdateProxy::forAddress ("https://files.intranet.example/setup", 3000, never), juce::String());
    EXPECT_EQ (UpdateProxy::forAddress ("https://updates/setup", 3000, never), juce::String());
    EXPECT_FALSE (UpdateProxy::forAddress (server.getBaseAddress() + "/feed.xml", 3000, never).has_value());

    // The check for the configured update host: the proxy is asked to open a tunnel to
    // it, refuses, and the check ends as a check that found nothing, in good time.
    VASAutoUpdate u (2, 0, 2, settings.get(), "https://update.dremlor.example");
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_EQ (u.checkForUpdate(), VASAutoUpdate::noUpdate);
    EXPECT_LT (since (start), 3000u);
    EXPECT_EQ (proxy.countRequests ("update.dremlor.example:443"), 1);
    EXPECT_EQ (dialogs.countShown ("Software Update"), 0);

    // Loopback addresses never go through it.
    serveFeed (feed ("2.0.2", "true", local ("/setup"), {}));
    EXPECT_EQ (makeUpdater().checkForUpdate(), VASAutoUpdate::noUpdate);
    EXPECT_EQ (server.countRequests (feedPath()), 1);
}

TEST_F (UserProxy, AnAutoConfigScriptChoosesTheProxyWithinTheTimeLimit)
{
    LoopbackHttpServer scripts;
    scripts.serve ("/proxy.pac", LoopbackHttpServer::text ("function FindProxyForURL (url, host)\n"
                                                           "{ return host == \"direct.example\" ? \"DIRECT\" : \"PROXY 127.0.0.1:3128\"; }\n"));
    auto silent = LoopbackHttpServer::text ({});
    silent.silent = true;
    scripts.serve ("/silent.pac", silent);

    {
        const ScopedUserProxy userSettings ({}, {}, scripts.getBaseAddress() + "/proxy.pac");
        ASSERT_TRUE (userSettings.applied);
        EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 3000, never), juce::String ("http://127.0.0.1:3128"));
        EXPECT_EQ (UpdateProxy::forAddress ("https://direct.example/x", 3000, never), juce::String());
    }

    // A script that never arrives: the manual setting applies once the time is up, or
    // at once when the fetch is abandoned.
    const ScopedUserProxy userSettings ("127.0.0.1:3129", {}, scripts.getBaseAddress() + "/silent.pac");
    ASSERT_TRUE (userSettings.applied);

    auto start = juce::Time::getMillisecondCounter();
    EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 500, never), juce::String ("http://127.0.0.1:3129"));
    EXPECT_LT (since (start), 900u);

    std::atomic<bool> abandon { false };
    const auto abandoned = juce::Thread::launch ([&abandon] { juce::Thread::sleep (200); abandon = true; });
    ASSERT_TRUE (abandoned);
    start = juce::Time::getMillisecondCounter();
    EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 0, abandon), juce::String ("http://127.0.0.1:3129"));
    EXPECT_LT (since (start), 500u);

    // Quitting while the start-up check waits for the script ends the check at once.
    auto check = std::make_unique<UpdateCheckThread> (juce::URL ("https://update.dremlor.example/rss/x.xml"), UpdateFeed(),
                                                      UpdateFeed::Version { 2, 0, 2 }, true, [] {});
    check->start();
    juce::Thread::sleep (300);
    start = juce::Time::getMillisecondCounter();
    check.reset();
    EXPECT_LT (since (start), 300u);
}
