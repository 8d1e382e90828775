#pragma once

#include <string>

// Socket failures are reported with the Windows Sockets error numbers, because the texts
// the user sees (and the remote client's error handling) are keyed on those numbers.
enum SocketErrorNumber {
    kSocketWouldBlock = 10035,
    kSocketAddressNotAvailable = 10049,
    kSocketNetworkDown = 10050,
    kSocketNetworkUnreachable = 10051,
    kSocketConnectionAborted = 10053,
    kSocketConnectionReset = 10054,
    kSocketTimedOut = 10060,
    kSocketConnectionRefused = 10061,
    kSocketHostDown = 10064,
    kSocketHostUnreachable = 10065,
};

// The socket error number for a POSIX errno value; 0 stays 0. An errno without a
// counterpart is returned unchanged (below 10000, so it never takes a mapped text).
int SocketErrorFromErrno(int errnoValue);

// The text shown for a failed connection to host; empty for error 0. Touches no shared
// state, so a worker thread may call it.
std::string FormatSocketError(const std::string& host, int error);
