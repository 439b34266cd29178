// The user's proxy, set in the current user's Internet Settings and removed after each
// case. ctest runs these cases alone: while they run, every fetch in the Wine prefix
// that is not for the loopback host meets the proxy.

#include "AutoUpdateFixture.h"

#include "update/UpdateCheckThread.h"
#include "update/UpdateProxy.h"

namespace
{
    const juce::String connectionSettings ("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                                           "Internet Settings\\Connections\\DefaultConnectionSettings");

    /** The user's proxy settings for the time of a test, as the connection settings
        record that WinHTTP reads: a manual proxy with its bypass list, and an
        auto-config script address.
    */
    struct ScopedUserProxy
    {
        ScopedUserProxy (const juce::String& proxy, const juce::String& bypass, const juce::String& script = {})
        {
            // A version, a change counter, the kind flags (1 direct, 2 manual proxy,
            // 4 script), the three texts each behind its 32-bit length, reserved fields.
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
            juce::WindowsRegistry::setValue (connectionSettings, record.getMemoryBlock());
        }

        ~ScopedUserProxy()      { juce::WindowsRegistry::deleteValue (connectionSettings); }
    };

    const std::atomic<bool> never { false };
}

//==============================================================================
/** Skips a case in a Wine prefix (or on a machine) whose user set a proxy. */
class UserProxy  : public AutoUpdateFixture
{
protected:
    void SetUp() override
    {
        if (juce::WindowsRegistry::valueExists (connectionSettings))
            GTEST_SKIP() << "the current user has proxy settings of their own, which this test would change";

        AutoUpdateFixture::SetUp();
    }
};

TEST_F (UserProxy, TheUpdateHostIsAskedForThroughTheUsersProxy)
{
    LoopbackHttpServer proxy;
    const auto proxyAddress = "127.0.0.1:" + juce::String (proxy.getPort());
    const ScopedUserProxy userSettings (proxyAddress, "*.intranet.example;<local>");

    // The bypass list is read with it; the loopback host is never proxied.
    EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 3000, never), "http://" + proxyAddress);
    EXPECT_EQ (UpdateProxy::forAddress ("https://updates/setup", 3000, never), juce::String());
    EXPECT_FALSE (UpdateProxy::forAddress (server.getBaseAddress() + "/feed.xml", 3000, never).has_value());

    // The check asks the proxy for a tunnel to the update host, which it refuses.
    VASAutoUpdate u (2, 0, 2, settings.get(), "https://update.dremlor.example");
    EXPECT_EQ (runCheck (u), VASAutoUpdate::noUpdate);
    EXPECT_EQ (proxy.countRequests ("update.dremlor.example:443"), 1);
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
        EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 3000, never), juce::String ("http://127.0.0.1:3128"));
        EXPECT_EQ (UpdateProxy::forAddress ("https://direct.example/x", 3000, never), juce::String());
    }

    // A script that never arrives: the manual setting applies once the time is up, and
    // quitting while the start-up check waits for it ends the check at once.
    const ScopedUserProxy userSettings ("127.0.0.1:3129", {}, scripts.getBaseAddress() + "/silent.pac");

    auto start = juce::Time::getMillisecondCounter();
    EXPECT_EQ (UpdateProxy::forAddress ("https://update.dremlor.example/x", 500, never), juce::String ("http://127.0.0.1:3129"));
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 900u);

    auto check = std::make_unique<UpdateCheckThread> (juce::URL ("https://update.dremlor.example/rss/x.xml"), UpdateFeed(),
                                                      UpdateFeed::Version { 2, 0, 2 }, true, [] {});
    check->start();
    juce::Thread::sleep (300);
    start = juce::Time::getMillisecondCounter();
    check.reset();
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, 300u);
}
