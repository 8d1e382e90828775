#pragma once
// Stand-ins for the windows the controller reaches through its narrow interfaces. Each
// records what it was asked, in one shared log where order matters.

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/tool_windows.h"
#include "collection/sound_file_list.h"
#include "tests/support/sox_files.h"

// The settings go to a folder of the test's own while the object lives.
class ScopedProfileFolder {
public:
    ScopedProfileFolder() {
        const QString path = QString::fromStdString(folder_.Path(""));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }
    ~ScopedProfileFolder() {
        const QString home =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
    }
    std::string Path(const std::string& name) const { return folder_.Path(name); }

private:
    TempFolder folder_;
};

struct ShellLog {
    std::vector<std::string> lines;
    void Add(const std::string& line) { lines.push_back(line); }
};

class FakeResultsList : public ResultsListLink {
public:
    struct PlayState {
        std::string path;
        double ratio;
        bool looping;
        bool playing;
    };
    SoundFileListObj& Rows() override { return rows; }
    void InsertRow(const SoundFileObj& record, const SoundVariantObj& variant, int score, int tag,
                   bool show, bool mark) override {
        rows.Add(record, variant, score, tag, 0, 0);
        inserted.push_back(record.path);
        marks.push_back(mark);
    }
    void Refresh(int row) override { refreshes.push_back(row); }
    void ClearRows(bool) override { rows.Clear(); }
    int RemoveRow(const SoundFileObj& record, bool) override {
        removed.push_back(record.path);
        return rows.RemoveFile(record);
    }
    void ShowPlayState(const std::string& path, double ratio, bool looping, bool playing) override {
        plays.push_back({path, ratio, looping, playing});
    }
    SoundFileListObj rows;
    std::vector<std::string> inserted, removed;
    std::vector<bool> marks;
    std::vector<int> refreshes;
    std::vector<PlayState> plays;
};

class FakeEditorBox : public EditorBoxLink {
public:
    FakeEditorBox(ShellLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    ~FakeEditorBox() override { log_.Add(name_ + " deleted"); }
    bool OpenFile(const std::string& path) override {
        log_.Add(name_ + " open " + path);
        path_ = path;
        return opens;
    }
    bool OpenRecord(const SoundFileObj& record, int semitones) override {
        log_.Add(name_ + " record " + record.path + " " + std::to_string(semitones));
        path_ = record.path;
        return opens;
    }
    bool OpenRemoteRecord(const SoundFileObj& record, int semitones) override {
        log_.Add(name_ + " remote " + record.path + " " + std::to_string(semitones));
        path_ = record.path;
        return opens;
    }
    bool NewFile(int channels, int sampleRate, double seconds) override {
        log_.Add(name_ + " new");
        return opens;
    }
    bool Close(bool) override {
        log_.Add(name_ + " asked");
        if (agrees && theController != nullptr)
            theController->CloseEditorWindow(this);
        return agrees;
    }
    std::string Path() const override { return path_; }
    void ActivateFrame() override { log_.Add(name_ + " activated"); }
    void SetSemitones(int semitones) override {
        log_.Add(name_ + " semitones " + std::to_string(semitones));
    }
    bool opens = true;
    bool agrees = true;

private:
    ShellLog& log_;
    std::string name_;
    std::string path_;
};

class FakeSearchBox : public SearchBoxLink {
public:
    FakeSearchBox(ShellLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    ~FakeSearchBox() override { log_.Add(name_ + " deleted"); }
    bool Close(bool) override {
        log_.Add(name_ + " asked");
        if (agrees && theController != nullptr)
            theController->CloseSearchWindow(this);
        return agrees;
    }
    ResultsListLink* LocalList() override { return &local; }
    ResultsListLink* WebList() override { return &web; }
    void ActivateFrame() override {}
    FakeResultsList local, web;
    bool agrees = true;

private:
    ShellLog& log_;
    std::string name_;
};

// Makes the stand-ins; the boxes it made stay reachable (not owned) by name order.
class FakeFactory : public ToolWindowFactory {
public:
    explicit FakeFactory(ShellLog& log) : log_(log) {}
    std::unique_ptr<EditorBoxLink> NewEditorBox() override {
        auto box = std::make_unique<FakeEditorBox>(log_, "editor" + std::to_string(++editors_));
        box->opens = editorsOpen;
        editorBoxes.push_back(box.get());
        return box;
    }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool similar, const std::string& keywords,
                                                const SoundSignature&) override {
        log_.Add(std::string(similar ? "similar" : "text") + " search '" + keywords + "'");
        auto box = std::make_unique<FakeSearchBox>(log_, "search" + std::to_string(++searches_));
        searchBoxes.push_back(box.get());
        return box;
    }
    std::unique_ptr<ResultsListLink> NewMainList() override {
        auto list = std::make_unique<FakeResultsList>();
        mainList = list.get();
        return list;
    }
    void RunValidator() override { log_.Add("validator"); }
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController& controller) override {
        return manageBoxes ? manageBoxes(controller) : nullptr;
    }
    void FreeEditorClipboard() override { log_.Add("clipboard freed"); }
    CategoryTreePane NewCategoryTreePane(QWidget*) override { return {}; }
    ResultsPane NewResultsPane(QWidget*) override { return {}; }

    std::vector<FakeEditorBox*> editorBoxes;
    std::vector<FakeSearchBox*> searchBoxes;
    FakeResultsList* mainList = nullptr;
    // Makes the Manage boxes (a test of the real box hands in its maker); none: not opened.
    std::function<std::unique_ptr<ManageBoxLink>(IndexerBoxController&)> manageBoxes;
    bool editorsOpen = true;

private:
    ShellLog& log_;
    int editors_ = 0;
    int searches_ = 0;
};

class FakeTree : public CategoryTreeLink {
public:
    struct Node {
        std::string text;
        int image;
        int parent; // index into nodes, -1 for the root
    };
    void DeleteAllItems() override { nodes.clear(); }
    Item InsertItem(Item parent, const std::string& text, int image) override {
        const int p =
            parent == nullptr ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(parent)) - 1;
        nodes.push_back({text, image, p});
        return reinterpret_cast<Item>(static_cast<intptr_t>(nodes.size()));
    }
    void UpdateCategoryCounts(int cls, const std::string& category,
                              const std::string& subCategory) override {
        relabelled.push_back(std::to_string(cls) + "/" + category + "/" + subCategory);
    }
    void ClearSelectionIfAffected(int cls, const std::string& category,
                                  const std::string& subCategory) override {
        cleared.push_back(std::to_string(cls) + "/" + category + "/" + subCategory);
    }
    std::vector<Node> nodes;
    std::vector<std::string> relabelled, cleared;
};

class FakeResultsPane : public MainResultsPaneLink {
public:
    explicit FakeResultsPane(ShellLog& log) : log_(log) {}
    void AttachList(ResultsListLink*, unsigned hiddenColumnMask) override {
        log_.Add("attach " + std::to_string(hiddenColumnMask));
    }
    void DetachList() override { log_.Add("detach"); }
    void ShowTabular(bool tabular) override { log_.Add(tabular ? "table" : "cards"); }
    void FocusActivePresentation() override { log_.Add("focus"); }
    QWidget* ActivePresentation() override { return nullptr; }

private:
    ShellLog& log_;
};

// Lets posted work run (deferred deletion of closed boxes).
inline void RunPostedEvents() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}
