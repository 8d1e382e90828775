#pragma once
// The box behind one search window ("Text Search" or "Find Similar Sounds"): it owns the
// window's two result lists and runs both searches, the local one on this thread and the
// remote one as a task whose rows arrive later. User-interface thread only.

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "app/tip_wnd.h"
#include "app/tool_windows.h"
#include "audio/sound_signature.h"
#include "collection/remote/web_task_windows.h"

class QWidget;
class SearchCriteria;
class SearchFrm;
class SearchResultsPane;
class WebQueryTaskObj;
class WebTaskManager;

// What a search box needs of the rest of the program; the program's own goes to
// theController and theWebTaskManager.
class SearchBoxHost {
public:
    virtual ~SearchBoxHost() = default;
    // How many search boxes the program holds already (the cascade of new windows).
    virtual int SearchBoxCount() const = 0;
    virtual void StopPreview() = 0;
    // Takes the box out of the program's list and deletes it later.
    virtual void CloseSearchWindow(SearchBoxLink* box) = 0;
    virtual WebTaskManager& WebTasks() = 0;
};

SearchBoxHost& ProgramSearchBoxHost();

// Makes the right pane of a search window as a child of parent; frame is the window.
using SearchPaneMaker = std::function<SearchResultsPane*(QWidget* parent, QWidget* frame)>;

class SearchBoxObj final : public SearchBoxLink, public WebSearchBox {
public:
    // "Text Search", with the keywords in its "Find:" box.
    SearchBoxObj(const std::string& keywords, SearchBoxHost& host, SearchPaneMaker pane = {});
    // "Find Similar Sounds" of the example's signature.
    SearchBoxObj(const SoundSignature& signature, SearchBoxHost& host, SearchPaneMaker pane = {});
    ~SearchBoxObj() override;
    SearchBoxObj(const SearchBoxObj&) = delete;
    SearchBoxObj& operator=(const SearchBoxObj&) = delete;

    // Checks the request, prepares the pages and starts the remote search, then runs the local
    // one. False (after a message box) when the request is refused.
    bool Search(SearchCriteria& criteria, bool local, bool web);
    void StartWebSearch(const SearchCriteria& criteria);
    void SearchLocal(const SearchCriteria& criteria);

    // --- WebSearchBox
    int WebQueryId() const override { return webQueryId_; }
    void AddWebRow(const SoundFileObj& record, const SoundVariantObj& variant,
                   int score) override;
    void EndWebSearch(const std::string& errorText) override;

    // --- SearchBoxLink
    bool Close(bool closeFrame) override;
    ResultsListLink* LocalList() override { return localList_.get(); }
    ResultsListLink* WebList() override { return webList_.get(); }
    void ActivateFrame() override;

    // The rows of a page came or went outside a search: its caption counts them again.
    void OnRowCountChanged(int page);

    bool IsSimilar() const { return similar_; }
    const SoundSignature& Signature() const { return signature_; }
    SearchFrm* Frame() const;
    SearchResultsPane* Pane() const;
    bool IsSearching() const { return searching_; }
    // A local search over within this many milliseconds lets no other event through: no one
    // clicks its status box that fast, and a pump costs a repaint of the window. Tests that act
    // during a search of their small catalogs set 0.
    static constexpr int kQuietSearchMs = 50;
    static void SetQuietSearchMs(int ms);
    bool WebSearchRunning() const { return webTask_ != nullptr; }

private:
    class WebStop : public TipClickListener {
    public:
        explicit WebStop(SearchBoxObj& box) : box_(box) {}
        void TipClicked() override;

    private:
        SearchBoxObj& box_;
    };

    void CreateWindows(const std::string& keywords, SearchPaneMaker pane);
    bool RunSearch(SearchCriteria& criteria, bool local, bool web);
    void Report(const std::string& text, const std::string& caption);
    void CloseNow(bool closeFrame);

    SearchBoxHost& host_;
    bool similar_;
    SoundSignature signature_{};
    WebQueryTaskObj* webTask_ = nullptr; // not owned
    int webQueryId_ = -1;
    QPointer<SearchFrm> frame_;
    std::unique_ptr<ResultsListLink> localList_;
    std::unique_ptr<ResultsListLink> webList_;
    WebStop webStop_{*this};
    bool searching_ = false;
    bool closeAfterSearch_ = false;
    bool closed_ = false;
};

// The box of a new search window of the running program (the tool-window factory's maker).
std::unique_ptr<SearchBoxLink> MakeSearchBox(bool similar, const std::string& keywords,
                                             const SoundSignature& signature);
