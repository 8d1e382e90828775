#include "app/controls/editable_cell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Stands in for the table: takes the focus back and records what the editor tells it.
class RecordingParent : public QWidget {
public:
    RecordingParent() { setFocusPolicy(Qt::StrongFocus); }
    std::vector<CellEditNotify> received;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CellEditEvent::EventType()) {
            received.push_back(static_cast<CellEditEvent*>(e)->notify);
            return true;
        }
        return QWidget::event(e);
    }
};

class EditableCellTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(300, 200);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        host.setFocus();
    }
    void Open(int kind, const char* text, const std::vector<std::string>* choices = nullptr) {
        cell.Create(text, choices, 3, 2, kind | kWsChild | kWsVisible, QRect(10, 10, 120, 22),
                    &host, 1);
    }
    std::vector<CellEditNotify> Ends() const {
        std::vector<CellEditNotify> ends;
        for (const auto& n : host.received)
            if (n.code == kCellEditEnd)
                ends.push_back(n);
        return ends;
    }

    RecordingParent host;
    CEditableCell cell;
};

TEST_F(EditableCellTest, BeginAndEndEditOnlyChangeTheLookOnce) {
    Open(CEditableCell::kEditBox, "Door slam");
    EXPECT_TRUE(cell.IsIdle());
    cell.EndEdit();
    EXPECT_TRUE(cell.IsIdle());
    EXPECT_TRUE(cell.StaticPart()->isVisible());

    cell.BeginEdit("x", false);
    EXPECT_FALSE(cell.IsIdle());
    EXPECT_TRUE(cell.EditPart()->isVisible());
    EXPECT_FALSE(cell.StaticPart()->isVisible());
    EXPECT_EQ(cell.EditPart()->text(), "x");
    cell.BeginEdit("y", false); // already editing: nothing changes
    EXPECT_EQ(cell.EditPart()->text(), "x");
}

TEST_F(EditableCellTest, EditBoxEndingKeysReportKeyFlagsAndText) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int wantKey;
        int wantFlags;
        const char* wantText;
    };
    const Case cases[] = {
        {"enter", Qt::Key_Return, Qt::NoModifier, 13, 0, "Door slamx"},
        {"tab", Qt::Key_Tab, Qt::NoModifier, 9, 0, "Door slamx"},
        {"shift tab", Qt::Key_Backtab, Qt::ShiftModifier, 9, 4, "Door slamx"},
        {"ctrl shift tab", Qt::Key_Backtab, Qt::ShiftModifier | Qt::ControlModifier, 9, 8,
         "Door slamx"},
        {"esc reverts", Qt::Key_Escape, Qt::NoModifier, 27, 0, "Door slam"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.received.clear();
        Open(CEditableCell::kEditBox, "Door slam");
        cell.BeginEdit(nullptr, false);
        ASSERT_TRUE(cell.EditPart()->hasFocus());
        cell.EditPart()->end(false);
        QTest::keyClick(cell.EditPart(), Qt::Key_X);
        QTest::keyClick(cell.EditPart(), c.key, c.modifiers);
        EXPECT_TRUE(host.hasFocus());
        const auto ends = Ends();
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].key, c.wantKey);
        EXPECT_EQ(ends[0].flags, c.wantFlags);
        EXPECT_EQ(ends[0].text, c.wantText);
        EXPECT_EQ(ends[0].row, 3);
        EXPECT_EQ(ends[0].column, 2);
        EXPECT_EQ(ends[0].id, 1);
    }
}

// Only Esc cancels: a click elsewhere ends the edit with what was typed and no key, so the
// table stores it and moves to no other cell.
TEST_F(EditableCellTest, EditBoxLeftByAClickElsewhereKeepsTheTypedText) {
    QLineEdit other(&host);
    other.setGeometry(10, 100, 120, 22);
    other.show();
    Open(CEditableCell::kEditBox, "Rain");
    cell.BeginEdit("Thunder", false);
    ASSERT_TRUE(cell.EditPart()->hasFocus());
    QTest::mouseClick(host.windowHandle(), Qt::LeftButton, {}, other.geometry().center());
    EXPECT_TRUE(other.hasFocus());
    const auto ends = Ends();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].key, 0);
    EXPECT_EQ(ends[0].text, "Thunder");
}

