#include "editor/dialogs/mix_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "editor/dialogs/title_width.h"

namespace {

// The slider's own value is the volume, so that the toolkit fills the groove from the bottom
// up to the handle: the filled part shows the volume. Home and End go to the top (100 %) and
// the bottom (0 %) as the labels stand.
class VolumeSlider : public QSlider {
public:
    VolumeSlider(QWidget* parent, const char* id) : QSlider(Qt::Vertical, parent) {
        setObjectName(id);
        setRange(0, 100);
        setTickPosition(QSlider::TicksBothSides);
        setTickInterval(10);
        setPageStep(10);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
            triggerAction(event->key() == Qt::Key_Home ? SliderToMaximum : SliderToMinimum);
            event->accept();
            return;
        }
        QSlider::keyPressEvent(event);
    }
};

void AddColumn(QGridLayout* grid, int column, const char* title, QSlider* slider, QWidget* parent) {
    grid->addWidget(new QLabel(title, parent), 0, column, 1, 2);
    grid->addWidget(slider, 1, column, 3, 1);
    grid->addWidget(new QLabel("100%", parent), 1, column + 1, Qt::AlignTop);
    grid->addWidget(new QLabel("50%", parent), 2, column + 1, Qt::AlignVCenter);
    grid->addWidget(new QLabel("0%", parent), 3, column + 1, Qt::AlignBottom);
}

} // namespace

MixDlg::MixDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Mix Clipboard with Waveform");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    clipboard_ = new VolumeSlider(this, "1130");
    waveform_ = new VolumeSlider(this, "1131");
    AddColumn(grid, 0, "Clipboard Volume", clipboard_, this);
    AddColumn(grid, 2, "Waveform Volume", waveform_, this);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FitTitle(*this);
}

void MixDlg::SetSliderValues(int clipboard, int waveform) {
    clipboard_->setValue(100 - clipboard);
    waveform_->setValue(100 - waveform);
}

int MixDlg::ClipboardSliderValue() const {
    return 100 - clipboard_->value();
}

int MixDlg::WaveformSliderValue() const {
    return 100 - waveform_->value();
}
