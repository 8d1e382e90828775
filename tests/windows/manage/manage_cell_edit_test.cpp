// Editing the update table's cells with the mouse and the keyboard as the window system sends
// them, and what the catalog holds after "Start Updating MyTambrel".
#include "tests/windows/manage/manage_fixture.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using C = CatalogUpdateItem;

class ManageCellEdit : public ManageWindowTest {
protected:
    QWindow* Window() { return frame_->windowHandle(); }
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(Window(), key, mods);
        QCoreApplication::processEvents();
    }
    void Type(const std::string& text) {
        for (char c : text)
            QTest::keyClick(Window(), c);
        QCoreApplication::processEvents();
    }
    void ClickAt(QWidget* widget, QPoint at) {
        QTest::mouseClick(Window(), Qt::LeftButton, {}, widget->mapTo(frame_.data(), at));
        QCoreApplication::processEvents();
    }
    void ClickCell(int row, int column) {
        Table().scrollTo(Table().model()->index(row, column));
        ClickAt(Table().viewport(),
                Table().visualRect(Table().model()->index(row, column)).center());
    }
    void ClickHeader(int column) {
        QHeaderView* header = Table().horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        ClickAt(header->viewport(), QPoint(x, header->height() / 2));
    }
    // Clicks "Start Updating MyTambrel" and waits for the update to end.
    void ClickUpdate() {
        auto* button =
            frame_->findChild<QPushButton*>(QString::number(CatalogFrm::kUpdateButtonId));
        ASSERT_NE(button, nullptr);
        ASSERT_EQ(button->text(), "Start Updating MyTambrel");
        ClickAt(button, button->rect().center());
        ASSERT_TRUE(PumpUntil([&] { return !box_->IsRunning() && !box_->Task().IsRunning(); }));
    }
    // The catalog's record of a file, as a row of the table shows it.
    std::string Stored(const std::string& path, int column) {
        SoundFileObj file;
        if (!catalog_->GetFileByPath(path, file))
            return "(not in MyTambrel)";
        return C(file).GetColumnText(column);
    }
    // Types a value into one cell and ends the edit with Enter.
    void Enter(int row, int column, const std::string& text) {
        ClickCell(row, column);
        ASSERT_TRUE(Table().Editor().HasWindow());
        if (Table().Editor().IsIdle())
            Press(Qt::Key_Return);
        ASSERT_FALSE(Table().Editor().IsIdle());
        if (QLineEdit* edit = Table().Editor().EditPart())
            edit->clear();
        else
            Table().Editor().ComboPart()->clearEditText();
        Type(text);
        Press(Qt::Key_Return);
    }
    CEditableCell& Editor() { return Table().Editor(); }
    QWidget* Focus() const { return QApplication::focusWidget(); }
};

TEST_P(ManageCellEdit, ClickingStartUpdatingStoresTheTypedTextInEverySelectedRow) {
    const std::vector<std::string> files = {Sound("a.wav"), Sound("b.wav"), Sound("c.wav"),
                                            Sound("d.wav")};
    ASSERT_TRUE(Drop(files));
    Enter(0, C::kDescription, "alpha");
    Enter(1, C::kDescription, "beta");
    ASSERT_EQ(Row(1).record.description, "beta");

    // The header selects every row; they differ, so the editor starts empty.
    ClickHeader(C::kDescription);
    ASSERT_EQ(Editor().Column(), int(C::kDescription));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Row(i).selected) << i;
    Press(Qt::Key_Return);
    ASSERT_FALSE(Editor().IsIdle());
    EXPECT_EQ(Editor().EditPart()->text(), "");
    Type("gamma");
    ClickUpdate();
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(Stored(files[i], C::kDescription), "gamma") << files[i];
}

TEST_P(ManageCellEdit, AnEditLeftUntouchedOverRowsThatDifferChangesNone) {
    const std::vector<std::string> files = {Sound("a.wav"), Sound("b.wav"), Sound("c.wav")};
    ASSERT_TRUE(Drop(files));
    Enter(0, C::kDescription, "alpha");
    Enter(1, C::kDescription, "beta");
    ClickHeader(C::kDescription);
    Press(Qt::Key_Return);
    ASSERT_FALSE(Editor().IsIdle());
    // Left by the button's click, by Enter, by Tab: the empty start is no value.
    ClickUpdate();
    EXPECT_EQ(Stored(files[0], C::kDescription), "alpha");
    EXPECT_EQ(Stored(files[1], C::kDescription), "beta");
    EXPECT_EQ(Stored(files[2], C::kDescription), "");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Tab}) {
        ClickHeader(C::kDescription);
        Press(Qt::Key_Return);
        ASSERT_FALSE(Editor().IsIdle());
        Press(key);
        EXPECT_EQ(Row(0).record.description, "alpha") << key;
        EXPECT_EQ(Row(1).record.description, "beta") << key;
    }
}

