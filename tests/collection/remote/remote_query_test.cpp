#include "collection/remote/remote_query.h"
#include "collection/remote/task_notice.h"
#include "collection/remote/web_frame.h"
#include "collection/remote/web_search_reply.h"
#include "collection/remote/web_search_request.h"
#include "collection/search_criteria.h"

#include "scripted_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

using Clock = std::chrono::steady_clock;
using After = ScriptedServer::After;

std::vector<unsigned char> Bytes(std::initializer_list<unsigned char> b) {
    return std::vector<unsigned char>(b);
}

WebResultRow Row(int id) {
    WebResultRow row;
    row.url = "http://127.0.0.1/s" + std::to_string(id) + ".wav";
    row.texts[0] = "row " + std::to_string(id);
    row.sound.fileId = id;
    row.sound.data = {1, 2, 3, 4, 5};
    row.score = 90 - id;
    return row;
}

struct QueryRun {
    SearchCriteria criteria;
    NetStopSignal stop;
    TaskNotice notice;
    int posts = 0;

    explicit QueryRun(NetAddress server, int receiveMs = 2000) {
        criteria.SetKeywords("dog");
        notice.criteria = &criteria;
        notice.server = server;
        notice.timeouts = {2000, receiveMs};
        notice.stop = &stop;
        notice.queryId = 1;
        notice.post = [this](TaskNotice&) { ++posts; };
    }
};

} // namespace

TEST(RunRemoteQuery, SendsTheRequestAndReportsTheReply) {
    struct Case {
        const char* name;
        std::vector<unsigned char> reply;
        After after;
        int code;
        int error;
        int rows;
    };
    std::vector<unsigned char> badMarker = BuildSearchReply({}, nullptr);
    WriteBigEndian32(badMarker.data() + 4, 0x01020304);
    const std::vector<unsigned char> empty = BuildSearchReply({}, nullptr);
    const Case cases[] = {
        {"empty reply", empty, After::Close, 2201, 0, 0},
        {"two rows", BuildSearchReply({Row(1), Row(2)}, nullptr), After::Close, 2201, 0, 2},
        // The length alone decides: nothing more is awaited, so these never time out.
        {"length 4", Bytes({0, 0, 0, 4}), After::StaySilent, 1000, 2, 0},
        {"length 261121", Bytes({0, 3, 0xFC, 0x01}), After::StaySilent, 1000, 2, 0},
        {"closed before the length", {}, After::Close, 1000, 14, 0},
        {"closed inside the frame", std::vector<unsigned char>(empty.begin(), empty.begin() + 10),
         After::Close, 1000, 14, 0},
        {"unknown marker", badMarker, After::Close, 1000, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.reply, c.after);
        QueryRun run(server.Address());
        run.notice.rowCount = 5; // stale rows of an earlier run never survive
        run.notice.rows.resize(5);
        RunRemoteQuery(&run.notice);
        EXPECT_EQ(run.notice.code, c.code);
        EXPECT_EQ(run.notice.errorCode, c.error);
        EXPECT_EQ(run.notice.rowCount, c.rows);
        EXPECT_EQ(run.notice.rows.size(), static_cast<std::size_t>(c.rows));
        EXPECT_EQ(run.posts, 1);
        std::vector<unsigned char> expected;
        BuildSearchRequest(run.criteria, &expected);
        EXPECT_EQ(server.Request(), expected);
    }
}

TEST(RunRemoteQuery, RowsArriveInOrder) {
    ScriptedServer server(BuildSearchReply({Row(1), Row(2), Row(3)}, nullptr), After::Close);
    QueryRun run(server.Address());
    RunRemoteQuery(&run.notice);
    ASSERT_EQ(run.notice.code, 2201);
    ASSERT_EQ(run.notice.rowCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(run.notice.rows[i].url, Row(i + 1).url);
        EXPECT_EQ(run.notice.rows[i].score, 89 - i);
        EXPECT_EQ(run.notice.rows[i].sound.data, Row(i + 1).sound.data);
    }
}

TEST(RunRemoteQuery, ASilentServerTimesOut) {
    ScriptedServer server({}, After::StaySilent);
    QueryRun run(server.Address(), 300);
    RunRemoteQuery(&run.notice);
    EXPECT_TRUE(server.Accepted());
    EXPECT_EQ(run.notice.code, 1000);
    EXPECT_EQ(run.notice.errorCode, 10060);
}

TEST(RunRemoteQuery, AClosedPortIsRefused) {
    QueryRun run({0x7F000001, ClosedPort()});
    RunRemoteQuery(&run.notice);
    EXPECT_EQ(run.notice.code, 1000);
    EXPECT_EQ(run.notice.errorCode, 10061);
    EXPECT_EQ(run.posts, 1);
}

TEST(RunRemoteQuery, AStopEndsAQueryThatWaitsForItsReply) {
    ScriptedServer server({}, After::StaySilent);
    QueryRun run(server.Address(), 60000);
    const auto start = Clock::now();
    auto done = std::async(std::launch::async, [&run] { RunRemoteQuery(&run.notice); });
    for (int i = 0; i < 500 && server.Request().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(server.Request().empty());
    run.stop.Raise();
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(run.notice.code, 1000);
    EXPECT_EQ(run.notice.errorCode, kSocketInterrupted);
}

TEST(RunRemoteQuery, NoCriteriaIsABadArgument) {
    QueryRun run({0x7F000001, ClosedPort()});
    run.notice.criteria = nullptr;
    RunRemoteQuery(&run.notice);
    EXPECT_EQ(run.notice.code, 1000);
    EXPECT_EQ(run.notice.errorCode, 1);
}
