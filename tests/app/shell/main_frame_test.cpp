// The main window: its commands as the user meets them, the panes, the tip and help pages.
#include "app/main_frame.h"

#include <QAction>
#include <QLabel>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_controller.h"
#include "app/commands.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/app/shell/shell_stand_ins.h"
#include "tests/support_qt/readable_layout.h"

namespace {

using testing::ElementsAre;

class MainFrameTest : public testing::Test {
protected:
    MainFrameTest() : factory(log) {
        previous_ = theController;
        theController = &controller;
        controller.SetToolWindowFactory(&factory);
        frame = std::make_unique<CMainFrame>(&factory);
        controller.SetMainPanes(frame->TreeLink(), frame->PaneLink());
        frame->show();
    }
    ~MainFrameTest() override {
        frame.reset();
        theController = previous_;
    }
    // The texts of a menu's items, "-" for a separator.
    std::vector<std::string> MenuItems(int index) {
        std::vector<std::string> items;
        QMenu* menu = frame->menuBar()->actions().at(index)->menu();
        for (QAction* a : menu->actions())
            items.push_back(a->isSeparator() ? "-" : a->objectName().toStdString());
        return items;
    }

    ScopedProfileFolder profile;
    ShellLog log;
    FakeFactory factory;
    AppController controller;
    std::unique_ptr<CMainFrame> frame;

private:
    AppController* previous_ = nullptr;
};

TEST_F(MainFrameTest, EveryCommandHasItsTextKeysPromptAndTip) {
    struct Case {
        int id;
        const char* text;
        std::vector<const char*> keys;
        const char* statusTip;
        const char* toolTip;
    };
    const Case cases[] = {
        {32789, "&New...\tCtrl+N", {"Ctrl+N"}, "Creates a new audio file.", "New audio file"},
        {32790, "&Open...\tCtrl+O", {"Ctrl+O"}, "Opens an existing audio file.", "Open audio file"},
        {57665, "E&xit", {}, "", ""},
        {32805, "Search...", {}, "Open a search box.", ""},
        {32817, "Manage MyTambrel...", {}, "Select audio files to add to MyTambrel", ""},
        {32832, "Validate MyTambrel...", {}, "Check all cataloged audio files.", ""},
        {32868, "Import into MyTambrel...", {}, "", ""},
        {32869, "Export from MyTambrel...", {}, "", ""},
        {57670, "&Help Topics", {"F1"}, "", ""},
        {32862, "Show Tips", {}, "Show/hide tip windows", ""},
        {32841, "&Feedback and Support", {}, "Provide suggestions or get technical support.", ""},
        {57664, "&About Corvessa Tambrel...", {}, "", ""},
        {32865, "", {"Ctrl+W"}, "", ""},
        {32818, "", {}, "Toggle columns / stacked view.", ""},
        {57634, "", {"Ctrl+C", "Ctrl+Ins"}, "", ""},
        {57637, "", {"Ctrl+V", "Shift+Ins"}, "", ""},
        {57643, "", {"Alt+Backspace", "Ctrl+Z"}, "", ""},
        {57635, "", {"Shift+Del", "Ctrl+X"}, "", ""},
        {57644, "", {"Ctrl+Y"}, "", ""},
        {57669, "", {"Shift+F1"}, "", ""},
        {57680, "", {"F6"}, "", ""},
        {57681, "", {"Shift+F6"}, "", ""},
    };
    EXPECT_EQ(CommandTable().size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QAction* action = frame->Action(c.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text().toStdString(), c.text);
        std::vector<std::string> keys;
        for (const QKeySequence& k : action->shortcuts())
            keys.push_back(k.toString(QKeySequence::PortableText).toStdString());
        EXPECT_EQ(keys, std::vector<std::string>(c.keys.begin(), c.keys.end()));
        EXPECT_EQ(action->statusTip().toStdString(), c.statusTip);
        const CommandDef* def = FindCommand(c.id);
        ASSERT_NE(def, nullptr);
        EXPECT_EQ(CommandToolTip(*def), c.toolTip);
        if (*c.toolTip != '\0') {
            EXPECT_EQ(action->toolTip().toStdString(), c.toolTip);
        }
    }
}

TEST_F(MainFrameTest, MenusAndToolbarAreLaidOutAsListed) {
    QStringList titles;
    for (QAction* a : frame->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Tools", "&Help"}));
    EXPECT_THAT(MenuItems(0), ElementsAre("32789", "32790", "-", "57665"));
    EXPECT_THAT(MenuItems(1), ElementsAre("32805", "32817", "32832", "32868", "32869"));
    EXPECT_THAT(MenuItems(2), ElementsAre("57670", "32862", "32841", "-", "57664"));

    QToolBar* bar = frame->ToolBar();
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->objectName(), "32817");
    EXPECT_EQ(bar->actions()[1]->objectName(), "32805");
    auto* manage = qobject_cast<QToolButton*>(bar->widgetForAction(bar->actions()[0]));
    auto* search = qobject_cast<QToolButton*>(bar->widgetForAction(bar->actions()[1]));
    ASSERT_TRUE(manage && search);
    EXPECT_EQ(manage->text(), " Manage MyTambrel   ");
    EXPECT_EQ(search->text(), " Search   ");
    EXPECT_EQ(manage->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_FALSE(manage->icon().isNull());
    EXPECT_FALSE(search->icon().isNull());
    EXPECT_EQ(frame->StatusText(), "For Help, press F1");
}

TEST_F(MainFrameTest, TheTreePaneStartsTwoHundredPixelsWide) {
    ASSERT_TRUE(frame->ClientCreated());
    QSplitter* splitter = frame->Splitter();
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_EQ(splitter->widget(0), frame->LeftPane());
    EXPECT_EQ(splitter->widget(1), frame->RightPane());
    EXPECT_EQ(splitter->sizes().at(0), CMainFrame::kTreeWidth);
    EXPECT_EQ(frame->windowTitle(), "Corvessa Tambrel");
}

TEST_F(MainFrameTest, CommandsReachTheControllerOrSayTheirWindowCouldNotOpen) {
    frame->RunCommand(32805);
    frame->RunCommand(32832);
    EXPECT_THAT(log.lines, ElementsAre("text search ''", "validator"));
    ASSERT_EQ(controller.SearchBoxLinks().size(), 1u);

    // A factory that makes no Manage window.
    frame->RunCommand(32817);
    EXPECT_EQ(frame->StatusText(), "The Manage MyTambrel window could not be opened.");

    const bool colours = controller.ColorWaveforms;
    frame->RunCommand(32865);
    EXPECT_NE(controller.ColorWaveforms, colours);

    QAction* tips = frame->Action(32862);
    EXPECT_TRUE(tips->isChecked());
    frame->RunCommand(32862);
    EXPECT_FALSE(controller.ShowTips);
    EXPECT_FALSE(tips->isChecked());
    frame->RunCommand(32862);
    EXPECT_TRUE(controller.ShowTips);

    QAction* tabular = frame->Action(32818);
    EXPECT_TRUE(tabular->isEnabled());
    frame->RunCommand(32818);
    EXPECT_FALSE(controller.MainTabular);
    EXPECT_FALSE(tabular->isChecked());

    FakeUiSeams seams;
    frame->RunCommand(57664);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].caption, "About Corvessa Tambrel");
    EXPECT_NE(seams.boxes[0].text.find("Version 2.31"), std::string::npos);
    // The editor's clipboard keys have nothing to act on here.
    EXPECT_FALSE(frame->Action(57634)->isEnabled());
    controller.QueryClose();
    RunPostedEvents();
}

