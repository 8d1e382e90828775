// Serves a catalog to the program's WebTambrel search.
//
//   webtambrel-server --dsn NAME --root FOLDER --url-base URL [--listen HOST[:PORT]]
//                     [--timeout SECONDS] [--max HITS] [--workers COUNT]
//
// Runs until interrupted (Ctrl+C or SIGTERM) and writes one line per request to stdout.

#include "tools/webtambrel_server/webtambrel_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

WebTambrelServer* theServer = nullptr;

void OnSignal(int) {
    if (theServer != nullptr)
        theServer->Stop();
}

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s --dsn NAME --root FOLDER --url-base URL [--listen HOST[:PORT]] "
                 "[--timeout SECONDS] [--max HITS] [--workers COUNT]\n"
                 "  --dsn       ODBC data source of the catalog\n"
                 "  --root      folder below which the served sound files lie\n"
                 "  --url-base  http:// or ftp:// URL under which that folder is published\n"
                 "  --listen    address to answer on (default 127.0.0.1:59725)\n"
                 "  --timeout   seconds a client has to send its request, and to take the\n"
                 "              reply (default 10)\n"
                 "  --max       most hits in one reply (default 200)\n"
                 "  --workers   connections answered at once, each with its own catalog\n"
                 "              connection (default 4)\n",
                 program);
    return 2;
}

// A whole number from lowest to highest, or false.
bool ParseCount(const std::string& text, int lowest, int highest, int* value) {
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < lowest || number > highest)
        return false;
    *value = static_cast<int>(number);
    return true;
}

// "host" or "host:port" into an address; false when it does not resolve or the port is bad.
bool ParseListen(const std::string& text, NetAddress* address) {
    std::string host = text;
    int port = 59725;
    const auto colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        char* end = nullptr;
        const long value = std::strtol(text.c_str() + colon + 1, &end, 10);
        if (end == text.c_str() + colon + 1 || *end != '\0' || value < 0 || value > 65535)
            return false;
        port = static_cast<int>(value);
    }
    address->port = port;
    return ResolveIPv4(host, &address->ipv4) == 0;
}

} // namespace

int main(int argc, char** argv) {
    WebServerConfig config;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return Usage(argv[0]);
        const std::string value = argv[++i];
        if (option == "--dsn") {
            config.dataSource = value;
        } else if (option == "--root") {
            config.root = value;
        } else if (option == "--url-base") {
            config.urlBase = value;
        } else if (option == "--listen") {
            if (!ParseListen(value, &config.listen)) {
                std::fprintf(stderr, "%s: cannot listen on '%s'\n", argv[0], value.c_str());
                return 2;
            }
        } else if (option == "--timeout") {
            int seconds = 0;
            if (!ParseCount(value, 1, 3600, &seconds))
                return Usage(argv[0]);
            config.receiveTimeoutMs = seconds * 1000;
        } else if (option == "--max") {
            if (!ParseCount(value, 1, 100000, &config.maxResults))
                return Usage(argv[0]);
        } else if (option == "--workers") {
            if (!ParseCount(value, 1, 64, &config.workers))
                return Usage(argv[0]);
        } else {
            return Usage(argv[0]);
        }
    }
    if (config.dataSource.empty() || config.root.empty() || config.urlBase.empty())
        return Usage(argv[0]);

    IgnoreBrokenPipes();
    WebTambrelServer server;
    std::string error;
    if (!server.Open(config, &std::cout, &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
        return 1;
    }
    theServer = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::cout << "WebTambrel server on " << IPv4Text(config.listen.ipv4) << ":" << server.Port()
              << ", catalog '" << config.dataSource << "', files under " << config.root << " as "
              << config.urlBase << ", " << config.workers << " workers" << std::endl;
    server.Serve();
    theServer = nullptr;
    return 0;
}
