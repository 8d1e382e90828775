// Shows the main window with the category tree filled from a small catalog and one category
// selected by a click, under a real X server; saves what it shows to the PNG named on the
// command line (build/screenshots/category_tree.png without one) and checks what a user
// would see. Exit status 0 when everything holds.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "app/app_controller.h"
#include "app/main_frame.h"
#include "collection/catalog_db.h"
#include "tests/support_qt/screenshot_catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "collection/sound_category_tree.h"
#include "windows/category/controller_tree_host.h"
#include "windows/category/category_tree_view.h"
#include "tests/support_qt/qt_warnings.h"

namespace {

int failures = 0;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

void Add(const char* name, int cls, const char* category, const char* sub) {
    SoundFileObj file;
    file.path = std::string("/sounds/") + name;
    file.sampleRate = 44100;
    file.format = 1;
    file.channels = 1;
    file.duration = 1000;
    file.soundClass = cls;
    file.category = category;
    file.subcategory = sub;
    SoundVariantObj variant;
    variant.sampleRate = 44100;
    variant.duration = 1000;
    const unsigned char points[5] = {1, 200, 30, 40, 50};
    variant.SetData(points, sizeof points);
    Check(theController->AddCatalogFile(file, {variant}), name);
}

// The main window's panes: the real category tree and an empty results pane.
class TreeOnlyFactory : public ToolWindowFactory {
public:
    std::unique_ptr<EditorBoxLink> NewEditorBox() override { return nullptr; }
    std::unique_ptr<SearchBoxLink> NewSearchBox(bool, const std::string&,
                                                const SoundSignature&) override {
        return nullptr;
    }
    std::unique_ptr<ResultsListLink> NewMainList() override { return nullptr; }
    void RunValidator() override {}
    std::unique_ptr<ManageBoxLink> NewManageBox(IndexerBoxController&) override { return nullptr; }
    CategoryTreePane NewCategoryTreePane(QWidget* parent) override {
        return MakeCategoryTreePane(parent);
    }
    ResultsPane NewResultsPane(QWidget* parent) override {
        auto* label = new QLabel("(result list)", parent);
        label->setAlignment(Qt::AlignCenter);
        return {label, nullptr};
    }
};

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral(TAMBREL_BINARY_DIR "/screenshots/category_tree.png");
    QTemporaryDir folder;
    if (!folder.isValid() || !MakeScreenshotCatalog(folder.path().toStdString())) {
        std::fprintf(stderr, "FAILED: no catalog\n");
        return 1;
    }
    CatalogDbObj catalog("TambrelShot");
    theCatalogDb = &catalog;
    AppController controller;
    theController = &controller;

    struct Sample {
        const char* name;
        int cls;
        const char* category;
        const char* sub;
    };
    const Sample samples[] = {
        {"bark.wav", 1, "Animals", "Dog"},     {"growl.wav", 1, "Animals", "Dog"},
        {"purr.wav", 1, "Animals", "Cat"},     {"owl.wav", 1, "Birds", "Owl"},
        {"rain.wav", 1, "Nature", "Rain"},     {"storm.wav", 1, "Nature", "Thunder"},
        {"door.wav", 1, "Household", "Door"},  {"tuba.wav", 2, "Brass", "Tuba"},
        {"snare.wav", 2, "Drums/Percussion", "Snare Drum"},
        {"steps.wav", 3, "Foley", "Footsteps"},
    };
    for (const Sample& s : samples)
        Add(s.name, s.cls, s.category, s.sub);

    TreeOnlyFactory factory;
    auto frame = std::make_unique<CMainFrame>(&factory);
    auto* view = dynamic_cast<LocalFilesView*>(frame->TreeLink());
    Check(view != nullptr, "the left pane is the category tree");
    if (!view)
        return 1;
    controller.SetMainPanes(frame->TreeLink(), nullptr);
    controller.FillCategoryTree();
    view->expandAll();
    frame->resize(660, 560);
    frame->show();
    Check(QTest::qWaitForWindowExposed(frame.get()), "the main window is shown");

    QTreeWidgetItem* dog = view->FindItem(1, "Animals", "Dog");
    Check(dog != nullptr, "the tree has Effects/Animals/Dog");
    if (dog)
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(dog).center());
    QTest::qWait(200);

    Check(frame->windowTitle() == "Corvessa Tambrel", "the title");
    Check(view->RootItem() && view->RootItem()->text(0) == "MyTambrel (10)", "the root's label");
    Check(view->FindItem(1, {}, {}) && view->FindItem(1, {}, {})->text(0) == "Effects (7)", "the class label");
    Check(view->SelectedItem() == dog && dog && dog->text(0) == "Dog (2)", "Dog is selected");
    Check(controller.ShownCategory() == "Animals" && controller.ShownSubCategory() == "Dog",
          "the main list shows the selection");

    const QImage shot = frame->grab().toImage();
    QDir().mkpath(QFileInfo(output).absolutePath());
    Check(shot.save(output), "the screenshot is saved");
    if (dog) {
        // The selected row is painted in the highlight colour, the others are not.
        const QColor highlight = view->palette().color(QPalette::Active, QPalette::Highlight);
        auto rowHasHighlight = [&](QTreeWidgetItem* item) {
            const QRect row = view->visualItemRect(item);
            const QPoint origin = view->viewport()->mapTo(frame.get(), row.topLeft());
            int hits = 0;
            for (int x = 0; x < row.width(); ++x) {
                if (shot.pixelColor(origin.x() + x, origin.y() + row.height() / 2) == highlight)
                    ++hits;
            }
            return hits > row.width() / 4;
        };
        Check(rowHasHighlight(dog), "the selected row is highlighted");
        Check(!rowHasHighlight(view->FindItem(1, "Animals", "Cat")), "Cat is not highlighted");
        Check(!rowHasHighlight(view->RootItem()), "the root is not highlighted");
    }
    controller.SetMainPanes(nullptr, nullptr);
    frame.reset();
    theController = nullptr;
    theCatalogDb = nullptr;
    std::printf("%s: %s\n", qPrintable(output), failures ? "FAILED" : "ok");
    return ExitStatusWithQtWarnings(failures ? 1 : 0);
}
