#include "editor/widgets/textbox.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "tests/editor/click_listener.h"
#include "tests/editor/recording_node.h"

namespace {

constexpr ColorRef kBlack = 0x000000, kRed = 0x0000FF, kYellow = 0x00FFFF;

QImage Paint(CGP_Textbox& box) {
    QImage image(box.width, box.height, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter dc(&image);
    box.Draw(dc, 0, 0, box.width, box.height, 0, 0);
    return image;
}

// Whether a pixel of the image is close to the colour (text is antialiased).
bool HasInk(const QImage& image, int left, int right, QColor color) {
    for (int x = left; x < right; ++x)
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) < 60 && std::abs(c.green() - color.green()) < 60 &&
                std::abs(c.blue() - color.blue()) < 60)
                return true;
        }
    return false;
}

class TextboxTest : public ::testing::Test {
protected:
    RecordingWindow window{400, 100};
    ClickListener* card = new ClickListener(&window, &window, 0, 0, 400, 100);
    CGP_Textbox* box = new CGP_Textbox(card, &window, 0, 0, 300, 30);

    void SetUp() override {
        box->SetText("Link");
        box->SetColors(kBlack, kYellow, kRed);
        Paint(*box); // measures the text
    }
    void TearDown() override { window.DeleteChildren(); }
    // A point on the text and one in the box beside it.
    int TextX() const { return box->TextLeft() + box->textWidth / 2; }
    int TextY() const { return box->TextTop() + box->textHeight / 2; }
};

TEST_F(TextboxTest, DrawsItsBackgroundAndTheTextInTheHoverColourUnderTheMouse) {
    QImage image = Paint(*box);
    EXPECT_EQ(image.pixelColor(box->width - 1, 0), QColor(255, 255, 0));
    EXPECT_TRUE(HasInk(image, 0, box->textWidth, Qt::black));
    EXPECT_FALSE(HasInk(image, 0, box->width, Qt::red));

    window.OnMouseMove(TextX(), TextY(), 0);
    EXPECT_TRUE(box->hoveredText);
    EXPECT_EQ(window.cursorKind, 2);
    image = Paint(*box);
    EXPECT_TRUE(HasInk(image, 0, box->textWidth, Qt::red));

    window.OnMouseMove(box->width - 5, TextY(), 0); // in the box, beside the text
    EXPECT_FALSE(box->hoveredText);
    EXPECT_EQ(window.cursorKind, 0);
}

TEST_F(TextboxTest, AClickOnTheTextIsReportedButNotOneBesideIt) {
    window.OnMouseMove(box->width - 5, TextY(), 0);
    window.OnButtonDown(box->width - 5, TextY(), 0, false, false);
    window.OnButtonUp(box->width - 5, TextY(), 0, false, false);
    EXPECT_TRUE(card->reports.empty());

    window.OnMouseMove(TextX(), TextY(), 0);
    window.OnButtonDown(TextX(), TextY(), 0, false, false);
    window.OnButtonUp(TextX(), TextY(), 0, false, false);
    ASSERT_EQ(card->reports.size(), 1u);
    EXPECT_EQ(card->reports[0].first, 1);
    EXPECT_EQ(card->reports[0].second, box);
}

TEST_F(TextboxTest, APlainTextStillReportsClicksButNeverShowsTheHand) {
    box->SetColors(kBlack, kYellow, kBlack);
    window.OnMouseMove(TextX(), TextY(), 0);
    EXPECT_EQ(window.cursorKind, 0);
    window.OnButtonDown(TextX(), TextY(), 0, false, false);
    window.OnButtonUp(TextX(), TextY(), 0, false, false);
    EXPECT_EQ(card->reports.size(), 1u);
}

TEST_F(TextboxTest, AlignmentPlacesTheText) {
    box->SetAlignment(3, 3);
    QImage image = Paint(*box);
    EXPECT_EQ(box->TextLeft(), box->width - box->textWidth);
    EXPECT_EQ(box->TextTop(), 0);
    EXPECT_FALSE(HasInk(image, 0, box->width / 2, Qt::black));
    EXPECT_TRUE(HasInk(image, box->width / 2, box->width, Qt::black));
    box->SetAlignment(1, 1);
    image = Paint(*box);
    EXPECT_EQ(box->TextTop(), box->height - box->textHeight);
    EXPECT_FALSE(HasInk(image, box->width / 2, box->width, Qt::black));
}

TEST_F(TextboxTest, WrapsAtBreakCharactersOnly) {
    const std::string text = "one two three four five six seven eight";
    box->SetText(text);
    box->lineHeight = 16;
    box->width = 80;
    box->WrapText(" ");
    ASSERT_GT(box->LineCount(), 2);
    EXPECT_EQ(box->height, box->LineCount() * 16);
    QString joined;
    for (int i = 0; i < box->LineCount(); ++i) {
        if (i + 1 < box->LineCount()) {
            EXPECT_TRUE(box->Line(i).endsWith(' ')) << box->Line(i).toStdString();
        }
        joined += box->Line(i);
    }
    EXPECT_EQ(joined.toStdString(), text);

    // Without a break character the text stays on one line, however wide.
    box->SetText("abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz");
    box->WrapText(" ");
    EXPECT_EQ(box->LineCount(), 1);
    EXPECT_EQ(box->height, 16);

    box->SetText("");
    box->WrapText(" ");
    EXPECT_EQ(box->LineCount(), 1);
}

} // namespace
