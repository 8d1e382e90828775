#pragma once
// How a result list's rows reach the screen. The list tells its window (ResultsListWindow:
// the results window, ResultsWnd) of every change; the window passes each change on to its
// two presentations (ResultsPresentation: the table and the cards), the table first.

#include <string>

class QWidget;
class ResultsListObj;
class SoundFileObj;
class SoundVariantObj;

// The changes of the rows of a bound list, as both the window and its presentations take them.
class ResultsRowChanges {
public:
    virtual ~ResultsRowChanges() = default;
    // Rebuilds from the bound list.
    virtual void Refresh() = 0;
    virtual void Clear() = 0;
    virtual void EnsureRowVisible(int row) = 0;
    // Redraws one row (its played mark changed).
    virtual void RedrawRow(int row) = 0;
    // Play pressed while playing and not looping, Loop pressed while playing and looping.
    virtual void SetRowPlayState(int row, bool playing, bool looping) = 0;
    // The download progress of the row whose sound has that URL.
    virtual void ShowRowProgress(const std::string& text, const std::string& url,
                                 int percent) = 0;
};

// The results window as its result list keeps it in step.
class ResultsListWindow : public ResultsRowChanges {
public:
    // Adds one row at the end of both presentations.
    virtual void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant,
                           bool show) = 0;
    // The frame that owns the list's message boxes.
    virtual QWidget* Frame() = 0;
};

// One presentation of a list's rows (the table, the cards) as the results window drives it.
class ResultsPresentation : public ResultsRowChanges {
public:
    // The presentation's window, a child of the results window.
    virtual QWidget* Widget() = 0;
    // Binds the list with the mask of hidden columns.
    virtual void Attach(ResultsListObj* list, unsigned hiddenMask) = 0;
    virtual void Detach() = 0;
    // Adds the list's last row; score is the row's score.
    virtual void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant,
                           int score) = 0;
};
