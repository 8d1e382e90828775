#include "windows/search/search_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QComboBox>
#include <algorithm>

#include "app/app_util.h"
#include "app/resources.h"
#include "app/ui_seams.h"
#include "app/wait_cursor.h"
#include "collection/catalog_db.h"
#include "collection/db/words.h"
#include "collection/remote/web_task_manager.h"
#include "collection/remote/web_tasks.h"
#include "collection/search_criteria.h"
#include "collection/sound_file_list.h"
#include "windows/search/advanced_search_view.h"
#include "windows/search/search_window.h"
#include "windows/search/search_results_pane.h"
#include "windows/search/search_view.h"

namespace {

constexpr int kTextTip = 131;
constexpr int kSimilarTip = 132;
constexpr int kNoLocalHitsSeeWeb = 136;
constexpr int kNoWebHits = 137;
constexpr int kLocalSearching = 156;
constexpr int kWebSearching = 157;
constexpr int kLowestScore = 40;
// The status box hears the user twenty times a second of a local search: a pump per row cost
// more than reading the row, and each pump repaints what changed in the window.
constexpr qint64 kPumpEveryMs = 50;
qint64 quietSearchMs = SearchBoxObj::kQuietSearchMs;

// The kind numbers of the two lists.
constexpr int kLocalKind = 0;
constexpr int kWebKind = 1;

std::string HitsCaption(const char* collection, int hits) {
    return std::string(collection) + ": " + std::to_string(hits) + " hits";
}

} // namespace

SearchBoxObj::SearchBoxObj(const std::string& keywords, SearchBoxHost& host, SearchPaneMaker pane)
    : host_(host), similar_(false) {
    CreateWindows(keywords, std::move(pane));
}

SearchBoxObj::SearchBoxObj(const SoundSignature& signature, SearchBoxHost& host,
                           SearchPaneMaker pane)
    : host_(host), similar_(true), signature_(signature) {
    CreateWindows({}, std::move(pane));
}

SearchBoxObj::~SearchBoxObj() {
    if (SearchFrm* frame = frame_.data()) {
        // The pages let go of the lists before the lists go.
        frame->Pane()->Close();
        frame->ForgetBox();
        frame->hide();
        frame->deleteLater();
    }
    localList_.reset();
    webList_.reset();
}

void SearchBoxObj::CreateWindows(const std::string& keywords, SearchPaneMaker pane) {
    SearchCriteria defaults;
    if (!pane)
        pane = [](QWidget* parent, QWidget*) { return NewSearchResultsPane(parent); };
    auto* frame = new SearchFrm(similar_, host_.SearchBoxCount(), pane);
    frame_ = frame;
    frame->show();
    SearchResultsPane* results = frame->Pane();
    localList_ = results->MakeList(kLocalKind);
    webList_ = results->MakeList(kWebKind);
    frame->BindBox(this, localList_.get(), webList_.get());
    // The pane may outlive the box (its frame is deleted later): it reaches the box through
    // the frame, which lets go of it first.
    results->WatchRowCounts([frame](int page) {
        if (SearchBoxObj* box = frame->Box())
            box->OnRowCountChanged(page);
    });
    SearchView* form = frame->Form();
    form->Advanced()->SetCriteria(defaults);
    if (similar_)
        form->AllVariations = 0;
    else
        form->NormalPitchOnly = 0;
    form->UpdateData(false);
    if (!similar_)
        form->ComboBox(SearchView::kKeywordsId)->setCurrentText(QString::fromStdString(keywords));
    frame->SetTip(similar_ ? kSimilarTip : kTextTip);
    if (frame_ && !similar_)
        form->ComboBox(SearchView::kKeywordsId)->setFocus();
}

void SearchBoxObj::SetQuietSearchMs(int ms) {
    quietSearchMs = std::max(0, ms);
}

SearchResultsPane* SearchBoxObj::Pane() const {
    return frame_ ? frame_->Pane() : nullptr;
}

void SearchBoxObj::ActivateFrame() {
    if (SearchFrm* frame = frame_.data()) {
        if (frame->isMinimized())
            frame->showNormal();
        frame->raise();
        frame->activateWindow();
    }
}

void SearchBoxObj::Report(const std::string& text, const std::string& caption) {
    ShowMessageBox(frame_.data(), text, caption, MessageButtons::Ok, MessageIcon::Exclamation);
}

