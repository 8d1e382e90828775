// Remote previews through the real download manager against loopback servers: a download
// that fails or is cancelled leaves no file behind and gives the row its buttons back; one
// that arrives plays through the controller.
#include <QCoreApplication>
#include <QTest>
#include <arpa/inet.h>
#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "app/app_controller.h"
#include "collection/remote/web_task_manager.h"
#include "platform/hand_clock_device.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/windows/results/results_list_stand_ins.h"

namespace {

bool Exists(const std::string& path) {
    return !path.empty() && access(path.c_str(), F_OK) == 0;
}

// A loopback listening socket on a free port. Without Serve it never answers: connections
// wait in its queue.
class LoopbackServer {
public:
    LoopbackServer() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 8);
        socklen_t size = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackServer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        if (thread_.joinable())
            thread_.join();
    }
    // Answers one request with the body as an audio file.
    void Serve(std::string body) {
        thread_ = std::thread([this, body = std::move(body)] {
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0)
                return;
            char request[2048];
            (void)recv(client, request, sizeof request, 0);
            const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: audio/wav\r\n"
                                      "Content-Length: " +
                                      std::to_string(body.size()) + "\r\n\r\n" + body;
            (void)send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            close(client);
        });
    }
    std::string Url(const std::string& name) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A port with nobody behind it.
int ClosedPort() {
    LoopbackServer probe;
    const std::string url = probe.Url("");
    return std::stoi(url.substr(url.rfind(':') + 1));
}

std::string WaveBytes() {
    std::string wave = "RIFF";
    auto le32 = [&wave](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            wave += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    auto le16 = [&wave](std::uint16_t v) {
        wave += static_cast<char>(v & 0xff);
        wave += static_cast<char>(v >> 8);
    };
    const std::uint32_t frames = 22050;
    le32(36 + frames * 2);
    wave += "WAVEfmt ";
    le32(16);
    le16(1);
    le16(1);
    le32(44100);
    le32(88200);
    le16(2);
    le16(16);
    wave += "data";
    le32(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i)
        le16(static_cast<std::uint16_t>((i / 40) % 2 ? 6000 : -6000));
    return wave;
}

struct ListWindows : WebTaskWindows {
    std::vector<WebSearchBox*> SearchBoxes() override { return {}; }
    std::vector<WebDownloadList*> ResultLists() override { return lists; }
    std::vector<WebDownloadEditor*> Editors() override { return {}; }
    std::vector<WebDownloadList*> lists;
};

class ResultsListDownloadTest : public testing::Test {
protected:
    ResultsListDownloadTest() {
        previousSystem_ = SetAudioSystem(&devices);
        previousController_ = theController;
        controller = std::make_unique<AppController>();
        theController = controller.get();
        NetTimeouts timeouts;
        timeouts.connectMs = 2000;
        timeouts.receiveMs = 20000;
        theWebTaskManager.SetTimeouts(timeouts);
        theWebTaskManager.SetWindows(&windows);
        windows.lists.push_back(&list);
    }
    ~ResultsListDownloadTest() override {
        theWebTaskManager.Shutdown();
        theWebTaskManager.SetWindows(nullptr);
        controller.reset();
        theController = previousController_;
        SetAudioSystem(previousSystem_);
    }
    void Add(const std::string& url, int id) {
        SoundFileObj file;
        SoundVariantObj variant;
        MakeSound(file, variant, id, url, 44100, 44100, 500);
        file.size = 44144;
        list.InsertRow(file, variant, 50, 0, false, false);
    }

    HandClockAudioSystem devices;
    FakeUiSeams seams;
    std::unique_ptr<AppController> controller;
    ListWindows windows;
    RecordingResultsWindow window;
    ResultsListObj list{&window, ResultsListObj::kWebTambrel};

private:
    AudioSystem* previousSystem_ = nullptr;
    AppController* previousController_ = nullptr;
};

TEST_F(ResultsListDownloadTest, AFailedDownloadLeavesNoFileAndReleasesTheRow) {
    const std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/gone.wav";
    Add(url, 1);
    list.PlayRow(0, false);
    const std::string temp = list.RowLocalPath(0);
    EXPECT_GE(list.DownloadId(), 0);
    EXPECT_THAT(window.log, testing::Contains("state 0 playing"));
    QTRY_COMPARE_WITH_TIMEOUT(seams.boxes.size(), std::size_t{1}, 10000);
    EXPECT_EQ(seams.boxes[0].text.rfind("Could not download\n" + url + "\n\n", 0), 0u)
        << seams.boxes[0].text;
    EXPECT_GT(seams.boxes[0].text.size(), ("Could not download\n" + url + "\n\n").size());
    EXPECT_EQ(list.DownloadId(), -1);
    EXPECT_EQ(list.PreviewPath(), "");
    EXPECT_THAT(window.log, testing::Contains("state 0"));
    EXPECT_FALSE(Exists(temp)) << temp;
    EXPECT_FALSE(controller->Player().IsPlaying());
}

TEST_F(ResultsListDownloadTest, ACancelledDownloadLeavesNoFile) {
    LoopbackServer silent; // accepts nothing, answers nothing
    Add(silent.Url("slow.wav"), 1);
    Add("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/other.wav", 2);
    list.PlayRow(0, false);
    const std::string first = list.RowLocalPath(0);
    ASSERT_TRUE(Exists(first));
    window.log.clear();
    list.PlayRow(1, false); // replaces the first preview
    EXPECT_THAT(window.log, testing::Contains("state 0"));
    QTRY_VERIFY_WITH_TIMEOUT(!Exists(first), 10000);
    // The second download fails in its turn; only its failure is reported.
    QTRY_COMPARE_WITH_TIMEOUT(seams.boxes.size(), std::size_t{1}, 10000);
    EXPECT_NE(seams.boxes[0].text.find("other.wav"), std::string::npos);
    QTRY_COMPARE_WITH_TIMEOUT(theWebTaskManager.TaskCount(), std::size_t{0}, 10000);
}

TEST_F(ResultsListDownloadTest, AnArrivedCopyPlaysThroughTheController) {
    LoopbackServer server;
    server.Serve(WaveBytes());
    Add(server.Url("tone.wav"), 1);
    list.PlayRow(0, true);
    QTRY_COMPARE_WITH_TIMEOUT(list.DownloadId(), -1, 10000);
    EXPECT_TRUE(seams.boxes.empty()) << (seams.boxes.empty() ? "" : seams.boxes[0].text);
    const std::string copy = list.RowLocalPath(0);
    EXPECT_TRUE(Exists(copy));
    EXPECT_EQ(list.PreviewPath(), copy);
    EXPECT_EQ(controller->AuditionPath(), copy);
    EXPECT_TRUE(controller->Player().IsPlaying());
    EXPECT_TRUE(controller->Player().IsLooping()); // the loop flag came back with the notice
    EXPECT_THAT(window.log, testing::Contains("progress '' " + server.Url("tone.wav") + " 100"));
    // The copy serves the next preview without another download.
    list.PlayRow(0, false);
    EXPECT_EQ(list.DownloadId(), -1);
    EXPECT_EQ(theWebTaskManager.TaskCount(), 1u);
}

} // namespace
