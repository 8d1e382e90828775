// The catalog's database server goes away while the program is open and comes back: the real
// program on a PostgreSQL catalog, driven through its windows with input as the window system
// delivers it. While the server is down each action the user takes says so in one message
// box (answered as a user does, with Return), no box comes back by itself, no window hangs and
// nothing is written. Once the server is back the next search and update go on without a
// restart, and the catalog holds each file once.
//
// The environment (set by server_loss.sh): JOURNEY_SOUNDS, a folder of three sounds;
// SERVER_LOSS_POSTGRES and SERVER_LOSS_STATE, the script that halts and resumes the server
// and its cluster's state file.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "app/tambrel_app.h"
#include "collection/catalog_db.h"
#include "collection/catalog_update_item.h"
#include "program/run_program.h"
#include "tests/journey/input_driver.h"
#include "windows/category/category_tree_view.h"
#include "windows/manage/indexer_box.h"
#include "windows/manage/manage_file_panes.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_list_view.h"
#include "windows/manage/manage_window.h"
#include "windows/search/search_box.h"
#include "windows/search/search_view.h"
#include "windows/search/search_window.h"

namespace fs = std::filesystem;
using namespace input;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

struct StepFailed {
    std::string what;
};

void Check(bool ok, const std::string& what) {
    if (!ok)
        throw StepFailed{what};
    std::printf("   ok: %s\n", what.c_str());
}

void WaitOrFail(const std::function<bool()>& done, const std::string& what, int ms = 20000) {
    if (!WaitUntil(done, ms))
        throw StepFailed{"timed out waiting for " + what};
}

// Every message box the program shows, read out and answered with Return on the box's own
// window, from inside the box's loop.
class BoxReader {
public:
    BoxReader() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(ShownModal());
            if (box == nullptr || answering_)
                return;
            answering_ = true;
            texts.push_back(box->text().toStdString());
            std::printf("   box: %s\n", texts.back().c_str());
            box->activateWindow();
            WaitUntil([&] { return QApplication::activeWindow() == box; }, 2000);
            QPointer<QMessageBox> alive(box);
            QTest::keyClick(TopWindowOf(box), Qt::Key_Return);
            WaitUntil([&] { return alive == nullptr || !alive->isVisible(); }, 2000);
            answering_ = false;
        });
        timer_.start(20);
    }
    std::vector<std::string> texts;

private:
    QTimer timer_;
    bool answering_ = false;
};

class ServerLoss {
public:
    ServerLoss() : sounds_(Env("JOURNEY_SOUNDS")) {}

    int Run() {
        frame_ = theApp != nullptr ? theApp->MainFrame() : nullptr;
        if (frame_ == nullptr) {
            std::printf("FAILED: no main window\n");
            return 1;
        }
        Step("catalogue three sounds while the server runs", [this] { CatalogueThree(); });
        Step("the server stops", [this] { Server("halt"); });
        Step("Manage MyTambrel: one message, the window opens", [this] { ManageWhileDown(); });
        Step("Start Updating MyTambrel with rows: one message, the update stops",
             [this] { UpdateWhileDown(); });
        Step("Search Now: one message, no hits", [this] { SearchWhileDown(); });
        Step("rename a category: one message, the tree and the list keep the name",
             [this] { RenameWhileDown(); });
        Step("the server starts again", [this] { Server("resume"); });
        Step("the next search finds the sounds", [this] { SearchWhileUp(); });
        Step("nothing was written while the server was down", [this] { NothingWritten(); });
        Step("the next update stores each file once", [this] { UpdateWhileUp(); });
        Step("the next rename goes through", [this] { RenameWhileUp(); });
        std::printf(failures_ == 0 ? "SERVER LOSS RUN PASSED\n" : "SERVER LOSS RUN FAILED: %d\n",
                    failures_);
        return failures_;
    }

private:
    void Step(const std::string& name, const std::function<void()>& body) {
        std::printf("== %s\n", name.c_str());
        std::fflush(stdout);
        try {
            frame_->activateWindow();
            WaitUntil([&] { return QApplication::activeWindow() == frame_; }, 3000);
            body();
        } catch (const StepFailed& failed) {
            ++failures_;
            std::printf("   FAILED: %s\n", failed.what.c_str());
        }
        std::fflush(stdout);
    }

    std::string Sound(const std::string& name) const { return sounds_ + "/" + name; }

    void Server(const char* action) {
        const std::string command = "bash '" + Env("SERVER_LOSS_POSTGRES") + "' " + action + " '" +
                                    Env("SERVER_LOSS_STATE") + "'";
        Check(std::system(command.c_str()) == 0, std::string("the server's ") + action);
    }

