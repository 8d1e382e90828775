#pragma once
// The windows that the remote tasks report to, as the tasks see them. The search box, the
// result list and the editor box implement these; the controller, which keeps every open
// window in its lists, hands them out. Called on the user-interface thread only.

#include <cstdint>
#include <string>
#include <vector>

class SoundFileObj;
class SoundVariantObj;

// A search box waiting for a remote search.
class WebSearchBox {
public:
    virtual ~WebSearchBox() = default;
    // The query id of the remote search the box started last; -1 when it started none.
    virtual int WebQueryId() const = 0;
    virtual void AddWebRow(const SoundFileObj& record, const SoundVariantObj& variant,
                           int score) = 0;
    virtual void EndWebSearch(const std::string& errorText) = 0;
};

// A result list that previews a remote sound once it is downloaded.
class WebDownloadList {
public:
    virtual ~WebDownloadList() = default;
    // The download this list waits for; -1 when none.
    virtual int DownloadId() const = 0;
    virtual void ShowDownloadProgress(const std::string& text, const std::string& url,
                                      int percent) = 0;
    // `callerValue` is the value the list gave when it started the download (0 on failure).
    virtual void OnDownloadDone(const std::string& url, const std::string& localPath,
                                const std::string& errorText, std::intptr_t callerValue) = 0;
};

// An editor box that opens a remote sound once it is downloaded.
class WebDownloadEditor {
public:
    virtual ~WebDownloadEditor() = default;
    virtual int DownloadId() const = 0;
    virtual void ShowProgress(const std::string& text, int percent) = 0;
    virtual void OnDownloadComplete(const std::string& path, const std::string& errorText) = 0;
};

// Every open window that may wait for a remote task, in the controller's order.
class WebTaskWindows {
public:
    virtual ~WebTaskWindows() = default;
    virtual std::vector<WebSearchBox*> SearchBoxes() = 0;
    // The result lists of every search box.
    virtual std::vector<WebDownloadList*> ResultLists() = 0;
    virtual std::vector<WebDownloadEditor*> Editors() = 0;
};
