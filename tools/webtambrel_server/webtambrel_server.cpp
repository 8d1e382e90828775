#include "tools/webtambrel_server/webtambrel_server.h"

#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/query_builder.h"
#include "collection/remote/web_frame.h"
#include "collection/remote/web_search_reply.h"
#include "collection/remote/web_search_request.h"
#include "collection/search_criteria.h"
#include "collection/web_result_row.h"
#include "platform/socket_errors.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>
#include <unordered_map>

namespace {

// A request holds the criteria and at most 250 bytes of keywords; anything longer is not a
// request of ours.
constexpr std::size_t kMaxRequestLength = 1024;
// Connections accepted beyond those the workers serve wait here; more are turned away.
constexpr std::size_t kQueuedPerWorker = 4;
// The reply goes out in pieces, so that the deadline is checked between them.
constexpr std::size_t kSendPiece = 16 * 1024;

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(left.count(), 0));
}

// Exactly length bytes before the deadline, however the client spreads them out.
int ReceiveBefore(TcpSocket& socket, unsigned char* data, std::size_t length,
                  std::chrono::steady_clock::time_point deadline, const NetStopSignal* stop) {
    std::size_t done = 0;
    while (done < length) {
        const int left = RemainingMs(deadline);
        if (left <= 0)
            return kSocketTimedOut;
        std::size_t n = 0;
        if (int error = socket.Receive(data + done, length - done, &n, left, stop); error != 0)
            return error;
        if (n == 0)
            return kWebConnectionClosed;
        done += n;
    }
    return 0;
}

int SendBefore(TcpSocket& socket, const unsigned char* data, std::size_t length,
               std::chrono::steady_clock::time_point deadline, const NetStopSignal* stop) {
    for (std::size_t done = 0; done < length;) {
        const int left = RemainingMs(deadline);
        if (left <= 0)
            return kSocketTimedOut;
        const std::size_t piece = std::min(kSendPiece, length - done);
        if (int error = socket.SendAll(data + done, piece, left, stop); error != 0)
            return error;
        done += piece;
    }
    return 0;
}

std::string TrimSlashes(std::string text) {
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// A byte 0x80-0xBF that continues a UTF-8 sequence begun by a lead byte before it.
bool IsUtf8Continuation(const std::string& text, std::size_t i) {
    std::size_t lead = i;
    while (lead > 0 && i - lead < 3 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return false;
    const auto first = static_cast<unsigned char>(text[lead - 1]);
    const std::size_t length = first >= 0xF0 && first <= 0xF4 ? 4
                               : first >= 0xE0 && first <= 0xEF ? 3
                               : first >= 0xC2 && first <= 0xDF ? 2
                                                                : 0;
    return i - (lead - 1) < length;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

std::string Summary(const SearchCriteria& c) {
    std::string text = "keywords \"" + LogSafeText(c.keywords) + "\"";
    if (c.targetSignature)
        text += ", similar";
    return text;
}

} // namespace

std::string LogSafeText(const std::string& text) {
    // One request, one line: no control character of the client's text reaches a terminal
    // that shows the log, neither C0 nor DEL nor C1 (0x80-0x9F raw, or as UTF-8 C2 80-C2 9F).
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC2 && i + 1 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            safe += '?';
            ++i;
        } else if (c < 32 || c == 127 || (c >= 0x80 && c <= 0x9F && !IsUtf8Continuation(text, i))) {
            safe += '?';
        } else {
            safe += static_cast<char>(c);
        }
    }
    return safe;
}

