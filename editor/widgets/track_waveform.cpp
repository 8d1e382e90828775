#include "editor/widgets/track_waveform.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "editor/toolkit/widget_window.h"

namespace {

constexpr ColorRef kBlack = 0x000000;
constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kGrey = 0x808080;
constexpr ColorRef kOwnMatch = MakeColorRef(255, 0, 0);
constexpr ColorRef kOtherMatch = MakeColorRef(0, 128, 255);
// A cache entry of a column without frames: nothing is drawn there.
constexpr std::uint16_t kEmptyColumn = 0xFFFF;
// Pixels around a selection edge that grab it.
constexpr int kEdgeGrab = 4;
// A drag narrower than this is a click.
constexpr int kMinimumSelection = 5;
constexpr int kAutoScrollSpeed = 500;
constexpr double kTickSeconds = 0.02;
constexpr int kMarkTick = 8;

} // namespace

CGP_TrackWaveform::CGP_TrackWaveform(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px,
                                     int py, int w, int h, CAP_SampleTrack* sampleTrack)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h), track(sampleTrack) {
    // Never more than a pixel per frame, from the start: the time axis is built the same way.
    const std::int64_t frames = track != nullptr ? track->TotalFrames() : 0;
    width = static_cast<int>(std::clamp<std::int64_t>(w, 0, frames));
    followMargin = VisibleWidth() / 10;
    nextBlink = ProcessClockMs() + CaretBlinkTime();
}

CGP_TrackWaveform::~CGP_TrackWaveform() {
    if (track != nullptr)
        track->RemoveViewer(this);
}

std::int64_t CGP_TrackWaveform::ProcessClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int CGP_TrackWaveform::CaretBlinkTime() {
    // Qt gives the whole on-and-off period; 0 means the caret does not blink.
    return QApplication::cursorFlashTime() / 2;
}

double CGP_TrackWaveform::XToTime(int px) const {
    const double duration = track != nullptr ? track->duration : 0.0;
    return px * duration / std::max(width, 1);
}

int CGP_TrackWaveform::TimeToX(double seconds) const {
    const double duration = track != nullptr ? track->duration : 0.0;
    if (duration <= 0.0)
        return 0;
    const double px = width * seconds / duration;
    return static_cast<int>(std::lround(std::clamp(px, -1e9, 1e9)));
}

int CGP_TrackWaveform::VisibleWidth() const {
    return parent != nullptr ? parent->width : width;
}

int CGP_TrackWaveform::LowestOffset() const {
    return std::min(VisibleWidth() - width, 0);
}

void CGP_TrackWaveform::VisibleColumns(int& first, int& last) const {
    first = std::max(-x, 0);
    last = std::min(-x + VisibleWidth() - 1, width - 1);
}

int CGP_TrackWaveform::ValueToRow(float value, int plotHeight) {
    const double v = std::clamp(static_cast<double>(value), -1.0, 1.0);
    const int row =
        1 + std::min(plotHeight - 5, static_cast<int>((plotHeight - 4) * (1.0 - v) / 2));
    return std::max(row, 0);
}

void CGP_TrackWaveform::ComputeColumns(int first, int last) {
    const int visible = VisibleWidth();
    if (visible <= 0 || track == nullptr)
        return;
    if (cacheWidth_ != visible) {
        // Entries are placed modulo the visible width: a new width invalidates all of them.
        cacheWidth_ = visible;
        columnCache.assign(visible, ColumnPlotEntry{kEmptyColumn, kEmptyColumn, 0});
        VisibleColumns(first, last);
    }
    int lowest, highest;
    VisibleColumns(lowest, highest);
    first = std::max(first, lowest);
    last = std::min(last, highest);
    if (last < first)
        return;
    // One more column on each side to join with; at the ends the edge column is its own
    // neighbour.
    const int lo = std::max(first - 1, 0), hi = std::min(last + 1, width - 1);
    const int count = hi - lo + 1;
    std::vector<float> minima(count, 1.0f), maxima(count, -1.0f);
    std::vector<std::uint32_t> colours(count, 0);
    track->GetColumnPeaks(XToTime(lo), track->duration / std::max(width, 1), count, minima.data(),
                          maxima.data(), colours.data());
    auto empty = [&](int i) { return minima[i] > maxima[i]; };
    for (int c = first; c <= last; ++c) {
        const int i = c - lo;
        ColumnPlotEntry& entry = columnCache[c % visible];
        if (empty(i)) {
            entry = ColumnPlotEntry{kEmptyColumn, kEmptyColumn, 0};
            continue;
        }
        float lowerMax = maxima[i], higherMin = minima[i];
        for (int n : {i - 1, i + 1}) {
            if (n < 0 || n >= count || empty(n))
                continue;
            lowerMax = std::min(lowerMax, maxima[n]);
            higherMin = std::max(higherMin, minima[n]);
        }
        // Neighbours that do not overlap meet half-way, so that the trace never breaks.
        float minimum = minima[i], maximum = maxima[i];
        if (minimum > lowerMax)
            minimum = (minima[i] + lowerMax) / 2;
        if (maximum < higherMin)
            maximum = (maxima[i] + higherMin) / 2;
        entry.top = static_cast<std::uint16_t>(ValueToRow(maximum, height));
        entry.bottom = static_cast<std::uint16_t>(ValueToRow(minimum, height));
        entry.color = coloured ? colours[i] : kGrey;
    }
}

