#include "collection/remote/web_task_manager.h"

#include "collection/remote/web_frame.h"
#include "collection/remote/web_search_reply.h"
#include "collection/remote/web_search_request.h"
#include "collection/remote/web_server_name.h"
#include "collection/remote/web_task_windows.h"
#include "collection/remote/web_tasks.h"
#include "collection/search_criteria.h"
#include "collection/sound_file.h"

#include "download_servers.h"
#include "scripted_server.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using After = ScriptedServer::After;

struct FakeBox : WebSearchBox {
    struct Row {
        std::string path;
        int fileId;
        int variantRate;
        int score;
    };
    int queryId = -1;
    std::vector<Row> rows;
    std::vector<std::string> ends;

    int WebQueryId() const override { return queryId; }
    void AddWebRow(const SoundFileObj& record, const SoundVariantObj& variant, int score) override {
        rows.push_back({record.path, record.fileId, variant.sampleRate, score});
    }
    void EndWebSearch(const std::string& text) override { ends.push_back(text); }
};

struct FakeList : WebDownloadList {
    struct Done {
        std::string url, path, error;
        std::intptr_t callerValue;
    };
    int downloadId = -1;
    std::vector<int> percents;
    std::vector<std::string> texts;
    std::vector<Done> done;

    int DownloadId() const override { return downloadId; }
    void ShowDownloadProgress(const std::string& text, const std::string&, int percent) override {
        texts.push_back(text);
        percents.push_back(percent);
    }
    void OnDownloadDone(const std::string& url, const std::string& path, const std::string& error,
                        std::intptr_t callerValue) override {
        done.push_back({url, path, error, callerValue});
        downloadId = -1;
    }
};

struct FakeEditor : WebDownloadEditor {
    int downloadId = -1;
    std::vector<int> percents;
    std::vector<std::pair<std::string, std::string>> completions; // path, error

    int DownloadId() const override { return downloadId; }
    void ShowProgress(const std::string&, int percent) override { percents.push_back(percent); }
    void OnDownloadComplete(const std::string& path, const std::string& error) override {
        completions.emplace_back(path, error);
    }
};

struct FakeWindows : WebTaskWindows {
    std::vector<WebSearchBox*> boxes;
    std::vector<WebDownloadList*> lists;
    std::vector<WebDownloadEditor*> editors;
    std::vector<WebSearchBox*> SearchBoxes() override { return boxes; }
    std::vector<WebDownloadList*> ResultLists() override { return lists; }
    std::vector<WebDownloadEditor*> Editors() override { return editors; }
};

// Runs the user-interface thread's event loop until the condition holds (at most 20 s).
bool PumpUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 20000 && !condition(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

WebResultRow Row(int id) {
    WebResultRow row;
    row.url = "http://127.0.0.1/s" + std::to_string(id) + ".wav";
    row.sound.fileId = id;
    row.sound.sampleRate = 22050 * id;
    row.score = 100 - id;
    return row;
}

class WebTaskManagerTest : public testing::Test {
protected:
    void SetUp() override {
        manager.SetWindows(&windows);
        manager.SetTimeouts({2000, 2000});
        windows.boxes = {&other, &box};
        windows.lists = {&list};
        windows.editors = {&editor};
    }
    void TearDown() override {
        manager.Shutdown();
        unsetenv(kWebTambrelServerVariable);
    }

    void PointAt(int port) {
        setenv(kWebTambrelServerVariable, ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    }

    WebQueryTaskObj* Start(const std::string& keywords) {
        SearchCriteria criteria;
        criteria.SetKeywords(keywords);
        criteria.maxResults = 5;
        std::string error;
        WebQueryTaskObj* task = manager.StartQuery(criteria, &error);
        EXPECT_NE(task, nullptr) << error;
        if (task != nullptr)
            box.queryId = task->notice.queryId;
        return task;
    }

    WebTaskManager manager;
    FakeWindows windows;
    FakeBox box;
    FakeBox other; // another search box, which must hear nothing
    FakeList list;
    FakeEditor editor;
};

SoundFileObj RemoteRecord(const std::string& url, int size) {
    SoundFileObj record;
    record.path = url;
    record.size = size;
    record.format = 1;
    record.fileId = 12;
    return record;
}

} // namespace

TEST_F(WebTaskManagerTest, RowsReachTheSearchBoxThenTheTaskIsDeleted) {
    ScriptedServer server(BuildSearchReply({Row(1), Row(2)}, nullptr), After::Close);
    PointAt(server.Address().port);
    other.queryId = 7;
    WebQueryTaskObj* task = Start("dog");
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->notice.queryId, 1);
    ASSERT_TRUE(PumpUntil([&] { return box.rows.size() == 2; }));
    EXPECT_EQ(box.rows[0].path, Row(1).url);
    EXPECT_EQ(box.rows[0].fileId, 1);
    EXPECT_EQ(box.rows[0].variantRate, 22050);
    EXPECT_EQ(box.rows[1].score, 98);
    EXPECT_TRUE(box.ends.empty()) << "a search with rows does not end as empty";
    EXPECT_TRUE(other.rows.empty());
    EXPECT_TRUE(other.ends.empty());
    EXPECT_EQ(manager.TaskCount(), 0u);

    // The server was asked for at most 200 hits, whatever the form said.
    std::vector<unsigned char> request = server.Request();
    SearchCriteria sent;
    ASSERT_EQ(ParseSearchRequest(request.data(), request.size(), &sent), 0);
    EXPECT_EQ(sent.maxResults, 200);
    EXPECT_EQ(sent.keywords, "dog");
}

