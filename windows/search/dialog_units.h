#pragma once
// Dialog units turned into pixels through a font's metrics: the base width is the average
// width of the Latin letters and the base height the font's line height, so that a form laid
// out in units grows with its font.

#include <QFont>
#include <QRect>

struct DialogUnits {
    int baseX = 8;  // average character width, pixels
    int baseY = 16; // character height, pixels

    static DialogUnits ForFont(const QFont& font);

    // Dialog units: 8 down per base unit, and 3 (not the classic 4) across, since Qt's
    // controls carry wider frames and arrows than the classic ones the layouts were made for.
    int X(int units) const { return units * baseX / 3; }
    int Y(int units) const { return units * baseY / 8; }
    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }

    // The search form's tenths of the system's dialog base units, which stand about a third
    // wider and a quarter taller than the form font's own character cell.
    int TenthsX(int units) const { return units * baseX * 4 / 30; }
    int TenthsY(int units) const { return units * baseY * 5 / 40; }
};
