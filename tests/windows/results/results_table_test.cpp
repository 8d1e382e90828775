#include "windows/results/results_table.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

#include "app/settings.h"
#include "editor/widgets/static_waveform.h"
#include "editor/window/editor_icons.h"
#include "tests/support_qt/table_rows.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/windows/results/results_test_support.h"
#include "windows/results/results_list.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/sound_drag.h"

namespace {

QColor Pixel(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixelColor(at);
}

class TabularResults : public ::testing::Test {
protected:
    void Make(int kind, unsigned mask) {
        list = std::make_unique<ResultsListObj>(nullptr, kind, &listServices);
        wnd = std::make_unique<ResultsWnd>(nullptr, &tableServices);
        wnd->resize(900, 420);
        wnd->Attach(list.get(), mask);
        wnd->ShowTabular();
        wnd->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wnd.get()));
    }
    void TearDown() override {
        if (wnd)
            wnd->Detach();
        wnd.reset();
        list.reset();
    }
    void Add(int fileId, const std::string& path, int rate = 44100, int duration = 2000,
             int points = 20, int score = 0) {
        list->InsertRow(HitFile(fileId, path), HitVariant(fileId, rate, duration, points), score,
                        0, true, false);
    }
    TabularResultsWnd& Tab() { return *wnd->Tabular(); }
    TabularColumnsCtrl& Table() { return *wnd->Tabular()->Columns(); }
    TabularHeaderCtrl& Strip() { return *wnd->Tabular()->Strip(); }
    void Select(std::initializer_list<int> rows) {
        Table().SelectAllRows(false);
        for (int row : rows)
            Table().SetRowSelected(row, true, true);
    }
    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (int row = 0; row < list->Count(); ++row)
            if (Table().IsRowSelected(row))
                rows.push_back(row);
        return rows;
    }
    QPoint CellCentre(int tableColumn, int row) {
        const int column = Table().VisibleIndexOf(tableColumn);
        return Table().visualRect(Table().model()->index(row, column)).center();
    }

    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    std::unique_ptr<ResultsListObj> list;
    std::unique_ptr<ResultsWnd> wnd;
};

TEST(TabularColumns, MaskHidesItsColumnsInTableOrder) {
    const struct {
        unsigned mask;
        size_t count;
        int first;
        int second;
    } cases[] = {
        {0, 19, kColScore, kColWaveform},
        {1, 18, kColWaveform, kColFileName},
        {9, 17, kColWaveform, kColFileName},
        {8, 18, kColScore, kColWaveform},
    };
    for (const auto& c : cases) {
        const std::vector<int> visible = VisibleTabularColumns(c.mask);
        EXPECT_EQ(visible.size(), c.count) << c.mask;
        EXPECT_EQ(visible[0], c.first) << c.mask;
        EXPECT_EQ(visible[1], c.second) << c.mask;
        EXPECT_TRUE(std::is_sorted(visible.begin(), visible.end()));
    }
    EXPECT_EQ(ColumnSettingKey("ColumnOrder", 9), "ColumnOrder_00000009");
}