TEST_F(WebTaskManagerTest, EachQueryEndsItsSearchWithTheRightText) {
    std::vector<unsigned char> badMarker = BuildSearchReply({}, nullptr);
    WriteBigEndian32(badMarker.data() + 4, 0x01020304);
    struct Case {
        const char* name;
        std::vector<unsigned char> reply;
        After after;
        const char* text;
    };
    const Case cases[] = {
        {"no hits", BuildSearchReply({}, nullptr), After::Close, ""},
        {"silent server",
         {},
         After::StaySilent,
         "Timed out attempting to connect to WebTambrel server"},
        {"bad frame", badMarker, After::Close, "Could not connect to WebTambrel server (2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.reply, c.after);
        PointAt(server.Address().port);
        WebTaskManager fresh; // reads the server's name anew
        fresh.SetWindows(&windows);
        fresh.SetTimeouts({2000, 300});
        box.ends.clear();
        SearchCriteria criteria;
        std::string error;
        WebQueryTaskObj* task = fresh.StartQuery(criteria, &error);
        ASSERT_NE(task, nullptr) << error;
        box.queryId = task->notice.queryId;
        EXPECT_EQ(box.queryId, 1) << "query ids count per manager";
        ASSERT_TRUE(PumpUntil([&] { return !box.ends.empty(); }));
        EXPECT_EQ(box.ends, std::vector<std::string>{c.text});
        EXPECT_TRUE(box.rows.empty());
        EXPECT_EQ(fresh.TaskCount(), 0u);
    }

    box.ends.clear();
    PointAt(ClosedPort());
    ASSERT_NE(Start("x"), nullptr);
    EXPECT_EQ(box.queryId, 1);
    ASSERT_TRUE(PumpUntil([&] { return !box.ends.empty(); }));
    EXPECT_EQ(box.ends.back(), "Could not connect to WebTambrel server");
    ASSERT_NE(Start("y"), nullptr);
    EXPECT_EQ(box.queryId, 2);
}

TEST_F(WebTaskManagerTest, NoTaskWhenTheServerCannotBeNamedOrFound) {
    const std::pair<const char*, std::string> cases[] = {
        {"no-such-host.invalid", kNoInternetText},
        {"host:notaport",
         "The WebTambrel server \"host:notaport\" named by TAMBREL_WEBTAMBREL_SERVER is not a host "
         "or host:port."},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        setenv(kWebTambrelServerVariable, name, 1);
        WebTaskManager fresh;
        std::string error;
        EXPECT_EQ(fresh.StartQuery(SearchCriteria(), &error), nullptr);
        EXPECT_EQ(error, text);
        EXPECT_EQ(fresh.TaskCount(), 0u);
    }
}

TEST_F(WebTaskManagerTest, StoppingAWaitingQueryEndsItAtOnce) {
    ScriptedServer server({}, After::StaySilent);
    PointAt(server.Address().port);
    manager.SetTimeouts({2000, 60000});
    WebQueryTaskObj* task = Start("dog");
    ASSERT_NE(task, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !server.Request().empty(); }));
    const auto start = std::chrono::steady_clock::now();
    task->Stop(true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(task->IsRunning());
    EXPECT_EQ(box.ends, std::vector<std::string>{""});
    // Nothing more arrives, and the stopped task goes with the next query.
    QCoreApplication::processEvents();
    EXPECT_EQ(box.ends.size(), 1u);
    EXPECT_EQ(manager.TaskCount(), 1u);
    std::string error;
    ASSERT_NE(manager.StartQuery(SearchCriteria(), &error), nullptr);
    EXPECT_EQ(manager.TaskCount(), 1u);
}

