// Both searches of a search window end to end, with a WebTambrel server that answers, or one
// that is down, silent or broken.
#include "windows/search/search_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "app/app_controller.h"
#include "app/resources.h"
#include "app/tip_wnd.h"
#include "collection/remote/web_task_manager.h"
#include "collection/search_criteria.h"
#include "platform/socket_errors.h"
#include "tests/collection/remote/scripted_server.h"
#include "tests/windows/search/search_catalog_fixture.h"
#include "windows/results/results_list.h"
#include "app/settings.h"
#include "windows/results/table_and_cards.h"
#include "windows/results/results_table.h"
#include "windows/results/results_views.h"
#include "windows/results/result_cards.h"

#include <sys/stat.h>

namespace {

TEST_P(SearchBoxTest, TextSearchFillsBothPages) {
    SearchBoxObj& box = host_->OpenText("");
    SearchFor(box, "dog");
    SearchResultsPane* pane = box.Pane();
    // The local search has run by the time the click returns; the remote one runs on.
    EXPECT_EQ(pane->PageCaption(kLocal), "MyTambrel: 2 hits");
    EXPECT_EQ(Descriptions(box.LocalList()),
              (std::vector<std::string>{"dog barking loud", "dog howling"}));
    EXPECT_EQ(Status(box, kLocal), "");
    EXPECT_EQ(pane->PageTab(kLocal), 0);
    EXPECT_EQ(pane->PageTab(kWeb), 1);
    EXPECT_EQ(pane->GetCurrentPage(), kLocal);

    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
    EXPECT_EQ(pane->PageCaption(kWeb), "WebTambrel: 3 hits");
    EXPECT_EQ(Descriptions(box.WebList()),
              (std::vector<std::string>{"dog growling", "dog sniffing", "dog whining"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(box.WebList()->Rows().Entry(i).file.path.rfind("http://127.0.0.1:9/sounds/", 0),
                  0u);
    EXPECT_EQ(Status(box, kWeb), "");
    EXPECT_TRUE(seams_.boxes.empty());

    // Words that only one side knows: each page says so in its own words.
    SearchFor(box, "thunder");
    EXPECT_EQ(pane->PageCaption(kLocal), "MyTambrel: 1 hits");
    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
    EXPECT_EQ(pane->PageCaption(kWeb), "WebTambrel: 0 hits");
    EXPECT_EQ(Status(box, kWeb), ResourceString(137));
    SearchFor(box, "cat");
    EXPECT_EQ(pane->PageCaption(kLocal), "MyTambrel: 0 hits");
    EXPECT_EQ(Status(box, kLocal), ResourceString(136));
    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
    EXPECT_EQ(pane->PageCaption(kWeb), "WebTambrel: 1 hits");

    // Enter in the "Find:" box searches too.
    SearchView* form = box.Frame()->Form();
    form->ComboBox(1005)->setCurrentText("rain");
    QTest::keyClick(form->ComboBox(1005)->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(pane->PageCaption(kLocal), "MyTambrel: 1 hits");
    EXPECT_EQ(Descriptions(box.LocalList()), (std::vector<std::string>{"rain on a roof"}));
    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));

    // Without WebTambrel chosen the local page speaks for itself.
    box.Frame()->Form()->CheckBox(1008)->setChecked(false);
    SearchFor(box, "cat");
    EXPECT_EQ(Status(box, kLocal), "No hits in MyTambrel.");
    EXPECT_EQ(pane->PageTab(kWeb), -1);
}

// What the WebTambrel page says on screen: the text of its status box when the box shows.
std::string WebPageMessage(SearchBoxObj& box) {
    QWidget* shown = box.Pane()->StatusBox(kWeb).Window();
    if (shown == nullptr || !shown->isVisible())
        return "(nothing shown)";
    return box.Pane()->StatusBox(kWeb).Text();
}

TEST_P(SearchBoxTest, AFailingServerLeavesTheLocalHitsAndAUsableWindow) {
    StopServer();
    // A failure is news, not a tip: the page says it even with tips turned off.
    TipWnd::SetShowTipsSource([] { return false; });
    struct TipsBack {
        ~TipsBack() { TipWnd::SetShowTipsSource({}); }
    } tipsBack;
    struct Case {
        const char* name;
        std::function<int()> port; // where the remote side is; keeps its server alive
        std::string text;
    };
    std::unique_ptr<ScriptedServer> scripted;
    const Case cases[] = {
        {"nothing listens", [] { return ClosedPort(); },
         FormatSocketError(kWebServerDisplayName, 10061)},
        {"never answers",
         [&] {
             scripted = std::make_unique<ScriptedServer>(std::vector<unsigned char>{},
                                                         ScriptedServer::After::StaySilent);
             return scripted->Address().port;
         },
         FormatSocketError(kWebServerDisplayName, 10060)},
        {"answers nonsense",
         [&] {
             scripted = std::make_unique<ScriptedServer>(std::vector<unsigned char>{0, 0, 0, 4},
                                                         ScriptedServer::After::Close);
             return scripted->Address().port;
         },
         FormatSocketError(kWebServerDisplayName, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host_ = std::make_unique<TestSearchHost>();
        host_->PointAt(c.port());
        SearchBoxObj& box = host_->OpenText("");
        SearchFor(box, "dog");
        EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 2 hits");
        ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
        EXPECT_EQ(box.Pane()->PageCaption(kWeb), "WebTambrel: 0 hits");
        EXPECT_EQ(Status(box, kWeb), c.text);
        // The user turns to the WebTambrel page and reads why it is empty there.
        SearchFrm* frame = box.Frame();
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        auto* tabs = frame->findChild<QTabBar*>("1341");
        ASSERT_NE(tabs, nullptr);
        const QRect tab = tabs->tabRect(box.Pane()->PageTab(kWeb));
        QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                          tabs->mapTo(frame, tab.center()));
        QCoreApplication::processEvents();
        EXPECT_EQ(box.Pane()->GetCurrentPage(), kWeb);
        EXPECT_EQ(WebPageMessage(box), c.text);
        frame->grab().save(QString("/tmp/looks_web_unreachable_%1.png").arg(&c - cases));
        // Back on MyTambrel, the local hits are there as they were.
        QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                          tabs->mapTo(frame, tabs->tabRect(box.Pane()->PageTab(kLocal)).center()));
        QCoreApplication::processEvents();
        EXPECT_EQ(box.Pane()->GetCurrentPage(), kLocal);
        EXPECT_EQ(box.LocalList()->Rows().Count(), 2);
        EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 2 hits");
        // Still usable: the next search runs.
        SearchFor(box, "rain");
        EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 1 hits");
        ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
        EXPECT_TRUE(seams_.boxes.empty());
        scripted.reset();
    }
}

TEST_P(SearchBoxTest, ClickingTheRemoteStatusBoxStopsTheRemoteSearch) {
    ScriptedServer silent({}, ScriptedServer::After::StaySilent);
    host_ = std::make_unique<TestSearchHost>();
    host_->manager.SetTimeouts({10000, 10000});
    host_->PointAt(silent.Address().port);
    SearchBoxObj& box = host_->OpenText("");
    box.Frame()->Form()->CheckBox(1007)->setChecked(false);
    SearchFor(box, "dog");
    EXPECT_EQ(box.Pane()->PageTab(kWeb), 0);
    EXPECT_EQ(box.Pane()->GetCurrentPage(), kWeb);
    EXPECT_EQ(Status(box, kWeb), ResourceString(157));
    QWidget* tip = box.Pane()->StatusBox(kWeb).Window();
    ASSERT_NE(tip, nullptr);
    QTest::mouseClick(tip, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
    EXPECT_EQ(box.Pane()->PageCaption(kWeb), "WebTambrel: 0 hits");
    EXPECT_EQ(Status(box, kWeb), ResourceString(137));
}

TEST_P(SearchBoxTest, WebTambrelAloneIsTheFirstTab) {
    SearchBoxObj& box = host_->OpenText("");
    box.Frame()->Form()->CheckBox(1007)->setChecked(false);
    SearchFor(box, "dog");
    EXPECT_EQ(box.Pane()->PageTab(kLocal), -1);
    EXPECT_EQ(box.Pane()->PageTab(kWeb), 0);
    EXPECT_EQ(box.Pane()->GetCurrentPage(), kWeb);
    EXPECT_EQ(box.LocalList()->Rows().Count(), 0); // no local query ran
    ASSERT_TRUE(PumpUntil([&] { return WebDone(box); }));
    EXPECT_EQ(box.Pane()->PageCaption(kWeb), "WebTambrel: 3 hits");
}

TEST_P(SearchBoxTest, SimilarSearchFindsTheExampleFirstFromFortyUp) {
    SoundFileObj example;
    ASSERT_TRUE(theCatalogDb->GetFileByPath(folder_.Path("dog-bark.wav"), example));
    SearchBoxObj& box = host_->OpenSimilar(example.signature);
    SearchView* form = box.Frame()->Form();
    form->CheckBox(1008)->setChecked(false);
    form->ComboBox(1190)->setCurrentText("at least");
    form->ComboBox(1191)->setCurrentText("20");
    SearchCriteria criteria;
    std::string error;
    ASSERT_TRUE(form->GetCriteria(criteria, error)) << error;
    EXPECT_EQ(criteria.scoreMin, 20);
    ASSERT_TRUE(box.Search(criteria, true, false));
    EXPECT_EQ(criteria.scoreMin, 40); // raised before the query ran
    ASSERT_TRUE(criteria.targetSignature);
    ResultsListLink* list = box.LocalList();
    ASSERT_GE(list->Rows().Count(), 1);
    EXPECT_EQ(list->Rows().Entry(0).file.path, example.path);
    EXPECT_EQ(list->Rows().Entry(0).score, 100);
    for (int i = 0; i < list->Rows().Count(); ++i)
        EXPECT_GE(list->Rows().Entry(i).score, 40) << i;
    EXPECT_EQ(box.Pane()->PageCaption(kLocal),
              "MyTambrel: " + std::to_string(list->Rows().Count()) + " hits");

    // "exactly" takes the maximum field: only the example scores 100.
    form->ComboBox(1190)->setCurrentText("exactly");
    form->ComboBox(1191)->setCurrentText("20");
    form->ComboBox(1193)->setCurrentText("100");
    SearchFor(box, "");
    ASSERT_EQ(list->Rows().Count(), 1);
    EXPECT_EQ(list->Rows().Entry(0).file.path, example.path);
}

TEST_P(SearchBoxTest, AClickOnTheLocalStatusBoxKeepsTheRowsFoundSoFar) {
    SearchBoxObj& box = host_->OpenText("");
    box.Frame()->Form()->CheckBox(1008)->setChecked(false);
    bool clicked = false;
    DuringLocalSearch(box, [&](QWidget* tip) {
        QTest::mouseClick(tip, Qt::LeftButton);
        clicked = true;
    });
    SearchFor(box, "dog rain thunder");
    ASSERT_TRUE(clicked);
    EXPECT_EQ(box.LocalList()->Rows().Count(), 1);
    EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 1 hits");
    // Unstopped, all four come.
    SearchFor(box, "dog rain thunder");
    EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 4 hits");
}

// A search over before anyone could click its status box lets no other event through once
// its hits come in: the window is painted with them after "Search Now" has returned.
TEST_P(SearchBoxTest, AQuickLocalSearchLetsNothingThroughBetweenItsHits) {
    SearchBoxObj& box = host_->OpenText("");
    SearchFrm* frame = box.Frame();
    frame->Form()->CheckBox(1008)->setChecked(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    SearchBoxObj::SetQuietSearchMs(60 * 1000);
    // Runs at every pump until the search is over, and notes a pump that came with hits in.
    bool hitsSeenDuringSearch = false;
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weak = poll;
    *poll = [&box, &hitsSeenDuringSearch, weak] {
        if (box.IsSearching() && box.LocalList()->Rows().Count() > 0)
            hitsSeenDuringSearch = true;
        if (auto self = weak.lock(); self && box.IsSearching())
            QTimer::singleShot(0, [self] { (*self)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
    frame->Form()->ComboBox(1005)->setCurrentText("dog rain thunder");
    QPushButton* now = frame->Form()->SearchButton();
    QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                      now->mapTo(frame, now->rect().center()));
    EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 4 hits");
    EXPECT_FALSE(hitsSeenDuringSearch);
}

// The cards behind the table are laid out only when the user turns to them, with the hits of
// the search before; the next search keeps the choice for the next window.
TEST_P(SearchBoxTest, CardsTurnedToAfterASearchShowItsHits) {
    WriteProfileInt("SearchTabular", 1);
    SearchBoxObj& box = host_->OpenText("");
    SearchFrm* frame = box.Frame();
    frame->Form()->CheckBox(1008)->setChecked(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    auto click = [frame](QWidget* control) {
        QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                          control->mapTo(frame, QPoint(8, control->height() / 2)));
    };
    frame->Form()->ComboBox(1005)->setCurrentText("dog rain thunder");
    click(frame->Form()->SearchButton());
    ASSERT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 4 hits");
    auto* view = dynamic_cast<MultiplePageResultsView*>(box.Pane()->Widget());
    ASSERT_NE(view, nullptr);
    ResultsWnd* page = view->Page(kLocal);
    auto* cards = dynamic_cast<StackedResultsWnd*>(page->Stacked());
    ASSERT_NE(cards, nullptr);
    EXPECT_TRUE(page->Tabular()->isVisible());
    EXPECT_FALSE(cards->isVisible());

    QCheckBox* tableBox = view->TableBox();
    ASSERT_EQ(tableBox->text(), "Show hits in a table");
    click(tableBox);
    EXPECT_FALSE(tableBox->isChecked());
    EXPECT_FALSE(page->Tabular()->isVisible());
    ASSERT_TRUE(cards->isVisible());
    ASSERT_EQ(cards->RowCount(), 4);
    const std::vector<StackedResultsRowGrf*> shown = cards->Cards();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(cards->CardForRow(0), nullptr);
    EXPECT_EQ(cards->List(), box.LocalList());

    // The next search fills the cards in view and writes the new choice.
    EXPECT_TRUE(GetSettingBool("SearchTabular"));
    frame->Form()->ComboBox(1005)->setCurrentText("dog");
    click(frame->Form()->SearchButton());
    EXPECT_EQ(cards->RowCount(), box.LocalList()->Rows().Count());
    EXPECT_GT(cards->RowCount(), 0);
    EXPECT_FALSE(GetSettingBool("SearchTabular"));
}

TEST_P(SearchBoxTest, AWindowClosedDuringTheLocalSearchGoesAfterIt) {
    SearchBoxObj& box = host_->OpenText("");
    box.Frame()->Form()->CheckBox(1008)->setChecked(false);
    QPointer<SearchFrm> frame(box.Frame());
    bool refused = false;
    bool alive = false;
    DuringLocalSearch(box, [&](QWidget*) {
        // A second start while the first one runs is refused.
        SearchCriteria again;
        refused = !box.Search(again, true, false);
        // The program closes the window, and the frame is asked to close too.
        EXPECT_TRUE(box.Close(true));
        if (frame)
            frame->close();
        alive = !frame.isNull() && host_->closed.empty();
    });
    SearchFor(box, "dog rain thunder");
    EXPECT_TRUE(refused);
    EXPECT_EQ(box.LocalList()->Rows().Count(), 1); // it stopped at the next row
    EXPECT_TRUE(alive);
    ASSERT_EQ(host_->closed.size(), 1u);
    EXPECT_EQ(host_->closed[0], &box);
    ASSERT_TRUE(PumpUntil([&] { return host_->boxes.empty() && frame.isNull(); }));
}

// Each write of the settings reaches the disk: searches that change no choice write nothing.
TEST_P(SearchBoxTest, SearchesThatChangeNoChoiceLeaveTheSettingsFileAlone) {
    SearchBoxObj& box = host_->OpenText("");
    box.Frame()->Form()->CheckBox(1008)->setChecked(false);
    SearchFor(box, "dog");
    SearchFor(box, "rain"); // the table's columns of the first search are stored by now
    const QSettings profile(QStringLiteral("Halvorine"), QStringLiteral("Corvessa Tambrel"));
    const std::string file = profile.fileName().toStdString();
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0) << file;
    SearchFor(box, "dog");
    SearchFor(box, "thunder");
    EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 1 hits");
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

// "Remove from MyTambrel" on a hit, chosen from the row's popup menu: the tab counts the rows
// that are left.
TEST_P(SearchBoxTest, RemovingAHitCountsTheRowsLeftOnItsTab) {
    AppController controller;
    AppController* previous = theController;
    theController = &controller;
    struct Restore {
        AppController* previous;
        ~Restore() { theController = previous; }
    } restore{previous};

    SearchBoxObj& box = host_->OpenText("");
    SearchFrm* frame = box.Frame();
    frame->Form()->CheckBox(1008)->setChecked(false);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    SearchFor(box, "dog rain");
    ASSERT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 3 hits");
    auto* view = dynamic_cast<MultiplePageResultsView*>(box.Pane()->Widget());
    ASSERT_NE(view, nullptr);
    TabularColumnsCtrl* table = view->Page(kLocal)->Tabular()->Columns();
    ASSERT_EQ(table->rowCount(), 3);
    const std::string removed = box.LocalList()->Rows().Entry(1).file.path;

    seams_.boxAnswer = MessageAnswer::Yes;
    bool chosen = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (action->text() == "Remove from MyTambrel") {
                QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                                  menu->actionGeometry(action).center());
                chosen = true;
            }
        if (!chosen)
            menu->close();
    });
    const QPoint onRow(table->viewport()->width() / 2,
                       table->rowViewportPosition(1) + table->rowHeight(1) / 2);
    QTest::mouseClick(frame->windowHandle(), Qt::RightButton, {},
                      table->viewport()->mapTo(frame, onRow));

    ASSERT_TRUE(chosen);
    ASSERT_EQ(seams_.boxes.size(), 1u);
    EXPECT_EQ(seams_.boxes[0].text, "Remove 1 sound(s) from MyTambrel?");
    EXPECT_FALSE(theCatalogDb->IsInCatalog(removed));
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 2 hits");
    EXPECT_EQ(view->Tabs()->tabText(box.Pane()->PageTab(kLocal)).toStdString(), "MyTambrel: 2 hits");

    // The next search counts its own hits again.
    SearchFor(box, "dog rain");
    EXPECT_EQ(box.Pane()->PageCaption(kLocal), "MyTambrel: 2 hits");
}

INSTANTIATE_ON_SQLITE(SearchBoxTest);

} // namespace
