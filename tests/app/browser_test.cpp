#include "app/browser.h"
#include "fake_ui_seams.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(LaunchWebBrowser, OnlyWebLinksReachTheDesktop) {
    struct Case {
        const char* url;
        bool opened;
    };
    const Case cases[] = {
        {"http://sounds.example/a%20b.wav", true},
        {"https://sounds.example/", true},
        {"FTP://sounds.example/pub/x.aif", true},
        {"file:///home/user/run.sh", false},
        {"javascript:alert(1)", false},
        {"/usr/bin/xterm", false},
        {"http://", false},
        {"", false},
        {"http://a b/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        FakeUiSeams seams;
        LaunchWebBrowser(c.url);
        if (c.opened) {
            ASSERT_EQ(seams.urls.size(), 1u);
            EXPECT_EQ(seams.urls[0], c.url);
            EXPECT_TRUE(seams.boxes.empty());
        } else {
            EXPECT_TRUE(seams.urls.empty());
            ASSERT_EQ(seams.boxes.size(), 1u);
            EXPECT_EQ(seams.boxes[0].text, "Could not launch web browser");
            EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
        }
    }
}

TEST(LaunchWebBrowser, HandlerThatFailsIsReported) {
    FakeUiSeams seams;
    seams.urlOpens = false;
    LaunchWebBrowser("http://sounds.example/");
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Could not launch web browser");
    EXPECT_EQ(seams.boxes[0].caption, "Corvessa Tambrel");
}

TEST(RunProgram, ArgumentsReachTheProgramUnchangedWithoutAShell) {
    fs::path dir = fs::temp_directory_path() / ("tambrel-run-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // Shell syntax in an argument must stay part of the one file name.
    std::string name = (dir / "a b;touch x$(echo y)").string();
    ASSERT_TRUE(RunProgram("touch", {name}));
    for (int i = 0; i < 500 && !fs::exists(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(name));
    EXPECT_FALSE(fs::exists(dir / "xy"));
    EXPECT_FALSE(fs::exists("xy"));
    fs::remove_all(dir);

    EXPECT_FALSE(RunProgram("/nonexistent/program", {}));
    EXPECT_FALSE(RunProgram("", {}));
}
