#include "editor/widgets/static_waveform.h"

#include <QPainter>
#include <algorithm>

#include "app/drawing.h"

namespace {
// The dots after a summary of a longer sound: every fourth column of 12.
constexpr int kTailColumns = 12;
constexpr int kDotSpacing = 4;
constexpr ColorRef kGrey = 0x808080;
constexpr ColorRef kBlack = 0x000000;
} // namespace

CGP_StaticWaveform::CGP_StaticWaveform(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px,
                                       int py, int w, int h)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h) {}

void CGP_StaticWaveform::SetPoints(int count, const WaveformPoint* newPoints, bool goesOn) {
    points.clear();
    continues = goesOn;
    if (newPoints == nullptr || count <= 0) {
        pointCount = 0;
        return;
    }
    points.assign(newPoints, newPoints + count);
    pointCount = count;
}

void CGP_StaticWaveform::SetPixelsPerPoint(int pixels) {
    pixelsPerPoint = pixels;
}

void CGP_StaticWaveform::SetXOffset(int pixels) {
    xOffset = pixels;
}

void CGP_StaticWaveform::SetColored(bool on) {
    colored = on;
}

void CGP_StaticWaveform::Draw(QPainter& dc, int clipX, int, int clipWidth, int, int originX,
                              int originY) {
    // Less than a pixel per point has no column to draw in.
    if (pixelsPerPoint <= 0)
        return;
    const int end = xOffset + pointCount * pixelsPerPoint;
    const int drawnEnd = continues ? end + kTailColumns : end;
    const int first = std::max(clipX, xOffset);
    const int last = std::min(clipX + clipWidth, drawnEnd);
    for (int i = first; i < last; ++i) {
        if (i < end) {
            const WaveformPoint& point = points[(i - xOffset) / pixelsPerPoint];
            const int bottom = originY + (255 - point.minimum) * height / 256;
            const int top = originY + (255 - point.maximum) * height / 256;
            const ColorRef color =
                colored ? MakeColorRef(point.red, point.green, point.blue) : kGrey;
            // The pixels DrawLine puts from bottom to top, its end point left out, as one
            // column fill: a clipped line per column made a table of hits slow to paint.
            if (bottom > top)
                FillRectColor(dc, originX + i, top + 1, 1, bottom - top, color);
            else if (bottom < top)
                FillRectColor(dc, originX + i, bottom, 1, top - bottom, color);
        } else if ((i - end + 1) % kDotSpacing == 0) {
            FillRectColor(dc, originX + i, originY + height / 2, 1, 1, kBlack);
        }
    }
}
