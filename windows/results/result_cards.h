// The stacked presentation of a result list: one card per row, 520 pixels wide, stacked in a
// scrolling toolkit window. Only the cards on screen exist as nodes; every row's height is
// known (and cached by the texts that decide it), so that scrolling, the wheel and the
// scroll bars work on the whole list.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "editor/toolkit/host_window.h"
#include "windows/results/results_presentation.h"

class CGP_Graphic;
class ResultsListObj;
class SoundFileObj;
class SoundVariantObj;
class StackedCardWrapCounter;
class StackedResultsRowGrf;
class StackedResultsWindowGrf;

class StackedResultsWnd : public CGN_Wnd, public ResultsPresentation {
    Q_OBJECT
public:
    static constexpr int kCardWidth = 520;
    static constexpr int kScrollLine = 24;

    explicit StackedResultsWnd(QWidget* parent = nullptr);
    ~StackedResultsWnd() override;

    // --- ResultsPresentation
    QWidget* Widget() override { return this; }
    void Attach(ResultsListObj* list, unsigned hiddenColumnMask) override;
    void Detach() override;
    void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant, int score) override;
    void Refresh() override;
    void Clear() override;
    // Nothing to do here: the cards keep their own scroll position.
    void EnsureRowVisible(int row) override;
    // Repaints one row's card (its played mark changed).
    void RedrawRow(int row) override;
    void SetRowPlayState(int row, bool playing, bool looping) override;
    void ShowRowProgress(const std::string& text, const std::string& url, int percent) override;

    ResultsListObj* List() const { return list_; }
    unsigned HiddenColumnMask() const { return mask_; }

    // The stacked rows as laid out: a row's top in the content and its height. A hidden
    // window lays its rows out when it is shown.
    int RowCount() const { return static_cast<int>(tops_.size()); }
    int RowTop(int row) const { return tops_.at(row); }
    int RowHeight(int row) const;
    int ContentHeight() const;
    // The card of a row while it is on screen; null otherwise.
    StackedResultsRowGrf* CardForRow(int row) const;
    // The cards that exist now, in row order.
    std::vector<StackedResultsRowGrf*> Cards() const;
    StackedResultsWindowGrf* WindowGraphic() const { return windowGrf_; }
    CGP_Graphic* Content() const { return content_; }
    int VerticalPosition() const;

    // One wheel turn (down: towards the user) as the window graphic gets it.
    void WheelTurn(bool down);
    // The tooltip text of the element at a client point; empty for none. The element's
    // rectangle in client coordinates goes to *rect.
    std::string ToolTipAt(int x, int y, QRect* rect);

    // Called by the window graphic.
    void ScrollTo(int horizontal, int vertical);
    void UpdateScrollBars();
    void SyncCards();
    // The per-process height of one text line of the cards.
    static int LineHeight();

    // Card clicks run with the depth raised; cards replaced meanwhile are freed once no
    // click is under way.
    void BeginCardEvent() { ++cardEventDepth_; }
    void EndCardEvent();

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void PaintFocus(QPainter& painter) override;
    void showEvent(QShowEvent* event) override;

private:
    // The height of a row's card, from the height cache or measured.
    int MeasureRow(int row);
    StackedResultsRowGrf* MakeCard(int row);
    // Takes every card out of the content; freed later when a click is under way.
    void DropCards();
    void FreeDroppedCards();
    // Every row's top and height, then the cards on screen.
    void Layout();
    // The per-row play marks and meters cover every row of the list.
    void GrowRowStates();

    ResultsListObj* list_ = nullptr;
    unsigned mask_ = 0;
    StackedResultsWindowGrf* windowGrf_ = nullptr; // owned
    CGP_Graphic* content_ = nullptr;               // owned through the window graphic
    std::vector<int> tops_;
    std::vector<int> heights_;
    // Row -> card for the rows on screen.
    std::map<int, StackedResultsRowGrf*> cards_;
    // Per row: bit 0 Play pressed, bit 1 Loop pressed; meter percent per row (-1 none).
    std::vector<unsigned char> playMarks_;
    std::vector<int> meterPercent_;
    std::unique_ptr<StackedCardWrapCounter> wrapCounter_;
    // Card height by a fingerprint of the fields that decide it.
    std::unordered_map<std::uint64_t, int> heightCache_;
    std::vector<StackedResultsRowGrf*> dropped_;
    int cardEventDepth_ = 0;
    // The list changed while the window was hidden: laid out when shown.
    bool layoutPending_ = false;
    bool freeQueued_ = false;
};
