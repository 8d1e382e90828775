#include "windows/category/category_tree_view.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidgetItemIterator>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <gtest/gtest.h>

#include "collection/search_criteria.h"
#include "tests/windows/category/category_tree_fixture.h"
#include "tests/windows/results/results_test_support.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/sound_drag.h"

namespace {

using Path = LocalFilesView::Path;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// The rows of a result list as a drag carries them.
std::unique_ptr<QMimeData> RowsData(const std::vector<std::pair<std::string, int>>& rows) {
    std::vector<SoundDragRow> dragged;
    for (const auto& [name, rate] : rows) {
        SoundFileObj file;
        EXPECT_TRUE(theCatalogDb->GetFileByPath("/sounds/" + name, file)) << name;
        dragged.push_back({file.fileId, file.path, rate, 44100});
    }
    return SoundDragBlock::Rows(dragged).ToMimeData();
}

TEST(LocalFilesViewLabelTest, NamesAreCutBeforeTheBlankOfTheLastParenthesis) {
    const std::pair<const char*, const char*> cases[] = {
        {"Animals (3)", "Animals"},
        {"Drums (acoustic) (12)", "Drums (acoustic)"},
        {"Station/Terminal (0)", "Station/Terminal"},
        {"MyTambrel (100000)", "MyTambrel"},
        {"No count", "No count"},
        {"Tight(3)", "Tight(3)"},
        {"(3)", "(3)"},
        {"Größe (2)", "Größe"},
    };
    for (const auto& [label, name] : cases)
        EXPECT_EQ(LocalFilesView::LabelName(QString::fromUtf8(label)), name) << label;
}

class LocalFilesViewTest : public CategoryTreeTest {
protected:
    // Effects: Animals (Dog), animals, Birds (Owl); Instruments: Brass (Tuba); Other:
    // Animals (Dog). a.wav is catalogued at two pitches, f.wav is an AIFF file.
    void AddSample() {
        Add("a.wav", 1, "Animals", "Dog", 2);
        Add("b.wav", 1, "Animals", "Dog");
        Add("c.wav", 1, "Animals", "");
        Add("d.wav", 1, "animals", "");
        Add("e.wav", 3, "Animals", "Dog");
        Add("f.aif", 1, "Birds", "Owl", 1, 3);
        Add("g.wav", 2, "Brass", "Tuba");
    }
    void StartWithSample() {
        AddSample();
        Start();
    }

    static constexpr const char* kSampleTree = "MyTambrel (7)\n"
                                               "-Effects (5)\n"
                                               "--Animals (3)\n"
                                               "---Dog (2)\n"
                                               "--animals (1)\n"
                                               "--Birds (1)\n"
                                               "---Owl (1)\n"
                                               "-Instruments (1)\n"
                                               "--Brass (1)\n"
                                               "---Tuba (1)\n"
                                               "-Other (1)\n"
                                               "--Animals (1)\n"
                                               "---Dog (1)\n";
};

TEST_P(LocalFilesViewTest, LabelsCountTheFilesAndFollowEveryCatalogChange) {
    AddSample();
    controller_->Startup();
    // Filled, the tree shows the classes and nothing deeper.
    EXPECT_TRUE(view_->RootItem()->isExpanded());
    EXPECT_FALSE(Item(1)->isExpanded());
    Start();
    EXPECT_EQ(Tree(), kSampleTree);
    EXPECT_EQ(LocalFilesView::ItemPath(view_->RootItem()), (Path{0, "", ""}));
    EXPECT_EQ(LocalFilesView::ItemPath(Item(1)), (Path{1, "", ""}));
    EXPECT_EQ(LocalFilesView::ItemPath(Item(3, "Animals", "Dog")), (Path{3, "Animals", "Dog"}));
    EXPECT_EQ(LocalFilesView::ItemPath(Item(1, "animals")), (Path{1, "animals", ""}));

    // What an index run does: files come and go through the controller.
    Add("h.wav", 3, "foley", "Steps");
    Add("i.wav", 3, "Bells", "");
    SoundFileObj owl;
    ASSERT_TRUE(catalog_->GetFileByPath("/sounds/f.aif", owl));
    controller_->RemoveCatalogFile(owl);
    controller_->ApplyCatalogChanges();
    EXPECT_EQ(Tree(), "MyTambrel (8)\n"
                      "-Effects (4)\n"
                      "--Animals (3)\n"
                      "---Dog (2)\n"
                      "--animals (1)\n"
                      "-Instruments (1)\n"
                      "--Brass (1)\n"
                      "---Tuba (1)\n"
                      "-Other (3)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n"
                      "--Bells (1)\n"
                      "--foley (1)\n"
                      "---Steps (1)\n");
}

TEST_P(LocalFilesViewTest, APaneBesideItCutsNoLabelShort) {
    AddSample();
    for (int i = 0; i < 12; ++i)
        Add("snare" + std::to_string(i) + ".wav", 2, "Drums/Percussion", "Snare Drum");
    Start();
    // The main window's panes: the tree beside the results, the tree asked to be narrow.
    QSplitter splitter;
    splitter.setChildrenCollapsible(false);
    splitter.addWidget(view_.get());
    splitter.addWidget(new QWidget);
    splitter.resize(700, 400);
    splitter.setSizes({60, 640});
    splitter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splitter));
    QCoreApplication::processEvents();
    QTreeWidgetItem* drums = Item(2, "Drums/Percussion");
    ASSERT_NE(drums, nullptr);
    EXPECT_EQ(drums->text(0), "Drums/Percussion (12)");
    splitter.grab().save("/tmp/looks_category_tree.png");
    const int shown = view_->viewport()->width();
    for (QTreeWidgetItemIterator it(view_.get()); *it; ++it) {
        QTreeWidgetItem* item = *it;
        SCOPED_TRACE(item->text(0).toStdString());
        const QRect rect = view_->visualItemRect(item);
        // The label starts after the item's icon.
        const int icon = item->icon(0).isNull() ? 0 : view_->iconSize().width() + 4;
        EXPECT_LE(rect.left() + icon + view_->fontMetrics().horizontalAdvance(item->text(0)),
                  shown);
    }
    view_->setParent(nullptr); // the test owns it
}

