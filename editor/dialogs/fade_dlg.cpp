#include "editor/dialogs/fade_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
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

namespace {

QSlider* LevelSlider(QWidget* parent, const char* id) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(id);
    slider->setRange(0, 100);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(10);
    slider->setPageStep(10);
    return slider;
}

} // namespace

FadeDlg::FadeDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Fade In/Out");
    auto* layout = new QVBoxLayout(this);
    fadeIn_ = new QRadioButton("Fade In", this);
    fadeIn_->setObjectName("1039");
    fadeOut_ = new QRadioButton("Fade Out", this);
    fadeOut_->setObjectName("1040");
    // Neither is checked for levels that are not a plain fade.
    fadeIn_->setAutoExclusive(false);
    fadeOut_->setAutoExclusive(false);
    layout->addWidget(fadeIn_);
    layout->addWidget(fadeOut_);
    auto* grid = new QGridLayout;
    startSlider_ = LevelSlider(this, "1424");
    endSlider_ = LevelSlider(this, "1425");
    startEdit_ = new QLineEdit(this);
    startEdit_->setObjectName("1426");
    endEdit_ = new QLineEdit(this);
    endEdit_->setObjectName("1427");
    grid->addWidget(new QLabel("Start level (%):", this), 0, 0);
    grid->addWidget(startSlider_, 0, 1);
    grid->addWidget(startEdit_, 0, 2);
    grid->addWidget(new QLabel("End level (%):", this), 1, 0);
    grid->addWidget(endSlider_, 1, 1);
    grid->addWidget(endEdit_, 1, 2);
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FitTitle(*this);

    new EnterMovesFocus(startEdit_, startSlider_);
    new EnterMovesFocus(endEdit_, endSlider_);
    connect(fadeIn_, &QRadioButton::clicked, this, [this] { SetLevels(0, 100); });
    connect(fadeOut_, &QRadioButton::clicked, this, [this] { SetLevels(100, 0); });
    connect(startSlider_, &QSlider::valueChanged, this, [this](int v) { SetLevels(v, end_); });
    connect(endSlider_, &QSlider::valueChanged, this, [this](int v) { SetLevels(start_, v); });
    connect(startEdit_, &QLineEdit::editingFinished, this,
            [this] { EditLeft(startEdit_, start_); });
    connect(endEdit_, &QLineEdit::editingFinished, this, [this] { EditLeft(endEdit_, end_); });
    Show();
}

void FadeDlg::SetLevels(int start, int end) {
    start_ = std::clamp(start, 0, 100);
    end_ = std::clamp(end, 0, 100);
    Show();
}

void FadeDlg::Show() {
    const QSignalBlocker b1(startSlider_), b2(endSlider_);
    startSlider_->setValue(start_);
    endSlider_->setValue(end_);
    startEdit_->setText(QString::number(start_));
    endEdit_->setText(QString::number(end_));
    fadeIn_->setChecked(start_ == 0 && end_ == 100);
    fadeOut_->setChecked(start_ == 100 && end_ == 0);
}

void FadeDlg::EditLeft(QLineEdit* edit, int& level) {
    int value = 0;
    // A text that is not a level stays for OK to point out.
    if (!ReadWholeNumber(edit->text(), 0, 100, value))
        return;
    level = value;
    Show();
}

void FadeDlg::accept() {
    for (QLineEdit* edit : {startEdit_, endEdit_}) {
        int value = 0;
        if (!ReadWholeNumber(edit->text(), 0, 100, value)) {
            ShowMessageBox(this, WholeNumberMessage(0, 100));
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    // The edits are what the user sees last.
    int start = 0, end = 0;
    ReadWholeNumber(startEdit_->text(), 0, 100, start);
    ReadWholeNumber(endEdit_->text(), 0, 100, end);
    SetLevels(start, end);
    QDialog::accept();
}
