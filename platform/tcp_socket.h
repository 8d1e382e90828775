#pragma once
// A small layer over POSIX TCP sockets (IPv4) for the remote search client and its server.
// Every call that can block waits with a time limit and also wakes when a stop signal is
// raised from another thread, so no caller can be frozen by a silent peer. Failures are
// Windows Sockets error numbers (platform/socket_errors.h), 0 is success.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// Raised from any thread to end the blocked calls that were given it. Once raised it stays
// raised.
class NetStopSignal {
public:
    NetStopSignal();
    ~NetStopSignal();
    NetStopSignal(const NetStopSignal&) = delete;
    NetStopSignal& operator=(const NetStopSignal&) = delete;

    void Raise();
    bool Raised() const { return raised_.load(); }
    // Becomes readable once raised; what the socket calls wait on beside their socket.
    int WaitHandle() const { return fd_; }

private:
    int fd_ = -1;
    std::atomic<bool> raised_{false};
};

// Numbers this layer reports beyond those of platform/socket_errors.h.
constexpr int kSocketInterrupted = 10004; // ended by a NetStopSignal
constexpr int kSocketNotSocket = 10038;   // a call on a closed socket
constexpr int kSocketHostNotFound = 11001;

// An IPv4 address in host byte order and a port.
struct NetAddress {
    std::uint32_t ipv4 = 0;
    int port = 0;
};

// How long a connection may take to open, and how long a peer may stay silent while data is
// awaited.
struct NetTimeouts {
    int connectMs = 15000;
    int receiveMs = 30000;
};

// The first IPv4 address of a host name or dotted address; 0 or a socket error number.
int ResolveIPv4(const std::string& host, std::uint32_t* ipv4);
// "a.b.c.d" of an address in host byte order.
std::string IPv4Text(std::uint32_t ipv4);

// Broken pipes become errors of the failing call instead of killing the process.
void IgnoreBrokenPipes();

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) : fd_(fd) {}
    ~TcpSocket() { Close(); }
    TcpSocket(TcpSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // Opens a socket and connects within timeoutMs; on failure the socket is closed.
    int Connect(const NetAddress& address, int timeoutMs, const NetStopSignal* stop);
    // Sends every byte; timeoutMs bounds each wait for the peer to take more.
    int SendAll(const void* data, std::size_t length, int timeoutMs, const NetStopSignal* stop);
    // Waits at most timeoutMs for data, then reads what is there, up to `length` bytes.
    // *received is 0 when the peer closed the connection.
    int Receive(void* data, std::size_t length, std::size_t* received, int timeoutMs,
                const NetStopSignal* stop);
    // Receives exactly `length` bytes. A peer that closes first gives `closedError`.
    int ReceiveAll(void* data, std::size_t length, int timeoutMs, const NetStopSignal* stop,
                   int closedError);
    // Shuts both directions down, then closes. Harmless on a closed socket.
    void ShutdownAndClose();
    void Close();

private:
    int fd_ = -1;
};

class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener() { Close(); }
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Binds and listens; port 0 takes a free port, which Port() then gives.
    int Listen(const NetAddress& address, int backlog = 16);
    int Port() const { return port_; }
    // Waits at most timeoutMs for a connection (a negative time waits until stopped).
    // *peer receives the client's address. kSocketTimedOut when none came.
    int Accept(TcpSocket* socket, NetAddress* peer, int timeoutMs, const NetStopSignal* stop);
    void Close();

private:
    int fd_ = -1;
    int port_ = 0;
};
