#pragma once
// Starts the tasks that talk to the network and routes their notices to the windows that
// wait for them: a search box by its query id, result lists and editors by their download id.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/tcp_socket.h"

class SearchCriteria;
class SoundFileObj;
class WebDownloadTaskObj;
class WebQueryTaskObj;
class WebSearchBox;
class WebTaskObj;
class WebTaskWindows;
struct WebNoticeData;

// The text shown when the remote server cannot be found.
extern const char* const kNoInternetText;
// How the remote server is named in connection errors.
extern const char* const kWebServerDisplayName;

class WebTaskManager {
public:
    WebTaskManager() = default;
    ~WebTaskManager();
    WebTaskManager(const WebTaskManager&) = delete;
    WebTaskManager& operator=(const WebTaskManager&) = delete;

    // The open windows; null (the default) reaches none.
    void SetWindows(WebTaskWindows* windows) { windows_ = windows; }
    WebTaskWindows* Windows() const { return windows_; }
    void SetTimeouts(const NetTimeouts& timeouts) { timeouts_ = timeouts; }

    // Starts a remote search of the criteria (at most 200 hits). Null with the text for the
    // user when the server cannot be found. The manager keeps the task; the caller may hold
    // it until the task's final notice or its Stop.
    WebQueryTaskObj* StartQuery(const SearchCriteria& criteria, std::string* errorText);
    // Starts a download of a remote hit into a new temporary file, whose path goes into
    // *localPath, and gives its id. When a finished download of the same URL exists, its file
    // goes into *localPath and the result is -1.
    int StartDownload(const SoundFileObj& record, std::string* localPath,
                      std::intptr_t callerValue);
    // 0 never downloaded, 2 still downloading, 1 done (its file into *localPath).
    int FindDownloaded(const SoundFileObj& record, std::string* localPath) const;
    void CancelDownload(int downloadId);
    // Close-down: stops every task, deletes every downloaded file and every task.
    void Shutdown();

    // User-interface thread: one notice of a task, by its code.
    void DispatchNotice(WebTaskObj* task, const WebNoticeData& notice);
    // The last search box whose query id matches; null when none.
    WebSearchBox* FindSearchBox(int queryId) const;
    // The text of a failed task's error code.
    std::string FailureText(const WebTaskObj& task, int errorCode) const;

    // Tasks the manager holds, finished ones waiting for deletion included.
    std::size_t TaskCount() const { return queries_.size() + downloads_.size(); }

private:
    bool ResolveServer(std::string* errorText);
    // Stops the task with wait and deletes it, or leaves it to Reap while a Stop of its own
    // is under way further up the stack.
    void Retire(WebTaskObj* task, bool deleteFile);
    // Deletes the finished tasks that nobody is inside.
    void Reap();
    template <class Task> void ReapFinished(std::vector<std::unique_ptr<Task>>& list);

    NetAddress server_;
    bool resolved_ = false;
    int queryCounter_ = 0;
    std::vector<std::unique_ptr<WebDownloadTaskObj>> downloads_;
    std::vector<std::unique_ptr<WebQueryTaskObj>> queries_;
    WebTaskWindows* windows_ = nullptr;
    NetTimeouts timeouts_;
};

extern WebTaskManager theWebTaskManager;
