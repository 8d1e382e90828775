// The result table over 100,000 hits: first paint after filling, scrolling to the end and
// back, and a sort by each column (which rebuilds both presentations).
#include <QApplication>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>

#include "collection/sound_file.h"
#include "windows/results/results_list.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/results_table.h"

namespace {

constexpr int kHits = 100000;

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_results_table";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

SoundVariantObj Variant(int i) {
    SoundVariantObj variant;
    variant.fileId = i + 1;
    variant.sampleRate = i % 3 == 0 ? 88200 : 44100;
    variant.duration = 500 + (i * 7919) % 60000;
    variant.bpm = i % 5 == 0 ? 120 : -1;
    variant.key = 1 + i % 13;
    unsigned char data[500];
    for (int p = 0; p < 100; ++p) {
        const int swing = 6 + static_cast<int>(110 * std::exp(-3.0 * p / 100));
        data[p * 5] = static_cast<unsigned char>(128 - swing);
        data[p * 5 + 1] = static_cast<unsigned char>(127 + swing);
        data[p * 5 + 2] = static_cast<unsigned char>(40 + p * 2);
        data[p * 5 + 3] = static_cast<unsigned char>(200 - p);
        data[p * 5 + 4] = 120;
    }
    variant.SetData(data, sizeof data);
    return variant;
}

SoundFileObj File(int i) {
    SoundFileObj file;
    file.fileId = i + 1;
    file.path = "/home/user/sounds/library " + std::to_string(i % 97) + "/sound " +
                std::to_string((i * 104729) % kHits) + ".wav";
    file.sampleRate = 44100;
    file.duration = 2000;
    file.channels = 1 + i % 2;
    file.format = 1;
    file.size = 1000 + (i * 31) % 5000000;
    file.compression = 17;
    file.soundClass = 1 + i % 3;
    file.loop = 1 + i % 2;
    file.description = "Description " + std::to_string((i * 7) % 1000);
    file.category = "Category " + std::to_string(i % 20);
    file.genre = "Genre " + std::to_string(i % 11);
    file.source = "Source " + std::to_string(i % 5);
    return file;
}

// One filled results pane, shown offscreen.
struct Pane {
    Pane() {
        App();
        list = std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kMyTambrel);
        wnd = std::make_unique<ResultsWnd>();
        wnd->resize(1200, 800);
        wnd->Attach(list.get(), 0);
        wnd->ShowTabular();
        wnd->show();
        QApplication::processEvents();
    }
    ~Pane() {
        wnd->Detach();
        wnd.reset();
        list.reset();
    }
    void Fill() {
        list->ClearRows(true);
        for (int i = 0; i < kHits; ++i)
            list->InsertRow(File(i), Variant(i), i % 100, 0, false, false);
        list->Refresh(-1);
    }
    TabularColumnsCtrl& Table() { return *wnd->Tabular()->Columns(); }
    void Paint() { Table().viewport()->repaint(); }

    std::unique_ptr<ResultsListObj> list;
    std::unique_ptr<ResultsWnd> wnd;
};

Pane& Filled() {
    static Pane* pane = [] {
        auto* p = new Pane;
        p->Fill();
        return p;
    }();
    return *pane;
}

