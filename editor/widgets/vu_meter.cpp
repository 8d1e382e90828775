#include "editor/widgets/vu_meter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/drawing.h"

namespace {

constexpr double kFloorDb = -90.0;
constexpr ColorRef kPeakColor = 0x00FF00;
constexpr ColorRef kEdgeColor = 0xF8F8F8;
constexpr ColorRef kBlack = 0x000000;
constexpr int kZoneEdge = 6; // zone-coloured pixels at each end of a lit row

// Red at the top, through olive to green below.
ColorRef ZoneColor(int row, int rows) {
    const int t1 = static_cast<int>(0.15 * rows), t2 = static_cast<int>(0.3 * rows);
    int red, green;
    if (row <= t1) {
        red = 128;
        green = t1 > 0 ? row * 128 / t1 : 0; // a meter a few rows high has no red zone
    } else if (row <= t2) {
        red = (t2 - row) * 128 / (t2 - t1);
        green = 128;
    } else {
        red = 0;
        green = (rows - row) * 128 / (rows - t2);
    }
    return MakeColorRef(red, green, 0);
}

} // namespace

CGP_VUMeter::CGP_VUMeter(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px, int py, int w,
                         int h)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h) {}

void CGP_VUMeter::SetLevels(double newLevel, double newRecentPeak, std::uint32_t newColour) {
    level = static_cast<float>(newLevel);
    recentPeak = static_cast<float>(newRecentPeak);
    colour = newColour;
    peakHold = std::max(peakHold, level);
}

int CGP_VUMeter::LevelRow(float linear, int rows) {
    const double floor = std::pow(10.0, kFloorDb / 20.0);
    double db = 20.0 * std::log10(std::max(static_cast<double>(linear), floor));
    db = std::clamp(db, kFloorDb, 0.0);
    const int row = static_cast<int>(std::round(db * rows / kFloorDb));
    return std::min(row, rows - 1);
}

void CGP_VUMeter::Draw(QPainter& dc, int, int, int, int, int ox, int oy) {
    const int rows = height - 4;
    Draw3DFrame(dc, ox + 20, oy, width - 20, height);
    if (rows <= 0)
        return;
    const int barLeft = ox + 22, barRight = ox + 22 + (width - 20) - 5; // right end excluded
    const int levelRow = LevelRow(level, rows), peakRow = LevelRow(recentPeak, rows);
    for (int r = rows - 1; r >= 0; --r) {
        const int ly = oy + r + 2;
        const ColorRef zone = ZoneColor(r, rows);
        if (r == peakRow) {
            DrawLine(dc, barLeft, ly, barRight, ly, kPeakColor, false);
        } else if (r > levelRow) {
            DrawLine(dc, barLeft, ly, barLeft + kZoneEdge, ly, zone, false);
            DrawLine(dc, barRight - kZoneEdge, ly, barRight, ly, zone, false);
            const int innerLeft = barLeft + kZoneEdge, innerRight = barRight - kZoneEdge;
            if (r == levelRow + 1) {
                DrawLine(dc, innerLeft, ly, innerRight, ly, kEdgeColor, false);
            } else {
                DrawLine(dc, innerLeft, ly, innerLeft + 1, ly, kEdgeColor, false);
                DrawLine(dc, innerRight - 1, ly, innerRight, ly, kEdgeColor, false);
                DrawLine(dc, innerLeft + 1, ly, innerRight - 1, ly, colour, false);
            }
        } else {
            DrawLine(dc, barLeft, ly, barRight, ly, zone, false);
        }
    }
    for (int db = 6; db <= 84; db += 6) {
        const int ty = oy + rows * db / 90 + 2;
        DrawLine(dc, ox + 17, ty, ox + 20, ty, kBlack, false);
        if (db % 12 == 6)
            DrawTextLabel(dc, ox + 17, ty, 7, kBlack, QString::number(-db), 3, 2,
                          QStringLiteral("Arial"), false, false, false, 0);
    }
}
