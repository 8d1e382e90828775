#include "windows/results/results_views.h"

#include <QCheckBox>
#include <QTabBar>
#include <algorithm>

#include "app/app_controller.h"
#include "app/app_util.h"
#include "app/settings.h"
#include "windows/results/results_list.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/results_table.h"

namespace {

const char* const kTableBoxText = "Show hits in a table";
const char* const kPageNames[2] = {"MyTambrel", "WebTambrel"};
// Hidden-column bits: the score means nothing outside a similarity search, the pitch
// nothing when only normal pitches are searched.
constexpr unsigned kHideScore = MainResultsPaneLink::kHideScore;
constexpr unsigned kHidePitch = MainResultsPaneLink::kHidePitch;
static_assert(kHideScore == 1u << kColScore && kHidePitch == 1u << kColPitch,
              "the hidden-column bits follow the table's columns");
constexpr int kBoxGap = 3;
constexpr int kBoxLeft = 4;

QCheckBox* MakeTableBox(QWidget* parent) {
    auto* box = new QCheckBox(QString::fromLatin1(kTableBoxText), parent);
    box->setObjectName(QStringLiteral("1317"));
    box->adjustSize();
    return box;
}

} // namespace

// MultiplePageResultsView

MultiplePageResultsView::MultiplePageResultsView(QWidget* parent, TabularResultsServices* services)
    : QWidget(parent) {
    tableBox_ = MakeTableBox(this);
    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QStringLiteral("1341"));
    tabs_->setExpanding(false);
    tabs_->setDrawBase(true);
    for (int i = 0; i < 2; ++i) {
        pages_[i] = new ResultsWnd(this, services);
        pages_[i]->hide();
    }
    tabs_->hide();
    tableBox_->hide();
    connect(tableBox_, &QCheckBox::clicked, this, [this](bool checked) {
        SetTabular(checked);
        FocusCurrentPage();
    });
    connect(tabs_, &QTabBar::currentChanged, this, [this](int) {
        ShowCurrentPage();
        FocusCurrentPage();
    });
    LayOut();
}

MultiplePageResultsView::~MultiplePageResultsView() {
    // The status boxes' windows go before the view they are anchored to.
    for (TipWnd& box : status_)
        box.DestroyPopup();
    DropPages();
}

void MultiplePageResultsView::BindLists(ResultsListObj* localList, ResultsListObj* webList,
                                        bool similar) {
    lists_[0] = localList;
    lists_[1] = webList;
    similar_ = similar;
    tabular_ = GetSettingBool("SearchTabular");
    tableBox_->setChecked(tabular_);
}

int MultiplePageResultsView::TabOf(int page) const {
    if (page == 1)
        return exists_[0] ? 0 : -1;
    if (page == 2)
        return exists_[1] ? (exists_[0] ? 1 : 0) : -1;
    return -1;
}

int MultiplePageResultsView::PageOfTab(int tab) const {
    if (tab < 0)
        return 0;
    if (exists_[0])
        return tab == 0 ? 1 : (tab == 1 && exists_[1] ? 2 : 0);
    return tab == 0 && exists_[1] ? 2 : 0;
}

int MultiplePageResultsView::GetCurrentPage() const {
    return PageOfTab(tabs_->currentIndex());
}

ResultsWnd* MultiplePageResultsView::Page(int page) const {
    return page == 1 || page == 2 ? pages_[page - 1] : nullptr;
}

bool MultiplePageResultsView::PageExists(int page) const {
    return (page == 1 || page == 2) && exists_[page - 1];
}

TipWnd& MultiplePageResultsView::StatusBox(int page) {
    return status_[page == 2 ? 1 : 0];
}

void MultiplePageResultsView::PreparePages(bool local, bool web, bool allPitches) {
    for (int page = 1; page <= 2; ++page)
        SetStatus(page, "", nullptr, 0, nullptr);
    const int current = GetCurrentPage();
    int chosen = 0;
    if (current == 1 && local)
        chosen = 1;
    else if (current == 2 && web)
        chosen = 2;
    else
        chosen = local ? 1 : (web ? 2 : 0);
    tabs_->show();
    tableBox_->show();
    const unsigned mask = (similar_ ? 0u : kHideScore) | (allPitches ? 0u : kHidePitch);
    const bool asked[2] = {local, web};
    // A page searched again with the same list and columns keeps them: making the columns and
    // the row buttons anew cost more than the search itself.
    const bool keep[2] = {asked[0] && exists_[0] && mask == mask_ && pages_[0]->List() == lists_[0],
                          asked[1] && exists_[1] && mask == mask_ && pages_[1]->List() == lists_[1]};
    mask_ = mask;

    DropPages(keep);
    for (int i = 0; i < 2; ++i) {
        if (!asked[i])
            continue;
        {
            const QSignalBlocker quiet(tabs_);
            tabs_->addTab(QString::fromLatin1(kPageNames[i]));
        }
        exists_[i] = true;
        if (keep[i])
            pages_[i]->Reattach();
        else
            pages_[i]->Attach(lists_[i], mask_);
        if (chosen == i + 1) {
            const QSignalBlocker quiet(tabs_);
            tabs_->setCurrentIndex(TabOf(i + 1));
        }
        if (tabular_)
            pages_[i]->ShowTabular();
        else
            pages_[i]->ShowStacked();
        AppUtil::PumpMessages(pages_[i]);
    }
    // The tab bar's height follows its tabs.
    LayOut();
    ShowCurrentPage();
}