TEST_F(WebTaskManagerTest, AStopWhileTheRowsWaitForHandlingStillDeliversThem) {
    ScriptedServer server(BuildSearchReply({Row(1), Row(2), Row(3)}, nullptr), After::Close);
    PointAt(server.Address().port);
    WebQueryTaskObj* task = Start("dog");
    ASSERT_NE(task, nullptr);
    // The worker has the reply and waits for its notice to be handled; nothing is pumped.
    for (int i = 0; i < 1000 && server.Request().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Handling the notice inside this stop retires the task; it must survive to the end of
    // the stop and be deleted afterwards.
    task->Stop(true);
    EXPECT_EQ(box.rows.size(), 3u);
    EXPECT_TRUE(box.ends.empty());
    EXPECT_EQ(manager.TaskCount(), 1u);
    std::string error;
    ASSERT_NE(manager.StartQuery(SearchCriteria(), &error), nullptr);
    EXPECT_EQ(manager.TaskCount(), 1u);
}

class WebDownloadTaskTest : public WebTaskManagerTest {
protected:
    void SetUp() override {
        WebTaskManagerTest::SetUp();
        servers = &DownloadServers::Get();
        ASSERT_TRUE(servers->http->Alive());
    }
    DownloadServers* servers = nullptr;
};

TEST_F(WebDownloadTaskTest, ADownloadReportsProgressThenServesEveryLaterPreview) {
    const SoundFileObj record = RemoteRecord(servers->HttpUrl("big.wav"), 200000);
    std::string path;
    const int id = manager.StartDownload(record, &path, 7);
    ASSERT_GE(id, 1);
    ASSERT_FALSE(path.empty());
    list.downloadId = editor.downloadId = id;
    std::string found;
    EXPECT_EQ(manager.FindDownloaded(record, &found), 2);

    ASSERT_TRUE(PumpUntil([&] { return !list.done.empty() && !editor.completions.empty(); }));
    EXPECT_EQ(list.done[0].url, record.path);
    EXPECT_EQ(list.done[0].path, path);
    EXPECT_EQ(list.done[0].error, "");
    EXPECT_EQ(list.done[0].callerValue, 7);
    EXPECT_EQ(editor.completions[0], std::make_pair(path, std::string()));
    EXPECT_TRUE(ReadWholeFile(path) == servers->big);
    ASSERT_FALSE(list.percents.empty());
    EXPECT_EQ(list.percents.back(), 100);
    EXPECT_EQ(list.texts.back(), "Downloading from Web:");
    for (std::size_t i = 1; i < list.percents.size(); ++i)
        EXPECT_GE(list.percents[i], list.percents[i - 1]);
    EXPECT_EQ(editor.percents, list.percents);

    EXPECT_EQ(manager.FindDownloaded(record, &found), 1);
    EXPECT_EQ(found, path);
    std::string again;
    EXPECT_EQ(manager.StartDownload(record, &again, 8), -1);
    EXPECT_EQ(again, path);
    EXPECT_EQ(manager.TaskCount(), 1u);

    // Another sound gets a new id; close-down deletes every downloaded file.
    std::string second;
    const int next =
        manager.StartDownload(RemoteRecord(servers->HttpUrl("sound.wav"), 20000), &second, 0);
    EXPECT_EQ(next, id + 1);
    manager.Shutdown();
    EXPECT_EQ(manager.TaskCount(), 0u);
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(second));
}

TEST_F(WebDownloadTaskTest, AFailedOrCancelledDownloadTellsItsWindowsAndLeavesNothing) {
    struct Case {
        std::string url;
        bool cancel;
        const char* text;
    };
    const Case cases[] = {
        {servers->HttpUrl("missing.wav"), false, "Cannot locate file on remote host"},
        {servers->HttpUrl("page.html"), false, "Cannot locate file on remote host"},
        {servers->HttpUrl("slow/big.wav"), true, "Download stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        list = FakeList();
        editor = FakeEditor();
        const SoundFileObj record = RemoteRecord(c.url, 200000);
        std::string path;
        const int id = manager.StartDownload(record, &path, 5);
        list.downloadId = editor.downloadId = id;
        if (c.cancel) {
            ASSERT_TRUE(PumpUntil([&] { return !list.percents.empty(); }));
            manager.CancelDownload(id + 1000); // another id: nothing happens
            manager.CancelDownload(id);
        }
        ASSERT_TRUE(PumpUntil([&] { return !list.done.empty(); }));
        EXPECT_EQ(list.done[0].error, c.text);
        EXPECT_EQ(list.done[0].callerValue, 0);
        EXPECT_EQ(editor.completions.at(0).second, c.text);
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(manager.TaskCount(), 0u);
        std::string found;
        EXPECT_EQ(manager.FindDownloaded(record, &found), 0);
    }
}

TEST_F(WebDownloadTaskTest, CloseDownWhileProgressNoticesAreQueued) {
    const SoundFileObj record = RemoteRecord(servers->HttpUrl("slow/big.wav"), 200000);
    std::string path;
    list.downloadId = manager.StartDownload(record, &path, 0);
    // Progress is posted without waiting: let some queue up without handling them.
    for (int i = 0; i < 200 && !FileExists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    manager.Shutdown();
    EXPECT_EQ(manager.TaskCount(), 0u);
    EXPECT_FALSE(FileExists(path));
    const std::size_t heard = list.percents.size() + list.done.size();
    // Notices of the deleted task that are still queued reach nobody.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(list.percents.size() + list.done.size(), heard);
}
