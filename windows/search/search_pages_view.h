#pragma once
// A plain two-page results pane: a tab per searched collection, each page a table of its
// hits, a status box per page and the "Show hits in a table" box. The search window uses it
// where the full result views are not in the program.

#include <QAbstractTableModel>
#include <QTableView>
#include <QWidget>
#include <memory>

#include "app/tip_wnd.h"
#include "windows/results_list_window.h"
#include "windows/search/search_results_pane.h"

class QCheckBox;
class QTabWidget;
class ResultsListObj;
class ResultsListServices;

// The rows of one result list as a table model. Rows count as shown once the list says so.
class HitTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HitTableModel)
public:
    explicit HitTableModel(QObject* parent);
    void SetList(ResultsListObj* list);
    void AppendShown();
    void Reset();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    ResultsListObj* list_ = nullptr;
    int shown_ = 0;
};

// One page: the table of one list, kept in step by the list.
class HitTablePage : public QTableView, public ResultsListWindow {
    Q_OBJECT
public:
    HitTablePage(QWidget* parent, QWidget* frame);
    void SetList(ResultsListObj* list) { model_->SetList(list); }
    HitTableModel* Model() const { return model_; }

    void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant, bool show) override;
    void Refresh() override;
    void Clear() override;
    void EnsureRowVisible(int row) override;
    void RedrawRow(int row) override;
    void SetRowPlayState(int row, bool playing, bool looping) override;
    void ShowRowProgress(const std::string& text, const std::string& url, int percent) override;
    QWidget* Frame() override { return frame_; }

private:
    HitTableModel* model_;
    QWidget* frame_;
};

class SearchPagesView : public QWidget, public SearchResultsPane {
    Q_OBJECT
public:
    // frame: the search window, owner of the status boxes and message boxes.
    SearchPagesView(QWidget* parent, QWidget* frame);
    ~SearchPagesView() override;

    // The lists made from now on use these services (null: the program's own).
    static void SetListServices(ResultsListServices* services);

    QWidget* Widget() override { return this; }
    std::unique_ptr<ResultsListLink> MakeList(int kind) override;
    void BindLists(ResultsListLink* local, ResultsListLink* web, bool similar) override;
    void PreparePages(bool local, bool web, bool allPitches) override;
    int GetCurrentPage() const override;
    void SetStatus(int page, const std::string& text, TipClickListener* listener) override;
    TipWnd& StatusBox(int page) override { return page == kWebPage ? webStatus_ : localStatus_; }
    void SetPageCaption(int page, const std::string& caption) override;
    std::string PageCaption(int page) const override;
    int PageTab(int page) const override;
    void ShowStatusBoxes(bool show) override;
    void SaveSettings() override;

    QTabWidget* Tabs() const { return tabs_; }
    HitTablePage* Page(int page) const { return page == kWebPage ? webPage_ : localPage_; }

private:
    void ShowCurrentPage();

    QWidget* frame_;
    QTabWidget* tabs_;
    QCheckBox* tableBox_;
    HitTablePage* localPage_;
    HitTablePage* webPage_;
    bool localShown_ = false, webShown_ = false;
    bool similar_ = false;
    TipWnd localStatus_;
    TipWnd webStatus_;
};
