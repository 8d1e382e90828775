#include "app/app_controller.h"

#include "app/wait_cursor.h"

#include "app/metadata_transfer.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>

#include "app/app_util.h"
#include "app/main_frame.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/tip_wnd.h"
#include "audio/general_helpers.h"
#include "collection/catalog_db.h"
#include "collection/remote/remote_query.h"
#include "collection/remote/web_task_manager.h"
#include "collection/search_criteria.h"
#include "collection/sound_category_tree.h"
#include "collection/text_compare.h"

AppController* theController = nullptr;

namespace {

// The row's check button as the preview player releases it; a button deleted meanwhile is
// left alone.
class QtCheckButton : public PN_CheckButton {
public:
    explicit QtCheckButton(QAbstractButton* button) : button_(button) {}
    void SetCheck(bool checked) override {
        if (button_)
            button_->setChecked(checked);
    }
    QAbstractButton* Button() const { return button_; }

private:
    QPointer<QAbstractButton> button_;
};

// A record filed under a selection: class (any for the root's 0), then category and
// sub-category when they are set. Letters compare ignoring case, as the category query does.
bool OutsideSelection(const SoundFileObj& file, int cls, const std::string& category,
                      const std::string& subCategory) {
    return (cls != 0 && file.soundClass != cls) ||
           (!category.empty() && !EqualNoCase(category, file.category)) ||
           (!subCategory.empty() && !EqualNoCase(subCategory, file.subcategory));
}

std::string CountLabel(const std::string& name, int count) {
    return name + " (" + std::to_string(count) + ")";
}

TipWnd* MainTip() {
    return theMainFrame != nullptr ? &theMainFrame->Tip() : nullptr;
}

template <class Box> std::vector<Box*> Pointers(const std::vector<std::unique_ptr<Box>>& boxes) {
    std::vector<Box*> result;
    result.reserve(boxes.size());
    for (const auto& box : boxes)
        result.push_back(box.get());
    return result;
}

// Moves the box out of the list; null when the list does not hold it.
template <class Box>
std::unique_ptr<Box> Unlist(std::vector<std::unique_ptr<Box>>& boxes, const void* box) {
    auto it = std::find_if(boxes.begin(), boxes.end(),
                           [box](const std::unique_ptr<Box>& b) { return b.get() == box; });
    if (it == boxes.end())
        return nullptr;
    std::unique_ptr<Box> owned = std::move(*it);
    boxes.erase(it);
    return owned;
}

} // namespace

AppController::AppController() = default;

AppController::AppController(PN_PreviewFileOpener opener) : player_(std::move(opener)) {}

AppController::~AppController() {
    player_.Stop();
    if (theWebTaskManager.Windows() == this)
        theWebTaskManager.SetWindows(nullptr);
    ReapClosedBoxes();
    // Boxes still listed (a run that ended without QueryClose) go before the members they
    // may reach.
    manageBoxes_.clear();
    editorBoxes_.clear();
    searchBoxes_.clear();
    mainList_.reset();
}

// ---------------------------------------------------------------------------------------------
// Start-up and settings

void AppController::SetToolWindowFactory(ToolWindowFactory* factory) {
    factory_ = factory;
}

void AppController::SetMainPanes(CategoryTreeLink* tree, MainResultsPaneLink* results) {
    tree_ = tree;
    mainPane_ = results;
}

void AppController::Startup() {
    NetStartup();
    theWebTaskManager.SetWindows(this);
    LoadSettings();
    FillCategoryTree();
    if (factory_ != nullptr)
        mainList_ = factory_->NewMainList();
    if (mainPane_ != nullptr) {
        // Score and Pitch stay hidden in the main list.
        if (mainList_)
            mainPane_->AttachList(mainList_.get(), MainResultsPaneLink::kHideScore |
                                                       MainResultsPaneLink::kHidePitch);
        mainPane_->ShowTabular(MainTabular);
    }
    if (theCatalogDb != nullptr) {
        int files = 0, sounds = 0;
        theCatalogDb->GetCounts(files, sounds);
    }
    if (theMainFrame != nullptr)
        theMainFrame->SetTip(0, kStartTips, 3);
}

