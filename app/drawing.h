#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

class QPainter;
class QPaintDevice;

// Colours cross the program as 32-bit values laid out 0x00BBGGRR.
using ColorRef = std::uint32_t;
constexpr ColorRef MakeColorRef(int r, int g, int b) {
    return static_cast<ColorRef>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
inline QColor ToQColor(ColorRef c) {
    return QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff);
}
inline ColorRef ToColorRef(const QColor& c) {
    return MakeColorRef(c.red(), c.green(), c.blue());
}

ColorRef GetButtonFaceColor();

// A font with its orientation, in tenths of a degree counter-clockwise (Qt fonts have
// none: drawing rotates the painter).
struct TextFont {
    QFont font;
    int orientation = 0;
};

// The font the drawing helpers start from when no face or size is given.
void SetDefaultFont(const QFont& font);
void ClearDefaultFont();

// sizePoints 0 and an empty face mean "as in the default font".
TextFont CreateFontFromSpec(const QString& face, int sizePoints, bool bold, bool italic,
                            bool underline, int orientation);

// From (x1, y1) towards (x2, y2), leaving out the end point. Solid, or dotted.
void DrawLine(QPainter& p, int x1, int y1, int x2, int y2, ColorRef color, bool dotted);
void DrawRaisedEdge(QPainter& p, int x, int y, int width, int height);
void FillRectColor(QPainter& p, int x, int y, int width, int height, ColorRef color);

struct ColumnPlotEntry {
    std::uint16_t top;
    std::uint16_t bottom;
    std::uint32_t color; // ColorRef
};
static_assert(sizeof(ColumnPlotEntry) == 8);

// Entry i is a vertical line at x + i from y + top to y + bottom, both ends included.
void DrawColumnPlot(QPainter& p, int x, int y, int count, const ColumnPlotEntry* entries);
// A sunken frame: grey and dark grey on the left and top, white and light grey on the
// right and bottom.
void Draw3DFrame(QPainter& p, int x, int y, int width, int height);
void DrawBitmapResource(QPainter& p, int x, int y, int bitmapId);

// halign: 2 centred on x, 3 right-aligned on x, otherwise left from x. valign: 1 bottom
// at y, 2 centred on y, 3 top at y, otherwise top at y - 20.
void DrawTextLabel(QPainter& p, int x, int y, int size, ColorRef color, const QString& text,
                   int halign, int valign, const QString& face, bool bold, bool italic,
                   bool underline, int orientation);
void MeasureText(const QPaintDevice* device, int size, const QString& text, const QString& face,
                 bool bold, bool italic, bool underline, int orientation, int& width, int& height);
// How many characters of text fit in width when it is cut just after one of the break
// characters; the whole length when nothing fits or width is not above 0.
int FitTextWidth(const QPaintDevice* device, int size, const QString& text, const QString& face,
                 bool bold, bool italic, bool underline, int width, const QString& breakChars);