TEST_P(ManageCellEdit, AClickElsewhereEndsTheEditKeepingWhatWasTypedAndOnlyEscapeCancels) {
    const std::vector<std::string> files = {Sound("a.wav"), Sound("b.wav")};
    ASSERT_TRUE(Drop(files));
    // One row: a click on the cell, typing, a click on the button.
    ClickCell(0, C::kDescription);
    Type("delta");
    ASSERT_FALSE(Editor().IsIdle());
    ClickUpdate();
    EXPECT_EQ(Stored(files[0], C::kDescription), "delta");

    // Another row's cell: the first row keeps its text, the click's cell becomes current.
    ClickCell(0, C::kNotes);
    Type("first");
    ClickCell(1, C::kNotes);
    EXPECT_EQ(Row(0).record.notes, "first");
    EXPECT_EQ(Row(1).record.notes, "");
    EXPECT_EQ(Table().GetCurrentRow(), 1);
    // Another pane: the text is kept and the keyboard stays where the click put it.
    Type("second");
    QTreeWidget& tree = frame_->TreeView().Tree();
    ASSERT_NE(tree.currentItem(), nullptr);
    ClickAt(tree.viewport(), tree.visualItemRect(tree.currentItem()).center());
    EXPECT_EQ(Row(1).record.notes, "second");
    EXPECT_EQ(Focus(), &tree);
    // Escape puts the cell back.
    ClickCell(0, C::kNotes);
    Type("zzz");
    Press(Qt::Key_Escape);
    EXPECT_EQ(Row(0).record.notes, "first");
    // A column's header: the edit ends on its own row before the header selects the column.
    ClickCell(1, C::kNotes);
    Type("by the header");
    ClickHeader(C::kNotes);
    EXPECT_EQ(Row(1).record.notes, "by the header");
    EXPECT_EQ(Row(0).record.notes, "first");
    ClickUpdate();
    EXPECT_EQ(Stored(files[0], C::kNotes), "first");
    EXPECT_EQ(Stored(files[1], C::kNotes), "by the header");
}

TEST_P(ManageCellEdit, ADropDownCellOnlyEverStoresOneOfItsChoices) {
    const std::vector<std::string> files = {Sound("a.wav"), Sound("b.wav"), Sound("c.wav")};
    ASSERT_TRUE(Drop(files));
    ClickUpdate();
    for (const std::string& file : files)
        ASSERT_TRUE(catalog_->IsInCatalog(file)) << file;

    // One row of each column differs from the others: a letter picks from the open list.
    struct Case {
        int column;
        int row;
        const char* letter;
        const char* chosen;
        const char* others;
    };
    const Case cases[] = {
        {C::kAction, 1, "r", "REMOVE", "ADD"},
        {C::kPitch, 2, "a", "All Variations", "Normal Only"},
        {C::kKey, 0, "c", "C", "<Unknown>"},
    };
    for (const Case& c : cases) {
        ClickCell(c.row, c.column);
        Type(c.letter);
        Press(Qt::Key_Return);
        ASSERT_EQ(Row(c.row).GetColumnText(c.column), c.chosen) << c.column;
    }
    // The header selects every row, the editor starts on none of the choices: Enter, Enter.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        ClickHeader(c.column);
        Press(Qt::Key_Return);
        ASSERT_FALSE(Editor().IsIdle());
        Press(Qt::Key_Return);
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(Row(row).GetColumnText(c.column), row == c.row ? c.chosen : c.others) << row;
    }
    // A letter that starts no choice leaves none chosen: the edit ends without one.
    ClickCell(0, C::kAction);
    Type("x");
    Press(Qt::Key_Escape); // closes the list
    ASSERT_FALSE(Editor().IsIdle());
    Press(Qt::Key_Return);
    EXPECT_EQ(Row(0).GetColumnText(C::kAction), "ADD");

    ClickUpdate();
    EXPECT_TRUE(catalog_->IsInCatalog(files[0]));
    EXPECT_FALSE(catalog_->IsInCatalog(files[1]));
    EXPECT_TRUE(catalog_->IsInCatalog(files[2]));
    EXPECT_EQ(Stored(files[0], C::kKey), "C");
    EXPECT_EQ(Stored(files[2], C::kKey), "<Unknown>");
}

