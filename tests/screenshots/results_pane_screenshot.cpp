// The main window's results pane under a real X server, over the same hits as a table and
// as cards, grabbed into build/screenshots/results_table.png and results_cards.png.

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "tests/windows/results/results_test_support.h"
#include "windows/results/results_list.h"
#include "windows/results/results_views.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/result_cards.h"
#include "windows/results/results_table.h"
#include "tests/support_qt/qt_warnings.h"

namespace {

bool Colourful(QColor c) {
    return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60;
}

int CountColourful(const QImage& image, QRect r) {
    r = r.intersected(image.rect());
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            count += Colourful(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

std::string SaveShot(const QImage& image, const char* name) {
    const std::string out = std::string(TAMBREL_BINARY_DIR) + "/screenshots";
    std::filesystem::create_directories(out);
    const std::string path = out + "/" + name;
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
}

TEST(ResultsPaneScreenshot, SameHitsAsTableAndAsCards) {
    ASSERT_NE(QGuiApplication::platformName(), "offscreen");
    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    QWidget frame;
    frame.setWindowTitle("Corvessa Tambrel");
    auto* pane = new SinglePageResultsView(&frame, &tableServices);
    ResultsListObj list(pane->Results(), ResultsListObj::kMyTambrel, &listServices);
    pane->AttachList(&list, 9);
    const char* names[] = {"dog%20bark.wav", "door slam.aiff", "rain on roof.wav",
                           "snare 02.wav", "wind gust.au", "bell.mp3"};
    const char* descriptions[] = {"Dog barking twice", "Heavy wooden door", "Light rain, close",
                                  "Snare hit, dry", "Gust through trees", "Small hand bell"};
    for (int i = 0; i < 6; ++i) {
        SoundFileObj file = HitFile(i + 1, std::string("/home/user/sounds/") + names[i]);
        file.description = descriptions[i];
        file.category = i < 3 ? "Nature" : "Percussion";
        file.genre = "Foley";
        list.InsertRow(file, HitVariant(i + 1, i == 3 ? 88200 : 44100, 1500 + 2500 * i, 40 + 12 * i),
                       0, 0, true, i == 1);
    }
    pane->Results()->Tabular()->Columns()->SetRowSelected(2, true, false);
    frame.resize(980, 420);
    pane->setGeometry(frame.rect());
    pane->ShowTabular(true);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QTest::qWait(200);

    // The table.
    const QImage table = frame.grab().toImage();
    SaveShot(table, "results_table.png");
    TabularResultsWnd* tabular = pane->Results()->Tabular();
    TabularColumnsCtrl* columns = tabular->Columns();
    EXPECT_TRUE(tabular->isVisible());
    EXPECT_EQ(frame.windowTitle(), "Corvessa Tambrel");
    EXPECT_EQ(pane->TableBox()->text(), "Show hits in a table");
    EXPECT_TRUE(pane->TableBox()->isChecked());
    EXPECT_EQ(columns->model()->headerData(0, Qt::Horizontal).toString(), "Waveform");
    EXPECT_EQ(columns->model()->headerData(1, Qt::Horizontal).toString(), "File Name");
    auto inFrame = [&](QWidget* w, QRect r) { return QRect(w->mapTo(&frame, r.topLeft()), r.size()); };
    // Waveforms are coloured, the selected row light blue, odd rows light grey.
    const QRect wave = inFrame(columns->viewport(), columns->visualRect(columns->model()->index(0, 0)));
    EXPECT_GT(CountColourful(table, wave), 40);
    const QRect selectedName =
        inFrame(columns->viewport(), columns->visualRect(columns->model()->index(2, 3)));
    EXPECT_EQ(table.pixelColor(selectedName.topLeft() + QPoint(2, 2)), QColor(192, 192, 255));
    const QRect oddName = inFrame(columns->viewport(), columns->visualRect(columns->model()->index(1, 3)));
    EXPECT_EQ(table.pixelColor(oddName.topLeft() + QPoint(2, 2)), QColor(240, 240, 240));
    // Nothing overlaps: the strip left of the table, the box below the results.
    const QRect strip = inFrame(tabular->Strip(), tabular->Strip()->rect());
    const QRect tableArea = inFrame(columns, columns->rect());
    EXPECT_LE(strip.right(), tableArea.left());
    EXPECT_GT(strip.top(), inFrame(tabular->Corner(), tabular->Corner()->rect()).top());
    EXPECT_LT(inFrame(pane->Results(), pane->Results()->rect()).bottom(),
              inFrame(pane->TableBox(), pane->TableBox()->rect()).top());
    // The strip's Play button of the first row carries its icon.
    ASSERT_NE(tabular->Strip()->GetButtonAt(0, 0), nullptr);
    EXPECT_FALSE(tabular->Strip()->GetButtonAt(0, 0)->icon().isNull());

    // The cards over the same hits, without rebuilding anything.
    pane->ShowTabular(false);
    QTest::qWait(200);
    const QImage cards = frame.grab().toImage();
    SaveShot(cards, "results_cards.png");
    auto* stacked = pane->Results()->Stacked()->Widget();
    EXPECT_TRUE(stacked->isVisible());
    EXPECT_FALSE(tabular->isVisible());
    EXPECT_EQ(static_cast<StackedResultsWnd*>(stacked)->RowCount(), 6);
    EXPECT_EQ(columns->rowCount(), 6);
    EXPECT_FALSE(pane->TableBox()->isChecked());
    EXPECT_GT(CountColourful(cards, inFrame(stacked, stacked->rect())), 200);
    pane->DetachList();
}

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return ExitStatusWithQtWarnings(RUN_ALL_TESTS());
}
