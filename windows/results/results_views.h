#pragma once
// The two panes that place results windows: the search window's two-page view (a tab per
// searched collection, a status box per page) and the main window's single-page view.
// Both carry the check box "Show hits in a table".

#include <QWidget>
#include <functional>
#include <string>

#include "app/tip_wnd.h"
#include "app/tool_windows.h"

class QCheckBox;
class QTabBar;
class ResultsListObj;
class ResultsWnd;
class TabularResultsServices;

class MultiplePageResultsView : public QWidget {
public:
    explicit MultiplePageResultsView(QWidget* parent = nullptr,
                                     TabularResultsServices* services = nullptr);
    ~MultiplePageResultsView() override;

    // Keeps the search box's two lists and reads "SearchTabular".
    void BindLists(ResultsListObj* localList, ResultsListObj* webList, bool similar);
    // Makes the pages of a new search of the asked collections.
    void PreparePages(bool local, bool web, bool allPitches);
    // 1 the MyTambrel page, 2 the WebTambrel page, 0 none.
    int GetCurrentPage() const;
    void FocusCurrentPage();
    // page 1 or 2; an empty text without entries clears the page's box.
    // alwaysShown: the text is news, not a tip, and shows even while tips are turned off.
    void SetStatus(int page, const std::string& text, const TipEntry* entries, int entryCount,
                   TipClickListener* listener, bool alwaysShown = false);
    void ShowStatusBoxes(bool show);
    // Writes "SearchTabular" and drops the pages (the search frame closes).
    void SaveSettings();
    // Shows every page as a table (true) or as cards, as the check box does.
    void SetTabular(bool tabular);

    bool Tabular() const { return tabular_; }
    unsigned HiddenMask() const { return mask_; }
    // page 1 or 2: the page's results window, whether its collection was searched or not.
    ResultsWnd* Page(int page) const;
    bool PageExists(int page) const;
    TipWnd& StatusBox(int page);
    QTabBar* Tabs() const { return tabs_; }
    QCheckBox* TableBox() const { return tableBox_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    // The tab index of an existing page.
    int TabOf(int page) const;
    int PageOfTab(int tab) const;
    // keep: per page, whether it stays attached (its tab goes all the same).
    void DropPages(const bool* keep = nullptr);
    void ShowCurrentPage();
    QRect PageArea() const;
    void LayOut();

    QCheckBox* tableBox_;
    QTabBar* tabs_;
    ResultsWnd* pages_[2];
    bool exists_[2] = {false, false};
    ResultsListObj* lists_[2] = {nullptr, nullptr};
    TipWnd status_[2];
    bool similar_ = false;
    bool tabular_ = true;
    unsigned mask_ = 0;
};

class SinglePageResultsView : public QWidget, public MainResultsPaneLink {
public:
    explicit SinglePageResultsView(QWidget* parent = nullptr,
                                   TabularResultsServices* services = nullptr);
    ~SinglePageResultsView() override;

    // --- MainResultsPaneLink
    void AttachList(ResultsListLink* list, unsigned hiddenColumnMask) override;
    void DetachList() override;
    void ShowTabular(bool tabular) override;
    void FocusActivePresentation() override;
    QWidget* ActivePresentation() override;

    ResultsWnd* Results() const { return results_; }
    QCheckBox* TableBox() const { return tableBox_; }
    // What the check box does; the default asks the controller to switch the main list.
    std::function<void()> toggleTabular;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QCheckBox* tableBox_;
    ResultsWnd* results_;
};
