// Every command a user can reach, pressed as the window system delivers input: one table of
// rows, grouped by window, each with its input and the effect a user sees. The real program
// runs (its own start-up, controller and windows) on a catalog and sounds of the run's own;
// rows run in order and build on each other as a user's work does (Manage fills the catalog
// that the tree, the results and the editor then show).
//
// The environment (set by commands.sh): JOURNEY_SOUNDS, a folder of sound files;
// JOURNEY_WORK, a folder for the run's files.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QMessageBox>
#include <QPointer>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QWhatsThis>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "program/run_program.h"
#include "app/settings.h"
#include "app/tambrel_app.h"
#include "audio/general_helpers.h"
#include "app/ui_seams.h"
#include "app/validator_dlg.h"
#include "collection/catalog_db.h"
#include "collection/catalog_update_item.h"
#include "editor/window/audio_file_frm.h"
#include "editor/window/audio_file_view.h"
#include "editor/window/property_box.h"
#include "editor/widgets/icon_button.h"
#include "tests/journey/input_driver.h"
#include "tests/support_qt/qt_warnings.h"
#include "windows/category/category_tree_view.h"
#include "windows/manage/indexer_box.h"
#include "windows/manage/manage_file_panes.h"
#include "windows/manage/manage_window.h"
#include "windows/manage/manage_list_ctrl.h"
#include "windows/manage/manage_list_view.h"
#include "windows/results/results_list.h"
#include "windows/results/results_views.h"
#include "windows/results/table_and_cards.h"
#include "windows/search/search_box.h"
#include "windows/search/search_window.h"
#include "windows/search/search_results_pane.h"
#include "windows/search/search_view.h"
#include "windows/results/result_card_painting.h"
#include "windows/results/result_cards.h"
#include "windows/results/results_table.h"

namespace fs = std::filesystem;
using namespace input;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Qt's own boxes and file dialogs answer the rows; only the desktop's URL handler is kept
// out of the run (it would start a browser), and what it was handed is recorded.
class RecordingUrls : public UiSeams {
public:
    RecordingUrls() : qt_(CurrentUiSeams()) { InstallUiSeams(this); }
    ~RecordingUrls() override { InstallUiSeams(nullptr); }
    MessageAnswer MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                             MessageButtons buttons, MessageIcon icon) override {
        return qt_.MessageBox(owner, text, caption, buttons, icon);
    }
    MessageAnswer MessageBoxWithDefault(QWidget* owner, const std::string& text,
                                        const std::string& caption, MessageButtons buttons,
                                        MessageIcon icon,
                                        std::optional<MessageAnswer> defaultButton) override {
        return qt_.MessageBoxWithDefault(owner, text, caption, buttons, icon, defaultButton);
    }
    bool FileDialog(QWidget* owner, FileDialogRequest& request) override {
        return qt_.FileDialog(owner, request);
    }
    bool FolderDialog(QWidget* owner, const std::string& title, std::string& folder) override {
        return qt_.FolderDialog(owner, title, folder);
    }
    bool OpenUrl(const std::string& url) override {
        urls.push_back(url);
        return true;
    }
    std::vector<std::string> urls;

private:
    UiSeams& qt_;
};

struct RowFailed {
    std::string what;
};

void Check(bool ok, const std::string& what) {
    if (!ok)
        throw RowFailed{what};
}
void WaitOrFail(const std::function<bool()>& done, const std::string& what, int ms = 10000) {
    Check(WaitUntil(done, ms), "timed out waiting for " + what);
}

// One command: the window it lives in, what the user does and what the user then sees.
struct CommandRow {
    const char* window;
    const char* command;
    const char* input;
    const char* effect;
    std::function<void()> run;
};

class CommandRun {
public:
    CommandRun() : sounds_(Env("JOURNEY_SOUNDS")), work_(Env("JOURNEY_WORK")) {}

    int Run() {
        frame_ = theApp != nullptr ? theApp->MainFrame() : nullptr;
        if (frame_ == nullptr) {
            std::printf("FAILED: no main window\n");
            return 1;
        }
        frame_->activateWindow();
        WaitUntil([&] { return QApplication::activeWindow() == frame_; }, 3000);
        // A box no row expected would stop the run: it is read out, counted and answered.
        QTimer watchdog;
        QElapsedTimer modalShown;
        QPointer<QWidget> lastModal;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            QWidget* modal = ShownModal();
            if (modal != lastModal) {
                lastModal = modal;
                modalShown.start();
                return;
            }
            if (modal == nullptr || modalShown.elapsed() < 6000)
                return;
            auto* box = qobject_cast<QMessageBox*>(modal);
            unexpected_.push_back(modal->windowTitle().toStdString() + ": " +
                                  (box != nullptr ? box->text().toStdString() : std::string()));
            std::printf("         (an unexpected \"%s\" closed)\n", unexpected_.back().c_str());
            if (!PressDialogButton(modal, "Cancel") && !PressDialogButton(modal, "No") &&
                !PressDialogButton(modal, "OK"))
                modal->close();
        });
        watchdog.start(500);
        const std::vector<CommandRow> rows = Rows();
        int failed = 0;
        const std::vector<std::string> startup = TakeQtWarnings();
        if (!startup.empty()) {
            ++failed;
            std::printf("FAILED: the toolkit warned as the program started:\n%s",
                        DescribeQtWarnings(startup).c_str());
        }
        for (const CommandRow& row : rows) {
            std::string failure;
            // Each row starts where a user would: back in the main window.
            frame_->activateWindow();
            WaitUntil([&] { return QApplication::activeWindow() == frame_; }, 3000);
            try {
                row.run();
            } catch (const RowFailed& f) {
                failure = f.what;
            }
            // A row that left a box or dialog up would block the next: answer it away.
            CloseStrayModals();
            // The toolkit warns of a fault of ours; the row that caused it fails.
            const std::vector<std::string> warnings = TakeQtWarnings();
            if (!warnings.empty() && failure.empty())
                failure = "the toolkit warned:\n" + DescribeQtWarnings(warnings);
            if (failure.empty()) {
                std::printf("ok     | %-14s | %-32s | %-34s | %s\n", row.window, row.command,
                            row.input, row.effect);
            } else {
                ++failed;
                std::printf("FAILED | %-14s | %-32s | %-34s | %s\n         %s\n", row.window,
                            row.command, row.input, row.effect, failure.c_str());
            }
            std::fflush(stdout);
        }
        failed += static_cast<int>(unexpected_.size());
        const std::vector<std::string> late = TakeQtWarnings();
        if (!late.empty()) {
            ++failed;
            std::printf("FAILED: the toolkit warned after the rows:\n%s",
                        DescribeQtWarnings(late).c_str());
        }
        std::printf("%zu commands, %d failed, %zu unexpected boxes\n", rows.size(), failed,
                    unexpected_.size());
        return failed;
    }

