#pragma once
// The table presentation of a result list: a table of up to 19 columns drawn straight from
// the list's entries, a strip of row buttons (Play, Loop, Open/Save, Find similar) with the
// row numbers to its left, a corner button that selects all or no rows and a download meter
// below the strip. Row selection lives in bit 0 of each entry's first caller value.

#include <QFont>
#include <QFontMetrics>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/controls/button_list_ctrl.h"
#include "app/controls/icon_button.h"
#include "app/controls/selectable_table_ctrl.h"
#include "collection/sound_file_list.h"
#include "windows/results/results_presentation.h"

class AudioProgressMeterWnd;
class CGP_StaticWaveform;
class QMenu;
class QMimeData;
class ResultsListObj;
class TabularResultsWnd;

// The columns of the table, in column-table order.
enum TabularColumn {
    kColScore = 0,
    kColWaveform,
    kColFileName,
    kColPitch,
    kColDescription,
    kColFileSize,
    kColChannels,
    kColCompression,
    kColSampleRate,
    kColDuration,
    kColCategory,
    kColGenre,
    kColKey,
    kColTempo,
    kColLoop,
    kColSource,
    kColCopyright,
    kColNotes,
    kColLink,
    kTabularColumnCount
};

struct TabularColumnDef {
    const char* name;
    int width;           // default width
    Qt::Alignment align; // text alignment in the cells
    int autoWidth;       // applied on a divider double click; -1 leaves the list's own sizing
};

const TabularColumnDef& TabularColumnAt(int column);
// The column-table indexes whose bit in the mask is clear, in table order.
std::vector<int> VisibleTabularColumns(unsigned hiddenMask);
// A column's width before the user sets one: the table's, or wider where a text the column
// can show needs more in the table's font.
int TabularDefaultWidth(int column, const QFontMetrics& metrics);
// The text of a cell of the column table for a row of a list of that kind (0 local, 1 remote).
std::string TabularCellText(const SoundFileListEntry& entry, int column, int listKind);
// The waveform column's automatic width for one row: room for its points, the dots after
// a summary of a longer sound, and the left margin.
int WaveformCellWidth(const SoundVariantObj& variant);

// The row commands of the popup menus.
enum TabularCommand {
    kCmdPlay = 32842,
    kCmdLoop = 32872,
    kCmdOpen = 32843,
    kCmdFindSimilar = 32844,
    kCmdRemove = 32845,
    kCmdManage = 32846,
};
struct TabularCommandDef {
    int id; // 0 a separator
    const char* text;
};
// The popup menu for a list kind with that many selected rows: its id and its items; id 0
// and no items when that case has no menu.
struct TabularPopupMenu {
    int id;
    std::vector<TabularCommandDef> items;
};
TabularPopupMenu TabularPopupMenuFor(int listKind, int selectedRows);

// What the table asks of the rest of the program. The default one goes to `theController`.
class TabularResultsServices {
public:
    virtual ~TabularResultsServices() = default;
    // The record's file leaves the catalog; false when it could not (already reported).
    virtual bool RemoveCatalogFile(const SoundFileObj& file) = 0;
    virtual void ApplyCatalogChanges() = 0;
    virtual void ShowManageWindow(SoundFileListObj* list) = 0;
    virtual bool ColorWaveforms() const = 0;
    // Whether the list is the main window's list (which the controller keeps in step).
    virtual bool IsMainList(const ResultsListObj* list) const = 0;
};
TabularResultsServices& DefaultTabularResultsServices();

// The table of result rows. It holds no cell data: every cell is drawn from the list.
class TabularColumnsCtrl : public SelectableTableCtrl {
public:
    TabularColumnsCtrl(TabularResultsWnd* owner, QWidget* parent);
    ~TabularColumnsCtrl() override;

    // Binds the list and lays the visible columns out as stored for the mask.
    void LoadLayout(ResultsListObj* list, unsigned hiddenMask);
    // Writes the display order and widths under the mask's keys and unbinds the list.
    void SaveLayout();
    // Writes them as SaveLayout does and keeps the list and the columns.
    void StoreLayout();