    // One user action: the boxes it raised, once the program has settled. A box that comes
    // back after it was answered shows here as a second one.
    std::vector<std::string> Boxes(const std::function<void()>& action) {
        const size_t before = boxes_.texts.size();
        action();
        QTest::qWait(1500);
        WaitUntil([] { return ShownModal() == nullptr; }, 5000);
        QTest::qWait(500);
        return {boxes_.texts.begin() + static_cast<long>(before), boxes_.texts.end()};
    }
    void OneLostMessage(const std::vector<std::string>& boxes, const std::string& action) {
        Check(boxes.size() == 1,
              action + ": one message box (" + std::to_string(boxes.size()) + ")");
        Check(boxes[0].find("cannot be reached") != std::string::npos &&
                  boxes[0].find("changed nothing") != std::string::npos,
              action + ": the message says the server cannot be reached and nothing changed");
    }
    void NoBox(const std::vector<std::string>& boxes, const std::string& action) {
        Check(boxes.empty(), action + ": no message box (" + std::to_string(boxes.size()) + ")");
    }

    QWidget* ToolbarButton(QAction* action) {
        auto* toolbar = frame_->findChild<QToolBar*>("0xE800");
        Check(toolbar != nullptr && action != nullptr, "the toolbar and its command");
        QWidget* button = toolbar->widgetForAction(action);
        Check(button != nullptr && button->isVisible() && button->isEnabled(),
              "the toolbar button shows, enabled");
        return button;
    }
    CatalogFrm* Manage() const {
        auto* box = dynamic_cast<IndexerBoxObj*>(theController->ManageBox());
        return box != nullptr && box->Window() != nullptr
                   ? dynamic_cast<CatalogFrm*>(box->Window()->Widget())
                   : nullptr;
    }
    LocalFilesView* Tree() const {
        return dynamic_cast<LocalFilesView*>(theController->CategoryTree());
    }
    QTreeWidgetItem* TreeItemNamed(const QString& prefix) const {
        for (QTreeWidgetItemIterator it(Tree()); *it; ++it)
            if ((*it)->text(0).startsWith(prefix))
                return *it;
        return nullptr;
    }
    void ShowInTree(QTreeWidgetItem* item) {
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
        Tree()->scrollToItem(item);
        QApplication::processEvents();
    }
    // The main list shows the category's files, `rows` of them.
    static bool ListShows(const std::string& category, int rows) {
        return theController->ShownCategory() == category && theController->MainList() &&
               theController->MainList()->Rows().Count() == rows;
    }
    static int CatalogFiles() {
        int files = -1, sounds = -1;
        return theCatalogDb->GetCounts(files, sounds) ? files : -1;
    }

    void OpenManage() {
        WriteProfileString(CatalogFileTreeView::kPathKey, sounds_ + "/");
        Click(ToolbarButton(frame_->Action(cmd::kManage)));
        WaitOrFail([&] { return Manage() != nullptr && Manage()->isVisible(); }, "Manage");
    }
    // The folder's files dragged into the update list.
    void AddRows() {
        CatalogFrm* manage = Manage();
        CatalogFileListCtrl& files = manage->FileListView().List();
        WaitOrFail([&] { return files.rowCount() == 3; }, "the folder's three files");
        const QPoint first = files.visualItemRect(files.item(0, 0)).center();
        FocusByClick(files.viewport(), first);
        Key(manage, Qt::Key_A, Qt::ControlModifier);
        QWidget* table = manage->ListView().Table().viewport();
        DragBetween(files.viewport(), first, table, table->rect().center());
        WaitOrFail([&] { return manage->ListView().RowCount() == 3; }, "a row for each file");
    }
    // Selects the rows' cells in one column with the mouse, types the text, Enter.
    void TypeIntoAll(int column, const std::string& text) {
        CatalogFrm* manage = Manage();
        CatalogListCtrl& table = manage->ListView().Table();
        for (int row = 0; row < 3; ++row) {
            table.scrollToItem(table.item(row, column));
            const QRect cell = table.visualRect(table.model()->index(row, column));
            Click(table.viewport(), cell.center(), Qt::LeftButton,
                  row == 0 ? Qt::NoModifier : Qt::ControlModifier);
        }
        Type(manage, text);
        Key(manage, Qt::Key_Return);
        for (int row = 0; row < 3; ++row)
            Check(manage->ListView().Row(row)->GetColumnText(
                      static_cast<CatalogUpdateItem::Column>(column)) == text,
                  "row " + std::to_string(row) + " reads " + text);
    }
    void CloseManage() {
        CatalogFrm* manage = Manage();
        ModalAnswer question([](QWidget* dialog) { PressDialogButton(dialog, "Yes"); },
                             [](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; });
        manage->windowHandle()->close();
        WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
    }

