#include "editor/dialogs/volume_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ui_seams.h"
#include "editor/dialogs/level_edit.h"
#include "editor/dialogs/title_width.h"

VolumeDlg::VolumeDlg(double peak, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Adjust Volume");
    // A near-silent selection would ask for more than the edit can hold.
    const double normalize = 100.0 / std::max(peak, 0.000001);
    normalizePercent_ = static_cast<int>(std::min(normalize, static_cast<double>(kMaxPercent)));

    auto* layout = new QVBoxLayout(this);
    mute_ = new QRadioButton("Mute", this);
    mute_->setObjectName("1042");
    normalize_ = new QRadioButton("Normalize", this);
    normalize_->setObjectName("1041");
    scale_ = new QRadioButton("Scale", this);
    scale_->setObjectName("1417");
    layout->addWidget(mute_);
    layout->addWidget(normalize_);
    layout->addWidget(scale_);
    auto* row = new QHBoxLayout;
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("1091");
    slider_->setRange(0, 200);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(10);
    slider_->setPageStep(10);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("1421");
    row->addWidget(slider_);
    row->addWidget(edit_);
    row->addWidget(new QLabel("%", this));
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FitTitle(*this);

    new EnterMovesFocus(edit_, slider_);
    connect(mute_, &QRadioButton::clicked, this, [this] { SetPercent(0); });
    connect(normalize_, &QRadioButton::clicked, this, [this] { SetPercent(normalizePercent_); });
    connect(scale_, &QRadioButton::clicked, this, [this] { SetPercent(scalePercent_); });
    // The slider stays where the keys or the mouse put it: mapped back, a step above 100 %
    // could land on the position below and hold the slider there.
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        scalePercent_ = PositionToPercent(position);
        percent_ = scalePercent_;
        ShowPercent();
    });
    connect(edit_, &QLineEdit::editingFinished, this, [this] { EditLeft(); });
    Show();
}

int VolumeDlg::PercentToPosition(int p) {
    if (p <= 100)
        return p;
    if (p <= 200)
        return 100 + 4 * (p - 100) / 10;
    return std::min(200, 140 + (p - 200) / 10);
}

int VolumeDlg::PositionToPercent(int s) {
    if (s <= 100)
        return s;
    if (s <= 140)
        return (s - 100) * 100 / 40 + 100;
    return (s - 140) * 600 / 60 + 200;
}

void VolumeDlg::SetPercent(int percent) {
    percent_ = std::clamp(percent, 0, kMaxPercent);
    Show();
}

void VolumeDlg::Show() {
    const QSignalBlocker block(slider_);
    slider_->setValue(PercentToPosition(percent_));
    ShowPercent();
}

void VolumeDlg::ShowPercent() {
    edit_->setText(QString::number(percent_));
    if (percent_ == 0)
        mute_->setChecked(true);
    else if (percent_ == normalizePercent_)
        normalize_->setChecked(true);
    else
        scale_->setChecked(true);
}

void VolumeDlg::EditLeft() {
    int value = 0;
    // A text that is not a percent stays for OK to point out.
    if (!ReadWholeNumber(edit_->text(), 0, kMaxPercent, value))
        return;
    scalePercent_ = value;
    SetPercent(value);
}

void VolumeDlg::accept() {
    int value = 0;
    if (!ReadWholeNumber(edit_->text(), 0, kMaxPercent, value)) {
        ShowMessageBox(this, WholeNumberMessage(0, kMaxPercent));
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    if (value != percent_) {
        scalePercent_ = value;
        SetPercent(value);
    }
    QDialog::accept();
}