private:
    // --- what the rows share -----------------------------------------------------------

    std::string Sound(const std::string& name) const { return sounds_ + "/" + name; }

    static void CloseStrayModals() {
        for (int i = 0; i < 5; ++i) {
            QWidget* modal = ShownModal();
            if (modal == nullptr)
                return;
            std::printf("         (a stray \"%s\" was left up: closed)\n",
                        modal->windowTitle().toStdString().c_str());
            if (!PressDialogButton(modal, "Cancel") && !PressDialogButton(modal, "No") &&
                !PressDialogButton(modal, "OK"))
                modal->close();
            QTest::qWait(50);
        }
    }

    // Clicks the control while a modal answer waits for the window it opens.
    void ClickAnswering(QWidget* control, const std::function<void(QWidget*)>& answer,
                        const std::string& what) {
        ModalAnswer modal(answer);
        Click(control);
        WaitOrFail([&] { return modal.seen; }, what);
    }
    void KeyAnswering(QWidget* window, Qt::Key key, Qt::KeyboardModifiers mods,
                      const std::function<void(QWidget*)>& answer, const std::string& what) {
        ModalAnswer modal(answer);
        Key(window, key, mods);
        WaitOrFail([&] { return modal.seen; }, what);
    }
    void MenuAnswering(const QString& menu, const QString& entry,
                       const std::function<void(QWidget*)>& answer, const std::string& what) {
        ModalAnswer modal(answer, [](QWidget* w) { return qobject_cast<QMessageBox*>(w) == nullptr; });
        Check(PickMenu(frame_, menu, entry), "the menu entry " + entry.toStdString());
        WaitOrFail([&] { return modal.seen; }, what);
    }
    static std::function<void(QWidget*)> Press(const QString& button) {
        return [button](QWidget* dialog) {
            if (!PressDialogButton(dialog, button))
                std::printf("         (no \"%s\" on \"%s\")\n", button.toStdString().c_str(),
                            dialog->windowTitle().toStdString().c_str());
        };
    }
    // A file dialog: the name typed into its name field, then Enter.
    static std::function<void(QWidget*)> ChooseFile(const std::string& path) {
        return [path](QWidget* dialog) {
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (name == nullptr) {
                dialog->close();
                return;
            }
            FocusByClick(name);
            Key(dialog, Qt::Key_A, Qt::ControlModifier);
            Type(dialog, path);
            Key(dialog, Qt::Key_Return);
        };
    }
    // A name dialog: the name typed into its field, then OK.
    static std::function<void(QWidget*)> TypeName(const std::string& text) {
        return [text](QWidget* dialog) {
            if (auto* edit = dialog->findChild<QLineEdit*>(); edit != nullptr)
                FocusByClick(edit);
            Type(dialog, text);
            PressDialogButton(dialog, "OK");
        };
    }
    // A folder dialog: the folder typed into its name field, then its Choose button (Enter
    // there goes to the completer's list of names).
    static std::function<void(QWidget*)> ChooseFolder(const std::string& path) {
        return [path](QWidget* dialog) {
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            QPushButton* choose = buttons != nullptr ? buttons->button(QDialogButtonBox::Open) : nullptr;
            if (name == nullptr || choose == nullptr) {
                dialog->close();
                return;
            }
            FocusByClick(name);
            Key(dialog, Qt::Key_A, Qt::ControlModifier);
            Type(dialog, path);
            // The first click may only close the completer's list of names.
            Click(choose);
            if (dialog->isVisible())
                Click(choose);
        };
    }
    static std::function<void(QWidget*)> CancelByEscape() {
        return [](QWidget* dialog) { Key(dialog, Qt::Key_Escape); };
    }

    QWidget* ToolbarButton(QWidget* window, const char* toolbarName, QAction* action) {
        auto* toolbar = window->findChild<QToolBar*>(toolbarName);
        Check(toolbar != nullptr && action != nullptr, "the toolbar and its command");
        QWidget* button = toolbar->widgetForAction(action);
        Check(button != nullptr && button->isVisible() && button->isEnabled(),
              "the toolbar button " + action->iconText().toStdString() + " shows, enabled");
        return button;
    }

    // Windows of the program that show now.
    std::vector<PropertyBoxObj*> Editors() const {
        std::vector<PropertyBoxObj*> out;
        for (EditorBoxLink* link : theController->EditorBoxes())
            if (auto* box = dynamic_cast<PropertyBoxObj*>(link); box != nullptr && box->frame)
                out.push_back(box);
        return out;
    }
    size_t EditorCount() const { return theController->EditorBoxes().size(); }
    SearchBoxObj* LastSearch() const {
        const auto boxes = theController->SearchBoxLinks();
        return boxes.empty() ? nullptr : dynamic_cast<SearchBoxObj*>(boxes.back());
    }
    CatalogFrm* Manage() const {
        auto* box = dynamic_cast<IndexerBoxObj*>(theController->ManageBox());
        return box != nullptr && box->Window() != nullptr
                   ? dynamic_cast<CatalogFrm*>(box->Window()->Widget())
                   : nullptr;
    }
    // Opens Manage by its toolbar button, on the sounds' folder as the user left it last time.
    CatalogFrm* OpenManage() {
        WriteProfileString(CatalogFileTreeView::kPathKey, sounds_ + "/");
        Click(ToolbarButton(frame_, "0xE800", frame_->Action(cmd::kManage)));
        WaitOrFail([&] { return Manage() != nullptr && Manage()->isVisible(); }, "Manage");
        return Manage();
    }
    static int CatalogFiles() {
        int files = -1, sounds = -1;
        return theCatalogDb != nullptr && theCatalogDb->GetCounts(files, sounds) ? files : -1;
    }
    // Closes a window as its title bar's close button does, answering a question with `answer`.
    static void CloseWindow(QWidget* window, const QString& answer = "No") {
        QPointer<QWidget> alive(window);
        ModalAnswer question(Press(answer));
        window->windowHandle()->close();
        WaitUntil([&] { return alive == nullptr || !alive->isVisible(); }, 10000);
    }

    SinglePageResultsView* MainPane() const {
        return dynamic_cast<SinglePageResultsView*>(theController->MainPane());
    }
    ResultsListObj* MainList() const { return dynamic_cast<ResultsListObj*>(theController->MainList()); }
    LocalFilesView* Tree() const { return dynamic_cast<LocalFilesView*>(theController->CategoryTree()); }

    void ClickTreeItem(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton) {
        LocalFilesView* tree = Tree();
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
        tree->scrollToItem(item);
        QApplication::processEvents();
        Click(tree->viewport(), tree->visualItemRect(item).center(), button);
    }
    QTreeWidgetItem* TreeItemNamed(const QString& prefix) const {
        LocalFilesView* tree = Tree();
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->text(0).startsWith(prefix))
                return *it;
        return nullptr;
    }
    // Shows the sounds of the "Weather" category in the main window.
    void ShowWeather() {
        // A second click on the shown category lists it again, and the rows' buttons are
        // made anew: a user looking at it would not click again.
        if (theController->ShownCategory() == "Weather" && theController->ShownSubCategory().empty() &&
            MainList() != nullptr && MainList()->Count() >= 2)
            return;
        QTreeWidgetItem* weather = TreeItemNamed("Weather");
        Check(weather != nullptr, "the tree shows the Weather category");
        ClickTreeItem(weather);
        WaitOrFail([&] {
            return theController->ShownCategory() == "Weather" && MainList() != nullptr &&
                   MainList()->Count() >= 2;
        }, "the Weather sounds in the main list");
        QTest::qWait(50);
    }
    void ShowTable(bool table) {
        SinglePageResultsView* pane = MainPane();
        if (pane->Results()->IsTabularShown() != table)
            Click(pane->TableBox());
        WaitOrFail([&] { return pane->Results()->IsTabularShown() == table; },
                   table ? "the table" : "the cards");
    }
    HeaderButtonCtrl* RowButton(int column, int row) {
        ShowTable(true);
        HeaderButtonCtrl* button = MainPane()->Results()->Tabular()->Strip()->GetButtonAt(column, row);
        Check(button != nullptr && button->isVisible(), "the row's button shows");
        return button;
    }
    StackedResultsWnd* Cards() {
        ShowTable(false);
        auto* cards = MainPane()->Results()->findChild<StackedResultsWnd*>();
        Check(cards != nullptr && cards->isVisible(), "the cards show");
        return cards;
    }
    void ClickCardButton(CGP_Graphic* node) {
        StackedResultsWnd* cards = Cards();
        int x = node->width / 2, y = node->height / 2;
        node->LocalToWindow(x, y);
        Click(cards->viewport(), QPoint(x, y));
    }

    // The input opens a search window; `check` looks at it once its search ended, and the
    // window's close button closes it again.
    void OpensSearchWindow(const std::function<void()>& input,
                           const std::function<void(SearchBoxObj*)>& check = {}) {
        const size_t before = theController->SearchBoxLinks().size();
        input();
        WaitOrFail([&] { return theController->SearchBoxLinks().size() == before + 1; },
                   "a search window");
        SearchBoxObj* box = LastSearch();
        WaitOrFail([&] { return !box->IsSearching(); }, "its search to end");
        if (check)
            check(box);
        CloseWindow(box->Frame());
        WaitOrFail([&] { return theController->SearchBoxLinks().size() == before; },
                   "the search window to close");
    }
    // The same for an editor window; a question on close is answered No.
    void OpensEditor(const std::function<void()>& input,
                     const std::function<void(PropertyBoxObj*)>& check = {}) {
        const size_t before = EditorCount();
        input();
        WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor");
        PropertyBoxObj* box = Editors().back();
        if (check)
            check(box);
        CloseWindow(box->frame, "No");
        WaitOrFail([&] { return EditorCount() == before; }, "the editor to close");
    }

    PropertyBoxObj* OpenEditorOn(const std::string& path) {
        const size_t before = EditorCount();
        Check(theController->OpenFile(path), "the file opens");
        WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor");
        PropertyBoxObj* box = Editors().back();
        WaitOrFail([&] { return box->frame->isVisible(); }, "the editor to show");
        box->frame->activateWindow();
        WaitUntil([&] { return QApplication::activeWindow() == box->frame; }, 3000);
        return box;
    }
    PropertyBoxObj* Editor() {
        if (editor_ == nullptr || editor_->frame == nullptr) {
            const std::string copy = work_ + "/edited.wav";
            fs::copy_file(Sound("chirp.wav"), copy, fs::copy_options::overwrite_existing);
            editor_ = OpenEditorOn(copy);
        }
        editor_->frame->activateWindow();
        WaitUntil([&] { return QApplication::activeWindow() == editor_->frame; }, 3000);
        return editor_;
    }
    QWidget* Wave() {
        QWidget* wave = Editor()->frame->View()->findChild<QWidget*>("waveform");
        Check(wave != nullptr && wave->isVisible(), "the waveform shows");
        return wave;
    }
    // A selection dragged over the middle fifth of the waveform.
    void SelectMiddle() {
        QWidget* wave = Wave();
        const int y = wave->height() / 2;
        // A press inside a selection would drag the selection's sound: clear it first.
        Click(wave, QPoint(wave->width() / 10, y));
        Drag(wave, QPoint(wave->width() * 2 / 5, y), QPoint(wave->width() * 3 / 5, y));
        Check(Editor()->app.SelectionFrameCount(false) > 0, "a selection dragged on the waveform");
    }
    QWidget* EditorButton(int id) {
        QWidget* button = Editor()->frame->View()->Control(id);
        Check(button != nullptr && button->isVisible() && button->isEnabled(),
              "the editor's button " + std::to_string(id) + " shows, enabled");
        return button;
    }
    // An editor on four short beeps, opened through File > Open, the first beep selected.
    PropertyBoxObj* Beeps() {
        if (beeps_ == nullptr || beeps_->frame == nullptr) {
            const size_t before = EditorCount();
            MenuAnswering("File", "Open...", ChooseFile(work_ + "/beeps.wav"), "the Open dialog");
            WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor on the beeps");
            beeps_ = Editors().back();
            WaitOrFail([&] { return beeps_->frame->isVisible(); }, "the editor to show");
            QWidget* wave = beeps_->frame->View()->findChild<QWidget*>("waveform");
            Check(wave != nullptr, "its waveform");
            const int y = wave->height() / 2;
            Drag(wave, QPoint(wave->width() / 100 + 1, y), QPoint(wave->width() * 8 / 100, y));
            Check(beeps_->app.SelectionFrameCount(false) > 0, "the first beep selected");
        }
        beeps_->frame->activateWindow();
        WaitUntil([&] { return QApplication::activeWindow() == beeps_->frame; }, 3000);
        return beeps_;
    }
    QWidget* BeepsButton(int id) {
        QWidget* button = Beeps()->frame->View()->Control(id);
        Check(button != nullptr && button->isVisible(), "the editor's button " + std::to_string(id));
        return button;
    }
    std::string Moved() const { return work_ + "/moved"; }
    // The missing file a "File Not Found" question names.
    static std::string MissingPath(QWidget* dialog) {
        for (QLabel* label : dialog->findChildren<QLabel*>())
            if (label->text().startsWith('/'))
                return label->text().toStdString();
        return {};
    }
    // Tools > Validate MyTambrel..., `inside` run in the dialog, then its Close.
    void RunValidator(const std::function<void(QWidget*)>& inside) {
        ModalAnswer dialog([&](QWidget* d) {
            inside(d);
            WaitUntil([&] { return ButtonIn(d, "Close") != nullptr && ButtonIn(d, "Close")->isEnabled(); },
                      10000);
            PressDialogButton(d, "Close");
        }, [](QWidget* d) { return d->windowTitle() == "Validate MyTambrel"; });
        Check(PickMenu(frame_, "Tools", "Validate MyTambrel..."), "the menu entry");
        WaitOrFail([&] { return dialog.seen; }, "the validation dialog");
        WaitOrFail([&] { return ShownModal() == nullptr; }, "the dialog to close");
    }
    // The sound's length in ms.
    long long Frames() { return std::llround(Editor()->app.GetDuration() * 1000.0); }
    void EditorKey(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        Wave()->setFocus(Qt::MouseFocusReason);
        Key(Editor()->frame, key, mods);
    }

    // --- the rows ----------------------------------------------------------------------

    std::vector<CommandRow> Rows() {
        std::vector<CommandRow> rows;
        auto add = [&rows](const char* window, const char* command, const char* in,
                           const char* effect, std::function<void()> run) {
            rows.push_back({window, command, in, effect, std::move(run)});
        };

        // The main window's menus, keys and toolbar.
        add("main", "File > New...", "menu click, Cancel", "no editor opens", [this] {
            const size_t before = EditorCount();
            MenuAnswering("File", "New...", Press("Cancel"), "the New dialog");
            Check(EditorCount() == before, "no editor after Cancel");
        });
        add("main", "File > New...", "Ctrl+N, OK", "an editor on a new sound", [this] {
            const size_t before = EditorCount();
            KeyAnswering(frame_, Qt::Key_N, Qt::ControlModifier, Press("OK"), "the New dialog");
            WaitOrFail([&] { return EditorCount() == before + 1; }, "a new editor");
            PropertyBoxObj* box = Editors().back();
            Check(QString::fromStdString(box->frame->windowTitle().toStdString()).startsWith("new"),
                  "the editor's title names a new file: " + box->frame->windowTitle().toStdString());
            CloseWindow(box->frame, "No");
            WaitOrFail([&] { return EditorCount() == before; }, "the editor to close");
        });
        add("main", "File > Open...", "menu click, name typed, Enter", "an editor on the file", [this] {
            OpensEditor([&] {
                MenuAnswering("File", "Open...", ChooseFile(Sound("wind.wav")), "the Open dialog");
            }, [&](PropertyBoxObj* box) {
                Check(box->frame->windowTitle().startsWith("wind.wav"),
                      "its title: " + box->frame->windowTitle().toStdString());
            });
        });
        add("main", "File > Open...", "Ctrl+O, Escape", "no editor opens", [this] {
            const size_t before = EditorCount();
            KeyAnswering(frame_, Qt::Key_O, Qt::ControlModifier, CancelByEscape(), "the Open dialog");
            Check(EditorCount() == before, "no editor after Escape");
        });
        add("main", "Help > Help Topics", "menu click", "the help index opens", [this] {
            urls_.urls.clear();
            Check(PickMenu(frame_, "Help", "Help Topics"), "the menu entry");
            Check(urls_.urls.size() == 1 && urls_.urls[0].find("index.htm") != std::string::npos,
                  "the help index was handed to the browser");
        });
        add("main", "Help > Help Topics", "F1", "the help index opens", [this] {
            urls_.urls.clear();
            Key(frame_, Qt::Key_F1);
            Check(urls_.urls.size() == 1 && urls_.urls[0].find("index.htm") != std::string::npos,
                  "the help index was handed to the browser");
        });
        add("main", "Help > Feedback and Support", "menu click", "the support page opens", [this] {
            urls_.urls.clear();
            Check(PickMenu(frame_, "Help", "Feedback and Support"), "the menu entry");
            Check(urls_.urls.size() == 1 &&
                      urls_.urls[0].find("introduction.htm") != std::string::npos,
                  "the support page was handed to the browser");
        });
        add("main", "Help > Show Tips", "menu click twice", "tips off, then on again", [this] {
            const bool before = theController->ShowTips;
            Check(PickMenu(frame_, "Help", "Show Tips"), "the menu entry");
            Check(theController->ShowTips == !before, "tips switched");
            Check(frame_->Action(cmd::kShowTips)->isChecked() == !before, "the menu's check follows");
            Check(PickMenu(frame_, "Help", "Show Tips"), "the menu entry again");
            Check(theController->ShowTips == before, "tips back");
        });
        add("main", "Help > About", "menu click, OK", "the About box, closed by OK", [this] {
            ModalAnswer about(Press("OK"));
            Check(PickMenu(frame_, "Help", "About Corvessa Tambrel..."), "the menu entry");
            Check(about.seen && about.title == "About Corvessa Tambrel", "the About box: " + about.title);
            Check(ShownModal() == nullptr, "the box is gone");
        });
        add("main", "Ctrl+W", "key twice", "waveforms plain, then coloured", [this] {
            const bool before = theController->ColorWaveforms;
            Key(frame_, Qt::Key_W, Qt::ControlModifier);
            Check(theController->ColorWaveforms == !before, "the colouring switched");
            Key(frame_, Qt::Key_W, Qt::ControlModifier);
            Check(theController->ColorWaveforms == before, "and back");
        });
        add("main", "Shift+F1", "key, Escape", "the pointer asks which control to explain", [this] {
            Key(frame_, Qt::Key_F1, Qt::ShiftModifier);
            Check(QWhatsThis::inWhatsThisMode(), "the help pointer");
            Key(frame_, Qt::Key_Escape);
            Check(!QWhatsThis::inWhatsThisMode(), "Escape leaves it");
        });
        add("main", "F6, Shift+F6", "keys", "the keyboard moves between the panes", [this] {
            QWidget* left = frame_->findChild<QWidget*>("LeftPane");
            QWidget* right = frame_->findChild<QWidget*>("RightPane");
            Check(left != nullptr && right != nullptr, "the two panes");
            Tree()->setFocus(Qt::MouseFocusReason);
            Key(frame_, Qt::Key_F6);
            QWidget* focus = QApplication::focusWidget();
            Check(focus != nullptr && right->isAncestorOf(focus), "F6 moved to the results");
            Key(frame_, Qt::Key_F6, Qt::ShiftModifier);
            focus = QApplication::focusWidget();
            Check(focus != nullptr && (left == focus || left->isAncestorOf(focus)),
                  "Shift+F6 moved back to the tree");
        });
        add("main", "Tools > Search...", "menu click", "a Text Search window", [this] {
            OpensSearchWindow([&] {
            Check(PickMenu(frame_, "Tools", "Search..."), "the menu entry");
            }, [&](SearchBoxObj* box) {
                Check(box->Frame()->isVisible() && box->Frame()->windowTitle().contains("Search"),
                      "it shows: " + box->Frame()->windowTitle().toStdString());
            });
        });
        add("main", "Search (toolbar)", "click", "a Text Search window", [this] {
            OpensSearchWindow([&] {
            Click(ToolbarButton(frame_, "0xE800", frame_->Action(cmd::kSearch)));
            });
        });
        add("main", "Tools > Manage MyTambrel...", "menu click", "the Manage window", [this] {
            Check(PickMenu(frame_, "Tools", "Manage MyTambrel..."), "the menu entry");
            WaitOrFail([&] { return Manage() != nullptr && Manage()->isVisible(); }, "Manage");
            CloseWindow(Manage());
            WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
        });

        // Manage: files chosen in its file panes, categories typed, the update.
        // First by keys alone: opened from the menu, a file added, Tab round the panes and
        // the button, a drop-down cell chosen; then closed unsaved.
        add("manage", "Alt+T, Down, Enter", "keys in the main window",
            "Manage takes the arrow keys in its tree", [this] {
                WriteProfileString(CatalogFileTreeView::kPathKey, sounds_ + "/");
                Key(frame_, Qt::Key_T, Qt::AltModifier);
                WaitOrFail([] { return QApplication::activePopupWidget() != nullptr; }, "the Tools menu");
                Key(frame_, Qt::Key_Down);
                Key(frame_, Qt::Key_Return);
                WaitOrFail([&] { return Manage() != nullptr && QApplication::activeWindow() == Manage(); },
                           "Manage to show with the keyboard");
                CatalogFrm* manage = Manage();
                QTreeWidget& tree = manage->TreeView().Tree();
                Check(QApplication::focusWidget() == &tree, "the keyboard is in the folder tree");
                QTreeWidgetItem* sounds = tree.currentItem();
                Check(sounds != nullptr, "the sounds' folder is the tree's current item");
                Key(manage, Qt::Key_Up);
                Check(tree.currentItem() != sounds, "Up moves in the tree");
                Key(manage, Qt::Key_Down);
                Check(tree.currentItem() == sounds, "Down moves back");
            });
        add("manage", "Tab, Shift+Tab", "keys", "round the panes and \"Start Updating MyTambrel\"",
            [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr, "Manage shows");
                CatalogFileListCtrl& files = manage->FileListView().List();
                CatalogListCtrl& table = manage->ListView().Table();
                auto focus = [] { return QApplication::focusWidget(); };
                // Back to the Manage window as the window manager's keys bring it: the
                // keyboard is where it was left, in the tree.
                manage->activateWindow();
                WaitOrFail([&] { return QApplication::activeWindow() == manage; }, "Manage active");
                Check(focus() == &manage->TreeView().Tree(), "the keyboard is in the folder tree");
                WaitOrFail([&] { return files.rowCount() > 0; }, "the folder's files");
                Key(manage, Qt::Key_Tab);
                Check(focus() == &files, "Tab: the file list");
                Key(manage, Qt::Key_Down);
                Key(manage, Qt::Key_Return);
                WaitOrFail([&] { return manage->ListView().RowCount() == 1; }, "Enter adds the file");
                Check(focus() == &table, "the new row's table has the keyboard");
                Key(manage, Qt::Key_Tab);
                Check(focus() == &manage->UpdateButton() &&
                          manage->UpdateButton().text() == "Start Updating MyTambrel",
                      "Tab: \"Start Updating MyTambrel\"");
                Key(manage, Qt::Key_Tab);
                Check(focus() == &manage->TreeView().Tree(), "Tab: the folder tree");
                Key(manage, Qt::Key_Tab, Qt::ShiftModifier);
                Check(focus() == &manage->UpdateButton(), "Shift+Tab: the button");
                Key(manage, Qt::Key_Tab, Qt::ShiftModifier);
                Check(focus() == &table, "Shift+Tab: the table");
                Check(table.GetCurrentRow() == 0 && table.CurrentColumn() == CatalogUpdateItem::kAction,
                      "come in by the keyboard, its first cell to edit is current");
                // Back along the row: Status, File Name, then out.
                Key(manage, Qt::Key_Tab, Qt::ShiftModifier);
                Key(manage, Qt::Key_Tab, Qt::ShiftModifier);
                Check(focus() == &table && table.CurrentColumn() == CatalogUpdateItem::kFileName,
                      "Shift+Tab twice: the row's first cell");
                Key(manage, Qt::Key_Tab, Qt::ShiftModifier);
                Check(focus() == &files, "Shift+Tab: the file list");
            });
        add("manage", "Enter on a drop-down cell", "click a Key cell, Enter, Down, Enter",
            "editing with the list closed, the key chosen", [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr && manage->ListView().RowCount() == 1, "Manage with one row");
                CatalogListCtrl& table = manage->ListView().Table();
                const QModelIndex cell = table.model()->index(0, CatalogUpdateItem::kKey);
                table.scrollTo(cell);
                Click(table.viewport(), table.visualRect(cell).center());
                Check(table.Editor().HasWindow() && table.Editor().Column() == CatalogUpdateItem::kKey,
                      "the Key cell is current");
                Key(manage, Qt::Key_Return);
                QComboBox* combo = table.Editor().ComboPart();
                Check(!table.Editor().IsIdle() && combo != nullptr &&
                          QApplication::focusWidget() == combo,
                      "Enter starts editing");
                Check(!combo->view()->isVisible(), "no list pops up");
                Key(manage, Qt::Key_Down);
                Key(manage, Qt::Key_Return);
                const std::string key = manage->ListView().Row(0)->GetColumnText(CatalogUpdateItem::kKey);
                Check(key == "A", "the row's key reads A: " + key);
                CloseWindow(manage, "Yes");
                WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
            });
        add("manage", "Manage MyTambrel (toolbar)", "click", "the Manage window", [this] {
            OpenManage();
        });
        add("manage", "file list: add files", "click a file, Ctrl+A, drag to the list",
            "a row for every sound", [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr, "Manage shows");
                CatalogFileListCtrl& files = manage->FileListView().List();
                WaitOrFail([&] { return files.rowCount() > 0; }, "the folder's files");
                const QPoint first = files.visualItemRect(files.item(0, 0)).center();
                FocusByClick(files.viewport(), first);
                Key(manage, Qt::Key_A, Qt::ControlModifier);
                QWidget* table = manage->ListView().Table().viewport();
                DragBetween(files.viewport(), first, table, table->rect().center());
                const int expected = static_cast<int>(std::distance(fs::directory_iterator(sounds_), {}));
                WaitOrFail([&] { return manage->ListView().RowCount() == expected; },
                           "a row for each of the " + std::to_string(expected) + " files");
            });
        add("manage", "list: type a category", "select cells, type, Enter", "the rows' category",
            [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr, "Manage shows");
                CatalogListCtrl& table = manage->ListView().Table();
                const std::vector<int> rain = {RowNamed("rain_light.wav"), RowNamed("rain_heavy.aif")};
                for (int row : rain) {
                    TypeInto(table, {row}, CatalogUpdateItem::kClass, "Effect");
                    TypeInto(table, {row}, CatalogUpdateItem::kCategory, "Weather");
                }
                TypeInto(table, {RowNamed("wind.wav")}, CatalogUpdateItem::kClass, "Effect");
                TypeInto(table, {RowNamed("wind.wav")}, CatalogUpdateItem::kCategory, "Weather");
                TypeInto(table, {RowNamed("wind.wav")}, CatalogUpdateItem::kDescription, "gusty wind");
                // The wind is catalogued with its pitch variants, which the search window's
                // pitch choice then shows or hides.
                TypeInto(table, {RowNamed("wind.wav")}, CatalogUpdateItem::kPitch, "All Variations");
                for (int row : rain)
                    Check(manage->ListView().Row(row)->GetColumnText(CatalogUpdateItem::kCategory) ==
                              "Weather",
                          "the rain row's category reads Weather");
            });
        add("manage", "Start Updating MyTambrel", "click", "every sound catalogued", [this] {
            CatalogFrm* manage = Manage();
            Check(manage != nullptr, "Manage shows");
            Click(&manage->UpdateButton());
            WaitOrFail([&] { return manage->StatusText() == "Update Completed"; },
                       "\"Update Completed\"", 120000);
            const int files = static_cast<int>(std::distance(fs::directory_iterator(sounds_), {}));
            Check(CatalogFiles() == files, "the catalog holds every file: " + std::to_string(CatalogFiles()));
            SoundFileObj wind;
            Check(theCatalogDb->GetFileByPath(Sound("wind.wav"), wind) &&
                      wind.description == "gusty wind" && wind.category == "Weather",
                  "the typed texts are stored");
            CloseWindow(manage);
            WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
        });
        add("manage", "file list: Enter on a selection", "click a file, Ctrl+A, Enter",
            "a row for every selected sound", [this] {
                CatalogFrm* manage = OpenManage();
                CatalogFileListCtrl& files = manage->FileListView().List();
                WaitOrFail([&] { return files.rowCount() > 1; }, "the folder's files");
                FocusByClick(files.viewport(), files.visualItemRect(files.item(0, 0)).center());
                Key(manage, Qt::Key_A, Qt::ControlModifier);
                Key(manage, Qt::Key_Return);
                const int expected = files.rowCount();
                WaitOrFail([&] { return manage->ListView().RowCount() == expected; },
                           "a row for each of the " + std::to_string(expected) + " files");
            });
        add("manage", "Manage MyTambrel on a minimised window",
            "minimise; toolbar click; minimise; Alt+T, Down, Enter", "the window restored and active",
            [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr, "Manage shows");
                const std::vector<std::pair<std::string, std::function<void()>>> ways = {
                    {"the toolbar",
                     [this] { Click(ToolbarButton(frame_, "0xE800", frame_->Action(cmd::kManage))); }},
                    {"Alt+T, Down, Enter",
                     [this] {
                         Key(frame_, Qt::Key_T, Qt::AltModifier);
                         WaitOrFail([] { return QApplication::activePopupWidget() != nullptr; },
                                    "the Tools menu");
                         Key(frame_, Qt::Key_Down);
                         Key(frame_, Qt::Key_Return);
                     }},
                };
                for (const auto& [way, press] : ways) {
                    manage->showMinimized();
                    WaitOrFail([&] { return manage->isMinimized(); }, "Manage minimised");
                    frame_->activateWindow();
                    WaitOrFail([&] { return QApplication::activeWindow() == frame_; }, "the main window active");
                    press();
                    WaitOrFail([&] {
                        return Manage() == manage && !manage->isMinimized() && manage->isVisible() &&
                               QApplication::activeWindow() == manage;
                    }, "Manage restored and active by " + way);
                }
                CloseWindow(manage);
                WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
            });
        add("manage", "list: a cell left by a click on Start Updating",
            "click a Notes cell, type, click \"Start Updating MyTambrel\"",
            "the typed text is stored, and only in that file", [this] {
                CatalogFrm* manage = OpenManage();
                CatalogFileListCtrl& files = manage->FileListView().List();
                WaitOrFail([&] { return files.rowCount() > 0; }, "the folder's files");
                const QPoint first = files.visualItemRect(files.item(0, 0)).center();
                FocusByClick(files.viewport(), first);
                Key(manage, Qt::Key_A, Qt::ControlModifier);
                QWidget* viewport = manage->ListView().Table().viewport();
                DragBetween(files.viewport(), first, viewport, viewport->rect().center());
                WaitOrFail([&] { return manage->ListView().RowCount() > 1; }, "rows for the files");
                CatalogListCtrl& table = manage->ListView().Table();
                const QModelIndex cell = table.model()->index(0, CatalogUpdateItem::kNotes);
                table.scrollTo(cell);
                Click(viewport, table.visualRect(cell).center());
                Type(manage, "left by a click");
                Check(!table.Editor().IsIdle(), "typing edits the cell");
                ClickStartUpdating(manage);
                SoundFileObj first0, second;
                Check(theCatalogDb->GetFileByPath(manage->ListView().Row(0)->record.path, first0) &&
                          first0.notes == "left by a click",
                      "the catalog holds the typed notes: \"" + first0.notes + "\"");
                Check(theCatalogDb->GetFileByPath(manage->ListView().Row(1)->record.path, second) &&
                          second.notes.empty(),
                      "the next file's notes stay empty");
            });
        add("manage", "list: Enter, Enter on a drop-down column", "click the Action header, Enter, Enter",
            "no row changes; the update keeps every file", [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr && manage->ListView().RowCount() > 1, "Manage with rows");
                CatalogListCtrl& table = manage->ListView().Table();
                CatalogListView& list = manage->ListView();
                const int catalogued = CatalogFiles();
                const QModelIndex cell = table.model()->index(0, CatalogUpdateItem::kAction);
                table.scrollTo(cell);
                Click(table.viewport(), table.visualRect(cell).center());
                Type(manage, "r");
                Key(manage, Qt::Key_Return);
                Check(list.Row(0)->GetColumnText(CatalogUpdateItem::kAction) == "REMOVE", "row 1 reads REMOVE");
                QHeaderView* header = table.horizontalHeader();
                Click(header->viewport(),
                      QPoint(header->sectionViewportPosition(CatalogUpdateItem::kAction) +
                                 header->sectionSize(CatalogUpdateItem::kAction) / 2,
                             header->height() / 2));
                Key(manage, Qt::Key_Return);
                Check(!table.Editor().IsIdle(), "Enter edits the header's cell");
                Key(manage, Qt::Key_Return);
                for (int row = 1; row < list.RowCount(); ++row)
                    Check(list.Row(row)->GetColumnText(CatalogUpdateItem::kAction) == "ADD",
                          "row " + std::to_string(row + 1) + " still reads ADD");
                // Row 1 back to ADD, then the update removes nothing.
                table.scrollTo(cell);
                Click(table.viewport(), table.visualRect(cell).center());
                Type(manage, "a");
                Key(manage, Qt::Key_Return);
                Check(list.Row(0)->GetColumnText(CatalogUpdateItem::kAction) == "ADD", "row 1 reads ADD");
                ClickStartUpdating(manage);
                Check(CatalogFiles() == catalogued, "the catalog still holds " +
                                                        std::to_string(catalogued) + " files: " +
                                                        std::to_string(CatalogFiles()));
            });
        add("manage", "list: Alt+Down, Escape in a Genre cell", "click, type, Alt+Down, Escape",
            "the list closes, the typed text stays in the box", [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr && manage->ListView().RowCount() > 0, "Manage with rows");
                CatalogListCtrl& table = manage->ListView().Table();
                const QModelIndex cell = table.model()->index(0, CatalogUpdateItem::kGenre);
                table.scrollTo(cell);
                Click(table.viewport(), table.visualRect(cell).center());
                Type(manage, "Rockabilly");
                QComboBox* combo = table.Editor().ComboPart();
                Check(combo != nullptr && !table.Editor().IsIdle(), "typing edits the cell");
                Key(manage, Qt::Key_Down, Qt::AltModifier);
                WaitOrFail([&] { return combo->view()->isVisible(); }, "the list to open");
                Key(manage, Qt::Key_Escape);
                WaitOrFail([&] { return !combo->view()->isVisible(); }, "the list to close");
                QTest::qWait(50);
                Check(combo->currentText() == "Rockabilly" && !table.Editor().IsIdle(),
                      "the box still holds \"Rockabilly\": \"" + combo->currentText().toStdString() + "\"");
                Key(manage, Qt::Key_Return);
                const std::string genre = manage->ListView().Row(0)->GetColumnText(CatalogUpdateItem::kGenre);
                Check(genre == "Rockabilly", "Enter stores it: \"" + genre + "\"");
            });
        add("manage", "list: Tab into the table", "click the file list, Tab, Down, Enter",
            "a current cell at once: Down moves it, Enter edits it", [this] {
                CatalogFrm* manage = Manage();
                Check(manage != nullptr && manage->ListView().RowCount() > 1, "Manage with rows");
                CatalogListCtrl& table = manage->ListView().Table();
                // No current cell, as in a table just filled.
                Click(table.viewport(), table.visualRect(table.model()->index(0, CatalogUpdateItem::kAction)).center());
                Key(manage, Qt::Key_Escape);
                Check(table.GetCurrentRow() < 0, "no current cell");
                CatalogFileListCtrl& files = manage->FileListView().List();
                FocusByClick(files.viewport(), files.visualItemRect(files.item(0, 0)).center());
                Key(manage, Qt::Key_Tab);
                Check(QApplication::focusWidget() == &table, "Tab: the table");
                Check(table.GetCurrentRow() == 0 && table.CurrentColumn() == CatalogUpdateItem::kAction,
                      "the first row's Action cell is current");
                Key(manage, Qt::Key_Down);
                Check(table.GetCurrentRow() == 1, "Down: the second row");
                Key(manage, Qt::Key_Return);
                Check(!table.Editor().IsIdle() && table.Editor().Row() == 1, "Enter edits its cell");
                Key(manage, Qt::Key_Escape);
                CloseWindow(manage, "Yes");
                WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
            });

        // The category tree.
        add("tree", "a category", "click", "its sounds in the main list", [this] {
            ShowWeather();
            Check(MainList()->Count() == 3, "the three Weather sounds: " + std::to_string(MainList()->Count()));
        });
        add("tree", "Ctrl+A", "key in the tree", "every row selected", [this] {
            ShowWeather();
            ShowTable(true);
            QTreeWidgetItem* weather = TreeItemNamed("Weather");
            FocusByClick(Tree()->viewport(), Tree()->visualItemRect(weather).center());
            Key(frame_, Qt::Key_A, Qt::ControlModifier);
            Check(MainPane()->Results()->Tabular()->Columns()->SelectedRowCount() == 3,
                  "three rows selected");
        });
        add("tree", "context menu > Rename category", "right click, menu click, type, Enter",
            "the category renamed in tree and catalog", [this] {
                RenameInTree("Weather", "Climate");
                SoundFileObj wind;
                WaitOrFail([&] {
                    return theCatalogDb->GetFileByPath(Sound("wind.wav"), wind) && wind.category == "Climate";
                }, "the catalog to hold the new name");
                // And back, so later rows find it.
                RenameInTree("Climate", "Weather");
            });
        add("tree", "context menu > Create sub-category", "right click, menu click, Cancel",
            "nothing added", [this] {
                QTreeWidgetItem* weather = TreeItemNamed("Weather");
                Check(weather != nullptr, "the Weather category");
                const int children = weather->childCount();
                ModalAnswer cancel(Press("Cancel"));
                Check(RightClickTree(weather, "Create sub-category"), "the menu's Create sub-category");
                WaitOrFail([&] { return cancel.seen; }, "the name dialog");
                Check(TreeItemNamed("Weather")->childCount() == children, "no sub-category added");
            });

        add("tree", "context menu > Create sub-category", "right click, menu click, name, OK",
            "the sub-category in the tree", [this] {
                QTreeWidgetItem* weather = TreeItemNamed("Weather");
                Check(weather != nullptr, "the Weather category");
                ModalAnswer name([](QWidget* dialog) {
                    auto* edit = dialog->findChild<QLineEdit*>();
                    if (edit != nullptr)
                        FocusByClick(edit);
                    Type(dialog, "Storm");
                    PressDialogButton(dialog, "OK");
                });
                Check(RightClickTree(weather, "Create sub-category"), "the menu's Create sub-category");
                WaitOrFail([&] { return name.seen; }, "the name dialog");
                WaitOrFail([&] { return TreeItemNamed("Storm") != nullptr; }, "Storm in the tree");
            });
        add("tree", "context menu > Remove sub-category", "right click, menu click, Yes",
            "the sub-category gone", [this] {
                QTreeWidgetItem* storm = TreeItemNamed("Storm");
                Check(storm != nullptr, "the Storm sub-category");
                ModalAnswer yes(Press("Yes"));
                Check(RightClickTree(storm, "Remove sub-category"), "the menu's Remove sub-category");
                WaitOrFail([&] { return TreeItemNamed("Storm") == nullptr; }, "Storm to go");
            });
        add("tree", "class context menu > Create category", "right click, menu click, Cancel",
            "nothing added", [this] {
                QTreeWidgetItem* effects = TreeItemNamed("Effects");
                Check(effects != nullptr, "the Effects class");
                const int children = effects->childCount();
                ModalAnswer cancel(Press("Cancel"));
                Check(RightClickTree(effects, "Create category"), "the menu's Create category");
                WaitOrFail([&] { return cancel.seen; }, "the name dialog");
                Check(TreeItemNamed("Effects")->childCount() == children, "no category added");
            });
        add("tree", "class context menu > Create category", "right click, menu click, name, OK",
            "the category under the class", [this] {
                QTreeWidgetItem* effects = TreeItemNamed("Effects");
                Check(effects != nullptr, "the Effects class");
                ModalAnswer name(TypeName("Rumble"));
                Check(RightClickTree(effects, "Create category"), "the menu's Create category");
                WaitOrFail([&] { return name.seen; }, "the name dialog");
                WaitOrFail([&] { return TreeItemNamed("Rumble") != nullptr; }, "Rumble in the tree");
                Check(TreeItemNamed("Rumble")->parent() == TreeItemNamed("Effects"),
                      "Rumble is under Effects");
            });
        add("tree", "context menu > Remove category", "right click, menu click, Yes",
            "the category gone", [this] {
                Check(TreeItemNamed("Rumble") != nullptr, "the Rumble category");
                ModalAnswer yes(Press("Yes"));
                Check(RightClickTree(TreeItemNamed("Rumble"), "Remove category"),
                      "the menu's Remove category");
                WaitOrFail([&] { return TreeItemNamed("Rumble") == nullptr; }, "Rumble to go");
            });
        add("tree", "context menu > Open", "right click, menu click", "its sounds in the main list",
            [this] {
                ShowTable(true);
                QTreeWidgetItem* other = TreeItemNamed("Other");
                if (other != nullptr)
                    ClickTreeItem(other);
                Check(RightClickTree(TreeItemNamed("Weather"), "Open"), "the menu's Open");
                WaitOrFail([&] { return MainList()->Count() == 3; }, "the three Weather sounds");
            });
        add("tree", "context menu > Search...", "right click, menu click",
            "a Text Search window for the category", [this] {
                OpensSearchWindow([&] {
                Check(RightClickTree(TreeItemNamed("Weather"), "Search..."), "the menu's Search...");
                }, [&](SearchBoxObj* box) {
                    Check(box->Frame()->Form()->ComboBox(1005)->currentText() == "Weather",
                          "it searches for the category: " +
                              box->Frame()->Form()->ComboBox(1005)->currentText().toStdString());
                });
            });

        // The results of the main window: row buttons of the table, the cards' buttons.
        add("results", "table row Play", "click", "the sound plays", [this] {
            ShowWeather();
            Click(RowButton(0, 0));
            WaitOrFail([&] { return theController->AuditionPath() == MainList()->RowLocalPath(0); },
                       "the row's sound to play");
            WaitOrFail([&] { return MainList()->RowPlayed(0); }, "the row to show it was played");
        });
        add("results", "table row Loop", "click", "the sound plays in a loop", [this] {
            ShowWeather();
            Click(RowButton(1, 1));
            WaitOrFail([&] { return theController->AuditionPath() == MainList()->RowLocalPath(1); },
                       "the row's sound to play");
            Click(RowButton(1, 1));
        });
        add("results", "table row Open", "click", "an editor on the row's sound", [this] {
            ShowWeather();
            const size_t before = EditorCount();
            Click(RowButton(2, 0));
            WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor");
            PropertyBoxObj* box = Editors().back();
            Check(box->frame->windowTitle().contains("(in MyTambrel)"),
                  "its title: " + box->frame->windowTitle().toStdString());
            CloseWindow(box->frame);
            WaitOrFail([&] { return EditorCount() == before; }, "the editor to close");
        });
        add("results", "table row Find Similar", "click", "a Find Similar Sounds window", [this] {
            ShowWeather();
            OpensSearchWindow([&] {
            Click(RowButton(3, 0));
            }, [&](SearchBoxObj* box) {
                Check(box->Frame()->objectName() == "SimilarSearchFrame", "a Find Similar window");
                WaitOrFail([&] { return !box->IsSearching(); }, "its search to end");
            });
        });
        add("results", "card Play", "click", "the sound plays", [this] {
            ShowWeather();
            StackedResultsWnd* cards = Cards();
            StackedResultsRowGrf* card = cards->CardForRow(1);
            Check(card != nullptr, "the second card");
            ClickCardButton(card->PlayButton());
            WaitOrFail([&] { return theController->AuditionPath() == MainList()->RowLocalPath(1); },
                       "the card's sound to play");
        });
        add("results", "card Loop", "click", "the sound plays in a loop", [this] {
            ShowWeather();
            StackedResultsRowGrf* card = Cards()->CardForRow(0);
            Check(card != nullptr, "the first card");
            ClickCardButton(card->LoopButton());
            WaitOrFail([&] { return theController->AuditionPath() == MainList()->RowLocalPath(0); },
                       "the card's sound to play");
            ClickCardButton(Cards()->CardForRow(0)->LoopButton());
        });
        add("results", "card Open", "click", "an editor on the card's sound", [this] {
            ShowWeather();
            OpensEditor([&] {
                ClickCardButton(Cards()->CardForRow(0)->OpenButton());
            });
        });
        add("results", "card Find Similar", "click", "a Find Similar Sounds window", [this] {
            ShowWeather();
            OpensSearchWindow([&] {
            ClickCardButton(Cards()->CardForRow(0)->FindSimilarButton());
            }, [&](SearchBoxObj* box) {
                WaitOrFail([&] { return !box->IsSearching(); }, "its search to end");
            });
        });
        add("results", "row context menu > Open", "right click, menu click", "an editor", [this] {
            ShowWeather();
            ShowTable(true);
            OpensEditor([&] {
                Check(RightClickRow(0, "Open"), "the menu's Open");
            });
        });
        add("results", "row context menu > Play", "right click, menu click", "the sound plays", [this] {
            ShowWeather();
            ShowTable(true);
            Check(RightClickRow(2, "Play"), "the menu's Play");
            WaitOrFail([&] { return theController->AuditionPath() == MainList()->RowLocalPath(2); },
                       "the row's sound to play");
        });
        add("results", "row context menu > Manage", "right click, menu click",
            "Manage lists the row's file", [this] {
                ShowWeather();
                ShowTable(true);
                Check(RightClickRow(0, "Manage"), "the menu's Manage");
                WaitOrFail([&] { return Manage() != nullptr && Manage()->ListView().RowCount() == 1; },
                           "Manage with one row");
                CloseWindow(Manage(), "Yes");
                WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
            });
        add("manage", "Delete in the list", "click a file name, Delete", "the row leaves the list",
            [this] {
                ShowWeather();
                ShowTable(true);
                Check(RightClickRow(0, "Manage"), "the menu's Manage");
                WaitOrFail([&] { return Manage() != nullptr && Manage()->ListView().RowCount() == 1; },
                           "Manage with one row");
                CatalogListCtrl& table = Manage()->ListView().Table();
                const QRect cell = table.visualRect(table.model()->index(0, CatalogUpdateItem::kFileName));
                FocusByClick(table.viewport(), cell.center());
                Key(Manage(), Qt::Key_Delete);
                WaitOrFail([&] { return Manage()->ListView().RowCount() == 0; }, "the row to go");
                CloseWindow(Manage(), "Yes");
                WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
            });
        add("results", "Ctrl+A in the table", "key", "every row selected", [this] {
            ShowWeather();
            ShowTable(true);
            TabularColumnsCtrl* table = MainPane()->Results()->Tabular()->Columns();
            FocusByClick(table->viewport(), PlainCell(table, 0));
            Key(frame_, Qt::Key_A, Qt::ControlModifier);
            Check(table->SelectedRowCount() == 3, "three rows selected");
        });
        add("results", "table box", "click twice", "table, then cards", [this] {
            ShowWeather();
            SinglePageResultsView* pane = MainPane();
            const bool before = pane->Results()->IsTabularShown();
            Click(pane->TableBox());
            Check(pane->Results()->IsTabularShown() == !before, "the presentation switched");
            Click(pane->TableBox());
            Check(pane->Results()->IsTabularShown() == before, "and back");
        });
        add("results", "table box", "Tab from the list, Space, Tab, Space",
            "the box is a Tab stop; Space switches the hits", [this] {
                ShowWeather();
                ShowTable(true);
                SinglePageResultsView* pane = MainPane();
                TabularColumnsCtrl* table = pane->Results()->Tabular()->Columns();
                FocusByClick(table->viewport(), PlainCell(table, 0));
                Key(frame_, Qt::Key_Tab);
                Check(QApplication::focusWidget() == pane->TableBox(), "Tab from the table reached the box");
                Key(frame_, Qt::Key_Space);
                WaitOrFail([&] { return !pane->Results()->IsTabularShown(); }, "the cards");
                Check(!pane->TableBox()->isChecked(), "the box unchecked");
                QWidget* cards = pane->Results()->findChild<StackedResultsWnd*>();
                Check(QApplication::focusWidget() == cards, "the cards took the focus");
                Key(frame_, Qt::Key_Tab);
                Check(QApplication::focusWidget() == pane->TableBox(), "Tab from the cards reached the box");
                Key(frame_, Qt::Key_Tab);
                Check(QApplication::focusWidget() == Tree(), "Tab from the box went on to the tree");
                Key(frame_, Qt::Key_Tab, Qt::ShiftModifier);
                Check(QApplication::focusWidget() == pane->TableBox(), "Shift+Tab came back to the box");
                Key(frame_, Qt::Key_Space);
                WaitOrFail([&] { return pane->Results()->IsTabularShown(); }, "the table again");
                Check(pane->TableBox()->isChecked(), "the box checked");
            });

        // Export and import through the Tools menu, with Qt's file dialog.
        add("main", "Tools > Export from MyTambrel...", "menu click, name typed, Enter",
            "the metadata file written", [this] {
                const std::string file = work_ + "/exported.tmi";
                fs::remove(file);
                ModalAnswer done(Press("OK"), [](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; });
                MenuAnswering("Tools", "Export from MyTambrel...", ChooseFile(file), "the file dialog");
                WaitOrFail([&] { return fs::exists(file) && fs::file_size(file) > 0; }, "the file");
                std::ifstream in(file);
                std::stringstream text;
                text << in.rdbuf();
                Check(text.str().find("gusty wind") != std::string::npos, "it holds the typed texts");
                WaitUntil([&] { return done.seen; }, 3000);
            });
        add("main", "Tools > Import into MyTambrel...", "menu click, name typed, Enter",
            "Manage lists the file's rows", [this] {
                const std::string file = work_ + "/exported.tmi";
                Check(fs::exists(file), "the exported file");
                MenuAnswering("Tools", "Import into MyTambrel...", ChooseFile(file), "the file dialog");
                WaitOrFail([&] { return Manage() != nullptr && Manage()->ListView().RowCount() > 0; },
                           "Manage with the file's rows");
                CloseWindow(Manage(), "Yes");
                WaitOrFail([&] { return theController->ManageBox() == nullptr; }, "Manage to close");
            });
        add("main", "Tools > Validate MyTambrel...", "menu click, Cancel", "the validation dialog",
            [this] {
                ModalAnswer dialog([](QWidget* d) {
                    if (!PressDialogButton(d, "Cancel") && !PressDialogButton(d, "Close"))
                        Key(d, Qt::Key_Escape);
                });
                Check(PickMenu(frame_, "Tools", "Validate MyTambrel..."), "the menu entry");
                WaitOrFail([&] { return dialog.seen; }, "the validation dialog");
                Check(dialog.title.find("Valid") != std::string::npos, "its title: " + dialog.title);
            });
        add("main", "Validate MyTambrel: File Not Found > Stop",
            "menu click, Begin Validating, Stop, Close",
            "the run stops at a file moved away; MyTambrel keeps it", [this] {
                // The user moved two catalogued files to another folder.
                fs::create_directories(Moved());
                for (const char* name : {"lost_a.wav", "lost_b.wav"})
                    if (fs::exists(Sound(name)))
                        fs::rename(Sound(name), Moved() + "/" + name);
                std::string asked, end;
                RunValidator([&](QWidget* dialog) {
                    ModalAnswer missing([&](QWidget* d) {
                        asked = MissingPath(d);
                        PressDialogButton(d, "Stop");
                    }, [](QWidget* d) { return d->windowTitle() == "File Not Found"; });
                    Check(PressDialogButton(dialog, "Begin Validating"), "Begin Validating");
                    WaitUntil([&] { return missing.seen; }, 10000);
                    end = static_cast<ValidatorDlg*>(dialog)->EndState()->text().toStdString();
                });
                Check(fs::path(asked).filename().string().rfind("lost_", 0) == 0,
                      "the question names a moved file: " + asked);
                Check(theCatalogDb->IsInCatalog(Sound("lost_a.wav")) &&
                          theCatalogDb->IsInCatalog(Sound("lost_b.wav")),
                      "both stay in MyTambrel at their old places");
                Check(end == "Validation stopped", "the dialog says so: " + end);
            });
        add("main", "Validate MyTambrel: File Not Found > Browse..., Continue",
            "the new place chosen in the file dialog; a search folder chosen in the folder dialog",
            "MyTambrel holds both files at their new places", [this] {
                std::vector<std::string> asked;
                std::vector<std::unique_ptr<ModalAnswer>> answers;
                // The first question: this file's new place; the second: a folder to search
                // for every missing file.
                std::function<void()> arm = [&] {
                    answers.push_back(std::make_unique<ModalAnswer>([&](QWidget* d) {
                        const std::string path = MissingPath(d);
                        asked.push_back(path);
                        auto* action = static_cast<ValidatorActionDlg*>(d);
                        const auto browse = d->findChildren<QPushButton*>();
                        std::vector<QPushButton*> browsers;
                        for (QPushButton* b : browse)
                            if (b->text() == "Browse...")
                                browsers.push_back(b);
                        if (asked.size() == 1) {
                            Click(action->Radio(0), QPoint(8, action->Radio(0)->height() / 2));
                            ModalAnswer file(ChooseFile(Moved() + "/" + fs::path(path).filename().string()),
                                             [d](QWidget* w) { return w != d; });
                            Click(browsers.at(0));
                            WaitUntil([&] { return file.seen; }, 5000);
                        } else {
                            // On its round mark: the button takes clicks on its mark and text.
                            Click(action->Radio(1), QPoint(8, action->Radio(1)->height() / 2));
                            ModalAnswer folder(ChooseFolder(Moved()), [d](QWidget* w) { return w != d; });
                            Click(browsers.at(1));
                            WaitUntil([&] { return folder.seen; }, 5000);
                        }
                        arm();
                        PressDialogButton(d, "Continue");
                    }, [&](QWidget* d) {
                        return d->windowTitle() == "File Not Found" &&
                               std::find(asked.begin(), asked.end(), MissingPath(d)) == asked.end();
                    }));
                };
                std::vector<std::string> lines;
                RunValidator([&](QWidget* dialog) {
                    arm();
                    Check(PressDialogButton(dialog, "Begin Validating"), "Begin Validating");
                    WaitUntil([&] { return asked.size() >= 2; }, 10000);
                    auto* v = static_cast<ValidatorDlg*>(dialog);
                    WaitUntil([&] { return v->CloseButton()->isEnabled(); }, 10000);
                    for (int i = 0; i < v->Lines()->count(); ++i)
                        lines.push_back(v->Lines()->item(i)->text().toStdString());
                });
                Check(asked.size() == 2, "two questions, one a file: " + std::to_string(asked.size()));
                for (const char* name : {"lost_a.wav", "lost_b.wav"}) {
                    Check(theCatalogDb->IsInCatalog(Moved() + "/" + name),
                          std::string(name) + " is in MyTambrel at its new place");
                    Check(!theCatalogDb->IsInCatalog(Sound(name)), std::string(name) + " not at its old");
                    Check(std::count(lines.begin(), lines.end(), Sound(name) + ": Successfully fixed") == 1,
                          "the dialog says " + std::string(name) + " was fixed");
                }
            });

        // The editor: its buttons, keys, dialogs and toolbar.
        add("editor", "waveform", "drag", "a selection", [this] { SelectMiddle(); });
        add("editor", "Play", "click", "the sound plays", [this] {
            Click(EditorButton(1022));
            WaitOrFail([&] { return Editor()->app.PlayerState() != 0; }, "the player to run");
            Click(EditorButton(1024));
            WaitOrFail([&] { return Editor()->app.PlayerState() == 0; }, "Stop to stop it");
        });
        add("editor", "Loop", "click, Stop", "the sound loops until stopped", [this] {
            Click(EditorButton(1025));
            WaitOrFail([&] { return Editor()->app.PlayerState() != 0; }, "the player to run");
            Click(EditorButton(1024));
            WaitOrFail([&] { return Editor()->app.PlayerState() == 0; }, "Stop to stop it");
        });
        add("editor", "Space", "key", "plays, and stops", [this] {
            EditorKey(Qt::Key_Space);
            WaitOrFail([&] { return Editor()->app.PlayerState() != 0; }, "the player to run");
            EditorKey(Qt::Key_Space);
            WaitOrFail([&] { return Editor()->app.PlayerState() == 0; }, "the second Space to stop it");
        });
        add("editor", "Zoom In / Zoom Out", "click each", "the view narrows, then widens", [this] {
            const auto before = Editor()->app.GetViewState();
            Click(EditorButton(1027));
            const auto in = Editor()->app.GetViewState();
            Check(in != before, "Zoom In changed the view");
            Click(EditorButton(1029));
            Check(Editor()->app.GetViewState() == before, "Zoom Out gave it back");
        });
        add("editor", "Cut, Undo, Redo", "click each", "shorter, back, shorter", [this] {
            SelectMiddle();
            const auto frames = Frames();
            Click(EditorButton(1033));
            Check(Frames() < frames, "Cut shortened the sound");
            Click(EditorButton(1031));
            Check(Frames() == frames, "Undo gave it back");
            Click(EditorButton(1032));
            Check(Frames() < frames, "Redo cut again");
            Click(EditorButton(1031));
            Check(Frames() == frames, "and Undo again");
        });
        add("editor", "Copy, Paste", "click each", "the sound grows by the selection", [this] {
            SelectMiddle();
            const auto frames = Frames();
            Click(EditorButton(1034));
            Click(Wave(), QPoint(5, Wave()->height() / 2));
            Click(EditorButton(1035));
            Check(Frames() > frames, "Paste inserted the copy");
            Click(EditorButton(1031));
        });
        add("editor", "Mix", "click, OK", "the clipboard mixed in, length kept", [this] {
            SelectMiddle();
            Click(EditorButton(1034));
            const auto frames = Frames();
            const bool wasModified = Editor()->modified;
            ClickAnswering(EditorButton(1086), Press("OK"), "the Mix dialog");
            Check(Frames() >= frames, "the sound is no shorter");
            Check(Editor()->modified || wasModified, "the sound is changed");
            Click(EditorButton(1031));
        });
        add("editor", "Mix", "click, Cancel", "nothing changes", [this] {
            SelectMiddle();
            Click(EditorButton(1034));
            const bool modified = Editor()->modified;
            const auto frames = Frames();
            ClickAnswering(EditorButton(1086), Press("Cancel"), "the Mix dialog");
            Check(Editor()->modified == modified && Frames() == frames, "unchanged");
        });
        add("editor", "Delete", "click", "the selection removed", [this] {
            SelectMiddle();
            const auto frames = Frames();
            Click(EditorButton(1036));
            Check(Frames() < frames, "shorter");
            Click(EditorButton(1031));
        });
        add("editor", "Delete", "Delete key", "the selection removed", [this] {
            SelectMiddle();
            const auto frames = Frames();
            EditorKey(Qt::Key_Delete);
            Check(Frames() < frames, "shorter");
            EditorKey(Qt::Key_Z, Qt::ControlModifier);
            Check(Frames() == frames, "Ctrl+Z gave it back");
            EditorKey(Qt::Key_Y, Qt::ControlModifier);
            Check(Frames() < frames, "Ctrl+Y removed it again");
            EditorKey(Qt::Key_Z, Qt::ControlModifier);
        });
        add("editor", "Ctrl+Shift+Z", "key after Delete, and after Ctrl+Z",
            "nothing undone; then the Delete redone", [this] {
            SelectMiddle();
            const auto frames = Frames();
            EditorKey(Qt::Key_Delete);
            const auto cut = Frames();
            Check(cut < frames, "Delete shortened the sound");
            EditorKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            Check(Frames() == cut, "Ctrl+Shift+Z did not undo the Delete");
            EditorKey(Qt::Key_Z, Qt::ControlModifier);
            Check(Frames() == frames, "Ctrl+Z gave it back");
            EditorKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            Check(Frames() == cut, "Ctrl+Shift+Z removed it again");
            EditorKey(Qt::Key_Z, Qt::ControlModifier);
        });
        add("editor", "Alt+Backspace", "key after Delete", "the Delete undone", [this] {
            SelectMiddle();
            const auto frames = Frames();
            EditorKey(Qt::Key_Delete);
            Check(Frames() < frames, "Delete shortened the sound");
            EditorKey(Qt::Key_Backspace, Qt::AltModifier);
            Check(Frames() == frames, "Alt+Backspace gave it back");
        });
        add("editor", "Ctrl+X, Ctrl+V", "keys", "cut, then pasted back", [this] {
            SelectMiddle();
            const auto frames = Frames();
            EditorKey(Qt::Key_X, Qt::ControlModifier);
            Check(Frames() < frames, "Ctrl+X cut");
            EditorKey(Qt::Key_V, Qt::ControlModifier);
            Check(Frames() == frames, "Ctrl+V pasted it back");
        });
        add("editor", "Trim", "click", "only the selection stays", [this] {
            SelectMiddle();
            const auto frames = Frames();
            Click(EditorButton(1046));
            Check(Frames() < frames, "only the selection stays");
            Click(EditorButton(1031));
        });
        add("editor", "Fade In/Out", "click, Cancel", "nothing changes", [this] {
            SelectMiddle();
            const bool modified = Editor()->modified;
            const auto frames = Frames();
            ClickAnswering(EditorButton(1039), Press("Cancel"), "the Fade dialog");
            Check(Editor()->modified == modified && Frames() == frames, "unchanged");
        });
        add("editor", "Volume", "click, OK", "the sound changed", [this] {
            SelectMiddle();
            ClickAnswering(EditorButton(1044), Press("OK"), "the Volume dialog");
            Check(Editor()->modified, "the sound is changed");
        });
        add("editor", "Insert Silence", "click, OK", "the sound grows", [this] {
            Click(Wave(), QPoint(5, Wave()->height() / 2));
            const auto frames = Frames();
            ClickAnswering(EditorButton(1045), Press("OK"), "the Insert Silence dialog");
            Check(Frames() > frames, "longer");
            Click(EditorButton(1031));
        });
        add("editor", "Hide Fields, Hide Controls (toolbar)", "click each twice",
            "the groups hide and show again", [this] {
                PropertyBoxObj* box = Editor();
                for (int id : {AudioFileFrm::kFields, AudioFileFrm::kControls}) {
                    QAction* action = box->frame->CommandAction(id);
                    const QString before = action->text();
                    Click(ToolbarButton(box->frame, "toolbar", action));
                    Check(action->text() != before && action->text().startsWith("Show"),
                          "the button offers to show again: " + action->text().toStdString());
                    Click(ToolbarButton(box->frame, "toolbar", action));
                    Check(action->text() == before, "and to hide");
                }
            });
        add("editor", "Pause", "click while playing", "playback pauses, Stop ends it", [this] {
            Click(EditorButton(1025));
            WaitOrFail([&] { return Editor()->app.PlayerState() != 0; }, "the player to run");
            const int playing = Editor()->app.PlayerState();
            Click(EditorButton(1023));
            WaitOrFail([&] { return Editor()->app.PlayerState() != playing; }, "the player to pause");
            Click(EditorButton(1024));
            WaitOrFail([&] { return Editor()->app.PlayerState() == 0; }, "Stop to stop it");
        });
        add("editor", "Record", "click, Cancel", "nothing recorded, the sound unchanged", [this] {
            Click(Wave(), QPoint(5, Wave()->height() / 2));
            const auto frames = Frames();
            const bool modified = Editor()->modified;
            ClickAnswering(EditorButton(1305), Press("Cancel"), "the Record dialog");
            Check(Editor()->app.PlayerState() == 0, "not recording");
            Check(Frames() == frames && Editor()->modified == modified, "unchanged");
        });
        add("editor", "Record", "click, Start Recording, Stop",
            "the recording lengthens the sound; Record is down meanwhile", [this] {
                EditorKey(Qt::Key_End);
                const auto frames = Frames();
                ClickAnswering(EditorButton(1305), Press("Start Recording"), "the Record dialog");
                auto* record = qobject_cast<QAbstractButton*>(Editor()->frame->View()->Control(1305));
                WaitOrFail([&] { return Editor()->app.PlayerState() != 0; }, "the recorder to run");
                Check(record->isChecked(), "Record shows down while recording");
                QTest::qWait(600);
                Click(EditorButton(1024));
                WaitOrFail([&] { return Editor()->app.PlayerState() == 0; }, "Stop to end it");
                Check(!record->isChecked(), "Record up again");
                Check(Frames() > frames, "the recorded silence made the sound longer: " +
                                             std::to_string(Frames()) + " ms");
                Check(Editor()->modified, "the sound is changed");
                Click(EditorButton(1031));
            });
        add("editor", "Show Matches", "a beep selected, click twice",
            "down, with Search Forward/Backward alive; then up, both off", [this] {
                PropertyBoxObj* box = Beeps();
                QWidget* matches = BeepsButton(1026);
                Click(matches);
                Check(qobject_cast<QAbstractButton*>(matches)->isChecked() && box->app.matchMode,
                      "Show Matches stays down");
                Check(BeepsButton(1037)->isEnabled() && BeepsButton(1038)->isEnabled(),
                      "the searches can be pressed");
                Click(matches);
                Check(!qobject_cast<QAbstractButton*>(matches)->isChecked(), "and up again");
                Check(!BeepsButton(1037)->isEnabled() && !BeepsButton(1038)->isEnabled(),
                      "the searches are off");
            });
        add("editor", "Search Forward, Search Backward", "Show Matches on, click each",
            "the cursor to the next beep, then back; \"Found match\"", [this] {
                PropertyBoxObj* box = Beeps();
                Click(BeepsButton(1026));
                const auto start = box->app.CursorFrame();
                Click(BeepsButton(1037));
                const auto next = box->app.CursorFrame();
                Check(next > start, "the cursor moved on: " + std::to_string(start) + " -> " +
                                        std::to_string(next));
                Check(box->frame->PaneText(0).rfind("Found match", 0) == 0,
                      "the status: " + box->frame->PaneText(0));
                Click(BeepsButton(1037));
                const auto further = box->app.CursorFrame();
                Check(further > next, "and on to the next beep: " + std::to_string(further));
                Click(BeepsButton(1038));
                Check(box->app.CursorFrame() < further,
                      "Search Backward went back: " + std::to_string(box->app.CursorFrame()));
                Check(box->frame->PaneText(0).rfind("Found match", 0) == 0,
                      "the status: " + box->frame->PaneText(0));
            });
        add("editor", "Search Forward, Search Backward", "Shift+Right, Shift+Left",
            "the cursor to the next beep, then back", [this] {
                PropertyBoxObj* box = Beeps();
                Check(box->app.matchMode, "Show Matches is on");
                QWidget* wave = box->frame->View()->findChild<QWidget*>("waveform");
                wave->setFocus(Qt::MouseFocusReason);
                const auto start = box->app.CursorFrame();
                Key(box->frame, Qt::Key_Right, Qt::ShiftModifier);
                const auto next = box->app.CursorFrame();
                Check(next > start, "Shift+Right moved on: " + std::to_string(start) + " -> " +
                                        std::to_string(next));
                Key(box->frame, Qt::Key_Left, Qt::ShiftModifier);
                Check(box->app.CursorFrame() < next,
                      "Shift+Left went back: " + std::to_string(box->app.CursorFrame()));
                Click(BeepsButton(1026));
                CloseWindow(box->frame, "No");
                beeps_ = nullptr;
            });
        add("editor", "Home, End", "keys", "the cursor to the start, then the end", [this] {
            Click(Wave(), QPoint(Wave()->width() / 2, Wave()->height() / 2));
            EditorKey(Qt::Key_Home);
            Check(Editor()->app.CursorFrame() == 0, "Home: the start");
            EditorKey(Qt::Key_End);
            Check(Editor()->app.CursorFrame() > 0, "End: further on");
        });
        add("editor", "Volume", "click, Cancel", "nothing changes", [this] {
            SelectMiddle();
            const bool modified = Editor()->modified;
            ClickAnswering(EditorButton(1044), Press("Cancel"), "the Volume dialog");
            Check(Editor()->modified == modified, "unchanged");
        });
        add("editor", "Insert Silence", "click, Cancel", "nothing changes", [this] {
            Click(Wave(), QPoint(5, Wave()->height() / 2));
            const auto frames = Frames();
            ClickAnswering(EditorButton(1045), Press("Cancel"), "the Insert Silence dialog");
            Check(Frames() == frames, "the same length");
        });
        add("editor", "waveform context menu > Delete", "right click, menu click",
            "the selection removed", [this] {
                SelectMiddle();
                const auto frames = Frames();
                QWidget* wave = Wave();
                Check(ClickAndPick(wave, QPoint(wave->width() / 2, wave->height() / 2),
                                   Qt::RightButton, "Delete"), "the menu's Delete");
                Check(Frames() < frames, "shorter");
                Click(EditorButton(1031));
            });
        add("editor", "Save (toolbar)", "click", "the file written, title without *", [this] {
            PropertyBoxObj* box = Editor();
            SelectMiddle();
            ClickAnswering(EditorButton(1039), Press("OK"), "the Fade dialog");
            Check(box->modified, "changed");
            const auto written = fs::last_write_time(box->record.path);
            const auto size = fs::file_size(box->record.path);
            Click(ToolbarButton(box->frame, "toolbar", box->frame->CommandAction(AudioFileFrm::kSave)));
            Check(!box->modified && !box->frame->windowTitle().contains('*'), "saved, no *");
            Check(fs::last_write_time(box->record.path) != written || fs::file_size(box->record.path) != size,
                  "the file on disk changed");
        });
        add("editor", "Save", "Ctrl+S", "the file written", [this] {
            PropertyBoxObj* box = Editor();
            SelectMiddle();
            EditorKey(Qt::Key_Delete);
            Check(box->modified, "changed");
            const auto size = fs::file_size(box->record.path);
            Key(box->frame, Qt::Key_S, Qt::ControlModifier);
            Check(!box->modified, "saved");
            Check(fs::file_size(box->record.path) < size, "the shorter sound is on disk");
        });
        add("editor", "Save As (toolbar)", "click, name typed, Enter", "a new file written", [this] {
            PropertyBoxObj* box = Editor();
            const std::string target = work_ + "/saved_as.wav";
            fs::remove(target);
            ClickAnswering(ToolbarButton(box->frame, "toolbar", box->frame->CommandAction(AudioFileFrm::kSaveAs)),
                           ChooseFile(target), "the Save As dialog");
            WaitOrFail([&] { return fs::exists(target) && fs::file_size(target) > 44; }, "the new file");
        });
        add("editor", "Find similar sounds", "click", "a Find Similar Sounds window", [this] {
            OpensSearchWindow([&] {
            Click(EditorButton(1030));
            }, [&](SearchBoxObj* box) {
                WaitOrFail([&] { return !box->IsSearching(); }, "its search to end");
            });
        });
        add("editor", "close with changes", "window close, Yes", "saved, window gone", [this] {
            PropertyBoxObj* box = Editor();
            const std::string path = box->record.path;
            SelectMiddle();
            EditorKey(Qt::Key_Delete);
            const auto size = fs::file_size(path);
            const size_t before = EditorCount();
            CloseWindow(box->frame, "Yes");
            WaitOrFail([&] { return EditorCount() == before - 1; }, "the editor to close");
            editor_ = nullptr;
            Check(fs::file_size(path) < size, "the change is on disk");
        });
        add("editor", "Category, Genre, Tempo", "a word typed into each, Tab; Ctrl+S",
            "stored as typed, not completed from the lists", [this] {
                PropertyBoxObj* box = Editor();
                AudioFileView* view = box->frame->View();
                Click(view->Control(1294)); // Effect
                const struct {
                    int id;
                    const char* typed; // begins a longer choice of the box's list
                } boxes[] = {{1107, "House"}, {1028, "Electro"}, {1114, "12"}};
                for (const auto& b : boxes) {
                    auto* combo = qobject_cast<QComboBox*>(view->Control(b.id));
                    Check(combo != nullptr && combo->lineEdit() != nullptr, "the box " + std::to_string(b.id));
                    FocusByClick(combo->lineEdit());
                    Key(box->frame, Qt::Key_A, Qt::ControlModifier);
                    Type(box->frame, b.typed);
                    Key(box->frame, Qt::Key_Tab);
                    Check(combo->currentText() == b.typed,
                          std::string("the box shows ") + b.typed + ": " + combo->currentText().toStdString());
                }
                Key(box->frame, Qt::Key_S, Qt::ControlModifier);
                SoundFileObj stored;
                Check(theCatalogDb->GetFileByPath(box->record.path, stored), "the sound is in MyTambrel");
                Check(stored.category == "House" && stored.genre == "Electro" && stored.bpm == 12,
                      "stored: " + stored.category + ", " + stored.genre + ", " + std::to_string(stored.bpm));
                const size_t before = EditorCount();
                CloseWindow(box->frame);
                WaitOrFail([&] { return EditorCount() == before - 1; }, "the editor to close");
                editor_ = nullptr;
            });

        // The search window.
        add("search", "Search Now", "words typed, click", "the hits and their count", [this] {
            Check(PickMenu(frame_, "Tools", "Search..."), "a search window");
            WaitOrFail([&] { return LastSearch() != nullptr && LastSearch()->Frame()->isVisible(); },
                       "the search window");
            SearchBoxObj* box = LastSearch();
            SearchView* form = box->Frame()->Form();
            if (form->CheckBox(1008) != nullptr && form->CheckBox(1008)->isChecked())
                Click(form->CheckBox(1008)); // MyTambrel only
            QLineEdit* words = form->ComboBox(1005)->lineEdit();
            FocusByClick(words);
            Type(box->Frame(), "gusty");
            Click(form->SearchButton());
            WaitOrFail([&] { return !box->IsSearching() && box->LocalList()->Rows().Count() == 1; },
                       "one hit");
            Check(box->Pane()->PageCaption(SearchResultsPane::kLocalPage) == "MyTambrel: 1 hits" ||
                      box->Pane()->PageCaption(SearchResultsPane::kLocalPage).find('1') != std::string::npos,
                  "the caption counts it: " + box->Pane()->PageCaption(SearchResultsPane::kLocalPage));
        });
        add("search", "Pitch: All Variations, Normal Pitch Only", "click each, Search Now each",
            "the wind's pitch variants among the hits, then the wind alone", [this] {
                SearchBoxObj* box = LastSearch();
                Check(box != nullptr, "the search window");
                SearchView* form = box->Frame()->Form();
                Click(form->Radio(1275));
                Check(form->Radio(1275)->isChecked() && !form->Radio(1276)->isChecked(),
                      "All Variations chosen, Normal Pitch Only cleared");
                Click(form->SearchButton());
                WaitOrFail([&] { return !box->IsSearching() && box->LocalList()->Rows().Count() > 1; },
                           "the wind's variants");
                const int all = box->LocalList()->Rows().Count();
                Click(form->Radio(1276));
                Check(form->Radio(1276)->isChecked() && !form->Radio(1275)->isChecked(),
                      "Normal Pitch Only chosen, All Variations cleared");
                Click(form->SearchButton());
                WaitOrFail([&] { return !box->IsSearching() && box->LocalList()->Rows().Count() == 1; },
                           "the wind alone (of " + std::to_string(all) + " with its variants)");
            });
        add("search", "Advanced", "click twice", "the advanced form shows, then hides", [this] {
            SearchBoxObj* box = LastSearch();
            Check(box != nullptr, "the search window");
            SearchView* form = box->Frame()->Form();
            QWidget* advanced = box->Frame()->findChild<QWidget*>("AdvancedSearchView");
            Check(advanced != nullptr, "the advanced form");
            const bool before = advanced->isVisible();
            Click(form->CheckBox(1315));
            WaitOrFail([&] { return advanced->isVisible() == !before; }, "the advanced form to switch");
            Click(form->CheckBox(1315));
            WaitOrFail([&] { return advanced->isVisible() == before; }, "and back");
        });
        add("search", "Search Now", "Enter in the words", "the hits", [this] {
            SearchBoxObj* box = LastSearch();
            Check(box != nullptr, "the search window");
            QLineEdit* words = box->Frame()->Form()->ComboBox(1005)->lineEdit();
            FocusByClick(words);
            Key(box->Frame(), Qt::Key_A, Qt::ControlModifier);
            Type(box->Frame(), "rain");
            Key(box->Frame(), Qt::Key_Return);
            WaitOrFail([&] { return !box->IsSearching() && box->LocalList()->Rows().Count() == 2; },
                       "two rain hits");
            CloseWindow(box->Frame());
        });

        add("search", "WebTambrel: a remote row's Open",
            "WebTambrel ticked, words typed, Search Now, the web tab, the row's Open",
            "the remote sound downloaded and opened in an editor", [this] {
                Check(!Env("TAMBREL_WEBTAMBREL_SERVER").empty(), "a WebTambrel server is set");
                Check(PickMenu(frame_, "Tools", "Search..."), "a search window");
                WaitOrFail([&] { return LastSearch() != nullptr && LastSearch()->Frame()->isVisible(); },
                           "the search window");
                SearchBoxObj* box = LastSearch();
                SearchView* form = box->Frame()->Form();
                if (!form->CheckBox(1008)->isChecked())
                    Click(form->CheckBox(1008)); // WebTambrel
                QLineEdit* words = form->ComboBox(1005)->lineEdit();
                FocusByClick(words);
                Key(box->Frame(), Qt::Key_A, Qt::ControlModifier);
                Type(box->Frame(), "storm");
                Click(form->SearchButton());
                auto* web = dynamic_cast<ResultsListObj*>(box->WebList());
                Check(web != nullptr, "the remote list");
                WaitOrFail([&] {
                    return !box->IsSearching() && !box->WebSearchRunning() && web->Count() == 1;
                }, "one remote hit", 30000);
                auto* tabs = box->Frame()->findChild<QTabBar*>();
                Check(tabs != nullptr, "the pages' tabs");
                Click(tabs, tabs->tabRect(box->Pane()->PageTab(SearchResultsPane::kWebPage)).center());
                auto* results = dynamic_cast<ResultsWnd*>(web->Window());
                WaitOrFail([&] { return results != nullptr && results->isVisible(); }, "the web page");
                const size_t before = EditorCount();
                if (results->IsTabularShown()) {
                    HeaderButtonCtrl* open = results->Tabular()->Strip()->GetButtonAt(2, 0);
                    Check(open != nullptr && open->isVisible(), "the row's Open");
                    Click(open);
                } else {
                    auto* cards = results->findChild<StackedResultsWnd*>();
                    Check(cards != nullptr && cards->CardForRow(0) != nullptr, "the remote card");
                    CGP_Graphic* node = cards->CardForRow(0)->OpenButton();
                    int x = node->width / 2, y = node->height / 2;
                    node->LocalToWindow(x, y);
                    Click(cards->viewport(), QPoint(x, y));
                }
                WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor");
                PropertyBoxObj* editor = Editors().back();
                WaitOrFail([&] { return editor->downloadId == -1 && editor->app.waveform != nullptr; },
                           "the download", 30000);
                Check(editor->frame->windowTitle() == "rain_storm.wav (remote file)",
                      "its title: " + editor->frame->windowTitle().toStdString());
                Check(fs::file_size(editor->app.path) ==
                          fs::file_size(Env("JOURNEY_REMOTE") + "/rain_storm.wav"),
                      "the whole file came");
                CloseWindow(editor->frame, "No");
                WaitOrFail([&] { return EditorCount() == before; }, "the editor to close");
                CloseWindow(box->Frame());
            });
        add("search", "End, then the last row's Open",
            "words typed, All Variations, Search Now, a row, End, the Open beside the last row",
            "an editor on the last row's sound at its pitch", [this] {
                Check(PickMenu(frame_, "Tools", "Search..."), "a search window");
                WaitOrFail([&] { return LastSearch() != nullptr && LastSearch()->Frame()->isVisible(); },
                           "the search window");
                SearchBoxObj* box = LastSearch();
                SearchView* form = box->Frame()->Form();
                if (form->CheckBox(1008) != nullptr && form->CheckBox(1008)->isChecked())
                    Click(form->CheckBox(1008)); // MyTambrel only
                Click(form->Radio(1275));          // All Variations
                QLineEdit* words = form->ComboBox(1005)->lineEdit();
                FocusByClick(words);
                Key(box->Frame(), Qt::Key_A, Qt::ControlModifier);
                Type(box->Frame(), "Weather");
                Click(form->SearchButton());
                auto* list = dynamic_cast<ResultsListObj*>(box->LocalList());
                Check(list != nullptr, "the MyTambrel list");
                WaitOrFail([&] { return !box->IsSearching() && list->Count() > 3; },
                           "the Weather sounds with the wind's variants");
                auto* results = dynamic_cast<ResultsWnd*>(list->Window());
                Check(results != nullptr && results->isVisible(), "the MyTambrel page");
                if (!results->IsTabularShown()) {
                    auto* box1 = box->Frame()->findChild<QCheckBox*>("1317");
                    Check(box1 != nullptr, "the table box");
                    Click(box1);
                }
                WaitOrFail([&] { return results->IsTabularShown(); }, "the table");
                TabularColumnsCtrl* table = results->Tabular()->Columns();
                TabularHeaderCtrl* strip = results->Tabular()->Strip();
                const int last = list->Count() - 1;
                Check(last + 1 > table->GetCountPerPage(),
                      "more rows than fit: " + std::to_string(last + 1) + " in a page of " +
                          std::to_string(table->GetCountPerPage()));
                FocusByClick(table->viewport(), PlainCell(table, 0));
                Key(box->Frame(), Qt::Key_End);
                Check(table->FocusRow() == last, "End reached the last row");
                // The Open column's middle, at the height of the last row's middle.
                const int y = table->rowViewportPosition(last) + table->rowHeight(last) / 2;
                const QPoint inStrip(strip->GetStripWidth() - 24 - 12,
                                     strip->mapFromGlobal(table->viewport()->mapToGlobal(QPoint(0, y))).y());
                Check(strip->rect().contains(inStrip), "the last row beside the strip");
                const std::string path = list->RowLocalPath(last);
                const int semitones = RatioToHalftones(list->RowRatio(last));
                const size_t before = EditorCount();
                Click(strip, inStrip);
                WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor");
                PropertyBoxObj* editor = Editors().back();
                Check(editor->app.path == path && editor->semitones == semitones,
                      "the last row's sound: " + editor->app.path + " at " +
                          std::to_string(editor->semitones) + " semitones, not " + path + " at " +
                          std::to_string(semitones));
                CloseWindow(editor->frame, "No");
                WaitOrFail([&] { return EditorCount() == before; }, "the editor to close");
                CloseWindow(box->Frame());
            });

        // Removing sounds from the catalog, last: the rows before use them.
        add("results", "row context menu > Remove from MyTambrel", "right click, menu click, No",
            "the question; the sound stays", [this] {
                ShowWeather();
                ShowTable(true);
                const int files = CatalogFiles();
                ModalAnswer no(Press("No"));
                Check(RightClickRow(0, "Remove from MyTambrel"), "the menu's Remove");
                WaitOrFail([&] { return no.seen; }, "the question");
                Check(CatalogFiles() == files && MainList()->Count() == 3, "nothing removed");
            });
        add("results", "Delete in the table", "key, Yes", "the row and its file leave MyTambrel",
            [this] {
                ShowWeather();
                ShowTable(true);
                const int files = CatalogFiles();
                TabularColumnsCtrl* table = MainPane()->Results()->Tabular()->Columns();
                FocusByClick(table->viewport(), PlainCell(table, 0));
                const std::string path = MainList()->RowLocalPath(0);
                KeyAnswering(frame_, Qt::Key_Delete, {}, Press("Yes"), "the question");
                WaitOrFail([&] { return CatalogFiles() == files - 1; }, "the file to leave the catalog");
                Check(!theCatalogDb->IsInCatalog(path), "the removed row's file");
                WaitOrFail([&] { return MainList()->Count() == 2; }, "two rows left");
            });

        // The keyboard on the table of every catalogued file, and F6 to the cards.
        const auto showEveryFile = [this] {
            ClickTreeItem(TreeItemNamed("MyTambrel"));
            WaitOrFail([&] { return theController->ShownCategory().empty() && MainList()->Count() >= 3; },
                       "every file in the main list");
            ShowTable(true);
            return MainPane()->Results()->Tabular()->Columns();
        };
        const auto selectedRows = [this] {
            std::vector<int> rows;
            TabularColumnsCtrl* table = MainPane()->Results()->Tabular()->Columns();
            for (int row = 0; row < table->rowCount(); ++row)
                if (table->IsRowSelected(row))
                    rows.push_back(row);
            return rows;
        };
        // A key that opens a popup menu, and a click on the menu's entry.
        const auto keyAndPick = [this](Qt::Key key, Qt::KeyboardModifiers mods, const QString& entry) {
            bool tried = false, picked = false;
            QTimer poll;
            poll.setInterval(20);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (tried || ShownMenu() == nullptr)
                    return;
                tried = true;
                poll.stop();
                picked = PickShownMenuEntry(entry);
            });
            poll.start();
            Key(frame_, key, mods);
            WaitUntil([&] { return tried; }, 3000);
            poll.stop();
            return picked;
        };
        add("results", "arrows in the table", "click row 1, Down twice, Up",
            "the highlight moves with the keys", [this, showEveryFile, selectedRows] {
                TabularColumnsCtrl* table = showEveryFile();
                FocusByClick(table->viewport(), PlainCell(table, 0));
                Key(frame_, Qt::Key_Down);
                Key(frame_, Qt::Key_Down);
                Check(selectedRows() == std::vector<int>{2} && table->FocusRow() == 2, "row 3 alone");
                Key(frame_, Qt::Key_Up);
                Check(selectedRows() == std::vector<int>{1} && table->FocusRow() == 1, "row 2 alone");
                Key(frame_, Qt::Key_End);
                const int last = table->rowCount() - 1;
                Check(selectedRows() == std::vector<int>{last}, "End: the last row");
                Key(frame_, Qt::Key_Home);
                Check(selectedRows() == std::vector<int>{0}, "Home: the first row");
            });
        add("results", "Shift and Ctrl with arrows", "click row 1, Shift+Down twice, Ctrl+Up",
            "rows 1-3 selected, the focus alone moves", [this, showEveryFile, selectedRows] {
                TabularColumnsCtrl* table = showEveryFile();
                FocusByClick(table->viewport(), PlainCell(table, 0));
                Key(frame_, Qt::Key_Down, Qt::ShiftModifier);
                Key(frame_, Qt::Key_Down, Qt::ShiftModifier);
                Check(selectedRows() == (std::vector<int>{0, 1, 2}), "rows 1 to 3");
                Key(frame_, Qt::Key_Up, Qt::ControlModifier);
                Check(selectedRows() == (std::vector<int>{0, 1, 2}) && table->FocusRow() == 1,
                      "the selection stays, the focus moves");
            });
        add("results", "Menu key > Open", "click row 1, Down, Menu key, menu click",
            "an editor on row 2's sound", [this, showEveryFile, keyAndPick] {
                TabularColumnsCtrl* table = showEveryFile();
                FocusByClick(table->viewport(), PlainCell(table, 0));
                Key(frame_, Qt::Key_Down);
                const std::string path = MainList()->RowLocalPath(1);
                OpensEditor([&] { Check(keyAndPick(Qt::Key_Menu, {}, "Open"), "the menu's Open"); },
                            [&](PropertyBoxObj* box) {
                                Check(box->app.path == path, "row 2's file: " + box->app.path);
                            });
            });
        add("results", "Shift+F10 > Remove from MyTambrel", "click, arrows, Shift+F10, menu click, Yes",
            "the row reached leaves MyTambrel, the others stay", [this, showEveryFile, selectedRows,
                                                                  keyAndPick] {
                TabularColumnsCtrl* table = showEveryFile();
                // A file outside Weather: the rows after this one use the Weather sounds.
                int target = -1;
                for (int row = 0; row < MainList()->Count() && target < 0; ++row)
                    if (MainList()->Entry(row).file.category != "Weather")
                        target = row;
                Check(target >= 0, "a file outside Weather");
                FocusByClick(table->viewport(), PlainCell(table, target == 0 ? 1 : 0));
                if (target == 0)
                    Key(frame_, Qt::Key_Up);
                for (int row = 0; row < target; ++row)
                    Key(frame_, Qt::Key_Down);
                Check(selectedRows() == std::vector<int>{target}, "the row reached alone");
                std::vector<std::string> others;
                for (int row = 0; row < MainList()->Count(); ++row)
                    if (row != target)
                        others.push_back(MainList()->RowLocalPath(row));
                const std::string path = MainList()->RowLocalPath(target);
                const int files = CatalogFiles();
                ModalAnswer yes(Press("Yes"));
                Check(keyAndPick(Qt::Key_F10, Qt::ShiftModifier, "Remove from MyTambrel"),
                      "the menu's Remove");
                WaitOrFail([&] { return yes.seen; }, "the question");
                WaitOrFail([&] { return CatalogFiles() == files - 1; }, "the file to leave the catalog");
                Check(!theCatalogDb->IsInCatalog(path), "the removed file is the row reached");
                for (const std::string& other : others)
                    Check(theCatalogDb->IsInCatalog(other), "still catalogued: " + other);
            });
        // The category tree by keys: the arrows reach Weather and show it; each menu key gives
        // Weather's menu, whose Search... searches for it.
        const auto treeKeyAndSearch = [this, keyAndPick](Qt::Key key, Qt::KeyboardModifiers mods) {
            QTreeWidgetItem* weather = TreeItemNamed("Weather");
            Check(weather != nullptr && weather->parent() != nullptr, "the Weather category");
            ClickTreeItem(weather->parent());
            for (int i = 0; i < 40 && Tree()->SelectedItem() != TreeItemNamed("Weather"); ++i)
                Key(frame_, Qt::Key_Down);
            Check(Tree()->SelectedItem() == TreeItemNamed("Weather"), "Down reached Weather");
            WaitOrFail([&] {
                return theController->ShownCategory() == "Weather" && MainList()->Count() >= 2;
            }, "the Weather sounds shown by the keys");
            OpensSearchWindow([&] { Check(keyAndPick(key, mods, "Search..."), "the menu's Search..."); },
                              [&](SearchBoxObj* box) {
                                  const QString text = box->Frame()->Form()->ComboBox(1005)->currentText();
                                  Check(text == "Weather", "it searches for Weather: " + text.toStdString());
                              });
        };
        add("tree", "Menu key > Search...", "click the class, Down to Weather, Menu key, menu click",
            "a Text Search window for Weather", [treeKeyAndSearch] { treeKeyAndSearch(Qt::Key_Menu, {}); });
        add("tree", "Shift+F10 > Search...", "click the class, Down to Weather, Shift+F10, menu click",
            "a Text Search window for Weather",
            [treeKeyAndSearch] { treeKeyAndSearch(Qt::Key_F10, Qt::ShiftModifier); });
        add("results", "F6 to the cards", "F6 from the tree, Page Down, Shift+F6",
            "the cards take the keys and scroll", [this] {
                ClickTreeItem(TreeItemNamed("MyTambrel"));
                WaitOrFail([&] { return MainList()->Count() >= 2; }, "the files in the main list");
                StackedResultsWnd* cards = Cards();
                Tree()->setFocus(Qt::MouseFocusReason);
                Key(frame_, Qt::Key_F6);
                Check(QApplication::focusWidget() == cards, "F6 gave the cards the focus");
                const int before = cards->VerticalPosition();
                Key(frame_, Qt::Key_PageDown);
                Check(cards->VerticalPosition() > before, "Page Down scrolled the cards");
                Key(frame_, Qt::Key_F6, Qt::ShiftModifier);
                Check(QApplication::focusWidget() == Tree(), "Shift+F6 went back to the tree");
                Key(frame_, Qt::Key_F6, Qt::ShiftModifier);
                Check(QApplication::focusWidget() == cards, "Shift+F6 came back to the cards");
                ShowTable(true);
            });
        add("editor", "Remove (toolbar)", "click", "the sound leaves MyTambrel, the editor stays",
            [this] {
                ShowWeather();
                const size_t before = EditorCount();
                const int files = CatalogFiles();
                Click(RowButton(2, 0));
                WaitOrFail([&] { return EditorCount() == before + 1; }, "an editor");
                PropertyBoxObj* box = Editors().back();
                Check(box->frame->windowTitle().contains("(in MyTambrel)"), "a catalogued sound");
                Click(ToolbarButton(box->frame, "toolbar", box->frame->CommandAction(AudioFileFrm::kRemove)));
                WaitOrFail([&] { return CatalogFiles() == files - 1; }, "the file to leave the catalog");
                Check(!box->frame->windowTitle().contains("(in MyTambrel)"),
                      "the title no longer says so: " + box->frame->windowTitle().toStdString());
                CloseWindow(box->frame);
                WaitOrFail([&] { return EditorCount() == before; }, "the editor to close");
            });

        // Last: the program ends through its menu.
        add("main", "File > Exit", "menu click", "the program ends", [this] {
            exitAsked_ = true;
            Check(PickMenu(frame_, "File", "Exit"), "the menu entry");
        });
        return rows;
    }

    // Renames a category in place: its menu's Rename opens the item's editor.
    void RenameInTree(const QString& from, const QString& to) {
        QTreeWidgetItem* item = TreeItemNamed(from);
        Check(item != nullptr, "the " + from.toStdString() + " category");
        Check(RightClickTree(item, "Rename category"), "the menu's Rename category");
        WaitOrFail([&] { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; },
                   "the name's editor");
        Key(frame_, Qt::Key_A, Qt::ControlModifier);
        Type(frame_, to.toStdString());
        Key(frame_, Qt::Key_Return);
        WaitOrFail([&] { return TreeItemNamed(to) != nullptr; }, to.toStdString() + " in the tree");
    }

    // A point of a row away from its file name (a click on the name opens the sound).
    static QPoint PlainCell(TabularColumnsCtrl* table, int row) {
        for (int column = 2; column < table->columnCount(); ++column) {
            const QRect cell = table->visualRect(table->model()->index(row, column));
            if (cell.width() > 4 && table->viewport()->rect().contains(cell.center()))
                return cell.center();
        }
        Check(false, "a plain cell of the row shows");
        return {};
    }
    // A right click on a row of the main table, on its file name, and the menu's entry.
    bool RightClickRow(int row, const QString& entry) {
        TabularColumnsCtrl* table = MainPane()->Results()->Tabular()->Columns();
        const QRect cell = table->visualRect(table->model()->index(row, 1));
        Check(cell.isValid(), "the row shows");
        return ClickAndPick(table->viewport(), cell.center(), Qt::RightButton, entry);
    }
    bool RightClickTree(QTreeWidgetItem* item, const QString& entry) {
        Check(item != nullptr, "the tree item");
        LocalFilesView* tree = Tree();
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
        tree->scrollToItem(item);
        QApplication::processEvents();
        return ClickAndPick(tree->viewport(), tree->visualItemRect(item).center(), Qt::RightButton, entry);
    }

    // Clicks "Start Updating MyTambrel" and waits for the update to end.
    void ClickStartUpdating(CatalogFrm* manage) {
        auto* button = manage->findChild<QPushButton*>(QString::number(CatalogFrm::kUpdateButtonId));
        Check(button != nullptr && button->text() == "Start Updating MyTambrel", "the update button");
        auto* box = dynamic_cast<IndexerBoxObj*>(theController->ManageBox());
        Check(box != nullptr, "the Manage box");
        Click(button);
        WaitOrFail([&] { return !box->IsRunning() && !box->Task().IsRunning(); }, "the update to end",
                   120000);
        Check(manage->StatusText().startsWith("Update Completed"),
              "\"Update Completed\": " + manage->StatusText().toStdString());
    }
    int RowNamed(const std::string& name) {
        CatalogFrm* manage = Manage();
        for (int i = 0; i < manage->ListView().RowCount(); ++i)
            if (fs::path(manage->ListView().Row(i)->record.path).filename() == name)
                return i;
        Check(false, name + " is listed");
        return -1;
    }
    // Selects the cells with the mouse (Ctrl adds), types the text, Enter.
    void TypeInto(CatalogListCtrl& table, const std::vector<int>& rows, int column, const std::string& text) {
        QWidget* manage = table.window();
        for (size_t i = 0; i < rows.size(); ++i) {
            table.scrollToItem(table.item(rows[i], column));
            const QRect cell = table.visualRect(table.model()->index(rows[i], column));
            Click(table.viewport(), cell.center(), Qt::LeftButton,
                  i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        }
        Type(manage, text);
        Key(manage, Qt::Key_Return);
        Check(table.window()->isVisible(), "Manage still shows");
        CatalogFrm* frame = Manage();
        for (int row : rows)
            Check(frame->ListView().Row(row)->GetColumnText(static_cast<CatalogUpdateItem::Column>(column)) == text,
                  "row " + std::to_string(row) + " reads \"" + text + "\": \"" +
                      frame->ListView().Row(row)->GetColumnText(static_cast<CatalogUpdateItem::Column>(column)) + "\"");
    }

    RecordingUrls urls_;
    std::vector<std::string> unexpected_;
    std::string sounds_, work_;
    QPointer<CMainFrame> frame_;
    PropertyBoxObj* editor_ = nullptr;
    PropertyBoxObj* beeps_ = nullptr;

public:
    bool exitAsked_ = false;
};

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (Env("JOURNEY_SOUNDS").empty() || Env("JOURNEY_WORK").empty()) {
        std::fprintf(stderr, "run through commands.sh\n");
        return 2;
    }
    // Held loaded so the leak checker can name the ODBC set-up library after the driver
    // manager let go.
    dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
    RecordQtWarnings();
    std::unique_ptr<CommandRun> table;
    int failed = -1;
    const int status = RunTambrelProgram(argc, argv, [&table, &failed] {
        table = std::make_unique<CommandRun>();
        failed = table->Run();
        if (!table->exitAsked_)
            QCoreApplication::exit(3);
    });
    std::printf("program exit status %d\n", status);
    if (failed < 0) {
        std::printf("COMMANDS FAILED: the program did not start\n");
        return 1;
    }
    // Warnings of the close-down, after the last row.
    const std::vector<std::string> closing = TakeQtWarnings();
    if (!closing.empty())
        std::printf("FAILED: the toolkit warned as the program closed:\n%s",
                    DescribeQtWarnings(closing).c_str());
    const bool ok = failed == 0 && status == 0 && closing.empty();
    std::printf(ok ? "COMMANDS PASSED\n" : "COMMANDS FAILED\n");
    table.reset();
    return ok ? 0 : 1;
}