// A category larger than one read of rows lists each of its files once, in the order the
// query gives them, and is drawn once its first rows are in and again at the end.
TEST_P(LocalFilesViewTest, ALargeCategoryListsEveryFileInQueryOrder) {
    for (int n = 0; n < 260; ++n) {
        const std::string name = "n" + std::to_string(n) + ".wav";
        if (n % 7 == 0)
            Add(name, 1, "Birds", "Owl");
        else if (n % 5 == 0)
            Add(name, 1, "Animals", "Dog", 3);
        else
            Add(name, n % 3 == 0 ? 2 : 1, n % 2 ? "Animals" : "animals", "");
    }
    Start();
    RecordingList& list = *factory_.list;

    // The rows as the query gives them, read one hit at a time.
    SearchCriteria criteria;
    criteria.intMin[SearchCriteria::kClassField] = criteria.intMax[SearchCriteria::kClassField] = 1;
    criteria.ownPitchOnly = 1;
    criteria.SetKeywords("Animals");
    criteria.textFieldMask = SearchCriteria::kCategoryText;
    int hits = 0;
    std::unique_ptr<DB_query_result> result = catalog_->RunQuery(criteria, hits);
    ASSERT_NE(result, nullptr);
    std::vector<std::string> expected;
    for (int i = 0; i < hits; ++i) {
        SoundFileObj file;
        SoundVariantObj variant;
        int score = 0;
        ASSERT_TRUE(catalog_->FetchRow(*result, i, file, variant, score));
        if (file.soundClass == 1 && (file.category == "Animals" || file.category == "animals"))
            expected.push_back(file.path.substr(file.path.find_last_of('/') + 1));
    }
    ASSERT_GT(expected.size(), 150u);

    const int all = static_cast<int>(expected.size());
    for (bool redraw : {true, false}) {
        SCOPED_TRACE(redraw ? "redraw" : "no redraw");
        list.refreshedRows.clear();
        controller_->ShowCategory(1, "Animals", "", redraw);
        EXPECT_EQ(list.Names(), expected);
        for (int row = 0; row < list.rows.Count(); ++row)
            EXPECT_EQ(list.rows.Entry(row).variant.sampleRate, 44100) << row;
        if (!redraw) {
            EXPECT_TRUE(list.refreshedRows.empty());
            continue;
        }
        // Drawn with its first rows, before the rest is read, and once more when complete.
        ASSERT_GE(list.refreshedRows.size(), 2u);
        EXPECT_GE(list.refreshedRows.front(), 1);
        EXPECT_LT(list.refreshedRows.front(), all);
        EXPECT_EQ(list.refreshedRows.back(), all);
    }
}

TEST_P(LocalFilesViewTest, UserSelectionShowsTheCategoryAndCodeSelectionDoesNot) {
    StartWithSample();
    RecordingList& list = *factory_.list;

    Click(Item(1, "Animals"));
    EXPECT_EQ(host_->shown, std::vector<std::string>{"1/Animals/"});
    EXPECT_EQ(view_->SelectedItem(), Item(1, "Animals"));
    EXPECT_EQ(view_->DropHighlight(), Item(1, "Animals"));
    // The category query itself compares names without case.
    EXPECT_EQ(Sorted(list.Names()), (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "d.wav"}));

    QTest::keyClick(view_.get(), Qt::Key_Down);
    EXPECT_EQ(host_->shown.back(), "1/Animals/Dog");
    EXPECT_EQ(Sorted(list.Names()), (std::vector<std::string>{"a.wav", "b.wav"}));

    // A class shows every file of it, whatever its format; the root shows them all.
    Click(Item(1));
    EXPECT_EQ(Sorted(list.Names()),
              (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "d.wav", "f.aif"}));
    Click(view_->RootItem());
    EXPECT_EQ(host_->shown.back(), "0//");
    EXPECT_EQ(list.Names().size(), 7u);

    // A selection made by code runs nothing and does not stay.
    const std::size_t shownBefore = host_->shown.size();
    view_->setCurrentItem(Item(2, "Brass"));
    EXPECT_EQ(view_->SelectedItem(), nullptr);
    EXPECT_EQ(host_->shown.size(), shownBefore);
}

TEST_P(LocalFilesViewTest, ClearSelectionIfAffectedClearsOnlyTheItemsOfThePath) {
    StartWithSample();
    struct Case {
        Path selected;
        Path changed;
        bool cleared;
    };
    const Case cases[] = {
        {{0, "", ""}, {2, "Brass", "Tuba"}, true},
        {{1, "", ""}, {1, "Birds", "Owl"}, true},
        {{1, "Animals", ""}, {1, "Animals", "Dog"}, true},
        {{1, "Animals", "Dog"}, {1, "Animals", "Dog"}, true},
        {{1, "Animals", "Dog"}, {1, "Animals", ""}, false},
        {{1, "Animals", "Dog"}, {3, "Animals", "Dog"}, false},
        {{1, "Birds", ""}, {1, "Animals", "Dog"}, false},
        {{1, "animals", ""}, {1, "Animals", ""}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected.category + "/" + c.selected.subCategory + " on " +
                     c.changed.category + "/" + c.changed.subCategory);
        QTreeWidgetItem* item =
            c.selected.cls == 0 ? view_->RootItem() : view_->FindItem(c.selected);
        ASSERT_NE(item, nullptr);
        Click(item);
        ASSERT_EQ(view_->SelectedItem(), item);
        view_->ClearSelectionIfAffected(c.changed.cls, c.changed.category, c.changed.subCategory);
        EXPECT_EQ(view_->SelectedItem(), c.cleared ? nullptr : item);
    }
}

