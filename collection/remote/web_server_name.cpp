#include "collection/remote/web_server_name.h"

#include <cstdlib>

bool ParseWebServerName(const std::string& text, WebServerName* name) {
    WebServerName parsed;
    const auto colon = text.find(':');
    parsed.host = text.substr(0, colon);
    if (parsed.host.empty())
        return false;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        parsed.port = std::atoi(digits.c_str());
        if (parsed.port < 1 || parsed.port > 65535)
            return false;
    }
    *name = parsed;
    return true;
}

bool ConfiguredWebServer(WebServerName* name, std::string* errorText) {
    const char* value = std::getenv(kWebTambrelServerVariable);
    if (value == nullptr || *value == '\0') {
        *name = WebServerName{kWebTambrelDefaultHost, kWebTambrelPort};
        return true;
    }
    if (ParseWebServerName(value, name))
        return true;
    *errorText = std::string("The WebTambrel server \"") + value + "\" named by " +
                 kWebTambrelServerVariable + " is not a host or host:port.";
    return false;
}