void AppController::LoadSettings() {
    CorrectDC = GetSettingBool("CorrectDC");
    SaveTambrelFields = GetSettingBool("SaveTambrelFields");
    SaveMultiPitch = GetSettingBool("SaveMultiPitch");
    SavePath = GetSettingText("SavePath");
    MainTabular = GetSettingBool("MainTabular");
    ShowTips = GetSettingBool("ShowTips");
}

void AppController::SaveSettings() {
    WriteSettingBool("CorrectDC", CorrectDC);
    WriteSettingBool("SaveTambrelFields", SaveTambrelFields);
    WriteSettingBool("SaveMultiPitch", SaveMultiPitch);
    WriteProfileString("SavePath", SavePath);
    WriteSettingBool("MainTabular", MainTabular);
    WriteSettingBool("ShowTips", ShowTips);
}

void AppController::SetShowTips(bool on) {
    ShowTips = on;
    TipWnd* tip = MainTip();
    if (tip == nullptr)
        return;
    if (on)
        tip->Reshow();
    else
        tip->DestroyPopup();
}

void AppController::ShowBusyTip(int stringId, bool restore) {
    if (stringId != 0) {
        savedShowTips_ = ShowTips;
        ShowTips = true;
        if (theMainFrame != nullptr)
            theMainFrame->SetTip(stringId, nullptr, 0);
    } else if (!restore) {
        if (theMainFrame != nullptr)
            theMainFrame->SetTip(0, nullptr, 0);
        ShowTips = savedShowTips_;
    } else if (theMainFrame != nullptr) {
        theMainFrame->SetTip(0, kResultRowTips, 4);
    }
}

void AppController::ToggleColorWaveforms() {
    ColorWaveforms = !ColorWaveforms;
    if (mainList_)
        mainList_->Refresh(-1);
}

void AppController::ToggleTabular() {
    MainTabular = !MainTabular;
    if (mainPane_ != nullptr) {
        mainPane_->ShowTabular(MainTabular);
        mainPane_->FocusActivePresentation();
    }
}

// ---------------------------------------------------------------------------------------------
// Main window content

void AppController::FillCategoryTree() {
    if (tree_ == nullptr)
        return;
    WaitCursor wait;
    tree_->DeleteAllItems();
    int files = 0, sounds = 0;
    if (theCatalogDb != nullptr)
        theCatalogDb->GetCounts(files, sounds);
    CategoryTreeLink::Item root = tree_->InsertItem(nullptr, CountLabel("MyTambrel", files), 0);
    const SoundCategoryTree& tree = theSoundCategoryTree;
    for (int cls = 1; cls <= 3; ++cls) {
        const int classCount = tree.FileCount(cls, {}, {});
        CategoryTreeLink::Item classItem = tree_->InsertItem(
            root, CountLabel(SoundCategoryTree::SuperCategoryName(cls), classCount), cls - 1);
        if (classCount == 0)
            continue;
        for (int c = 0; c < tree.CategoryCount(cls); ++c) {
            const std::string category = tree.CategoryName(cls, c);
            const int count = tree.FileCount(cls, category, {});
            if (count <= 0)
                continue;
            CategoryTreeLink::Item categoryItem =
                tree_->InsertItem(classItem, CountLabel(category, count), cls - 1);
            for (int s = 0; s < tree.SubcategoryCount(cls, c); ++s) {
                const std::string sub = tree.SubcategoryName(cls, c, s);
                const int subCount = tree.FileCount(cls, category, sub);
                if (subCount != 0)
                    tree_->InsertItem(categoryItem, CountLabel(sub, subCount), cls - 1);
            }
        }
    }
}

