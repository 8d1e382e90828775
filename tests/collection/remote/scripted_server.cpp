#include "scripted_server.h"

#include "collection/remote/web_frame.h"

ScriptedServer::ScriptedServer(std::vector<unsigned char> reply, After after) {
    listener_.Listen({0x7F000001, 0});
    thread_ = std::thread(&ScriptedServer::Serve, this, std::move(reply), after);
}

ScriptedServer::~ScriptedServer() {
    stop_.Raise();
    thread_.join();
}

std::vector<unsigned char> ScriptedServer::Request() const {
    return requestDone_.load() ? request_ : std::vector<unsigned char>();
}

void ScriptedServer::Serve(std::vector<unsigned char> reply, After after) {
    TcpSocket socket;
    if (listener_.Accept(&socket, nullptr, 10000, &stop_) != 0)
        return;
    accepted_ = true;
    unsigned char head[4];
    if (socket.ReceiveAll(head, 4, 10000, &stop_, -1) != 0)
        return;
    const std::uint32_t length = ReadBigEndian32(head);
    std::vector<unsigned char> request(head, head + 4);
    if (length >= 4 && length <= kWebFrameMaxLength) {
        request.resize(length);
        if (socket.ReceiveAll(request.data() + 4, length - 4, 10000, &stop_, -1) != 0)
            return;
    }
    request_ = std::move(request);
    requestDone_ = true;
    if (!reply.empty())
        socket.SendAll(reply.data(), reply.size(), 10000, &stop_);
    if (after == After::StaySilent) {
        // Holds the connection open until the test ends.
        unsigned char byte;
        std::size_t n = 0;
        for (;;) {
            const int error = socket.Receive(&byte, 1, &n, 100, &stop_);
            if (error == kSocketInterrupted || (error == 0 && n == 0))
                break;
        }
    }
    socket.ShutdownAndClose();
}

int ClosedPort() {
    TcpListener probe;
    probe.Listen({0x7F000001, 0});
    const int port = probe.Port();
    probe.Close();
    return port;
}
