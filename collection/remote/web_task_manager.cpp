#include "collection/remote/web_task_manager.h"

#include "collection/audio_file_util.h"
#include "collection/remote/web_download.h"
#include "collection/remote/web_server_name.h"
#include "collection/remote/web_task_windows.h"
#include "collection/remote/web_tasks.h"
#include "collection/search_criteria.h"
#include "collection/sound_file.h"
#include "platform/socket_errors.h"

#include <cmath>
#include <unistd.h>

const char* const kNoInternetText = "Unable to proceed because there is no\nconnection to the "
                                    "Internet. \n\nPlease connect to the Internet and try again.";
const char* const kWebServerDisplayName = "WebTambrel server";

WebTaskManager theWebTaskManager;

namespace {

// Download ids are unique in the process, whichever manager hands them out.
int nextDownloadId = 1;

constexpr int kQueryMaxResults = 200;
const char kProgressText[] = "Downloading from Web:";

// Takes the task's owner out of the list; null when the list does not hold it.
template <class Task>
std::unique_ptr<Task> TakeOut(std::vector<std::unique_ptr<Task>>& list, const WebTaskObj* task) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->get() == task) {
            std::unique_ptr<Task> owned = std::move(*it);
            list.erase(it);
            return owned;
        }
    }
    return nullptr;
}

} // namespace