void AppController::ShowCategory(int cls, const std::string& category,
                                 const std::string& subCategory, bool redraw) {
    WaitCursor wait;
    if (mainList_)
        mainList_->ClearRows(redraw);
    changeQueue_.Clear();
    if (cls >= 0 && theCatalogDb != nullptr && mainList_) {
        // Class 0 (the root) sets no condition and shows every file.
        const SearchCriteria criteria = SearchCriteria::ForCategory(cls, category, subCategory);
        ShowBusyTip(kSearchingString, false);
        int hits = 0;
        std::unique_ptr<DB_query_result> result = theCatalogDb->RunQuery(criteria, hits);
        TipWnd* tip = MainTip();
        // Rows are read in growing batches: the tip is looked at right after the first row,
        // a page of rows follows, then large batches keep the reads few. A category longer
        // than a page is drawn once its first page is in, before the rest is read.
        constexpr int kBatches[] = {1, 100, 2000};
        constexpr int kPage = 100;
        std::vector<FetchedRow> rows;
        std::size_t step = 0;
        bool pageDrawn = false;
        for (int i = 0; result && i < hits;) {
            if (tip != nullptr && !tip->HasContent())
                break; // the user clicked the tip
            const int batch = kBatches[step];
            step = std::min(step + 1, std::size(kBatches) - 1);
            if (!theCatalogDb->FetchRows(*result, i, batch, rows))
                break; // the reason has been shown
            for (const FetchedRow& row : rows) {
                if (!OutsideSelection(row.file, cls, category, subCategory))
                    mainList_->InsertRow(row.file, row.variant, 0, 0, false,
                                         WasPlayed(row.file.path));
            }
            i += batch;
            if (redraw && !pageDrawn && i >= kPage && i < hits) {
                mainList_->Refresh(-1);
                pageDrawn = true;
            }
            AppUtil::PumpMessages(tip != nullptr ? tip->Window() : nullptr);
        }
        CatalogDbObj::FreeQueryResult(result);
        ShowBusyTip(0, false);
        if (redraw)
            mainList_->Refresh(-1);
        ShowBusyTip(0, true);
    }
    shownClass_ = cls;
    shownCategory_ = category;
    shownSubCategory_ = subCategory;
}

void AppController::CountOut(const SoundFileObj& stored) {
    theSoundCategoryTree.DecrementCount(stored.soundClass, stored.category, stored.subcategory);
    if (tree_ != nullptr)
        tree_->UpdateCategoryCounts(stored.soundClass, stored.category, stored.subcategory);
}

void AppController::CountIn(const SoundFileObj& record) {
    theSoundCategoryTree.AddCount(record.soundClass, record.category, record.subcategory, 1);
    if (tree_ != nullptr)
        tree_->UpdateCategoryCounts(record.soundClass, record.category, record.subcategory);
}

bool AppController::AddCatalogFile(SoundFileObj& file,
                                   const std::vector<SoundVariantObj>& variants) {
    if (theMainFrame != nullptr)
        theMainFrame->SetTip(0, nullptr, 0);
    if (theCatalogDb == nullptr)
        return false;
    // Adding a path already catalogued replaces its rows: its old selection loses the file.
    SoundFileObj stored;
    const bool existed = theCatalogDb->GetFileByPath(file.path, stored);
    if (theCatalogDb->Unreachable() || !theCatalogDb->AddFile(file, variants))
        return false;
    if (existed) {
        CountOut(stored);
        if (tree_ != nullptr)
            tree_->ClearSelectionIfAffected(stored.soundClass, stored.category, stored.subcategory);
    }
    theSoundCategoryTree.AddGenre(file.genre);
    CountIn(file);
    SoundVariantObj variant;
    theCatalogDb->GetSound(file.path, file.sampleRate, variant);
    changeQueue_.Add(file, variant, 0, 0, 1, 0);
    return true;
}

bool AppController::RemoveCatalogFile(const SoundFileObj& file) {
    if (theCatalogDb == nullptr)
        return true;
    SoundFileObj stored;
    if (!theCatalogDb->GetFileByPath(file.path, stored))
        return !theCatalogDb->Unreachable();
    if (!theCatalogDb->RemoveFile(file.path))
        return false;
    CountOut(stored);
    if (tree_ != nullptr)
        tree_->ClearSelectionIfAffected(stored.soundClass, stored.category, stored.subcategory);
    changeQueue_.Add(file, SoundVariantObj(), 0, 0, 0, 0);
    return true;
}

