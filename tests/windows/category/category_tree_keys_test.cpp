// The category tree as a keyboard user meets it: arrows, the Menu key and Shift+F10, and the
// name dialogs, all pressed through the window.
#include "windows/category/category_tree_view.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

#include "tests/windows/category/category_tree_fixture.h"
#include "windows/category/category_dialogs.h"

namespace {

class CategoryTreeKeysTest : public CategoryTreeTest {
protected:
    // Effects: Animals (Dog), Birds (Owl); Instruments: Brass (Tuba); Other: empty.
    void StartWithSample() {
        Add("a.wav", 1, "Animals", "Dog");
        Add("b.wav", 1, "Birds", "Owl");
        Add("g.wav", 2, "Brass", "Tuba");
        Start();
        view_->activateWindow();
        view_->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view_.get()));
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(view_->windowHandle(), key, modifiers);
    }
    static std::string Label(const QTreeWidgetItem* item) {
        return item ? item->text(0).toStdString() : "none";
    }
    QMenu* OpenMenu() const {
        QMenu* found = nullptr;
        for (QMenu* menu : view_->findChildren<QMenu*>())
            if (menu->isVisible())
                found = menu;
        return found;
    }
    // Picks the menu's entry by its keys: Down to it, then Enter.
    void Pick(QMenu* menu, const char* id) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        const QList<QAction*> actions = menu->actions();
        const auto at = std::find_if(actions.begin(), actions.end(),
                                     [&](QAction* a) { return a->objectName() == id; });
        ASSERT_NE(at, actions.end()) << id;
        for (auto a = actions.begin(); a <= at; ++a)
            if (!(*a)->isSeparator())
                QTest::keyClick(menu->windowHandle(), Qt::Key_Down);
        ASSERT_EQ(menu->activeAction(), *at);
        QTest::keyClick(menu->windowHandle(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    // The menu's top left lies on the item's row, or just below it.
    void ExpectBeside(QMenu* menu, QTreeWidgetItem* item) {
        const QRect row = visualRect(item);
        EXPECT_GE(menu->pos().y(), row.top()) << Label(item);
        EXPECT_LE(menu->pos().y(), row.bottom() + 1) << Label(item);
        EXPECT_GE(menu->pos().x(), row.left()) << Label(item);
        EXPECT_LE(menu->pos().x(), row.right()) << Label(item);
    }
    QRect visualRect(QTreeWidgetItem* item) const {
        const QRect rect = view_->visualItemRect(item);
        return {view_->viewport()->mapToGlobal(rect.topLeft()), rect.size()};
    }
};

TEST_P(CategoryTreeKeysTest, KeysMoveTheSelectionAndShowThatCategory) {
    StartWithSample();
    RecordingList& list = *factory_.list;
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* selected;
        const char* shown;
    };
    const Step steps[] = {
        {Qt::Key_Down, {}, "Effects (2)", "1//"},
        {Qt::Key_Down, {}, "Animals (1)", "1/Animals/"},
        {Qt::Key_Right, {}, "Dog (1)", "1/Animals/Dog"},
        {Qt::Key_Down, {}, "Birds (1)", "1/Birds/"},
        {Qt::Key_Left, {}, "Birds (1)", "1/Birds/"}, // collapses it
        {Qt::Key_Left, {}, "Effects (2)", "1//"},
        {Qt::Key_End, {}, "Other (0)", "3//"},
        {Qt::Key_Up, {}, "Tuba (1)", "2/Brass/Tuba"},
        {Qt::Key_Home, {}, "MyTambrel (3)", "0//"},
        {Qt::Key_Down, Qt::ShiftModifier, "Effects (2)", "1//"},
        {Qt::Key_Down, Qt::ControlModifier, "Animals (1)", "1/Animals/"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key | step.modifiers).toString().toStdString());
        Press(step.key, step.modifiers);
        EXPECT_EQ(Label(view_->SelectedItem()), step.selected);
        EXPECT_EQ(Label(view_->DropHighlight()), step.selected);
        EXPECT_EQ(Label(view_->currentItem()), step.selected);
        ASSERT_FALSE(host_->shown.empty());
        EXPECT_EQ(host_->shown.back(), step.shown);
    }
    EXPECT_EQ(list.Names(), std::vector<std::string>{"a.wav"});
}