TEST_F(MainFrameTest, ClosingIsRefusedWhileAnEditorRefuses) {
    ASSERT_TRUE(controller.OpenFile("/a.wav"));
    controller.OpenTextSearch({});
    factory.editorBoxes[0]->agrees = false;
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(controller.SearchBoxLinks().size(), 1u);
    EXPECT_THAT(log.lines, testing::Not(testing::Contains("search1 asked")));

    factory.editorBoxes[0]->agrees = true;
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(frame->isVisible());
    RunPostedEvents();
}

TEST_F(MainFrameTest, TheWindowComesBackWhereItWasClosed) {
    frame->setGeometry(40, 60, 700, 450);
    const QRect closedAt = frame->geometry();
    ASSERT_TRUE(frame->close());
    frame.reset();
    frame = std::make_unique<CMainFrame>(&factory);
    EXPECT_EQ(frame->geometry(), closedAt);
}

TEST_F(MainFrameTest, TheTipSitsOverTheResultsAndFollowsMinimising) {
    frame->resize(800, 500);
    frame->SetTip(148, nullptr, 0);
    ASSERT_TRUE(frame->Tip().HasContent());
    EXPECT_EQ(frame->Tip().Text(), "< Click on the Search button to locate audio files \nin "
                                   "MyTambrel or WebTambrel. ");
    ASSERT_NE(frame->Tip().Window(), nullptr);
    const QPoint centre = frame->RightPane()->mapToGlobal(frame->RightPane()->rect().center());
    EXPECT_TRUE(frame->Tip().Window()->geometry().contains(centre));

    frame->showMinimized();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->Tip().Window(), nullptr);
    EXPECT_TRUE(frame->Tip().HasContent());
    frame->showNormal();
    QCoreApplication::processEvents();
    EXPECT_NE(frame->Tip().Window(), nullptr);

    frame->SetTip(0, kStartTips, 3);
    EXPECT_EQ(frame->Tip().Entries().size(), 3u);
    frame->SetTip(0, nullptr, 0);
    EXPECT_FALSE(frame->Tip().HasContent());
}