bool AppController::UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) {
    if (theCatalogDb == nullptr)
        return true;
    SoundFileObj stored;
    if (!theCatalogDb->GetFileByPath(file.path, stored))
        return !theCatalogDb->Unreachable();
    const bool moved = stored.soundClass != file.soundClass || stored.category != file.category ||
                       stored.subcategory != file.subcategory;
    if (!theCatalogDb->UpdateFile(file, newPath))
        return false;
    if (newPath != nullptr)
        file.path = *newPath;
    if (moved) {
        CountOut(stored);
        CountIn(file);
    }
    theSoundCategoryTree.AddGenre(file.genre);
    if (tree_ != nullptr) {
        tree_->ClearSelectionIfAffected(stored.soundClass, stored.category, stored.subcategory);
        tree_->ClearSelectionIfAffected(file.soundClass, file.category, file.subcategory);
    }
    SoundVariantObj variant;
    theCatalogDb->GetSound(file.path, file.sampleRate, variant);
    changeQueue_.Add(file, variant, 0, 0, 1, 0);
    return true;
}

void AppController::ApplyCatalogChanges() {
    // The Manage window's rows and marks follow the catalog too, whoever changed it.
    if (changeQueue_.Count() > 0)
        for (ManageBoxLink* box : Pointers(manageBoxes_))
            box->CatalogChanged(changeQueue_);
    if (!mainList_) {
        changeQueue_.Clear();
        return;
    }
    SoundFileListObj& rows = mainList_->Rows();
    bool changed = false;
    bool removedAny = false;
    int start = -1;
    for (int i = 0; i < changeQueue_.Count(); ++i) {
        const SoundFileListEntry& entry = changeQueue_.Entry(i);
        const bool present = entry.value1 != 0;
        const bool mismatch =
            OutsideSelection(entry.file, shownClass_, shownCategory_, shownSubCategory_);
        if (rows.ContainsPath(entry.file)) {
            if (!present || mismatch) {
                // The list removes by file id: take the listed row's, which a re-added file
                // no longer shares.
                SoundFileObj listed;
                for (int k = 0; k < rows.Count(); ++k)
                    if (EqualNoCase(rows.Entry(k).file.path, entry.file.path)) {
                        listed = rows.Entry(k).file;
                        break;
                    }
                const int r = mainList_->RemoveRow(listed, false);
                if (r >= 0) {
                    if (!removedAny) {
                        start = r;
                        removedAny = true;
                    } else {
                        start = std::min(start, std::max(r - 1, 0));
                    }
                }
                changed = true;
            } else if (rows.UpdateByPath(entry.file)) {
                changed = true;
            }
        } else if (present && !mismatch) {
            mainList_->InsertRow(entry.file, entry.variant, 0, 0, false,
                                 WasPlayed(entry.file.path));
            changed = true;
        }
    }
    changeQueue_.Clear();
    if (changed)
        mainList_->Refresh(removedAny ? start : -1);
}

bool AppController::WasPlayed(const std::string& path) const {
    return std::find(playedPaths_.begin(), playedPaths_.end(), path) != playedPaths_.end();
}

void AppController::MarkPlayed(const std::string& path) {
    if (!WasPlayed(path))
        playedPaths_.push_back(path);
}

// ---------------------------------------------------------------------------------------------
// Preview

bool AppController::AuditionFile(const std::string& path, bool loop, QAbstractButton* button,
                                 double ratio) {
    bool result = true;
    if (path.empty() ||
        (player_.IsPlaying() && player_.Path() == path && auditionRatio_ == ratio)) {
        player_.Stop();
        auditionButton_.reset();
    } else {
        player_.SetRateFactor(ratio);
        std::shared_ptr<PN_CheckButton> check;
        if (button != nullptr) {
            auto* held = dynamic_cast<QtCheckButton*>(auditionButton_.get());
            check = held != nullptr && held->Button() == button
                        ? auditionButton_
                        : std::make_shared<QtCheckButton>(button);
        }
        result = player_.Play(path, loop, check);
        auditionButton_ = result ? check : nullptr;
    }
    if (button != nullptr)
        button->setChecked(player_.IsPlaying());
    const std::string previous = auditionPath_;
    const double previousRatio = auditionRatio_;
    if (!previous.empty())
        NotifyPlayState(previous, previousRatio, loop, false);
    auditionPath_ = path;
    auditionRatio_ = ratio;
    if (!path.empty())
        NotifyPlayState(path, ratio, player_.IsLooping(), player_.IsPlaying());
    return result;
}