TEST(TabularColumns, CellTextsFollowTheRecord) {
    SoundFileListEntry entry;
    entry.file = HitFile(3, "/sounds/big%20dog.wav");
    entry.file.category = "Animals";
    entry.file.subcategory = "Dogs";
    entry.file.loop = 1;
    entry.variant = HitVariant(3, 88200, 1000, 2);
    entry.score = 57;
    const struct {
        int column;
        std::string text;
    } cases[] = {
        {kColScore, "57%"},
        {kColFileName, "big dog.wav"},
        {kColPitch, "+12 semitones"},
        {kColDescription, "Description of /sounds/big%20dog.wav"},
        {kColCategory, "Effect > Animals > Dogs"},
        {kColLoop, "Yes"},
        {kColSampleRate, entry.variant.FieldText(2)},
        {kColDuration, entry.variant.FieldText(0)},
        {kColFileSize, entry.file.FieldText(kFieldSize)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TabularCellText(entry, c.column, 0), c.text) << c.column;

    entry.score = 0;
    entry.variant.sampleRate = 22050;
    entry.file.loop = 2;
    entry.file.subcategory.clear();
    EXPECT_EQ(TabularCellText(entry, kColScore, 0), "");
    EXPECT_EQ(TabularCellText(entry, kColPitch, 0), "-12 semitones");
    EXPECT_EQ(TabularCellText(entry, kColLoop, 0), "No");
    EXPECT_EQ(TabularCellText(entry, kColCategory, 0), "Effect > Animals");
    entry.variant.sampleRate = 44100;
    EXPECT_EQ(TabularCellText(entry, kColPitch, 0), "Normal");
    // A remote hit's name is the last part of its URL.
    entry.file.path = "http://example.invalid/get/wind%2Dgust.aiff";
    EXPECT_EQ(TabularCellText(entry, kColFileName, 1), "wind-gust.aiff");
}

TEST(TabularColumns, PopupMenuByKindAndSelectedCount) {
    const std::vector<int> oneLocal = {kCmdPlay, kCmdLoop, kCmdOpen, kCmdFindSimilar, 0,
                                       kCmdRemove, kCmdManage};
    const std::vector<int> oneWeb = {kCmdPlay, kCmdLoop, kCmdOpen, kCmdFindSimilar};
    const std::vector<int> manyLocal = {kCmdRemove, kCmdManage};
    const struct {
        int kind;
        int selected;
        int id;
        std::vector<int> items;
    } cases[] = {
        {ResultsListObj::kMyTambrel, 1, 228, oneLocal},
        {ResultsListObj::kWebTambrel, 1, 235, oneWeb},
        {ResultsListObj::kMyTambrel, 2, 234, manyLocal},
        {ResultsListObj::kMyTambrel, 40, 234, manyLocal},
        {ResultsListObj::kWebTambrel, 2, 0, {}},
        {ResultsListObj::kMyTambrel, 0, 0, {}},
    };
    for (const auto& c : cases) {
        const TabularPopupMenu menu = TabularPopupMenuFor(c.kind, c.selected);
        EXPECT_EQ(menu.id, c.id) << c.kind << " " << c.selected;
        std::vector<int> ids;
        for (const auto& item : menu.items)
            ids.push_back(item.id);
        EXPECT_EQ(ids, c.items) << c.kind << " " << c.selected;
    }
}

TEST_F(TabularResults, LayoutIsKeptPerMaskAndRestored) {
    Make(ResultsListObj::kMyTambrel, 9);
    ASSERT_EQ(Table().columnCount(), 17);
    EXPECT_EQ(Table().DisplayedColumns().front(), kColWaveform);
    // Move File Name to the front and widen Description.
    Table().horizontalHeader()->moveSection(1, 0);
    Table().setColumnWidth(Table().VisibleIndexOf(kColDescription), 260);
    const std::vector<int> shown = Table().DisplayedColumns();
    ASSERT_EQ(shown.front(), kColFileName);
    wnd->Detach();

    EXPECT_EQ(GetProfileString("ColumnOrder_00000009", "").substr(0, 6), "1 0 2 ");
    EXPECT_NE(GetProfileString("ColumnWidth_00000009", "").find(" 260 "), std::string::npos);
    EXPECT_EQ(GetProfileString("ColumnOrder_00000000", ""), "");

    // Another mask has a layout of its own; the first comes back whole.
    wnd->Attach(list.get(), 0);
    EXPECT_EQ(Table().columnCount(), 19);
    EXPECT_EQ(Table().DisplayedColumns().front(), kColScore);
    wnd->Detach();
    wnd->Attach(list.get(), 9);
    EXPECT_EQ(Table().DisplayedColumns(), shown);
    EXPECT_EQ(Table().columnWidth(Table().VisibleIndexOf(kColDescription)), 260);
}

TEST_F(TabularResults, StoredListsReplaceLeadingEntriesOnlyWhenTheyStayValid) {
    const std::vector<int> defaults = VisibleTabularColumns(9);
    std::vector<int> swapped = defaults;
    std::swap(swapped[0], swapped[1]);
    const struct {
        const char* name;
        const char* order;
        const char* widths;
        std::vector<int> shown;
        int firstWidth;
        int secondWidth;
    } cases[] = {
        {"short lists", "1 0", "300", swapped, 300, 175},
        {"repeated column", "3 3", "", defaults, 104, 175},
        {"column out of range", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 99", "", defaults, 104, 175},
        {"not numbers", "left right", "wide", defaults, 104, 175},
        {"bad widths", "", "-5 99999", defaults, 104, 175},
    };
    Make(ResultsListObj::kMyTambrel, 9);
    for (const auto& c : cases) {
        wnd->Detach();
        WriteProfileString("ColumnOrder_00000009", c.order);
        WriteProfileString("ColumnWidth_00000009", c.widths);
        wnd->Attach(list.get(), 9);
        EXPECT_EQ(Table().DisplayedColumns(), c.shown) << c.name;
        EXPECT_EQ(Table().columnWidth(0), c.firstWidth) << c.name;
        EXPECT_EQ(Table().columnWidth(1), c.secondWidth) << c.name;
    }
}

TEST_F(TabularResults, RowsComeFromTheListIntoTableAndStrip) {
    Make(ResultsListObj::kMyTambrel, 9);
    for (int i = 0; i < 30; ++i)
        Add(i + 1, "/snd/s" + std::to_string(i) + ".wav");
    EXPECT_EQ(Table().rowCount(), 30);
    EXPECT_EQ(Strip().GetRowCount(), 30);
    EXPECT_EQ(Strip().RowHeight(), 32);
    // The strip follows the table's top row, by scroll bar and by wheel.
    Table().ScrollToTopRow(7);
    EXPECT_EQ(Table().GetTopIndex(), 7);
    EXPECT_EQ(Strip().GetTopRow(), 7);
    QWheelEvent down(QPointF(50, 50), Table().viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Table().viewport(), &down);
    EXPECT_EQ(Table().GetTopIndex(), 8);
    EXPECT_EQ(Strip().GetTopRow(), 8);
    // A refresh keeps the place.
    list->Refresh(-1);
    EXPECT_EQ(Table().GetTopIndex(), 8);
    EXPECT_EQ(Strip().GetTopRow(), 8);
    list->ClearRows(true);
    EXPECT_EQ(Table().rowCount(), 0);
    EXPECT_EQ(Strip().GetRowCount(), 0);
}

TEST_F(TabularResults, FileNameClickOpensUnlessShiftOrCtrlIsHeld) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(1, "/snd/a.wav");
    Add(2, "/snd/b.wav");
    QWidget* viewport = Table().viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, CellCentre(kColFileName, 1));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, CellCentre(kColFileName, 1));
    EXPECT_TRUE(listServices.opened.empty());
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCentre(kColFileName, 1));
    EXPECT_EQ(listServices.opened, std::vector<std::string>{"/snd/b.wav"});
    EXPECT_TRUE(list->RowPlayed(1));

    // The Link cell opens its link the same way; the full path is the name's tip.
    list->Entry(0).file.link = "http://example.invalid/a";
    FakeUiSeams seams;
    Table().ScrollColumnIntoView(Table().VisibleIndexOf(kColLink));
    ASSERT_TRUE(viewport->rect().contains(CellCentre(kColLink, 0)));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, CellCentre(kColLink, 0));
    EXPECT_TRUE(seams.urls.empty());
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCentre(kColLink, 0));
    EXPECT_EQ(seams.urls, std::vector<std::string>{"http://example.invalid/a"});
    EXPECT_EQ(Table().GetCellTooltip(Table().VisibleIndexOf(kColFileName), 1), "/snd/b.wav");
    Table().horizontalScrollBar()->setValue(0);

    // Any other cell selects through the strip; Ctrl adds a row.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, CellCentre(kColDescription, 0));
    EXPECT_EQ(SelectedRows(), std::vector<int>{0});
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, CellCentre(kColGenre, 1));
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1}));
    // A press below the rows clears the selection.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(100, viewport->height() - 5));
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_EQ(listServices.opened.size(), 1u);
}

