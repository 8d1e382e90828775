// The result cards as a user sees them, under a real X server: a MyTambrel list and a
// WebTambrel list side by side, with coloured waveforms, scores, a download under way and a
// row playing. The window is grabbed into <build>/screenshots/result_cards.png.
#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "collection/sound_file.h"
#include "editor/widgets/icon_button.h"
#include "editor/widgets/static_waveform.h"
#include "editor/widgets/textbox.h"
#include "windows/results/progress_meter_painting.h"
#include "windows/results/results_list.h"
#include "windows/results/result_card_painting.h"
#include "windows/results/result_cards.h"
#include "tests/support_qt/qt_warnings.h"

namespace {

// A decaying burst whose colour moves from red through green to blue.
std::vector<unsigned char> Summary(int points, int seed) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < points; ++i) {
        const int swing = std::max(4, 120 - i * (60 + seed * 13) / std::max(points, 1)) *
                          (3 + (i * 7 + seed) % 5) / 7;
        const unsigned char point[5] = {
            static_cast<unsigned char>(128 - swing), static_cast<unsigned char>(127 + swing),
            static_cast<unsigned char>(std::max(0, 230 - i * 5)),
            static_cast<unsigned char>(std::min(200, 40 + i * 4)),
            static_cast<unsigned char>(std::min(230, i * 3 + seed * 20))};
        bytes.insert(bytes.end(), point, point + 5);
    }
    return bytes;
}

void AddRow(ResultsListObj& list, int id, const std::string& path, int variantRate,
            int durationMs, int score, int seed) {
    SoundFileObj file;
    SoundVariantObj variant;
    file.fileId = id;
    file.path = path;
    file.sampleRate = 44100;
    file.channels = 1 + id % 2;
    file.compression = 17;
    file.format = 1;
    file.size = durationMs * 88;
    file.soundClass = 1;
    file.category = id % 2 ? "Doors" : "Impacts";
    file.subcategory = id % 2 ? "Wood" : "";
    file.description = id == 1 ? "Heavy oak door slams shut in a stone hall" : "";
    file.genre = id == 2 ? "Rock & Roll" : "";
    file.link = id == 3 ? "http://example.org/sounds/3" : "";
    file.loop = 2;
    variant.fileId = id;
    variant.sampleRate = variantRate;
    variant.duration = durationMs;
    variant.data = Summary(std::min(100, durationMs / 100), seed);
    list.InsertRow(file, variant, score, 0, false, false);
}

class ResultCardsScreenshot : public testing::Test {};

TEST_F(ResultCardsScreenshot, LocalAndRemoteCards) {
    ASSERT_NE(QGuiApplication::platformName(), "offscreen") << "run under an X server";
    QWidget frame;
    frame.setWindowTitle("Search Results");
    auto* layout = new QHBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* localCards = new StackedResultsWnd(&frame);
    auto* webCards = new StackedResultsWnd(&frame);
    layout->addWidget(localCards);
    layout->addWidget(webCards);

    ResultsListObj local(nullptr, ResultsListObj::kMyTambrel);
    ResultsListObj web(nullptr, ResultsListObj::kWebTambrel);
    AddRow(local, 1, "/home/ana/Sounds/doors/oak_slam.wav", 44100, 4000, 97, 1);
    AddRow(local, 2, "/home/ana/Sounds/drums/snare%20hit.wav", 88200, 12500, 84, 2);
    AddRow(local, 3, "/home/ana/Sounds/impacts/metal_clang.wav", 33075, 2600, 71, 3);
    AddRow(web, 4, "http://webtambrel.example/sounds/door_creak.wav", 44100, 6000, 93, 4);
    AddRow(web, 5, "http://webtambrel.example/sounds/thunder.wav", 44100, 9000, 88, 5);
    AddRow(web, 6, "http://webtambrel.example/sounds/glass.wav", 44100, 1500, 62, 6);
    localCards->Attach(&local, 0);
    webCards->Attach(&web, 0);

    frame.resize(1110, 560);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    localCards->Refresh();
    webCards->Refresh();
    localCards->SetRowPlayState(0, true, false);
    webCards->ShowRowProgress("Downloading", "http://webtambrel.example/sounds/thunder.wav", 45);
    QTest::qWait(200);

    QScreen* screen = frame.screen();
    const QPixmap shot = screen->grabWindow(frame.winId());
    const QString folder = QStringLiteral(TAMBREL_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    ASSERT_TRUE(shot.save(folder + "/result_cards.png"));

    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.windowTitle(), "Search Results");
    const QImage image = shot.toImage();
    ASSERT_EQ(image.size(), frame.size() * shot.devicePixelRatio());

    // What the cards say.
    StackedResultsRowGrf* first = localCards->CardForRow(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->NumberBox()->text, "1.");
    EXPECT_EQ(first->ScoreBox()->text, "(97%)");
    EXPECT_EQ(first->TextLines()[0]->text, "/home/ana/Sounds/doors/oak_slam.wav (Normal)");
    EXPECT_EQ(localCards->CardForRow(1)->TextLines()[0]->text,
              "/home/ana/Sounds/drums/snare hit.wav (+12 semitones)");
    EXPECT_EQ(localCards->CardForRow(1)->TextLines()[3]->text, "Genre: Rock & Roll");
    EXPECT_TRUE(first->PlayButton()->checked);

    auto at = [&](StackedResultsWnd* wnd, CGP_Graphic* node, int dx, int dy) {
        int x = dx, y = dy;
        node->LocalToWindow(x, y);
        const QPoint p = wnd->viewport()->mapTo(&frame, QPoint(x, y));
        return image.pixelColor(p * shot.devicePixelRatio());
    };
    // The waveform of the first card is drawn in its points' colours: point 0 is (230, 40, 20).
    const CGP_StaticWaveform* wave = first->Waveform();
    EXPECT_EQ(at(localCards, first->Waveform(), 0, wave->height / 2), QColor(230, 40, 20));
    // The remote card being downloaded shows the green bar of its meter; the others none.
    StackedResultsRowGrf* downloading = webCards->CardForRow(1);
    ASSERT_NE(downloading, nullptr);
    EXPECT_EQ(downloading->Meter()->percent, 45);
    EXPECT_EQ(at(webCards, downloading->Meter(), 6, 10), QColor(32, 255, 64));
    EXPECT_EQ(at(webCards, webCards->CardForRow(0)->Meter(), 6, 10), QColor(255, 255, 255));
    // Texts are drawn: the title in the link blue, the number and the score in dark ink
    // (smoothed glyph edges are lighter, so only darkness is asked).
    auto hasInk = [&](StackedResultsWnd* wnd, CGP_Textbox* box, auto isInk) {
        for (int y = 0; y < box->height; ++y)
            for (int x = 0; x < std::min(box->width, 200); ++x)
                if (isInk(at(wnd, box, x, y)))
                    return true;
        return false;
    };
    auto blue = [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; };
    auto dark = [](QColor c) { return c.red() < 90 && c.green() < 90 && c.blue() < 90; };
    EXPECT_TRUE(hasInk(localCards, first->TextLines()[0], blue));
    EXPECT_TRUE(hasInk(localCards, first->NumberBox(), dark));
    EXPECT_TRUE(hasInk(webCards, webCards->CardForRow(0)->ScoreBox(), dark));
    EXPECT_FALSE(hasInk(localCards, first->TextLines()[0], dark));
}

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return ExitStatusWithQtWarnings(RUN_ALL_TESTS());
}
