#include "collection/remote/web_download.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <unistd.h>

namespace {

struct CodeText {
    int code;
    const char* text;
};

const CodeText kDownloadTexts[] = {
    {kDownloadCannotLoad, "Cannot load file"},
    {kDownloadNotFound, "Cannot locate file on remote host"},
    {kDownloadStopped, "Download stopped"},
    {kDownloadIncomplete, "File not fully received"},
    {kDownloadNoTempFile, "Cannot open temp file"},
    {kDownloadNoConnection, "Cannot connect to remote host"},
};

// A silent server must not hold a download forever: below one byte a second for the receive
// time, the transfer ends.
constexpr long kLowSpeedBytes = 1;

struct Transfer {
    const DownloadJob* job = nullptr;
    CURL* curl = nullptr;
    std::FILE* file = nullptr;
    bool http = false;
    bool checked = false;  // status and type looked at
    bool rejected = false; // an error page rather than the file
    bool stopped = false;
    bool writeFailed = false;
    std::int64_t total = 0;
};

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// An HTTP reply is the file only with a success or redirect status and, when it names a type,
// an audio type: servers answer a missing file with an HTML page.
bool AcceptReply(Transfer& t) {
    if (t.checked)
        return !t.rejected;
    t.checked = true;
    if (!t.http)
        return true;
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    const char* type = nullptr;
    curl_easy_getinfo(t.curl, CURLINFO_CONTENT_TYPE, &type);
    const bool statusOk = status >= 200 && status <= 399;
    const bool typeOk = type == nullptr || *type == '\0' || std::strstr(type, "audio") != nullptr;
    t.rejected = !statusOk || !typeOk;
    return !t.rejected;
}

bool Stopping(const Transfer& t) {
    return t.job->stopping && t.job->stopping();
}

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (!AcceptReply(t))
        return 0;
    if (Stopping(t)) {
        t.stopped = true;
        return 0;
    }
    if (std::fwrite(data, 1, bytes, t.file) != bytes) {
        t.writeFailed = true;
        return 0;
    }
    t.total += static_cast<std::int64_t>(bytes);
    if (t.job->progress) {
        const std::int64_t whole = t.job->recordSize;
        const double fraction =
            whole > 0 ? std::min(1.0, static_cast<double>(t.total) / static_cast<double>(whole))
                      : 0.0;
        t.job->progress(t.total, fraction);
    }
    return bytes;
}

// Called at least once a second even while nothing arrives, so a stop is seen promptly.
int OnTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(user);
    if (Stopping(t)) {
        t.stopped = true;
        return 1;
    }
    return 0;
}

int ResultOf(Transfer& t, CURLcode rc) {
    if (t.stopped)
        return kDownloadStopped;
    if (t.writeFailed)
        return kDownloadNoTempFile;
    if (t.rejected)
        return kDownloadNotFound;
    switch (rc) {
    case CURLE_OK: {
        if (!AcceptReply(t))
            return kDownloadNotFound;
        curl_off_t announced = -1;
        curl_easy_getinfo(t.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        const std::int64_t expected = announced >= 0 ? announced : t.job->recordSize;
        return t.total < expected ? kDownloadIncomplete : 0;
    }
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_TOO_MANY_REDIRECTS:
        return kDownloadNotFound;
    case CURLE_WRITE_ERROR:
        return kDownloadNoTempFile;
    default:
        // Nothing arrived: the host was never reached or refused us; else the data broke off.
        return t.total == 0 ? kDownloadNoConnection : kDownloadIncomplete;
    }
}

} // namespace

void DownloadStartup() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

const char* DownloadErrorText(int code) {
    for (const CodeText& entry : kDownloadTexts)
        if (entry.code == code)
            return entry.text;
    return nullptr;
}

int DownloadChunkSize(std::int64_t expectedSize) {
    return static_cast<int>(std::clamp<std::int64_t>(expectedSize / 10, 1024, 8160));
}

int DownloadFile(const DownloadJob& job) {
    // The URLs come from the server: nothing but plain HTTP and FTP is fetched.
    const bool http = StartsWithNoCase(job.url, "http://");
    if (!http && !StartsWithNoCase(job.url, "ftp://"))
        return kDownloadNotFound;
    DownloadStartup();

    Transfer t;
    t.job = &job;
    t.http = http;
    t.file = std::fopen(job.localPath.c_str(), "wb");
    if (t.file == nullptr)
        return kDownloadNoTempFile;
    t.curl = curl_easy_init();
    if (t.curl == nullptr) {
        std::fclose(t.file);
        unlink(job.localPath.c_str());
        return kDownloadNoConnection;
    }
    CURL* c = t.curl;
    curl_easy_setopt(c, CURLOPT_URL, job.url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,ftp");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,ftp");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "");
    if (!http) {
        // Anonymous login: any mail-like password is accepted.
        curl_easy_setopt(c, CURLOPT_USERNAME, "anonymous");
        curl_easy_setopt(c, CURLOPT_PASSWORD, "tambrel@");
    }
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(job.timeouts.connectMs));
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                     std::max(1L, static_cast<long>(job.timeouts.receiveMs / 1000)));
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(DownloadChunkSize(job.recordSize)));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, OnTick);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);

    const CURLcode rc = curl_easy_perform(c);
    int result = ResultOf(t, rc);
    if (std::fclose(t.file) != 0 && result == 0)
        result = kDownloadNoTempFile;
    curl_easy_cleanup(c);
    if (result != 0)
        unlink(job.localPath.c_str());
    return result;
}
