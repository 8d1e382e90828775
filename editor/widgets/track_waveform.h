// The zoomable, scrollable coloured waveform of one sample track, with the play cursor, the
// selection and the marks of similar passages. Its own x is its scroll offset inside its
// parent (0 or negative) and its width the zoomed width; the parent's width is the visible
// width. Each visible column's peaks are computed once into a cache, so painting never reads
// samples and scrolling computes only the columns it exposes; as a viewer of its track it
// recomputes only what an edit changed.
#pragma once

#include <cstdint>
#include <vector>

#include "app/drawing.h"
#include "audio/engine/audio_container.h"
#include "audio/engine/sample_track.h"
#include "editor/toolkit/graphic.h"

class CGP_TrackWaveform : public CGP_Graphic, public CAP_AudioViewer {
public:
    // Events sent up with Notify.
    static constexpr int kContextMenuEvent = 0;
    static constexpr int kCursorOrSelectionEvent = 2;
    static constexpr int kDragReleasedEvent = 3;
    static constexpr int kScrolledEvent = 4;
    // A threshold above 100 shows no match marks.
    static constexpr int kNoMatches = 101;

    // The width is limited to the track's frames. Registers with no one: the owner adds the
    // waveform as a viewer of the track and updates it once. The track must outlive it.
    CGP_TrackWaveform(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height,
                      CAP_SampleTrack* track);
    ~CGP_TrackWaveform() override;

    double XToTime(int px) const;
    int TimeToX(double seconds) const;
    int VisibleWidth() const;

    // mode 0: no scrolling, 1 just into view, 2 with a margin of a tenth of the visible
    // width, 3 following playback.
    void SetCursor(double seconds, int mode);
    // True when nothing scrolled.
    bool EnsureVisible(int px, int mode);
    void SetSelection(double start, double end);
    void ShowCursor(bool on);
    void SetColored(bool on);
    void SetMatchThreshold(int percent);
    void SetKeepView(bool on) { keepView = on; }
    void MoveByPixel(bool left);
    // The caret turns on and blinks again a blink time from now.
    void RestartBlink();

    void InvalidateAll() override;
    bool Update() override;

    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;
    void Move(int newX, int newY) override;
    void Resize(int newWidth, int newHeight) override;
    void OnTick() override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;
    void OnMouseMove(int px, int py, int outcode) override;
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override;
    void OnMouseLeave() override;
    // Asks the owner for its menu.
    void OnContextMenu(int px, int py) override;

    // The pixel rows of values -1..1 in a plot of the given height: 1 .. height - 4.
    static int ValueToRow(float value, int plotHeight);

    bool coloured = true;
    double cursorTime = 0.0;
    double selectionStart = 0.0, selectionEnd = 0.0; // equal: no selection
    bool cursorShown = true;
    bool keepView = false;
    CAP_SampleTrack* track;                   // not owned
    std::vector<ColumnPlotEntry> columnCache; // column x at x modulo the visible width
    int cursorX = 0;
    int dragAnchorX = 0;
    double dragAnchorTime = 0.0;
    std::int64_t nextBlink = 0; // ms of the process clock
    bool selecting = false, movingCursor = false, draggedLeftwards = false, caretOn = true;
    int autoScrollSpeed = 0; // pixels per second: 0, +500 or -500
    int followMargin = 0;
    int matchThreshold = kNoMatches;

    // Milliseconds of a monotonic clock; the caret's half period.
    static std::int64_t ProcessClockMs();
    static int CaretBlinkTime();

private:
    bool HasSelection() const { return selectionStart != selectionEnd; }
    int LowestOffset() const;
    void VisibleColumns(int& first, int& last) const;
    void ComputeColumns(int first, int last);
    void ComputeVisibleColumns();
    void InvalidateColumns(int first, int last);
    int KeepViewOffset(int oldWidth, int oldOffset) const;
    void SetSelectionFromDrag(double seconds);
    void DrawMatchMarks(QPainter& dc, int clipX, int clipWidth, int originX, int originY);
    void DrawColumns(QPainter& dc, int clipX, int clipWidth, int originX, int originY);
    int cacheWidth_ = 0; // the visible width the cache was filled for
    bool fullPending_ = false;
};
