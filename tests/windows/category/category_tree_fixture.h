#pragma once
// A category tree on the real controller over a catalog of the test's own (SQLite), with the
// tree's calls to the controller recorded on their way through.

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "collection/catalog_db.h"
#include "collection/catalog_message.h"
#include "collection/sound_category_tree.h"
#include "collection/sound_file_list.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/main_list_factory.h"
#include "tests/collection/db/catalog_fixture.h"
#include "windows/category/controller_tree_host.h"
#include "windows/category/category_tree_view.h"

// The main list as the controller fills it.
class RecordingList : public ResultsListLink {
public:
    SoundFileListObj& Rows() override { return rows; }
    void InsertRow(const SoundFileObj& record, const SoundVariantObj& variant, int score, int tag,
                   bool, bool) override {
        rows.Add(record, variant, score, tag, 0, 0);
    }
    void Refresh(int) override {
        ++refreshes;
        refreshedRows.push_back(rows.Count());
    }
    void ClearRows(bool) override { rows.Clear(); }
    int RemoveRow(const SoundFileObj& record, bool) override { return rows.RemoveFile(record); }
    void ShowPlayState(const std::string&, double, bool, bool) override {}

    // The file names of the rows, in order.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < rows.Count(); ++i) {
            const std::string& path = rows.Entry(i).file.path;
            names.push_back(path.substr(path.find_last_of('/') + 1));
        }
        return names;
    }

    SoundFileListObj rows;
    int refreshes = 0;
    std::vector<int> refreshedRows; // the row count at each refresh
};

// The program's host, with every call recorded before it goes on to the controller.
class RecordingTreeHost : public CategoryTreeHost {
public:
    void ShowCategory(int cls, const std::string& category, const std::string& subCategory,
                      bool redraw) override {
        shown.push_back(std::to_string(cls) + "/" + category + "/" + subCategory);
        real.ShowCategory(cls, category, subCategory, redraw);
    }
    void OpenTextSearch(const std::string& keywords) override { searches.push_back(keywords); }
    bool UpdateCatalogFile(SoundFileObj& record) override {
        updated.push_back(record.path.substr(record.path.find_last_of('/') + 1));
        return real.UpdateCatalogFile(record);
    }
    void ApplyCatalogChanges() override {
        ++applied;
        real.ApplyCatalogChanges();
    }
    void ShownCategory(int& cls, std::string& category, std::string& subCategory) const override {
        real.ShownCategory(cls, category, subCategory);
    }
    void SetShownCategory(int cls, const std::string& category,
                          const std::string& subCategory) override {
        real.SetShownCategory(cls, category, subCategory);
    }
    void ShowBusyTip(int stringId, bool restore) override {
        busyTips.push_back(std::to_string(stringId) + (restore ? " restore" : ""));
    }
    void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void ActivateMainFrame() override { ++activations; }
    QWidget* ResultsPresentation() override { return presentation; }
    QWidget* PumpWindow() override { return nullptr; }

    ControllerTreeHost real;
    std::vector<std::string> shown;
    std::vector<std::string> searches;
    std::vector<std::string> updated;
    std::vector<std::string> busyTips;
    std::vector<std::string> statusTexts;
    int applied = 0;
    int activations = 0;
    QWidget* presentation = nullptr;
};

class CategoryTreeTest : public CatalogTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Catalogues /sounds/<name> through the controller, at `pitches` pitch variants.
    void Add(const std::string& name, int cls, const std::string& category,
             const std::string& subCategory, int pitches = 1, int format = 1);
    // Fills the tree and makes the main list (the controller's start-up, unless it ran), all
    // expanded.
    void Start();
    // "class/category/sub-category" of a catalogued file.
    std::string Filed(const std::string& name);
    // The tree, one line per item: depth dashes and the label; created items marked "*".
    std::string Tree() const;
    QTreeWidgetItem* Item(int cls, const std::string& category = {},
                          const std::string& subCategory = {}) const {
        return view_->FindItem(cls, category, subCategory);
    }
    QPoint Centre(QTreeWidgetItem* item) const;
    void Click(QTreeWidgetItem* item);
    // Drags the data over the item's centre; the drop action when accepted, IgnoreAction else.
    Qt::DropAction DragOver(QTreeWidgetItem* item, const QMimeData& data);
    void Drop(QTreeWidgetItem* item, const QMimeData& data);

    std::unique_ptr<CatalogDbObj> catalog_;
    std::unique_ptr<AppController> controller_;
    MainListFactory<RecordingList> factory_;
    RecordingTreeHost* host_ = nullptr;
    std::unique_ptr<LocalFilesView> view_;
    std::unique_ptr<QAbstractItemModelTester> modelTester_;
    FakeUiSeams seams_;

private:
    CatalogDbObj* previousCatalog_ = nullptr;
    AppController* previousController_ = nullptr;
    CatalogMessageHook previousHook_ = nullptr;
};
