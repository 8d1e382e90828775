// A text search window under a real X server: hits of both collections, the WebTambrel page
// in view as cards, the advanced form open; grabbed into build/screenshots/search_window.png.

#include "tests/windows/search/search_catalog_fixture.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTabBar>

#include "windows/search/advanced_search_view.h"
#include "tests/support_qt/qt_warnings.h"

namespace {

// A pixel of clear colour, as a waveform coloured by its sound draws, not a grey of the style.
bool IsColoured(QColor c) {
    const int hi = std::max({c.red(), c.green(), c.blue()});
    const int lo = std::min({c.red(), c.green(), c.blue()});
    return hi - lo > 60;
}

int CountColoured(const QImage& image, QRect r) {
    r = r.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += IsColoured(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

QRect In(QWidget* w, QWidget* frame) {
    return {w->mapTo(frame, QPoint(0, 0)), w->size()};
}

TEST_P(SearchBoxTest, ScreenshotShowsBothPagesAndTheAdvancedForm) {
    ASSERT_NE(QGuiApplication::platformName(), "offscreen");
    WriteProfileInt("SearchTabular", 0); // cards, with their coloured waveforms
    SearchBoxObj& box = host_->OpenText("");
    SearchFrm* frame = box.Frame();
    frame->resize(1100, 680);
    SearchView* form = frame->Form();
    QTest::mouseClick(form->CheckBox(1315), Qt::LeftButton);
    AdvancedSearchView* advanced = form->Advanced();
    advanced->CheckBox(1184)->click(); // File Attributes
    advanced->CheckBox(1162)->click(); // Recording Attributes
    advanced->ComboBox(1189)->setCurrentText("between");
    SearchFor(box, "dog");
    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
    auto* tabs = frame->findChild<QTabBar*>("1341");
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(box.Pane()->PageTab(kWeb));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    QTest::qWait(400);

    const QImage image = frame->grab().toImage();
    const std::string out = std::string(TAMBREL_BINARY_DIR) + "/screenshots";
    std::filesystem::create_directories(out);
    ASSERT_TRUE(image.save(QString::fromStdString(out + "/search_window.png")));

    EXPECT_EQ(frame->windowTitle(), "Text Search");
    EXPECT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "MyTambrel: 2 hits");
    EXPECT_EQ(tabs->tabText(1), "WebTambrel: 3 hits");
    EXPECT_EQ(form->KeywordText(), "dog");
    EXPECT_TRUE(form->SearchButton()->isVisible());
    EXPECT_TRUE(advanced->isVisible());
    EXPECT_TRUE(advanced->Control(1047)->isVisible()); // "between": both rate boxes

    // The form on the left, the results to its right; the advanced form under the button.
    const QRect formArea = In(form, frame);
    const QRect results = In(box.Pane()->Widget(), frame);
    EXPECT_LE(formArea.right(), results.left());
    EXPECT_GT(In(advanced, frame).top(), In(form->SearchButton(), frame).bottom());
    // Everything of the form fits across it.
    for (int id : {1005, 1007, 1008, 1275, 1276, 1277, 1315})
        EXPECT_TRUE(formArea.contains(In(form->Control(id), frame))) << id;
    // The WebTambrel cards draw their waveforms in colour.
    EXPECT_GT(CountColoured(image, results), 200);
}

INSTANTIATE_ON_SQLITE(SearchBoxTest);

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return ExitStatusWithQtWarnings(RUN_ALL_TESTS());
}
