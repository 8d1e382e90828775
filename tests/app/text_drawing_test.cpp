#include "app/drawing.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// The bounding box of every pixel that is not white.
QRect Ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xff000000) != 0xffffffff)
                box |= QRect(x, y, 1, 1);
    return box;
}

class DefaultFontScope {
public:
    explicit DefaultFontScope(const QFont& f) { SetDefaultFont(f); }
    ~DefaultFontScope() { ClearDefaultFont(); }
};

} // namespace

TEST(CreateFontFromSpec, WithoutADefaultOrWithFaceAndSizeTheSpecHolds) {
    TextFont f = CreateFontFromSpec("Courier", 14, true, true, false, 900);
    EXPECT_EQ(f.font.family(), "Courier");
    EXPECT_EQ(f.font.pointSize(), 14);
    EXPECT_EQ(f.font.weight(), QFont::Bold);
    EXPECT_TRUE(f.font.italic());
    EXPECT_FALSE(f.font.underline());
    EXPECT_EQ(f.orientation, 900);

    QFont base("Serif", 11);
    base.setItalic(true);
    DefaultFontScope scope(base);
    TextFont g = CreateFontFromSpec("Courier", 8, false, false, true, 0);
    EXPECT_EQ(g.font.family(), "Courier");
    EXPECT_EQ(g.font.pointSize(), 8);
    EXPECT_FALSE(g.font.italic()); // face and size given: nothing comes from the default
    EXPECT_EQ(g.font.weight(), QFont::Normal);
}

TEST(CreateFontFromSpec, OtherwiseTheDefaultIsCopiedAndChanged) {
    QFont base("Serif", 11);
    base.setItalic(true);
    DefaultFontScope scope(base);

    TextFont kept = CreateFontFromSpec("", 0, false, false, false, 0);
    EXPECT_EQ(kept.font.family(), "Serif");
    EXPECT_EQ(kept.font.pointSize(), 11);
    EXPECT_TRUE(kept.font.italic()); // not asked: as in the default

    TextFont changed = CreateFontFromSpec("Courier", 0, true, false, true, 450);
    EXPECT_EQ(changed.font.family(), "Courier");
    EXPECT_EQ(changed.font.pointSize(), 11);
    EXPECT_EQ(changed.font.weight(), QFont::Bold);
    EXPECT_TRUE(changed.font.underline());
    EXPECT_EQ(changed.orientation, 450);

    TextFont sized = CreateFontFromSpec("", 20, false, false, false, 0);
    EXPECT_EQ(sized.font.family(), "Serif");
    EXPECT_EQ(sized.font.pointSize(), 20);
}

TEST(DrawTextLabel, AlignmentPlacesTheInkAroundThePoint) {
    struct Case {
        const char* name;
        int halign, valign;
        // Expected sides of the ink relative to the point (x = 100, y = 50).
        bool leftOfX, rightOfX, aboveY, belowY;
    };
    const Case cases[] = {
        {"left, default", 0, 0, false, true, true, false},
        {"right, bottom", 3, 1, true, false, true, false},
        {"centred, centred", 2, 2, true, true, true, true},
        {"left, top at y", 1, 3, false, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            DrawTextLabel(p, 100, 50, 10, MakeColorRef(0, 0, 0), "HHH", c.halign, c.valign, "Arial",
                          false, false, false, 0);
        }
        QRect ink = Ink(image);
        ASSERT_FALSE(ink.isNull());
        EXPECT_EQ(ink.left() < 100, c.leftOfX);
        EXPECT_EQ(ink.right() > 100, c.rightOfX);
        EXPECT_EQ(ink.top() < 50, c.aboveY);
        EXPECT_EQ(ink.bottom() > 50, c.belowY);
        EXPECT_GE(ink.top(), 50 - 20);
        EXPECT_LE(ink.bottom(), 50 + 20);
    }
}

TEST(MeasureText, GrowsWithTextAndLines) {
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0, w3 = 0, h3 = 0;
    MeasureText(nullptr, 10, "abc", "Arial", false, false, false, 0, w1, h1);
    MeasureText(nullptr, 10, "abcabc", "Arial", false, false, false, 0, w2, h2);
    MeasureText(nullptr, 10, "abc\nabc", "Arial", false, false, false, 0, w3, h3);
    EXPECT_GT(w1, 0);
    EXPECT_GT(w2, w1);
    EXPECT_EQ(h2, h1);
    EXPECT_EQ(w3, w1);
    EXPECT_GT(h3, h1);
}

TEST(FitTextWidth, CutsAfterABreakCharacterThatFits) {
    const QString text = "one two three four";
    auto width = [](const QString& s) {
        int w = 0, h = 0;
        MeasureText(nullptr, 10, s, "Arial", false, false, false, 0, w, h);
        return w;
    };
    auto fit = [&](int w) {
        return FitTextWidth(nullptr, 10, text, "Arial", false, false, false, w, " ");
    };
    const int firstTwo = width("one two ");
    EXPECT_EQ(fit(firstTwo + 1), 8);
    EXPECT_EQ(fit(width("one two three ") + 1), 14);
    EXPECT_EQ(fit(3), text.size()); // nothing fits: the whole text
    EXPECT_EQ(fit(0), text.size()); // no width
    EXPECT_EQ(fit(-5), text.size());
    EXPECT_EQ(fit(100000), text.size()); // everything fits
    EXPECT_EQ(
        FitTextWidth(nullptr, 10, "a,b;c", "Arial", false, false, false, width("a,b;") + 1, ",;"),
        4);
}
