#pragma once
// The record through which a web task reports to the user-interface thread: one per task,
// inside it.

#include <functional>
#include <string>
#include <vector>

#include "collection/web_result_row.h"
#include "platform/tcp_socket.h"

class SearchCriteria;
class TaskObj;

enum TaskNoticeCode {
    kNoticeFailed = 1000,
    kNoticeQueryRows = 2201,
    kNoticeDownloadProgress = 2302,
    kNoticeDownloadComplete = 2303,
};

struct TaskNotice {
    // Posts the notice and waits until the user-interface thread has handled it; does nothing
    // while the task is stopping.
    std::function<void(TaskNotice&)> post;
    TaskObj* task = nullptr;
    int code = 0;
    // A frame error code, a download code (-1 to -6) or a socket error number.
    int errorCode = 0;
    NetAddress server;
    NetTimeouts timeouts;
    // Raised by a stop request, so that a blocked network call ends at once.
    const NetStopSignal* stop = nullptr;
    int queryId = -1;
    const SearchCriteria* criteria = nullptr;
    int rowCount = 0;
    std::vector<WebResultRow> rows;
    std::string url;
    std::string localPath;
    double progress = 0.0;
};