TEST_F(TabularResults, CornerButtonSelectsAllOrNone) {
    Make(ResultsListObj::kMyTambrel, 9);
    TabularTopLeftButton* corner = Tab().Corner();
    corner->click(); // an empty list: nothing to select, nothing breaks
    EXPECT_TRUE(SelectedRows().empty());
    for (int i = 0; i < 3; ++i)
        Add(i + 1, "/snd/" + std::to_string(i) + ".wav");
    const struct {
        std::vector<int> before;
        std::vector<int> after;
    } cases[] = {
        {{}, {0, 1, 2}},
        {{1}, {0, 1, 2}},
        {{0, 1, 2}, {}},
    };
    for (const auto& c : cases) {
        Table().SelectAllRows(false);
        for (int row : c.before)
            Table().SetRowSelected(row, true, false);
        corner->click();
        EXPECT_EQ(SelectedRows(), c.after);
        EXPECT_FALSE(corner->isDefault());
    }
}

TEST_F(TabularResults, WaveformAutoWidthFitsTheWidestRow) {
    Make(ResultsListObj::kMyTambrel, 9);
    const int waveform = Table().VisibleIndexOf(kColWaveform);
    EXPECT_EQ(Table().GetColumnAutoWidth(waveform), -1); // no rows: the list's own sizing
    Add(1, "/snd/short.wav", 44100, 5000, 0);
    EXPECT_EQ(Table().GetColumnAutoWidth(waveform), 10);
    Add(2, "/snd/twelve.wav", 44100, 12000, 100);
    EXPECT_EQ(Table().GetColumnAutoWidth(waveform), 216);
    EXPECT_EQ(Table().GetColumnAutoWidth(Table().VisibleIndexOf(kColKey)), 30);
    EXPECT_EQ(Table().GetColumnAutoWidth(Table().VisibleIndexOf(kColDescription)), -1);
    EXPECT_EQ(Table().GetCellTooltip(waveform, 0), "Halvorine Waveform Display");
}

TEST_F(TabularResults, HeaderClickUnderMaskNineSortsTheClickedColumn) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(1, "/snd/c.wav", 44100, 3000);
    Add(2, "/snd/a.wav", 44100, 1000);
    Add(3, "/snd/b.wav", 44100, 2000);
    QHeaderView* header = Table().horizontalHeader();
    auto clickHeader = [&](int tableColumn) {
        const int column = Table().VisibleIndexOf(tableColumn);
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    auto durations = [&] {
        std::vector<int> out;
        for (int row = 0; row < list->Count(); ++row)
            out.push_back(list->Entry(row).variant.duration);
        return out;
    };
    clickHeader(kColDuration);
    EXPECT_EQ(durations(), (std::vector<int>{1000, 2000, 3000}));
    EXPECT_EQ(Table().Header().SortColumn(), Table().VisibleIndexOf(kColDuration));
    EXPECT_TRUE(Table().Header().Ascending());
    clickHeader(kColDuration);
    EXPECT_EQ(durations(), (std::vector<int>{3000, 2000, 1000}));
    EXPECT_FALSE(Table().Header().Ascending());
    // The waveform column does not sort.
    clickHeader(kColWaveform);
    EXPECT_EQ(durations(), (std::vector<int>{3000, 2000, 1000}));
    EXPECT_EQ(Table().Header().SortColumn(), Table().VisibleIndexOf(kColDuration));
    EXPECT_EQ(Table().rowCount(), 3);
}

TEST_F(TabularResults, RowsArePaintedFromTheirStateAndSummary) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(1, "/snd/a.wav", 44100, 2000, 10);
    Add(2, "/snd/b.wav", 44100, 2000, 10);
    Add(3, "/snd/c.wav", 44100, 2000, 10);
    Select({2});
    QWidget* viewport = Table().viewport();
    const int waveform = Table().VisibleIndexOf(kColWaveform);
    auto cell = [&](int row) { return Table().visualRect(Table().model()->index(row, waveform)); };
    // Past the summary's end the cell shows the row's background.
    auto background = [&](int row) { return Pixel(viewport, cell(row).topLeft() + QPoint(80, 2)); };
    EXPECT_EQ(background(0), QColor(255, 255, 255));
    EXPECT_EQ(background(1), QColor(240, 240, 240));
    EXPECT_EQ(background(2), QColor(192, 192, 255));
    // The first point's line sits at the left margin, in its colour or grey.
    const QPoint firstLine = cell(0).topLeft() + QPoint(4, 16);
    EXPECT_EQ(Pixel(viewport, firstLine), QColor(40, 200, 120));
    tableServices.colored = false;
    EXPECT_EQ(Pixel(viewport, firstLine), QColor(128, 128, 128));
}

