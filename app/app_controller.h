#pragma once
// The application state that every window reaches: the one global `theController`.
// User-interface thread only.

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/tool_windows.h"
#include "audio/sound_signature.h"
#include "collection/catalog_auditioner.h"
#include "collection/remote/web_task_windows.h"
#include "collection/sound_file.h"
#include "collection/sound_file_list.h"

class PN_CheckButton;
class QAbstractButton;
class QWidget;

class AppController final : public IndexerBoxController, public WebTaskWindows {
public:
    AppController();
    // Previews open their files through the opener (tests hand in their own).
    explicit AppController(PN_PreviewFileOpener opener);
    ~AppController() override;
    AppController(const AppController&) = delete;
    AppController& operator=(const AppController&) = delete;

    // The program installs the window makers and the main window's panes before Startup.
    void SetToolWindowFactory(ToolWindowFactory* factory);
    void SetMainPanes(CategoryTreeLink* tree, MainResultsPaneLink* results);
    ToolWindowFactory* Factory() const { return factory_; }
    CategoryTreeLink* CategoryTree() const { return tree_; }
    MainResultsPaneLink* MainPane() const { return mainPane_; }

    // Start-up and settings.
    void Startup();
    void LoadSettings();
    void SaveSettings();
    void SetShowTips(bool on);
    void ShowBusyTip(int stringId, bool restore);
    void ToggleColorWaveforms();
    void ToggleTabular();

    // Main window content.
    void FillCategoryTree();
    void ShowCategory(int cls, const std::string& category, const std::string& subCategory,
                      bool redraw);
    bool AddCatalogFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants) override;
    bool RemoveCatalogFile(const SoundFileObj& file) override;
    bool UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) override;
    void ApplyCatalogChanges() override;
    // The records changed since the last ApplyCatalogChanges (value1: 1 present, 0 removed).
    SoundFileListObj& ChangeQueue() { return changeQueue_; }
    bool WasPlayed(const std::string& path) const;
    // The selection the main list shows (class -1: none). The category tree moves it along
    // when it renames or moves the node shown.
    int ShownClass() const { return shownClass_; }
    const std::string& ShownCategory() const { return shownCategory_; }
    const std::string& ShownSubCategory() const { return shownSubCategory_; }
    void SetShownCategory(int cls, const std::string& category, const std::string& subCategory) {
        shownClass_ = cls;
        shownCategory_ = category;
        shownSubCategory_ = subCategory;
    }
    // Adds the path to the played paths when it is not there yet.
    void MarkPlayed(const std::string& path);

    // Preview.
    bool AuditionFile(const std::string& path, bool loop, QAbstractButton* button, double ratio);
    void NotifyPlayState(const std::string& path, double ratio, bool looping, bool playing);
    void CheckAuditionEnded();
    const std::string& AuditionPath() const { return auditionPath_; }
    double AuditionRatio() const { return auditionRatio_; }
    AI_Auditioner& Player() { return player_; }

    // Tool windows.
    void NewFile();
    void OpenFileFromDialog();
    bool OpenFile(const std::string& path);
    bool OpenRecordInEditor(const SoundFileObj& record, const SoundVariantObj& variant,
                            bool remote);
    // Lists the entries of the list whose first value is set in the Manage window. A result
    // list keeps "played" in the second value; an imported list keeps there whether the
    // metadata differs from the catalog's (secondIsChanged), and such rows come in edited,
    // so that the update stores them.
    void ShowManageWindow(SoundFileListObj* list, bool secondIsChanged = false);
    void OpenTextSearch(const std::string& keywords);
    void OpenSimilarSearch(const SoundSignature& signature);
    void ValidateCollection();
    // Remove the box from its list and delete it once no handler of it is on the stack; a
    // box not listed is ignored.
    void CloseEditorWindow(EditorBoxLink* box);
    void CloseSearchWindow(SearchBoxLink* box);
    void CloseIndexerWindow(ManageBoxLink* box) override;
    bool QueryClose();

    // Metadata text files (.tmi); a null path asks for one.
    void ImportMetadata(const std::string* path);
    void ExportMetadata();

    // The remote tasks' view of the open windows.
    std::vector<WebSearchBox*> SearchBoxes() override;
    std::vector<WebDownloadList*> ResultLists() override;
    std::vector<WebDownloadEditor*> Editors() override;

    // Copies of the box lists, for loops that may close boxes.
    std::vector<EditorBoxLink*> EditorBoxes() const;
    std::vector<SearchBoxLink*> SearchBoxLinks() const;
    ManageBoxLink* ManageBox() const;
    ResultsListLink* MainList() const { return mainList_.get(); }

    // Stored settings.
    bool CorrectDC = true;
    bool SaveTambrelFields = true;
    bool SaveMultiPitch = true;
    std::string SavePath;
    bool MainTabular = true;
    bool ShowTips = true;
    bool ColorWaveforms = true; // not stored

private:
    ToolWindowFactory* factory_ = nullptr;
    CategoryTreeLink* tree_ = nullptr;
    MainResultsPaneLink* mainPane_ = nullptr;

    std::vector<std::string> playedPaths_;
    int shownClass_ = -1;
    std::string shownCategory_;
    std::string shownSubCategory_;
    std::vector<std::unique_ptr<EditorBoxLink>> editorBoxes_;
    std::vector<std::unique_ptr<SearchBoxLink>> searchBoxes_;
    std::vector<std::unique_ptr<ManageBoxLink>> manageBoxes_;
    std::unique_ptr<ResultsListLink> mainList_;
    AI_Auditioner player_;
    std::string auditionPath_;
    double auditionRatio_ = 1.0;
    SoundFileListObj changeQueue_;
    bool savedShowTips_ = true;
    std::shared_ptr<PN_CheckButton> auditionButton_; // held for the player, which keeps it weakly
    // Boxes closed while a handler of theirs may still run; deleted from the event loop.
    std::vector<std::unique_ptr<BoxObj>> closedBoxes_;
    std::vector<std::unique_ptr<ManageBoxLink>> closedManageBoxes_;
    bool reapPosted_ = false;
    std::unique_ptr<QObject> reapContext_ = std::make_unique<QObject>(); // cancels a posted reap
    void ReapLater();
    void ReapClosedBoxes();
    // Says in the main window's status bar that a window could not be made.
    void ReportNotOpened(const std::string& window);
    // Counts and tree labels of one selection going away or coming.
    void CountOut(const SoundFileObj& stored);
    void CountIn(const SoundFileObj& record);
};

// Set while the program runs (the global objects' holder in main builds it once
// QApplication exists); unit tests make their own and set it.
extern AppController* theController;
