#pragma once

#include <QDialog>

class QSlider;

// "Mix Clipboard with Waveform": the volume of each, 0-100 percent, on two vertical
// sliders with 100 % at the top. The dialog's slider values (what the settings keep) are
// 100 minus the volume; the caller converts. The sliders themselves hold the volume.
class MixDlg : public QDialog {
public:
    explicit MixDlg(QWidget* parent = nullptr);

    void SetSliderValues(int clipboard, int waveform);
    int ClipboardSliderValue() const;
    int WaveformSliderValue() const;

    QSlider* ClipboardSlider() const { return clipboard_; }
    QSlider* WaveformSlider() const { return waveform_; }

private:
    QSlider* clipboard_;
    QSlider* waveform_;
};
