// A user's day with the program, end to end: the real program is started through its own
// start-up on a catalog and a settings folder of the run's own, and driven from inside its
// event loop through its windows. Each step checks what the user sees and what the catalog
// holds, and reports its time.
//
// The environment (set by journey.sh): JOURNEY_SOUNDS, a folder of sound files to catalogue;
// JOURNEY_WORK, a folder for the run's files; JOURNEY_SHOTS, where screenshots go.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QMimeData>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QWindow>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "app/commands.h"
#include "app/locate_dlg.h"
#include "app/main_frame.h"
#include "program/run_program.h"
#include "app/tambrel_app.h"
#include "app/validator_dlg.h"
#include "collection/validator/validator.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "collection/catalog_update_item.h"
#include "editor/dialogs/fade_dlg.h"
#include "editor/window/audio_file_frm.h"
#include "editor/window/audio_file_view.h"
#include "editor/window/property_box.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/support_qt/qt_warnings.h"
#include "windows/category/category_tree_view.h"
#include "windows/manage/indexer_box.h"
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
#include "windows/results/result_cards.h"
#include "windows/results/results_table.h"

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Every top-level window the program shows, in order, from the moment the application exists.
struct ShownWindow {
    std::string className, title;
    QSize size;
    qint64 at = 0; // ms since the application was made
};
std::vector<ShownWindow> theShownWindows;

class ShowWatcher : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Show && target->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(target);
            if (widget->isWindow())
                theShownWindows.push_back({widget->metaObject()->className(),
                                           widget->windowTitle().toStdString(), widget->size(),
                                           clock_.elapsed()});
        }
        return false;
    }
    QElapsedTimer clock_;
};

void WatchShownWindows() {
    auto* watcher = new ShowWatcher;
    watcher->setParent(QCoreApplication::instance());
    watcher->clock_.start();
    QCoreApplication::instance()->installEventFilter(watcher);
}
Q_COREAPP_STARTUP_FUNCTION(WatchShownWindows)

class Journey {
public:
    Journey()
        : sounds_(Env("JOURNEY_SOUNDS")), work_(Env("JOURNEY_WORK")), shots_(Env("JOURNEY_SHOTS")) {}

    void Run(qint64 sinceLaunch) {
        std::printf("launch to main window (splash included): %lld ms\n",
                    static_cast<long long>(sinceLaunch));
        times_ << "  launch to main window, splash included: " << sinceLaunch << "\n";
        seams_.boxAnswer = MessageAnswer::Yes;
        if (Env("JOURNEY_PHASE") == "import") {
            ImportDay();
            return;
        }
        // Each step stops at its first failed check; later steps still run where they can.
        Step("1 start: the splash, then the main window", [this] { StartUp(); });
        Step("2 Manage: drop a folder, fill in categories, update", [this] { Manage(); });
        Step("3 category tree: counts, a category in cards and in the table",
             [this] { Categories(); });
        Step("4 preview, edit in the editor, fade, save", [this] { Edit(); });
        Step("5 Text Search, Find Similar Sounds", [this] { Search(); });
        Step("6 the same against WebTambrel; download a remote hit and open it",
             [this] { Remote(); });
        Step("7 rename a category, move one by dragging", [this] { Reorganise(); });
        Step("8 validate after moving two files, export the metadata", [this] { Transfer(); });
        Close();
    }

    // The user closes the main window; the program saves its settings and ends.
    void Close() {
        QTimer::singleShot(0, [this] {
            closeTimer_.start();
            if (theApp != nullptr && theApp->MainFrame() != nullptr)
                theApp->MainFrame()->close();
        });
        QTimer::singleShot(15000, [this] {
            Fail("the program did not end after its main window was closed");
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    std::printf("   still shown: %s \"%s\"\n", w->metaObject()->className(),
                                w->windowTitle().toStdString().c_str());
            QCoreApplication::exit(3);
        });
    }

    void Finish(int status) {
        std::printf("step 9 close: exit status %d, %lld ms\n", status,
                    static_cast<long long>(closeTimer_.isValid() ? closeTimer_.elapsed() : -1));
        if (status != 0)
            Fail("the program ended with status " + std::to_string(status));
        const std::vector<std::string> warnings = TakeQtWarnings();
        if (!warnings.empty())
            Fail("the toolkit warned after the last step:\n" + DescribeQtWarnings(warnings));
        std::printf("\nstep times (ms):\n%s", times_.str().c_str());
        for (const std::string& box : unexpected_)
            std::printf("message box: %s\n", box.c_str());
        std::printf(failures_ == 0 ? "JOURNEY PASSED\n" : "JOURNEY FAILED: %d failed checks\n",
                    failures_);
    }

    int Failures() const { return failures_; }

private:
    struct StepFailed {};

    void Step(const std::string& name, const std::function<void()>& body) {
        std::printf("== step %s\n", name.c_str());
        std::fflush(stdout);
        QElapsedTimer timer;
        timer.start();
        try {
            body();
        } catch (const StepFailed&) {
        }
        // The toolkit warns of a fault of ours (start-up's warnings count for the first step).
        const std::vector<std::string> warnings = TakeQtWarnings();
        if (!warnings.empty())
            Fail("the toolkit warned:\n" + DescribeQtWarnings(warnings));
        const qint64 ms = timer.elapsed();
        times_ << "  " << name << ": " << ms << "\n";
        std::printf("   %lld ms\n", static_cast<long long>(ms));
    }