// Closing the list of an editable combo without choosing in it (Esc, the keys that toggle
// it) leaves the typed text in the box and the edit going on; choosing an item takes it.
TEST_F(EditableCellTest, ClosingTheListKeepsTheTypedTextUnlessAnItemIsChosen) {
    const std::vector<std::string> choices = {"Pop", "Rock"};
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* text;
        int endKey; // -1: the edit goes on
    };
    const Case cases[] = {
        {"escape", Qt::Key_Escape, {}, "Rockabilly", -1},
        {"f4", Qt::Key_F4, {}, "Rockabilly", -1},
        {"alt up", Qt::Key_Up, Qt::AltModifier, "Rockabilly", -1},
        {"enter on the item", Qt::Key_Return, {}, "Rock", 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.received.clear();
        Open(CEditableCell::kEditCombo, "Rock", &choices);
        cell.BeginEdit("Rockabilly", false);
        QTest::keyClick(host.windowHandle(), Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(cell.ComboPart()->view()->isVisible());
        QTest::keyClick(host.windowHandle(), c.key, c.mods);
        QApplication::processEvents();
        EXPECT_FALSE(cell.ComboPart()->view()->isVisible());
        EXPECT_EQ(cell.ComboPart()->currentText(), c.text);
        if (c.endKey < 0) {
            EXPECT_TRUE(Ends().empty());
            EXPECT_TRUE(cell.ComboPart()->hasFocus());
            QTest::keyClick(host.windowHandle(), Qt::Key_Return);
        }
        ASSERT_EQ(Ends().size(), 1u);
        EXPECT_EQ(Ends()[0].key, 13);
        EXPECT_EQ(Ends()[0].text, c.text);
    }
}

TEST_F(EditableCellTest, DropListTypingPicksTheFirstChoiceWithThatStart) {
    const std::vector<std::string> choices = {"Loop", "Long", "Short"};
    struct Case {
        const char* typed;
        int index;
    };
    for (const Case& c : {Case{"l", 0}, Case{"SH", 2}, Case{"x", -1}}) {
        SCOPED_TRACE(c.typed);
        Open(CEditableCell::kDropList, "Short", &choices);
        EXPECT_EQ(cell.ComboPart()->currentIndex(), 2); // the initial text's choice
        cell.BeginEdit(c.typed, false);
        EXPECT_EQ(cell.ComboPart()->currentIndex(), c.index);
        EXPECT_TRUE(cell.ComboPart()->view()->isVisible()); // a list with choices always opens
        cell.ComboPart()->hidePopup();
    }
}

// Enter and a click start a drop-down cell with its list closed; the drop-down button and a
// double click ask for it open.
TEST_F(EditableCellTest, DropListOpensWhenAskedOrWhenTyping) {
    const std::vector<std::string> choices = {"Loop", "Long", "Short"};
    Open(CEditableCell::kDropList, "Loop", &choices);
    cell.BeginEdit(nullptr, false);
    EXPECT_FALSE(cell.IsIdle());
    EXPECT_TRUE(cell.ComboPart()->hasFocus());
    EXPECT_FALSE(cell.ComboPart()->view()->isVisible());
    EXPECT_EQ(cell.ComboPart()->currentIndex(), 0);
}

TEST_F(EditableCellTest, EmptyChoiceListNeverOpensADropDown) {
    const std::vector<std::string> none;
    for (int kind : {int(CEditableCell::kDropList), int(CEditableCell::kEditCombo)}) {
        SCOPED_TRACE(kind);
        Open(kind, "", &none);
        cell.BeginEdit(nullptr, true);
        EXPECT_FALSE(cell.ComboPart()->view()->isVisible());
        EXPECT_TRUE(cell.ComboPart()->hasFocus());
    }
}

TEST_F(EditableCellTest, ComboCommitsOnAnyFocusLossButReportsEscape) {
    const std::vector<std::string> choices = {"Loop", "Long"};
    Open(CEditableCell::kEditCombo, "Lo", &choices);
    cell.BeginEdit("Longer", false);
    host.setFocus();
    ASSERT_EQ(Ends().size(), 1u);
    EXPECT_EQ(Ends()[0].key, 0);
    EXPECT_EQ(Ends()[0].text, "Longer");

    host.received.clear();
    Open(CEditableCell::kEditCombo, "Lo", &choices);
    cell.BeginEdit(nullptr, false);
    QTest::keyClick(cell.ComboPart(), Qt::Key_Escape);
    ASSERT_EQ(Ends().size(), 1u);
    EXPECT_EQ(Ends()[0].key, 27);
    EXPECT_TRUE(host.hasFocus());
}

TEST_F(EditableCellTest, ChoosingFromTheOpenListEndsTheEditWithThatChoice) {
    const std::vector<std::string> choices = {"Loop", "Long", "Short"};
    Open(CEditableCell::kDropList, "Loop", &choices);
    cell.BeginEdit(nullptr, true);
    QWidget* list = cell.ComboPart()->view();
    ASSERT_TRUE(list->isVisible());
    // Straight to the list: the offscreen platform gives a popup no keyboard of its own.
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
    }
    QApplication::processEvents();
    ASSERT_EQ(Ends().size(), 1u);
    EXPECT_EQ(Ends()[0].key, 13);
    EXPECT_EQ(Ends()[0].text, "Long");
}