    // --- while the server runs ---------------------------------------------------------

    void CatalogueThree() {
        OpenManage();
        AddRows();
        TypeIntoAll(CatalogUpdateItem::kClass, "Effect");
        TypeIntoAll(CatalogUpdateItem::kCategory, "Weather");
        TypeIntoAll(CatalogUpdateItem::kDescription, "gusty");
        const auto boxes = Boxes([&] { Click(&Manage()->UpdateButton()); });
        WaitOrFail([&] { return Manage()->StatusText() == "Update Completed"; },
                   "\"Update Completed\"", 120000);
        NoBox(boxes, "the first update");
        Check(CatalogFiles() == 3, "the catalog holds the three files");
        CloseManage();
        // Weather chosen in the tree: the main list shows it from here on.
        QTreeWidgetItem* weather = TreeItemNamed("Weather");
        Check(weather != nullptr, "the Weather category");
        ShowInTree(weather);
        Click(Tree()->viewport(), Tree()->visualItemRect(weather).center());
        WaitOrFail([&] { return ListShows("Weather", 3); }, "the list of Weather");
    }

    // --- while the server is down ------------------------------------------------------

    void ManageWhileDown() {
        const auto boxes = Boxes([&] { Click(ToolbarButton(frame_->Action(cmd::kManage))); });
        OneLostMessage(boxes, "Manage");
        Check(Manage() != nullptr && Manage()->isVisible(), "the Manage window shows");
        Check(Manage()->isEnabled() && ShownModal() == nullptr, "and takes input, no box up");
        WaitOrFail([&] { return Manage()->FileListView().List().rowCount() == 3; },
                   "the folder's three files listed");
    }

    void UpdateWhileDown() {
        // Adding rows reads the catalog too: at most one message for the drag.
        const auto adding = Boxes([&] { AddRows(); });
        Check(adding.size() <= 1, "adding rows: at most one message box");
        TypeIntoAll(CatalogUpdateItem::kClass, "Effect");
        TypeIntoAll(CatalogUpdateItem::kCategory, "Weather");
        TypeIntoAll(CatalogUpdateItem::kDescription, "calm");
        const auto boxes = Boxes([&] { Click(&Manage()->UpdateButton()); });
        WaitOrFail([&] { return Manage()->UpdateButton().text() == "Start Updating MyTambrel"; },
                   "the update to end");
        OneLostMessage(boxes, "Start Updating");
        const std::string status = Manage()->StatusText().toStdString();
        Check(status.rfind("Update Stopped after 1 of 3 files", 0) == 0 &&
                  status.find("1 file could not be updated") != std::string::npos,
              "the update stopped at its first row, which says it was not done: " + status);
        CatalogUpdateItem* first = Manage()->ListView().Row(0);
        Check(first->state == CatalogUpdateItem::kError, "the first row shows the failure");
        Check(Manage()->ListView().Row(1)->state != CatalogUpdateItem::kError &&
                  Manage()->ListView().Row(2)->state != CatalogUpdateItem::kError,
              "the rows not reached are as they were");
    }

    void SearchWhileDown() {
        Check(PickMenu(frame_, "Tools", "Search..."), "the menu's Search...");
        WaitOrFail([&] { return Search() != nullptr && Search()->Frame()->isVisible(); },
                   "the search window");
        SearchView* form = Search()->Frame()->Form();
        if (form->CheckBox(1008) != nullptr && form->CheckBox(1008)->isChecked())
            Click(form->CheckBox(1008)); // MyTambrel only
        FocusByClick(form->ComboBox(1005)->lineEdit());
        Type(Search()->Frame(), "gusty");
        const auto boxes = Boxes([&] { Click(form->SearchButton()); });
        WaitOrFail([&] { return !Search()->IsSearching(); }, "the search to end");
        OneLostMessage(boxes, "Search Now");
        Check(Search()->LocalList()->Rows().Count() == 0, "no hits");
        Check(form->SearchButton()->isEnabled(), "Search Now can be pressed again");
    }