TEST_P(CategoryTreeKeysTest, TheMenuKeyAndShiftF10OpenTheMenuOfTheItemShownSelected) {
    StartWithSample();
    // The arrows reach Birds; the Menu key gives its menu beside it, and Search takes it.
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    ASSERT_EQ(Label(view_->SelectedItem()), "Birds (1)");
    Press(Qt::Key_Menu);
    QPointer<QMenu> menu = OpenMenu();
    ASSERT_FALSE(menu.isNull());
    EXPECT_EQ(menu->objectName(), "300");
    ExpectBeside(menu, Item(1, "Birds"));
    Pick(menu, "32859");
    EXPECT_EQ(host_->searches, std::vector<std::string>{"Birds"});
    EXPECT_EQ(Label(view_->DropHighlight()), "Birds (1)");
    EXPECT_TRUE(view_->hasFocus());

    // Shift+F10 on the class End reached: Open shows that class.
    Press(Qt::Key_End);
    Press(Qt::Key_F10, Qt::ShiftModifier);
    menu = OpenMenu();
    ASSERT_FALSE(menu.isNull());
    EXPECT_EQ(menu->objectName(), "302");
    ExpectBeside(menu, Item(3));
    host_->shown.clear();
    Pick(menu, "32857");
    EXPECT_EQ(host_->shown, std::vector<std::string>{"3//"});

    // The window system's menu request that comes with the Menu key opens nothing itself:
    // one menu per key.
    Press(Qt::Key_Up);
    ASSERT_EQ(Label(view_->SelectedItem()), "Tuba (1)");
    const QPoint cursor = view_->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, cursor, view_->mapToGlobal(cursor));
    QCoreApplication::sendEvent(view_.get(), &request);
    EXPECT_EQ(OpenMenu(), nullptr);
    Press(Qt::Key_Menu);
    menu = OpenMenu();
    ASSERT_FALSE(menu.isNull());
    EXPECT_EQ(menu->objectName(), "301");
    EXPECT_EQ(view_->findChildren<QMenu*>().size(), 1);
    QTest::keyClick(menu->windowHandle(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_EQ(Label(view_->DropHighlight()), "Tuba (1)");

    // The root has no menu and keeps its highlight.
    Press(Qt::Key_Home);
    Press(Qt::Key_Menu);
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_EQ(Label(view_->DropHighlight()), "MyTambrel (3)");
}

TEST_P(CategoryTreeKeysTest, TheMenuKeyFollowsTheHighlightWhenTheCatalogClearedTheSelection) {
    StartWithSample();
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    ASSERT_EQ(Label(view_->SelectedItem()), "Animals (1)");
    // A file of Animals was re-filed elsewhere: the selection goes, the item stays highlighted.
    view_->ClearSelectionIfAffected(1, "Animals", "");
    ASSERT_EQ(view_->SelectedItem(), nullptr);
    ASSERT_EQ(Label(view_->DropHighlight()), "Animals (1)");
    Press(Qt::Key_Menu);
    QPointer<QMenu> menu = OpenMenu();
    ASSERT_FALSE(menu.isNull());
    EXPECT_EQ(menu->objectName(), "300");
    Pick(menu, "32859");
    EXPECT_EQ(host_->searches, std::vector<std::string>{"Animals"});
}

// "Create category" and "Create sub-category" from the keyboard menu, answered in the real
// dialog: Enter takes the typed name, Escape leaves the tree alone, an empty name is refused.
TEST_P(CategoryTreeKeysTest, TheNameDialogsTakeEnterAndEscape) {
    StartWithSample();
    struct Case {
        int downs; // from the root
        const char* command;
        const char* caption;
        const char* typed;
        Qt::Key answer;
        const char* tree; // the changed item's children, or the box shown
    };
    const Case cases[] = {
        {1, "32851", "New Category", "Foley", Qt::Key_Return, "Animals|Birds|Foley"},
        {1, "32851", "New Category", "Steps", Qt::Key_Escape, "Animals|Birds|Foley"},
        {1, "32851", "New Category", "", Qt::Key_Return, "box:'' already exists"},
        {1, "32851", "New Category", "birds", Qt::Key_Return,
         "box:'birds' already exists"},
        {2, "32860", "New Sub-category", "Cat", Qt::Key_Return, "Cat|Dog"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " " + c.typed);
        seams_.boxes.clear();
        Press(Qt::Key_Home);
        for (int i = 0; i < c.downs; ++i)
            Press(Qt::Key_Down);
        QTreeWidgetItem* parent = view_->SelectedItem();
        ASSERT_NE(parent, nullptr);
        Press(Qt::Key_Menu);
        QPointer<QMenu> menu = OpenMenu();
        ASSERT_FALSE(menu.isNull());
        // The dialog runs its own loop: answer it once it shows, by its window's keys.
        QString caption;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<CategoryNameDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->windowHandle())
                return;
            answer.stop();
            caption = dialog->windowTitle();
            for (const char* letter = c.typed; *letter != '\0'; ++letter)
                QTest::keyClick(dialog->windowHandle(), *letter);
            QTest::keyClick(dialog->windowHandle(), c.answer);
        });
        answer.start();
        Pick(menu, c.command);
        answer.stop();
        EXPECT_EQ(caption, c.caption);
        std::string got;
        if (!seams_.boxes.empty()) {
            got = "box:" + seams_.boxes.front().text;
        } else {
            for (int i = 0; i < parent->childCount(); ++i)
                got +=
                    (got.empty() ? "" : "|") + LocalFilesView::LabelName(parent->child(i)->text(0));
        }
        EXPECT_EQ(got, c.tree);
    }
}

