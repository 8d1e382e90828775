#pragma once

#include "app/controls/button_list_ctrl.h"
#include "app/controls/selectable_table_ctrl.h"

#include <string>
#include <vector>

class CatalogListView;
struct CatalogUpdateItem;

// The update table: one row per CatalogUpdateItem of the Manage box, drawn from the rows
// (the list holds only the count), with the row selection kept in the rows' selected flags.
class CatalogListCtrl : public SelectableTableCtrl {
public:
    // Default widths of the 16 columns.
    static const int kDefaultWidths[16];
    static constexpr const char* kOrderKey = "CatalogColumnOrder";
    static constexpr const char* kWidthKey = "CatalogColumnWidth";

    CatalogListCtrl(CatalogListView& view, QWidget* parent);

    // Inserts the 16 columns with the saved widths and display order.
    void InsertColumns();
    // Writes the display order and the widths (by column number) to the settings.
    void SaveLayout();

    // Stores a text into a cell outside the in-place editor (paste): the row is marked
    // edited first and repainted whole when its status image changes.
    void StoreCellText(int column, int row, const std::string& text);
    // Lines the strip's rows up with the table's, to the pixel, down to where the table's
    // rows end.
    void AlignStrip();
    void SelectAllRows();
    // Entered by the keyboard without a current cell: the selected row's (else the first
    // row's) first editable cell becomes current.
    void EnsureCurrentCell();
    int RowCount() const;
    // The in-place editor's choices of a column for a row (empty for free text).
    std::vector<std::string> ColumnChoices(int column, int row) const;
    static int ColumnEditKind(int column);

    bool DrawCell(QPainter& p, int row, int column, unsigned state, std::uintptr_t data) override;
    bool OnCellDblClick(int column, int row, bool shift, bool ctrl) override;
    bool OnCellLButtonDown(int column, int row, bool shift, bool ctrl) override;
    bool OnCellLButtonUp(int column, int row, bool shift, bool ctrl) override;
    bool OnCellMouseMove(int column, int row, int edge) override;
    bool CommitCellText(int column, int row, std::string& text, int columnDirection,
                        int rowDirection) override;
    void OnSelectionChanged() override;
    bool DeleteAllRows() override;
    bool DeleteRow(int row) override;
    void AdvanceAfterEdit() override;
    bool IsRowSelected(int row) override;
    void SetRowSelected(int row, bool selected, bool redraw) override;
    bool IsColumnMovable(int column) override;
    void SetCurrentCell(int column, int row) override;
    std::string GetCellTooltip(int column, int row) override;

protected:
    bool PreTranslateMessage(QKeyEvent* e) override;
    void HeaderItemClick(int column) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void focusInEvent(QFocusEvent* e) override;

private:
    CatalogUpdateItem* Row(int row) const;
    bool Running() const;
    void Paste(int column, int row);

    CatalogListView& view_;
    std::vector<std::string> choices_; // the open editor's list
    QPixmap statusImages_[4];
};

// The Play/Loop strip at the left of the update table.
class CatalogListHeaderCtrl : public ButtonListCtrl {
public:
    static constexpr int kPlayIcon = 182;
    static constexpr int kLoopIcon = 185;
    static constexpr int kButtonSize = 20;

    CatalogListHeaderCtrl(CatalogListView& view, QWidget* parent);

    // Gives the row buttons their pictures and states after a change of rows or preview.
    void Refresh();

    void EnsureRowVisible(int column, int row) override;
    void OnButtonClicked(int column, int row, HeaderButtonCtrl* button) override;
    bool IsRowSelected(int row) override;
    bool IsButtonChecked(int column, int row) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    CatalogListView& view_;
    QIcon playIcon_;
    QIcon loopIcon_;
};