std::string MakeSoundUrl(const std::string& urlBase, const std::string& root,
                         const std::string& path) {
    const std::string base = TrimSlashes(urlBase);
    const std::string folder = TrimSlashes(std::filesystem::path(root).lexically_normal());
    const std::string file = std::filesystem::path(path).lexically_normal();
    const std::string prefix = folder == "/" ? folder : folder + "/";
    if (file.size() <= prefix.size() || file.compare(0, prefix.size(), prefix) != 0)
        return {};
    std::string url = base + "/";
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = prefix.size(); i < file.size(); ++i) {
        const auto c = static_cast<unsigned char>(file[i]);
        if (IsUnreserved(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::string ResolvedPath(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path normal = fs::path(path).lexically_normal();
    if (!normal.is_absolute())
        return {};
    // The longest part that exists (a link counts even when it dangles) is resolved.
    fs::path existing = normal;
    std::vector<fs::path> rest;
    std::error_code error;
    while (existing != existing.root_path() &&
           !fs::exists(fs::symlink_status(existing, error))) {
        rest.push_back(existing.filename());
        existing = existing.parent_path();
    }
    fs::path resolved = fs::canonical(existing, error);
    if (error)
        return {};
    for (auto part = rest.rbegin(); part != rest.rend(); ++part)
        resolved /= *part;
    return resolved.lexically_normal().string();
}

WebTambrelServer::~WebTambrelServer() {
    for (DB_handle* db : dbs_)
        DB_disconnect(db);
}

bool WebTambrelServer::Open(const WebServerConfig& config, std::ostream* log,
                            std::string* errorText) {
    config_ = config;
    log_ = log;
    if (config_.urlBase.rfind("http://", 0) != 0 && config_.urlBase.rfind("ftp://", 0) != 0) {
        *errorText = "the URL base must begin with http:// or ftp://";
        return false;
    }
    if (config_.root.empty() || config_.root[0] != '/') {
        *errorText = "the root must be an absolute folder";
        return false;
    }
    config_.workers = std::clamp(config_.workers, 1, 64);
    config_.maxResults = std::max(config_.maxResults, 1);
    for (int i = 0; i < config_.workers; ++i) {
        DB_handle* db = nullptr;
        if (DB_error err = DB_connect(config_.dataSource.c_str(), "", "", &db); err) {
            *errorText =
                "could not connect to ODBC data source '" + config_.dataSource + "': " + *err;
            return false;
        }
        dbs_.push_back(db);
    }
    if (int error = listener_.Listen(config_.listen); error != 0) {
        *errorText = "could not listen on " + IPv4Text(config_.listen.ipv4) + ":" +
                     std::to_string(config_.listen.port) + " (socket error " +
                     std::to_string(error) + ")";
        return false;
    }
    return true;
}

void WebTambrelServer::Serve() {
    {
        std::lock_guard lock(queueMutex_);
        closing_ = false;
    }
    std::vector<std::thread> workers;
    for (DB_handle* db : dbs_)
        workers.emplace_back([this, db] { Work(db); });
    const std::size_t queueLimit = dbs_.size() * kQueuedPerWorker;
    while (!stop_.Raised()) {
        Pending pending;
        const int error = listener_.Accept(&pending.socket, &pending.peer, -1, &stop_);
        if (error == kSocketInterrupted)
            break;
        if (error != 0)
            continue;
        // The whole request counts from here: a client trickling bytes gains nothing.
        pending.deadline = Clock::now() + std::chrono::milliseconds(config_.receiveTimeoutMs);
        std::unique_lock lock(queueMutex_);
        if (queue_.size() >= queueLimit) {
            lock.unlock();
            Log(pending.peer, "turned away: every worker is busy");
            pending.socket.ShutdownAndClose();
            continue;
        }
        queue_.push_back(std::move(pending));
        lock.unlock();
        queueChanged_.notify_one();
    }
    {
        std::lock_guard lock(queueMutex_);
        closing_ = true;
    }
    queueChanged_.notify_all();
    for (std::thread& worker : workers)
        worker.join();
}

void WebTambrelServer::Work(DB_handle* db) {
    for (;;) {
        Pending pending;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            pending = std::move(queue_.front());
            queue_.pop_front();
        }
        Answer(pending.socket, pending.peer, pending.deadline, db);
        pending.socket.ShutdownAndClose();
    }
}

void WebTambrelServer::Answer(TcpSocket& socket, const NetAddress& peer, Clock::time_point deadline,
                              DB_handle* db) {
    unsigned char head[4];
    int error = ReceiveBefore(socket, head, 4, deadline, &stop_);
    if (error != 0) {
        Log(peer, "no request (socket error " + std::to_string(error) + ")");
        return;
    }
    const std::uint32_t length = ReadBigEndian32(head);
    if (length <= 12 || length > kMaxRequestLength) {
        Log(peer, "refused a request of " + std::to_string(length) + " bytes");
        return;
    }
    std::vector<unsigned char> frame(head, head + 4);
    frame.resize(length);
    error = ReceiveBefore(socket, frame.data() + 4, length - 4, deadline, &stop_);
    if (error != 0) {
        Log(peer, "incomplete request (error " + std::to_string(error) + ")");
        return;
    }
    SearchCriteria criteria;
    if (int bad = ParseSearchRequest(frame.data(), frame.size(), &criteria); bad != 0) {
        Log(peer, "malformed request (error " + std::to_string(bad) + ")");
        return;
    }
    if (criteria.maxResults <= 0 || criteria.maxResults > config_.maxResults)
        criteria.maxResults = config_.maxResults;
    std::vector<WebResultRow> rows;
    std::string errorText;
    if (!Search(db, criteria, &rows, &errorText)) {
        // No reply at all: an empty one would tell the user that nothing matched.
        Log(peer, Summary(criteria) + ": catalog error: " + errorText);
        return;
    }
    std::size_t sent = 0;
    const std::vector<unsigned char> reply = BuildSearchReply(rows, &sent);
    // Taking the reply has a deadline of its own, as long as the one for the request.
    error = SendBefore(socket, reply.data(), reply.size(),
                       Clock::now() + std::chrono::milliseconds(config_.receiveTimeoutMs), &stop_);
    Log(peer, Summary(criteria) + ": " + std::to_string(rows.size()) + " hits, " +
                  std::to_string(sent) + " sent" +
                  (error != 0 ? " (send failed, socket error " + std::to_string(error) + ")" : ""));
}

bool WebTambrelServer::Search(DB_handle* db, const SearchCriteria& criteria,
                              std::vector<WebResultRow>* rows, std::string* errorText) {
    // Files outside the root may rank above the published ones: the catalog is asked for
    // more hits until the limit is met with published rows or no more hits come.
    const std::size_t wanted = static_cast<std::size_t>(criteria.maxResults);
    const std::string root = ResolvedPath(config_.root);
    if (root.empty())
        return true; // the root itself is gone: nothing is published
    std::unordered_map<std::int32_t, std::string> urls; // per file: empty when not published
    SearchCriteria batch = criteria;
    for (std::size_t asked = std::max<std::size_t>(wanted, 1);; asked *= 4) {
        batch.maxResults = static_cast<int>(std::min<std::size_t>(asked, 1u << 30));
        std::unique_ptr<DB_query_result> result;
        if (DB_error err = DB_process_query(db, &batch, &result); err) {
            *errorText = *err;
            return false;
        }
        rows->clear();
        if (!result)
            return true;
        for (const DB_hit& hit : result->hits) {
            if (rows->size() >= wanted)
                break;
            std::unique_ptr<DB_file> file;
            auto known = urls.find(hit.fileId);
            if (known != urls.end() && known->second.empty())
                continue;
            if (DB_error err = DB_get_file(db, hit.fileId, &file); err) {
                *errorText = *err;
                return false;
            }
            if (!file)
                continue; // removed since the query ran
            if (known == urls.end()) {
                // Compared as real paths: a linked folder must not lead outside the root.
                const std::string real = ResolvedPath(file->fileName);
                known = urls.emplace(hit.fileId, real.empty() ? std::string()
                                                              : MakeSoundUrl(config_.urlBase,
                                                                             root, real))
                            .first;
                if (known->second.empty())
                    continue;
            }
            std::unique_ptr<DB_sound> sound;
            if (DB_error err = DB_get_sound(db, hit.fileId, hit.sampleRate, &sound); err) {
                *errorText = *err;
                return false;
            }
            WebResultRow row;
            row.url = known->second;
            row.fileSampleRate = file->sampleRate;
            std::copy(file->ints.begin(), file->ints.end(), row.ints);
            std::copy(file->texts.begin(), file->texts.end(), row.texts);
            // The server's own folders are nobody else's business: the path field names the URL.
            row.texts[8] = row.url;
            row.sound.fileId = hit.fileId;
            if (sound) {
                row.sound.sampleRate = sound->sampleRate;
                row.sound.duration = sound->duration;
                row.sound.bpm = sound->bpm;
                row.sound.key = sound->key;
                std::memcpy(row.sound.signature.bytes, sound->signature.data(), 16);
                row.sound.data.assign(sound->data.begin(), sound->data.end());
            } else {
                row.sound.sampleRate = file->sampleRate;
                row.sound.duration = file->duration;
                row.sound.bpm = file->bpm;
                row.sound.key = file->key;
                std::memcpy(row.sound.signature.bytes, file->signature.data(), 16);
            }
            row.score = hit.score;
            rows->push_back(std::move(row));
        }
        if (rows->size() >= wanted || result->hits.size() < asked)
            return true;
    }
}

void WebTambrelServer::Log(const NetAddress& peer, const std::string& text) {
    if (log_ == nullptr)
        return;
    std::lock_guard lock(logMutex_);
    char when[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    *log_ << when << ' ' << IPv4Text(peer.ipv4) << ':' << peer.port << ' ' << text << std::endl;
}