    void Fail(const std::string& what) {
        ++failures_;
        std::printf("   FAILED: %s\n", what.c_str());
        std::fflush(stdout);
    }
    void Check(bool ok, const std::string& what) {
        if (!ok) {
            Fail(what);
            throw StepFailed{};
        }
        std::printf("   ok: %s\n", what.c_str());
    }
    template <class A, class B> void Equal(const A& actual, const B& expected, const std::string& what) {
        std::ostringstream s;
        s << what << " (expected \"" << expected << "\", got \"" << actual << "\")";
        Check(actual == expected, s.str());
    }
    // Lets the program run until the condition holds, as a user waits.
    void WaitFor(const std::function<bool()>& done, const std::string& what, int ms = 30000) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms) {
                Fail("timed out waiting for " + what);
                throw StepFailed{};
            }
            QTest::qWait(20);
        }
    }
    // A timed interaction: what the user does and how long until the program answers.
    void Timed(const std::string& what, const std::function<void()>& action) {
        QElapsedTimer timer;
        timer.start();
        action();
        const qint64 ms = timer.elapsed();
        times_ << "    " << what << ": " << ms << "\n";
        std::printf("   %s: %lld ms\n", what.c_str(), static_cast<long long>(ms));
    }

    // A small picture of a window for the README, and a full one beside the run.
    void Shot(QWidget* window, const std::string& name) {
        QApplication::processEvents();
        const QPixmap picture = window->grab();
        if (picture.isNull()) {
            Fail("no picture of " + name);
            return;
        }
        fs::create_directories(shots_);
        picture.save(QString::fromStdString(shots_ + "/" + name + ".png"), "PNG");
        // The README's copy: narrower and in a palette of 256 colours, a few tens of KB.
        picture.toImage()
            .scaledToWidth(std::min(picture.width(), 720), Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
            .save(QString::fromStdString(shots_ + "/" + name + "-small.png"), "PNG", 9);
    }

    static int FileCount() {
        int files = -1, sounds = -1;
        return theCatalogDb->GetCounts(files, sounds) ? files : -1;
    }
    std::string Sound(const std::string& name) const { return sounds_ + "/" + name; }

    // 1 -------------------------------------------------------------------------------------
    void StartUp() {
        Check(theApp != nullptr && theApp->Ready(), "start-up has finished");
        Check(theShownWindows.size() >= 2, "windows showed");
        const ShownWindow& splash = theShownWindows.front();
        std::printf("   first window: %s \"%s\" %dx%d\n", splash.className.c_str(),
                    splash.title.c_str(), splash.size.width(), splash.size.height());
        Check(splash.className == "InitializeWnd" && splash.size == QSize(375, 186),
              "the splash shows first");
        const auto main = std::find_if(theShownWindows.begin(), theShownWindows.end(),
                                       [](const ShownWindow& w) { return w.className == "CMainFrame"; });
        Check(main != theShownWindows.end() && main->at >= splash.at, "then the main window");
        frame_ = theApp->MainFrame();
        Check(frame_ != nullptr && frame_->isVisible(), "the main window shows");
        Equal(frame_->windowTitle().toStdString(), std::string("Corvessa Tambrel"), "its title");
        Check(theCatalogDb != nullptr, "the catalog is connected");
        Equal(FileCount(), 0, "the catalog starts empty");
        tree_ = dynamic_cast<LocalFilesView*>(theController->CategoryTree());
        Check(tree_ != nullptr && tree_->RootItem() != nullptr, "the category tree shows");
        pane_ = dynamic_cast<SinglePageResultsView*>(theController->MainPane());
        Check(pane_ != nullptr, "the results pane shows");
        Shot(frame_, "main-window-empty");
    }

    // 2 -------------------------------------------------------------------------------------
    CatalogFrm* ManageFrame() {
        auto* box = dynamic_cast<IndexerBoxObj*>(theController->ManageBox());
        return box != nullptr && box->Window() != nullptr
                   ? dynamic_cast<CatalogFrm*>(box->Window()->Widget())
                   : nullptr;
    }
    int RowOf(IndexerBoxObj& box, const std::string& name) {
        for (size_t i = 0; i < box.Items().size(); ++i)
            if (fs::path(box.Items()[i]->record.path).filename() == name)
                return static_cast<int>(i);
        return -1;
    }
    // Types a value into one cell of each row, as a user does with the cell editor.
    void Type(CatalogFrm& manage, int column, const std::vector<int>& rows, const std::string& text) {
        CatalogListCtrl& table = manage.ListView().Table();
        table.ClearSelection();
        for (size_t i = 0; i < rows.size(); ++i)
            table.SelectCell(column, rows[i], true, i == 0);
        table.OnSelectionChanged();
        std::string value = text;
        Check(table.CommitCellText(column, rows.front(), value, 0, 0),
              "typed \"" + text + "\" into column " + std::to_string(column));
    }

    void Manage() {
        Timed("open Manage", [this] { frame_->Action(cmd::kManage)->trigger(); });
        QPointer<CatalogFrm> manage = ManageFrame();
        Check(manage != nullptr && manage->isVisible(), "the Manage window shows");
        Equal(manage->windowTitle().toStdString(), std::string("Manage MyTambrel"), "its title");
        Equal(manage->UpdateButton().text().toStdString(), std::string("Start Updating MyTambrel"),
              "the update button");
        auto& box = dynamic_cast<IndexerBoxObj&>(*theController->ManageBox());

        // The folder scan asks first; the user starts it.
        CatalogListView::SetLocateRunner([](LocateDlg& dialog) {
            dialog.StartButton()->click();
            return int(QDialog::Accepted);
        });
        QMimeData drop;
        drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(sounds_))});
        Timed("drop a folder", [&] { Check(manage->ListView().DropData(drop), "the drop is taken"); });
        const int files = static_cast<int>(std::distance(fs::directory_iterator(sounds_), {}));
        WaitFor([&] { return static_cast<int>(box.Items().size()) == files; }, "every file listed");
        Equal(manage->ListView().RowCount(), files, "one row per file");
        const int damaged = RowOf(box, "damaged.wav");
        Check(damaged >= 0 && box.Items()[damaged]->state == CatalogUpdateItem::kError,
              "the damaged file shows as an error");
        for (const auto& item : box.Items())
            if (item.get() != box.Items()[damaged].get())
                Check(item->state == CatalogUpdateItem::kNotInCatalog &&
                          item->GetColumnText(CatalogUpdateItem::kAction) == "ADD",
                      fs::path(item->record.path).filename().string() + " is to be added (" +
                          item->GetColumnText(CatalogUpdateItem::kStatus) + ")");

        // Categories for some rows; the bells with every pitch, so a copy at another pitch
        // finds them.
        std::vector<int> rain, bells;
        for (const char* name : {"rain_light.wav", "rain_heavy.aif", "rain_roof.mp3"})
            rain.push_back(RowOf(box, name));
        for (const char* name : {"bell.wav", "bell_up.aif", "bell_down.au"})
            bells.push_back(RowOf(box, name));
        Check(std::count(rain.begin(), rain.end(), -1) == 0 &&
                  std::count(bells.begin(), bells.end(), -1) == 0,
              "the named files are listed");
        Timed("type a category into three rows", [&] {
            Type(*manage, CatalogUpdateItem::kClass, rain, "Effect");
            Type(*manage, CatalogUpdateItem::kCategory, rain, "Weather");
            Type(*manage, CatalogUpdateItem::kSubCategory, rain, "Rain");
        });
        Type(*manage, CatalogUpdateItem::kClass, bells, "Effect");
        Type(*manage, CatalogUpdateItem::kCategory, bells, "Bells");
        Type(*manage, CatalogUpdateItem::kDescription, {RowOf(box, "wind.wav")}, "gusty wind");
        Type(*manage, CatalogUpdateItem::kPitch, bells, "All Variations");
        for (int row : bells)
            Check(box.Items()[row]->allVariations, "all pitch variations for a bell");
        Equal(box.Items()[rain[0]]->GetColumnText(CatalogUpdateItem::kCategory),
              std::string("Weather"), "the rain rows' category");
        Shot(manage, "manage-window");

        QElapsedTimer update;
        update.start();
        manage->UpdateButton().click();
        // The damaged file is the one the update could not catalogue.
        const QString completed = "Update Completed: 1 file could not be updated";
        WaitFor([&] { return manage->StatusText() == completed; }, completed.toStdString(), 120000);
        times_ << "    update " << files << " files: " << update.elapsed() << "\n";
        std::printf("   update: %lld ms\n", static_cast<long long>(update.elapsed()));
        Equal(manage->StatusText().toStdString(), completed.toStdString(), "the status");
        Equal(FileCount(), files - 1, "every sound but the damaged one catalogued");
        Check(!theCatalogDb->IsInCatalog(Sound("damaged.wav")), "the damaged file stays out");
        SoundFileObj stored;
        Check(theCatalogDb->GetFileByPath(Sound("rain_roof.mp3"), stored), "the MP3 is stored");
        Equal(stored.category, std::string("Weather"), "its category");
        Equal(stored.subcategory, std::string("Rain"), "its sub-category");
        Check(theCatalogDb->GetSoundCount(Sound("bell_up.aif")) > 1, "a bell has pitch variants");
        Equal(theCatalogDb->GetSoundCount(Sound("wind.wav")), 1, "the wind has one sound");
        manage->close();
        WaitFor([&] { return theController->ManageBox() == nullptr; }, "the Manage window to close");
        WaitFor([&] { return manage == nullptr || !manage->isVisible(); }, "the Manage window to go", 5000);
    }

    // 3 -------------------------------------------------------------------------------------
    QTreeWidgetItem* TreeItem(const std::string& category, const std::string& sub = {}) {
        return tree_->FindItem(1, category, sub);
    }
    void ClickTree(QTreeWidgetItem* item) {
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
        tree_->scrollToItem(item);
        QApplication::processEvents();
        QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {},
                          tree_->visualItemRect(item).center());
    }
    int MainCount() { return theController->MainList()->Rows().Count(); }
    // A left click where the control is drawn, delivered to its top-level window as the
    // window system delivers it.
    void ClickAt(QWidget* control, QPoint local = {-1, -1}) {
        Check(control != nullptr && control->isVisible() && control->isEnabled(),
              "the control to click shows and is enabled");
        if (local.x() < 0)
            local = control->rect().center();
        QWidget* top = control->window();
        QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, control->mapTo(top, local));
        QApplication::processEvents();
    }

    void Categories() {
        QTreeWidgetItem* weather = TreeItem("Weather");
        Check(weather != nullptr, "the tree has the new category");
        Equal(weather->text(0).toStdString(), std::string("Weather (3)"), "its count");
        QTreeWidgetItem* rain = TreeItem("Weather", "Rain");
        Check(rain != nullptr, "and its sub-category");
        Equal(rain->text(0).toStdString(), std::string("Rain (3)"), "the sub-category's count");
        Equal(TreeItem("Bells")->text(0).toStdString(), std::string("Bells (3)"),
              "the bells' count");

        ResultsWnd* results = pane_->Results();
        if (results->IsTabularShown())
            pane_->TableBox()->click(); // cards first
        Timed("select a category", [&] { ClickTree(weather); });
        WaitFor([&] { return MainCount() == 3; }, "three hits in the main pane");
        Check(!results->IsTabularShown(), "the cards show");
        auto* cards = dynamic_cast<StackedResultsWnd*>(results->Stacked()->Widget());
        Check(cards != nullptr, "the cards' window");
        WaitFor([&] { return cards->RowCount() == 3; }, "three cards");
        std::vector<std::string> names;
        for (int i = 0; i < 3; ++i)
            names.push_back(fs::path(theController->MainList()->Rows().Entry(i).file.path)
                                .filename()
                                .string());
        std::sort(names.begin(), names.end());
        Check(names == std::vector<std::string>{"rain_heavy.aif", "rain_light.wav", "rain_roof.mp3"},
              "the hits are the rain sounds");
        Shot(frame_, "main-window-cards");

        Timed("switch to the table", [&] { ClickAt(pane_->TableBox()); });
        Check(results->IsTabularShown(), "the table shows");
        Equal(results->Tabular()->Columns()->rowCount(), 3, "three table rows");
        Shot(frame_, "main-window");

        // Ctrl+A in the tree selects every hit of the main list.
        ClickTree(weather);
        tree_->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(frame_->windowHandle(), Qt::Key_A, Qt::ControlModifier);
        QApplication::processEvents();
        Equal(results->Tabular()->Columns()->SelectedRowCount(), 3,
              "Ctrl+A in the tree selects every row of the table");
    }

    // 4 -------------------------------------------------------------------------------------
    void Edit() {
        auto* list = dynamic_cast<ResultsListObj*>(theController->MainList());
        Check(list != nullptr && list->Count() == 3, "the main list holds the rain sounds");
        TabularHeaderCtrl* strip = pane_->Results()->Tabular()->Strip();
        Timed("preview a hit", [&] { ClickAt(strip->GetButtonAt(0, 0)); });
        Equal(theController->AuditionPath(), list->RowLocalPath(0), "the preview plays the hit");
        WaitFor([&] { return theController->WasPlayed(list->RowLocalPath(0)); }, "played mark");
        Check(list->RowPlayed(0), "the row shows it was played");

        const std::string path = list->RowLocalPath(0);
        SoundFileObj before;
        Check(theCatalogDb->GetFileByPath(path, before), "the hit is catalogued");
        const size_t editors = theController->EditorBoxes().size();
        Timed("open in the editor", [&] { ClickAt(strip->GetButtonAt(2, 0)); });
        WaitFor([&] { return theController->EditorBoxes().size() == editors + 1; }, "an editor");
        auto* box = dynamic_cast<PropertyBoxObj*>(theController->EditorBoxes().back());
        Check(box != nullptr && box->frame != nullptr, "the editor window");
        QPointer<AudioFileFrm> editor = box->frame;
        WaitFor([&] { return editor->isVisible(); }, "the editor to show");
        const std::string name = fs::path(path).filename().string();
        Equal(editor->windowTitle().toStdString(), name + " (in MyTambrel)", "the editor's title");

        editor->activateWindow();
        QWidget* wave = editor->View()->findChild<QWidget*>("waveform");
        Check(wave != nullptr, "the waveform");
        {
            QWindow* window = editor->windowHandle();
            const int y = wave->height() / 2;
            const QPoint from = wave->mapTo(editor, QPoint(wave->width() / 5, y));
            const QPoint to = wave->mapTo(editor, QPoint(wave->width() / 2, y));
            QTest::mousePress(window, Qt::LeftButton, {}, from);
            QTest::mouseMove(window, to);
            QTest::mouseRelease(window, Qt::LeftButton, {}, to);
            QApplication::processEvents();
        }
        Check(box->app.SelectionFrameCount(false) > 0, "a selection dragged on the waveform");
        AudioFileView::DialogRunner() = [](QDialog& dialog) {
            if (auto* fade = dynamic_cast<FadeDlg*>(&dialog))
                fade->SetLevels(100, 0);
            return int(QDialog::Accepted);
        };
        Timed("fade the selection", [&] { ClickAt(editor->View()->Control(1039)); });
        Check(box->modified, "the sound is changed");
        Equal(editor->windowTitle().toStdString(), name + "* (in MyTambrel)", "the title marks it");
        Shot(editor, "editor");
        auto* toolbar = editor->findChild<QToolBar*>("toolbar");
        Check(toolbar != nullptr, "the editor's toolbar");
        Timed("save", [&] {
            ClickAt(toolbar->widgetForAction(editor->CommandAction(AudioFileFrm::kSave)));
        });
        Check(!box->modified, "saved");
        Equal(editor->windowTitle().toStdString(), name + " (in MyTambrel)", "the title after saving");
        SoundFileObj after;
        Check(theCatalogDb->GetFileByPath(path, after), "still catalogued");
        Check(std::memcmp(after.signature.bytes, before.signature.bytes, 16) != 0, "the catalog holds the new signature");
        Equal(after.category, std::string("Weather"), "and keeps its category");
        editor->close();
        WaitFor([&] { return theController->EditorBoxes().size() == editors; }, "the editor to close");
    }

    // 5 -------------------------------------------------------------------------------------
    static std::vector<std::string> Names(ResultsListLink* list) {
        std::vector<std::string> out;
        for (int i = 0; i < list->Rows().Count(); ++i)
            out.push_back(fs::path(list->Rows().Entry(i).file.path).filename().string());
        return out;
    }
    SearchBoxObj* LastSearch() {
        const auto boxes = theController->SearchBoxLinks();
        return boxes.empty() ? nullptr : dynamic_cast<SearchBoxObj*>(boxes.back());
    }

    void Search() {
        Timed("open a search window", [&] { frame_->Action(cmd::kSearch)->trigger(); });
        SearchBoxObj* text = LastSearch();
        Check(text != nullptr && text->Frame() != nullptr && text->Frame()->isVisible(),
              "the search window shows");
        SearchView* form = text->Frame()->Form();
        form->CheckBox(1008)->setChecked(false); // MyTambrel only
        form->ComboBox(1005)->setCurrentText("rain");
        Timed("search for a word", [&] {
            QTest::keyClick(form->ComboBox(1005)->lineEdit(), Qt::Key_Return);
            WaitFor([&] { return !text->IsSearching(); }, "the search to end");
        });
        const int local = SearchResultsPane::kLocalPage;
        Equal(text->Pane()->PageCaption(local), std::string("MyTambrel: 3 hits"), "the hits' caption");
        std::vector<std::string> hits = Names(text->LocalList());
        std::sort(hits.begin(), hits.end());
        Check(hits == std::vector<std::string>{"rain_heavy.aif", "rain_light.wav", "rain_roof.mp3"},
              "the rain sounds are found");
        form->ComboBox(1005)->setCurrentText("gusty");
        QTest::keyClick(form->ComboBox(1005)->lineEdit(), Qt::Key_Return);
        WaitFor([&] { return !text->IsSearching(); }, "the search to end");
        Check(Names(text->LocalList()) == std::vector<std::string>{"wind.wav"},
              "a word of a description finds its sound");
        form->ComboBox(1005)->setCurrentText("bell");
        QTest::keyClick(form->ComboBox(1005)->lineEdit(), Qt::Key_Return);
        WaitFor([&] { return !text->IsSearching(); }, "the search to end");
        Shot(text->Frame(), "text-search");

        // Find Similar Sounds from the copy one tone up: its siblings come first.
        auto* hitsList = dynamic_cast<ResultsListObj*>(text->LocalList());
        const std::vector<std::string> bells = Names(hitsList);
        const auto up = std::find(bells.begin(), bells.end(), "bell_up.aif");
        Check(up != bells.end(), "the bell one tone up is a hit");
        const size_t before = theController->SearchBoxLinks().size();
        Timed("find similar sounds", [&] {
            hitsList->FindSimilar(static_cast<int>(up - bells.begin()));
            WaitFor([&] { return theController->SearchBoxLinks().size() == before + 1; },
                    "a similar-sounds window");
            SearchBoxObj* similar = LastSearch();
            similar->Frame()->Form()->CheckBox(1008)->setChecked(false);
            if (similar->LocalList()->Rows().Count() == 0)
                QTest::mouseClick(similar->Frame()->Form()->SearchButton(), Qt::LeftButton);
            WaitFor([&] { return !similar->IsSearching() && similar->LocalList()->Rows().Count() > 0; },
                    "similar sounds");
        });
        SearchBoxObj* similar = LastSearch();
        Check(similar->IsSimilar(), "a similar-sounds search");
        const std::vector<std::string> ranked = Names(similar->LocalList());
        std::string order;
        for (const std::string& n : ranked)
            order += n + " ";
        std::printf("   similar: %s\n", order.c_str());
        std::vector<std::string> top;
        for (const std::string& n : ranked)
            if (std::find(top.begin(), top.end(), n) == top.end() && top.size() < 3)
                top.push_back(n);
        std::sort(top.begin(), top.end());
        Check(top == std::vector<std::string>{"bell.wav", "bell_down.au", "bell_up.aif"},
              "the bells rank first: " + order);
        // As a user narrows it beside the main window and widens the hits.
        similar->Frame()->resize(900, 520);
        similar->Frame()->Splitter()->setSizes({250, 650});
        Shot(similar->Frame(), "similar-search");
        similar->Frame()->close();
        text->Frame()->close();
        WaitFor([&] { return theController->SearchBoxLinks().empty(); }, "the searches to close");
    }

    // 6 -------------------------------------------------------------------------------------
    static bool Done(SearchBoxObj* box) { return !box->IsSearching() && !box->WebSearchRunning(); }

    void Remote() {
        Check(!Env("TAMBREL_WEBTAMBREL_SERVER").empty(), "a WebTambrel server is set");
        const int local = SearchResultsPane::kLocalPage, web = SearchResultsPane::kWebPage;
        frame_->Action(cmd::kSearch)->trigger();
        SearchBoxObj* text = LastSearch();
        Check(text != nullptr && text->Frame() != nullptr, "the search window shows");
        SearchView* form = text->Frame()->Form();
        form->CheckBox(1007)->setChecked(true);
        form->CheckBox(1008)->setChecked(true);
        form->ComboBox(1005)->setCurrentText("rain");
        Timed("search both collections for a word", [&] {
            QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
            WaitFor([&] { return Done(text); }, "both searches to end");
        });
        Equal(text->Pane()->PageCaption(local), std::string("MyTambrel: 3 hits"), "the local caption");
        Equal(text->Pane()->PageCaption(web), std::string("WebTambrel: 1 hits"), "the remote caption");
        Check(Names(text->WebList()) == std::vector<std::string>{"rain_storm.wav"},
              "the remote rain is found");
        Shot(text->Frame(), "web-search");

        // Sounds like the bell one tone up, in both collections.
        form->ComboBox(1005)->setCurrentText("bell");
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        WaitFor([&] { return Done(text); }, "both searches to end");
        auto* hits = dynamic_cast<ResultsListObj*>(text->LocalList());
        const std::vector<std::string> bells = Names(hits);
        const auto up = std::find(bells.begin(), bells.end(), "bell_up.aif");
        Check(up != bells.end(), "the bell one tone up is a hit");
        const size_t before = theController->SearchBoxLinks().size();
        Timed("find similar sounds in both collections", [&] {
            hits->FindSimilar(static_cast<int>(up - bells.begin()));
            WaitFor([&] { return theController->SearchBoxLinks().size() == before + 1; },
                    "a similar-sounds window");
            SearchBoxObj* similar = LastSearch();
            WaitFor([&] { return Done(similar); }, "the first search to end");
            SearchView* similarForm = similar->Frame()->Form();
            similarForm->CheckBox(1007)->setChecked(true);
            similarForm->CheckBox(1008)->setChecked(true);
            QTest::mouseClick(similarForm->SearchButton(), Qt::LeftButton);
            WaitFor([&] { return Done(similar) && similar->WebList()->Rows().Count() > 0; },
                    "remote similar sounds");
        });
        SearchBoxObj* similar = LastSearch();
        const std::vector<std::string> remote = Names(similar->WebList());
        std::printf("   remote similar: %s ...\n", remote.front().c_str());
        Equal(remote.front(), std::string("bell_far.wav"), "the remote bell ranks first");
        similar->Frame()->close();

        // The remote rain, downloaded over HTTP and opened in the editor.
        form->ComboBox(1005)->setCurrentText("rain");
        QTest::mouseClick(form->SearchButton(), Qt::LeftButton);
        WaitFor([&] { return Done(text); }, "both searches to end");
        auto* webHits = dynamic_cast<ResultsListObj*>(text->WebList());
        Check(webHits != nullptr && webHits->Count() == 1, "one remote hit");
        const size_t editors = theController->EditorBoxes().size();
        QElapsedTimer download;
        download.start();
        webHits->OpenRow(0);
        WaitFor([&] { return theController->EditorBoxes().size() == editors + 1; }, "an editor");
        auto* box = dynamic_cast<PropertyBoxObj*>(theController->EditorBoxes().back());
        Check(box != nullptr && box->remote, "the editor opens a remote file");
        WaitFor([&] { return box->downloadId == -1; }, "the download");
        times_ << "    download and open a remote hit: " << download.elapsed() << "\n";
        std::printf("   download and open: %lld ms\n", static_cast<long long>(download.elapsed()));
        Check(box->app.waveform != nullptr,
              "the downloaded sound is shown" +
                  (seams_.boxes.empty() ? std::string() : ": " + seams_.boxes.back().text));
        Equal(box->frame->windowTitle().toStdString(), std::string("rain_storm.wav (remote file)"),
              "the editor's title");
        Check(fs::exists(box->app.path) && fs::file_size(box->app.path) ==
                                               fs::file_size(Env("JOURNEY_REMOTE") + "/rain_storm.wav"),
              "the download is the whole file");
        box->frame->close();
        WaitFor([&] { return theController->EditorBoxes().size() == editors; }, "the editor to close");
        text->Frame()->close();
        WaitFor([&] { return theController->SearchBoxLinks().empty(); }, "the searches to close");
    }

    // 7 -------------------------------------------------------------------------------------
    std::string Filed(const std::string& name) {
        SoundFileObj stored;
        if (!theCatalogDb->GetFileByPath(Sound(name), stored))
            return "(not catalogued)";
        return std::to_string(stored.soundClass) + "/" + stored.category + "/" + stored.subcategory;
    }

    void Reorganise() {
        // Rename through the label editor, as a slow double click starts it.
        QTreeWidgetItem* weather = TreeItem("Weather");
        Check(weather != nullptr, "the category to rename");
        // A click on the label and, after the time of a double click, a second one.
        for (int click = 0; click < 2 && tree_->viewport()->findChild<QLineEdit*>() == nullptr;
             ++click) {
            tree_->scrollToItem(weather);
            QWidget* top = tree_->window();
            QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                              tree_->viewport()->mapTo(top, tree_->visualItemRect(weather).center()));
            QTest::qWait(QApplication::doubleClickInterval() + 100);
        }
        WaitFor([&] { return tree_->viewport()->findChild<QLineEdit*>() != nullptr; },
                "the label editor");
        auto* label = tree_->viewport()->findChild<QLineEdit*>();
        Check(label != nullptr, "the label editor opens");
        Equal(label->text().toStdString(), std::string("Weather"), "it starts without the count");
        label->setText("Storms");
        Timed("rename a category", [&] {
            QTest::keyClick(label, Qt::Key_Return);
            WaitFor([&] { return TreeItem("Storms") != nullptr && !tree_->IsBusy(); },
                    "the renamed category");
        });
        Equal(TreeItem("Storms")->text(0).toStdString(), std::string("Storms (3)"), "its count");
        Check(TreeItem("Weather") == nullptr, "the old name is gone");
        Equal(TreeItem("Storms", "Rain")->text(0).toStdString(), std::string("Rain (3)"),
              "its sub-category came along");
        Equal(Filed("rain_roof.mp3"), std::string("1/Storms/Rain"), "the catalog follows");
        Equal(theController->ShownCategory(), std::string("Storms"), "the main pane follows");
        Equal(MainCount(), 3, "and still lists the rain");

        // Drag the bells from the effects onto the instruments.
        QTreeWidgetItem* bells = TreeItem("Bells");
        QTreeWidgetItem* instruments = tree_->FindItem(2, "", "");
        Check(bells != nullptr && instruments != nullptr, "the category and the class");
        const std::unique_ptr<QMimeData> data = tree_->CategoryDragData(bells);
        for (QTreeWidgetItem* up = instruments->parent(); up != nullptr; up = up->parent())
            up->setExpanded(true);
        tree_->scrollToItem(instruments);
        const QPoint at = tree_->visualItemRect(instruments).center();
        Timed("drop a category on another class", [&] {
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(tree_->viewport(), &enter);
            QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(tree_->viewport(), &move);
            Check(move.isAccepted(), "the class takes the drag");
            QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
            QCoreApplication::sendEvent(tree_->viewport(), &drop);
            WaitFor([&] { return !tree_->IsBusy(); }, "the move");
        });
        Check(TreeItem("Bells") == nullptr, "the bells left the effects");
        QTreeWidgetItem* moved = tree_->FindItem(2, "Bells", "");
        Check(moved != nullptr, "the bells are an instrument category");
        Equal(moved->text(0).toStdString(), std::string("Bells (3)"), "with their count");
        Equal(tree_->FindItem(1, "", "")->text(0).toStdString(), std::string("Effects (3)"),
              "the effects' count");
        Equal(tree_->FindItem(2, "", "")->text(0).toStdString(), std::string("Instruments (3)"),
              "the instruments' count");
        Equal(Filed("bell_down.au"), std::string("2/Bells/"), "the catalog follows");
        Shot(frame_, "main-window-reorganised");
    }

    // 8 -------------------------------------------------------------------------------------
    // Answers the validator's dialogs as a user would, from the event loop they run.
    void AnswerValidator(const std::string& searchFolder, std::vector<std::string>& lines,
                         std::string& endState, int& asked) {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* question = dynamic_cast<ValidatorActionDlg*>(modal)) {
            ++asked;
            question->Radio(Validator::kSearchAll)->click();
            question->SetSearchPath(searchFolder);
            QMetaObject::invokeMethod(question, "accept", Qt::QueuedConnection);
        } else if (auto* dialog = dynamic_cast<ValidatorDlg*>(modal)) {
            if (!validatorStarted_) {
                validatorStarted_ = true;
                QMetaObject::invokeMethod(dialog->BeginButton(), "click", Qt::QueuedConnection);
            } else if (dialog->BeginButton()->isEnabled() && !dialog->EndState()->text().isEmpty()) {
                endState = dialog->EndState()->text().toStdString();
                lines.clear();
                for (int i = 0; i < dialog->Lines()->count(); ++i)
                    lines.push_back(dialog->Lines()->item(i)->text().toStdString());
                Shot(dialog, "validator");
                QMetaObject::invokeMethod(dialog->CloseButton(), "click", Qt::QueuedConnection);
            }
        }
    }

    void Transfer() {
        // Two files move to another folder behind the program's back.
        const std::string elsewhere = work_ + "/moved";
        fs::create_directories(elsewhere + "/deeper");
        fs::rename(Sound("whistle.au"), elsewhere + "/whistle.au");
        fs::rename(Sound("drum.mp3"), elsewhere + "/deeper/drum.mp3");
        std::vector<std::string> lines;
        std::string endState;
        int asked = 0;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout,
                         [&] { AnswerValidator(elsewhere, lines, endState, asked); });
        answer.start(50);
        Timed("validate", [&] { frame_->Action(cmd::kValidate)->trigger(); });
        answer.stop();
        Equal(endState, std::string("Validation complete"), "the validator's end");
        Equal(asked, 1, "one question for both moved files");
        std::sort(lines.begin(), lines.end());
        Check(lines == std::vector<std::string>{Sound("drum.mp3") + ": Successfully fixed",
                                                Sound("whistle.au") + ": Successfully fixed"},
              "both moved files are fixed");
        Check(theCatalogDb->IsInCatalog(elsewhere + "/whistle.au") &&
                  theCatalogDb->IsInCatalog(elsewhere + "/deeper/drum.mp3") &&
                  !theCatalogDb->IsInCatalog(Sound("drum.mp3")),
              "the catalog holds the new places");
        Export(work_ + "/first.tmi");
    }

    // Tools/Export into the file.
    void Export(const std::string& path) {
        const size_t boxes = seams_.boxes.size();
        seams_.dialogAnswer = &path;
        Timed("export the metadata", [&] { frame_->Action(cmd::kExport)->trigger(); });
        seams_.dialogAnswer = nullptr;
        Check(seams_.boxes.size() == boxes + 1, "the export reports");
        const int files = FileCount();
        Equal(seams_.boxes.back().text,
              "Exported " + std::to_string(files) + " of " + std::to_string(files) +
                  " items in MyTambrel",
              "every file exported");
        Check(fs::exists(path) && fs::file_size(path) > 0, "the metadata file is written");
    }

    // The next day, on an empty catalog: the metadata file brings the collection back.
    void ImportDay() {
        Step("8 import the metadata into an empty catalog", [this] {
            frame_ = theApp->MainFrame();
            Equal(FileCount(), 0, "the catalog starts empty");
            const std::string first = work_ + "/first.tmi";
            seams_.dialogAnswer = &first;
            Timed("import the metadata", [&] { frame_->Action(cmd::kImport)->trigger(); });
            seams_.dialogAnswer = nullptr;
            QPointer<CatalogFrm> manage = ManageFrame();
            Check(manage != nullptr && manage->isVisible(), "the Manage window lists the files");
            auto& box = dynamic_cast<IndexerBoxObj&>(*theController->ManageBox());
            Equal(static_cast<int>(box.Items().size()), 11, "one row per exported file");
            manage->UpdateButton().click();
            WaitFor([&] { return manage->StatusText() == "Update Completed"; },
                    "\"Update Completed\"", 120000);
            Equal(FileCount(), 11, "every file catalogued again");
            Equal(Filed("rain_roof.mp3"), std::string("1/Storms/Rain"), "a category came back");
            // The user closes the Manage window and exports at once: the export's busy loop
            // must not keep the window from going.
            manage->close();
            Export(work_ + "/second.tmi");
            WaitFor([&] { return manage == nullptr || !manage->isVisible(); },
                    "the Manage window to go", 5000);
            Check(theController->ManageBox() == nullptr, "the Manage window is closed");
        });
        Step("8b import the metadata over the same files catalogued with other texts", [this] {
            // Every file of the metadata file is catalogued now; give each other texts.
            std::vector<SoundFileObj> exported;
            std::ifstream metadata(work_ + "/first.tmi");
            for (std::string line; std::getline(metadata, line);) {
                SoundFileObj stored;
                if (line.rfind("FILENAME ", 0) == 0 &&
                    theCatalogDb->GetFileByPath(line.substr(9), stored))
                    exported.push_back(stored);
            }
            Equal(static_cast<int>(exported.size()), 11, "every exported file is catalogued");
            for (SoundFileObj other : exported) {
                other.description = "another description";
                other.category = "Elsewhere";
                other.subcategory.clear();
                Check(theController->UpdateCatalogFile(other, nullptr), "other texts stored");
            }
            const std::string first = work_ + "/first.tmi";
            seams_.dialogAnswer = &first;
            frame_->Action(cmd::kImport)->trigger();
            seams_.dialogAnswer = nullptr;
            QPointer<CatalogFrm> manage = ManageFrame();
            Check(manage != nullptr && manage->isVisible(), "the Manage window lists the files");
            manage->UpdateButton().click();
            WaitFor([&] { return manage->StatusText() == "Update Completed"; },
                    "\"Update Completed\"", 120000);
            for (const SoundFileObj& before : exported) {
                SoundFileObj stored;
                theCatalogDb->GetFileByPath(before.path, stored);
                const std::string name = fs::path(before.path).filename().string();
                Equal(stored.description, before.description, name + ": the imported description");
                Equal(stored.category + "/" + stored.subcategory,
                      before.category + "/" + before.subcategory, name + ": the imported category");
            }
            SoundFileObj wind;
            theCatalogDb->GetFileByPath(Sound("wind.wav"), wind);
            Equal(wind.description, std::string("gusty wind"), "the typed description is back");
            manage->close();
            WaitFor([&] { return manage == nullptr || !manage->isVisible(); },
                    "the Manage window to go", 5000);
        });
        Close();
    }

    FakeUiSeams seams_;
    std::string sounds_, work_, shots_;
    QPointer<CMainFrame> frame_;
    LocalFilesView* tree_ = nullptr;
    SinglePageResultsView* pane_ = nullptr;
    std::vector<std::string> unexpected_;
    std::ostringstream times_;
    QElapsedTimer closeTimer_;
    int failures_ = 0;
    bool validatorStarted_ = false;
};

} // namespace

