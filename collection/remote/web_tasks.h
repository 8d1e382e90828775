#pragma once
// The tasks that talk to the network: one remote search, or one download of a remote sound.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "collection/remote/task_notice.h"
#include "collection/search_criteria.h"
#include "collection/sound_file.h"
#include "collection/tasks/task_obj.h"
#include "collection/web_result_row.h"
#include "platform/tcp_socket.h"

class WebTaskManager;

// What one notice of a web task reports. The worker copies it out of the task's TaskNotice
// when it posts, so a progress notice still queued is never taken for the final one and the
// handler never reads what the worker is writing.
struct WebNoticeData : NoticeData {
    int code = 0;
    int errorCode = 0;
    double progress = 0.0;
    std::vector<WebResultRow> rows;
};

class WebTaskObj : public TaskObj {
public:
    explicit WebTaskObj(WebTaskManager* manager);
    ~WebTaskObj() override;

    // Also ends a blocked network call at once.
    void Stop(bool wait) override;

    SearchCriteria criteria;
    TaskNotice notice;
    int fileId = -1;
    int downloadId = -1;

protected:
    // Acknowledges first, then lets the manager route the notice to the windows.
    void OnNotice(int code, std::unique_ptr<NoticeData> data) override;
    // Worker thread: posts a copy of the notice (the final one takes the rows along); nothing
    // while the task is stopping.
    void PostWebNotice(bool wait);

    WebTaskManager* manager_;
    NetStopSignal stopSignal_;

    friend class WebTaskManager;
    // User-interface thread only.
    int stopDepth_ = 0;     // Stop calls under way: the task may not be deleted now
    bool reported_ = false; // its final notice has been handled
    bool finished_ = false; // nothing more will come: delete once ended and nobody is inside
    bool dying_ = false;
};

class WebQueryTaskObj : public WebTaskObj {
public:
    using WebTaskObj::WebTaskObj;
    ~WebQueryTaskObj() override;
    // A search stopped before its reply was handled ends its search box's remote search.
    void Stop(bool wait) override;

protected:
    void Run() override;
};

class WebDownloadTaskObj : public WebTaskObj {
public:
    using WebTaskObj::WebTaskObj;
    ~WebDownloadTaskObj() override;

    SoundFileObj record;
    std::atomic<bool> cancel{false};
    std::intptr_t callerValue = 0;
    bool completed = false; // user-interface thread: the file arrived whole

protected:
    void Run() override;
};
