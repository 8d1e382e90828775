#include "windows/search/search_results_pane.h"

#include <QTabBar>

#include "app/settings.h"
#include "windows/results/results_list.h"
#include "windows/results/results_views.h"
#include "windows/results/results_table.h"
#include "windows/results/table_and_cards.h"

namespace {

class TwoPagePane : public MultiplePageResultsView, public SearchResultsPane {
public:
    explicit TwoPagePane(QWidget* parent) : MultiplePageResultsView(parent) {
        setObjectName("SearchResultsPane");
    }

    QWidget* Widget() override { return this; }
    std::unique_ptr<ResultsListLink> MakeList(int kind) override {
        return std::make_unique<ResultsListObj>(Page(kind + 1), kind);
    }
    void BindLists(ResultsListLink* local, ResultsListLink* web, bool similar) override {
        MultiplePageResultsView::BindLists(dynamic_cast<ResultsListObj*>(local),
                                           dynamic_cast<ResultsListObj*>(web), similar);
        storedTabular_ = Tabular();
    }
    void PreparePages(bool local, bool web, bool allPitches) override {
        MultiplePageResultsView::PreparePages(local, web, allPitches);
        // The tab bar was laid out when it had no tabs (no height): lay out again now.
        resizeEvent(nullptr);
    }
    int GetCurrentPage() const override { return MultiplePageResultsView::GetCurrentPage(); }
    void SetStatus(int page, const std::string& text, TipClickListener* listener) override {
        MultiplePageResultsView::SetStatus(page, text, nullptr, 0, listener);
    }
    void SetNotice(int page, const std::string& text, TipClickListener* listener) override {
        MultiplePageResultsView::SetStatus(page, text, nullptr, 0, listener, true);
    }
    TipWnd& StatusBox(int page) override { return MultiplePageResultsView::StatusBox(page); }
    void SetPageCaption(int page, const std::string& caption) override {
        const int tab = PageTab(page);
        if (tab >= 0)
            Tabs()->setTabText(tab, QString::fromStdString(caption));
    }
    std::string PageCaption(int page) const override {
        const int tab = PageTab(page);
        return tab >= 0 ? Tabs()->tabText(tab).toStdString() : std::string();
    }
    int PageTab(int page) const override {
        if (!PageExists(page))
            return -1;
        return page == kWebPage && PageExists(kLocalPage) ? 1 : 0;
    }
    void ShowStatusBoxes(bool show) override { MultiplePageResultsView::ShowStatusBoxes(show); }
    void WatchRowCounts(std::function<void(int page)> listener) override {
        for (int page : {kLocalPage, kWebPage}) {
            const QAbstractItemModel* rows = Page(page)->Tabular()->Columns()->model();
            auto changed = [listener, page] { listener(page); };
            connect(rows, &QAbstractItemModel::rowsInserted, this, changed);
            connect(rows, &QAbstractItemModel::rowsRemoved, this, changed);
        }
    }
    // After a search only the choice is written: the pages stay.
    void SaveSettings() override {
        // Each write reaches the disk: only a choice changed since this window read or wrote
        // it is written, and a search reads no settings.
        if (storedTabular_ != Tabular()) {
            WriteSettingBool("SearchTabular", Tabular());
            storedTabular_ = Tabular();
        }
    }
    void Close() override { MultiplePageResultsView::SaveSettings(); }

private:
    bool storedTabular_ = true;
};

} // namespace

SearchResultsPane* NewSearchResultsPane(QWidget* parent) {
    return new TwoPagePane(parent);
}