void AppController::NotifyPlayState(const std::string& path, double ratio, bool looping,
                                    bool playing) {
    for (SearchBoxLink* box : SearchBoxLinks()) {
        if (ResultsListLink* list = box->LocalList())
            list->ShowPlayState(path, ratio, looping, playing);
        if (ResultsListLink* list = box->WebList())
            list->ShowPlayState(path, ratio, looping, playing);
    }
    for (ManageBoxLink* box : Pointers(manageBoxes_))
        box->RefreshPlayButtons();
    if (mainList_)
        mainList_->ShowPlayState(path, ratio, looping, playing);
}

void AppController::CheckAuditionEnded() {
    if (auditionPath_.empty() || player_.IsPlaying() || player_.IsLooping())
        return;
    const std::string path = auditionPath_;
    auditionPath_.clear();
    auditionButton_.reset();
    NotifyPlayState(path, auditionRatio_, false, false);
}

// ---------------------------------------------------------------------------------------------
// Tool windows

void AppController::ReportNotOpened(const std::string& window) {
    if (theMainFrame != nullptr)
        theMainFrame->SetStatusText("The " + window + " window could not be opened.");
}

void AppController::NewFile() {
    int channels = 1, sampleRate = 22050;
    double seconds = 30.0;
    if (!AppUtil::AskNewFile(theMainFrame, channels, sampleRate, seconds))
        return;
    std::unique_ptr<EditorBoxLink> box = factory_ ? factory_->NewEditorBox() : nullptr;
    if (!box) {
        ReportNotOpened("editor");
        return;
    }
    EditorBoxLink* raw = box.get();
    editorBoxes_.push_back(std::move(box));
    if (!raw->NewFile(channels, sampleRate, seconds))
        CloseEditorWindow(raw);
}

void AppController::OpenFileFromDialog() {
    std::string path;
    if (!AppUtil::AskOpenAudioFile(theMainFrame, path, true))
        return;
    EditorBoxLink* holder = nullptr;
    for (EditorBoxLink* box : EditorBoxes())
        if (box->Path() == path)
            holder = box;
    if (holder != nullptr) {
        holder->ActivateFrame();
        return;
    }
    std::unique_ptr<EditorBoxLink> box = factory_ ? factory_->NewEditorBox() : nullptr;
    if (!box) {
        ReportNotOpened("editor");
        return;
    }
    EditorBoxLink* raw = box.get();
    editorBoxes_.push_back(std::move(box));
    if (!raw->OpenFile(path))
        CloseEditorWindow(raw);
}

bool AppController::OpenFile(const std::string& path) {
    for (EditorBoxLink* box : EditorBoxes()) {
        if (box->Path() == path) {
            box->ActivateFrame();
            return true;
        }
    }
    std::unique_ptr<EditorBoxLink> box = factory_ ? factory_->NewEditorBox() : nullptr;
    if (!box) {
        ReportNotOpened("editor");
        return false;
    }
    EditorBoxLink* raw = box.get();
    editorBoxes_.push_back(std::move(box));
    SoundFileObj stored;
    const bool ok = theCatalogDb != nullptr && theCatalogDb->GetFileByPath(path, stored)
                        ? raw->OpenRecord(stored, 0)
                        : raw->OpenFile(path);
    if (!ok)
        CloseEditorWindow(raw);
    return ok;
}

bool AppController::OpenRecordInEditor(const SoundFileObj& record, const SoundVariantObj& variant,
                                       bool remote) {
    const int semitones =
        record.sampleRate > 0
            ? RatioToHalftones(static_cast<double>(variant.sampleRate) / record.sampleRate)
            : 0;
    for (EditorBoxLink* box : EditorBoxes()) {
        if (box->Path() == record.path) {
            box->ActivateFrame();
            box->SetSemitones(semitones);
            return true;
        }
    }
    std::unique_ptr<EditorBoxLink> box = factory_ ? factory_->NewEditorBox() : nullptr;
    if (!box) {
        ReportNotOpened("editor");
        return false;
    }
    EditorBoxLink* raw = box.get();
    editorBoxes_.push_back(std::move(box));
    bool ok = false;
    SoundFileObj stored;
    if (remote)
        ok = raw->OpenRemoteRecord(record, semitones);
    else if (theCatalogDb != nullptr && theCatalogDb->GetFileByPath(record.path, stored))
        ok = raw->OpenRecord(stored, semitones);
    else
        ok = raw->OpenFile(record.path);
    if (!ok)
        CloseEditorWindow(raw);
    return ok;
}

