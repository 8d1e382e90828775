#include "windows/results/progress_meter_painting.h"

#include <QPainter>
#include <cstdint>

#include "app/drawing.h"

namespace {

constexpr int kBarInset = 4;
constexpr int kBarHeight = 10;
constexpr ColorRef kBarColor = MakeColorRef(32, 255, 64);

} // namespace

AudioProgressMeterGrf::AudioProgressMeterGrf(CGP_Graphic* parentNode, CGI_Window* ownerWindow,
                                             int px, int py, int w, int h, bool isFramed)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h), framed(isFramed) {}

void AudioProgressMeterGrf::SetPercent(int newPercent) {
    percent = newPercent;
    Redraw();
}

void AudioProgressMeterGrf::Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                                 int ox, int oy) {
    CGP_Graphic::Draw(dc, clipX, clipY, clipWidth, clipHeight, ox, oy);
    if (width <= 0 || height <= 0)
        return;
    // A meter lower than the bar or narrower than its insets would otherwise paint over
    // its neighbours on a card.
    dc.save();
    dc.setClipRect(ox, oy, width, height, Qt::IntersectClip);
    if (framed) {
        FillRectColor(dc, ox, oy, width, height, GetButtonFaceColor());
        DrawRaisedEdge(dc, ox, oy, width, height);
    }
    const int barWidth = width - 2 * kBarInset;
    if (percent >= 0 && percent < 100 && barWidth > 0) {
        const int filled = static_cast<int>(std::int64_t{barWidth} * percent / 100);
        const int bx = ox + kBarInset, by = oy + (height - kBarHeight) / 2;
        FillRectColor(dc, bx, by, filled, kBarHeight, kBarColor);
        FillRectColor(dc, bx + filled, by, barWidth - filled, kBarHeight, GetButtonFaceColor());
        Draw3DFrame(dc, bx, by, barWidth, kBarHeight);
    }
    dc.restore();
}