TEST_P(LocalFilesViewTest, EachLevelHasItsMenuAndRemoveAsksForFilledNodes) {
    AddSample();
    Start();
    view_->SetNameAsker([](QWidget*, bool, std::string& name) {
        name = "Puppy";
        return true;
    });
    view_->RunCommand(LocalFilesView::kCreateSubCategory, Item(1, "Animals"));
    struct Case {
        QTreeWidgetItem* item;
        const char* menu;
        const char* entries; // text=id, "-" for a separator
        bool removeEnabled;
    };
    const Case cases[] = {
        {view_->RootItem(), nullptr, "", false},
        {Item(1), "302", "Open=32857|Create category=32851", false},
        {Item(1, "Animals"), "300",
         "Open=32857|Search...=32859|-|Create sub-category=32860|Rename category=32856|"
         "Remove category=32852",
         true},
        {Item(1, "Animals", "Dog"), "301",
         "Open=32857|Search...=32859|-|Rename sub-category=32856|Remove sub-category=32861",
         true},
        {Item(1, "Animals", "Puppy"), "301",
         "Open=32857|Search...=32859|-|Rename sub-category=32856|Remove sub-category=32861",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->text(0).toStdString());
        QPointer<QMenu> menu = view_->ShowContextMenu(c.item, view_->mapToGlobal(QPoint(5, 5)));
        if (!c.menu) {
            EXPECT_TRUE(menu.isNull());
            continue;
        }
        ASSERT_FALSE(menu.isNull());
        EXPECT_EQ(menu->objectName().toStdString(), c.menu);
        std::string entries;
        for (QAction* action : menu->actions()) {
            if (!entries.empty())
                entries += "|";
            entries += action->isSeparator()
                           ? std::string("-")
                           : action->text().toStdString() + "=" + action->objectName().toStdString();
            if (action->objectName() == "32852" || action->objectName() == "32861") {
                EXPECT_EQ(action->isEnabled(), c.removeEnabled);
            }
        }
        EXPECT_EQ(entries, c.menu ? c.entries : "");
        menu->close();
    }
}

TEST_P(LocalFilesViewTest, RightClickHighlightsTheItemUntilItsMenuCloses) {
    StartWithSample();
    Click(Item(1, "Animals"));
    QTreeWidgetItem* dog = Item(3, "Animals", "Dog");
    const QPoint at = Centre(dog);
    QTest::mousePress(view_->viewport(), Qt::RightButton, {}, at);
    EXPECT_EQ(view_->DropHighlight(), dog);
    EXPECT_EQ(view_->SelectedItem(), Item(1, "Animals")); // the right button selects nothing
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view_->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(view_->viewport(), &event);
    QPointer<QMenu> menu = view_->findChild<QMenu*>();
    ASSERT_FALSE(menu.isNull());
    EXPECT_EQ(menu->objectName(), "301");
    QTest::mouseRelease(view_->viewport(), Qt::RightButton, {}, at);
    // Search runs on the menu's item, not on the selected one.
    menu->hide();
    EXPECT_EQ(view_->DropHighlight(), Item(1, "Animals"));
    menu->findChild<QAction*>("32859")->trigger();
    EXPECT_EQ(host_->searches, std::vector<std::string>{"Dog"});
    menu->close();
}

TEST_P(LocalFilesViewTest, OpenSelectsAndSearchTakesTheNarrowestName) {
    StartWithSample();
    view_->RunCommand(LocalFilesView::kOpen, Item(1, "Birds"));
    EXPECT_EQ(host_->shown, std::vector<std::string>{"1/Birds/"});
    EXPECT_EQ(view_->SelectedItem(), Item(1, "Birds"));
    EXPECT_EQ(view_->DropHighlight(), Item(1, "Birds"));
    EXPECT_FALSE(view_->IsBusy());
    EXPECT_EQ(factory_.list->Names(), std::vector<std::string>{"f.aif"});

    view_->RunCommand(LocalFilesView::kSearch, Item(1, "Birds"));
    view_->RunCommand(LocalFilesView::kSearch, Item(1, "Birds", "Owl"));
    EXPECT_EQ(host_->searches, (std::vector<std::string>{"Birds", "Owl"}));
}