TEST_P(ManageCellEdit, ClosingACellsListKeepsTheTypedText) {
    const std::string file = Sound("a.wav");
    ASSERT_TRUE(Drop({file}));
    struct Close {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    };
    for (const Close& close : {Close{"Escape", Qt::Key_Escape, {}}, Close{"F4", Qt::Key_F4, {}},
                               Close{"Alt+Up", Qt::Key_Up, Qt::AltModifier}}) {
        SCOPED_TRACE(close.name);
        Enter(0, C::kGenre, "Rock");
        ASSERT_EQ(Row(0).record.genre, "Rock");
        ClickCell(0, C::kGenre);
        Type("Rockabilly");
        QComboBox* combo = Editor().ComboPart();
        ASSERT_NE(combo, nullptr);
        ASSERT_FALSE(Editor().IsIdle());
        Press(Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(combo->view()->isVisible());
        Press(close.key, close.mods);
        EXPECT_FALSE(combo->view()->isVisible());
        EXPECT_EQ(combo->currentText(), "Rockabilly");
        EXPECT_FALSE(Editor().IsIdle());
        EXPECT_EQ(Row(0).record.genre, "Rock");
        Press(Qt::Key_Return);
        EXPECT_EQ(Row(0).record.genre, "Rockabilly");
    }
    ClickUpdate();
    EXPECT_EQ(Stored(file, C::kGenre), "Rockabilly");
}

TEST_P(ManageCellEdit, AltDownAndF4OnACellJustEnteredOpenItsList) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav")}));
    struct Case {
        int column;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
    };
    const Case cases[] = {
        {C::kAction, Qt::Key_F4, {}},
        {C::kAction, Qt::Key_Down, Qt::AltModifier},
        {C::kGenre, Qt::Key_F4, {}},
        {C::kGenre, Qt::Key_Down, Qt::AltModifier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + " " + std::to_string(c.key));
        ClickCell(0, C::kFileName); // no editor there: the next click makes a new one
        ClickCell(0, c.column);
        ASSERT_TRUE(Editor().IsIdle());
        ASSERT_EQ(Focus(), &Table());
        Press(c.key, c.mods);
        EXPECT_EQ(Table().GetCurrentRow(), 0);
        EXPECT_EQ(Editor().Row(), 0);
        EXPECT_FALSE(Editor().IsIdle());
        ASSERT_NE(Editor().ComboPart(), nullptr);
        EXPECT_TRUE(Editor().ComboPart()->view()->isVisible());
        Press(Qt::Key_Escape); // the list closes
        Press(Qt::Key_Escape); // the edit ends
        EXPECT_TRUE(Editor().ComboPart() == nullptr || !Editor().ComboPart()->view()->isVisible());
    }
}

TEST_P(ManageCellEdit, APressAndReleaseOnTheCurrentCellStartsEditing) {
    const std::string file = Sound("a.wav");
    ASSERT_TRUE(Drop({file}));
    ClickCell(0, C::kDescription);
    ASSERT_TRUE(Editor().IsIdle());
    ClickCell(0, C::kDescription);
    ASSERT_FALSE(Editor().IsIdle());
    ASSERT_NE(Editor().EditPart(), nullptr);
    EXPECT_EQ(Focus(), Editor().EditPart());
    Type("wind");
    Press(Qt::Key_Return);
    ClickUpdate();
    EXPECT_EQ(Stored(file, C::kDescription), "wind");
}

TEST_P(ManageCellEdit, TabIntoTheTableMakesACellCurrentForTheArrowsAndEnter) {
    ASSERT_TRUE(Drop({Sound("a.wav"), Sound("b.wav")}));
    QTreeWidget& tree = frame_->TreeView().Tree();
    ASSERT_NE(tree.currentItem(), nullptr);
    ClickAt(tree.viewport(), tree.visualItemRect(tree.currentItem()).center());
    Press(Qt::Key_Tab);
    ASSERT_EQ(Focus(), &frame_->FileListView().List());
    ASSERT_LT(Table().GetCurrentRow(), 0);
    Press(Qt::Key_Tab);
    ASSERT_EQ(Focus(), &Table());
    // The first row's first cell that can be edited.
    EXPECT_EQ(Table().GetCurrentRow(), 0);
    EXPECT_EQ(Table().CurrentColumn(), int(C::kAction));
    Press(Qt::Key_Down);
    EXPECT_EQ(Table().GetCurrentRow(), 1);
    Press(Qt::Key_Return);
    EXPECT_FALSE(Editor().IsIdle());
    EXPECT_EQ(Editor().Row(), 1);
    EXPECT_EQ(Editor().Column(), int(C::kAction));
}

INSTANTIATE_ON_SQLITE(ManageCellEdit);

} // namespace