template <class Task> void WebTaskManager::ReapFinished(std::vector<std::unique_ptr<Task>>& list) {
    for (std::size_t i = 0; i < list.size();) {
        Task& t = *list[i];
        if (t.finished_ && t.stopDepth_ == 0 && !t.IsRunning()) {
            std::unique_ptr<Task> owned = std::move(list[i]);
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

WebTaskManager::~WebTaskManager() {
    Shutdown();
}

bool WebTaskManager::ResolveServer(std::string* errorText) {
    if (resolved_)
        return true;
    WebServerName name;
    if (!ConfiguredWebServer(&name, errorText))
        return false;
    std::uint32_t ipv4 = 0;
    if (ResolveIPv4(name.host, &ipv4) != 0) {
        *errorText = kNoInternetText;
        return false;
    }
    server_ = {ipv4, name.port};
    resolved_ = true;
    return true;
}

WebQueryTaskObj* WebTaskManager::StartQuery(const SearchCriteria& criteria,
                                            std::string* errorText) {
    Reap();
    if (!ResolveServer(errorText))
        return nullptr;
    auto task = std::make_unique<WebQueryTaskObj>(this);
    task->notice.queryId = ++queryCounter_;
    task->notice.server = server_;
    task->notice.timeouts = timeouts_;
    task->criteria.CopyFrom(criteria);
    task->criteria.maxResults = kQueryMaxResults;
    WebQueryTaskObj* started = task.get();
    queries_.push_back(std::move(task));
    started->Start();
    return started;
}

int WebTaskManager::StartDownload(const SoundFileObj& record, std::string* localPath,
                                  std::intptr_t callerValue) {
    Reap();
    for (const auto& d : downloads_) {
        if (d->completed && !d->IsRunning() && d->notice.url == record.path &&
            access(d->notice.localPath.c_str(), F_OK) == 0) {
            *localPath = d->notice.localPath;
            return -1;
        }
    }
    auto task = std::make_unique<WebDownloadTaskObj>(this);
    task->downloadId = nextDownloadId++;
    task->fileId = record.fileId;
    task->record = record;
    task->callerValue = callerValue;
    // The URL is kept whole: cut, it would name another file.
    task->notice.url = record.path;
    task->notice.localPath = AudioFileUtil::TempFileName(record.format);
    task->notice.timeouts = timeouts_;
    *localPath = task->notice.localPath;
    WebDownloadTaskObj* started = task.get();
    downloads_.push_back(std::move(task));
    started->Start();
    return started->downloadId;
}

int WebTaskManager::FindDownloaded(const SoundFileObj& record, std::string* localPath) const {
    int found = 0;
    for (const auto& d : downloads_) {
        if (d->notice.url != record.path)
            continue;
        if (d->completed && !d->IsRunning()) {
            *localPath = d->notice.localPath;
            return 1;
        }
        if (!d->finished_)
            found = 2;
    }
    return found;
}

void WebTaskManager::CancelDownload(int downloadId) {
    for (const auto& d : downloads_)
        if (d->downloadId == downloadId && d->IsRunning())
            d->cancel = true;
}

void WebTaskManager::Shutdown() {
    // Out of the lists first: stopping dispatches notices, whose handling must find no task
    // to delete here.
    auto downloads = std::move(downloads_);
    auto queries = std::move(queries_);
    downloads_.clear();
    queries_.clear();
    for (auto& d : downloads) {
        d->Stop(true);
        if (!d->notice.localPath.empty())
            unlink(d->notice.localPath.c_str());
        d.reset();
    }
    for (auto& q : queries) {
        q->WebTaskObj::Stop(true);
        q.reset();
    }
}

WebSearchBox* WebTaskManager::FindSearchBox(int queryId) const {
    WebSearchBox* found = nullptr;
    if (windows_ != nullptr && queryId >= 0)
        for (WebSearchBox* box : windows_->SearchBoxes())
            if (box->WebQueryId() == queryId)
                found = box;
    return found;
}

std::string WebTaskManager::FailureText(const WebTaskObj& task, int errorCode) const {
    if (const char* text = DownloadErrorText(errorCode))
        return text;
    // Downloads fail with their own codes; a socket error number comes from a query.
    return FormatSocketError(task.downloadId < 0 ? kWebServerDisplayName : "Host", errorCode);
}

void WebTaskManager::DispatchNotice(WebTaskObj* task, const WebNoticeData& notice) {
    std::vector<WebDownloadList*> lists;
    std::vector<WebDownloadEditor*> editors;
    if (windows_ != nullptr && task->downloadId >= 0) {
        for (WebDownloadList* list : windows_->ResultLists())
            if (list->DownloadId() == task->downloadId)
                lists.push_back(list);
        for (WebDownloadEditor* editor : windows_->Editors())
            if (editor->DownloadId() == task->downloadId)
                editors.push_back(editor);
    }
    const std::string& url = task->notice.url;
    const std::string& path = task->notice.localPath;

    switch (notice.code) {
    case kNoticeQueryRows: {
        task->reported_ = true;
        if (WebSearchBox* box = FindSearchBox(task->notice.queryId)) {
            if (notice.rows.empty())
                box->EndWebSearch("");
            for (const WebResultRow& row : notice.rows) {
                SoundFileObj record;
                record.FromWebRow(row);
                SoundVariantObj variant;
                variant.FromWebRow(row);
                box->AddWebRow(record, variant, row.score);
            }
        }
        Retire(task, false);
        break;
    }
    case kNoticeDownloadProgress: {
        const int percent = static_cast<int>(std::lround(notice.progress * 100.0));
        for (WebDownloadEditor* editor : editors)
            editor->ShowProgress(kProgressText, percent);
        for (WebDownloadList* list : lists)
            list->ShowDownloadProgress(kProgressText, url, percent);
        break;
    }
    case kNoticeDownloadComplete: {
        task->reported_ = true;
        auto* download = static_cast<WebDownloadTaskObj*>(task);
        download->completed = true;
        for (WebDownloadEditor* editor : editors)
            editor->OnDownloadComplete(path, "");
        for (WebDownloadList* list : lists)
            list->OnDownloadDone(url, path, "", download->callerValue);
        // Kept, so that its file serves the next preview of the same sound.
        task->Stop(true);
        break;
    }
    case kNoticeFailed: {
        task->reported_ = true;
        const std::string text = FailureText(*task, notice.errorCode);
        if (task->downloadId < 0) {
            if (WebSearchBox* box = FindSearchBox(task->notice.queryId))
                box->EndWebSearch(text);
        } else {
            for (WebDownloadEditor* editor : editors)
                editor->OnDownloadComplete(path, text);
            for (WebDownloadList* list : lists)
                list->OnDownloadDone(url, path, text, 0);
        }
        Retire(task, task->downloadId >= 0);
        break;
    }
    default:
        break;
    }
}

void WebTaskManager::Retire(WebTaskObj* task, bool deleteFile) {
    if (deleteFile && !task->notice.localPath.empty())
        unlink(task->notice.localPath.c_str());
    task->Stop(true);
    task->finished_ = true;
    if (task->stopDepth_ > 0)
        return; // a Stop of this task is further up the stack: Reap deletes it later
    std::unique_ptr<WebTaskObj> owned = TakeOut(queries_, task);
    if (!owned)
        owned = TakeOut(downloads_, task);
    owned.reset();
}

void WebTaskManager::Reap() {
    ReapFinished(queries_);
    ReapFinished(downloads_);
}
