// F6 and Shift+F6 in the main window reach the results pane's presentation, cards or table.
#include <QApplication>
#include <QImage>
#include <QCheckBox>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

#include "app/main_frame.h"
#include "app/tool_windows.h"
#include "tests/windows/results/results_test_support.h"
#include "windows/results/result_cards.h"
#include "windows/results/results_list.h"
#include "windows/results/results_table.h"
#include "windows/results/results_views.h"
#include "windows/results/table_and_cards.h"

namespace {

// A focusable stand-in for the tree, and the program's own results pane.
class PaneFactory : public ToolWindowFactory {
public:
    explicit PaneFactory(TabularResultsServices* services) : services_(services) {}
    std::unique_ptr<EditorBoxLink> NewEditorBox() override { return nullptr; }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool, const std::string&,
                                                const SoundSignature&) override {
        return nullptr;
    }
    std::unique_ptr<ResultsListLink> NewMainList() override { return nullptr; }
    void RunValidator() override {}
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController&) override { return nullptr; }
    CategoryTreePane NewCategoryTreePane(QWidget* parent) override {
        tree = new QTreeWidget(parent);
        new QTreeWidgetItem(tree, QStringList{"Effects"});
        return {tree, nullptr};
    }
    ResultsPane NewResultsPane(QWidget* parent) override {
        view = new SinglePageResultsView(parent, services_);
        view->toggleTabular = [] {};
        return {view, view};
    }

    QTreeWidget* tree = nullptr;
    SinglePageResultsView* view = nullptr;

private:
    TabularResultsServices* services_;
};

class MainPaneFocus : public ::testing::Test {
protected:
    void SetUp() override {
        list = std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kMyTambrel, &listServices);
        frame = std::make_unique<CMainFrame>(&factory);
        frame->resize(900, 500);
        factory.view->AttachList(list.get(), 9);
        for (int i = 0; i < 30; ++i)
            list->InsertRow(HitFile(i + 1, "/snd/" + std::to_string(i) + ".wav"),
                            HitVariant(i + 1, 44100, 2000, 10), 0, 0, true, false);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        window = frame->windowHandle();
    }
    void TearDown() override {
        if (factory.view != nullptr)
            factory.view->DetachList();
        frame.reset();
        list.reset();
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window, key, modifiers);
        QCoreApplication::processEvents();
    }

    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    PaneFactory factory{&tableServices};
    std::unique_ptr<ResultsListObj> list;
    std::unique_ptr<CMainFrame> frame;
    QWindow* window = nullptr;
};

TEST_F(MainPaneFocus, F6GivesTheCardsTheKeysAsItGivesTheTable) {
    for (const bool tabular : {false, true}) {
        SCOPED_TRACE(tabular ? "table" : "cards");
        factory.view->ShowTabular(tabular);
        QWidget* shown = factory.view->ActivePresentation();
        factory.tree->setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), factory.tree);
        Press(Qt::Key_F6);
        EXPECT_EQ(QApplication::focusWidget(), shown);
        if (!tabular) {
            // Page Down scrolls the cards; Space has no use there and switches nothing.
            auto* cards = dynamic_cast<StackedResultsWnd*>(shown);
            ASSERT_NE(cards, nullptr);
            EXPECT_EQ(cards->VerticalPosition(), 0);
            Press(Qt::Key_PageDown);
            EXPECT_GT(cards->VerticalPosition(), 0);
            Press(Qt::Key_Space);
            EXPECT_FALSE(factory.view->TableBox()->isChecked());
            EXPECT_FALSE(factory.view->Results()->IsTabularShown());
            EXPECT_EQ(QApplication::focusWidget(), shown);
        } else {
            // The table takes the arrows at once.
            Press(Qt::Key_Down);
            EXPECT_EQ(factory.view->Results()->Tabular()->Columns()->FocusRow(), 0);
        }
        Press(Qt::Key_F6, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), factory.tree);
        Press(Qt::Key_F6, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), shown);
    }
}

// The box under the hits is a stop of Tab's round, after the hits and before the tree, in
// both presentations; Space switches the presentation and gives it the keys, as a click does.
TEST_F(MainPaneFocus, TabReachesTheTableBoxWhoseSpaceSwitchesTheHits) {
    SinglePageResultsView* view = factory.view;
    view->toggleTabular = [view] {
        view->ShowTabular(view->TableBox()->isChecked());
        view->FocusActivePresentation();
    };
    view->ShowTabular(true);
    QCheckBox* box = view->TableBox();
    factory.tree->setFocus(Qt::MouseFocusReason);
    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view->ActivePresentation());
    const struct {
        const char* name;
        bool tabularAfter;
    } rounds[] = {{"from the table", false}, {"from the cards", true}};
    for (const auto& r : rounds) {
        SCOPED_TRACE(r.name);
        const QImage unfocused = box->grab().toImage();
        Press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), box);
        EXPECT_NE(box->grab().toImage(), unfocused); // it shows that it has the focus
        Press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), factory.tree);
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        ASSERT_EQ(QApplication::focusWidget(), box);
        Press(Qt::Key_Space);
        EXPECT_EQ(box->isChecked(), r.tabularAfter);
        EXPECT_EQ(view->Results()->IsTabularShown(), r.tabularAfter);
        EXPECT_EQ(QApplication::focusWidget(), view->ActivePresentation());
    }
}

} // namespace
