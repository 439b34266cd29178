#include "app/InstanceMessenger.h"

#include "text/EnvironmentText.h"
#include "text/Utf8Text.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace
{
    /** Fills a socket address; false when the path does not fit. */
    bool makeAddress (const juce::String& path, sockaddr_un& address)
    {
        std::memset (&address, 0, sizeof (address));
        address.sun_family = AF_UNIX;

        const auto utf8 = path.toRawUTF8();
        const auto length = std::strlen (utf8);

        if (length == 0 || length >= sizeof (address.sun_path))
            return false;

        std::memcpy (address.sun_path, utf8, length);
        return true;
    }

    /** What a notice starts with; a connection that does not say it is ignored. */
    const juce::String noticeHeader ("another-instance\n");

    /** True when something listens on the path (a connection is accepted). */
    bool isSomeoneListening (const sockaddr_un& address)
    {
        const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

        if (fd < 0)
            return false;

        const bool connected = ::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0;
        ::close (fd);
        return connected;
    }

    /** A receive that gives up after the given time instead of blocking the listener. */
    void setReceiveTimeout (int socket, int milliseconds)
    {
        timeval timeout { milliseconds / 1000, (milliseconds % 1000) * 1000 };
        ::setsockopt (socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof (timeout));
    }
}

//==============================================================================
/** The listening socket and the thread "Instance Messenger" that accepts notices on
    it and hands each command line to the message thread.
*/
struct InstanceMessenger::Pimpl  : private juce::Thread
{
    Pimpl (const juce::String& applicationName, Callback onAnotherInstance);
    ~Pimpl() override;

    bool startListening();
    void run() override;
    void receiveFrom (int connection);

    const juce::String socketPath;
    const Callback callback;
    int listenSocket = -1;
    juce::WeakReference<Pimpl> selfReference;

    JUCE_DECLARE_WEAK_REFERENCEABLE (Pimpl)
    JUCE_DECLARE_NON_COPYABLE (Pimpl)
};

InstanceMessenger::Pimpl::Pimpl (const juce::String& applicationName, Callback onAnotherInstance)
    : juce::Thread ("Instance Messenger"),
      socketPath (getSocketPath (applicationName)),
      callback (std::move (onAnotherInstance))
{
}

InstanceMessenger::Pimpl::~Pimpl()
{
    signalThreadShouldExit();
    stopThread (2000);

    if (listenSocket >= 0)
    {
        ::close (listenSocket);
        ::unlink (socketPath.toRawUTF8());
    }
}

//==============================================================================
InstanceMessenger::InstanceMessenger (const juce::String& applicationName, Callback onAnotherInstance)
    : pimpl (std::make_unique<Pimpl> (applicationName, std::move (onAnotherInstance)))
{
}

InstanceMessenger::~InstanceMessenger() = default;

bool InstanceMessenger::startListening()
{
    return pimpl->startListening();
}

bool InstanceMessenger::isListening() const noexcept
{
    return pimpl->listenSocket >= 0;
}

juce::String InstanceMessenger::getSocketPath (const juce::String& applicationName)
{
    // The session's runtime folder when it has one (private to the user, and what
    // separates one session from another), else the system's temporary folder.
    const auto runtime = EnvironmentText::get ("XDG_RUNTIME_DIR");
    const auto folder = juce::File::isAbsolutePath (runtime) && juce::File (runtime).isDirectory()
                            ? juce::File (runtime)
                            : juce::File::getSpecialLocation (juce::File::tempDirectory);

    // Short enough for a socket address whatever the name: the name goes in as a hash.
    const auto key = juce::String::toHexString (applicationName.hashCode64());
    return folder.getChildFile (".dremlor-" + juce::String ((int) ::getuid()) + "-" + key).getFullPathName();
}

//==============================================================================
bool InstanceMessenger::Pimpl::startListening()
{
    if (listenSocket >= 0)
        return true;

    sockaddr_un address;

    if (! makeAddress (socketPath, address))
        return false;

    const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (fd < 0)
        return false;

    // A live listener is never taken over; a socket left behind by an instance that
    // did not shut down is replaced.
    if (isSomeoneListening (address))
    {
        ::close (fd);
        return false;
    }

    ::unlink (socketPath.toRawUTF8());

    if (::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0
        || ::listen (fd, 4) != 0)
    {
        ::close (fd);
        return false;
    }

    listenSocket = fd;

    // Made here, on the message thread: the listener only copies it.
    selfReference = this;
    startThread();
    return true;
}

void InstanceMessenger::Pimpl::run()
{
    while (! threadShouldExit())
    {
        pollfd request { listenSocket, POLLIN, 0 };

        if (::poll (&request, 1, 100) <= 0 || (request.revents & POLLIN) == 0)
            continue;

        const int connection = ::accept4 (listenSocket, nullptr, nullptr, SOCK_CLOEXEC);

        if (connection >= 0)
        {
            receiveFrom (connection);
            ::close (connection);
        }
    }
}

void InstanceMessenger::Pimpl::receiveFrom (int connection)
{
    setReceiveTimeout (connection, 1000);

    juce::MemoryBlock received;
    char chunk[512];

    const auto limit = (size_t) maxMessageBytes + (size_t) noticeHeader.getNumBytesAsUTF8();

    while (received.getSize() < limit)
    {
        const auto wanted = juce::jmin (sizeof (chunk), limit - received.getSize());
        const auto got = ::recv (connection, chunk, wanted, 0);

        if (got <= 0)
            break;

        received.append (chunk, (size_t) got);
    }

    // Anything may send bytes to the socket: they never become a damaged sequence.
    const auto text = Utf8Text::toText (received.getData(), received.getSize());

    if (! text.startsWith (noticeHeader))
        return;

    const auto commandLine = text.substring (noticeHeader.length());

    juce::MessageManager::callAsync ([self = selfReference, commandLine]
    {
        if (auto* messenger = self.get())
            if (messenger->callback != nullptr)
                messenger->callback (commandLine);
    });
}

//==============================================================================
bool InstanceMessenger::notifyRunningInstance (const juce::String& applicationName,
                                               const juce::String& commandLine)
{
    sockaddr_un address;

    if (! makeAddress (getSocketPath (applicationName), address))
        return false;

    const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (fd < 0)
        return false;

    bool sent = ::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0;

    if (sent)
    {
        const juce::String notice = noticeHeader + commandLine;
        const auto bytes = notice.toRawUTF8();
        const auto length = juce::jmin (std::strlen (bytes),
                                        (size_t) maxMessageBytes + (size_t) noticeHeader.getNumBytesAsUTF8());

        for (size_t done = 0; done < length && sent;)
        {
            const auto written = ::send (fd, bytes + done, length - done, MSG_NOSIGNAL);
            sent = written > 0;
            done += sent ? (size_t) written : 0;
        }
    }

    ::close (fd);
    return sent;
}
