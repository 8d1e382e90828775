#include "windows/results/table_and_cards.h"

#include "windows/results/results_list.h"
#include "windows/results/result_cards.h"
#include "windows/results/results_table.h"

StackedPresentationMaker& StackedPresentationFactory() {
    static StackedPresentationMaker maker = [](QWidget* parent) {
        return std::unique_ptr<ResultsPresentation>(new StackedResultsWnd(parent));
    };
    return maker;
}

ResultsWnd::ResultsWnd(QWidget* parent, TabularResultsServices* services) : QWidget(parent) {
    // Both presentations exist from the start, hidden, at the client size.
    tabular_ = new TabularResultsWnd(this, services);
    tabular_->hide();
    tabular_->setGeometry(rect());
    stacked_ = StackedPresentationFactory()(this);
    stacked_->Widget()->hide();
    stacked_->Widget()->setGeometry(rect());
}

ResultsWnd::~ResultsWnd() {
    if (list_ != nullptr && list_->Window() == this)
        list_->SetWindow(nullptr);
    // The cards go first: they may hold on to the table's list while being torn down.
    stacked_.reset();
}

void ResultsWnd::Attach(ResultsListObj* list, unsigned hiddenMask) {
    if (list_ != nullptr)
        Detach();
    list_ = list;
    mask_ = hiddenMask;
    if (list_ != nullptr)
        list_->SetWindow(this);
    tabular_->Attach(list, hiddenMask);
    stacked_->Attach(list, hiddenMask);
    // Rows the list already holds show at once.
    if (list_ != nullptr && list_->Count() > 0)
        Refresh();
}

void ResultsWnd::Detach() {
    stackedStale_ = false;
    stalePlayStates_.clear();
    staleProgress_.clear();
    tabular_->Detach();
    stacked_->Detach();
    if (list_ != nullptr && list_->Window() == this)
        list_->SetWindow(nullptr);
    list_ = nullptr;
}

void ResultsWnd::Reattach() {
    // The rows shown stay until the list is emptied for the new search.
    stalePlayStates_.clear();
    staleProgress_.clear();
    tabular_->Reattach();
}

void ResultsWnd::ShowTabular() {
    tabularShown_ = true;
    stacked_->Widget()->hide();
    tabular_->resize(size());
    tabular_->show();
}

void ResultsWnd::ShowStacked() {
    tabularShown_ = false;
    tabular_->hide();
    if (stackedStale_) {
        stackedStale_ = false;
        stacked_->Refresh();
        for (const auto& [row, state] : stalePlayStates_)
            stacked_->SetRowPlayState(row, state.first, state.second);
        for (const auto& [url, progress] : staleProgress_)
            stacked_->ShowRowProgress(progress.first, url, progress.second);
    }
    stalePlayStates_.clear();
    staleProgress_.clear();
    stacked_->Widget()->resize(size());
    stacked_->Widget()->show();
}

void ResultsWnd::FocusActivePresentation() {
    ActivePresentation()->setFocus(Qt::OtherFocusReason);
}

QWidget* ResultsWnd::ActivePresentation() {
    return tabularShown_ ? static_cast<QWidget*>(tabular_->Columns()) : stacked_->Widget();
}

void ResultsWnd::InsertRow(const SoundFileObj& file, const SoundVariantObj& variant, bool show) {
    const int score = list_ != nullptr && list_->Count() > 0 ? list_->Entry(list_->Count() - 1).score : 0;
    tabular_->InsertRow(file, variant, score);
    if (!stackedStale_)
        stacked_->InsertRow(file, variant, score);
}

bool ResultsWnd::StackedDeferred() const {
    return tabularShown_ && tabular_->isVisibleTo(this) && !stacked_->Widget()->isVisibleTo(this);
}

void ResultsWnd::Refresh() {
    tabular_->Refresh();
    if (StackedDeferred()) {
        // Cards of rows that may be gone are dropped now; the rest waits for ShowStacked.
        stacked_->Clear();
        stackedStale_ = true;
        stalePlayStates_.clear();
        return;
    }
    stackedStale_ = false;
    stacked_->Refresh();
}

void ResultsWnd::Clear() {
    tabular_->Clear();
    stacked_->Clear();
    stackedStale_ = list_ != nullptr && list_->Count() > 0;
    stalePlayStates_.clear();
}

void ResultsWnd::EnsureRowVisible(int row) {
    tabular_->EnsureRowVisible(row);
    if (!stackedStale_)
        stacked_->EnsureRowVisible(row);
}

void ResultsWnd::RedrawRow(int row) {
    tabular_->RedrawRow(row);
    if (!stackedStale_)
        stacked_->RedrawRow(row);
}

void ResultsWnd::SetRowPlayState(int row, bool playing, bool looping) {
    tabular_->SetRowPlayState(row, playing, looping);
    if (stackedStale_)
        stalePlayStates_[row] = {playing, looping};
    else
        stacked_->SetRowPlayState(row, playing, looping);
}

void ResultsWnd::ShowRowProgress(const std::string& text, const std::string& url, int percent) {
    tabular_->ShowRowProgress(text, url, percent);
    if (stackedStale_)
        staleProgress_[url] = {text, percent};
    else
        stacked_->ShowRowProgress(text, url, percent);
}

QWidget* ResultsWnd::Frame() {
    return window();
}

void ResultsWnd::resizeEvent(QResizeEvent*) {
    tabular_->setGeometry(rect());
    stacked_->Widget()->setGeometry(rect());
}
