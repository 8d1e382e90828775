#include "tools/webtambrel_server/webtambrel_server.h"

#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "collection/db/statement.h"
#include "collection/remote/remote_query.h"
#include "collection/remote/task_notice.h"
#include "collection/search_criteria.h"
#include "tests/collection/db/catalog_test_env.h"

#include "scripted_server.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <thread>

#define ASSERT_DB_OK(call)                                                                         \
    do {                                                                                           \
        DB_error err_ = (call);                                                                    \
        ASSERT_FALSE(err_) << *err_;                                                               \
    } while (0)

namespace {

const char kRoot[] = "/srv/sounds";
const char kBase[] = "http://127.0.0.1:8080/pub/";

// Signatures far apart in every band, so that each file is most like itself.
SoundSignature Signature(int seed) {
    SoundSignature s{};
    for (int i = 0; i < 12; ++i)
        s.bytes[i] = static_cast<std::uint8_t>((seed * 70 + i * 9) % 200 + 20);
    s.bytes[12] = 30;
    s.bytes[15] = kSignatureMark;
    return s;
}

std::unique_ptr<DB_file_sounds> File(const std::string& path, const std::string& description,
                                     const std::string& subcategory, int seed) {
    auto fs = std::make_unique<DB_file_sounds>();
    fs->file = std::make_unique<DB_file>();
    DB_file& f = *fs->file;
    f.fileName = path;
    f.sampleRate = 44100;
    f.duration = 1000 + seed;
    f.bpm = 120;
    f.key = 3;
    std::memcpy(f.signature.data(), Signature(seed).bytes, 16);
    f.ints = {1, 5000 + seed, 2, 17, 1, 2, 0, 0, 0, 0};
    f.texts = {description, "Animals", subcategory, "Nature", "field",
               "(c) us",    "notes",   "link",      path,     ""};
    f.indexDate = "2026-01-02 03:04:05";
    for (int rate : {44100, 22050}) {
        auto s = std::make_unique<DB_sound>();
        s->sampleRate = rate;
        s->duration = f.duration * 44100 / rate;
        s->bpm = 120 * rate / 44100;
        s->key = 3;
        s->signature = f.signature;
        for (int i = 0; i < 20; ++i)
            s->data.push_back(static_cast<std::uint8_t>(seed + i + rate % 7));
        fs->sounds.push_back(std::move(s));
    }
    return fs;
}

class WebTambrelServerTest : public testing::Test {
protected:
    void SetUp() override {
        dsn_ = CatalogTestEnv::Get().sqliteDsn;
        ASSERT_DB_OK(DB_connect(dsn_.c_str(), "", "", &db_));
        for (const char* table : {"TERM", "SOUND", "AUDIO_FILE", "CATREGISTER", "GENREGISTER"}) {
            const std::string sql = std::string("DROP TABLE IF EXISTS ") + table;
            ASSERT_DB_OK(DB_finish(db_, DB_run(db_, sql.c_str(), nullptr)));
        }
        std::vector<std::string> created;
        ASSERT_DB_OK(DB_create_catalog_tables(db_, DB_engine::SQLite, &created));
        ASSERT_DB_OK(DB_build_shadow_tables(db_, 0));
        const struct {
            const char* path;
            const char* description;
            const char* subcategory;
        } files[] = {
            {"/srv/sounds/dogs/bark one.wav", "Barking", "Dogs"},
            {"/srv/sounds/dogs/howl.wav", "Howling at night", "Dogs"},
            {"/srv/sounds/cats/purr.wav", "Purring", "Cats"},
            {"/home/someone/dog.wav", "Outside the shared folder", "Dogs"},
        };
        int seed = 0;
        for (const auto& f : files) {
            auto fs = File(f.path, f.description, f.subcategory, seed++);
            ASSERT_DB_OK(DB_index(db_, fs.get(), 0));
        }

        WebServerConfig config;
        config.dataSource = dsn_;
        config.listen = {0x7F000001, 0};
        config.urlBase = kBase;
        config.root = kRoot;
        config.receiveTimeoutMs = 500;
        std::string error;
        ASSERT_TRUE(server_.Open(config, &log_, &error)) << error;
        thread_ = std::thread([this] { server_.Serve(); });
    }

    void TearDown() override {
        StopServer();
        if (db_ != nullptr)
            DB_disconnect(db_);
    }

    // Also makes the log safe to read.
    void StopServer() {
        server_.Stop();
        if (thread_.joinable())
            thread_.join();
    }

    TaskNotice Query(const SearchCriteria& criteria) {
        TaskNotice notice;
        notice.criteria = &criteria;
        notice.server = {0x7F000001, server_.Port()};
        notice.timeouts = {2000, 10000};
        RunRemoteQuery(&notice);
        return notice;
    }

    // Every row field equals what the catalog holds for that hit.
    void ExpectRowsMatchCatalog(const TaskNotice& notice) {
        for (const WebResultRow& row : notice.rows) {
            SCOPED_TRACE(row.url);
            std::unique_ptr<DB_file> file;
            std::unique_ptr<DB_sound> sound;
            ASSERT_DB_OK(DB_get_file(db_, row.sound.fileId, &file));
            ASSERT_TRUE(file);
            ASSERT_DB_OK(DB_get_sound(db_, row.sound.fileId, row.sound.sampleRate, &sound));
            ASSERT_TRUE(sound);
            EXPECT_EQ(row.url, MakeSoundUrl(kBase, kRoot, file->fileName));
            EXPECT_EQ(row.fileSampleRate, file->sampleRate);
            for (int i = 0; i < 10; ++i) {
                EXPECT_EQ(row.ints[i], file->ints[i]);
                EXPECT_EQ(row.texts[i], i == 8 ? row.url : file->texts[i]);
            }
            EXPECT_EQ(row.sound.duration, sound->duration);
            EXPECT_EQ(row.sound.bpm, sound->bpm);
            EXPECT_EQ(row.sound.key, sound->key);
            EXPECT_EQ(0, std::memcmp(row.sound.signature.bytes, sound->signature.data(), 16));
            EXPECT_EQ(row.sound.data, sound->data);
        }
    }

