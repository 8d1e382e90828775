#pragma once
// A server of the remote search protocol over a catalog reached through ODBC: each request is
// answered with the catalog's own query builder, each hit carries a URL made from a base
// (http:// or ftp://) and the file's path below a root folder. A few connections are served
// at once, each by a worker with a catalog connection of its own; every exchange has bounded
// sizes and a deadline for the whole request; one log line per request.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "platform/tcp_socket.h"

class SearchCriteria;
struct DB_handle;
struct WebResultRow;

struct WebServerConfig {
    std::string dataSource;
    NetAddress listen{0x7F000001, 59725};
    // Where the sound files can be fetched: "http://host/path" or "ftp://host/path".
    std::string urlBase;
    // The folder whose files the URLs name; hits outside it are left out.
    std::string root;
    // The longest a client may take to send its whole request, and to take the reply.
    int receiveTimeoutMs = 10000;
    // The most hits one reply holds, whatever the client asks for.
    int maxResults = 200;
    // Connections answered at once; each worker holds its own catalog connection.
    int workers = 4;
};

// The URL of a catalogued file, or empty when the file is not below root. Every byte of the
// relative path but letters, digits, "-._~" and "/" is percent-encoded.
// The text with every control character (C0, DEL, C1 raw or UTF-8) replaced by '?'.
std::string LogSafeText(const std::string& text);

std::string MakeSoundUrl(const std::string& urlBase, const std::string& root,
                         const std::string& path);
// The path with every symbolic link of its existing part resolved (the part that does not
// exist is kept as written, normalised); empty when a link dangles or loops.
std::string ResolvedPath(const std::string& path);

class WebTambrelServer {
public:
    WebTambrelServer() = default;
    ~WebTambrelServer();
    WebTambrelServer(const WebTambrelServer&) = delete;
    WebTambrelServer& operator=(const WebTambrelServer&) = delete;

    // Checks the configuration, connects to the catalog and starts listening. False with a
    // text saying why.
    bool Open(const WebServerConfig& config, std::ostream* log, std::string* errorText);
    // The port listened on (the free port chosen when the configuration asked for 0).
    int Port() const { return listener_.Port(); }
    // Answers connections until Stop is called; returns once every worker has ended.
    void Serve();
    // From any thread: Serve returns promptly, an exchange under way is cut short.
    void Stop() { stop_.Raise(); }

private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        TcpSocket socket;
        NetAddress peer;
        Clock::time_point deadline;
    };
    void Work(DB_handle* db);
    void Answer(TcpSocket& socket, const NetAddress& peer, Clock::time_point deadline,
                DB_handle* db);
    // The hits of one search as reply rows, files outside the root left out before the
    // limit counts; false with the catalog's error text.
    bool Search(DB_handle* db, const SearchCriteria& criteria, std::vector<WebResultRow>* rows,
                std::string* errorText);
    void Log(const NetAddress& peer, const std::string& text);

    WebServerConfig config_;
    std::ostream* log_ = nullptr;
    std::mutex logMutex_;
    std::vector<DB_handle*> dbs_; // one per worker
    TcpListener listener_;
    NetStopSignal stop_;
    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<Pending> queue_;
    bool closing_ = false;
};
