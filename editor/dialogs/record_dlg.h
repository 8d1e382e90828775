#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

class CAI_AudioPlayer;
class CAP_AudioMonitor;
class QCheckBox;
class QLabel;
class QPushButton;
class VUMeterItem;

// The dialog before a recording: it records without keeping anything, only to show the
// input level of each channel on a meter with its peak, and measures the input's DC
// offsets, which the recording may then remove.
class RecordDlg : public QDialog {
public:
    explicit RecordDlg(QWidget* parent = nullptr);
    ~RecordDlg() override;

    // Set before running.
    int channels = 1;
    int sampleRate = 8000;
    bool correctDC = true; // the check box, both ways
    // Read after closing: the mean of each channel while the dialog was open.
    float dcOffsets[2] = {0.0f, 0.0f};

    // Opens the meters and starts the input (done once the dialog is shown). False after a
    // device error, which has been shown; the dialog is then cancelled.
    bool StartMonitoring();
    // The 10 ms timer's work: the player's housekeeping and the peak texts.
    void Tick();
    void ResetPeaks();
    bool IsMonitoring() const { return player_ != nullptr; }

    QLabel* PeakText(int channel) const { return peakTexts_[channel]; }
    VUMeterItem* MeterItem(int channel) const { return items_[channel]; }
    QCheckBox* CorrectDcBox() const { return correctDcBox_; }
    QPushButton* ResetButton() const { return reset_; }
    QPushButton* StartButton() const { return start_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StopMonitoring();

    QCheckBox* correctDcBox_;
    QLabel* channelLabels_[2];
    QLabel* peakTexts_[2];
    VUMeterItem* items_[2];
    QPushButton* reset_;
    QPushButton* start_;
    QTimer timer_;
    std::unique_ptr<CAP_AudioMonitor> monitor_;
    std::unique_ptr<CAI_AudioPlayer> player_;
    bool started_ = false;
};