TEST_F(TabularResults, PlayStateMarksTheRowsButtons) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(1, "/snd/a.wav");
    Add(2, "/snd/b.wav");
    const struct {
        bool playing;
        bool looping;
        bool play;
        bool loop;
    } cases[] = {
        {true, false, true, false},
        {true, true, false, true},
        {false, false, false, false},
    };
    for (const auto& c : cases) {
        wnd->SetRowPlayState(1, c.playing, c.looping);
        EXPECT_EQ(Strip().GetButtonAt(0, 1)->isChecked(), c.play);
        EXPECT_EQ(Strip().GetButtonAt(1, 1)->isChecked(), c.loop);
        EXPECT_FALSE(Strip().GetButtonAt(0, 0)->isChecked());
        EXPECT_EQ(Strip().PlayingRow(), c.playing ? 1 : -1);
    }
    // The buttons carry their pictures inside their frames.
    for (int column = 0; column < 4; ++column) {
        const HeaderButtonCtrl* button = Strip().GetButtonAt(column, 0);
        EXPECT_FALSE(button->icon().isNull()) << column;
        EXPECT_LE(button->iconSize().width(), button->width() - 8) << column;
    }
    // Each button column runs its row action.
    Strip().GetButtonAt(1, 0)->click();
    EXPECT_EQ(listServices.auditioned, std::vector<std::string>{"/snd/a.wav loop"});
    Strip().GetButtonAt(2, 1)->click();
    EXPECT_EQ(listServices.opened, std::vector<std::string>{"/snd/b.wav"});
    Strip().GetButtonAt(3, 1)->click();
    EXPECT_EQ(listServices.similarSearches, 1);
}

TEST_F(TabularResults, RightClickMenusActOnTheSelection) {
    Make(ResultsListObj::kMyTambrel, 9);
    for (int i = 0; i < 5; ++i)
        Add(i + 1, "/snd/" + std::to_string(i) + ".wav");
    std::vector<QString> shown;
    int answer = 0;
    Strip().runMenu = [&](QMenu& menu, const QPoint&) {
        shown.clear();
        for (QAction* action : menu.actions())
            shown.push_back(action->isSeparator() ? QString("-") : action->objectName());
        return answer;
    };
    // An unselected row under the mouse becomes the only selected one: the one-row menu.
    Select({0, 1, 2});
    answer = kCmdPlay;
    Strip().OnContextMenu(4, 0, 0);
    EXPECT_EQ(SelectedRows(), std::vector<int>{4});
    EXPECT_EQ(shown, (std::vector<QString>{"32842", "32872", "32843", "32844", "-", "32845", "32846"}));
    EXPECT_EQ(listServices.auditioned, std::vector<std::string>{"/snd/4.wav"});

    // A selected row keeps the selection: the menu for several rows.
    Select({1, 3});
    answer = kCmdManage;
    Strip().OnContextMenu(3, 0, 0);
    EXPECT_EQ(shown, (std::vector<QString>{"32845", "32846"}));
    EXPECT_EQ(tableServices.managed, list.get());
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 3}));
}

TEST_F(TabularResults, SeveralWebRowsHaveNoMenuAndNoDrag) {
    Make(ResultsListObj::kWebTambrel, 9);
    Add(1, "http://example.invalid/a.wav");
    Add(2, "http://example.invalid/b.wav");
    Select({0, 1});
    bool menuShown = false, dragged = false;
    Strip().runMenu = [&](QMenu&, const QPoint&) {
        menuShown = true;
        return 0;
    };
    Strip().runDrag = [&](std::unique_ptr<QMimeData>) { dragged = true; };
    Strip().OnContextMenu(1, 0, 0);
    EXPECT_FALSE(menuShown);
    Strip().SelectRow(1, false, false, false);
    EXPECT_FALSE(Strip().CancelPendingSelect());
    EXPECT_FALSE(dragged);
    // Delete never takes remote hits out of the catalog.
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::Yes;
    QTest::keyClick(&Table(), Qt::Key_Delete);
    EXPECT_TRUE(seams.boxes.empty());
    EXPECT_TRUE(tableServices.removed.empty());
    EXPECT_EQ(list->Count(), 2);
}

TEST_F(TabularResults, KeysSelectAllAndAskBeforeRemoving) {
    Make(ResultsListObj::kMyTambrel, 9);
    for (int i = 0; i < 3; ++i)
        Add(i + 1, "/snd/" + std::to_string(i) + ".wav");
    Table().setFocus();
    QTest::keyClick(&Table(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 1, 2}));
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::No;
    QTest::keyClick(&Table(), Qt::Key_Delete);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Remove 3 sound(s) from MyTambrel?");
    EXPECT_EQ(seams.boxes[0].caption, "Confirm Remove from MyTambrel");
    EXPECT_EQ(seams.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(seams.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(seams.boxes[0].defaultButton, MessageAnswer::No);
    EXPECT_TRUE(tableServices.removed.empty());
    EXPECT_EQ(tableServices.applied, 0);
    EXPECT_EQ(list->Count(), 3);
}

TEST_F(TabularResults, RemovalLeavesRowsWhoseFileStaysOrThatTheControllerKeeps) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(1, "/snd/a.wav");
    Add(2, "/snd/b.wav");
    Add(3, "/snd/c.wav");
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::Yes;
    // The catalog refuses one file: its row stays, the other goes, and a box names the file
    // left behind. Delete is pressed on the table as the user presses it.
    tableServices.refuse = {3};
    Select({0, 2});
    QWidget* top = wnd->window();
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    Table().setFocus(Qt::OtherFocusReason);
    QTest::keyClick(top->windowHandle(), Qt::Key_Delete);
    QCoreApplication::processEvents();
    EXPECT_EQ(tableServices.removed, (std::vector<int>{3, 1}));
    ASSERT_EQ(seams.boxes.size(), 2u);
    EXPECT_EQ(seams.boxes[1].text, "These sounds could not be removed from MyTambrel:\n/snd/c.wav");
    EXPECT_EQ(seams.boxes[1].icon, MessageIcon::Exclamation);
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Entry(0).file.fileId, 2);
    EXPECT_EQ(list->Entry(1).file.fileId, 3);
    EXPECT_EQ(Table().rowCount(), 2);
    EXPECT_EQ(tableServices.applied, 1);
    // The main window's list is kept in step by the controller, not here.
    tableServices.mainList = list.get();
    tableServices.refuse.clear();
    Select({0});
    Strip().RunCommand(kCmdRemove);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(tableServices.applied, 2);
}