bool SearchBoxObj::Search(SearchCriteria& criteria, bool local, bool web) {
    // One search at a time: a second start while one runs (its pumps let timers and the
    // status box through) is refused.
    if (searching_ || closed_ || !frame_)
        return false;
    searching_ = true;
    const bool started = RunSearch(criteria, local, web);
    searching_ = false;
    if (closeAfterSearch_) {
        CloseNow(true);
        return false;
    }
    return started && frame_;
}

bool SearchBoxObj::RunSearch(SearchCriteria& criteria, bool local, bool web) {
    frame_->SetTip(0);
    if (!frame_ || closeAfterSearch_)
        return false;
    std::string errorText;
    if (!local && !web) {
        errorText = "Please select MyTambrel, WebTambrel, or both";
    } else if (similar_) {
        if (!criteria.targetSignature)
            criteria.SetTargetSignature(signature_);
        else
            *criteria.targetSignature = signature_;
        criteria.scoreMin = std::max(criteria.scoreMin, kLowestScore);
        criteria.scoreMax = std::max(criteria.scoreMax, kLowestScore);
        criteria.Validate(errorText);
    } else if (DB_has_words(frame_->Form()->KeywordText().c_str())) {
        criteria.Validate(errorText);
    } else {
        errorText = "Please enter one or more keywords to find";
    }
    if (!errorText.empty()) {
        Report(errorText, {});
        return false;
    }
    Pane()->PreparePages(local, web, criteria.ownPitchOnly == 0);
    if (!frame_ || closeAfterSearch_)
        return false;
    if (web)
        StartWebSearch(criteria);
    if (local)
        SearchLocal(criteria);
    return true;
}

void SearchBoxObj::StartWebSearch(const SearchCriteria& criteria) {
    SearchResultsPane* pane = Pane();
    webList_->ClearRows(true);
    std::string errorText;
    webTask_ = host_.WebTasks().StartQuery(criteria, &errorText);
    if (webTask_ != nullptr) {
        webQueryId_ = webTask_->notice.queryId;
        // Shown even with tips turned off: it is the only way to stop the search.
        pane->SetNotice(SearchResultsPane::kWebPage, ResourceString(kWebSearching), &webStop_);
    } else {
        pane->SetNotice(SearchResultsPane::kWebPage, errorText, nullptr);
    }
}

void SearchBoxObj::WebStop::TipClicked() {
    SearchFrm* frame = box_.Frame();
    if (box_.webTask_ == nullptr || frame == nullptr)
        return;
    // The status box empties itself once this returns; the end of the search is shown in it
    // after that.
    SearchBoxObj* box = &box_;
    QTimer::singleShot(0, frame, [frame, box] {
        if (frame->Box() != box)
            return;
        if (WebQueryTaskObj* task = box->webTask_) {
            box->webTask_ = nullptr;
            // The box hears of the end through EndWebSearch.
            task->Stop(false);
        }
    });
}