void MultiplePageResultsView::DropPages(const bool* keep) {
    for (int i = 0; i < 2; ++i) {
        if (!exists_[i])
            continue;
        exists_[i] = false;
        if (keep != nullptr && keep[i])
            continue;
        pages_[i]->Detach();
        pages_[i]->hide();
    }
    if (tabs_->isVisible() || tabs_->count() > 0) {
        const QSignalBlocker quiet(tabs_);
        while (tabs_->count() > 0)
            tabs_->removeTab(tabs_->count() - 1);
    }
}

void MultiplePageResultsView::ShowCurrentPage() {
    const int current = GetCurrentPage();
    for (int page = 1; page <= 2; ++page) {
        if (page == current)
            continue;
        pages_[page - 1]->hide();
        status_[page - 1].DestroyPopup();
    }
    if (current == 0)
        return;
    ResultsWnd* shown = pages_[current - 1];
    shown->setGeometry(PageArea());
    shown->show();
    shown->raise();
    if (status_[current - 1].HasContent())
        status_[current - 1].Reshow();
}

void MultiplePageResultsView::FocusCurrentPage() {
    if (ResultsWnd* page = Page(GetCurrentPage()))
        page->FocusActivePresentation();
}

void MultiplePageResultsView::SetStatus(int page, const std::string& text, const TipEntry* entries,
                                        int entryCount, TipClickListener* listener,
                                        bool alwaysShown) {
    if (page != 1 && page != 2)
        return;
    TipWnd& box = status_[page - 1];
    if (text.empty() && entryCount <= 0)
        box.Clear();
    else if (!text.empty())
        box.SetText(text, window(), this, listener);
    else
        box.SetEntries(entries, entryCount, window(), this, listener);
    if (alwaysShown)
        box.SetAlwaysShown(true);
    // A page not in view keeps its status for when the user turns to it.
    if (page != GetCurrentPage())
        box.DestroyPopup();
}

void MultiplePageResultsView::ShowStatusBoxes(bool show) {
    if (!show) {
        for (TipWnd& box : status_)
            box.DestroyPopup();
        return;
    }
    const int current = GetCurrentPage();
    if (current != 0 && status_[current - 1].HasContent())
        status_[current - 1].Reshow();
}

void MultiplePageResultsView::SaveSettings() {
    WriteSettingBool("SearchTabular", tabular_);
    DropPages();
}

void MultiplePageResultsView::SetTabular(bool tabular) {
    tabular_ = tabular;
    tableBox_->setChecked(tabular);
    for (int i = 0; i < 2; ++i) {
        if (!exists_[i])
            continue;
        if (tabular)
            pages_[i]->ShowTabular();
        else
            pages_[i]->ShowStacked();
    }
}

QRect MultiplePageResultsView::PageArea() const {
    const int bottom = height() - tableBox_->height() - kBoxGap;
    const int top = tabs_->isVisible() ? tabs_->sizeHint().height() : 0;
    return QRect(0, top, width(), std::max(0, bottom - top));
}

void MultiplePageResultsView::LayOut() {
    const int areaBottom = height() - tableBox_->height() - kBoxGap;
    tabs_->setGeometry(0, 0, width(), tabs_->sizeHint().height());
    tableBox_->move(kBoxLeft, areaBottom + 2);
    const int current = GetCurrentPage();
    if (current != 0)
        pages_[current - 1]->setGeometry(PageArea());
}

void MultiplePageResultsView::resizeEvent(QResizeEvent*) {
    LayOut();
    ShowCurrentPage();
}

// SinglePageResultsView

SinglePageResultsView::SinglePageResultsView(QWidget* parent, TabularResultsServices* services)
    : QWidget(parent) {
    // Made after the hits, the box follows them in Tab's round: the pane's focus goes to the
    // hits first, and Tab from there reaches the box, as it reads on the screen.
    results_ = new ResultsWnd(this, services);
    results_->show();
    tableBox_ = MakeTableBox(this);
    toggleTabular = [this] {
        if (theController != nullptr)
            theController->ToggleTabular();
        else
            ShowTabular(tableBox_->isChecked());
    };
    connect(tableBox_, &QCheckBox::clicked, this, [this] {
        if (toggleTabular)
            toggleTabular();
    });
    // The pane's focus (F6 from the tree) goes to whichever presentation shows.
    setFocusProxy(results_->ActivePresentation());
}

SinglePageResultsView::~SinglePageResultsView() = default;

void SinglePageResultsView::AttachList(ResultsListLink* list, unsigned hiddenColumnMask) {
    results_->Attach(dynamic_cast<ResultsListObj*>(list), hiddenColumnMask);
}

void SinglePageResultsView::DetachList() {
    results_->Detach();
}

void SinglePageResultsView::ShowTabular(bool tabular) {
    tableBox_->setChecked(tabular);
    if (tabular)
        results_->ShowTabular();
    else
        results_->ShowStacked();
    setFocusProxy(results_->ActivePresentation());
}

void SinglePageResultsView::FocusActivePresentation() {
    results_->FocusActivePresentation();
}

QWidget* SinglePageResultsView::ActivePresentation() {
    return results_->ActivePresentation();
}

void SinglePageResultsView::resizeEvent(QResizeEvent*) {
    const int areaBottom = height() - tableBox_->height() - kBoxGap;
    results_->setGeometry(0, 0, width(), std::max(0, areaBottom));
    tableBox_->move(kBoxLeft, areaBottom + 2);
}
