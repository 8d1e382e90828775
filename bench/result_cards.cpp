// Painting the stacked result cards. A screen of cards (about ten, each with a coloured
// waveform) out of a list of 20,000 hits must paint in under 8 ms, so that scrolling stays
// smooth at 120 frames per second. Also measured: laying out the whole list (after a search
// or a sort) and scrolling by a page, which builds the cards coming into view.
#include <QApplication>
#include <QRect>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

#include "collection/sound_file.h"
#include "windows/results/results_list.h"
#include "windows/results/result_card_painting.h"
#include "windows/results/result_cards.h"

namespace {

constexpr int kHits = 20000;

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_result_cards";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

void FillHits(ResultsListObj& list, int count) {
    for (int i = 0; i < count; ++i) {
        SoundFileObj file;
        SoundVariantObj variant;
        file.fileId = i + 1;
        file.path = "/home/user/Sounds/Library " + std::to_string(i % 50) + "/effect_" +
                    std::to_string(i) + ".wav";
        file.sampleRate = 44100;
        file.channels = 1 + i % 2;
        file.compression = 17;
        file.size = 100000 + i * 37;
        file.soundClass = 1 + i % 3;
        file.category = i % 4 == 0 ? "" : "Doors";
        file.genre = i % 5 == 0 ? "Rock & Roll" : "";
        file.description = i % 3 == 0 ? "A heavy wooden door slams shut in a large hall" : "";
        file.link = i % 7 == 0 ? "http://example.org/sounds/" + std::to_string(i) : "";
        variant.fileId = file.fileId;
        variant.sampleRate = 44100;
        variant.duration = 500 + (i * 131) % 20000;
        const int points = std::min(100, variant.duration / 100);
        for (int p = 0; p < points; ++p) {
            const unsigned char point[5] = {static_cast<unsigned char>(128 - (p * 7 + i) % 100),
                                            static_cast<unsigned char>(128 + (p * 11 + i) % 100),
                                            static_cast<unsigned char>(p * 2),
                                            static_cast<unsigned char>(255 - p * 2),
                                            static_cast<unsigned char>(i % 255)};
            variant.data.insert(variant.data.end(), point, point + 5);
        }
        list.InsertRow(file, variant, 100 - i % 100, 0, false, false);
    }
}

struct Screen {
    Screen() : app(App()), list(nullptr, ResultsListObj::kMyTambrel) {
        FillHits(list, kHits);
        // Tall enough for about ten cards.
        wnd.resize(560, 1400);
        wnd.show();
        QApplication::processEvents();
        wnd.Attach(&list, 0);
        wnd.Refresh();
    }
    QApplication& app; // before any widget
    ResultsListObj list;
    StackedResultsWnd wnd;
};

void BM_PaintOneScreen(benchmark::State& state) {
    Screen screen;
    auto* root = screen.wnd.WindowGraphic();
    root->SetScrollPosition(0, screen.wnd.RowTop(kHits / 2));
    const QRect all(QPoint(0, 0), screen.wnd.viewport()->size());
    for (auto _ : state) {
        screen.wnd.PaintBuffer(all);
        benchmark::DoNotOptimize(screen.wnd.BackBuffer().constBits());
    }
    state.counters["cards"] = static_cast<double>(screen.wnd.Cards().size());
}
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMillisecond);

void BM_ScrollOnePageAndPaint(benchmark::State& state) {
    Screen screen;
    auto* root = screen.wnd.WindowGraphic();
    const QRect all(QPoint(0, 0), screen.wnd.viewport()->size());
    const int page = root->height;
    int position = 0;
    for (auto _ : state) {
        position += page;
        if (position > screen.wnd.ContentHeight() - page)
            position = 0;
        root->SetScrollPosition(0, position);
        screen.wnd.PaintBuffer(all);
    }
}
BENCHMARK(BM_ScrollOnePageAndPaint)->Unit(benchmark::kMillisecond);

// A sorted list is laid out again; the card heights come from the cache.
void BM_RefreshAfterSort(benchmark::State& state) {
    Screen screen;
    int column = 2;
    for (auto _ : state) {
        screen.list.Sort(column, 0, false);
        screen.wnd.Refresh();
        column = column == 2 ? 9 : 2;
    }
}
BENCHMARK(BM_RefreshAfterSort)->Unit(benchmark::kMillisecond);

// The first layout of a list nobody measured yet (a new search's hits).
void BM_FirstLayout(benchmark::State& state) {
    App();
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kMyTambrel);
        FillHits(*list, kHits);
        auto wnd = std::make_unique<StackedResultsWnd>();
        wnd->resize(560, 900);
        wnd->show();
        wnd->Attach(list.get(), static_cast<unsigned>(state.iterations() % 2) * 8u);
        state.ResumeTiming();
        wnd->Refresh();
        state.PauseTiming();
        wnd.reset();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstLayout)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