TEST_P(LocalFilesViewTest, CreateRefusesTakenNamesAndKeepsNewItemsWhileEmpty) {
    StartWithSample();
    std::vector<bool> askedForSub;
    std::string answer;
    view_->SetNameAsker([&](QWidget*, bool sub, std::string& name) {
        askedForSub.push_back(sub);
        name = answer;
        return true;
    });
    QTreeWidgetItem* animals = Item(1, "Animals");
    // Taken names, in any letter case, and the empty name (which names the parent).
    for (const char* taken : {"Dog", "dog", ""}) {
        answer = taken;
        view_->RunCommand(LocalFilesView::kCreateSubCategory, animals);
    }
    answer = "animals";
    view_->RunCommand(LocalFilesView::kCreateCategory, Item(1));
    ASSERT_EQ(seams_.boxes.size(), 4u);
    EXPECT_EQ(seams_.boxes[0].text, "'Dog' already exists");
    EXPECT_EQ(seams_.boxes[1].text, "'dog' already exists");
    EXPECT_EQ(seams_.boxes[2].text, "'' already exists");
    EXPECT_EQ(seams_.boxes[3].text, "'animals' already exists");
    EXPECT_EQ(seams_.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(Tree(), kSampleTree);

    animals->setExpanded(false);
    for (const char* name : {"Puppy", "cat"}) {
        answer = name;
        view_->RunCommand(LocalFilesView::kCreateSubCategory, animals);
    }
    answer = "Zebra";
    view_->RunCommand(LocalFilesView::kCreateCategory, Item(1));
    EXPECT_EQ(askedForSub, (std::vector<bool>{true, true, true, false, true, true, false}));
    EXPECT_TRUE(animals->isExpanded());
    EXPECT_TRUE(host_->updated.empty()); // the catalog learns of them once files are filed

    // Relabelling the category keeps its new, empty sub-categories; an ordinary item that
    // falls to 0 goes.
    Add("h.wav", 1, "Animals", "Dog");
    SoundFileObj owl;
    ASSERT_TRUE(catalog_->GetFileByPath("/sounds/f.aif", owl));
    controller_->RemoveCatalogFile(owl);
    EXPECT_EQ(Tree(), "MyTambrel (7)\n"
                      "-Effects (5)\n"
                      "--Animals (4)\n"
                      "---cat (0)*\n"
                      "---Dog (3)\n"
                      "---Puppy (0)*\n"
                      "--animals (1)\n"
                      "--Zebra (0)*\n"
                      "-Instruments (1)\n"
                      "--Brass (1)\n"
                      "---Tuba (1)\n"
                      "-Other (1)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n");
}

TEST_P(LocalFilesViewTest, RenameRefilesExactlyTheFilesOfTheNode) {
    StartWithSample();
    Click(Item(1, "Animals", "Dog"));
    view_->RenameNode(Item(1, "Animals"), "Beasts");
    // a.wav, listed at two pitches, is one record and re-filed once.
    EXPECT_EQ(Sorted(host_->updated), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(Filed("a.wav"), "1/Beasts/Dog");
    EXPECT_EQ(Filed("b.wav"), "1/Beasts/Dog");
    EXPECT_EQ(Filed("c.wav"), "1/Beasts/");
    EXPECT_EQ(Filed("d.wav"), "1/animals/");   // another name, by letter case
    EXPECT_EQ(Filed("e.wav"), "3/Animals/Dog"); // another class
    EXPECT_EQ(Tree(), "MyTambrel (7)\n"
                      "-Effects (5)\n"
                      "--animals (1)\n"
                      "--Beasts (3)\n"
                      "---Dog (2)\n"
                      "--Birds (1)\n"
                      "---Owl (1)\n"
                      "-Instruments (1)\n"
                      "--Brass (1)\n"
                      "---Tuba (1)\n"
                      "-Other (1)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n");
    // The shown sub-category follows its category's new name.
    EXPECT_EQ(controller_->ShownCategory(), "Beasts");
    EXPECT_EQ(controller_->ShownSubCategory(), "Dog");
    EXPECT_EQ(view_->SelectedItem(), Item(1, "Beasts", "Dog"));
    EXPECT_EQ(Sorted(factory_.list->Names()), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(host_->applied, 1);
    EXPECT_FALSE(view_->IsBusy());

    view_->RenameNode(Item(1, "Beasts", "Dog"), "Hound");
    EXPECT_EQ(Filed("a.wav"), "1/Beasts/Hound");
    EXPECT_EQ(Filed("e.wav"), "3/Animals/Dog");
    EXPECT_EQ(Item(1, "Beasts", "Dog"), nullptr);
    EXPECT_EQ(Item(1, "Beasts", "Hound")->text(0), "Hound (2)");
}

TEST_P(LocalFilesViewTest, RenameOfAnEmptyItemOnlyRelabelsAndTakenNamesAreRefused) {
    StartWithSample();
    view_->SetNameAsker([](QWidget*, bool, std::string& name) {
        name = "Puppy";
        return true;
    });
    view_->RunCommand(LocalFilesView::kCreateSubCategory, Item(1, "Animals"));
    view_->RenameNode(Item(1, "Animals", "Puppy"), "Cub");
    EXPECT_EQ(Item(1, "Animals", "Cub")->text(0), "Cub (0)");
    EXPECT_EQ(LocalFilesView::ItemData(Item(1, "Animals", "Cub")), 1);
    EXPECT_TRUE(host_->updated.empty());

    view_->RenameNode(Item(1, "Birds"), "ANIMALS");
    ASSERT_EQ(seams_.boxes.size(), 1u);
    EXPECT_EQ(seams_.boxes[0].text, "'ANIMALS' already exists");
    EXPECT_EQ(Filed("f.aif"), "1/Birds/Owl");
    EXPECT_TRUE(host_->updated.empty());
}

TEST_P(LocalFilesViewTest, LabelEditingStartsWithoutTheCountAndRenames) {
    StartWithSample();
    EXPECT_FALSE(view_->RootItem()->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(Item(1)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(Item(1, "Birds", "Owl")->flags() & Qt::ItemIsEditable);

    view_->editItem(Item(1, "Birds"), 0);
    QLineEdit* editor = view_->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Birds");
    editor->setText("Fowl");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(Filed("f.aif"), std::string("1/Fowl/Owl"));
    EXPECT_EQ(Item(1, "Fowl")->text(0), "Fowl (1)");
    EXPECT_EQ(Item(1, "Birds"), nullptr);

    // An empty label changes nothing.
    view_->editItem(Item(1, "Fowl"), 0);
    editor = view_->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("  ");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(Item(1, "Fowl")->text(0), "Fowl (1)");
}

TEST_P(LocalFilesViewTest, RemoveAsksWithTheCountAndUnfilesOnYes) {
    AddSample();
    Add("h.wav", 1, "Birds", "Owl");
    Add("i.wav", 1, "Birds", "Owl");
    Start();
    seams_.boxAnswer = MessageAnswer::No;
    view_->RunCommand(LocalFilesView::kRemoveSubCategory, Item(1, "Birds", "Owl"));
    ASSERT_EQ(seams_.boxes.size(), 1u);
    EXPECT_EQ(seams_.boxes[0].text, "Sub-category Owl contains 3 files.\nIs it OK to remove it?");
    EXPECT_EQ(seams_.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(seams_.boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(seams_.boxes[0].defaultButton, MessageAnswer::No);
    EXPECT_EQ(Filed("h.wav"), "1/Birds/Owl");
    EXPECT_TRUE(host_->updated.empty());

    seams_.boxAnswer = MessageAnswer::Yes;
    view_->RunCommand(LocalFilesView::kRemoveSubCategory, Item(1, "Birds", "Owl"));
    for (const char* name : {"f.aif", "h.wav", "i.wav"})
        EXPECT_EQ(Filed(name), "1/Birds/") << name;
    EXPECT_EQ(Item(1, "Birds", "Owl"), nullptr);
    EXPECT_EQ(Item(1, "Birds")->text(0), "Birds (3)");

    view_->RunCommand(LocalFilesView::kRemoveCategory, Item(1, "Animals"));
    ASSERT_EQ(seams_.boxes.size(), 3u);
    EXPECT_EQ(seams_.boxes[2].text,
              "Category Animals contains 3 files.\nRemove it along with its sub-categories?");
    EXPECT_EQ(seams_.boxes[2].defaultButton, MessageAnswer::No);
    EXPECT_EQ(Filed("a.wav"), "1//");
    EXPECT_EQ(Filed("c.wav"), "1//");
    EXPECT_EQ(Filed("d.wav"), "1/animals/");
    EXPECT_EQ(Filed("e.wav"), "3/Animals/Dog");
    EXPECT_EQ(Item(1, "Animals"), Item(1, "animals")); // only the other spelling is left
    EXPECT_EQ(Item(1)->text(0), "Effects (7)");
}

// The question as the user meets it: the item's menu by a right click, "Remove category" by
// a click, then Enter on the real box.
TEST_P(LocalFilesViewTest, EnterOnTheRemoveQuestionKeepsTheFilesFiled) {
    StartWithSample();
    QWindow* window = view_->windowHandle();
    const QPoint at = view_->viewport()->mapTo(view_.get(), Centre(Item(1, "Animals")));
    QTest::mouseClick(window, Qt::RightButton, {}, at);
    QPointer<QMenu> menu = view_->findChild<QMenu*>();
    ASSERT_FALSE(menu.isNull());
    QAction* remove = menu->findChild<QAction*>("32852");
    ASSERT_NE(remove, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));

    UiSeams* fake = InstallUiSeams(nullptr); // Qt's own box
    QString asked;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        asked = box->text();
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);
    });
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                      menu->actionGeometry(remove).center());
    InstallUiSeams(fake);
    EXPECT_EQ(asked, "Category Animals contains 3 files.\nRemove it along with its sub-categories?");
    if (QWidget* stray = QApplication::activeModalWidget())
        stray->close();
    EXPECT_EQ(Filed("a.wav"), "1/Animals/Dog");
    EXPECT_EQ(Filed("c.wav"), "1/Animals/");
    EXPECT_TRUE(host_->updated.empty());
    EXPECT_EQ(Tree(), kSampleTree);
}

TEST_P(LocalFilesViewTest, RemovingAnEmptyItemAsksNothing) {
    StartWithSample();
    view_->SetNameAsker([](QWidget*, bool, std::string& name) {
        name = "Zebra";
        return true;
    });
    view_->RunCommand(LocalFilesView::kCreateCategory, Item(1));
    view_->RunCommand(LocalFilesView::kRemoveCategory, Item(1, "Zebra"));
    EXPECT_TRUE(seams_.boxes.empty());
    EXPECT_EQ(Tree(), kSampleTree);
}

TEST_P(LocalFilesViewTest, CanMoveCategoryByLevels) {
    StartWithSample();
    struct Case {
        Path source;
        Path target;
        bool allowed;
    };
    const Case cases[] = {
        {{1, "Animals", "Dog"}, {1, "Birds", ""}, true},     // sub-category to a category
        {{1, "Animals", "Dog"}, {1, "Animals", ""}, false},  // to its own category
        {{1, "Animals", "Dog"}, {1, "", ""}, true},          // to a class
        {{1, "Animals", "Dog"}, {2, "", ""}, true},          // to another class
        {{1, "Animals", "Dog"}, {1, "Animals", "Dog"}, false}, // onto itself
        {{1, "Animals", "Dog"}, {1, "Birds", "Owl"}, false}, // onto a sub-category
        {{1, "Animals", "Dog"}, {0, "", ""}, false},         // onto the root
        {{1, "Birds", ""}, {2, "", ""}, true},               // category to another class
        {{1, "Birds", ""}, {1, "", ""}, false},              // to its own class
        {{1, "Birds", ""}, {2, "Brass", ""}, false},         // has sub-categories
        {{1, "animals", ""}, {1, "Birds", ""}, true},        // has none
        {{1, "animals", ""}, {1, "animals", ""}, false},     // onto itself
        {{1, "Animals", ""}, {3, "", ""}, true},             // with sub-categories to a class
        {{2, "Brass", "Tuba"}, {3, "Animals", ""}, true},
        {{1, "", ""}, {2, "", ""}, false},                   // classes never move
        {{0, "", ""}, {1, "", ""}, false},                   // nor does the root
    };
    for (const Case& c : cases) {
        const QTreeWidgetItem* source =
            c.source.cls == 0 ? view_->RootItem() : view_->FindItem(c.source);
        const QTreeWidgetItem* target =
            c.target.cls == 0 ? view_->RootItem() : view_->FindItem(c.target);
        ASSERT_TRUE(source && target);
        EXPECT_EQ(LocalFilesView::CanMoveCategory(source, target), c.allowed)
            << source->text(0).toStdString() << " onto " << target->text(0).toStdString();
    }
}

TEST_P(LocalFilesViewTest, DroppedRowsAreFiledOncePerFile) {
    StartWithSample();
    // a.wav comes at both its pitches.
    const auto rows = RowsData({{"a.wav", 44100}, {"a.wav", 88200}, {"c.wav", 44100}, {"d.wav", 44100}});
    EXPECT_EQ(DragOver(Item(1, "Birds", "Owl"), *rows), Qt::CopyAction);
    EXPECT_EQ(view_->DropHighlight(), Item(1, "Birds", "Owl"));
    Drop(Item(1, "Birds", "Owl"), *rows);
    EXPECT_EQ(view_->DropHighlight(), nullptr);
    EXPECT_EQ(host_->updated, (std::vector<std::string>{"a.wav", "c.wav", "d.wav"}));
    EXPECT_EQ(Filed("a.wav"), "1/Birds/Owl");
    EXPECT_EQ(Filed("c.wav"), "1/Birds/Owl");
    EXPECT_EQ(Filed("d.wav"), "1/Birds/Owl");
    EXPECT_EQ(Filed("b.wav"), "1/Animals/Dog");
    EXPECT_EQ(host_->activations, 1);
    EXPECT_EQ(host_->applied, 1);
    EXPECT_FALSE(view_->IsBusy());
    EXPECT_FALSE(view_->IsKeeping());
    // The items the rows left empty are gone once the drop is over.
    EXPECT_EQ(Tree(), "MyTambrel (7)\n"
                      "-Effects (5)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n"
                      "--Birds (4)\n"
                      "---Owl (4)\n"
                      "-Instruments (1)\n"
                      "--Brass (1)\n"
                      "---Tuba (1)\n"
                      "-Other (1)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n");

    // Onto a class: the rows keep only the class.
    const auto tuba = RowsData({{"g.wav", 44100}});
    Drop(Item(3), *tuba);
    EXPECT_EQ(Filed("g.wav"), "3//");
    EXPECT_EQ(Item(2, "Brass"), nullptr);
}

TEST_P(LocalFilesViewTest, RowsDroppedOnTheRootAndForeignDataChangeNothing) {
    StartWithSample();
    const auto rows = RowsData({{"a.wav", 44100}});
    EXPECT_EQ(DragOver(view_->RootItem(), *rows), Qt::CopyAction);
    EXPECT_EQ(view_->DropHighlight(), nullptr);
    Drop(view_->RootItem(), *rows);
    EXPECT_TRUE(host_->updated.empty());
    EXPECT_EQ(Filed("a.wav"), "1/Animals/Dog");

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/sounds/a.wav")});
    EXPECT_EQ(DragOver(Item(1, "Birds"), files), Qt::IgnoreAction);
    // A payload damaged on its way is no payload.
    QMimeData damaged;
    damaged.setData(SoundDragBlock::MimeType(), QByteArray("nonsense"));
    EXPECT_EQ(DragOver(Item(1, "Birds"), damaged), Qt::IgnoreAction);
    EXPECT_EQ(view_->DropHighlight(), nullptr);
    EXPECT_EQ(Tree(), kSampleTree);
}

TEST_P(LocalFilesViewTest, ADraggedItemCarriesItsPath) {
    StartWithSample();
    const std::unique_ptr<QMimeData> data = view_->CategoryDragData(Item(3, "Animals", "Dog"));
    const std::optional<SoundDragBlock> block = SoundDragBlock::FromMimeData(data.get());
    ASSERT_TRUE(block.has_value());
    EXPECT_EQ(block->kind, SoundDragBlock::kCategory);
    EXPECT_EQ(block->superCategory, 3);
    EXPECT_EQ(block->category, "Animals");
    EXPECT_EQ(block->subcategory, "Dog");
}

TEST_P(LocalFilesViewTest, ADragStartsOnlyWhenThePressedMouseLeavesTheTree) {
    StartWithSample();
    std::vector<SoundDragBlock> dragged;
    view_->SetDragRunner([&](std::unique_ptr<QMimeData> data) {
        if (auto block = SoundDragBlock::FromMimeData(data.get()))
            dragged.push_back(*block);
    });
    QTreeWidgetItem* dog = Item(1, "Animals", "Dog");
    const QPoint at = Centre(dog);
    QTest::mousePress(view_->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(view_->SelectedItem(), dog);
    // Moving over other items with the button down neither drags nor selects them.
    QMouseEvent inside(QEvent::MouseMove, QPointF(Centre(Item(1, "Birds"))),
                       view_->viewport()->mapToGlobal(QPointF(Centre(Item(1, "Birds")))),
                       Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view_->viewport(), &inside);
    EXPECT_TRUE(dragged.empty());
    EXPECT_EQ(view_->SelectedItem(), dog);
    const QPointF outside(view_->viewport()->width() + 5, at.y());
    QMouseEvent leave(QEvent::MouseMove, outside, view_->viewport()->mapToGlobal(outside),
                      Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view_->viewport(), &leave);
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(dragged[0], SoundDragBlock::Category(1, "Animals", "Dog"));
    QTest::mouseRelease(view_->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(host_->shown, std::vector<std::string>{"1/Animals/Dog"});
}

TEST_P(LocalFilesViewTest, ASubCategoryMovesWithItsFilesAndTheShownPathFollows) {
    StartWithSample();
    Click(Item(1, "Animals", "Dog"));
    const auto dog = view_->CategoryDragData(Item(1, "Animals", "Dog"));

    // Not onto its own category: accepted by the drag, but no highlight and no change.
    EXPECT_EQ(DragOver(Item(1, "Animals"), *dog), Qt::CopyAction);
    EXPECT_EQ(view_->DropHighlight(), nullptr);
    Drop(Item(1, "Animals"), *dog);
    EXPECT_TRUE(host_->updated.empty());

    EXPECT_EQ(DragOver(Item(1, "Birds"), *dog), Qt::CopyAction);
    EXPECT_EQ(view_->DropHighlight(), Item(1, "Birds"));
    Drop(Item(1, "Birds"), *dog);
    EXPECT_EQ(Sorted(host_->updated), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(Filed("a.wav"), "1/Birds/Dog");
    EXPECT_EQ(Filed("b.wav"), "1/Birds/Dog");
    EXPECT_EQ(Filed("e.wav"), "3/Animals/Dog");
    EXPECT_EQ(host_->statusTexts,
              (std::vector<std::string>{"Updating file 1 of 2", "Updating file 2 of 2", ""}));
    EXPECT_EQ(host_->busyTips, (std::vector<std::string>{"167", "0", "0 restore"}));
    EXPECT_EQ(Tree(), "MyTambrel (7)\n"
                      "-Effects (5)\n"
                      "--Animals (1)\n"
                      "--animals (1)\n"
                      "--Birds (3)\n"
                      "---Dog (2)\n"
                      "---Owl (1)\n"
                      "-Instruments (1)\n"
                      "--Brass (1)\n"
                      "---Tuba (1)\n"
                      "-Other (1)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n");
    EXPECT_EQ(LocalFilesView::ItemData(Item(1, "Animals")), 0); // its old data is back
    EXPECT_EQ(controller_->ShownCategory(), "Birds");
    EXPECT_EQ(controller_->ShownSubCategory(), "Dog");
    EXPECT_EQ(view_->SelectedItem(), Item(1, "Birds", "Dog"));
    EXPECT_EQ(Sorted(factory_.list->Names()), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_FALSE(view_->IsBusy());
}

std::vector<std::string> refusals; // what the catalog told, by its message hook

// A move the catalog refuses, wholly or for some files, keeps the list on the stored
// sub-category: its selection, its node and the files still filed there.
TEST_P(LocalFilesViewTest, AMoveTheCatalogRefusesKeepsTheListWhereTheFilesAre) {
    StartWithSample();
    SetCatalogMessageHook([](const char* text) { refusals.push_back(text); });
    struct Case {
        const char* refused; // the files whose writes fail
        const char* a;       // where a.wav is filed afterwards
        const char* left;    // the old node's label
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"'/sounds/a.wav', '/sounds/b.wav'", "1/Animals/Dog", "Dog (2)", {"a.wav", "b.wav"}},
        {"'/sounds/b.wav'", "1/Birds/Dog", "Dog (1)", {"b.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        refusals.clear();
        Exec(std::string("CREATE TRIGGER refuse BEFORE INSERT ON AUDIO_FILE WHEN NEW.FILE_NAME "
                         "IN (") +
             c.refused + ") BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
        QTest::mouseClick(view_->windowHandle(), Qt::LeftButton, {},
                          view_->viewport()->mapTo(view_.get(), Centre(Item(1, "Animals", "Dog"))));
        ASSERT_EQ(host_->shown.back(), "1/Animals/Dog");
        Drop(Item(1, "Birds"), *view_->CategoryDragData(Item(1, "Animals", "Dog")));
        Exec("DROP TRIGGER refuse");

        EXPECT_FALSE(refusals.empty());
        EXPECT_EQ(Filed("a.wav"), c.a);
        EXPECT_EQ(Filed("b.wav"), "1/Animals/Dog");
        ASSERT_NE(Item(1, "Animals", "Dog"), nullptr);
        EXPECT_EQ(Item(1, "Animals", "Dog")->text(0), c.left);
        EXPECT_EQ(view_->SelectedItem(), Item(1, "Animals", "Dog"));
        EXPECT_EQ(controller_->ShownCategory(), "Animals");
        EXPECT_EQ(controller_->ShownSubCategory(), "Dog");
        EXPECT_EQ(Sorted(factory_.list->Names()), c.listed);
        EXPECT_FALSE(view_->IsBusy());
    }
}

TEST_P(LocalFilesViewTest, ACategoryWithSubCategoriesMovesOnlyToAClassAndBringsTheEmptyOnes) {
    StartWithSample();
    view_->SetNameAsker([](QWidget*, bool, std::string& name) {
        name = "Puppy";
        return true;
    });
    view_->RunCommand(LocalFilesView::kCreateSubCategory, Item(1, "Animals"));
    const auto animals = view_->CategoryDragData(Item(1, "Animals"));

    EXPECT_EQ(DragOver(Item(1, "animals"), *animals), Qt::CopyAction);
    EXPECT_EQ(view_->DropHighlight(), nullptr);
    Drop(Item(1, "animals"), *animals);
    EXPECT_TRUE(host_->updated.empty());

    Drop(Item(2), *animals);
    EXPECT_EQ(Filed("a.wav"), "2/Animals/Dog"); // files keep their sub-categories
    EXPECT_EQ(Filed("c.wav"), "2/Animals/");
    EXPECT_EQ(Filed("d.wav"), "1/animals/");
    EXPECT_EQ(Tree(), "MyTambrel (7)\n"
                      "-Effects (2)\n"
                      "--animals (1)\n"
                      "--Birds (1)\n"
                      "---Owl (1)\n"
                      "-Instruments (4)\n"
                      "--Animals (3)\n"
                      "---Dog (2)\n"
                      "---Puppy (0)*\n"
                      "--Brass (1)\n"
                      "---Tuba (1)\n"
                      "-Other (1)\n"
                      "--Animals (1)\n"
                      "---Dog (1)\n");
    EXPECT_TRUE(Item(2)->isExpanded());
}

TEST_P(LocalFilesViewTest, AnEmptyCreatedItemMovesAsALabel) {
    StartWithSample();
    view_->SetNameAsker([](QWidget*, bool, std::string& name) {
        name = "Kitten";
        return true;
    });
    view_->RunCommand(LocalFilesView::kCreateSubCategory, Item(1, "Animals"));
    Drop(Item(1, "Birds"), *view_->CategoryDragData(Item(1, "Animals", "Kitten")));
    EXPECT_TRUE(host_->updated.empty());
    EXPECT_EQ(Item(1, "Animals", "Kitten"), nullptr);
    ASSERT_NE(Item(1, "Birds", "Kitten"), nullptr);
    EXPECT_EQ(Item(1, "Birds", "Kitten")->text(0), "Kitten (0)");
    EXPECT_EQ(LocalFilesView::ItemData(Item(1, "Birds", "Kitten")), 1);
    EXPECT_EQ(Item(1, "Birds")->child(0), Item(1, "Birds", "Kitten")); // in sorted place
}

// Records the events handed on to the main list's presentation.
class RecordingPresentation : public QWidget {
public:
    std::vector<std::string> seen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        seen.push_back("key " + QKeySequence(event->keyCombination()).toString().toStdString());
    }
    void wheelEvent(QWheelEvent*) override { seen.push_back("wheel"); }
};

TEST_P(LocalFilesViewTest, SelectAllPageKeysAndTheWheelGoToTheMainList) {
    StartWithSample();
    RecordingPresentation presentation;
    host_->presentation = &presentation;
    Click(Item(1, "Animals"));
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view_.get(), Qt::Key_PageDown);
    QTest::keyClick(view_.get(), Qt::Key_PageUp);
    QTest::keyClick(view_.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(view_.get(), Qt::Key_Down);
    const QPoint at = Centre(Item(1, "Birds"));
    QWheelEvent wheel(at, view_->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view_->viewport(), &wheel);
    EXPECT_EQ(presentation.seen,
              (std::vector<std::string>{"key Ctrl+A", "key PgDown", "key PgUp", "wheel"}));
    // The tree kept the other keys.
    EXPECT_EQ(view_->SelectedItem(), Item(1, "Animals", "Dog"));
}

// The main list as the main window shows it beside the tree: a real table and real cards
// over forty rows. The wheel turned over the tree scrolls whichever shows.
TEST_P(LocalFilesViewTest, TheWheelOverTheTreeScrollsTheMainTableAndCards) {
    StartWithSample();
    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    std::unique_ptr<ResultsListObj> list; // outlives its window
    auto window = std::make_unique<ResultsWnd>(nullptr, &tableServices);
    ResultsWnd& results = *window;
    results.resize(600, 300);
    list = std::make_unique<ResultsListObj>(&results, ResultsListObj::kMyTambrel, &listServices);
    results.Attach(list.get(), 0);
    for (int n = 1; n <= 40; ++n)
        list->InsertRow(HitFile(n, "/snd/" + std::to_string(n) + ".wav"),
                        HitVariant(n, 44100, 2000, 10), 0, 0, true, false);
    list->Refresh(-1);
    results.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&results));

    for (const bool tabular : {true, false}) {
        SCOPED_TRACE(tabular ? "table" : "cards");
        if (tabular)
            results.ShowTabular();
        else
            results.ShowStacked();
        QCoreApplication::processEvents();
        host_->presentation = results.ActivePresentation();
        auto* area = qobject_cast<QAbstractScrollArea*>(host_->presentation);
        ASSERT_NE(area, nullptr);
        QScrollBar* bar = area->verticalScrollBar();
        ASSERT_GT(bar->maximum(), 0);
        const int before = bar->value();
        const QPoint at = view_->viewport()->mapTo(view_.get(), Centre(Item(1, "Birds")));
        QWheelEvent wheel(QPointF(at), QPointF(view_->mapToGlobal(at)), {}, {0, -120},
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view_->windowHandle(), &wheel);
        EXPECT_GT(bar->value(), before);
    }
    host_->presentation = nullptr;
    // The tree itself did not move.
    EXPECT_EQ(view_->verticalScrollBar()->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(Catalog, LocalFilesViewTest, testing::Values(Engine::SQLite), EngineName);

} // namespace
