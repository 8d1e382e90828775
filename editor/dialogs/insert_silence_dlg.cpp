#include "editor/dialogs/insert_silence_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

#include "app/ui_seams.h"
#include "audio/general_helpers.h"
#include "editor/dialogs/title_width.h"

InsertSilenceDlg::InsertSilenceDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Insert Silence");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Duration of silence in seconds", this));
    edit_ = new QLineEdit(this);
    edit_->setObjectName("1088");
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FitTitle(*this);
    SetSeconds(seconds);
}

void InsertSilenceDlg::SetSeconds(double value) {
    seconds = value;
    // Milliseconds when the length has a fraction, else whole seconds.
    const bool fraction = value - std::floor(value) > 0.000001;
    edit_->setText(QString::fromStdString(FormatSeconds(value, fraction ? 3 : 0)));
}

std::string InsertSilenceDlg::ReadSeconds() {
    const double value = ParseTimeString(edit_->text().toStdString());
    if (value < 0.0)
        return "Invalid time format";
    if (value == 0.0)
        return "Specify non-zero duration";
    if (value > kMaxSeconds)
        return "Specify at most 30 minutes of silence";
    seconds = value;
    return {};
}

void InsertSilenceDlg::accept() {
    const std::string message = ReadSeconds();
    if (!message.empty()) {
        ShowMessageBox(this, message, "Cannot Insert Silence");
        return;
    }
    QDialog::accept();
}
