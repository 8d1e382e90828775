#include "editor/dialogs/record_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/ui_seams.h"
#include "audio/engine/audio_monitor.h"
#include "audio/engine/audio_player.h"
#include "editor/dialogs/vu_meter_item.h"
#include "editor/widgets/vu_meter.h"

namespace {

QString PeakLabel(float peak) {
    const double db = 20.0 * std::log10(std::max(static_cast<double>(peak), 0.00001));
    return QString::asprintf("Peak: %.1f dB", db);
}

} // namespace

RecordDlg::RecordDlg(QWidget* parent) : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* meters = new QGridLayout;
    const char* labels[2] = {"Left", "Right"};
    const char* labelIds[2] = {"1381", "1380"};
    const char* peakIds[2] = {"1382", "1383"};
    const char* meterIds[2] = {"1073", "1074"};
    for (int i = 0; i < 2; ++i) {
        channelLabels_[i] = new QLabel(labels[i], this);
        channelLabels_[i]->setObjectName(labelIds[i]);
        items_[i] = new VUMeterItem(this);
        items_[i]->setObjectName(meterIds[i]);
        peakTexts_[i] = new QLabel("Peak: -0.0 dB", this);
        peakTexts_[i]->setObjectName(peakIds[i]);
        meters->addWidget(channelLabels_[i], 0, i);
        meters->addWidget(items_[i], 1, i);
        meters->addWidget(peakTexts_[i], 2, i);
    }
    layout->addLayout(meters);
    correctDcBox_ = new QCheckBox("Correct DC offsets while recording", this);
    correctDcBox_->setObjectName("1047");
    layout->addWidget(correctDcBox_);
    auto* buttons = new QHBoxLayout;
    reset_ = new QPushButton("Reset Peaks", this);
    reset_->setObjectName("1384");
    reset_->setAutoDefault(false);
    start_ = new QPushButton("Start Recording", this);
    start_->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setAutoDefault(false);
    buttons->addWidget(reset_);
    buttons->addStretch();
    buttons->addWidget(start_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(reset_, &QPushButton::clicked, this, [this] { ResetPeaks(); });
    connect(start_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

RecordDlg::~RecordDlg() {
    StopMonitoring();
}

bool RecordDlg::StartMonitoring() {
    if (started_)
        return player_ != nullptr;
    started_ = true;
    const bool stereo = channels == 2;
    correctDcBox_->setChecked(correctDC);
    for (int i = 0; i < 2; ++i)
        channelLabels_[i]->setVisible(stereo);
    items_[1]->setVisible(stereo);
    peakTexts_[1]->setVisible(stereo);
    monitor_ = std::make_unique<CAP_AudioMonitor>(stereo ? 2 : 1, sampleRate, &items_[0]->Meter(),
                                                  stereo ? &items_[1]->Meter() : nullptr);
    player_ = std::make_unique<CAI_AudioPlayer>(nullptr, monitor_.get());
    player_->Record(0.0, 0.0); // no end: the input only feeds the meters
    if (player_->GetState() != CAI_AudioPlayer::kRecording) {
        const std::string error =
            player_->ErrorText().empty() ? "The recording did not start" : player_->ErrorText();
        StopMonitoring();
        ShowMessageBox(this, error, "Audio Error");
        reject();
        return false;
    }
    timer_.start();
    return true;
}

void RecordDlg::Tick() {
    if (!player_)
        return;
    player_->StopIfFinished();
    for (int i = 0; i < 2; ++i)
        peakTexts_[i]->setText(PeakLabel(items_[i]->Meter().peakHold));
}

void RecordDlg::ResetPeaks() {
    for (VUMeterItem* item : items_) {
        item->Meter().peakHold = 0.0f;
        item->update();
    }
}

void RecordDlg::StopMonitoring() {
    timer_.stop();
    if (monitor_) {
        dcOffsets[0] = monitor_->channelMeans[0];
        dcOffsets[1] = monitor_->channelMeans[1];
    }
    if (player_)
        player_->Stop();
    player_.reset();
    monitor_.reset();
}

void RecordDlg::done(int result) {
    StopMonitoring();
    correctDC = correctDcBox_->isChecked();
    QDialog::done(result);
}

void RecordDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_)
        return;
    correctDcBox_->setChecked(correctDC);
    // Started once the dialog runs, so that a device error can end it.
    QPointer<RecordDlg> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->StartMonitoring();
    });
}
