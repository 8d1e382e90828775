#include "editor/widgets/axis_bar.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "audio/general_helpers.h"
#include "editor/toolkit/widget_window.h"

namespace {

constexpr int kDragEvent = 5;
constexpr int kHandCursor = 2;
constexpr ColorRef kGrey = 0x808080;
constexpr ColorRef kLightGrey = 0xC0C0C0;
constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kBlack = 0x000000;
// More ticks than this in one clip come from a step far too small for the range: drawing
// them would only blacken the bar, and would take forever.
constexpr double kMaxTicks = 100000;

// Labels of a vertical axis end this far left of its right edge (past the ticks).
constexpr int kVerticalLabelInset = 6;
// Labels are never drawn smaller than this.
constexpr int kSmallestLabelPoints = 6;

// Half away from zero, kept inside the int range (a zero-length range gives infinities).
int RoundToInt(double value) {
    if (std::isnan(value))
        return 0;
    const double limit = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::round(value), -limit, limit));
}

// Tick indices k with k x step + offset from the value `from` to `to`, in either order;
// false when there is no usable step or too many ticks.
bool TickIndices(double from, double to, double offset, double step, long long& first,
                 long long& last) {
    if (!(step > 0) || !std::isfinite(from) || !std::isfinite(to))
        return false;
    double a = std::round((from - offset) / step), b = std::round((to - offset) / step);
    if (a > b)
        std::swap(a, b);
    if (b - a > kMaxTicks)
        return false;
    first = static_cast<long long>(a);
    last = static_cast<long long>(b);
    return true;
}

} // namespace

CGP_AxisBar::CGP_AxisBar(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px, int py, int w,
                         int h, bool isHorizontal)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h), horizontal(isHorizontal) {}

void CGP_AxisBar::MarkDirty() {
    layoutDirty = true;
    Redraw();
}

void CGP_AxisBar::SetColors(ColorRef labelColour, ColorRef backgroundColour) {
    labelColor = labelColour;
    backgroundColor = backgroundColour;
    MarkDirty();
}

void CGP_AxisBar::SetLabelFormat(int format, int labelDecimals) {
    labelFormat = format;
    decimals = labelDecimals;
    MarkDirty();
}

void CGP_AxisBar::SetRange(double start, double end, double offset) {
    rangeStart = start;
    rangeEnd = end;
    tickOffset = offset;
    MarkDirty();
}

void CGP_AxisBar::SetTicks(double major, double minor, bool automatic) {
    majorStep = major;
    minorStep = minor;
    automaticSteps = automatic;
    MarkDirty();
}

void CGP_AxisBar::SetDraggable(bool on) {
    draggable = on;
}

double CGP_AxisBar::XToValue(int px) const {
    return width != 0 ? rangeStart + (rangeEnd - rangeStart) * px / width : rangeStart;
}

double CGP_AxisBar::YToValue(int py) const {
    return height != 0 ? rangeEnd - (rangeEnd - rangeStart) * py / height : rangeEnd;
}

int CGP_AxisBar::ValueToX(double value) const {
    return RoundToInt(width * (value - rangeStart) / (rangeEnd - rangeStart));
}

int CGP_AxisBar::ValueToY(double value) const {
    return RoundToInt(height * (rangeEnd - value) / (rangeEnd - rangeStart));
}

std::string CGP_AxisBar::FormatLabel(double value) const {
    if (labelFormat == 1)
        return FormatSeconds(value, decimals, true, value >= 3600);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, 20),
                  static_cast<double>(static_cast<float>(value)));
    return buffer;
}

void CGP_AxisBar::Layout(const QPaintDevice* device) {
    int measuredWidth = 0, measuredHeight = 0;
    MeasureText(device, 0, QStringLiteral("0123456789"), QString(), false, false, false, 0,
                measuredWidth, measuredHeight);
    digitWidth = measuredWidth / 10 + 1;
    digitHeight = measuredHeight;
    layoutDirty = false;
    if (automaticSteps)
        ChooseSteps();
    labelPointSize = 0;
    if (!horizontal)
        FitVerticalLabels(device);
}

int CGP_AxisBar::LabelWidth(const QPaintDevice* device, const std::string& label) const {
    int w = 0, h = 0;
    MeasureText(device, labelPointSize, QString::fromStdString(label), QString(), false, false,
                false, 0, w, h);
    return w;
}