void AppController::ShowManageWindow(SoundFileListObj* list, bool secondIsChanged) {
    ManageBoxLink* box = ManageBox();
    if (box == nullptr) {
        std::unique_ptr<ManageBoxLink> made = factory_ ? factory_->NewManageBox(*this) : nullptr;
        if (!made || !made->HasWindow()) {
            ReportNotOpened("Manage MyTambrel");
            return;
        }
        box = made.get();
        manageBoxes_.push_back(std::move(made));
    } else {
        box->ActivateFrame();
    }
    if (list == nullptr || !box->HasWindow())
        return;
    for (int i = 0; i < list->Count(); ++i) {
        const SoundFileListEntry& entry = list->Entry(i);
        if (entry.value1 == 0)
            continue;
        if (secondIsChanged)
            box->ImportUpdateItem(entry.file, entry.value2 != 0);
        else
            // A played row is not an edited one: it would be stored again for nothing.
            box->AddUpdateItem(entry.file, true, false);
    }
}

void AppController::OpenTextSearch(const std::string& keywords) {
    std::unique_ptr<SearchBoxLink> box =
        factory_ ? factory_->NewSearchBox(false, keywords, SoundSignature()) : nullptr;
    if (!box) {
        ReportNotOpened("Text Search");
        return;
    }
    searchBoxes_.push_back(std::move(box));
}

void AppController::OpenSimilarSearch(const SoundSignature& signature) {
    std::unique_ptr<SearchBoxLink> box =
        factory_ ? factory_->NewSearchBox(true, {}, signature) : nullptr;
    if (!box) {
        ReportNotOpened("Find Similar Sounds");
        return;
    }
    searchBoxes_.push_back(std::move(box));
}

void AppController::ValidateCollection() {
    if (factory_ == nullptr) {
        ReportNotOpened("validator");
        return;
    }
    factory_->RunValidator();
}

void AppController::ReapLater() {
    if (reapPosted_)
        return;
    if (QCoreApplication::instance() == nullptr) {
        ReapClosedBoxes();
        return;
    }
    reapPosted_ = true;
    // The context dies with the controller, which then reaps in its destructor.
    QTimer::singleShot(0, reapContext_.get(), [this] { ReapClosedBoxes(); });
}

void AppController::ReapClosedBoxes() {
    reapPosted_ = false;
    // Deleting a box may close further boxes: take the lists first.
    auto boxes = std::move(closedBoxes_);
    auto manage = std::move(closedManageBoxes_);
    closedBoxes_.clear();
    closedManageBoxes_.clear();
    manage.clear();
    boxes.clear();
}

void AppController::CloseEditorWindow(EditorBoxLink* box) {
    if (std::unique_ptr<EditorBoxLink> owned = Unlist(editorBoxes_, box)) {
        closedBoxes_.push_back(std::move(owned));
        ReapLater();
    }
}

void AppController::CloseSearchWindow(SearchBoxLink* box) {
    if (std::unique_ptr<SearchBoxLink> owned = Unlist(searchBoxes_, box)) {
        closedBoxes_.push_back(std::move(owned));
        ReapLater();
    }
}

void AppController::CloseIndexerWindow(ManageBoxLink* box) {
    if (std::unique_ptr<ManageBoxLink> owned = Unlist(manageBoxes_, box)) {
        closedManageBoxes_.push_back(std::move(owned));
        ReapLater();
    }
}