TEST_F(MainFrameTest, HelpPagesOpenAsFileUrlsOfTheFolderBesideTheProgram) {
    FakeUiSeams seams;
    const QString folder = QString::fromStdString(CMainFrame::HelpFolder());
    ASSERT_EQ(folder, QCoreApplication::applicationDirPath() + "/hlp");
    const bool made = !QDir(folder).exists();
    QDir().mkpath(folder);
    const QString page = folder + "/index.htm";
    const bool wrote = !QFile::exists(page);
    if (wrote) {
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    frame->RunCommand(57670);
    ASSERT_EQ(seams.urls.size(), 1u);
    EXPECT_EQ(seams.urls[0], QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded).toStdString());
    EXPECT_EQ(seams.urls[0].rfind("file:///", 0), 0u);
    EXPECT_EQ(seams.urls[0].find("file:////"), std::string::npos);
    EXPECT_TRUE(seams.boxes.empty());

    // A missing page says so instead of opening a browser on nothing.
    frame->ShowHelpPage("no-such-page.htm");
    EXPECT_EQ(seams.urls.size(), 1u);
    ASSERT_EQ(seams.boxes.size(), 1u);
    EXPECT_EQ(seams.boxes[0].text,
              "Could not find the help page " + (folder + "/no-such-page.htm").toStdString());
    if (wrote)
        QFile::remove(page);
    if (made)
        QDir(folder).removeRecursively();
}

TEST_F(MainFrameTest, AtItsSmallestSizeNothingOverlapsOrIsCutShort) {
    frame->SetStatusText(kIdlePromptText);
    frame->resize(1, 1);
    QCoreApplication::processEvents();
    EXPECT_THAT(OverlappingControls(*frame), testing::IsEmpty());
    std::vector<const QWidget*> controls;
    for (const QLabel* label : frame->statusBar()->findChildren<QLabel*>())
        controls.push_back(label);
    EXPECT_THAT(TextsCutShort(controls), testing::IsEmpty());
    // Both panes keep a few lines and a few words.
    auto* splitter = frame->findChild<QSplitter*>("0xE900");
    ASSERT_NE(splitter, nullptr);
    const QFontMetrics metrics(frame->font());
    for (int i = 0; i < splitter->count(); ++i) {
        SCOPED_TRACE(WidgetName(splitter->widget(i)));
        EXPECT_GE(splitter->widget(i)->height(), 3 * metrics.height());
        EXPECT_GE(splitter->widget(i)->width(), 8 * metrics.averageCharWidth());
    }
    // The menus stay on one line.
    EXPECT_LE(frame->menuBar()->heightForWidth(frame->menuBar()->width()),
              frame->menuBar()->height());
}

} // namespace
