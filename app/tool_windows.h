#pragma once
// The windows the controller opens, closes and keeps in step, as the controller sees them.
// The controller sits below the editor and the search, result and Manage windows, so it
// reaches them only through these interfaces; the windows implement them and the program
// hands the controller a factory that makes the real ones. Windows call the controller
// directly (app/app_controller.h). User-interface thread only.

#include <memory>
#include <string>

#include "audio/sound_signature.h"
#include "collection/indexer/indexer_controller.h"

class QWidget;
class SoundFileObj;
class SoundVariantObj;
class SoundFileListObj;
class ResultsListLink;

// The common base of the three boxes (search, Manage, editor). It carries no data; its one
// operation does nothing and no box replaces it.
class BoxObj {
public:
    virtual ~BoxObj() = default;
    virtual void BoxNotify(int, int, int, int) {}
};

// A result list (the main window's list and the two lists of every search window).
class ResultsListLink {
public:
    virtual ~ResultsListLink() = default;
    // The rows, for look-ups by path and for UpdateByPath/RemoveFile.
    virtual SoundFileListObj& Rows() = 0;
    virtual void InsertRow(const SoundFileObj& record, const SoundVariantObj& variant, int score,
                           int tag, bool show, bool mark) = 0;
    // Rebuilds both presentations; a row other than -1 is scrolled into view.
    virtual void Refresh(int row) = 0;
    virtual void ClearRows(bool redraw) = 0;
    // Removes every row of the record's file; the lowest index removed, -1 for none.
    virtual int RemoveRow(const SoundFileObj& record, bool redraw) = 0;
    virtual void ShowPlayState(const std::string& path, double ratio, bool looping,
                               bool playing) = 0;
};

// An editor window's box (the editor's PropertyBoxObj).
class EditorBoxLink : public BoxObj {
public:
    // Each open returns false after the editor has reported why; the controller then closes
    // the box at once.
    virtual bool OpenFile(const std::string& path) = 0;
    virtual bool OpenRecord(const SoundFileObj& record, int semitones) = 0;
    virtual bool OpenRemoteRecord(const SoundFileObj& record, int semitones) = 0;
    virtual bool NewFile(int channels, int sampleRate, double seconds) = 0;
    // Asks about unsaved changes; true when the box agreed and its window is (being) closed.
    // After AskClose agreed it asks nothing more.
    virtual bool Close(bool closeWindow) = 0;
    // The questions of Close without the close: true when the box may go. The answer holds
    // for the next Close until ForgetCloseAnswer.
    virtual bool AskClose() { return true; }
    virtual void ForgetCloseAnswer() {}
    // The path of the file the editor holds (empty for a new, unsaved file).
    virtual std::string Path() const = 0;
    virtual void ActivateFrame() = 0;
    // The view's pitch shift (AudioFileView::SetSemitones).
    virtual void SetSemitones(int semitones) = 0;
};

// A search window's box (SearchBoxObj).
class SearchBoxLink : public BoxObj {
public:
    virtual bool Close(bool closeWindow) = 0;
    virtual ResultsListLink* LocalList() = 0;
    virtual ResultsListLink* WebList() = 0;
    virtual void ActivateFrame() = 0;
};

// The "Manage MyTambrel" window's box (IndexerBoxObj), which owns the window and drives an
// update of MyTambrel from its rows.
class ManageBoxLink : public BoxObj {
public:
    // False when the box's window could not be made; the controller then drops the box.
    virtual bool HasWindow() const = 0;
    // Shows, raises and activates the window.
    virtual void ActivateFrame() = 0;
    // Adds a record from a result list to the update table (focus: select and show it).
    virtual void AddUpdateItem(const SoundFileObj& record, bool focus, bool edited) = 0;
    // An imported record: a row already listed takes its texts and the file's state now;
    // another path is added as AddUpdateItem adds it.
    virtual void ImportUpdateItem(const SoundFileObj& record, bool edited) {
        AddUpdateItem(record, true, edited);
    }
    // The catalog changed (ApplyCatalogChanges' queue: value1 1 present, 0 removed): the
    // rows and the file panes' marks follow.
    virtual void CatalogChanged(const SoundFileListObj& /*changes*/) {}
    // Asks before a running or pending update is dropped; true when the box went (or goes,
    // once the window's busy state ends). After AskClose agreed it asks nothing more.
    virtual bool QueryClose(bool closeWindow) = 0;
    // The questions of QueryClose without the close: true when the box may go. The answer
    // holds for the next QueryClose until ForgetCloseAnswer.
    virtual bool AskClose() { return true; }
    virtual void ForgetCloseAnswer() {}
    // Lays the window's Play/Loop strip out again after the preview changed.
    virtual void RefreshPlayButtons() = 0;
};

