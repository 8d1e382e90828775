#pragma once
// The search window's right pane as the search box drives it: one results page per searched
// collection, each with a tab and a clickable status box. Pages are numbered as the view
// numbers them: 1 MyTambrel, 2 WebTambrel.

#include <functional>
#include <memory>
#include <string>

class QWidget;
class ResultsListLink;
class TipClickListener;
class TipWnd;

class SearchResultsPane {
public:
    static constexpr int kLocalPage = 1;
    static constexpr int kWebPage = 2;

    virtual ~SearchResultsPane() = default;
    virtual QWidget* Widget() = 0;
    // A result list of the kind (0 MyTambrel, 1 WebTambrel) kept in step with that page.
    virtual std::unique_ptr<ResultsListLink> MakeList(int kind) = 0;
    // Keeps the lists and reads the table-or-cards setting.
    virtual void BindLists(ResultsListLink* local, ResultsListLink* web, bool similar) = 0;
    // Makes a page per asked collection, MyTambrel first, and clears both status boxes.
    virtual void PreparePages(bool local, bool web, bool allPitches) = 0;
    // 1 MyTambrel, 2 WebTambrel, 0 none.
    virtual int GetCurrentPage() const = 0;
    // An empty text clears the page's status box; a click on the box tells the listener.
    virtual void SetStatus(int page, const std::string& text, TipClickListener* listener) = 0;
    // The same for a text that says what happened (a failure, a search to stop): the user finds
    // it on the page even with tips turned off.
    virtual void SetNotice(int page, const std::string& text, TipClickListener* listener) = 0;
    virtual TipWnd& StatusBox(int page) = 0;
    // The caption of the page's tab (nothing when the page does not exist).
    virtual void SetPageCaption(int page, const std::string& caption) = 0;
    virtual std::string PageCaption(int page) const = 0;
    // The tab index of the page, -1 when it does not exist.
    virtual int PageTab(int page) const = 0;
    virtual void ShowStatusBoxes(bool show) = 0;
    // Called with the page whenever the rows it shows come or go (a removal, a row arriving).
    virtual void WatchRowCounts(std::function<void(int page)> listener) = 0;
    // Writes the table-or-cards setting.
    virtual void SaveSettings() = 0;
    // The window closes: writes the setting and lets go of the lists.
    virtual void Close() = 0;
};

// The program's pane: the two-page results view.
SearchResultsPane* NewSearchResultsPane(QWidget* parent);