void CGP_TrackWaveform::ComputeVisibleColumns() {
    int first, last;
    VisibleColumns(first, last);
    cacheWidth_ = 0; // every entry anew
    ComputeColumns(first, last);
}

void CGP_TrackWaveform::InvalidateColumns(int first, int last) {
    if (window == nullptr)
        return;
    int vx, vy, vw, vh;
    GetVisibleRect(vx, vy, vw, vh);
    const int left = std::max(first, vx), right = std::min(last, vx + vw - 1);
    if (right < left || vh <= 0)
        return;
    int wx = left, wy = vy;
    LocalToWindow(wx, wy);
    window->Invalidate(wx, wy, right - left + 1, vh);
}

void CGP_TrackWaveform::InvalidateAll() {
    fullPending_ = true;
}

bool CGP_TrackWaveform::Update() {
    if (track == nullptr)
        return CAP_AudioViewer::Update();
    bool all = fullPending_;
    const double duration = track->duration;
    if (pendingShift != 0.0) {
        // Frames came or went: the width changes with them so that the scale stays.
        const double before = duration - pendingShift;
        const double wanted = before > 0.0 ? width + width * pendingShift / before : 0.0;
        const double limited = std::min(std::max<double>(VisibleWidth(), wanted),
                                        static_cast<double>(track->TotalFrames()));
        const int newWidth = static_cast<int>(std::max(limited, 0.0));
        // Where the width could not follow, the scale changed and so did every column.
        if (newWidth != static_cast<int>(std::lround(wanted)))
            all = true;
        width = newWidth;
        const int offset = std::clamp(x, LowestOffset(), 0);
        if (offset != x) {
            x = offset;
            all = true;
        }
        cursorX = std::clamp(TimeToX(cursorTime), 0, std::max(width - 1, 0));
    }
    if (all) {
        ComputeVisibleColumns();
        Redraw();
    } else if (pendingLength > 0.0 && duration > 0.0) {
        const int first = static_cast<int>(std::floor(pendingStart * width / duration));
        const int last =
            static_cast<int>(std::ceil((pendingStart + pendingLength) * width / duration));
        ComputeColumns(first, last);
        InvalidateColumns(first, last);
    }
    fullPending_ = false;
    return CAP_AudioViewer::Update();
}

void CGP_TrackWaveform::Move(int newX, int newY) {
    const int visible = VisibleWidth();
    newX = std::clamp(newX, LowestOffset(), 0);
    const int oldX = x;
    if (newX == x && newY == y)
        return;
    CGP_Graphic::Move(newX, newY);
    if (newX != oldX) {
        // Only the columns that came into view are new.
        if (newX < oldX)
            ComputeColumns(std::max(-oldX + visible, -newX), -newX + visible - 1);
        else
            ComputeColumns(-newX, std::min(-oldX - 1, -newX + visible - 1));
    }
    Update();
}

