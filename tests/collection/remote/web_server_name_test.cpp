#include "collection/remote/web_server_name.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ParseWebServerName, HostWithOrWithoutPort) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"search.example.org", true, "search.example.org", 59725},
        {"127.0.0.1:4000", true, "127.0.0.1", 4000},
        {"h:65535", true, "h", 65535},
        {"h:1", true, "h", 1},
        {"", false, "", 0},
        {":4000", false, "", 0},
        {"h:", false, "", 0},
        {"h:0", false, "", 0},
        {"h:65536", false, "", 0},
        {"h:12a", false, "", 0},
        {"h:-5", false, "", 0},
        {"h:1:2", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WebServerName name{"unchanged", 7};
        EXPECT_EQ(ParseWebServerName(c.text, &name), c.ok);
        EXPECT_EQ(name.host, c.ok ? c.host : "unchanged");
        EXPECT_EQ(name.port, c.ok ? c.port : 7);
    }
}

TEST(ConfiguredWebServer, EnvironmentOverridesTheDefault) {
    WebServerName name;
    std::string error;
    unsetenv(kWebTambrelServerVariable);
    ASSERT_TRUE(ConfiguredWebServer(&name, &error));
    EXPECT_EQ(name.host, kWebTambrelDefaultHost);
    EXPECT_EQ(name.port, 59725);

    setenv(kWebTambrelServerVariable, "team.example:6000", 1);
    ASSERT_TRUE(ConfiguredWebServer(&name, &error));
    EXPECT_EQ(name.host, "team.example");
    EXPECT_EQ(name.port, 6000);

    setenv(kWebTambrelServerVariable, "team.example:port", 1);
    EXPECT_FALSE(ConfiguredWebServer(&name, &error));
    EXPECT_NE(error.find("team.example:port"), std::string::npos);
    unsetenv(kWebTambrelServerVariable);
}
