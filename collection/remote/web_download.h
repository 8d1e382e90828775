#pragma once
// Fetches one remote sound file over HTTP/1.0 or anonymous passive FTP into a local file.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/tcp_socket.h"

enum WebDownloadCode {
    kDownloadNoConnection = -1,
    kDownloadNoTempFile = -2,
    kDownloadIncomplete = -3,
    kDownloadStopped = -4,
    kDownloadNotFound = -5,
    kDownloadCannotLoad = -6,
};

// Sets the download library up for the process; DownloadFile does it too when nobody has.
void DownloadStartup();

// The text shown for a download code; null for any other number.
const char* DownloadErrorText(int code);

// A tenth of the expected size, within 1,024 to 8,160 bytes.
int DownloadChunkSize(std::int64_t expectedSize);

struct DownloadJob {
    std::string url;
    std::string localPath;
    // The size the catalog gives for the file: what progress is measured against.
    std::int64_t recordSize = 0;
    NetTimeouts timeouts;
    // Polled during the transfer; true ends it with kDownloadStopped.
    std::function<bool()> stopping;
    // After each chunk written: the bytes so far and their share of the record's size.
    std::function<void(std::int64_t total, double fraction)> progress;
};

// 0 when the whole file arrived, else a download code. Only http:// and ftp:// URLs are
// fetched; an HTTP status of 400 or more, or a reply whose type names no audio, is "not
// found". On any failure the local file is deleted.
int DownloadFile(const DownloadJob& job);