int CGP_TrackWaveform::KeepViewOffset(int oldWidth, int oldOffset) const {
    const int visible = VisibleWidth(), tenth = visible / 10;
    const double duration = track != nullptr ? track->duration : 0.0;
    if (duration <= 0.0 || oldWidth <= 0)
        return x;
    auto oldX = [&](double t) { return static_cast<int>(std::lround(oldWidth * t / duration)); };
    const double start = HasSelection() ? selectionStart : cursorTime;
    const double end = HasSelection() ? selectionEnd : cursorTime;
    const int view = -oldOffset;
    auto wasVisible = [&](int px) { return px >= view && px < view + visible; };
    const int newStart = TimeToX(start), newEnd = TimeToX(end);
    if (wasVisible(oldX(start))) {
        int offset = -(newStart - tenth);
        if (wasVisible(oldX(end))) {
            const int centred = -((newStart + newEnd) / 2 - visible / 2);
            if (centred < offset)
                offset = centred;
        }
        return offset;
    }
    if (wasVisible(oldX(end)))
        return -(newEnd - (visible - tenth));
    const double centre = (view + visible / 2) * duration / oldWidth;
    return -(TimeToX(centre) - visible / 2);
}

void CGP_TrackWaveform::Resize(int newWidth, int newHeight) {
    const std::int64_t frames = track != nullptr ? track->TotalFrames() : 0;
    const int oldWidth = width, oldOffset = x;
    Redraw();
    CGP_Graphic::Resize(static_cast<int>(std::clamp<std::int64_t>(newWidth, 0, frames)), newHeight);
    cursorX = std::clamp(TimeToX(cursorTime), 0, std::max(width - 1, 0));
    const int offset = keepView ? KeepViewOffset(oldWidth, oldOffset) : x;
    x = std::clamp(offset, LowestOffset(), 0);
    RestartBlink();
    ComputeVisibleColumns();
    Redraw();
}

bool CGP_TrackWaveform::EnsureVisible(int px, int mode) {
    const int visible = VisibleWidth(), tenth = visible / 10;
    px = std::clamp(px, 0, std::max(width - 1, 0));
    int left = 0, right = 0;
    switch (mode) {
    case 2:
        followMargin = tenth;
        left = std::min(followMargin, px);
        right = std::min(followMargin, width - px - 1);
        break;
    case 3:
        left = std::min(px, tenth);
        right = std::min(followMargin, width - px - 1);
        break;
    default:
        followMargin = tenth;
        break;
    }
    if (mode == 0)
        return true;
    const int view = -x;
    int newView = view;
    if (px < view + left) {
        newView = px - left;
    } else if (px > view + visible - 1 - right) {
        newView = px - (visible - 1 - right);
        // Playback pages further ahead at each turn.
        if (mode == 3)
            followMargin = std::min(followMargin + 1, visible / 2);
    }
    const int oldX = x;
    if (newView != view)
        Move(-newView, y);
    if (x == oldX)
        return true;
    Notify(kScrolledEvent, this);
    return false;
}

void CGP_TrackWaveform::SetCursor(double seconds, int mode) {
    if (seconds < 0.0)
        seconds = 0.0;
    cursorTime = seconds;
    const int newX = std::clamp(TimeToX(seconds), 0, std::max(width - 1, 0));
    if (newX == cursorX)
        return;
    const int oldX = cursorX;
    cursorX = newX;
    if (EnsureVisible(newX, mode)) {
        InvalidateColumns(oldX, oldX);
        InvalidateColumns(newX, newX);
    }
}

void CGP_TrackWaveform::SetSelection(double start, double end) {
    const double duration = track != nullptr ? track->duration : 0.0;
    selectionStart = std::clamp(start, 0.0, duration);
    selectionEnd = std::clamp(end, 0.0, duration);
    Redraw();
}

void CGP_TrackWaveform::RestartBlink() {
    caretOn = true;
    nextBlink = ProcessClockMs() + CaretBlinkTime();
    InvalidateColumns(cursorX, cursorX);
}

void CGP_TrackWaveform::ShowCursor(bool on) {
    cursorShown = on;
    RestartBlink();
}

void CGP_TrackWaveform::SetColored(bool on) {
    coloured = on;
    ComputeVisibleColumns();
    Redraw();
}

void CGP_TrackWaveform::SetMatchThreshold(int percent) {
    matchThreshold = percent;
    Redraw();
}

void CGP_TrackWaveform::MoveByPixel(bool left) {
    RestartBlink();
    const int step = left ? -1 : 1;
    if (!HasSelection()) {
        const int px = std::clamp(cursorX + step, 0, std::max(width - 1, 0));
        selectionStart = selectionEnd = XToTime(px);
        SetCursor(selectionStart, 1);
        Redraw();
        return;
    }
    double& edge = draggedLeftwards ? selectionStart : selectionEnd;
    edge = XToTime(std::clamp(TimeToX(edge) + step, 0, width));
    if (selectionStart > selectionEnd) {
        // The edge went past the other one: that one moves from now on.
        std::swap(selectionStart, selectionEnd);
        draggedLeftwards = !draggedLeftwards;
    }
    Redraw();
}

