#include "tools/webtambrel_server/webtambrel_server.h"

#include "collection/db/catalog.h"
#include "collection/db/connection.h"
#include "collection/db/query_builder.h"
#include "collection/remote/web_frame.h"
#include "collection/remote/web_search_reply.h"
#include "collection/remote/web_search_request.h"
#include "collection/search_criteria.h"
#include "collection/web_result_row.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace {

// A request holds the criteria and at most 250 bytes of keywords; anything longer is not a
// request of ours.
constexpr std::size_t kMaxRequestLength = 1024;

std::string TrimSlashes(std::string text) {
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

std::string Summary(const SearchCriteria& c) {
    // One request, one line: control bytes of the client's text never reach the log as such.
    std::string keywords = c.keywords;
    for (char& ch : keywords)
        if (static_cast<unsigned char>(ch) < 32 || ch == 127)
            ch = '?';
    std::string text = "keywords \"" + keywords + "\"";
    if (c.targetSignature)
        text += ", similar";
    return text;
}

} // namespace

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

WebTambrelServer::~WebTambrelServer() {
    if (db_ != nullptr)
        DB_disconnect(db_);
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
    if (DB_error err = DB_connect(config_.dataSource.c_str(), "", "", &db_); err) {
        *errorText = "could not connect to ODBC data source '" + config_.dataSource + "': " + *err;
        db_ = nullptr;
        return false;
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
    while (!stop_.Raised()) {
        TcpSocket socket;
        NetAddress peer;
        const int error = listener_.Accept(&socket, &peer, -1, &stop_);
        if (error == kSocketInterrupted)
            break;
        if (error != 0)
            continue;
        Answer(socket, peer);
        socket.ShutdownAndClose();
    }
}

void WebTambrelServer::Answer(TcpSocket& socket, const NetAddress& peer) {
    const int timeout = config_.receiveTimeoutMs;
    unsigned char head[4];
    int error = socket.ReceiveAll(head, 4, timeout, &stop_, kWebConnectionClosed);
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
    error = socket.ReceiveAll(frame.data() + 4, length - 4, timeout, &stop_, kWebConnectionClosed);
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
    if (!Search(criteria, &rows, &errorText)) {
        // No reply at all: an empty one would tell the user that nothing matched.
        Log(peer, Summary(criteria) + ": catalog error: " + errorText);
        return;
    }
    std::size_t sent = 0;
    const std::vector<unsigned char> reply = BuildSearchReply(rows, &sent);
    error = socket.SendAll(reply.data(), reply.size(), timeout, &stop_);
    Log(peer, Summary(criteria) + ": " + std::to_string(rows.size()) + " hits, " +
                  std::to_string(sent) + " sent" +
                  (error != 0 ? " (send failed, socket error " + std::to_string(error) + ")" : ""));
}

bool WebTambrelServer::Search(const SearchCriteria& criteria, std::vector<WebResultRow>* rows,
                              std::string* errorText) {
    std::unique_ptr<DB_query_result> result;
    if (DB_error err = DB_process_query(db_, &criteria, &result); err) {
        *errorText = *err;
        return false;
    }
    if (!result)
        return true;
    for (const DB_hit& hit : result->hits) {
        std::unique_ptr<DB_file> file;
        std::unique_ptr<DB_sound> sound;
        DB_error err = DB_get_file(db_, hit.fileId, &file);
        if (!err && file)
            err = DB_get_sound(db_, hit.fileId, hit.sampleRate, &sound);
        if (err) {
            *errorText = *err;
            return false;
        }
        if (!file)
            continue; // removed since the query ran
        WebResultRow row;
        row.url = MakeSoundUrl(config_.urlBase, config_.root, file->fileName);
        if (row.url.empty())
            continue;
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
    return true;
}

void WebTambrelServer::Log(const NetAddress& peer, const std::string& text) {
    if (log_ == nullptr)
        return;
    char when[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    *log_ << when << ' ' << IPv4Text(peer.ipv4) << ':' << peer.port << ' ' << text << std::endl;
}
