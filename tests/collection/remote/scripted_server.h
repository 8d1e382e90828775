#pragma once
// A one-connection TCP server on a free loopback port that reads one request frame and then
// answers with given bytes, stays silent, or closes.

#include <atomic>
#include <thread>
#include <vector>

#include "platform/tcp_socket.h"

class ScriptedServer {
public:
    enum class After { Close, StaySilent };

    // Starts listening at once; the thread serves one connection.
    ScriptedServer(std::vector<unsigned char> reply, After after);
    ~ScriptedServer();

    NetAddress Address() const { return {0x7F000001, listener_.Port()}; }
    // The request as it arrived (empty until the server has read it).
    std::vector<unsigned char> Request() const;
    bool Accepted() const { return accepted_.load(); }

private:
    void Serve(std::vector<unsigned char> reply, After after);

    TcpListener listener_;
    NetStopSignal stop_;
    std::atomic<bool> accepted_{false};
    std::vector<unsigned char> request_;
    std::atomic<bool> requestDone_{false};
    std::thread thread_;
};

// A port on which nothing listens: bound once, then closed again.
int ClosedPort();