void CGP_TrackWaveform::SetSelectionFromDrag(double seconds) {
    selectionStart = std::min(seconds, dragAnchorTime);
    selectionEnd = std::max(seconds, dragAnchorTime);
}

void CGP_TrackWaveform::OnTick() {
    const std::int64_t now = ProcessClockMs();
    if (cursorShown && now >= nextBlink) {
        const int blink = CaretBlinkTime();
        caretOn = selecting || movingCursor || blink <= 0 ? true : !caretOn;
        nextBlink = now + std::max(blink, 0);
        InvalidateColumns(cursorX, cursorX);
    }
    if (autoScrollSpeed == 0)
        return;
    const int oldX = x;
    Move(x + static_cast<int>(std::lround(autoScrollSpeed * kTickSeconds)), y);
    const int edge =
        std::clamp(autoScrollSpeed > 0 ? -x : -x + VisibleWidth() - 1, 0, std::max(width - 1, 0));
    SetSelectionFromDrag(XToTime(edge));
    dragAnchorX = edge;
    EnsureVisible(edge, 1);
    Redraw();
    Notify(kCursorOrSelectionEvent, this);
    // The owner keeps the time axis and the other tracks in step with this one.
    if (x != oldX)
        Notify(kScrolledEvent, this);
}

void CGP_TrackWaveform::OnButtonDown(int px, int, int, bool ctrl, bool shift) {
    px = std::clamp(px, 0, std::max(width - 1, 0));
    const double t = XToTime(px);
    if (ctrl) {
        SetCursor(t, 0);
        movingCursor = true;
        if (window != nullptr)
            window->SetCapture(this);
        return;
    }
    double anchor = t;
    if (shift) {
        if (!HasSelection())
            anchor = cursorTime;
        else
            anchor = px < (TimeToX(selectionStart) + TimeToX(selectionEnd)) / 2 ? selectionEnd
                                                                                : selectionStart;
    } else {
        SetCursor(t, 0);
        if (HasSelection()) {
            if (std::abs(px - TimeToX(selectionStart)) < kEdgeGrab)
                anchor = selectionEnd;
            else if (std::abs(px - TimeToX(selectionEnd)) < kEdgeGrab)
                anchor = selectionStart;
        }
    }
    dragAnchorTime = anchor;
    dragAnchorX = px;
    SetSelectionFromDrag(t);
    selecting = true;
    if (window != nullptr)
        window->SetCapture(this);
    caretOn = true;
    Redraw();
    Notify(kCursorOrSelectionEvent, this);
}

void CGP_TrackWaveform::OnMouseMove(int px, int, int outcode) {
    px = std::clamp(px, 0, std::max(width - 1, 0));
    if (movingCursor) {
        SetCursor(XToTime(px), 0);
        return;
    }
    if (selecting) {
        int speed = 0;
        if (outcode == 1 || outcode == 5 || outcode == 6)
            speed = kAutoScrollSpeed;
        else if (outcode == 3 || outcode == 7 || outcode == 8)
            speed = -kAutoScrollSpeed;
        if (speed != 0 && speed == autoScrollSpeed)
            return;
        autoScrollSpeed = speed;
        const int previous = dragAnchorX;
        SetSelectionFromDrag(XToTime(px));
        InvalidateColumns(std::min(previous, px), std::max(previous, px));
        dragAnchorX = px;
        Notify(kCursorOrSelectionEvent, this);
    }
    if (window == nullptr)
        return;
    const bool nearEdge = HasSelection() && (std::abs(px - TimeToX(selectionStart)) < kEdgeGrab ||
                                             std::abs(px - TimeToX(selectionEnd)) < kEdgeGrab);
    window->SetCursorKind(nearEdge ? 3 : 0);
}

void CGP_TrackWaveform::OnButtonUp(int px, int, int, bool, bool) {
    if (selecting) {
        px = std::clamp(px, 0, std::max(width - 1, 0));
        autoScrollSpeed = 0;
        selecting = false;
        draggedLeftwards = XToTime(px) < dragAnchorTime;
        if (window != nullptr)
            window->SetCapture(nullptr);
        SetCursor(selectionStart, 0);
        if (TimeToX(selectionEnd) - TimeToX(selectionStart) < kMinimumSelection)
            selectionEnd = selectionStart;
        Redraw();
        Notify(kDragReleasedEvent, this);
    } else if (movingCursor) {
        movingCursor = false;
        if (window != nullptr)
            window->SetCapture(nullptr);
    }
}

