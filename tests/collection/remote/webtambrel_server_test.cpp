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

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

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

        StartServer(Config());
    }

    WebServerConfig Config() const {
        WebServerConfig config;
        config.dataSource = dsn_;
        config.listen = {0x7F000001, 0};
        config.urlBase = kBase;
        config.root = kRoot;
        config.receiveTimeoutMs = 500;
        return config;
    }

    // Replaces the running server with one of this configuration.
    void StartServer(const WebServerConfig& config) {
        StopServer();
        log_.str("");
        server_ = std::make_unique<WebTambrelServer>();
        std::string error;
        ASSERT_TRUE(server_->Open(config, &log_, &error)) << error;
        thread_ = std::thread([this] { server_->Serve(); });
    }

    void Index(const std::string& path, const std::string& description, int seed) {
        auto fs = File(path, description, "Dogs", seed);
        ASSERT_DB_OK(DB_index(db_, fs.get(), 0));
    }

    void TearDown() override {
        StopServer();
        if (db_ != nullptr)
            DB_disconnect(db_);
    }

    // Also makes the log safe to read.
    void StopServer() {
        if (server_)
            server_->Stop();
        if (thread_.joinable())
            thread_.join();
    }

    TaskNotice Query(const SearchCriteria& criteria) {
        TaskNotice notice;
        notice.criteria = &criteria;
        notice.server = {0x7F000001, server_->Port()};
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
    std::unique_ptr<WebTambrelServer> server_;
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
    const NetAddress address{0x7F000001, server_->Port()};
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

// Files outside the root that rank above the published ones must not use up the limit.
TEST_F(WebTambrelServerTest, FilesOutsideTheRootDoNotCountTowardsTheLimit) {
    // Four exact matches of the cat's signature, outside the root and newer than it.
    for (int i = 0; i < 4; ++i)
        Index("/home/someone/cat" + std::to_string(i) + ".wav", "Private", 2);
    // And many dog files outside the root, newer than the published ones.
    for (int i = 0; i < 210; ++i)
        Index("/home/someone/dogs/" + std::to_string(i) + ".wav", "Private", 10 + i);

    struct Case {
        const char* name;
        bool similar;
        int max;
        std::vector<std::string> firstUrls;
        int rows;
    };
    const Case cases[] = {
        {"similar, limit 4", true, 4, {"http://127.0.0.1:8080/pub/cats/purr.wav"}, 3},
        {"similar, limit 1", true, 1, {"http://127.0.0.1:8080/pub/cats/purr.wav"}, 1},
        {"keywords, limit 200", false, 200,
         {"http://127.0.0.1:8080/pub/dogs/howl.wav",
          "http://127.0.0.1:8080/pub/dogs/bark%20one.wav"},
         2},
        {"keywords, limit 1", false, 1, {"http://127.0.0.1:8080/pub/dogs/howl.wav"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebServerConfig config = Config();
        config.maxResults = c.max;
        StartServer(config);
        SearchCriteria criteria;
        if (c.similar) {
            criteria.SetTargetSignature(Signature(2));
            criteria.scoreMin = 0;
            criteria.scoreMax = 100;
        } else {
            criteria.SetKeywords("dogs");
        }
        criteria.ownPitchOnly = 1;
        TaskNotice notice = Query(criteria);
        ASSERT_EQ(notice.code, 2201) << notice.errorCode;
        ASSERT_EQ(notice.rowCount, c.rows);
        for (std::size_t i = 0; i < c.firstUrls.size(); ++i)
            EXPECT_EQ(notice.rows[i].url, c.firstUrls[i]);
        ExpectRowsMatchCatalog(notice);
    }
}

// A folder below the root that is a link to elsewhere leads outside it; a root reached
// through a link is the folder it names.
TEST_F(WebTambrelServerTest, RootIsCheckedOnRealPaths) {
    namespace fs = std::filesystem;
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path top = temp.path().toStdString();
    fs::create_directories(top / "root" / "real");
    fs::create_directories(top / "outside");
    std::ofstream(top / "root" / "real" / "a.wav") << "x";
    std::ofstream(top / "outside" / "b.wav") << "x";
    fs::create_directory_symlink(top / "outside", top / "root" / "linked");
    fs::create_directory_symlink(top / "root", top / "root-link");
    Index((top / "root" / "real" / "a.wav").string(), "Published", 20);
    Index((top / "root" / "linked" / "b.wav").string(), "Smuggled", 21);
    Index((top / "root" / "linked" / ".." / "linked" / "b.wav").string(), "Smuggled", 22);

    for (const fs::path& root : {top / "root", top / "root-link"}) {
        SCOPED_TRACE(root.string());
        WebServerConfig config = Config();
        config.root = root.string();
        StartServer(config);
        SearchCriteria criteria;
        criteria.SetKeywords("dogs");
        criteria.ownPitchOnly = 1;
        TaskNotice notice = Query(criteria);
        ASSERT_EQ(notice.code, 2201) << notice.errorCode;
        std::vector<std::string> urls;
        for (const WebResultRow& row : notice.rows)
            urls.push_back(row.url);
        EXPECT_EQ(urls, std::vector<std::string>{"http://127.0.0.1:8080/pub/real/a.wav"});
    }
}

// A client that trickles its request holds one worker until its deadline, no longer, and
// never the others.
TEST_F(WebTambrelServerTest, ATricklingClientNeitherBlocksOthersNorOutlivesItsDeadline) {
    WebServerConfig config = Config();
    config.workers = 2;
    config.receiveTimeoutMs = 1000;
    StartServer(config);

    constexpr int kBytes = 40; // one every 200 ms: 8 s, far past the deadline
    std::atomic<int> sent{0};
    std::atomic<bool> done{false}, cutOff{false};
    std::thread slow([&] {
        TcpSocket socket;
        if (socket.Connect({0x7F000001, server_->Port()}, 2000, nullptr) != 0) {
            done = true;
            return;
        }
        const unsigned char head[4] = {0, 0, 0, 100};
        socket.SendAll(head, 4, 1000, nullptr);
        for (int i = 0; i < kBytes && !cutOff; ++i) {
            const unsigned char byte = 0;
            if (socket.SendAll(&byte, 1, 1000, nullptr) != 0) {
                cutOff = true;
                break;
            }
            ++sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            unsigned char reply;
            std::size_t n = 1;
            if (socket.Receive(&reply, 1, &n, 0, nullptr) == 0 && n == 0)
                cutOff = true; // the server closed the connection
        }
        done = true;
    });
    for (int i = 0; i < 5000 && sent < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    SearchCriteria criteria;
    criteria.SetKeywords("cat");
    TaskNotice notice = Query(criteria);
    const bool answeredWhileTrickling = !done;
    slow.join();
    EXPECT_EQ(notice.code, 2201) << notice.errorCode;
    EXPECT_EQ(notice.rowCount, 2);
    EXPECT_TRUE(answeredWhileTrickling);
    EXPECT_TRUE(cutOff);
    EXPECT_LT(sent, kBytes);
    StopServer();
    EXPECT_NE(log_.str().find("incomplete request"), std::string::npos);
}

namespace {

// The server program, started with its output on pipes.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& arguments) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        const std::string program = TAMBREL_BINARY_DIR "/tools/webtambrel_server/webtambrel-server";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        // Under the sanitizers, full stacks let the leak suppressions recognise the ODBC
        // driver's allocations after the driver manager has unloaded it at exit.
        std::vector<std::string> environment;
        bool hasAsanOptions = false;
        for (char** e = environ; *e != nullptr; ++e) {
            std::string entry = *e;
            if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
                entry += ":fast_unwind_on_malloc=0";
                hasAsanOptions = true;
            }
            environment.push_back(entry);
        }
        if (!hasAsanOptions)
            environment.push_back("ASAN_OPTIONS=fast_unwind_on_malloc=0");
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~ServerProcess() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }
    bool Started() const { return pid_ > 0; }
    // One line of standard output, waiting at most 20 s; empty at the end.
    std::string ReadLine() {
        std::string line;
        for (char c; Readable(out_) && read(out_, &c, 1) == 1 && c != '\n';)
            line += c;
        return line;
    }
    std::string ReadAll(int fd) {
        std::string text;
        char buffer[512];
        for (ssize_t n; Readable(fd) && (n = read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, n);
        return text;
    }
    std::string Output() { return ReadAll(out_); }
    std::string Errors() { return ReadAll(err_); }
    // The exit code, or -1 when it did not end within 20 s (or ended by a signal).
    int Wait() {
        for (int i = 0; i < 2000 && status_ < 0; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_;
    }
    void Signal(int signal) { kill(pid_, signal); }

private:
    static bool Readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, 20000) == 1;
    }
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    int status_ = -1;
};

} // namespace

TEST_F(WebTambrelServerTest, TheProgramChecksItsOptionsServesAndEndsOnSigterm) {
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int exitCode;
        const char* error;
    };
    const std::vector<std::string> needed{"--dsn", dsn_, "--root", kRoot, "--url-base", kBase};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> all = needed;
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    const Case cases[] = {
        {"nothing", {}, 2, "usage:"},
        {"no root", {"--dsn", dsn_, "--url-base", kBase}, 2, "usage:"},
        {"option without value", with({"--max"}), 2, "usage:"},
        {"unknown option", with({"--verbose", "1"}), 2, "usage:"},
        {"zero timeout", with({"--timeout", "0"}), 2, "usage:"},
        {"bad max", with({"--max", "ten"}), 2, "usage:"},
        {"too many workers", with({"--workers", "1000"}), 2, "usage:"},
        {"bad port", with({"--listen", "127.0.0.1:70000"}), 2, "cannot listen on '127.0.0.1:70000'"},
        {"bad url base", {"--dsn", dsn_, "--root", kRoot, "--url-base", "file:///x"}, 1,
         "the URL base must begin with http:// or ftp://"},
        {"relative root", {"--dsn", dsn_, "--root", "sounds", "--url-base", kBase}, 1,
         "the root must be an absolute folder"},
        {"unknown data source", {"--dsn", "NoSuchTambrelSource", "--root", kRoot, "--url-base", kBase},
         1, "could not connect to ODBC data source 'NoSuchTambrelSource'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServerProcess process(c.arguments);
        ASSERT_TRUE(process.Started());
        EXPECT_EQ(process.Wait(), c.exitCode);
        EXPECT_NE(process.Errors().find(c.error), std::string::npos);
    }

    ServerProcess server(with({"--listen", "127.0.0.1:0", "--max", "1", "--workers", "2"}));
    ASSERT_TRUE(server.Started());
    const std::string banner = server.ReadLine();
    const std::string prefix = "WebTambrel server on 127.0.0.1:";
    ASSERT_EQ(banner.rfind(prefix, 0), 0u) << banner;
    const int port = std::atoi(banner.c_str() + prefix.size());
    ASSERT_GT(port, 0) << banner;
    EXPECT_NE(banner.find("catalog '" + dsn_ + "', files under /srv/sounds as " + kBase +
                          ", 2 workers"),
              std::string::npos)
        << banner;

    SearchCriteria criteria;
    criteria.SetKeywords("dogs");
    criteria.ownPitchOnly = 1;
    TaskNotice notice;
    notice.criteria = &criteria;
    notice.server = {0x7F000001, port};
    notice.timeouts = {2000, 10000};
    RunRemoteQuery(&notice);
    EXPECT_EQ(notice.code, 2201) << notice.errorCode;
    EXPECT_EQ(notice.rowCount, 1); // --max 1

    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0) << server.Errors();
    EXPECT_NE(server.Output().find("keywords \"dogs\": 1 hits"), std::string::npos);
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

TEST(WebTambrelServerLog, ControlCharactersOfTheClientNeverReachTheLog) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"rain", "rain"},
        {"a\x1b[2Jb", "a?[2Jb"},                    // C0: escape
        {"a\x7f" "b", "a?b"},                         // DEL
        {"a\x9b" "31mb", "a?31mb"},                   // raw C1: control sequence introducer
        {"a\xc2\x9b" "31mb", "a?31mb"},               // the same in UTF-8
        {"a\xc2\x85" "b", "a?b"},                     // UTF-8 next line
        {"Stra\xc3\x9f" "e \xe2\x82\xac", "Stra\xc3\x9f" "e \xe2\x82\xac"}, // letters stay
        {"caf\xe9", "caf\xe9"},                       // Latin-1 text stays as it came
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogSafeText(c.in), c.out) << c.in;
}
