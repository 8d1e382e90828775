#include "platform/socket_errors.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(FormatSocketError, EachNumberHasItsText) {
    struct Case {
        int error;
        const char* text;
    };
    const Case cases[] = {
        {0, ""},
        {10035, "Timed out attempting to connect to h.example"},
        {10060, "Timed out attempting to connect to h.example"},
        {10049, "h.example not available"},
        {10051, "Internet is unreachable.\nMake sure you are connected to the Internet."},
        {10053, "Connection to h.example aborted"},
        {10054, "Connection to h.example was reset"},
        {10061, "Could not connect to h.example"},
        {10065, "h.example is unreachable.\nMake sure you are connected to the Internet."},
        {11001, "Could not connect to h.example (11001)"},
        {-3, "Could not connect to h.example (-3)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        EXPECT_EQ(FormatSocketError("h.example", c.error), c.text);
    }
}

TEST(FormatSocketError, HostWithPercentSignIsTakenLiterally) {
    EXPECT_EQ(FormatSocketError("%s%d", 10061), "Could not connect to %s%d");
}

TEST(SocketErrorFromErrno, MapsOntoSocketNumbers) {
    struct Case {
        int errnoValue;
        int error;
    };
    const Case cases[] = {
        {0, 0},
        {ETIMEDOUT, 10060},
        {ECONNREFUSED, 10061},
        {ECONNRESET, 10054},
        {EHOSTUNREACH, 10065},
        {ENETUNREACH, 10051},
        {ECONNABORTED, 10053},
        {EADDRNOTAVAIL, 10049},
        {EINPROGRESS, 10035},
        {EAGAIN, 10035},
        {ENOENT, ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errnoValue);
        EXPECT_EQ(SocketErrorFromErrno(c.errnoValue), c.error);
    }
}
