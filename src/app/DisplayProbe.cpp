#include "app/DisplayProbe.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// A server that takes a connection but says nothing for this long is not answering.
constexpr int kAnswer_ms = 3000;

class CSocket {
public:
    explicit CSocket(int fd) : m_fd(fd) {}
    ~CSocket() {
        if (m_fd >= 0)
            close(m_fd);
    }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

bool WaitFor(int fd, short events) {
    pollfd p{fd, events, 0};
    int n = 0;
    do {
        n = poll(&p, 1, kAnswer_ms);
    } while (n < 0 && errno == EINTR);
    return n == 1 && (p.revents & events);
}

// Connects without blocking for longer than kAnswer_ms.
bool ConnectTo(int fd, const sockaddr* address, socklen_t length) {
    if (connect(fd, address, length) == 0)
        return true;
    if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT))
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool ConnectUnix(int fd, const std::string& path, bool bAbstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = bAbstract ? 1 : 0;  // an abstract name starts with a zero byte
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + !bAbstract);
    return ConnectTo(fd, reinterpret_cast<const sockaddr*>(&address), length);
}

int NewSocket(int family) {
    return socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// The X server's first byte to a connection set-up without credentials: refused, accepted or
// "authenticate" alike mean that a server is there.
bool XServerAnswers(int fd) {
    const unsigned char setup[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (send(fd, setup, sizeof setup, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof setup))
        return false;
    unsigned char reply = 0;
    return WaitFor(fd, POLLIN) && recv(fd, &reply, 1, 0) == 1;
}

// "[protocol/][host]:display[.screen]"; a local display listens at /tmp/.X11-unix/X<display>,
// under the abstract name first, a remote one at TCP port 6000 + display.
bool XDisplayAnswers(std::string display) {
    if (const size_t slash = display.find('/'); slash != std::string::npos)
        display.erase(0, slash + 1);
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos)
        return false;
    const std::string host = display.substr(0, colon);
    char* end = nullptr;
    const long number = std::strtol(display.c_str() + colon + 1, &end, 10);
    if (end == display.c_str() + colon + 1 || number < 0 || number > 65535 - 6000)
        return false;
    if (host.empty() || host == "unix") {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
        for (const bool bAbstract : {true, false}) {
            const CSocket s(NewSocket(AF_UNIX));
            if (s.Fd() >= 0 && ConnectUnix(s.Fd(), path, bAbstract))
                return XServerAnswers(s.Fd());
        }
        return false;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(6000 + number).c_str(), &hints, &found) != 0)
        return false;
    bool bAnswers = false;
    for (const addrinfo* a = found; a && !bAnswers; a = a->ai_next) {
        const CSocket s(NewSocket(a->ai_family));
        bAnswers =
            s.Fd() >= 0 && ConnectTo(s.Fd(), a->ai_addr, a->ai_addrlen) && XServerAnswers(s.Fd());
    }
    freeaddrinfo(found);
    return bAnswers;
}

bool WaylandAnswers(const std::string& name) {
    std::string path = name;
    if (path.front() != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime)
            return false;
        path = std::string(runtime) + "/" + name;
    }
    const CSocket s(NewSocket(AF_UNIX));
    return s.Fd() >= 0 && ConnectUnix(s.Fd(), path, false);
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

bool DisplayAnswers(std::string& why) {
    if (!Env("QT_QPA_PLATFORM").empty())
        return true;
    const std::string x = Env("DISPLAY"), wayland = Env("WAYLAND_DISPLAY");
    if (x.empty() && wayland.empty()) {
        why = "DISPLAY and WAYLAND_DISPLAY are not set";
        return false;
    }
    if ((!wayland.empty() && WaylandAnswers(wayland)) || (!x.empty() && XDisplayAnswers(x)))
        return true;
    why = x.empty() ? "no Wayland compositor answers at WAYLAND_DISPLAY=" + wayland
                    : "no X server answers at DISPLAY=" + x;
    return false;
}