// Accepts only the program's own payload, as the category tree and the Manage window do.
class DropTarget : public QWidget {
public:
    DropTarget() { setAcceptDrops(true); }
    std::optional<SoundDragBlock> received;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (SoundDragBlock::FromMimeData(e->mimeData()))
            e->acceptProposedAction();
        else
            e->ignore();
    }
    void dropEvent(QDropEvent* e) override {
        received = SoundDragBlock::FromMimeData(e->mimeData());
        if (received)
            e->acceptProposedAction();
        else
            e->ignore();
    }
};

bool Drop(DropTarget& target, const QMimeData& data) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
}

TEST_F(TabularResults, RowDragFromTheStripIsAcceptedOnlyAsOurOwnPayload) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(7, "/snd/dog.wav", 44100);
    Add(7, "/snd/dog.wav", 88200);
    Add(9, "/snd/cat.wav", 44100);
    Select({1, 2});
    std::unique_ptr<QMimeData> dragged;
    Strip().runDrag = [&](std::unique_ptr<QMimeData> data) { dragged = std::move(data); };
    // A press on a selected row that moves away arms a drag of the selection, which starts
    // once the mouse leaves the strip; letting the button go first drops it.
    QWidget* container = Strip().Container();
    auto move = [&](QPoint local, Qt::MouseButtons buttons) {
        const QPoint global = container->mapToGlobal(local);
        QMouseEvent e(buttons ? QEvent::MouseMove : QEvent::MouseButtonRelease, QPointF(local),
                      QPointF(global), buttons ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(container, &e);
    };
    const QPoint inside(10, 40), outside(Strip().width() + 30, 40);
    Strip().SelectRow(1, false, false, false);
    EXPECT_TRUE(Strip().CancelPendingSelect());
    move(inside, Qt::LeftButton);
    EXPECT_FALSE(dragged);
    move(inside, Qt::NoButton); // released
    EXPECT_FALSE(Strip().IsRowDragArmed());
    move(outside, Qt::LeftButton);
    EXPECT_FALSE(dragged);
    Strip().SelectRow(1, false, false, false);
    EXPECT_TRUE(Strip().CancelPendingSelect());
    move(outside, Qt::LeftButton);
    EXPECT_FALSE(Strip().IsRowDragArmed());
    ASSERT_TRUE(dragged);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 2}));

    DropTarget target;
    ASSERT_TRUE(Drop(target, *dragged));
    ASSERT_TRUE(target.received);
    EXPECT_EQ(target.received->kind, SoundDragBlock::kRows);
    const std::vector<SoundDragRow> rows = {{7, "/snd/dog.wav", 88200, 44100},
                                            {9, "/snd/cat.wav", 44100, 44100}};
    EXPECT_EQ(target.received->rows, rows);

    // The same bytes from another process, and plain files, are refused.
    QByteArray foreign = dragged->data(SoundDragBlock::MimeType());
    foreign[9] = static_cast<char>(foreign[9] ^ 0x11);
    QMimeData other;
    other.setData(SoundDragBlock::MimeType(), foreign);
    DropTarget refusing;
    EXPECT_FALSE(Drop(refusing, other));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/snd/dog.wav")});
    EXPECT_FALSE(Drop(refusing, files));
    EXPECT_FALSE(refusing.received);
}

} // namespace
namespace {

// Row buttons pressed through the window, as a mouse presses them: each runs its action on
// its own row, and the row ends selected.
TEST_F(TabularResults, RowButtonsAnswerARealClick) {
    Make(ResultsListObj::kMyTambrel, 9);
    Add(1, "/snd/a.wav");
    Add(2, "/snd/b.wav");
    Add(3, "/snd/c.wav");
    QWindow* window = wnd->window()->windowHandle();
    const struct {
        int column;
        int row;
        const char* expect;
    } cases[] = {
        {0, 1, "play /snd/b.wav"},
        {1, 2, "loop /snd/c.wav"},
        {2, 0, "open /snd/a.wav"},
        {3, 1, "similar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expect);
        listServices.auditioned.clear();
        listServices.opened.clear();
        listServices.similarSearches = 0;
        HeaderButtonCtrl* button = Strip().GetButtonAt(c.column, c.row);
        ASSERT_NE(button, nullptr);
        const QPoint at = button->mapTo(wnd->window(), button->rect().center());
        ASSERT_EQ(wnd->window()->childAt(at), button);
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        std::vector<std::string> seen;
        for (const std::string& a : listServices.auditioned)
            seen.push_back(a.size() > 5 && a.substr(a.size() - 5) == " loop"
                               ? "loop " + a.substr(0, a.size() - 5)
                               : "play " + a);
        for (const std::string& o : listServices.opened)
            seen.push_back("open " + o);
        for (int i = 0; i < listServices.similarSearches; ++i)
            seen.push_back("similar");
        EXPECT_EQ(seen, std::vector<std::string>{c.expect});
        EXPECT_EQ(SelectedRows(), std::vector<int>{c.row});
    }
}

} // namespace
namespace {

// The keyboard on a table of hits, pressed through the window as the user presses it.
class TableKeys : public TabularResults {
protected:
    void SetUp() override {
        Make(ResultsListObj::kMyTambrel, 9);
        for (int i = 0; i < kRows; ++i)
            Add(i + 1, "/snd/" + std::to_string(i) + ".wav");
        window = wnd->window()->windowHandle();
        QWidget* top = wnd->window();
        top->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    }
    // A click on a row's Description cell, which selects without opening.
    void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint at = Table().viewport()->mapTo(wnd->window(), CellCentre(kColDescription, row));
        QTest::mouseClick(window, Qt::LeftButton, modifiers, at);
        QCoreApplication::processEvents();
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window, key, modifiers);
        QCoreApplication::processEvents();
    }
    bool RowInView(int row) {
        const int top = Table().rowViewportPosition(row);
        return top >= 0 && top + Table().rowHeight(row) <= Table().viewport()->height();
    }
    // Dark pixels along the top edge of a row's Description cell (its text sits lower).
    int FrameDots(int row) {
        const QImage image = Table().viewport()->grab().toImage();
        const QRect cell =
            Table().visualRect(Table().model()->index(row, Table().VisibleIndexOf(kColDescription)));
        int dots = 0;
        for (int x = cell.left() + 2; x < cell.right() - 2; ++x)
            dots += image.pixelColor(x, cell.top()).lightness() < 100 ? 1 : 0;
        return dots;
    }

