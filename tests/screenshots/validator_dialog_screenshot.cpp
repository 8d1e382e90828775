// Shows "Validate MyTambrel" after a run over a small catalog (two files present, one touched
// since it was indexed, one missing and ignored in "File Not Found") under a real X server;
// saves both dialogs to PNGs (build/screenshots/validator_dialog.png and
// validator_question.png) and checks what a user would see. Exit status 0 when all holds.

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <dlfcn.h>
#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/validator_dlg.h"
#include "collection/audio_file_util.h"
#include "collection/catalog_db.h"
#include "tests/support_qt/screenshot_catalog.h"
#include "collection/db/connection.h"
#include "collection/db/schema.h"
#include "tests/support/sox_files.h"
#include "tests/support_qt/qt_warnings.h"

namespace {

int failures = 0;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

// The catalog edits straight onto the catalog, as the controller makes them.
class DirectEdits : public IndexerController {
public:
    bool AddCatalogFile(SoundFileObj& file, const std::vector<SoundVariantObj>& variants) override {
        return theCatalogDb->AddFile(file, variants);
    }
    bool RemoveCatalogFile(const SoundFileObj& file) override {
        return !theCatalogDb->IsInCatalog(file.path) || theCatalogDb->RemoveFile(file.path);
    }
    bool UpdateCatalogFile(SoundFileObj& file, const std::string* newPath) override {
        return theCatalogDb->UpdateFile(file, newPath);
    }
    void ApplyCatalogChanges() override {}
};

std::string Catalogue(const std::string& dir, const std::string& name, int frequency) {
    const std::string path = dir + "/" + name;
    RunSox("-n -r 22050 -c 1 -b 16 '" + path + "' synth 0.8 sine " + std::to_string(frequency));
    SoundFileObj file;
    file.path = path;
    std::vector<SoundVariantObj> variants;
    std::string error;
    Check(AudioFileUtil::AnalyzeFile(file, variants, 0, error, nullptr, nullptr), name.c_str());
    Check(theCatalogDb->AddFile(file, variants), name.c_str());
    return path;
}

bool Save(QWidget* window, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    return window->grab().toImage().save(path);
}

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication app(argc, argv);
    const QString folderOut = QStringLiteral(TAMBREL_BINARY_DIR "/screenshots/");
    QTemporaryDir folder;
    const std::string dir = folder.path().toStdString();
    if (!folder.isValid() || !MakeScreenshotCatalog(dir)) {
        std::fprintf(stderr, "FAILED: no catalog\n");
        return 1;
    }
    CatalogDbObj catalog("TambrelShot");
    theCatalogDb = &catalog;
    Catalogue(dir, "door slam.wav", 300);
    const std::string touched = Catalogue(dir, "glass break.wav", 2000);
    const std::string missing = Catalogue(dir, "thunder roll.wav", 90);
    std::filesystem::remove(missing);
    struct timeval times[2];
    gettimeofday(&times[0], nullptr);
    times[0].tv_sec += 5;
    times[1] = times[0];
    utimes(touched.c_str(), times);

    DirectEdits edits;
    ValidatorDlg dialog(nullptr, edits);
    bool questionShown = false;
    dialog.SetMissingFileQuestion([&](const std::string& path, int& action, std::string&,
                                      std::string&) {
        // The real question, shown and photographed, then answered "Ignore".
        ValidatorActionDlg question(&dialog);
        question.SetPath(path);
        question.SetAction(action);
        question.show();
        questionShown = QTest::qWaitForWindowExposed(&question);
        QTest::qWait(100);
        Check(question.windowTitle() == "File Not Found", "the question's title");
        Check(question.Radio(Validator::kSearchThis)->isChecked(), "the first action is chosen");
        question.Radio(Validator::kIgnoreThis)->click();
        Check(question.Radio(Validator::kIgnoreThis)->isChecked() &&
                  !question.Radio(Validator::kSearchThis)->isChecked(),
              "one action at a time");
        Check(Save(&question, folderOut + "validator_question.png"), "the question is saved");
        action = question.Action();
        if (action != Validator::kIgnoreThis)
            return false; // Stop rather than wait on a real message box
        return true;
    });
    dialog.show();
    Check(QTest::qWaitForWindowExposed(&dialog), "the dialog is shown");
    QTest::mouseClick(dialog.BeginButton(), Qt::LeftButton);
    QTest::qWait(200);

    Check(questionShown, "the missing file was asked about");
    Check(dialog.windowTitle() == "Validate MyTambrel", "the title");
    Check(dialog.EndState()->text() == "Validation complete", "the end state");
    Check(dialog.Lines()->count() == 1 &&
              dialog.Lines()->item(0)->text().toStdString() == missing + ": Not fixed (ignored).",
          "one line, for the missing file");
    Check(dialog.BeginButton()->isEnabled() && dialog.CloseButton()->isEnabled() &&
              !dialog.StopButton()->isEnabled(),
          "the buttons after a run");
    Check(Save(&dialog, folderOut + "validator_dialog.png"), "the dialog is saved");
    dialog.close();
    theCatalogDb = nullptr;
    return ExitStatusWithQtWarnings(failures == 0 ? 0 : 1);
}
