#pragma once
// What the search window tests share: a host that stands for the program around a search
// box (its own remote-task manager, the list of open boxes, the closes it was asked for),
// and a wait on the event loop.

#include <QCoreApplication>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "collection/remote/web_server_name.h"
#include "collection/remote/web_task_manager.h"
#include "collection/remote/web_task_windows.h"
#include "collection/remote/web_tasks.h"
#include "windows/search/search_box.h"

// The settings of one test in a folder of its own, so that tests running side by side never
// read each other's choices.
class SearchProfileFolder {
public:
    SearchProfileFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info != nullptr
                               ? std::string(info->test_suite_name()) + "-" + info->name()
                               : std::string("none");
        for (char& c : name)
            if (c == '/')
                c = '_';
        dir_ = std::filesystem::temp_directory_path() /
               ("tambrel-search-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        const QString path = QString::fromStdString(dir_.string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }
    ~SearchProfileFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    SearchProfileFolder(const SearchProfileFolder&) = delete;
    SearchProfileFolder& operator=(const SearchProfileFolder&) = delete;

private:
    std::filesystem::path dir_;
};

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
