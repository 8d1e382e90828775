#include "windows/results/results_views.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QTabBar>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

#include "app/app_controller.h"
#include "app/settings.h"
#include "tests/windows/results/results_test_support.h"
#include "windows/results/result_cards.h"
#include "windows/results/result_card_painting.h"
#include "windows/results/results_list.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/results_table.h"

namespace {

class ResultViews : public ::testing::Test {
protected:
    void SetUp() override {
        local = std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kMyTambrel, &listServices);
        web = std::make_unique<ResultsListObj>(nullptr, ResultsListObj::kWebTambrel, &listServices);
    }
    void TearDown() override {
        view.reset();
        local.reset();
        web.reset();
    }
    void MakeView(bool similar) {
        view = std::make_unique<MultiplePageResultsView>(nullptr, &tableServices);
        view->resize(700, 400);
        view->BindLists(local.get(), web.get(), similar);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    std::vector<QString> TabTexts() const {
        std::vector<QString> texts;
        for (int i = 0; i < view->Tabs()->count(); ++i)
            texts.push_back(view->Tabs()->tabText(i));
        return texts;
    }
    void Fill(ResultsListObj& list, int rows) {
        for (int i = 0; i < rows; ++i)
            list.InsertRow(HitFile(i + 1, "/snd/" + std::to_string(i) + ".wav"),
                           HitVariant(i + 1, 44100, 2000, 10), 0, 0, true, false);
    }

    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    std::unique_ptr<ResultsListObj> local, web;
    std::unique_ptr<MultiplePageResultsView> view;
};

TEST_F(ResultViews, TabsFollowTheSearchedCollectionsAndKeepTheChosenOne) {
    MakeView(false);
    EXPECT_EQ(view->GetCurrentPage(), 0);
    const struct {
        bool local, web;
        int selectTabBefore; // -1 leaves the tab as it is
        std::vector<QString> tabs;
        int current;
    } steps[] = {
        {true, true, -1, {"MyTambrel", "WebTambrel"}, 1},
        {true, true, 1, {"MyTambrel", "WebTambrel"}, 2},  // the WebTambrel tab stays chosen
        {true, false, -1, {"MyTambrel"}, 1},
        {false, true, -1, {"WebTambrel"}, 2},              // WebTambrel alone is tab 0
        {true, true, -1, {"MyTambrel", "WebTambrel"}, 2},
        {false, false, -1, {}, 0},
    };
    for (const auto& s : steps) {
        if (s.selectTabBefore >= 0)
            view->Tabs()->setCurrentIndex(s.selectTabBefore);
        view->PreparePages(s.local, s.web, false);
        EXPECT_EQ(TabTexts(), s.tabs) << s.local << s.web;
        EXPECT_EQ(view->GetCurrentPage(), s.current) << s.local << s.web;
        EXPECT_EQ(view->PageExists(1), s.local);
        EXPECT_EQ(view->PageExists(2), s.web);
        for (int page = 1; page <= 2; ++page)
            EXPECT_EQ(view->Page(page)->isVisible(), page == s.current) << page;
        // The tabs are in view, the shown page below them and above the check box.
        if (s.current != 0) {
            const QRect page = view->Page(s.current)->geometry();
            EXPECT_GT(view->Tabs()->height(), 10);
            EXPECT_GE(page.top(), view->Tabs()->geometry().bottom());
            EXPECT_LT(page.bottom(), view->TableBox()->geometry().top());
        }
        // A page shows its own list.
        if (s.local) {
            EXPECT_EQ(view->Page(1)->List(), local.get());
        }
        if (s.web) {
            EXPECT_EQ(view->Page(2)->List(), web.get());
        }
    }
}

TEST_F(ResultViews, MaskHidesScoreOutsideSimilaritySearchesAndPitchForNormalPitch) {
    const struct {
        bool similar;
        bool allPitches;
        unsigned mask;
        int columns;
    } cases[] = {
        {false, false, 9, 17},
        {false, true, 1, 18},
        {true, false, 8, 18},
        {true, true, 0, 19},
    };
    for (const auto& c : cases) {
        MakeView(c.similar);
        view->PreparePages(true, true, c.allPitches);
        EXPECT_EQ(view->HiddenMask(), c.mask);
        EXPECT_EQ(view->Page(1)->Tabular()->Columns()->columnCount(), c.columns);
        EXPECT_EQ(view->Page(2)->Tabular()->Columns()->columnCount(), c.columns);
        view.reset();
    }
}

TEST_F(ResultViews, SwitchingTabsKeepsEachListsRowsAndSelection) {
    MakeView(false);
    view->PreparePages(true, true, false);
    Fill(*local, 3);
    Fill(*web, 2);
    view->Page(1)->Tabular()->Columns()->SetRowSelected(2, true, false);
    view->Page(2)->Tabular()->Columns()->SetRowSelected(0, true, false);
    view->Tabs()->setCurrentIndex(1);
    EXPECT_EQ(view->GetCurrentPage(), 2);
    EXPECT_TRUE(view->Page(2)->Tabular()->Columns()->hasFocus() ||
                QApplication::focusWidget() == nullptr);
    view->Tabs()->setCurrentIndex(0);
    EXPECT_EQ(view->GetCurrentPage(), 1);
    EXPECT_EQ(view->Page(1)->Tabular()->Columns()->rowCount(), 3);
    EXPECT_EQ(view->Page(2)->Tabular()->Columns()->rowCount(), 2);
    EXPECT_TRUE(view->Page(1)->Tabular()->Columns()->IsRowSelected(2));
    EXPECT_TRUE(view->Page(2)->Tabular()->Columns()->IsRowSelected(0));
    EXPECT_FALSE(view->Page(2)->Tabular()->Columns()->IsRowSelected(1));
}

TEST_F(ResultViews, StatusOfAPageOutOfViewWaitsForItsTab) {
    MakeView(false);
    view->PreparePages(true, true, false);
    ASSERT_EQ(view->GetCurrentPage(), 1);
    view->SetStatus(2, "Searching WebTambrel...", nullptr, 0, nullptr);
    EXPECT_TRUE(view->StatusBox(2).HasContent());
    EXPECT_EQ(view->StatusBox(2).Window(), nullptr);
    view->SetStatus(1, "12 hits", nullptr, 0, nullptr);
    EXPECT_NE(view->StatusBox(1).Window(), nullptr);

    view->Tabs()->setCurrentIndex(1);
    EXPECT_NE(view->StatusBox(2).Window(), nullptr);
    EXPECT_EQ(view->StatusBox(2).Text(), "Searching WebTambrel...");
    EXPECT_EQ(view->StatusBox(1).Window(), nullptr);
    EXPECT_TRUE(view->StatusBox(1).HasContent());

    // Hidden with the frame, back on the current page only; an empty text clears a box.
    view->ShowStatusBoxes(false);
    EXPECT_EQ(view->StatusBox(2).Window(), nullptr);
    view->ShowStatusBoxes(true);
    EXPECT_NE(view->StatusBox(2).Window(), nullptr);
    EXPECT_EQ(view->StatusBox(1).Window(), nullptr);
    view->SetStatus(2, "", nullptr, 0, nullptr);
    EXPECT_FALSE(view->StatusBox(2).HasContent());
    // A new search starts without status.
    view->PreparePages(true, true, false);
    EXPECT_FALSE(view->StatusBox(1).HasContent());
}

TEST_F(ResultViews, TableBoxSwitchesPresentationWithoutRebuildingAndPersists) {
    MakeView(false);
    EXPECT_TRUE(view->TableBox()->isChecked()); // "SearchTabular" starts on
    view->PreparePages(true, true, false);
    Fill(*local, 4);
    ResultsWnd* page = view->Page(1);
    TabularColumnsCtrl* table = page->Tabular()->Columns();
    EXPECT_TRUE(page->Tabular()->isVisible());

    view->TableBox()->click();
    EXPECT_FALSE(page->Tabular()->isVisible());
    EXPECT_TRUE(page->Stacked()->Widget()->isVisible());
    EXPECT_FALSE(view->Page(2)->IsTabularShown());
    // The same table, still holding its rows.
    EXPECT_EQ(page->Tabular()->Columns(), table);
    EXPECT_EQ(table->rowCount(), 4);

    view->SaveSettings();
    EXPECT_FALSE(GetSettingBool("SearchTabular"));
    EXPECT_FALSE(view->PageExists(1));
    view.reset();
    MakeView(false);
    EXPECT_FALSE(view->TableBox()->isChecked());
    view->PreparePages(true, false, false);
    EXPECT_FALSE(view->Page(1)->IsTabularShown());
    EXPECT_EQ(view->Page(1)->Tabular()->Columns()->rowCount(), 4);
}

// A search empties the page's list and fills it again, as the search box does. Whether the
// next search keeps the columns (same mask) or lays them out anew, the page shows the new rows,
// keeps the width the user dragged, and its row buttons play the new rows.
TEST_F(ResultViews, EachSearchShowsItsOwnRowsThroughTheSameColumnsAndButtons) {
    const struct {
        const char* name;
        bool allPitches; // of the second search; the first searches normal pitches only
        int columns;
    } cases[] = {{"same columns", false, 17}, {"pitch column added", true, 18}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        local->ClearRows(false);
        MakeView(false);
        QWindow* window = view->windowHandle();
        auto search = [&](bool allPitches, const std::string& stem, int rows) {
            view->PreparePages(true, false, allPitches);
            local->ClearRows(true);
            for (int i = 0; i < rows; ++i)
                local->InsertRow(HitFile(i + 1, "/snd/" + stem + std::to_string(i) + ".wav"),
                                 HitVariant(i + 1, 44100, 2000, 10), 0, 0, false, false);
            local->Refresh(-1);
            QCoreApplication::processEvents();
        };
        search(false, "old", 30);
        TabularColumnsCtrl* table = view->Page(1)->Tabular()->Columns();
        const int fileName = table->VisibleIndexOf(kColFileName);
        ASSERT_GE(fileName, 0);
        // The user drags the right edge of "File Name" 40 pixels to the right.
        QHeaderView* header = table->horizontalHeader();
        const int edge = header->sectionViewportPosition(fileName) + header->sectionSize(fileName) - 1;
        const QPoint from = header->mapTo(view.get(), QPoint(edge, header->height() / 2));
        const int before = header->sectionSize(fileName);
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        QTest::mouseMove(window, from + QPoint(20, 0));
        QTest::mouseMove(window, from + QPoint(40, 0));
        QTest::mouseRelease(window, Qt::LeftButton, {}, from + QPoint(40, 0));
        ASSERT_EQ(header->sectionSize(fileName), before + 40);

        search(c.allPitches, "new", 3);
        table = view->Page(1)->Tabular()->Columns();
        EXPECT_EQ(table->columnCount(), c.columns);
        ASSERT_EQ(table->rowCount(), 3);
        EXPECT_EQ(TabularCellText(local->Entry(2), kColFileName, 0), "new2.wav");
        if (!c.allPitches) {
            EXPECT_EQ(table->horizontalHeader()->sectionSize(table->VisibleIndexOf(kColFileName)),
                      before + 40);
        }
        // Play on the last row, pressed where the user sees it.
        listServices.auditioned.clear();
        TabularHeaderCtrl* strip = view->Page(1)->Tabular()->Strip();
        HeaderButtonCtrl* play = strip->GetButtonAt(0, 2);
        ASSERT_NE(play, nullptr);
        EXPECT_TRUE(play->isVisible());
        const QPoint at = play->mapTo(view.get(), play->rect().center());
        ASSERT_EQ(view->childAt(at), play);
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
        EXPECT_EQ(listServices.auditioned, std::vector<std::string>{"/snd/new2.wav"});
        // No button stands below the last row.
        const QPoint below = at + QPoint(0, 32);
        EXPECT_EQ(dynamic_cast<HeaderButtonCtrl*>(view->childAt(below)), nullptr);
        view.reset();
    }
}

TEST(SinglePageView, MainPaneShowsTheMainListWithoutScoreAndPitch) {
    ProfileFolder profile;
    RecordingListServices listServices;
    RecordingTabularServices tableServices;
    AppController controller;
    AppController* previous = theController;
    theController = &controller;
    {
        auto view = std::make_unique<SinglePageResultsView>(nullptr, &tableServices);
        view->resize(700, 400);
        view->show();
        ResultsListObj list(view->Results(), ResultsListObj::kMyTambrel, &listServices);
        controller.SetMainPanes(nullptr, view.get());
        view->AttachList(&list, MainResultsPaneLink::kHideScore | MainResultsPaneLink::kHidePitch);
        view->ShowTabular(true);
        EXPECT_EQ(view->Results()->Tabular()->Columns()->columnCount(), 17);
        list.InsertRow(HitFile(1, "/snd/a.wav"), HitVariant(1, 44100, 2000, 10), 0, 0, true, false);
        EXPECT_EQ(view->Results()->Tabular()->Columns()->rowCount(), 1);

        // The box goes through the controller, which owns "MainTabular".
        controller.MainTabular = true;
        view->TableBox()->click();
        EXPECT_FALSE(controller.MainTabular);
        EXPECT_FALSE(view->Results()->IsTabularShown());
        EXPECT_FALSE(view->TableBox()->isChecked());
        view->TableBox()->click();
        EXPECT_TRUE(controller.MainTabular);
        EXPECT_TRUE(view->Results()->IsTabularShown());
        view->DetachList();
        EXPECT_EQ(list.Window(), nullptr);
        controller.SetMainPanes(nullptr, nullptr);
    }
    theController = previous;
}

} // namespace
namespace {

// The search window's pages: arrows and the Menu key act on the rows each page shows.
TEST_F(ResultViews, KeysMoveTheSelectionOnEachPage) {
    MakeView(false);
    view->PreparePages(true, true, false);
    Fill(*local, 6);
    Fill(*web, 4);
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QWindow* window = view->windowHandle();
    for (const int page : {1, 2}) {
        SCOPED_TRACE(page);
        view->Tabs()->setCurrentIndex(page - 1);
        TabularColumnsCtrl* table = view->Page(page)->Tabular()->Columns();
        TabularHeaderCtrl* strip = view->Page(page)->Tabular()->Strip();
        int menuFor = -1;
        strip->runMenu = [&](QMenu&, const QPoint& at) {
            menuFor = table->rowAt(table->viewport()->mapFromGlobal(at).y());
            return 0;
        };
        const QRect cell = table->visualRect(
            table->model()->index(1, table->VisibleIndexOf(kColDescription)));
        QTest::mouseClick(window, Qt::LeftButton, {}, table->viewport()->mapTo(view.get(), cell.center()));
        QTest::keyClick(window, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(window, Qt::Key_Menu);
        std::vector<int> selected;
        for (int row = 0; row < table->rowCount(); ++row)
            if (table->IsRowSelected(row))
                selected.push_back(row);
        EXPECT_EQ(selected, (std::vector<int>{2, 3}));
        EXPECT_EQ(table->FocusRow(), 3);
        EXPECT_EQ(menuFor, page == 1 ? 3 : -1); // several remote rows have no menu
    }
}

} // namespace
namespace {

// A list of hits is one stop of the window's Tab chain: Tab reaches it, shows where the keys
// will act, and goes on out of it; Shift+Tab comes back.
TEST_F(ResultViews, TabPassesThroughTheTableAndItsStopShowsFocus) {
    MakeView(false);
    view->PreparePages(true, false, false);
    for (const int rows : {0, 6}) {
        SCOPED_TRACE(rows);
        Fill(*local, rows);
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        QWindow* window = view->windowHandle();
        TabularColumnsCtrl* table = view->Page(1)->Tabular()->Columns();
        view->TableBox()->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 10 && QApplication::focusWidget() != table; ++i)
            QTest::keyClick(window, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), table);
        const QImage withFocus = table->viewport()->grab().toImage();
        table->clearFocus();
        const QImage withoutFocus = table->viewport()->grab().toImage();
        table->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(withFocus != withoutFocus) << "the table shows no focus";
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), table);
        // Past the hits, not into the row buttons, the corner or the meter beside them.
        EXPECT_FALSE(view->Page(1)->Tabular()->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(window, Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), table);
        QTest::keyClick(window, Qt::Key_Backtab);
        EXPECT_NE(QApplication::focusWidget(), table);
        // Tab selected nothing on the way.
        EXPECT_EQ(table->SelectedRowCount(), 0);
        // The first arrow lands where the frame was drawn: the first row in view.
        if (rows > 0) {
            table->setFocus(Qt::TabFocusReason);
            QTest::keyClick(window, Qt::Key_Down);
            EXPECT_TRUE(table->IsRowSelected(0));
        }
    }
}

} // namespace
namespace {

// Switched to cards from the keyboard, the page's cards take the keys and show that they
// have them, as the table does; Page Down scrolls them, and Tab goes on out of them.
TEST_F(ResultViews, CardsReachedByKeysShowTheFocusAndTakeThePageKeys) {
    MakeView(false);
    view->PreparePages(true, false, false);
    Fill(*local, 12);
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QWindow* window = view->windowHandle();
    view->TableBox()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_FALSE(view->Page(1)->IsTabularShown());
    auto* cards = dynamic_cast<StackedResultsWnd*>(view->Page(1)->Stacked()->Widget());
    ASSERT_NE(cards, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), cards);
    QCoreApplication::processEvents();
    const QImage withFocus = cards->grab().toImage();
    cards->clearFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(withFocus != cards->grab().toImage()) << "the cards show no focus";
    // Back by Shift+Tab from the check box, as a user would come.
    view->TableBox()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 4 && QApplication::focusWidget() != cards; ++i)
        QTest::keyClick(window, Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), cards);
    QCoreApplication::processEvents();
    EXPECT_TRUE(withFocus == cards->grab().toImage());
    QTest::keyClick(window, Qt::Key_PageDown);
    EXPECT_EQ(cards->VerticalPosition(), cards->WindowGraphic()->height);
    QTest::keyClick(window, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), cards);
}

} // namespace
