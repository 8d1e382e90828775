// Opens a sound in an editor window under a real X server, grabs the window into the PNG
// named on the command line (build/screenshots/editor_window.png without one) and checks what
// a user would see: the window, its title, the toolbar texts, the fields and a coloured
// waveform. Exit status 0 when everything holds.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <cstdio>
#include <string>

#include "app/controls/icon_button.h"
#include "editor/window/audio_file_frm.h"
#include "editor/window/audio_file_view.h"
#include "editor/window/property_box.h"
#include "tests/support/sox_files.h"
#include "tests/support_qt/qt_warnings.h"

namespace {

int failures = 0;

void Check(bool condition, const std::string& what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what.c_str());
        ++failures;
    }
}

} // namespace

int main(int argc, char** argv) {
    RecordQtWarnings();
    QApplication application(argc, argv);
    const std::string out =
        argc > 1 ? argv[1] : std::string(TAMBREL_BINARY_DIR) + "/screenshots/editor_window.png";
    QDir().mkpath(QFileInfo(QString::fromStdString(out)).absolutePath());
    TempFolder folder;
    const std::string path = folder.Path("thunder and rain.wav");
    if (!RunSox("-n -r 22050 -c 2 -b 16 \"" + path +
                "\" synth 6 pinknoise fade q 0.5 6 1 : synth 2 sine 220:880 gain -6")) {
        std::fprintf(stderr, "sox could not make the sound\n");
        return 2;
    }
    PropertyBoxObj box;
    if (!box.OpenFile(path)) {
        std::fprintf(stderr, "the editor could not open the sound\n");
        return 1;
    }
    AudioFileFrm& frame = *box.frame;
    AudioFileView& view = *frame.View();
    frame.resize(900, 640);
    qobject_cast<QLineEdit*>(view.Control(1110))->setText("Thunder rolling over steady rain");
    qobject_cast<QLineEdit*>(view.Control(1130))->setText("Field recording");
    box.app.SetCursor(2.0, 1.5, 0);
    view.UpdateButtons(true);
    frame.Tip().DestroyPopup();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTimer wait;
        wait.start(10);
        while (wait.remainingTime() > 0)
            QApplication::processEvents();
    }

    const QImage shot = frame.grab().toImage();
    Check(shot.save(QString::fromStdString(out)), "saving " + out);
    Check(frame.isVisible(), "the window shows");
    Check(frame.windowTitle() == "thunder and rain.wav (not in MyTambrel)",
          "title: " + frame.windowTitle().toStdString());
    Check(frame.CommandAction(AudioFileFrm::kSave)->text() == "Save", "Save command");
    Check(frame.CommandAction(AudioFileFrm::kFields)->text() == "Hide Fields ", "fields command");
    Check(view.Control(1387)->isVisible() &&
              qobject_cast<QLineEdit*>(view.Control(1387))->text().toStdString() == path,
          "the file name field");
    for (int i = 0; i < kEditorButtonCount; ++i)
        Check(view.Button(i)->isVisible(), std::string("button ") + EditorButtonTable[i].label);
    // The waveform's pixels carry colour (not only greys), inside the waveform window.
    QWidget* host = view.WaveformHost();
    const QRect area(host->mapTo(&frame, QPoint(0, 0)), host->size());
    int coloured = 0, total = 0;
    for (int y = area.top(); y < area.bottom(); y += 2)
        for (int x = area.left(); x < area.right(); x += 2) {
            const QColor c = shot.pixelColor(x, y);
            ++total;
            if (c.hsvSaturation() > 80 && c.value() > 60)
                ++coloured;
        }
    Check(total > 0 && coloured > total / 20,
          "coloured waveform: " + std::to_string(coloured) + " of " + std::to_string(total));
    // Nothing of the form runs past the window.
    for (QWidget* child : view.findChildren<QWidget*>())
        if (child->isVisible() && child->parentWidget() == &view)
            Check(view.rect().contains(child->geometry()),
                  "inside the form: " + child->objectName().toStdString());
    box.app.Teardown();
    return ExitStatusWithQtWarnings(failures == 0 ? 0 : 1);
}
