#pragma once
// What the search window tests share: a host that stands for the program around a search
// box (its own remote-task manager, the list of open boxes, the closes it was asked for),
// and a wait on the event loop.

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "collection/remote/web_server_name.h"
#include "collection/remote/web_task_manager.h"
#include "collection/remote/web_task_windows.h"
#include "collection/remote/web_tasks.h"
#include "windows/search/search_box.h"

class TestSearchHost : public SearchBoxHost, public WebTaskWindows {
public:
    TestSearchHost() {
        manager.SetWindows(this);
        manager.SetTimeouts({1000, 1000});
    }
    ~TestSearchHost() override {
        manager.Shutdown();
        boxes.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        unsetenv(kWebTambrelServerVariable);
    }

    // The WebTambrel server the boxes search from now on.
    void PointAt(int port) {
        setenv(kWebTambrelServerVariable, ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    }

    SearchBoxObj& OpenText(const std::string& keywords) {
        boxes.push_back(std::make_unique<SearchBoxObj>(keywords, *this));
        return *boxes.back();
    }
    SearchBoxObj& OpenSimilar(const SoundSignature& signature) {
        boxes.push_back(std::make_unique<SearchBoxObj>(signature, *this));
        return *boxes.back();
    }

    int SearchBoxCount() const override { return static_cast<int>(boxes.size()); }
    void StopPreview() override { ++previewStops; }
    void CloseSearchWindow(SearchBoxLink* box) override {
        closed.push_back(box);
        // Deleted later, as the program does, never under the caller.
        QTimer::singleShot(0, [this, box] {
            auto it = std::find_if(boxes.begin(), boxes.end(),
                                   [box](const auto& b) { return b.get() == box; });
            if (it != boxes.end())
                boxes.erase(it);
        });
    }
    WebTaskManager& WebTasks() override { return manager; }

    std::vector<WebSearchBox*> SearchBoxes() override {
        std::vector<WebSearchBox*> out;
        for (auto& b : boxes)
            out.push_back(b.get());
        return out;
    }
    std::vector<WebDownloadList*> ResultLists() override { return {}; }
    std::vector<WebDownloadEditor*> Editors() override { return {}; }

    WebTaskManager manager;
    std::vector<std::unique_ptr<SearchBoxObj>> boxes;
    std::vector<SearchBoxLink*> closed;
    int previewStops = 0;
};

// Runs the event loop until the condition holds (at most 20 s).
inline bool PumpUntil(const std::function<bool()>& condition) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + seconds(20);
    while (!condition() && steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(milliseconds(1));
    }
    return condition();
}