void CGP_AxisBar::FitVerticalLabels(const QPaintDevice* device) {
    // The widest label decides: "-20000" next to "20000" must not lose its sign.
    long long first, last;
    if (!TickIndices(rangeStart, rangeEnd, tickOffset, majorStep, first, last))
        return;
    const int room = width - kVerticalLabelInset;
    auto widest = [&] {
        int most = 0;
        for (long long k = first; k <= last; ++k)
            most = std::max(most, LabelWidth(device, FormatLabel(k * majorStep + tickOffset)));
        return most;
    };
    if (widest() <= room)
        return;
    int points = CreateFontFromSpec(QString(), 0, false, false, false, 0).font.pointSize();
    if (points <= 0)
        points = 9;
    for (--points; points >= kSmallestLabelPoints; --points) {
        labelPointSize = points;
        if (widest() <= room)
            break;
    }
    labelPointSize = std::max(points, kSmallestLabelPoints);
    int w = 0;
    MeasureText(device, labelPointSize, QStringLiteral("0123456789"), QString(), false, false,
                false, 0, w, digitHeight);
}

void CGP_AxisBar::ChooseSteps() {
    static constexpr int kMultipliers[] = {1, 2, 5};
    int previous;
    do {
        previous = decimals;
        const std::size_t longest =
            std::max(FormatLabel(rangeStart).size(), FormatLabel(rangeEnd).size());
        const double span = XToValue(static_cast<int>(longest) * digitWidth) - XToValue(0);
        // A reversed range needs the same room as a forward one.
        const double need = std::fabs(span) * 1.25;
        bool found = false;
        for (int d = 0; d < 12 && !found; ++d) {
            const double decade = std::pow(10.0, d - 6);
            for (int m : kMultipliers) {
                const double step = m * decade;
                if (step > need) {
                    majorStep = step;
                    minorStep = m == 5 ? step / 5 : step / 2;
                    decimals = std::max(RoundToInt(-std::log10(decade)), 0);
                    found = true;
                    break;
                }
            }
        }
        if (!found)
            break;
    } while (decimals > previous);
}

void CGP_AxisBar::Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                       int originX, int originY) {
    if (layoutDirty)
        Layout(dc.device());
    FillRectColor(dc, originX + clipX, originY + clipY, clipWidth, clipHeight, backgroundColor);
    if (horizontal)
        DrawHorizontal(dc, clipX, clipY, clipWidth, clipHeight, originX, originY);
    else
        DrawVertical(dc, clipX, clipY, clipWidth, clipHeight, originX, originY);
}

void CGP_AxisBar::DrawHorizontal(QPainter& dc, int clipX, int, int clipWidth, int, int ox, int oy) {
    const int clipRight = clipX + clipWidth - 1;
    DrawLine(dc, ox + clipX, oy, ox + clipRight + 1, oy, kLightGrey, false);
    DrawLine(dc, ox + clipX, oy + 1, ox + clipRight + 1, oy + 1, kWhite, false);

    long long first, last;
    if (TickIndices(XToValue(clipX), XToValue(clipRight), tickOffset, minorStep, first, last)) {
        for (long long k = first; k <= last; ++k) {
            const int tx = ValueToX(k * minorStep + tickOffset);
            if (tx < clipX || tx > clipRight)
                continue;
            DrawLine(dc, ox + tx, oy, ox + tx, oy + 5, kGrey, false);
            if (tx < clipRight) // the shadow must not paint past the clip
                DrawLine(dc, ox + tx + 1, oy + 1, ox + tx + 1, oy + 5, kWhite, false);
        }
    }
    // Labels start one step early: a label left of the clip may reach into it.
    const double from = std::max(XToValue(clipX) - majorStep, rangeStart);
    if (TickIndices(from, XToValue(clipRight), tickOffset, majorStep, first, last)) {
        for (long long k = first; k <= last; ++k) {
            const double value = k * majorStep + tickOffset;
            const int tx = ValueToX(value);
            if (tx >= clipRight)
                continue;
            DrawLine(dc, ox + tx, oy, ox + tx, oy + 10, kGrey, false);
            DrawLine(dc, ox + tx + 1, oy + 1, ox + tx + 1, oy + 10, kWhite, false);
            const std::string label = FormatLabel(value);
            // Only whole labels: the last one would otherwise be cut at the bar's end.
            const int labelEnd = tx + 3 + LabelWidth(dc.device(), label);
            if (labelEnd >= 0 && labelEnd <= width)
                DrawTextLabel(dc, ox + tx + 3, oy + 3, 0, labelColor, QString::fromStdString(label),
                              1, 3, QString(), false, false, false, 0);
        }
    }
}