template <typename F>
double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Rows arriving one by one as a search shows them.
void BM_InsertRowsShown(benchmark::State& state) {
    for (auto _ : state) {
        Pane pane;
        state.SetIterationTime(Seconds([&] {
            for (int i = 0; i < kHits; ++i)
                pane.list->InsertRow(File(i), Variant(i), 0, 0, true, false);
        }));
    }
    state.SetItemsProcessed(state.iterations() * kHits);
}
BENCHMARK(BM_InsertRowsShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// A presentation that does nothing, to see the table's share alone.
class NoCards final : public ResultsPresentation {
public:
    explicit NoCards(QWidget* parent) : widget_(new QWidget(parent)) {}
    QWidget* Widget() override { return widget_; }
    void Attach(ResultsListObj*, unsigned) override {}
    void Detach() override {}
    void InsertRow(const SoundFileObj&, const SoundVariantObj&, int) override {}
    void Refresh() override {}
    void Clear() override {}
    void EnsureRowVisible(int) override {}
    void RedrawRow(int) override {}
    void SetRowPlayState(int, bool, bool) override {}
    void ShowRowProgress(const std::string&, const std::string&, int) override {}

private:
    QWidget* widget_;
};

void BM_InsertRowsShownTableOnly(benchmark::State& state) {
    StackedPresentationMaker cards = StackedPresentationFactory();
    StackedPresentationFactory() = [](QWidget* parent) {
        return std::unique_ptr<ResultsPresentation>(new NoCards(parent));
    };
    for (auto _ : state) {
        Pane pane;
        state.SetIterationTime(Seconds([&] {
            for (int i = 0; i < kHits; ++i)
                pane.list->InsertRow(File(i), Variant(i), 0, 0, true, false);
        }));
    }
    StackedPresentationFactory() = cards;
    state.SetItemsProcessed(state.iterations() * kHits);
}
BENCHMARK(BM_InsertRowsShownTableOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FirstPaintAfterFill(benchmark::State& state) {
    Pane& pane = Filled();
    for (auto _ : state) {
        pane.list->Refresh(-1);
        state.SetIterationTime(Seconds([&] { pane.Paint(); }));
    }
}
BENCHMARK(BM_FirstPaintAfterFill)->UseManualTime()->Unit(benchmark::kMillisecond);

// Per paint: a jump to the last page, then back to the first.
void BM_ScrollToEndAndBack(benchmark::State& state) {
    Pane& pane = Filled();
    QScrollBar* bar = pane.Table().verticalScrollBar();
    for (auto _ : state) {
        const double seconds = Seconds([&] {
            bar->setValue(bar->maximum());
            pane.Paint();
            bar->setValue(0);
            pane.Paint();
        });
        state.SetIterationTime(seconds / 2);
    }
}
BENCHMARK(BM_ScrollToEndAndBack)->UseManualTime()->Unit(benchmark::kMillisecond);

// Scrolling one wheel row at a time through a page.
void BM_WheelScrollPaint(benchmark::State& state) {
    Pane& pane = Filled();
    QScrollBar* bar = pane.Table().verticalScrollBar();
    int top = 0;
    for (auto _ : state) {
        bar->setValue(++top % 1000);
        pane.Paint();
    }
}
BENCHMARK(BM_WheelScrollPaint)->Unit(benchmark::kMillisecond);

// A sort by one column of the table, with the rebuild of the table and the cards.
void BM_SortByColumn(benchmark::State& state) {
    Pane& pane = Filled();
    const int column = static_cast<int>(state.range(0));
    state.SetLabel(TabularColumnAt(column).name);
    for (auto _ : state)
        pane.list->SortByColumn(column);
}
BENCHMARK(BM_SortByColumn)->DenseRange(0, kTabularColumnCount - 1)->Unit(benchmark::kMillisecond);

// The same sort without the rebuilds: the list's own share.
void BM_SortListOnly(benchmark::State& state) {
    Pane& pane = Filled();
    const int kind = ResultsListObj::SortKindForDisplayColumn(static_cast<int>(state.range(0)));
    state.SetLabel(TabularColumnAt(static_cast<int>(state.range(0))).name);
    bool descending = false;
    for (auto _ : state) {
        pane.list->Sort(kind, 0, descending);
        descending = !descending;
    }
}
BENCHMARK(BM_SortListOnly)->DenseRange(0, kTabularColumnCount - 1)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The rebuilds a sort asks for, one presentation at a time.
void BM_RefreshTable(benchmark::State& state) {
    Pane& pane = Filled();
    for (auto _ : state)
        pane.wnd->Tabular()->Refresh();
}
BENCHMARK(BM_RefreshTable)->Unit(benchmark::kMillisecond);

void BM_RefreshCards(benchmark::State& state) {
    Pane& pane = Filled();
    for (auto _ : state)
        pane.wnd->Stacked()->Refresh();
}
BENCHMARK(BM_RefreshCards)->Unit(benchmark::kMillisecond);

} // namespace