// The WebTambrel server's collection: another catalog, filled as the indexer fills one.
int FillRemoteCatalog(const std::string& dataSource, const std::string& folder) {
    struct Remote {
        const char* name;
        const char* description;
    };
    const Remote sounds[] = {
        {"rain_storm.wav", "rain storm on a tin roof"},
        {"thunder.wav", "thunder far away"},
        {"bell_far.wav", "church bell far away"},
        {"door.wav", "door slam"},
    };
    CatalogDbObj catalog(dataSource);
    catalog.BuildShadowTables(0);
    for (const Remote& sound : sounds) {
        SoundFileObj file;
        file.path = folder + "/" + sound.name;
        std::vector<SoundVariantObj> variants;
        std::string error;
        if (!AudioFileUtil::AnalyzeFile(file, variants, 1, error, nullptr, nullptr)) {
            std::fprintf(stderr, "%s: %s\n", file.path.c_str(), error.c_str());
            return 1;
        }
        file.description = sound.description;
        if (!catalog.AddFile(file, variants))
            return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc == 4 && std::string(argv[1]) == "--fill-remote")
        return FillRemoteCatalog(argv[2], argv[3]);
    if (Env("JOURNEY_SOUNDS").empty() || Env("JOURNEY_SHOTS").empty()) {
        std::fprintf(stderr, "run through journey.sh\n");
        return 2;
    }
    // The ODBC set-up library keeps the data source's settings to the end; held loaded, the
    // leak checker can name it (and its suppression applies) after the driver manager let go.
    dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
    RecordQtWarnings();
    // The journey lives inside the program's life, so it is made once the program runs.
    std::unique_ptr<Journey> journey;
    QElapsedTimer launch;
    launch.start();
    const int status = RunTambrelProgram(argc, argv, [&journey, &launch] {
        journey = std::make_unique<Journey>();
        journey->Run(launch.elapsed());
    });
    if (!journey) {
        std::printf("JOURNEY FAILED: the program did not start (status %d)\n", status);
        return 1;
    }
    journey->Finish(status);
    const int failures = journey->Failures();
    journey.reset();
    return failures == 0 ? 0 : 1;
}
