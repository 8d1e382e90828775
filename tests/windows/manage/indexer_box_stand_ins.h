#pragma once
// A stand-in for the "Manage MyTambrel" window, and Manage boxes made on it.

#include "tests/app/indexer_stand_ins.h"
#include "windows/manage/indexer_box.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Records what the box asks of its window.
class FakeIndexerWindow : public IndexerWindow {
public:
    QWidget* Widget() override { return nullptr; }
    void ShowTip(int id) override { tips.push_back(id); }
    void CommitCellEdit() override { ++commits; }
    void SetUpdateButton(const std::string& text, int icon) override {
        buttonText = text;
        buttonIcon = icon;
    }
    void EnableFilePanes(bool enable) override { panesEnabled = enable; }
    void ShowProgress(bool show, const std::string& text, int position) override {
        if (show)
            progress.push_back({text, position});
    }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void RepaintRow(int row) override {
        repainted.push_back(row);
        if (onRepaint)
            onRepaint(row);
    }
    void RefreshPlayButtons() override { ++refreshes; }
    bool IsBusy() const override { return busy; }
    void SetCloseRequested() override { closeRequested = true; }
    void DetachBox() override { detached = true; }
    void PostClose() override { closed = true; }

    struct Progress {
        std::string text;
        int position;
    };
    std::vector<int> tips;
    int commits = 0;
    std::string buttonText;
    int buttonIcon = 0;
    bool panesEnabled = true;
    std::vector<Progress> progress;
    std::vector<std::string> statusTexts;
    std::vector<int> repainted;
    std::function<void(int)> onRepaint;
    int refreshes = 0;
    bool busy = false;
    bool closeRequested = false;
    bool detached = false;
    bool closed = false;
};

// Makes the box the controller owns, on the window given.
inline IndexerBoxObj* Own(FakeController& controller, IndexerWindow& window) {
    auto box =
        std::make_unique<IndexerBoxObj>(controller, [&window](IndexerBoxObj&) { return &window; });
    IndexerBoxObj* made = box.get();
    controller.owned = std::move(box);
    return made;
}