    static constexpr int kRows = 40;
    QWindow* window = nullptr;
};

TEST_F(TableKeys, KeysMoveTheSelectionWithTheFocusedRowAndScrollItIntoView) {
    const int page = Table().GetCountPerPage();
    ASSERT_GT(page, 3);
    ASSERT_LT(page + 2, kRows);
    std::vector<int> all;
    for (int row = 1; row < kRows; ++row)
        all.push_back(row);
    using K = std::pair<Qt::Key, Qt::KeyboardModifiers>;
    const Qt::KeyboardModifiers none, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    const struct {
        const char* name;
        std::vector<K> keys;
        std::vector<int> selected;
        int focus;
    } cases[] = {
        {"Down twice", {{Qt::Key_Down, none}, {Qt::Key_Down, none}}, {3}, 3},
        {"Up", {{Qt::Key_Up, none}}, {0}, 0},
        {"Up past the first row", {{Qt::Key_Up, none}, {Qt::Key_Up, none}}, {0}, 0},
        {"Shift+Down twice", {{Qt::Key_Down, shift}, {Qt::Key_Down, shift}}, {1, 2, 3}, 3},
        {"Shift back over the anchor",
         {{Qt::Key_Down, shift}, {Qt::Key_Up, shift}, {Qt::Key_Up, shift}}, {0, 1}, 0},
        {"Ctrl+Down twice moves the focus only", {{Qt::Key_Down, ctrl}, {Qt::Key_Down, ctrl}}, {1}, 3},
        {"Ctrl+Space adds the focused row",
         {{Qt::Key_Down, ctrl}, {Qt::Key_Down, ctrl}, {Qt::Key_Space, ctrl}}, {1, 3}, 3},
        {"Shift after Ctrl extends from the clicked row",
         {{Qt::Key_Down, ctrl}, {Qt::Key_Down, shift}}, {1, 2, 3}, 3},
        {"Down after Ctrl moves on from the focus", {{Qt::Key_Down, ctrl}, {Qt::Key_Down, none}}, {3}, 3},
        {"Page Down", {{Qt::Key_PageDown, none}}, {1 + page}, 1 + page},
        {"Page Down, Page Up", {{Qt::Key_PageDown, none}, {Qt::Key_PageUp, none}}, {1}, 1},
        {"End", {{Qt::Key_End, none}}, {kRows - 1}, kRows - 1},
        {"End, Home", {{Qt::Key_End, none}, {Qt::Key_Home, none}}, {0}, 0},
        {"Shift+End", {{Qt::Key_End, shift}}, all, kRows - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Table().verticalScrollBar()->setValue(0);
        ClickRow(1);
        ASSERT_EQ(SelectedRows(), std::vector<int>{1});
        for (const K& key : c.keys)
            Press(key.first, key.second);
        EXPECT_EQ(SelectedRows(), c.selected);
        EXPECT_EQ(Table().FocusRow(), c.focus);
        EXPECT_TRUE(RowInView(c.focus));
        // The row numbers beside the table follow it.
        EXPECT_EQ(Strip().GetTopRow(), Table().GetTopIndex());
    }
    // A click with Shift goes on from where the keyboard left the anchor.
    Table().verticalScrollBar()->setValue(0);
    ClickRow(1);
    Press(Qt::Key_Down);
    ClickRow(5, Qt::ShiftModifier);
    EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 3, 4, 5}));
}

TEST_F(TableKeys, TheFocusedRowIsFramed) {
    ClickRow(1);
    Press(Qt::Key_Down, Qt::ControlModifier);
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_GT(FrameDots(3), 20);
    EXPECT_EQ(FrameDots(1), 0);
    EXPECT_EQ(FrameDots(5), 0);
}