bool AppController::QueryClose() {
    AuditionFile({}, false, nullptr, 1.0);
    // Each box is asked once, from a copy of its list: a box that agrees leaves the list, and
    // one closed by another's answer is not asked.
    auto listed = [](const auto& boxes, const void* box) {
        return std::any_of(boxes.begin(), boxes.end(),
                           [box](const auto& b) { return b.get() == box; });
    };
    // Every question comes before any window goes: a Cancel anywhere leaves every window as
    // it was, the Manage window's rows and an editor's sound included.
    const std::vector<ManageBoxLink*> manage = Pointers(manageBoxes_);
    const std::vector<EditorBoxLink*> editors = EditorBoxes();
    auto forgetAnswers = [&] {
        for (ManageBoxLink* box : manage)
            if (listed(manageBoxes_, box))
                box->ForgetCloseAnswer();
        for (EditorBoxLink* box : editors)
            if (listed(editorBoxes_, box))
                box->ForgetCloseAnswer();
    };
    for (ManageBoxLink* box : manage)
        if (listed(manageBoxes_, box) && !box->AskClose()) {
            forgetAnswers();
            return false;
        }
    for (EditorBoxLink* box : editors)
        if (listed(editorBoxes_, box) && !box->AskClose()) {
            forgetAnswers();
            return false;
        }
    for (ManageBoxLink* box : manage)
        if (listed(manageBoxes_, box) && !box->QueryClose(true)) {
            forgetAnswers();
            return false;
        }
    for (EditorBoxLink* box : editors)
        if (listed(editorBoxes_, box) && !box->Close(true)) {
            forgetAnswers();
            return false;
        }
    for (SearchBoxLink* box : SearchBoxLinks())
        if (listed(searchBoxes_, box) && !box->Close(true)) {
            forgetAnswers();
            return false;
        }
    if (mainPane_ != nullptr)
        mainPane_->DetachList();
    SaveSettings();
    mainList_.reset();
    if (factory_ != nullptr)
        factory_->FreeEditorClipboard();
    theWebTaskManager.Shutdown();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Metadata text files

void AppController::ImportMetadata(const std::string* path) {
    SoundFileListObj list;
    if (RunMetadataImport(theMainFrame, path, list))
        ShowManageWindow(&list, true);
}

void AppController::ExportMetadata() {
    MetadataExportHooks hooks;
    hooks.beginBusy = [this] { ShowBusyTip(kSearchingString, false); };
    hooks.stopRequested = [] {
        TipWnd* tip = MainTip();
        return tip != nullptr && !tip->HasContent();
    };
    hooks.pump = [] {
        TipWnd* tip = MainTip();
        AppUtil::PumpMessages(tip != nullptr ? tip->Window() : nullptr);
    };
    hooks.endBusy = [this] {
        ShowBusyTip(0, false);
        ShowBusyTip(0, true);
    };
    RunMetadataExport(theMainFrame, hooks);
}

// ---------------------------------------------------------------------------------------------
// Box lists

std::vector<WebSearchBox*> AppController::SearchBoxes() {
    std::vector<WebSearchBox*> result;
    for (const auto& box : searchBoxes_)
        if (auto* web = dynamic_cast<WebSearchBox*>(box.get()))
            result.push_back(web);
    return result;
}

std::vector<WebDownloadList*> AppController::ResultLists() {
    std::vector<WebDownloadList*> result;
    for (const auto& box : searchBoxes_) {
        if (auto* list = dynamic_cast<WebDownloadList*>(box->LocalList()))
            result.push_back(list);
        if (auto* list = dynamic_cast<WebDownloadList*>(box->WebList()))
            result.push_back(list);
    }
    return result;
}

std::vector<WebDownloadEditor*> AppController::Editors() {
    std::vector<WebDownloadEditor*> result;
    for (const auto& box : editorBoxes_)
        if (auto* editor = dynamic_cast<WebDownloadEditor*>(box.get()))
            result.push_back(editor);
    return result;
}

std::vector<EditorBoxLink*> AppController::EditorBoxes() const {
    return Pointers(editorBoxes_);
}

std::vector<SearchBoxLink*> AppController::SearchBoxLinks() const {
    return Pointers(searchBoxes_);
}

ManageBoxLink* AppController::ManageBox() const {
    return manageBoxes_.empty() ? nullptr : manageBoxes_.front().get();
}