    // One more row at the end (the list already holds its entry).
    void AppendRow();
    // Sets the row count to the list's count, dropping every cached waveform.
    void ResetRows(int count);

    ResultsListObj* List() const { return list_; }
    unsigned HiddenMask() const { return mask_; }
    // For each table column (logical index), its index in the column table.
    const std::vector<int>& VisibleColumns() const { return visible_; }
    // The table column showing a column-table index, or -1 when it is hidden.
    int VisibleIndexOf(int tableColumn) const;
    // The column-table indexes in the order the header displays them.
    std::vector<int> DisplayedColumns() const;

    void SelectAllRows(bool on);
    int SelectedRowCount() const;
    // The row the keyboard is on, drawn with a focus frame: the last row clicked or reached
    // by a key; -1 when none.
    int FocusRow() const { return focusRow_; }
    void SetFocusRow(int row);
    // Scrolls so that the top row is that row (or as near as the table allows).
    void ScrollToTopRow(int row);

    // Selection in the list's entries.
    bool IsRowSelected(int row) override;
    void SetRowSelected(int row, bool selected, bool redraw) override;
    bool IsColumnMovable(int) override { return true; }

    // Table hooks.
    const QFont* GetCellFont(int row, int column, unsigned state, std::uintptr_t data) override;
    ColorRef GetCellTextColor(int row, int column, unsigned state, std::uintptr_t data) override;
    ColorRef GetCellBkColor(int row, int column, unsigned state, std::uintptr_t data) override;
    bool WantsCellPaint(int row, int column, unsigned state, std::uintptr_t data) override {
        return true;
    }
    bool DrawCell(QPainter& p, int row, int column, unsigned state, std::uintptr_t data) override;
    void PostPaintCell(QPainter&, int, int, unsigned, std::uintptr_t) override {}
    bool OnCellLButtonDown(int column, int row, bool shift, bool ctrl) override;
    bool OnCellLButtonUp(int column, int row, bool shift, bool ctrl) override;
    bool OnCellContextMenu(int column, int row, int screenX, int screenY) override;
    bool OnCellMouseMove(int, int, int) override { return true; }
    bool MoveCurrentCell(int, int, bool, bool) override { return false; }
    bool OnKeyboardContextMenu() override;
    bool WantsControlPostNotify() override { return true; }
    bool WantsControlPostPaint() override { return true; }
    void PostPaintControl(QPainter& p) override;
    int GetColumnAutoWidth(int column) override;
    std::string GetCellTooltip(int column, int row) override;

    // The waveform drawn for a row (made from the row's summary when first asked).
    CGP_StaticWaveform& RowWaveform(int row);

protected:
    void HeaderItemClick(int column) override;
    // The hits have no cells to edit.
    bool PassesTabOn() const override { return true; }
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    friend class TabularResultsWnd;
    int RowBackground(int row);
    // Arrows, Page Up/Down, Home and End as a list moves: true when the key was one of them.
    bool MoveByKey(int key, bool shift, bool ctrl);
    // The row the keyboard is on: the focused row, else the first row in view, where the
    // first arrow key lands; -1 with no rows.
    int KeyboardRow() const;
    TabularResultsWnd* owner_;
    int focusRow_ = -1;
    ResultsListObj* list_ = nullptr;
    unsigned mask_ = 0;
    bool laidOut_ = false;
    // The column order and widths as last read from or written to the settings.
    std::string storedOrder_;
    std::string storedWidths_;
    std::vector<int> visible_;
    // Made on first paint of a row: a table of many thousand hits draws only a page of them.
    std::vector<std::unique_ptr<CGP_StaticWaveform>> waveforms_;
    QFont underlined_;
    // Measuring every cell's text with new metrics costs more than drawing it.
    QFontMetrics metrics_;
    QFontMetrics underlinedMetrics_;
};

// The strip of row buttons and row numbers at the table's left.
class TabularHeaderCtrl : public ButtonListCtrl {
public:
    TabularHeaderCtrl(TabularResultsWnd* owner, QWidget* parent);
    ~TabularHeaderCtrl() override;

