#include "app/InstanceMessenger.h"
#include "support/MessageLoop.h"
#include "support_gui/ModalBoxAnswerer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    /** A name of its own per test, so tests never meet each other's sockets. */
    juce::String uniqueName()
    {
        return "Dremlor messenger test " + juce::Uuid().toString();
    }

    juce::StringArray receiveFor (const juce::String& name, int expected, const std::function<void()>& send)
    {
        juce::StringArray received;
        InstanceMessenger messenger (name, [&] (const juce::String& line) { received.add (line); });
        EXPECT_TRUE (messenger.startListening());
        send();
        MessageLoop::runUntil ([&] { return received.size() >= expected; }, 3000);
        MessageLoop::runFor (100);
        return received;
    }
}

TEST (InstanceMessenger, RunningInstanceHearsAnotherStart)
{
    const auto name = uniqueName();
    const auto received = receiveFor (name, 2, [&]
    {
        EXPECT_TRUE (InstanceMessenger::notifyRunningInstance (name, "--open file.syx"));
        EXPECT_TRUE (InstanceMessenger::notifyRunningInstance (name, {}));
    });

    EXPECT_EQ (received, juce::StringArray ({ "--open file.syx", "" }));
}

TEST (InstanceMessenger, NoRunningInstanceMeansNoNotice)
{
    const auto name = uniqueName();
    EXPECT_FALSE (InstanceMessenger::notifyRunningInstance (name, "x"));

    {
        InstanceMessenger messenger (name, [] (const juce::String&) {});
        ASSERT_TRUE (messenger.startListening());
    }

    // The socket goes with the messenger.
    EXPECT_FALSE (InstanceMessenger::notifyRunningInstance (name, "x"));
    EXPECT_FALSE (juce::File (InstanceMessenger::getSocketPath (name)).exists());
}

TEST (InstanceMessenger, StaleSocketFromACrashIsReplaced)
{
    const auto name = uniqueName();
    const juce::File stale (InstanceMessenger::getSocketPath (name));
    ASSERT_TRUE (stale.replaceWithText ("left behind"));

    const auto received = receiveFor (name, 1, [&] { InstanceMessenger::notifyRunningInstance (name, "again"); });
    EXPECT_EQ (received, juce::StringArray ({ "again" }));
}

TEST (InstanceMessenger, OversizedCommandLineIsCutAndNoticeArrivesOnce)
{
    const auto name = uniqueName();
    const auto longLine = juce::String::repeatedString ("x", 3 * InstanceMessenger::maxMessageBytes);

    const auto received = receiveFor (name, 1, [&] { InstanceMessenger::notifyRunningInstance (name, longLine); });
    ASSERT_EQ (received.size(), 1);
    EXPECT_EQ (received[0].length(), InstanceMessenger::maxMessageBytes);
}

TEST (InstanceMessenger, CallbackAfterDestructionIsDropped)
{
    const auto name = uniqueName();
    int calls = 0;

    {
        InstanceMessenger messenger (name, [&] (const juce::String&) { ++calls; });
        ASSERT_TRUE (messenger.startListening());
        InstanceMessenger::notifyRunningInstance (name, "late");

        // Let the listener post its notice, but not deliver it.
        juce::Thread::sleep (300);
    }

    MessageLoop::runFor (100);
    EXPECT_EQ (calls, 0);
}

TEST (InstanceMessenger, LiveListenerIsNeverTakenOverAndStrangersAreIgnored)
{
    const auto name = uniqueName();
    juce::StringArray first, second;

    InstanceMessenger listening (name, [&] (const juce::String& line) { first.add (line); });
    ASSERT_TRUE (listening.startListening());

    InstanceMessenger latecomer (name, [&] (const juce::String& line) { second.add (line); });
    EXPECT_FALSE (latecomer.startListening());

    // A connection that does not introduce itself as a notice changes nothing.
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strcpy (address.sun_path, InstanceMessenger::getSocketPath (name).toRawUTF8());
    const int stranger = ::socket (AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ (::connect (stranger, reinterpret_cast<const sockaddr*> (&address), sizeof (address)), 0);
    ::send (stranger, "hello", 5, MSG_NOSIGNAL);
    ::close (stranger);

    EXPECT_TRUE (InstanceMessenger::notifyRunningInstance (name, "real"));
    MessageLoop::runUntil ([&] { return ! first.isEmpty(); }, 3000);
    MessageLoop::runFor (100);

    EXPECT_EQ (first, juce::StringArray ({ "real" }));
    EXPECT_TRUE (second.isEmpty());
}

TEST (InstanceMessenger, NoticeCutInsideACharacterIsReadWithinItsBytes)
{
    const auto name = uniqueName();

    // The start of a three-byte character as the very last byte received.
    const auto received = receiveFor (name, 1, [&]
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strcpy (address.sun_path, InstanceMessenger::getSocketPath (name).toRawUTF8());
        const int sender = ::socket (AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ (::connect (sender, reinterpret_cast<const sockaddr*> (&address), sizeof (address)), 0);
        const char notice[] = "another-instance\n--x \xE2";
        ::send (sender, notice, sizeof (notice) - 1, MSG_NOSIGNAL);
        ::close (sender);
    });

    ASSERT_EQ (received.size(), 1);
    EXPECT_TRUE (received[0].startsWith ("--x ")) << received[0];
}

TEST (InstanceMessenger, SocketLivesInTheSessionsRuntimeFolder)
{
    const auto previous = juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {});
    const auto runtime = juce::File::createTempFile ("rt-session");
    ASSERT_TRUE (runtime.createDirectory());
    const auto temporary = juce::File::getSpecialLocation (juce::File::tempDirectory);

    struct Case { juce::String value; juce::File expectedFolder; };

    const Case cases[] = {
        { runtime.getFullPathName(),                           runtime },
        { runtime.getChildFile ("missing").getFullPathName(),  temporary },
        { "relative/folder",                                   temporary },
        { {},                                                  temporary },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.value);
        ::setenv ("XDG_RUNTIME_DIR", c.value.toRawUTF8(), 1);
        EXPECT_EQ (juce::File (InstanceMessenger::getSocketPath ("Dremlor")).getParentDirectory(), c.expectedFolder);
    }

    // Two sessions with runtime folders of their own do not hear each other.
    ::setenv ("XDG_RUNTIME_DIR", runtime.getFullPathName().toRawUTF8(), 1);
    {
        InstanceMessenger listener ("Dremlor", [] (const juce::String&) {});
        ASSERT_TRUE (listener.startListening());
        EXPECT_TRUE (InstanceMessenger::notifyRunningInstance ("Dremlor", {}));

        const auto otherSession = juce::File::createTempFile ("rt-other");
        ASSERT_TRUE (otherSession.createDirectory());
        ::setenv ("XDG_RUNTIME_DIR", otherSession.getFullPathName().toRawUTF8(), 1);
        EXPECT_FALSE (InstanceMessenger::notifyRunningInstance ("Dremlor", {}));
        ::setenv ("XDG_RUNTIME_DIR", runtime.getFullPathName().toRawUTF8(), 1);
        otherSession.deleteRecursively();
    }

    ::setenv ("XDG_RUNTIME_DIR", previous.toRawUTF8(), 1);
    runtime.deleteRecursively();
}
