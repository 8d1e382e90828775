#include "platform/socket_errors.h"

#include <cerrno>
#include <cstdio>

namespace {

struct ErrnoMapping {
    int errnoValue;
    int socketError;
};

const ErrnoMapping kErrnoMappings[] = {
    {EWOULDBLOCK, kSocketWouldBlock},         {EAGAIN, kSocketWouldBlock},
    {EINPROGRESS, kSocketWouldBlock},         {EADDRNOTAVAIL, kSocketAddressNotAvailable},
    {ENETDOWN, kSocketNetworkDown},           {ENETUNREACH, kSocketNetworkUnreachable},
    {ECONNABORTED, kSocketConnectionAborted}, {ECONNRESET, kSocketConnectionReset},
    {EPIPE, kSocketConnectionReset},          {ETIMEDOUT, kSocketTimedOut},
    {ECONNREFUSED, kSocketConnectionRefused}, {EHOSTDOWN, kSocketHostDown},
    {EHOSTUNREACH, kSocketHostUnreachable},
};

struct ErrorText {
    int error;
    const char* format; // %s is the host
};

const ErrorText kErrorTexts[] = {
    {kSocketWouldBlock, "Timed out attempting to connect to %s"},
    {kSocketTimedOut, "Timed out attempting to connect to %s"},
    {kSocketAddressNotAvailable, "%s not available"},
    {kSocketNetworkUnreachable,
     "Internet is unreachable.\nMake sure you are connected to the Internet."},
    {kSocketConnectionAborted, "Connection to %s aborted"},
    {kSocketConnectionReset, "Connection to %s was reset"},
    {kSocketConnectionRefused, "Could not connect to %s"},
    {kSocketHostUnreachable, "%s is unreachable.\nMake sure you are connected to the Internet."},
};

std::string ReplaceHost(const char* format, const std::string& host) {
    std::string text = format;
    auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, host);
    return text;
}

} // namespace

int SocketErrorFromErrno(int errnoValue) {
    for (const auto& m : kErrnoMappings)
        if (m.errnoValue == errnoValue)
            return m.socketError;
    return errnoValue;
}

std::string FormatSocketError(const std::string& host, int error) {
    if (error == 0)
        return {};
    for (const auto& t : kErrorTexts)
        if (t.error == error)
            return ReplaceHost(t.format, host);
    char number[16];
    std::snprintf(number, sizeof number, " (%d)", error);
    return "Could not connect to " + host + number;
}
