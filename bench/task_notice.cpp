// The cost of one notice hand-off: a worker posts a notice and waits until the user-interface
// thread, running its event loop, has handled and acknowledged it. An index run posts at least
// one such notice per file, so this round trip must stay far below a file's analysis time
// (goal: under 100 microseconds).
#include "collection/tasks/task_obj.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct CountNotice : NoticeData {
    explicit CountNotice(int count) : count(count) {}
    int count;
};

class PostingTask : public TaskObj {
public:
    explicit PostingTask(int notices) : notices_(notices) {}
    ~PostingTask() override { Stop(true); }
    std::atomic<long> handled{0};

protected:
    void Run() override {
        for (int i = 0; i < notices_ && !IsStopRequested(); ++i) {
            PostNotice(1, true, std::make_unique<CountNotice>(i));
        }
    }
    void OnNotice(int, std::unique_ptr<NoticeData> data) override {
        ++handled;
        Acknowledge();
    }

private:
    int notices_;
};

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "bench_task_notice";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

void BM_NoticeRoundTrip(benchmark::State& state) {
    App();
    const int notices = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PostingTask task(notices);
        task.Start();
        while (task.IsRunning()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        task.Stop(true);
        benchmark::DoNotOptimize(task.handled.load());
    }
    state.SetItemsProcessed(state.iterations() * notices);
}
BENCHMARK(BM_NoticeRoundTrip)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
