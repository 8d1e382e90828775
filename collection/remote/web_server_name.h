#pragma once
// Where the WebTambrel server is: a default, or what the environment variable names in the
// form "host" or "host:port".

#include <string>

constexpr int kWebTambrelPort = 59725;
constexpr const char* kWebTambrelDefaultHost = "localhost";
constexpr const char* kWebTambrelServerVariable = "TAMBREL_WEBTAMBREL_SERVER";

struct WebServerName {
    std::string host;
    int port = kWebTambrelPort;
};

// "host" or "host:port" (port 1-65535); false for an empty host or a bad port.
bool ParseWebServerName(const std::string& text, WebServerName* name);

// The server the program searches: the environment's choice when it is set and not empty,
// else the default. False with a text for the user when the variable holds no valid name.
bool ConfiguredWebServer(WebServerName* name, std::string* errorText);