    void Bind(ResultsListObj* list) { list_ = list; }
    void AddButtonColumns();
    int PlayingRow() const { return playingRow_; }
    void SetPlayState(int row, bool playing, bool looping);
    void SelectAll(bool on);

    // Runs one menu command on every selected row, in row order.
    void RunCommand(int id);
    // Asks, then takes the selected rows' files out of the catalog.
    void RemoveSelectedRows();
    // The payload of a drag of the selected rows (kind 1).
    std::unique_ptr<QMimeData> BuildRowDrag() const;

    // How a popup menu runs: the chosen command id, 0 for none. Tests replace it.
    std::function<int(QMenu& menu, const QPoint& screen)> runMenu;
    // How a row drag runs once its payload is built. Tests replace it.
    std::function<void(std::unique_ptr<QMimeData> data)> runDrag;

    // Strip hooks.
    void EnsureRowVisible(int column, int row) override;
    void OnButtonClicked(int column, int row, HeaderButtonCtrl* button) override;
    void OnRowActivated(int row, int detail) override;
    bool IsRowSelected(int row) override;
    bool IsButtonChecked(int column, int row) override;
    bool SelectRow(int row, bool shift, bool ctrl, bool rightButton) override;
    bool FinishSelectRow(int row, bool shift, bool ctrl, bool rightButton) override;
    void OnContextMenu(int row, int screenX, int screenY) override;
    // A press on the rows that moves away arms a drag of the selected rows of a MyTambrel
    // list; it starts when the mouse leaves the strip and is dropped when the button is let go.
    bool CancelPendingSelect() override;
    bool IsRowDragArmed() const { return dragArmed_; }
    bool ForwardMouseWheel(int flags, int delta, int x, int y) override;
    void SetRowSelected(int row, bool selected) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void RunRowDrag();
    void DisarmRowDrag();
    TabularResultsWnd* owner_;
    ResultsListObj* list_ = nullptr;
    int playingRow_ = -1;
    bool playingLoops_ = false;
    bool dragArmed_ = false;
};

// The corner button above the strip: selects every row, or none when all are selected.
class TabularTopLeftButton : public IconButton {
public:
    TabularTopLeftButton(TabularResultsWnd* owner, QWidget* parent);
    void Bind(ResultsListObj* list) { list_ = list; }
    void Clicked();

private:
    TabularResultsWnd* owner_;
    ResultsListObj* list_ = nullptr;
};

class TabularResultsWnd : public QWidget, public ResultsPresentation {
public:
    explicit TabularResultsWnd(QWidget* parent = nullptr, TabularResultsServices* services = nullptr);
    ~TabularResultsWnd() override;

    // --- ResultsPresentation
    QWidget* Widget() override { return this; }
    void Attach(ResultsListObj* list, unsigned hiddenMask) override;
    void Detach() override;
    // The same list and mask again: the layout is stored as a Detach stores it and the table
    // scrolls back to its first column, as an Attach leaves it; columns and row buttons stay.
    void Reattach();
    void InsertRow(const SoundFileObj& file, const SoundVariantObj& variant, int score) override;
    void Refresh() override;
    void Clear() override;
    void EnsureRowVisible(int row) override;
    void RedrawRow(int row) override;
    void SetRowPlayState(int row, bool playing, bool looping) override;
    void ShowRowProgress(const std::string& text, const std::string& url, int percent) override;

    ResultsListObj* List() const { return list_; }
    TabularColumnsCtrl* Columns() const { return columns_; }
    TabularHeaderCtrl* Strip() const { return strip_; }
    TabularTopLeftButton* Corner() const { return corner_; }
    AudioProgressMeterWnd* Meter() const { return meter_; }
    TabularResultsServices& Services() const { return *services_; }
    // Keeps the strip's top row on the table's top row.
    void SyncStrip();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void LayOut();
    TabularResultsServices* services_;
    ResultsListObj* list_ = nullptr;
    // Children, deleted with this window.
    TabularColumnsCtrl* columns_ = nullptr;
    TabularHeaderCtrl* strip_ = nullptr;
    TabularTopLeftButton* corner_ = nullptr;
    AudioProgressMeterWnd* meter_ = nullptr;
};
