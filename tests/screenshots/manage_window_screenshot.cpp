// The "Manage MyTambrel" window under a real X server: panes, rows in several states and
// the progress bar, grabbed into build/screenshots/manage_window.png.

#include "tests/windows/manage/manage_fixture.h"
#include "tests/support_qt/qt_warnings.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Rough colour families of the status pictures.
bool IsGreen(QColor c) {
    return c.green() > 110 && c.green() > c.red() + 40 && c.green() > c.blue() + 40;
}
bool IsRed(QColor c) {
    return c.red() > 150 && c.red() > c.green() + 60 && c.red() > c.blue() + 60;
}
bool IsOrange(QColor c) {
    return c.red() > 180 && c.green() > 100 && c.blue() < 90;
}

// Whether any pixel of the rectangle has the colour family.
template <typename Family>
bool Shows(const QImage& image, QRect r, Family family) {
    r = r.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (family(image.pixelColor(x, y)))
                return true;
    return false;
}

using C = CatalogUpdateItem;

TEST_P(ManageWindowTest, ScreenshotShowsPanesRowsAndProgress) {
    ASSERT_NE(QGuiApplication::platformName(), "offscreen");
    const std::string catalogued = Sound("kick.wav", "-r 44100 -c 1 -b 16", 1);
    const std::string edited = Sound("snare.aif", "-r 22050 -c 2 -b 16", 2);
    const std::string fresh = Sound("pad.mp3", "-r 44100 -c 2", 3);
    const std::string au = Sound("voice.au", "-r 8000 -c 1 -b 16", 1);
    const std::string damaged = TextFile("broken.wav", "RIFF this is not a sound at all");
    ASSERT_TRUE(Drop({catalogued, edited}));
    box_->BeginUpdate();
    ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    ASSERT_TRUE(Drop({fresh, au, damaged}));
    Row(0).record.description = "Kick drum, dry";
    Row(1).record.description = "Snare with room";
    Row(1).record.category = "Drums";
    Row(1).edited = true;
    Row(2).record.description = "Warm pad";

    frame_->resize(1000, 560);
    frame_->FileListView().List().ShowFolder(folder_.Path("sounds"));
    frame_->TreeView().Tree().SelectPath(folder_.Path("sounds") + "/", true);
    frame_->ShowProgress(true, "Updating 3 of 5 (add)", 60);
    frame_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_));
    QTest::qWait(300);

    const QImage image = frame_->grab().toImage();
    const std::string out = std::string(TAMBREL_BINARY_DIR) + "/screenshots";
    std::filesystem::create_directories(out);
    ASSERT_TRUE(image.save(QString::fromStdString(out + "/manage_window.png")));

    EXPECT_EQ(frame_->windowTitle(), "Manage MyTambrel");
    EXPECT_EQ(frame_->UpdateButton().text(), "Start Updating MyTambrel");
    EXPECT_TRUE(frame_->UpdateButton().isVisible());
    ASSERT_NE(frame_->Progress(), nullptr);
    EXPECT_TRUE(frame_->Progress()->isVisible());
    EXPECT_EQ(frame_->FileListView().List().rowCount(), 5); // the damaged file is listed too

    // Each row's status picture sits at the left of its File Name cell.
    CatalogListCtrl& table = Table();
    auto statusRect = [&](int row) {
        const QRect cell = table.visualRect(table.model()->index(row, C::kFileName));
        const QPoint topLeft = table.viewport()->mapTo(frame_, cell.topLeft());
        return QRect(topLeft + QPoint(2, 1), QSize(20, cell.height() - 2));
    };
    EXPECT_TRUE(Shows(image, statusRect(0), IsGreen));  // catalogued
    EXPECT_TRUE(Shows(image, statusRect(1), IsOrange)); // catalogued, edited
    EXPECT_TRUE(Shows(image, statusRect(4), IsRed));    // could not be read
    EXPECT_FALSE(Shows(image, statusRect(2), IsRed));

    // Nothing overlaps: panes above the table, the button bar below it, the status bar last.
    const QRect tableArea(frame_->ListView().mapTo(frame_, QPoint(0, 0)),
                          frame_->ListView().size());
    const QRect panes(frame_->TreeView().mapTo(frame_, QPoint(0, 0)), frame_->TreeView().size());
    const QRect button(frame_->UpdateButton().mapTo(frame_, QPoint(0, 0)),
                       frame_->UpdateButton().size());
    EXPECT_LE(panes.bottom(), tableArea.top());
    EXPECT_LT(tableArea.bottom(), button.top());
    EXPECT_LT(button.bottom(), frame_->statusBar()->geometry().top());
    EXPECT_NEAR(button.center().x(), frame_->width() / 2, 2);
}

INSTANTIATE_ON_SQLITE(ManageWindowTest);

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return ExitStatusWithQtWarnings(RUN_ALL_TESTS());
}