void CGP_TrackWaveform::OnMouseLeave() {
    CGP_Graphic::OnMouseLeave();
    if (window != nullptr)
        window->SetCursorKind(0);
}

void CGP_TrackWaveform::DrawColumns(QPainter& dc, int clipX, int clipWidth, int originX,
                                    int originY) {
    const int visible = VisibleWidth();
    if (cacheWidth_ != visible)
        ComputeVisibleColumns();
    if (visible <= 0 || columnCache.empty())
        return;
    for (int c = clipX; c < clipX + clipWidth; ++c) {
        const ColumnPlotEntry& entry = columnCache[c % visible];
        if (entry.top != kEmptyColumn)
            DrawColumnPlot(dc, originX + c, originY, 1, &entry);
    }
}

void CGP_TrackWaveform::DrawMatchMarks(QPainter& dc, int clipX, int clipWidth, int originX,
                                       int originY) {
    if (matchThreshold > 100 || track == nullptr || track->rate <= 0)
        return;
    const int clipRight = clipX + clipWidth - 1;
    const double rate = track->rate;
    std::int64_t frame = 0;
    const SampleBlock* block = track->FirstBlock();
    while (block != nullptr) {
        const SampleBlock* head = block->groupHead;
        if (head == nullptr || block->score < matchThreshold) {
            frame += block->frames;
            block = block->next;
            continue;
        }
        // One run: the following blocks of the same match.
        const SampleBlock* first = block;
        const std::int64_t firstFrame = frame;
        int blocks = 0;
        const SampleBlock* last = block;
        while (block != nullptr && block->groupHead == head) {
            frame += block->frames;
            last = block;
            ++blocks;
            block = block->next;
        }
        const bool startsAtHead = first == head;
        const bool endsThere = blocks >= head->groupLength || last->next == nullptr;
        const int left = TimeToX(firstFrame / rate);
        int right = TimeToX((frame - 1) / rate);
        if (endsThere)
            --right;
        if (right < clipX || left > clipRight)
            continue;
        const ColorRef colour = first->selected ? kOwnMatch : kOtherMatch;
        const int from = std::max(left, clipX), to = std::min(right, clipRight);
        if (to >= from) {
            FillRectColor(dc, originX + from, originY, to - from + 1, 2, colour);
            FillRectColor(dc, originX + from, originY + height - 2, to - from + 1, 2, colour);
        }
        auto tick = [&](int px) {
            for (int c = px; c < px + 2; ++c) {
                if (c < clipX || c > clipRight)
                    continue;
                FillRectColor(dc, originX + c, originY, 1, kMarkTick, colour);
                FillRectColor(dc, originX + c, originY + height - kMarkTick, 1, kMarkTick, colour);
            }
        };
        if (startsAtHead)
            tick(left);
        if (endsThere)
            tick(right - 1);
    }
}

void CGP_TrackWaveform::Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                             int originX, int originY) {
    int first, last;
    VisibleColumns(first, last);
    first = std::max(first, clipX);
    last = std::min(last, clipX + clipWidth - 1);
    if (last < first || clipHeight <= 0)
        return;
    clipX = first;
    clipWidth = last - first + 1;
    const int startX = TimeToX(selectionStart), endX = TimeToX(selectionEnd);
    if (startX < endX) {
        const int from = std::max(startX, clipX), to = std::min(endX, last);
        if (to >= from)
            FillRectColor(dc, originX + from, originY + clipY, to - from + 1, clipHeight, kBlack);
    }
    FillRectColor(dc, originX + clipX, originY + height / 2, clipWidth, 1, kBlack);
    DrawColumns(dc, clipX, clipWidth, originX, originY);
    DrawMatchMarks(dc, clipX, clipWidth, originX, originY);
    if (caretOn && cursorX >= clipX && cursorX <= last) {
        const bool inside = startX < endX && cursorX >= startX && cursorX <= endX && !selecting;
        FillRectColor(dc, originX + cursorX, originY, 1, height, inside ? kWhite : kBlack);
    }
}

void CGP_TrackWaveform::OnContextMenu(int, int) {
    Notify(kContextMenuEvent, this);
}
