#pragma once
// The search window: the search form on the left, the results pane on the right, and a tip.

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

#include "app/tip_anchor.h"
#include "app/tip_wnd.h"

class QSplitter;
class ResultsListLink;
class SearchBoxObj;
class SearchResultsPane;
class SearchView;
struct TipEntry;

class SearchFrm : public QWidget {
    Q_OBJECT
public:
    // pane: the results pane, made as a child of the splitter.
    SearchFrm(bool similar, int cascadeIndex,
              const std::function<SearchResultsPane*(QWidget*, QWidget*)>& pane);
    ~SearchFrm() override;

    // Where the n-th search window goes in the work area: 90% of its width, 67% of its
    // height, cascaded 24 pixels left and down per window already open, never left of it.
    static QRect Placement(const QRect& workArea, int n);

    void BindBox(SearchBoxObj* box, ResultsListLink* local, ResultsListLink* web);
    // The box let go of the window (it is closing).
    void ForgetBox() { box_ = nullptr; }
    SearchBoxObj* Box() const { return box_; }
    // Writes the form's collection choices and the pane's table choice.
    void SaveFormSettings();
    // A string of the program's table; 0 clears the tip.
    void SetTip(int stringId);
    void SetTip(const TipEntry* table, int count);

    SearchView* Form() const { return form_; }
    SearchResultsPane* Pane() const { return pane_; }
    QSplitter* Splitter() const { return splitter_; }
    TipWnd& Tip() { return tip_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QSplitter* splitter_ = nullptr;
    SearchView* form_ = nullptr;
    SearchResultsPane* pane_ = nullptr;
    SearchBoxObj* box_ = nullptr;
    ResultsListLink* localList_ = nullptr;
    ResultsListLink* webList_ = nullptr;
    TipWnd tip_;
    TipAnchor tipAnchor_{*this, tip_, TipAnchor::Rules{.skipHidden = true}};
};