    std::string dsn_;
    DB_handle* db_ = nullptr;
    std::ostringstream log_;
    WebTambrelServer server_;
    std::thread thread_;
};

int LineCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST_F(WebTambrelServerTest, KeywordSearchAnswersWithTheCatalogsRows) {
    SearchCriteria criteria;
    criteria.SetKeywords("dogs");
    criteria.ownPitchOnly = 1;
    TaskNotice notice = Query(criteria);
    ASSERT_EQ(notice.code, 2201) << notice.errorCode;
    // The file outside the shared folder is left out.
    ASSERT_EQ(notice.rowCount, 2);
    EXPECT_EQ(notice.rows[0].url, "http://127.0.0.1:8080/pub/dogs/howl.wav");
    EXPECT_EQ(notice.rows[1].url, "http://127.0.0.1:8080/pub/dogs/bark%20one.wav");
    for (const WebResultRow& row : notice.rows)
        EXPECT_EQ(row.sound.sampleRate, 44100);
    ExpectRowsMatchCatalog(notice);

    criteria.ownPitchOnly = 0;
    notice = Query(criteria);
    ASSERT_EQ(notice.code, 2201);
    EXPECT_EQ(notice.rowCount, 4); // both variants of both dog files
    ExpectRowsMatchCatalog(notice);
    StopServer();
    EXPECT_EQ(LineCount(log_.str()), 2);
}

TEST_F(WebTambrelServerTest, SimilaritySearchRanksTheExampleFirst) {
    SearchCriteria criteria;
    criteria.SetTargetSignature(Signature(2)); // the cat
    criteria.scoreMin = 0;
    criteria.scoreMax = 100;
    criteria.ownPitchOnly = 1;
    TaskNotice notice = Query(criteria);
    ASSERT_EQ(notice.code, 2201) << notice.errorCode;
    ASSERT_EQ(notice.rowCount, 3);
    EXPECT_EQ(notice.rows[0].url, "http://127.0.0.1:8080/pub/cats/purr.wav");
    EXPECT_EQ(notice.rows[0].score, 100);
    for (int i = 1; i < notice.rowCount; ++i)
        EXPECT_LE(notice.rows[i].score, notice.rows[i - 1].score);
    ExpectRowsMatchCatalog(notice);
}

TEST_F(WebTambrelServerTest, NothingFoundIsAnEmptyReply) {
    SearchCriteria criteria;
    criteria.SetKeywords("xylophone");
    TaskNotice notice = Query(criteria);
    EXPECT_EQ(notice.code, 2201);
    EXPECT_EQ(notice.rowCount, 0);
}

TEST_F(WebTambrelServerTest, MalformedAndSilentClientsAreLoggedAndDropped) {
    // A frame of the wrong type, and a client that sends nothing.
    TcpSocket socket;
    const NetAddress address{0x7F000001, server_.Port()};
    ASSERT_EQ(socket.Connect(address, 2000, nullptr), 0);
    std::vector<unsigned char> junk(40, 0);
    junk[3] = 40;
    ASSERT_EQ(socket.SendAll(junk.data(), junk.size(), 2000, nullptr), 0);
    unsigned char byte;
    EXPECT_EQ(socket.ReceiveAll(&byte, 1, 5000, nullptr, 14), 14);
    socket.Close();

    ASSERT_EQ(socket.Connect(address, 2000, nullptr), 0);
    std::vector<unsigned char> huge = {0, 0x10, 0, 0};
    ASSERT_EQ(socket.SendAll(huge.data(), huge.size(), 2000, nullptr), 0);
    EXPECT_EQ(socket.ReceiveAll(&byte, 1, 5000, nullptr, 14), 14);
    socket.Close();

    ASSERT_EQ(socket.Connect(address, 2000, nullptr), 0);
    EXPECT_EQ(socket.ReceiveAll(&byte, 1, 5000, nullptr, 14), 14);
    socket.Close();

    // The server still answers afterwards.
    SearchCriteria criteria;
    criteria.SetKeywords("cat");
    EXPECT_EQ(Query(criteria).rowCount, 2);
    StopServer();
    const std::string log = log_.str();
    EXPECT_EQ(LineCount(log), 4);
    EXPECT_NE(log.find("no request (socket error 10060)"), std::string::npos);
    EXPECT_NE(log.find("malformed request"), std::string::npos);
    EXPECT_NE(log.find("refused a request of 1048576 bytes"), std::string::npos);
}

TEST(MakeSoundUrl, PathsBelowTheRootOnly) {
    struct Case {
        const char* base;
        const char* root;
        const char* path;
        const char* url;
    };
    const Case cases[] = {
        {"http://h/s", "/srv/a", "/srv/a/x.wav", "http://h/s/x.wav"},
        {"http://h/s/", "/srv/a/", "/srv/a/b c/é#?.wav", "http://h/s/b%20c/%C3%A9%23%3F.wav"},
        {"ftp://h", "/", "/x/y.aiff", "ftp://h/x/y.aiff"},
        {"http://h", "/srv/a", "/srv/ab/x.wav", ""},
        {"http://h", "/srv/a", "/srv/a/../b/x.wav", ""},
        {"http://h", "/srv/a", "/srv/a", ""},
        {"http://h", "/srv/a", "relative/x.wav", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MakeSoundUrl(c.base, c.root, c.path), c.url);
    }
}
