#include "windows/results/table_and_cards.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "tests/windows/results/results_test_support.h"
#include "windows/results/results_list.h"
#include "windows/results/results_table.h"

namespace {

// Cards that only note what the results window asks of them.
class NotedCards : public ResultsPresentation {
public:
    NotedCards(QWidget* parent, std::vector<std::string>& log)
        : widget_(new QWidget(parent)), log_(log) {}
    QWidget* Widget() override { return widget_; }
    void Attach(ResultsListObj*, unsigned) override {}
    void Detach() override {}
    void InsertRow(const SoundFileObj& file, const SoundVariantObj&, int) override {
        log_.push_back("insert " + file.path);
    }
    void Refresh() override { log_.push_back("refresh"); }
    void Clear() override { log_.push_back("clear"); }
    void EnsureRowVisible(int) override {}
    void RedrawRow(int row) override { log_.push_back("redraw " + std::to_string(row)); }
    void SetRowPlayState(int row, bool playing, bool looping) override {
        log_.push_back("play " + std::to_string(row) + (playing ? " playing" : "") +
                       (looping ? " looping" : ""));
    }
    void ShowRowProgress(const std::string& text, const std::string& url, int percent) override {
        log_.push_back("progress " + url + " " + text + " " + std::to_string(percent));
    }

private:
    QWidget* widget_; // a child of the results window
    std::vector<std::string>& log_;
};

class ResultsWndCards : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = StackedPresentationFactory();
        StackedPresentationFactory() = [this](QWidget* parent) {
            return std::unique_ptr<ResultsPresentation>(new NotedCards(parent, log));
        };
        wnd = std::make_unique<ResultsWnd>(nullptr, &tableServices);
        wnd->resize(600, 300);
        list =
            std::make_unique<ResultsListObj>(wnd.get(), ResultsListObj::kMyTambrel, &listServices);
        wnd->Attach(list.get(), 0);
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    }
    void TearDown() override {
        wnd.reset();
        list.reset();
        StackedPresentationFactory() = previous_;
    }
    void Add(int n) {
        list->InsertRow(HitFile(n, "/snd/" + std::to_string(n) + ".wav"),
                        HitVariant(n, 44100, 2000, 10), 0, 0, true, false);
    }

    StackedPresentationMaker previous_;
    std::vector<std::string> log;
    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    std::unique_ptr<ResultsWnd> wnd;
    std::unique_ptr<ResultsListObj> list;
};

// Behind the shown table the cards are not rebuilt; they catch up, with the play marks and
// download meters sent meanwhile, when they are shown.
TEST_F(ResultsWndCards, HiddenCardsAreLaidOutWhenShown) {
    wnd->ShowTabular();
    Add(1);
    EXPECT_EQ(log, std::vector<std::string>{"insert /snd/1.wav"});
    log.clear();

    Add(2);
    list->Refresh(-1);
    EXPECT_EQ(wnd->Tabular()->Columns()->rowCount(), 2);
    Add(3);
    wnd->SetRowPlayState(1, true, false);
    wnd->SetRowPlayState(2, true, true);
    wnd->SetRowPlayState(1, false, false);
    wnd->ShowRowProgress("Downloading", "http://x/a.wav", 40);
    wnd->ShowRowProgress("Downloading", "http://x/a.wav", 70);
    wnd->RedrawRow(0);
    EXPECT_EQ(log, (std::vector<std::string>{"insert /snd/2.wav", "clear"}));
    EXPECT_EQ(wnd->Tabular()->Columns()->rowCount(), 3);
    log.clear();

    wnd->ShowStacked();
    EXPECT_EQ(log, (std::vector<std::string>{"refresh", "play 1", "play 2 playing looping",
                                             "progress http://x/a.wav Downloading 70"}));
    log.clear();

    // Shown cards follow every change at once.
    list->Refresh(-1);
    Add(4);
    EXPECT_EQ(log, (std::vector<std::string>{"refresh", "insert /snd/4.wav"}));
    log.clear();

    // Back to the table and to the cards again with nothing missed: no rebuild.
    wnd->ShowTabular();
    wnd->ShowStacked();
    EXPECT_TRUE(log.empty());

    // Emptied while hidden: nothing left to catch up on.
    wnd->ShowTabular();
    list->Refresh(-1);
    list->ClearRows(true);
    log.clear();
    wnd->ShowStacked();
    EXPECT_TRUE(log.empty());
}

} // namespace
