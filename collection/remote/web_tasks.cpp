#include "collection/remote/web_tasks.h"

#include "collection/remote/remote_query.h"
#include "collection/remote/web_download.h"
#include "collection/remote/web_task_manager.h"
#include "collection/remote/web_task_windows.h"

WebTaskObj::WebTaskObj(WebTaskManager* manager) : manager_(manager) {
    notice.task = this;
    notice.criteria = &criteria;
    notice.stop = &stopSignal_;
    notice.post = [this](TaskNotice&) { PostWebNotice(true); };
}

WebTaskObj::~WebTaskObj() {
    // Notices handled while stopping below must not reach a half-destroyed task's windows.
    dying_ = true;
    WebTaskObj::Stop(true);
}

void WebTaskObj::Stop(bool wait) {
    ++stopDepth_;
    TaskObj::Stop(false);
    stopSignal_.Raise();
    if (wait)
        TaskObj::Stop(true);
    --stopDepth_;
}

void WebTaskObj::OnNotice(int, std::unique_ptr<NoticeData> data) {
    Acknowledge();
    auto* web = dynamic_cast<WebNoticeData*>(data.get());
    if (web != nullptr && !dying_)
        manager_->DispatchNotice(this, *web);
}

void WebTaskObj::PostWebNotice(bool wait) {
    if (IsStopRequested())
        return;
    auto data = std::make_unique<WebNoticeData>();
    data->code = notice.code;
    data->errorCode = notice.errorCode;
    data->progress = notice.progress;
    if (notice.code != kNoticeDownloadProgress) {
        data->rows = std::move(notice.rows);
        notice.rows.clear();
        notice.rowCount = 0;
    }
    PostNotice(notice.code, wait, std::move(data));
}

WebQueryTaskObj::~WebQueryTaskObj() {
    dying_ = true;
    WebTaskObj::Stop(true);
}

void WebQueryTaskObj::Stop(bool wait) {
    WebTaskObj::Stop(wait);
    // No notice comes after a stop: the manager deletes the task once its worker has ended.
    finished_ = true;
    if (!reported_) {
        reported_ = true;
        if (WebSearchBox* box = manager_->FindSearchBox(notice.queryId))
            box->EndWebSearch("");
    }
}

void WebQueryTaskObj::Run() {
    RunRemoteQuery(&notice);
}

WebDownloadTaskObj::~WebDownloadTaskObj() {
    dying_ = true;
    WebTaskObj::Stop(true);
}

void WebDownloadTaskObj::Run() {
    DownloadJob job;
    job.url = notice.url;
    job.localPath = notice.localPath;
    job.recordSize = record.size;
    job.timeouts = notice.timeouts;
    job.stopping = [this] { return IsStopRequested() || cancel.load(); };
    job.progress = [this](std::int64_t, double fraction) {
        notice.code = kNoticeDownloadProgress;
        notice.progress = fraction;
        PostWebNotice(false);
    };
    const int result = DownloadFile(job);
    notice.errorCode = result;
    notice.code = result == 0 ? kNoticeDownloadComplete : kNoticeFailed;
    notice.post(notice);
}
