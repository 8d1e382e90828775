#include "platform/tcp_socket.h"

#include "platform/socket_errors.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

int LastError() {
    return SocketErrorFromErrno(errno);
}

// Waits until fd shows `events`, the stop signal is raised or timeoutMs passes (negative:
// no limit). Interrupted system calls are resumed with the time that remains.
int WaitFor(int fd, short events, int timeoutMs, const NetStopSignal* stop) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (stop != nullptr && stop->Raised())
            return kSocketInterrupted;
        pollfd fds[2] = {{fd, events, 0}, {stop != nullptr ? stop->WaitHandle() : -1, POLLIN, 0}};
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        const int n = poll(fds, stop != nullptr ? 2 : 1, wait);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return LastError();
        }
        if (stop != nullptr && (stop->Raised() || fds[1].revents != 0))
            return kSocketInterrupted;
        if (n == 0)
            return kSocketTimedOut;
        if (fds[0].revents != 0)
            return 0;
    }
}

sockaddr_in ToSockaddr(const NetAddress& address) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(address.port));
    sa.sin_addr.s_addr = htonl(address.ipv4);
    return sa;
}

} // namespace

NetStopSignal::NetStopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NetStopSignal::~NetStopSignal() {
    if (fd_ >= 0)
        close(fd_);
}

void NetStopSignal::Raise() {
    raised_.store(true);
    if (fd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
    }
}

int ResolveIPv4(const std::string& host, std::uint32_t* ipv4) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (rc != 0 || list == nullptr)
        return kSocketHostNotFound;
    *ipv4 = ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(list);
    return 0;
}

std::string IPv4Text(std::uint32_t ipv4) {
    in_addr a{};
    a.s_addr = htonl(ipv4);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int TcpSocket::Connect(const NetAddress& address, int timeoutMs, const NetStopSignal* stop) {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return LastError();
    const sockaddr_in sa = ToSockaddr(address);
    int error = 0;
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS) {
            error = LastError();
        } else {
            error = WaitFor(fd_, POLLOUT, timeoutMs, stop);
            if (error == 0) {
                int soError = 0;
                socklen_t len = sizeof soError;
                if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
                    soError = errno;
                error = SocketErrorFromErrno(soError);
            }
        }
    }
    if (error != 0)
        Close();
    return error;
}

int TcpSocket::SendAll(const void* data, std::size_t length, int timeoutMs,
                       const NetStopSignal* stop) {
    if (fd_ < 0)
        return kSocketNotSocket;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = send(fd_, bytes + sent, length - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return LastError();
        if (int error = WaitFor(fd_, POLLOUT, timeoutMs, stop); error != 0)
            return error;
    }
    return 0;
}

int TcpSocket::Receive(void* data, std::size_t length, std::size_t* received, int timeoutMs,
                       const NetStopSignal* stop) {
    *received = 0;
    if (fd_ < 0)
        return kSocketNotSocket;
    for (;;) {
        const ssize_t n = recv(fd_, data, length, 0);
        if (n >= 0) {
            *received = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return LastError();
        if (int error = WaitFor(fd_, POLLIN, timeoutMs, stop); error != 0)
            return error;
    }
}

int TcpSocket::ReceiveAll(void* data, std::size_t length, int timeoutMs, const NetStopSignal* stop,
                          int closedError) {
    auto* bytes = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < length) {
        std::size_t n = 0;
        if (int error = Receive(bytes + done, length - done, &n, timeoutMs, stop); error != 0)
            return error;
        if (n == 0)
            return closedError;
        done += n;
    }
    return 0;
}

void TcpSocket::ShutdownAndClose() {
    if (fd_ >= 0)
        shutdown(fd_, SHUT_RDWR);
    Close();
}

void TcpSocket::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

int TcpListener::Listen(const NetAddress& address, int backlog) {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return LastError();
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in sa = ToSockaddr(address);
    sockaddr_in bound{};
    socklen_t len = sizeof bound;
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        listen(fd_, backlog) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &len) != 0) {
        const int error = LastError();
        Close();
        return error;
    }
    port_ = ntohs(bound.sin_port);
    return 0;
}

int TcpListener::Accept(TcpSocket* socket, NetAddress* peer, int timeoutMs,
                        const NetStopSignal* stop) {
    if (fd_ < 0)
        return kSocketNotSocket;
    for (;;) {
        sockaddr_in sa{};
        socklen_t len = sizeof sa;
        const int fd =
            accept4(fd_, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            *socket = TcpSocket(fd);
            if (peer != nullptr) {
                peer->ipv4 = ntohl(sa.sin_addr.s_addr);
                peer->port = ntohs(sa.sin_port);
            }
            return 0;
        }
        // A connection that was reset before it was taken is simply skipped.
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return LastError();
        if (int error = WaitFor(fd_, POLLIN, timeoutMs, stop); error != 0)
            return error;
    }
}

void TcpListener::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    port_ = 0;
}
