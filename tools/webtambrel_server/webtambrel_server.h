#pragma once
// A server of the remote search protocol over a catalog reached through ODBC: each request is
// answered with the catalog's own query builder, each hit carries a URL made from a base
// (http:// or ftp://) and the file's path below a root folder. One connection at a time,
// each with bounded sizes and a time limit on every wait; one log line per request.

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
    // The longest a client may stay silent while its request is awaited.
    int receiveTimeoutMs = 10000;
    // The most hits one reply holds, whatever the client asks for.
    int maxResults = 200;
};

// The URL of a catalogued file, or empty when the file is not below root. Every byte of the
// relative path but letters, digits, "-._~" and "/" is percent-encoded.
std::string MakeSoundUrl(const std::string& urlBase, const std::string& root,
                         const std::string& path);

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
    // Answers connections until Stop is called.
    void Serve();
    // From any thread: Serve returns promptly, an exchange under way is cut short.
    void Stop() { stop_.Raise(); }

private:
    void Answer(TcpSocket& socket, const NetAddress& peer);
    // The hits of one search as reply rows; false with the catalog's error text.
    bool Search(const SearchCriteria& criteria, std::vector<WebResultRow>* rows,
                std::string* errorText);
    void Log(const NetAddress& peer, const std::string& text);

    WebServerConfig config_;
    std::ostream* log_ = nullptr;
    DB_handle* db_ = nullptr;
    TcpListener listener_;
    NetStopSignal stop_;
};