std::vector<std::string> refusals; // what the catalog told, by its message hook

// A rename the catalog does not store (here every write is refused) leaves the main window as
// it was: the tree keeps the name and its count, the list stays on the stored category, with
// its rows, and goes on following that category's changes.
TEST_P(CategoryTreeKeysTest, ARenameTheCatalogRefusesLeavesTheListOnTheStoredCategory) {
    StartWithSample();
    const CatalogMessageHook fixtureHook =
        SetCatalogMessageHook([](const char* text) { refusals.push_back(text); });
    struct Case {
        int downs; // from the root
        const char* selected;
        const char* typed;
        const char* shown; // class/category/sub-category
        const char* added; // filed once the catalog takes writes again
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {2, "Animals (1)", "Beasts", "1/Animals/", "h.wav", {"a.wav", "h.wav"}},
        {3, "Dog (2)", "Hound", "1/Animals/Dog", "i.wav", {"a.wav", "h.wav", "i.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        refusals.clear();
        Exec("CREATE TRIGGER refuse BEFORE INSERT ON AUDIO_FILE BEGIN "
             "SELECT RAISE(ABORT, 'disk I/O error'); END");
        Press(Qt::Key_Home);
        for (int i = 0; i < c.downs; ++i)
            Press(Qt::Key_Down);
        ASSERT_EQ(Label(view_->SelectedItem()), c.selected);
        const std::vector<std::string> before = factory_.list->Names();
        Press(Qt::Key_Menu);
        QPointer<QMenu> menu = OpenMenu();
        ASSERT_FALSE(menu.isNull());
        Pick(menu, "32856");
        QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
        QTest::keyClick(view_->windowHandle(), Qt::Key_A, Qt::ControlModifier);
        for (const char* letter = c.typed; *letter != '\0'; ++letter)
            QTest::keyClick(view_->windowHandle(), *letter);
        QTest::keyClick(view_->windowHandle(), Qt::Key_Return);
        QTRY_VERIFY(!refusals.empty());
        QCoreApplication::processEvents();
        ASSERT_FALSE(view_->IsBusy());

        for (const std::string& told : refusals)
            EXPECT_NE(told.find("disk I/O error"), std::string::npos) << told;
        EXPECT_EQ(Filed("a.wav"), "1/Animals/Dog");
        EXPECT_EQ(Label(view_->SelectedItem()), c.selected);
        EXPECT_EQ(Item(1, "Beasts"), nullptr);
        EXPECT_EQ(Item(1, "Animals", "Hound"), nullptr);
        const std::string shown = std::to_string(controller_->ShownClass()) + "/" +
                                  controller_->ShownCategory() + "/" +
                                  controller_->ShownSubCategory();
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(factory_.list->Names(), before);

        // The next file filed under the shown category joins the list.
        Exec("DROP TRIGGER refuse");
        Add(c.added, 1, "Animals", "Dog");
        controller_->ApplyCatalogChanges();
        std::vector<std::string> listed = factory_.list->Names();
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, c.listed);
    }
    SetCatalogMessageHook(fixtureHook);
}

INSTANTIATE_TEST_SUITE_P(Catalog, CategoryTreeKeysTest, testing::Values(Engine::SQLite),
                         EngineName);

} // namespace