void CGP_AxisBar::DrawVertical(QPainter& dc, int, int clipY, int, int clipHeight, int ox, int oy) {
    const int clipBottom = clipY + clipHeight - 1;
    DrawLine(dc, ox + width - 1, oy, ox + width - 1, oy + clipBottom + 1, kBlack, false);
    DrawLine(dc, ox + width - 2, oy, ox + width - 2, oy + clipBottom + 1, kGrey, false);

    long long first, last;
    if (TickIndices(YToValue(clipBottom), YToValue(clipY), tickOffset, minorStep, first, last)) {
        for (long long k = first; k <= last; ++k) {
            const int ty = ValueToY(k * minorStep + tickOffset);
            if (ty < clipY || ty > clipBottom)
                continue;
            DrawLine(dc, ox + width - 6, oy + ty, ox + width - 1, oy + ty, kGrey, false);
            if (ty < clipBottom)
                DrawLine(dc, ox + width - 6, oy + ty + 1, ox + width - 1, oy + ty + 1, kWhite,
                         false);
        }
    }
    if (TickIndices(YToValue(clipBottom), YToValue(clipY), tickOffset, majorStep, first, last)) {
        for (long long k = first; k <= last; ++k) {
            const double value = k * majorStep + tickOffset;
            const int ty = ValueToY(value);
            if (ty <= digitHeight / 2 || ty >= height - digitHeight / 2 || ty < clipY ||
                ty > clipBottom)
                continue;
            const std::string label = FormatLabel(value);
            // Even the smallest font may be too wide: a cut label would read as another.
            if (LabelWidth(dc.device(), label) > width - kVerticalLabelInset)
                continue;
            DrawTextLabel(dc, ox + width - kVerticalLabelInset, oy + ty, labelPointSize,
                          labelColor, QString::fromStdString(label), 3, 2, QString(), false,
                          false, false, 0);
        }
    }
}

void CGP_AxisBar::Resize(int newWidth, int newHeight) {
    CGP_Graphic::Resize(newWidth, newHeight);
    layoutDirty = true;
}

void CGP_AxisBar::OnMouseEnter() {
    CGP_Graphic::OnMouseEnter();
    if (draggable && window != nullptr)
        window->SetCursorKind(kHandCursor);
}

void CGP_AxisBar::OnMouseLeave() {
    CGP_Graphic::OnMouseLeave();
    if (draggable && window != nullptr)
        window->SetCursorKind(0);
}

void CGP_AxisBar::OnButtonDown(int px, int py, int button, bool ctrl, bool shift) {
    CGP_Graphic::OnButtonDown(px, py, button, ctrl, shift);
    if (!draggable)
        return;
    if (window != nullptr)
        window->SetCapture(this);
    dragAnchor = horizontal ? px : py;
    dragging = true;
}

void CGP_AxisBar::OnMouseMove(int px, int py, int outcode) {
    CGP_Graphic::OnMouseMove(px, py, outcode);
    if (!dragging)
        return;
    const int parentLength = parent == nullptr ? 0 : (horizontal ? parent->width : parent->height);
    const int ownLength = horizontal ? width : height;
    // The bar is longer than its parent and slides under it, never leaving a gap.
    const int lowest = std::min(parentLength - ownLength, 0);
    if (horizontal)
        Move(std::clamp(x + px - dragAnchor, lowest, 0), y);
    else
        Move(x, std::clamp(y + py - dragAnchor, lowest, 0));
    Notify(kDragEvent, this);
}

void CGP_AxisBar::OnButtonUp(int px, int py, int button, bool ctrl, bool shift) {
    CGP_Graphic::OnButtonUp(px, py, button, ctrl, shift);
    if (!dragging)
        return;
    if (window != nullptr)
        window->SetCapture(nullptr);
    dragging = false;
}

void CGP_MultiTrackDisplayAxis::OnContextMenu(int px, int py) {
    CGP_AxisBar::OnContextMenu(px, py);
    if (window == nullptr)
        return;
    static const std::string kItems[] = {"Time", "Seconds"};
    const int chosen = window->PopupMenu(2, kItems, nullptr);
    if (chosen == 0)
        SetLabelFormat(1, 0);
    else if (chosen == 1)
        SetLabelFormat(0, 0);
}

void CGP_TrackDisplayAxis::OnContextMenu(int px, int py) {
    CGP_AxisBar::OnContextMenu(px, py);
    if (window == nullptr)
        return;
    static const std::string kItems[] = {"Sample values", "Percentage"};
    const int chosen = window->PopupMenu(2, kItems, nullptr);
    if (chosen == 0) {
        SetRange(-32767, 32767, tickOffset);
        SetTicks(10000, 5000, false);
    } else if (chosen == 1) {
        SetRange(-100, 100, tickOffset);
        SetTicks(25, 10, false);
    }
}
