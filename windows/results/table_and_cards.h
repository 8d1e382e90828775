#pragma once
// The results window of one list: the table and the stacked cards of the same rows, one of
// them shown. Every change of the list goes to both, the table first, so switching between
// them needs no rebuild.

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "windows/results/results_presentation.h"

class ResultsListObj;
class SoundFileObj;
class SoundVariantObj;
class TabularResultsServices;
class TabularResultsWnd;

// Makes the stacked presentation of a new results window (the cards); the default makes the
// program's cards.
using StackedPresentationMaker =
    std::function<std::unique_ptr<ResultsPresentation>(QWidget* parent)>;
StackedPresentationMaker& StackedPresentationFactory();

class ResultsWnd : public QWidget, public ResultsListWindow {
public:
    explicit ResultsWnd(QWidget* parent = nullptr, TabularResultsServices* services = nullptr);
    ~ResultsWnd() override;

    // Keeps the list, makes this window the list's window and binds both presentations
    // with the mask of hidden columns.
    void Attach(ResultsListObj* list, unsigned hiddenMask);
    void Detach();
    // The attached list again with the same mask, before a new search empties it: the
    // columns, row buttons and cards stay as they are.
    void Reattach();

    void ShowTabular();
    void ShowStacked();
    bool IsTabularShown() const { return tabularShown_; }
    void FocusActivePresentation();
    // The table or the cards, whichever shows.
    QWidget* ActivePresentation();

    // --- ResultsListWindow
    void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant, bool show) override;
    void Refresh() override;
    void Clear() override;
    void EnsureRowVisible(int row) override;
    void RedrawRow(int row) override;
    void SetRowPlayState(int row, bool playing, bool looping) override;
    void ShowRowProgress(const std::string& text, const std::string& url, int percent) override;
    QWidget* Frame() override;

    ResultsListObj* List() const { return list_; }
    unsigned HiddenMask() const { return mask_; }
    TabularResultsWnd* Tabular() const { return tabular_; }
    ResultsPresentation* Stacked() const { return stacked_.get(); }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    // Whether the cards are hidden behind the shown table: they are then laid out on showing.
    bool StackedDeferred() const;

    ResultsListObj* list_ = nullptr;
    unsigned mask_ = 0;
    bool tabularShown_ = true;
    // The cards missed a rebuild while hidden (laying out thousands of cards is slow); the
    // play marks and download meters sent meanwhile are kept for when they are laid out.
    bool stackedStale_ = false;
    std::map<int, std::pair<bool, bool>> stalePlayStates_;
    std::map<std::string, std::pair<std::string, int>> staleProgress_;
    TabularResultsWnd* tabular_; // child
    std::unique_ptr<ResultsPresentation> stacked_;
};