TEST_F(TableKeys, MenuKeysOpenTheMenuOfTheSelectedRowsBesideThem) {
    FakeUiSeams seams;
    seams.boxAnswer = MessageAnswer::Yes;
    std::vector<QString> shown;
    int shownBeside = -1; // the row the menu's point lies on
    int answer = 0;
    Strip().runMenu = [&](QMenu& menu, const QPoint& at) {
        shown.clear();
        for (QAction* action : menu.actions())
            shown.push_back(action->isSeparator() ? QString("-") : action->objectName());
        const QPoint inTable = Table().viewport()->mapFromGlobal(at);
        shownBeside = Table().viewport()->rect().contains(inTable) ? Table().rowAt(inTable.y()) : -1;
        return answer;
    };
    const std::vector<QString> oneRow{"32842", "32872", "32843", "32844", "-", "32845", "32846"};

    // The Menu key: the menu of the row the arrows reached; Open opens that row's file.
    ClickRow(1);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    answer = kCmdOpen;
    // The X server's Menu key comes with a menu request at the view's text cursor first: it
    // opens nothing, the key that follows does.
    const QPoint cursor = Table().inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, cursor, Table().mapToGlobal(cursor));
    QCoreApplication::sendEvent(&Table(), &request);
    EXPECT_TRUE(shown.empty());
    Press(Qt::Key_Menu);
    EXPECT_EQ(shown, oneRow);
    EXPECT_EQ(shownBeside, 3);
    EXPECT_EQ(listServices.opened, std::vector<std::string>{"/snd/3.wav"});
    EXPECT_EQ(SelectedRows(), std::vector<int>{3});

    // Shift+F10 on a row reached by End, far below: Remove takes that file alone.
    shown.clear();
    Press(Qt::Key_End);
    answer = kCmdRemove;
    Press(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(shown, oneRow);
    EXPECT_EQ(shownBeside, kRows - 1);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text, "Remove 1 sound(s) from MyTambrel?");
    EXPECT_EQ(tableServices.removed, std::vector<int>{kRows});
    EXPECT_EQ(list->Count(), kRows - 1);

    // Rows selected with Shift: the menu for several rows, acting on them all.
    shown.clear();
    tableServices.removed.clear();
    Table().verticalScrollBar()->setValue(0);
    ClickRow(4);
    Press(Qt::Key_Down, Qt::ShiftModifier);
    Press(Qt::Key_Menu);
    EXPECT_EQ(shown, (std::vector<QString>{"32845", "32846"}));
    EXPECT_EQ(tableServices.removed, (std::vector<int>{6, 5}));

    // The focus moved off the selection with Ctrl: the menu is still the selected row's.
    shown.clear();
    listServices.opened.clear();
    ClickRow(0);
    Press(Qt::Key_Down, Qt::ControlModifier);
    Press(Qt::Key_Down, Qt::ControlModifier);
    answer = kCmdOpen;
    Press(Qt::Key_Menu);
    EXPECT_EQ(shown, oneRow);
    EXPECT_EQ(shownBeside, 0);
    EXPECT_EQ(listServices.opened, std::vector<std::string>{"/snd/0.wav"});
}

} // namespace
namespace {

// The strip beside a table scrolled to anywhere, the end included: what stands beside a row
// is that row's, whatever the table's height and whether its columns need the bar or not.
class StripBesideRows : public TabularResults {
protected:
    void Fill(unsigned mask) {
        Make(ResultsListObj::kMyTambrel, mask);
        for (int i = 0; i < kRows; ++i)
            Add(i + 1, "/snd/" + std::to_string(i) + ".wav");
        top = wnd->window();
        window = top->windowHandle();
        top->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(top));
        // The keys go to the table, as after a click on a row.
        const QPoint at = Table().viewport()->mapTo(top, CellCentre(kColDescription, 0));
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        ASSERT_TRUE(Table().hasFocus());
    }
    void Press(Qt::Key key) {
        QTest::keyClick(window, key);
        QCoreApplication::processEvents();
    }
    void WheelDown() { WheelDownOver(Table(), top, window); }
    std::optional<int> RowMiddle(int row) { return RowMiddleIn(Table(), row, top); }
    // Every row's number band beside the row has the row's own background (selected,
    // odd or even), and the Open button at the row's height is that row's.
    void ExpectStripBesideRows() {
        const QImage shot = top->grab().toImage();
        const QPoint stripAt = Strip().mapTo(top, QPoint(0, 0));
        const int cellX = Table().viewport()->mapTo(top, CellCentre(kColDescription, 0)).x() -
                          Table().columnWidth(Table().VisibleIndexOf(kColDescription)) / 2 + 2;
        int rowsSeen = 0;
        for (int row = 0; row < kRows; ++row) {
            const std::optional<int> y = RowMiddle(row);
            if (!y || *y >= stripAt.y() + Strip().height())
                continue;
            ++rowsSeen;
            SCOPED_TRACE("row " + std::to_string(row));
            EXPECT_EQ(shot.pixelColor(stripAt.x() + 2, *y), shot.pixelColor(cellX, *y));
            const QPoint open(OpenX(), *y);
            auto* button = dynamic_cast<HeaderButtonCtrl*>(top->childAt(open));
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->Row(), row);
        }
        EXPECT_GT(rowsSeen, 5);
    }
    // The middle of the Open column (the third of four 24-pixel buttons after the numbers).
    int OpenX() { return Strip().mapTo(top, QPoint(Strip().GetStripWidth() - 24 - 12, 0)).x(); }
    // A click on the Open button beside the row: the row's file opens.
    void ExpectOpenOpensRow(int row) {
        listServices.opened.clear();
        const std::optional<int> y = RowMiddle(row);
        ASSERT_TRUE(y.has_value());
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(OpenX(), *y));
        QCoreApplication::processEvents();
        EXPECT_EQ(listServices.opened, std::vector<std::string>{"/snd/" + std::to_string(row) + ".wav"});
    }

    static constexpr int kRows = 60;
    QWidget* top = nullptr;
    QWindow* window = nullptr;
};

