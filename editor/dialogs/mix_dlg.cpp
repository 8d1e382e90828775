#include "editor/dialogs/mix_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "editor/dialogs/title_width.h"

namespace {

QSlider* VolumeSlider(QWidget* parent, const char* id) {
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setObjectName(id);
    slider->setRange(0, 100);
    // Value 0 (full volume) at the top.
    slider->setInvertedAppearance(true);
    slider->setInvertedControls(true);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setTickInterval(10);
    slider->setPageStep(10);
    return slider;
}

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
    clipboard_ = VolumeSlider(this, "1130");
    waveform_ = VolumeSlider(this, "1131");
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
    clipboard_->setValue(clipboard);
    waveform_->setValue(waveform);
}

int MixDlg::ClipboardSliderValue() const {
    return clipboard_->value();
}

int MixDlg::WaveformSliderValue() const {
    return waveform_->value();
}
