#include "collection/audio_file_util.h"
#include "collection/remote/web_download.h"

#include "download_servers.h"
#include "scripted_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <unistd.h>

namespace {

struct Fetched {
    int result = 99;
    std::string path;
    std::vector<double> fractions;
    std::vector<unsigned char> bytes;
};

Fetched Download(const std::string& url, std::int64_t recordSize,
                 std::function<bool()> stopping = nullptr) {
    Fetched run;
    run.path = AudioFileUtil::TempFileName(1);
    DownloadJob job;
    job.url = url;
    job.localPath = run.path;
    job.recordSize = recordSize;
    job.timeouts = {5000, 5000};
    job.stopping = std::move(stopping);
    job.progress = [&run](std::int64_t, double f) { run.fractions.push_back(f); };
    run.result = DownloadFile(job);
    if (FileExists(run.path)) {
        run.bytes = ReadWholeFile(run.path);
        unlink(run.path.c_str());
    }
    return run;
}

class DownloadFileTest : public testing::Test {
protected:
    void SetUp() override {
        servers = &DownloadServers::Get();
        ASSERT_TRUE(servers->http->Alive()) << "the HTTP test server did not start";
        ASSERT_TRUE(servers->ftp->Alive()) << "the FTP test server did not start";
    }
    DownloadServers* servers = nullptr;
};

} // namespace

TEST(DownloadFile, ChunkSizeIsATenthWithinBounds) {
    const std::pair<std::int64_t, int> cases[] = {{5000, 1024}, {200000, 8160}, {50000, 5000},
                                                  {0, 1024},    {-1, 1024},     {1LL << 40, 8160}};
    for (auto [size, chunk] : cases) {
        SCOPED_TRACE(size);
        EXPECT_EQ(DownloadChunkSize(size), chunk);
    }
}

TEST(DownloadFile, EachCodeHasItsText) {
    EXPECT_STREQ(DownloadErrorText(-6), "Cannot load file");
    EXPECT_STREQ(DownloadErrorText(-5), "Cannot locate file on remote host");
    EXPECT_STREQ(DownloadErrorText(-4), "Download stopped");
    EXPECT_STREQ(DownloadErrorText(-3), "File not fully received");
    EXPECT_STREQ(DownloadErrorText(-2), "Cannot open temp file");
    EXPECT_STREQ(DownloadErrorText(-1), "Cannot connect to remote host");
    EXPECT_EQ(DownloadErrorText(0), nullptr);
    EXPECT_EQ(DownloadErrorText(10061), nullptr);
}

TEST_F(DownloadFileTest, WholeFilesArriveByteForByte) {
    struct Case {
        std::string url;
        const std::vector<unsigned char>* bytes;
    };
    const Case cases[] = {
        {servers->HttpUrl("sound.wav"), &servers->sound},
        {servers->HttpUrl("big.wav"), &servers->big},
        {servers->HttpUrl("raw/sound.wav"), &servers->sound}, // no content type is fine
        {servers->FtpUrl("sound.wav"), &servers->sound},
        {servers->FtpUrl("big.wav"), &servers->big},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        Fetched run = Download(c.url, static_cast<std::int64_t>(c.bytes->size()));
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.bytes == *c.bytes);
        ASSERT_FALSE(run.fractions.empty());
        EXPECT_DOUBLE_EQ(run.fractions.back(), 1.0);
        for (std::size_t i = 1; i < run.fractions.size(); ++i)
            EXPECT_GE(run.fractions[i], run.fractions[i - 1]);
    }
    // A large file comes in many chunks, each at most 8,160 bytes.
    Fetched big = Download(servers->HttpUrl("big.wav"), 200000);
    EXPECT_GE(big.fractions.size(), 200000u / 8160u);
}

TEST_F(DownloadFileTest, FailuresLeaveNoFileBehind) {
    struct Case {
        std::string url;
        int result;
    };
    const Case cases[] = {
        {servers->HttpUrl("missing.wav"), kDownloadNotFound},
        {servers->HttpUrl("page.html"), kDownloadNotFound},
        {servers->FtpUrl("missing.wav"), kDownloadNotFound},
        {"https://127.0.0.1:1/sound.wav", kDownloadNotFound},
        {"file:///etc/passwd", kDownloadNotFound},
        {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/sound.wav", kDownloadNoConnection},
        {"ftp://127.0.0.1:" + std::to_string(ClosedPort()) + "/sound.wav", kDownloadNoConnection},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        Fetched run = Download(c.url, 20000);
        EXPECT_EQ(run.result, c.result);
        EXPECT_TRUE(run.bytes.empty());
        EXPECT_FALSE(FileExists(run.path));
    }
}

TEST_F(DownloadFileTest, AServerThatStallsGivesAnIncompleteFile) {
    std::string path = AudioFileUtil::TempFileName(1);
    DownloadJob job;
    job.url = servers->HttpUrl("slow/big.wav");
    job.localPath = path;
    job.recordSize = 200000;
    job.timeouts = {5000, 1000};
    EXPECT_EQ(DownloadFile(job), kDownloadIncomplete);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(DownloadFileTest, AStopEndsAStalledTransferAndDeletesThePart) {
    std::atomic<bool> stop{false};
    std::vector<double> seen;
    const auto start = std::chrono::steady_clock::now();
    std::string path = AudioFileUtil::TempFileName(1);
    DownloadJob job;
    job.url = servers->HttpUrl("slow/big.wav");
    job.localPath = path;
    job.recordSize = 200000;
    job.timeouts = {5000, 60000};
    job.stopping = [&stop] { return stop.load(); };
    // The first chunk arrived: the server now stalls, and the user cancels.
    job.progress = [&](std::int64_t, double f) {
        seen.push_back(f);
        stop = true;
    };
    EXPECT_EQ(DownloadFile(job), kDownloadStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_FALSE(seen.empty());
    EXPECT_FALSE(FileExists(path));
}

TEST_F(DownloadFileTest, UnwritableLocalFileIsReported) {
    DownloadJob job;
    job.url = servers->HttpUrl("sound.wav");
    job.localPath = servers->folder + "/no/such/folder/x.wav";
    job.recordSize = 20000;
    EXPECT_EQ(DownloadFile(job), kDownloadNoTempFile);
}
