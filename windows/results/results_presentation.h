#pragma once
// The results window (ResultsWnd: the table and the cards of one list) as its result list
// keeps it in step. Every call goes to both presentations, the table first.

#include <string>

class QWidget;
class SoundFileObj;
class SoundVariantObj;

class ResultsListWindow {
public:
    virtual ~ResultsListWindow() = default;
    // Adds one row at the end of both presentations.
    virtual void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant,
                           bool show) = 0;
    // Rebuilds both presentations from the bound list.
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
    // The frame that owns the list's message boxes.
    virtual QWidget* Frame() = 0;
};