    void RenameWhileDown() {
        QTreeWidgetItem* item = TreeItemNamed("Weather");
        Check(item != nullptr, "the Weather category");
        const auto boxes = Boxes([&] { RenameTo(item, "Storms"); });
        OneLostMessage(boxes, "rename");
        WaitOrFail([&] { return !Tree()->IsBusy(); }, "the tree");
        Check(TreeItemNamed("Storms") == nullptr, "no Storms category in the tree");
        Check(TreeItemNamed("Weather (3)") != nullptr, "Weather keeps its three sounds");
        Check(ListShows("Weather", 3), "the list stays on Weather and its three sounds");
        Check(Tree()->SelectedItem() == TreeItemNamed("Weather"), "Weather stays chosen");
    }

    void RenameTo(QTreeWidgetItem* item, const std::string& name) {
        LocalFilesView* tree = Tree();
        ShowInTree(item);
        Check(ClickAndPick(tree->viewport(), tree->visualItemRect(item).center(), Qt::RightButton,
                           "Rename category"),
              "the menu's Rename category");
        WaitOrFail([&] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; },
                   "the name's editor");
        Key(frame_, Qt::Key_A, Qt::ControlModifier);
        Type(frame_, name);
        Key(frame_, Qt::Key_Return);
        QTest::qWait(200);
        WaitOrFail([&] { return !tree->IsBusy(); }, "the rename");
    }

    // --- once the server is back -------------------------------------------------------

    void NothingWritten() {
        Check(CatalogFiles() == 3, "the catalog holds three files");
        for (const char* name : {"rain_light.wav", "rain_heavy.wav", "wind.wav"}) {
            SoundFileObj stored;
            Check(theCatalogDb->GetFileByPath(Sound(name), stored) &&
                      stored.description == "gusty" && stored.category == "Weather",
                  std::string(name) + " is stored as it was before the server stopped");
        }
    }

    SearchBoxObj* Search() const {
        const auto boxes = theController->SearchBoxLinks();
        return boxes.empty() ? nullptr : dynamic_cast<SearchBoxObj*>(boxes.back());
    }

    void SearchWhileUp() {
        Check(Search() != nullptr, "the search window is still open");
        SearchView* form = Search()->Frame()->Form();
        const auto boxes = Boxes([&] { Click(form->SearchButton()); });
        WaitOrFail([&] { return !Search()->IsSearching(); }, "the search to end");
        NoBox(boxes, "Search Now");
        Check(Search()->LocalList()->Rows().Count() == 3, "the three sounds are found");
    }

    void UpdateWhileUp() {
        Check(Manage() != nullptr, "Manage is still open");
        const auto boxes = Boxes([&] { Click(&Manage()->UpdateButton()); });
        WaitOrFail([&] { return Manage()->StatusText() == "Update Completed"; },
                   "\"Update Completed\"", 120000);
        NoBox(boxes, "Start Updating");
        Check(CatalogFiles() == 3, "the catalog still holds three files");
        for (const char* name : {"rain_light.wav", "rain_heavy.wav", "wind.wav"}) {
            SoundFileObj stored;
            Check(theCatalogDb->GetFileByPath(Sound(name), stored) && stored.description == "calm",
                  std::string(name) + " has its new description");
        }
        CloseManage();
    }

    void RenameWhileUp() {
        QTreeWidgetItem* item = TreeItemNamed("Weather");
        Check(item != nullptr, "the Weather category");
        const auto boxes = Boxes([&] { RenameTo(item, "Storms"); });
        NoBox(boxes, "rename");
        WaitOrFail([&] { return TreeItemNamed("Storms (3)") != nullptr; }, "Storms (3)");
        Check(ListShows("Storms", 3), "the list follows to Storms, with its three sounds");
        SoundFileObj stored;
        Check(theCatalogDb->GetFileByPath(Sound("wind.wav"), stored) && stored.category == "Storms",
              "the catalog holds the new name");
    }

    BoxReader boxes_;
    std::string sounds_;
    QPointer<CMainFrame> frame_;
    int failures_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (Env("JOURNEY_SOUNDS").empty() || Env("SERVER_LOSS_STATE").empty()) {
        std::fprintf(stderr, "run through server_loss.sh\n");
        return 2;
    }
    // Held loaded so the leak checker can name the ODBC set-up library after the driver
    // manager let go.
    dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
    int failures = -1;
    const int status = RunTambrelProgram(argc, argv, [&failures] {
        {
            ServerLoss run;
            failures = run.Run();
        }
        QCoreApplication::exit(failures == 0 ? 0 : 3);
    });
    std::printf("program exit status %d\n", status);
    if (failures < 0) {
        std::printf("SERVER LOSS FAILED: the program did not start\n");
        return 1;
    }
    return failures == 0 && status == 0 ? 0 : 1;
}
