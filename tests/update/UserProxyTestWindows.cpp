// The user's proxy, set in the current user's Internet Settings as Internet Options
// sets it, and restored after each case. ctest runs these cases alone: while they
// run, every fetch in the Wine prefix that is not for the loopback host meets the proxy.

#include <windows.h>

#include "AutoUpdateFixture.h"

#include "update/UpdateProxy.h"

#include <vector>

namespace
{
    const wchar_t* const settingsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    const wchar_t* const connectionsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

    /** One registry value as it was before the test, put back (or removed) at the end. */
    class SavedValue
    {
    public:
        SavedValue (const wchar_t* keyPath, const wchar_t* valueName) : key (keyPath), name (valueName)
        {
            DWORD size = 0;
            existed = RegGetValueW (HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, nullptr, &size) == ERROR_SUCCESS;

            if (existed)
            {
                data.resize (size);
                existed = RegGetValueW (HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, data.data(), &size) == ERROR_SUCCESS;
                data.resize (size);
            }
        }

        ~SavedValue()
        {
            HKEY handle = nullptr;

            if (RegCreateKeyExW (HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
                return;

            if (existed)
                RegSetValueExW (handle, name, 0, type, data.data(), (DWORD) data.size());
            else
                RegDeleteValueW (handle, name);

            RegCloseKey (handle);
        }

        bool set (DWORD newType, const void* bytes, size_t size) const
        {
            HKEY handle = nullptr;

            if (RegCreateKeyExW (HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
                return false;

            const auto done = RegSetValueExW (handle, name, 0, newType, static_cast<const BYTE*> (bytes), (DWORD) size) == ERROR_SUCCESS;
            RegCloseKey (handle);
            return done;
        }

        bool setText (const juce::String& text) const
        {
            const auto* wide = text.toWideCharPointer();
            return set (REG_SZ, wide, (wcslen (wide) + 1) * sizeof (wchar_t));
        }

    private:
        const wchar_t* key;
        const wchar_t* name;
        bool existed = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };

    /** The user's proxy settings for the time of a test: a manual proxy with its bypass
        list and an auto-config script address, as both the plain values and the
        connection settings record (which WinHTTP reads) hold them.
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

            for (int i = 0; i < 8; ++i)
                record.writeInt (0);

            const DWORD enabled = proxy.isNotEmpty() ? 1 : 0;
            applied = enableValue.set (REG_DWORD, &enabled, sizeof (enabled))
                   && serverValue.setText (proxy)
                   && bypassValue.setText (bypass)
                   && (script.isEmpty() || scriptValue.setText (script))
                   && connectionValue.set (REG_BINARY, record.getData(), record.getDataSize());
        }

        bool applied = false;

    private:
        const SavedValue enableValue { settingsKey, L"ProxyEnable" };
        const SavedValue serverValue { settingsKey, L"ProxyServer" };
        const SavedValue bypassValue { settingsKey, L"ProxyOverride" };
        const SavedValue scriptValue { settingsKey, L"AutoConfigURL" };
        const SavedValue connectionValue { connectionsKey, L"DefaultConnectionSettings" };
    };

    juce::uint32 since (juce::uint32 start)
    {
        return juce::Time::getMillisecondCounter() - start;
    }

    const std::atomic<bool> never { false };
}

//==============================================================================
using UserProxy = AutoUpdateFixture;

TEST_F (UserProxy, TheUpdateHostIsAskedForThroughTheUsersProxy)
{
    LoopbackHttpServer proxy;
    const auto proxyAddress = "127.0.0.1:" + juce::String (proxy.getPort());
    const ScopedUserProxy userSettings (proxyAddress, "*.intranet.example;<local>");
    ASSERT_TRUE (userSettings.applied);

    const std::pair<const char*, const char*> cases[] = {
        { "https://update.dremlor.example/rss/x.xml", "proxied" },
        { "https://files.intranet.example/setup",     "" },
        { "https://updates/setup",                    "" },
    };

    for (const auto& [address, expected] : cases)
    {
        const auto chosen = UpdateProxy::forAddress (address, 3000, never);
        ASSERT_TRUE (chosen.has_value()) << address;
        EXPECT_EQ (*chosen, juce::String (expected) == "proxied" ? "http://" + proxyAddress : juce::String()) << address;
    }

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
}