void SearchBoxObj::SearchLocal(const SearchCriteria& criteria) {
    WaitCursor wait;
    const bool wasSearching = searching_;
    searching_ = true;
    QPointer<SearchFrm> frame = frame_;
    SearchResultsPane* pane = Pane();
    const bool watch = pane->GetCurrentPage() == SearchResultsPane::kLocalPage;
    localList_->ClearRows(true);
    TipWnd& status = pane->StatusBox(SearchResultsPane::kLocalPage);
    // The status box says "Searching" from the first pump on, the first time it can be seen
    // and clicked: a search over before that makes no window for it.
    bool statusSet = false;

    // The first pump comes once the search has run a while, then every kPumpEveryMs.
    QElapsedTimer sincePump;
    sincePump.start();
    qint64 pumpAfterMs = quietSearchMs;
    int hits = 0;
    int taken = 0;
    std::unique_ptr<DB_query_result> result =
        theCatalogDb != nullptr ? theCatalogDb->RunQuery(criteria, hits) : nullptr;
    // The hits' rows are read a batch at a time: a few statements per batch instead of two
    // per hit.
    constexpr int kBatch = 50;
    std::vector<FetchedRow> rows;
    bool stopped = false;
    for (int first = 0; result && first < hits && !stopped; first += kBatch) {
        if (!theCatalogDb->FetchRows(*result, first, kBatch, rows))
            break;
        for (FetchedRow& row : rows) {
            if ((watch && statusSet && !status.HasContent()) || closeAfterSearch_ || !frame) {
                stopped = true; // the user clicked the status box, or closed the window
                break;
            }
            localList_->InsertRow(row.file, row.variant, row.score, 0, false, false);
            ++taken;
            if (sincePump.elapsed() < pumpAfterMs)
                continue;
            if (!statusSet) {
                pane->SetStatus(SearchResultsPane::kLocalPage, ResourceString(kLocalSearching),
                                nullptr);
                statusSet = true;
            }
            if (QWidget* window = status.Window())
                AppUtil::PumpMessages(window);
            sincePump.start();
            pumpAfterMs = kPumpEveryMs;
        }
    }
    CatalogDbObj::FreeQueryResult(result);
    searching_ = wasSearching;

    if (frame && !closeAfterSearch_) {
        localList_->Refresh(-1);
        pane->SetPageCaption(SearchResultsPane::kLocalPage, HitsCaption("MyTambrel", taken));
        if (taken > 0)
            pane->SetStatus(SearchResultsPane::kLocalPage, {}, nullptr);
        else if (frame->Form()->CheckBox(SearchView::kWebId)->isChecked())
            pane->SetStatus(SearchResultsPane::kLocalPage, ResourceString(kNoLocalHitsSeeWeb),
                            nullptr);
        else
            pane->SetStatus(SearchResultsPane::kLocalPage, "No hits in MyTambrel.", nullptr);
    }
    if (closeAfterSearch_ && !searching_)
        CloseNow(true);
}

void SearchBoxObj::OnRowCountChanged(int page) {
    // A search captions its pages when it ends; rows that go or come after that (a removal
    // from MyTambrel) keep the caption's count with them.
    SearchResultsPane* pane = Pane();
    if (searching_ || closed_ || pane == nullptr)
        return;
    if (page == SearchResultsPane::kLocalPage)
        pane->SetPageCaption(page, HitsCaption("MyTambrel", localList_->Rows().Count()));
    else if (page == SearchResultsPane::kWebPage)
        pane->SetPageCaption(page, HitsCaption("WebTambrel", webList_->Rows().Count()));
}

void SearchBoxObj::AddWebRow(const SoundFileObj& record, const SoundVariantObj& variant,
                             int score) {
    webTask_ = nullptr;
    SearchResultsPane* pane = Pane();
    if (pane == nullptr || closed_)
        return;
    webList_->InsertRow(record, variant, score, 0, true, false);
    pane->SetPageCaption(SearchResultsPane::kWebPage,
                         HitsCaption("WebTambrel", webList_->Rows().Count()));
    if (webList_->Rows().Count() == 1)
        pane->SetStatus(SearchResultsPane::kWebPage, {}, nullptr);
}

void SearchBoxObj::EndWebSearch(const std::string& errorText) {
    webTask_ = nullptr;
    SearchResultsPane* pane = Pane();
    if (pane == nullptr || closed_)
        return;
    pane->SetPageCaption(SearchResultsPane::kWebPage, HitsCaption("WebTambrel", 0));
    if (errorText.empty())
        pane->SetStatus(SearchResultsPane::kWebPage, ResourceString(kNoWebHits), nullptr);
    else // why the page stays empty, where the user looks for the hits, tips or not
        pane->SetNotice(SearchResultsPane::kWebPage, errorText, nullptr);
}

bool SearchBoxObj::Close(bool closeFrame) {
    if (closed_)
        return true;
    if (searching_) {
        // The local loop is on the stack: it ends at its next row and closes then.
        // The frame refused its own close meanwhile, so it is closed from here either way.
        closeAfterSearch_ = true;
        return true;
    }
    CloseNow(closeFrame);
    return true;
}

void SearchBoxObj::CloseNow(bool closeFrame) {
    closed_ = true;
    closeAfterSearch_ = false;
    host_.StopPreview();
    if (SearchFrm* frame = frame_.data()) {
        frame->SaveFormSettings();
        if (closeFrame) {
            frame->ForgetBox();
            frame->close();
        }
    }
    // A remote search still running is not stopped: its late notices find no box.
    webTask_ = nullptr;
    host_.CloseSearchWindow(this);
}

SearchFrm* SearchBoxObj::Frame() const {
    return frame_.data();
}