TEST_F(StripBesideRows, AtEveryScrollPositionTheEndIncluded) {
    // Mask 9 needs the horizontal bar to reach its columns; the narrow mask fits in the width.
    const unsigned narrow = ~((1u << kColWaveform) | (1u << kColFileName) | (1u << kColDescription)) &
                            ((1u << kTabularColumnCount) - 1);
    for (unsigned mask : {9u, narrow}) {
        SCOPED_TRACE("mask " + std::to_string(mask));
        Fill(mask);
        // Heights that leave the table's rows short of its bottom by 2, 16 and 30 pixels.
        for (int extra : {0, 2, 16, 30}) {
            wnd->resize(1100, 420);
            QCoreApplication::processEvents();
            const int spare = Table().viewport()->height() % 32;
            wnd->resize(1100, 420 - spare + extra);
            QCoreApplication::processEvents();
            ASSERT_EQ(Table().viewport()->height() % 32, extra);
            const struct {
                const char* name;
                std::function<void()> input;
            } ways[] = {
                {"End", [&] { Press(Qt::Key_End); }},
                {"Page Down to the end", [&] { for (int i = 0; i < kRows / 4; ++i) Press(Qt::Key_PageDown); }},
                {"the wheel to the end", [&] { for (int i = 0; i < kRows; ++i) WheelDown(); }},
                {"the wheel half way", [&] { for (int i = 0; i < kRows / 2; ++i) WheelDown(); }},
            };
            for (const auto& way : ways) {
                SCOPED_TRACE(std::string(way.name) + ", " + std::to_string(extra) + " spare");
                Press(Qt::Key_Home);
                ASSERT_EQ(Table().verticalScrollBar()->value(), 0);
                way.input();
                ExpectStripBesideRows();
                // The last row, selected by End, stands beside its own buttons.
                if (Table().verticalScrollBar()->value() == Table().verticalScrollBar()->maximum()) {
                    Press(Qt::Key_End);
                    ExpectStripBesideRows();
                    ExpectOpenOpensRow(kRows - 1);
                    ExpectOpenOpensRow(kRows - 2);
                }
            }
        }
        wnd->Detach();
        wnd.reset();
    }
}

} // namespace
namespace {

// The picture a row button shows.
QImage Look(const HeaderButtonCtrl* button) {
    return button->icon().pixmap(button->iconSize()).toImage();
}

// Each row button has one look, the program's picture for its column, in every row and every
// table, also once an editor window (which draws pictures of its own) has opened.
TEST_F(TabularResults, EachRowButtonKeepsOneLook) {
    Make(ResultsListObj::kMyTambrel, 9);
    for (int i = 0; i < 60; ++i)
        Add(i + 1, "/snd/" + std::to_string(i) + ".wav");
    const int icons[] = {182, 185, 191, 188};
    std::vector<QImage> looks;
    for (int column = 0; column < 4; ++column) {
        const HeaderButtonCtrl* button = Strip().GetButtonAt(column, 0);
        ASSERT_NE(button, nullptr);
        looks.push_back(Look(button));
        const QPixmap file(QStringLiteral(":/icons/%1.png").arg(icons[column]));
        ASSERT_FALSE(file.isNull());
        EXPECT_EQ(looks.back(), QIcon(file).pixmap(button->iconSize()).toImage()) << column;
    }
    const auto expectOneLook = [&](TabularHeaderCtrl& strip, const char* when) {
        SCOPED_TRACE(when);
        int seen = 0;
        for (const HeaderButtonCtrl* button : strip.Buttons()) {
            if (button->Row() < 0 || !button->isVisible())
                continue;
            ++seen;
            EXPECT_EQ(Look(button), looks[size_t(button->Column())])
                << "row " << button->Row() << ", column " << button->Column();
        }
        EXPECT_GT(seen, 20);
    };
    expectOneLook(Strip(), "as the table opens");

    // An editor window opens; then the table grows (new rows get buttons made now), End
    // moves to the last rows, and a second table opens, as a new search window's does.
    RegisterEditorIcons();
    wnd->resize(900, 700);
    QCoreApplication::processEvents();
    QWidget* top = wnd->window();
    top->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(top));
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                      Table().viewport()->mapTo(top, CellCentre(kColDescription, 0)));
    QTest::keyClick(top->windowHandle(), Qt::Key_End);
    QCoreApplication::processEvents();
    ASSERT_GT(Strip().GetTopRow(), 0);
    expectOneLook(Strip(), "after an editor opened, the table grew and End");

    ResultsListObj second(nullptr, ResultsListObj::kMyTambrel, &listServices);
    ResultsWnd other(nullptr, &tableServices);
    other.resize(900, 700);
    other.Attach(&second, 9);
    other.ShowTabular();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    for (int i = 0; i < 30; ++i)
        second.InsertRow(HitFile(i + 1, "/snd/b.wav"), HitVariant(i + 1, 44100, 2000, 20), 0, 0,
                         true, false);
    expectOneLook(*other.Tabular()->Strip(), "in a second table");
    other.Detach();
}

} // namespace
