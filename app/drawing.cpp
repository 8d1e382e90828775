#include "app/drawing.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QRegion>
#include <algorithm>
#include <optional>
#include <qdrawutil.h>

#include "app/resources.h"

namespace {

std::optional<QFont>& DefaultFont() {
    static std::optional<QFont> font;
    return font;
}

QFont MakeFont(int size, const QString& face, bool bold, bool italic, bool underline) {
    return CreateFontFromSpec(face, size, bold, italic, underline, 0).font;
}

} // namespace

ColorRef GetButtonFaceColor() {
    return ToColorRef(QApplication::palette().color(QPalette::Active, QPalette::Button));
}

void SetDefaultFont(const QFont& font) {
    DefaultFont() = font;
}
void ClearDefaultFont() {
    DefaultFont().reset();
}

TextFont CreateFontFromSpec(const QString& face, int sizePoints, bool bold, bool italic,
                            bool underline, int orientation) {
    TextFont result;
    result.orientation = orientation;
    const auto& base = DefaultFont();
    if (!base || (!face.isEmpty() && sizePoints > 0)) {
        QFont font(face);
        if (sizePoints > 0)
            font.setPointSize(sizePoints);
        font.setWeight(bold ? QFont::Bold : QFont::Normal);
        font.setItalic(italic);
        font.setUnderline(underline);
        result.font = font;
        return result;
    }
    QFont font = *base;
    if (italic)
        font.setItalic(true);
    if (underline)
        font.setUnderline(true);
    if (bold)
        font.setWeight(QFont::Bold);
    if (!face.isEmpty())
        font.setFamily(face);
    if (sizePoints > 0)
        font.setPointSize(sizePoints);
    result.font = font;
    return result;
}

void DrawLine(QPainter& p, int x1, int y1, int x2, int y2, ColorRef color, bool dotted) {
    if (x1 == x2 && y1 == y2)
        return;
    p.save();
    QPen pen(ToQColor(color), dotted ? 1 : 0, dotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBackgroundMode(Qt::TransparentMode);
    // Qt's line includes its end point; clipping that one pixel away keeps every other
    // pixel where Qt puts it, so lines drawn end to start join without a double pixel.
    QRect box = QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized().adjusted(-1, -1, 1, 1);
    p.setClipRegion(QRegion(box) - QRegion(x2, y2, 1, 1), Qt::IntersectClip);
    p.drawLine(x1, y1, x2, y2);
    p.restore();
}

void DrawRaisedEdge(QPainter& p, int x, int y, int width, int height) {
    qDrawWinPanel(&p, x, y, width, height, QApplication::palette(), false);
}

void FillRectColor(QPainter& p, int x, int y, int width, int height, ColorRef color) {
    p.fillRect(x, y, width, height, ToQColor(color));
}

void DrawColumnPlot(QPainter& p, int x, int y, int count, const ColumnPlotEntry* entries) {
    for (int i = 0; i < count; ++i) {
        int top = std::min(entries[i].top, entries[i].bottom);
        int bottom = std::max(entries[i].top, entries[i].bottom);
        p.fillRect(x + i, y + top, 1, bottom - top + 1, ToQColor(entries[i].color));
    }
}

void Draw3DFrame(QPainter& p, int x, int y, int width, int height) {
    const ColorRef grey = MakeColorRef(128, 128, 128), dark = MakeColorRef(64, 64, 64),
                   white = MakeColorRef(255, 255, 255), light = MakeColorRef(192, 192, 192);
    int r = x + width - 1, b = y + height - 1;
    DrawLine(p, x, b, x, y, grey, false);                  // left outer
    DrawLine(p, x, y, r, y, grey, false);                  // top outer
    DrawLine(p, x + 1, b - 1, x + 1, y + 1, dark, false);  // left inner
    DrawLine(p, x + 1, y + 1, r - 1, y + 1, dark, false);  // top inner
    DrawLine(p, x, b, r + 1, b, white, false);             // bottom outer
    DrawLine(p, r, y, r, b, white, false);                 // right outer
    DrawLine(p, x + 1, b - 1, r, b - 1, light, false);     // bottom inner
    DrawLine(p, r - 1, y + 1, r - 1, b - 1, light, false); // right inner
}

void DrawBitmapResource(QPainter& p, int x, int y, int bitmapId) {
    QPixmap bitmap = ResourceBitmap(bitmapId);
    if (!bitmap.isNull())
        p.drawPixmap(x, y, bitmap);
}

void DrawTextLabel(QPainter& p, int x, int y, int size, ColorRef color, const QString& text,
                   int halign, int valign, const QString& face, bool bold, bool italic,
                   bool underline, int orientation) {
    TextFont font = CreateFontFromSpec(face, size, bold, italic, underline, orientation);
    // The width is an estimate of 10 pixels a character; alignment is inside that box.
    int w = 10 * static_cast<int>(text.size());
    int left = x, flags = Qt::TextSingleLine | Qt::TextDontClip;
    if (halign == 2) {
        left = x - w / 2;
        flags |= Qt::AlignHCenter;
    } else if (halign == 3) {
        left = x - w;
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    int top = y - 20;
    if (valign == 1) {
        flags |= Qt::AlignBottom;
    } else if (valign == 2) {
        top = y - 10;
        flags |= Qt::AlignVCenter;
    } else if (valign == 3) {
        top = y;
        flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    p.save();
    p.setFont(font.font);
    p.setPen(ToQColor(color));
    p.setBackgroundMode(Qt::TransparentMode);
    if (font.orientation != 0) {
        p.translate(x, y);
        p.rotate(-font.orientation / 10.0);
        p.translate(-x, -y);
    }
    p.drawText(QRect(left, top, w, 20), flags, text);
    p.restore();
}

void MeasureText(const QPaintDevice* device, int size, const QString& text, const QString& face,
                 bool bold, bool italic, bool underline, int orientation, int& width, int& height) {
    QFont font = MakeFont(size, face, bold, italic, underline);
    QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    QRect extent = metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, text);
    width = extent.width();
    height = extent.height();
}

int FitTextWidth(const QPaintDevice* device, int size, const QString& text, const QString& face,
                 bool bold, bool italic, bool underline, int width, const QString& breakChars) {
    const int length = static_cast<int>(text.size());
    if (width <= 0)
        return length;
    QFont font = MakeFont(size, face, bold, italic, underline);
    QFontMetrics metrics = device ? QFontMetrics(font, device) : QFontMetrics(font);
    int fitted = 0, sum = 0, start = 0;
    while (start < length) {
        int end = start;
        while (end < length && !breakChars.contains(text[end]))
            ++end;
        if (end < length)
            ++end; // the break character belongs to its piece
        sum += metrics.horizontalAdvance(text.mid(start, end - start));
        if (sum >= width)
            break;
        fitted = end;
        start = end;
    }
    return fitted == 0 ? length : fitted;
}