TEST_F(EditableCellTest, ClicksOnTheIdleFrameReachTheParent) {
    Open(CEditableCell::kDropList, "Loop");
    QWidget* window = cell.Window();
    QTest::mouseClick(window, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 10));
    QTest::mouseDClick(window, Qt::LeftButton, Qt::ControlModifier, QPoint(20, 10));
    std::vector<int> codes;
    for (const auto& n : host.received)
        codes.push_back(n.code);
    ASSERT_EQ(codes, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(host.received[0].flags, kMkLButton | kMkShift);
    EXPECT_EQ(host.received[2].flags, kMkLButton | kMkControl);
    EXPECT_EQ(cell.ButtonPart()->geometry(), QRect(102, 0, 18, 22));
}

TEST_F(EditableCellTest, DropButtonReleaseStartsEditing) {
    const std::vector<std::string> choices = {"Loop"};
    Open(CEditableCell::kDropList, "Loop", &choices);
    QTest::mouseClick(cell.ButtonPart(), Qt::LeftButton);
    EXPECT_FALSE(cell.IsIdle());
    EXPECT_FALSE(cell.ButtonPart()->isVisible());
    cell.ComboPart()->hidePopup();
}

TEST_F(EditableCellTest, DestroyedWindowReturnsToIdleAndReportsNothing) {
    Open(CEditableCell::kEditBox, "Rain");
    cell.BeginEdit(nullptr, false);
    QTest::keyClick(cell.EditPart(), Qt::Key_A);
    cell.DestroyWindow();
    QApplication::processEvents();
    EXPECT_TRUE(cell.IsIdle());
    EXPECT_FALSE(cell.HasWindow());
    EXPECT_TRUE(Ends().empty());
}

} // namespace

namespace {

// Typed text is what the cell stores: a choice that starts with it is offered in the list,
// never filled in over the rest of what the user meant to type.
TEST_F(EditableCellTest, TypedTextIsNotCompletedIntoAChoice) {
    const std::vector<std::string> choices = {"Keys", "Percussion"};
    Open(CEditableCell::kEditCombo, "", &choices);
    cell.BeginEdit("K", false);
    QTest::keyClick(host.windowHandle(), 'e');
    EXPECT_EQ(cell.ComboPart()->currentText(), "Ke");
    QTest::keyClick(host.windowHandle(), Qt::Key_Return);
    ASSERT_FALSE(Ends().empty());
    EXPECT_EQ(Ends().back().text, "Ke");
}

} // namespace