// The controller as the Manage box reaches it: the catalog edits and the box's own end.
class IndexerBoxController : public IndexerController {
public:
    // Removes the box from the controller's list and deletes it; a box not listed is ignored.
    virtual void CloseIndexerWindow(ManageBoxLink* box) = 0;
};

// The main window's category tree (LocalFilesView) as the controller fills and relabels it.
class CategoryTreeLink {
public:
    using Item = void*; // an opaque item handle; nullptr is the root's parent
    virtual ~CategoryTreeLink() = default;
    virtual void DeleteAllItems() = 0;
    // Appends an item at the end of its parent's children.
    virtual Item InsertItem(Item parent, const std::string& text, int image) = 0;
    virtual void UpdateCategoryCounts(int cls, const std::string& category,
                                      const std::string& subCategory) = 0;
    virtual void ClearSelectionIfAffected(int cls, const std::string& category,
                                          const std::string& subCategory) = 0;
};

// The main window's results pane (SinglePageResultsView).
class MainResultsPaneLink {
public:
    // Bits of a hidden-column mask: bit n hides column n of the results table. The mask also
    // names the stored column layout, so the bits keep their places.
    static constexpr unsigned kHideScore = 1u << 0; // the Score column
    static constexpr unsigned kHidePitch = 1u << 3; // the Pitch column

    virtual ~MainResultsPaneLink() = default;
    virtual void AttachList(ResultsListLink* list, unsigned hiddenColumnMask) = 0;
    virtual void DetachList() = 0;
    // Shows the table (true) or the cards and sets the pane's "Show hits in a table" box.
    virtual void ShowTabular(bool tabular) = 0;
    virtual void FocusActivePresentation() = 0;
    // The visible presentation (table or cards), which takes the category tree's Ctrl+A,
    // page keys and wheel; null when there is none.
    virtual QWidget* ActivePresentation() = 0;
};

// Makes the real windows. The program installs one before the controller starts; until a
// window is built, its maker may return null and the controller says so in the status bar.
class ToolWindowFactory {
public:
    virtual ~ToolWindowFactory() = default;
    virtual std::unique_ptr<EditorBoxLink> NewEditorBox() = 0;
    // keywords for a "Text Search" window, or the example's signature for "Find Similar Sounds".
    virtual std::unique_ptr<SearchBoxLink> NewSearchBox(bool similar, const std::string& keywords,
                                                        const SoundSignature& signature) = 0;
    // The main window's result list (kind MyTambrel) bound to the main results pane.
    virtual std::unique_ptr<ResultsListLink> NewMainList() = 0;
    // Runs the validator dialog modally.
    virtual void RunValidator() = 0;
    // A Manage box with its "Manage MyTambrel" window, reaching back to the controller given.
    virtual std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController& controller) = 0;
    // Frees the editors' shared sample clipboard at close-down.
    virtual void FreeEditorClipboard() {}

    // The main window's two panes, made as children of its splitter.
    struct CategoryTreePane {
        QWidget* widget = nullptr;
        CategoryTreeLink* tree = nullptr;
    };
    struct ResultsPane {
        QWidget* widget = nullptr;
        MainResultsPaneLink* pane = nullptr;
    };
    virtual CategoryTreePane NewCategoryTreePane(QWidget* parent) = 0;
    virtual ResultsPane NewResultsPane(QWidget* parent) = 0;
};
