#include "app/drawing.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kWhite = 0xffffffff;

// A white canvas; painting happens through the returned painter's scope.
struct Canvas {
    QImage image{64, 48, QImage::Format_RGB32};
    Canvas() { image.fill(Qt::white); }
    QRgb At(int x, int y) const { return image.pixel(x, y) | 0xff000000; }
    bool Inked(int x, int y) const { return At(x, y) != kWhite; }
    // The bounding box of every non-white pixel.
    QRect Ink() const {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (Inked(x, y))
                    box |= QRect(x, y, 1, 1);
        return box;
    }
};

QRgb Rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

} // namespace

TEST(ColorRef, LaidOutBlueGreenRed) {
    EXPECT_EQ(MakeColorRef(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(ToQColor(0x00563412u), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ToColorRef(QColor(1, 2, 3)), MakeColorRef(1, 2, 3));
}

TEST(DrawLine, LeavesOutTheEndPoint) {
    struct Case {
        const char* name;
        int x1, y1, x2, y2;
        int beforeEndX, beforeEndY;
    };
    const Case cases[] = {
        {"right", 5, 10, 20, 10, 19, 10},   {"left", 20, 10, 5, 10, 6, 10},
        {"down", 7, 3, 7, 30, 7, 29},       {"up", 7, 30, 7, 3, 7, 4},
        {"diagonal", 2, 2, 22, 22, 21, 21}, {"anti-diagonal", 30, 2, 10, 22, 11, 21},
        {"one step", 9, 9, 10, 9, 9, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas;
        {
            QPainter p(&canvas.image);
            DrawLine(p, c.x1, c.y1, c.x2, c.y2, MakeColorRef(255, 0, 0), false);
        }
        EXPECT_EQ(canvas.At(c.x1, c.y1), Rgb(255, 0, 0));
        EXPECT_EQ(canvas.At(c.beforeEndX, c.beforeEndY), Rgb(255, 0, 0));
        EXPECT_EQ(canvas.At(c.x2, c.y2), kWhite);
    }
}

TEST(DrawLine, DottedLeavesGapsAndAPointDrawsNothing) {
    Canvas canvas;
    {
        QPainter p(&canvas.image);
        DrawLine(p, 0, 5, 40, 5, MakeColorRef(0, 0, 0), true);
        DrawLine(p, 3, 20, 3, 20, MakeColorRef(0, 0, 0), false);
    }
    int inked = 0;
    for (int x = 0; x < 40; ++x)
        inked += canvas.Inked(x, 5);
    EXPECT_GT(inked, 5);
    EXPECT_LT(inked, 35);
    EXPECT_FALSE(canvas.Inked(40, 5));
    EXPECT_FALSE(canvas.Inked(3, 20));
}

TEST(DrawColumnPlot, EachColumnFromTopToBottomInclusive) {
    const ColumnPlotEntry entries[] = {
        {2, 6, MakeColorRef(255, 0, 0)},
        {5, 1, MakeColorRef(0, 255, 0)}, // upside down: the same pixels
        {4, 4, MakeColorRef(0, 0, 255)},
        {0, 9, MakeColorRef(0, 0, 255)},
    };
    Canvas canvas;
    {
        QPainter p(&canvas.image);
        DrawColumnPlot(p, 10, 20, 4, entries);
    }
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        int top = std::min(entries[i].top, entries[i].bottom);
        int bottom = std::max(entries[i].top, entries[i].bottom);
        for (int y = 18; y < 32; ++y) {
            QRgb expected = (y >= 20 + top && y <= 20 + bottom)
                                ? (ToQColor(entries[i].color).rgb() | 0xff000000)
                                : kWhite;
            EXPECT_EQ(canvas.At(10 + i, y), expected) << "y " << y;
        }
    }
    EXPECT_EQ(canvas.Ink(), QRect(10, 20, 4, 10));
}

TEST(Draw3DFrame, SunkenEdgesInTheirGreys) {
    Canvas canvas;
    {
        QPainter p(&canvas.image);
        Draw3DFrame(p, 4, 6, 30, 20); // right 33, bottom 25
    }
    struct Case {
        const char* where;
        int x, y;
        QRgb color;
    };
    const Case cases[] = {
        {"top-left corner", 4, 6, Rgb(128, 128, 128)},
        {"left outer", 4, 15, Rgb(128, 128, 128)},
        {"top outer", 20, 6, Rgb(128, 128, 128)},
        {"left inner", 5, 15, Rgb(64, 64, 64)},
        {"top inner", 20, 7, Rgb(64, 64, 64)},
        {"right outer", 33, 15, Rgb(255, 255, 255)},
        {"bottom outer", 20, 25, Rgb(255, 255, 255)},
        {"right inner", 32, 15, Rgb(192, 192, 192)},
        {"bottom inner", 20, 24, Rgb(192, 192, 192)},
        {"bottom-left corner", 4, 25, Rgb(255, 255, 255)},
        {"top-right corner", 33, 6, Rgb(255, 255, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_EQ(canvas.At(c.x, c.y), c.color);
    }
    // Nothing outside the frame. The inside is left alone: paint it red first to see.
    EXPECT_EQ(canvas.Ink(), QRect(4, 6, 29, 19)); // the white edges are not ink here
    Canvas red;
    red.image.fill(Qt::red);
    {
        QPainter p(&red.image);
        Draw3DFrame(p, 4, 6, 30, 20);
    }
    EXPECT_EQ(red.At(6, 8), Rgb(255, 0, 0));
    EXPECT_EQ(red.At(31, 23), Rgb(255, 0, 0));
}

TEST(FillRectColor, FillsExactlyTheRectangle) {
    Canvas canvas;
    {
        QPainter p(&canvas.image);
        FillRectColor(p, 3, 4, 10, 5, MakeColorRef(10, 20, 30));
    }
    EXPECT_EQ(canvas.Ink(), QRect(3, 4, 10, 5));
    EXPECT_EQ(canvas.At(12, 8), Rgb(10, 20, 30));
}

TEST(DrawRaisedEdge, LightAboveLeftDarkBelowRight) {
    Canvas canvas;
    canvas.image.fill(Qt::gray);
    {
        QPainter p(&canvas.image);
        DrawRaisedEdge(p, 2, 2, 40, 30);
    }
    EXPECT_GT(qGray(canvas.At(10, 2)), qGray(canvas.At(10, 31)));
    EXPECT_GT(qGray(canvas.At(2, 10)), qGray(canvas.At(41, 10)));
    EXPECT_EQ(canvas.At(0, 0), QColor(Qt::gray).rgb());
    EXPECT_EQ(canvas.At(43, 33), QColor(Qt::gray).rgb());
}

TEST(DrawLine, SamePixelsAsAFullLineLessItsEnd) {
    // Qt's own line includes its end point; the helper's must be that line without it.
    const QPoint ends[][2] = {{{3, 3}, {40, 17}},  {{40, 17}, {3, 3}},  {{10, 40}, {13, 2}},
                              {{60, 5}, {1, 44}},  {{5, 30}, {58, 29}}, {{20, 20}, {21, 45}},
                              {{40, 40}, {43, 20}}};
    for (const auto& e : ends) {
        SCOPED_TRACE(testing::Message()
                     << e[0].x() << "," << e[0].y() << " -> " << e[1].x() << "," << e[1].y());
        Canvas full, helper;
        {
            QPainter p(&full.image);
            QPen pen(Qt::black, 0);
            pen.setCosmetic(true);
            p.setPen(pen);
            p.drawLine(e[0], e[1]);
            p.setPen(Qt::white);
            p.drawPoint(e[1]);
        }
        {
            QPainter p(&helper.image);
            DrawLine(p, e[0].x(), e[0].y(), e[1].x(), e[1].y(), 0, false);
        }
        int differing = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                differing += full.At(x, y) != helper.At(x, y);
        EXPECT_EQ(differing, 0);
    }
}
