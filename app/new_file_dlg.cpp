#include "app/new_file_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstdio>

#include "app/controls/typed_text_combo.h"
#include "app/ui_seams.h"
#include "audio/general_helpers.h"

namespace {

const int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 64000, 96000};

QString RateText(int rate) {
    return QString("%1 Hz").arg(rate);
}

} // namespace

NewFileDlg::NewFileDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("New Audio File");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    // A typed rate is taken as typed: "4" must not become "44100 Hz" behind the user,
    // and Enter must not add it to the list.
    rate_ = NewTypedTextCombo(this);
    rate_->setObjectName("1041");
    for (int rate : kRates)
        rate_->addItem(RateText(rate));
    channels_ = new QComboBox(this);
    channels_->setObjectName("1043");
    channels_->addItems({"mono", "stereo"});
    duration_ = new QLineEdit(this);
    duration_->setObjectName("1054");
    form->addRow("Sample rate:", rate_);
    form->addRow("Channels:", channels_);
    form->addRow("Duration:", duration_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void NewFileDlg::ShowValues() {
    rate_->setEditText(RateText(sampleRate));
    channels_->setCurrentIndex(channels == 2 ? 1 : 0);
    duration_->setText(QString::fromStdString(FormatSeconds(seconds, 1)));
    shown_ = true;
}

std::string NewFileDlg::ReadValues() {
    const int rate = ParseInt(rate_->currentText().toStdString());
    const double duration = ParseTimeString(duration_->text().toStdString());
    // Each failed check replaces the message of the one before.
    std::string message;
    if (duration <= 0.0)
        message = "Duration must be numeric and greater than 0.0";
    if (duration > kMaxSeconds)
        message = "Duration must be less than 30 minutes";
    if (rate < kMinRate || rate > kMaxRate) {
        char text[80];
        std::snprintf(text, sizeof text, "Sample rate must be between %d and %d", kMinRate,
                      kMaxRate);
        message = text;
    }
    if (message.empty()) {
        sampleRate = rate;
        channels = channels_->currentIndex() + 1;
        seconds = duration;
    }
    return message;
}

void NewFileDlg::accept() {
    const std::string message = ReadValues();
    if (!message.empty()) {
        ShowMessageBox(this, message);
        return;
    }
    QDialog::accept();
}

void NewFileDlg::showEvent(QShowEvent* event) {
    if (!shown_)
        ShowValues();
    QDialog::showEvent(event);
}
