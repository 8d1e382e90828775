// Help pages open as file URLs built from their local path, whatever the path holds.
#include <QDir>
#include <QFile>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/browser.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/support/sox_files.h"

namespace {

TEST(HelpPages, OpenAsFileUrlsOfTheirPath) {
    struct Case {
        const char* name;
        const char* folder;
        const char* page;
        const char* urlEnd; // what the URL ends with
    };
    const Case cases[] = {
        {"plain", "hlp", "index.htm", "/hlp/index.htm"},
        {"a blank in the folder", "my help/hlp", "index.htm", "/my%20help/hlp/index.htm"},
        {"a non-ASCII name", "hlp",
         "\xC3\xBC"
         "ber.htm",
         "/hlp/%C3%BCber.htm"},
        {"a hash and a percent", "50% #1", "a.htm", "/50%25%20%231/a.htm"},
    };
    TempFolder temp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = temp.Path(c.folder);
        QDir().mkpath(QString::fromStdString(folder));
        const std::string page = folder + "/" + c.page;
        QFile file(QString::fromStdString(page));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        FakeUiSeams seams;
        LaunchHelpPage(page);
        ASSERT_EQ(seams.urls.size(), 1u);
        const std::string& url = seams.urls[0];
        EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
        EXPECT_EQ(url.rfind("file:////", 0), std::string::npos) << url;
        EXPECT_EQ(url.substr(url.size() - std::string(c.urlEnd).size()), c.urlEnd) << url;
        // The URL leads back to the same file.
        EXPECT_EQ(QUrl(QString::fromStdString(url), QUrl::StrictMode).toLocalFile().toStdString(),
                  page);
        EXPECT_TRUE(seams.boxes.empty());
    }
}

TEST(HelpPages, ABrowserThatCannotStartIsReported) {
    TempFolder temp;
    const std::string page = temp.Path("index.htm");
    QFile file(QString::fromStdString(page));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    FakeUiSeams seams;
    seams.urlOpens = false;
    LaunchHelpPage(page);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Could not launch web browser");
}

} // namespace
