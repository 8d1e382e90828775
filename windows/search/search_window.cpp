#include "windows/search/search_window.h"

#include <QCloseEvent>
#include <QIcon>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <algorithm>

#include "app/app_util.h"
#include "app/frame_placement.h"
#include "app/resources.h"
#include "app/settings.h"
#include "windows/search/advanced_search_view.h"
#include "windows/search/search_box.h"
#include "windows/search/search_results_pane.h"
#include "windows/search/search_view.h"

QRect SearchFrm::Placement(const QRect& workArea, int n) {
    const int right = workArea.x() + workArea.width();
    const int width = static_cast<int>(0.9 * workArea.width());
    const int height = static_cast<int>(0.67 * workArea.height());
    // Many windows would push the cascade off the left edge: it stops there.
    const int left = std::max(workArea.x(), right - 24 * n - width);
    const int top = workArea.y() + 24 * n;
    return {left, top, width, height};
}

SearchFrm::SearchFrm(bool similar, int cascadeIndex,
                     const std::function<SearchResultsPane*(QWidget*, QWidget*)>& pane)
    : QWidget(nullptr, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(similar ? "SimilarSearchFrame" : "TextSearchFrame");
    AppUtil::TakeClosesWhileBusy(this);
    setWindowTitle(similar ? "Find Similar Sounds" : "Text Search");
    setWindowIcon(QIcon(ResourceIcon(similar ? kSimilarSearchIcon : kTextSearchIcon)));
    QRect work(0, 0, 1024, 768);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        work = screen->availableGeometry();
    PlaceFrame(*this, Placement(work, cascadeIndex), work);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName("SearchSplitter");
    splitter_->setChildrenCollapsible(false);
    form_ = new SearchView(splitter_);
    pane_ = pane(splitter_, this);
    splitter_->addWidget(form_);
    splitter_->addWidget(pane_->Widget());
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    const int formWidth = DialogUnits::ForFont(font()).X(172);
    splitter_->setSizes({formWidth, std::max(1, width() - formWidth)});
    // The results pages' status boxes come and go with the window's tip.
    tipAnchor_.alsoFollow = [this](bool shown) { pane_->ShowStatusBoxes(shown); };
}

SearchFrm::~SearchFrm() {
    // The pane's children go after this: nothing of theirs reaches a box through it.
    box_ = nullptr;
    tip_.DestroyPopup();
}

void SearchFrm::BindBox(SearchBoxObj* box, ResultsListLink* local, ResultsListLink* web) {
    box_ = box;
    localList_ = local;
    webList_ = web;
    form_->LayoutForMode(box);
    pane_->BindLists(local, web, box != nullptr && box->IsSimilar());
    // The window stops shrinking where the form shows whole beside a few words of results.
    QWidget* results = pane_->Widget();
    results->setMinimumWidth(
        std::max(DialogUnits::ForFont(font()).X(60), results->minimumSizeHint().width()));
    setMinimumSize(form_->minimumWidth() + splitter_->handleWidth() + results->minimumWidth(),
                   std::max(form_->minimumHeight(), results->minimumSizeHint().height()));
}

void SearchFrm::SaveFormSettings() {
    form_->UpdateData(true);
    WriteProfileInt("SearchLocal", form_->SearchLocal);
    WriteProfileInt("SearchWeb", form_->SearchWeb);
    pane_->Close();
}

void SearchFrm::SetTip(int stringId) {
    if (stringId != 0)
        tip_.SetText(ResourceString(stringId), this, this, nullptr);
    else
        tip_.Clear();
    AppUtil::PumpMessages(this);
}

void SearchFrm::SetTip(const TipEntry* table, int count) {
    if (table != nullptr && count > 0)
        tip_.SetEntries(table, count, this, this, nullptr);
    else
        tip_.Clear();
    AppUtil::PumpMessages(this);
}

void SearchFrm::closeEvent(QCloseEvent* event) {
    if (SearchBoxObj* box = box_) {
        box->Close(false);
        // A search under way keeps its window until it has returned.
        if (box->IsSearching()) {
            event->ignore();
            return;
        }
    }
    tip_.DestroyPopup();
    pane_->ShowStatusBoxes(false);
    event->accept();
}

void SearchFrm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    tipAnchor_.Follow(event->type());
}

void SearchFrm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    splitter_->setGeometry(rect());
    tipAnchor_.Follow(event->type());
}

void SearchFrm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    tipAnchor_.Follow(event->type());
}
