#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;
class QSlider;

// "Adjust Volume": an amplification in percent, chosen as mute, the normalizing percent
// of the selection or a scale typed or set on the slider.
class VolumeDlg : public QDialog {
public:
    static constexpr int kMaxPercent = 3276800;

    // peak: the selection's largest magnitude (full scale 1.0).
    explicit VolumeDlg(double peak, QWidget* parent = nullptr);

    // The slider runs 0-200: linear to 100 %, then 2.5 % a step to 200 %, then 10 % a step.
    static int PercentToPosition(int percent);
    static int PositionToPercent(int position);

    // The amplification and the scale percent (the caller sets both to the one it used
    // last); read back after OK: the gain is Percent() / 100.
    void SetPercent(int percent);
    void SetScalePercent(int percent) { scalePercent_ = percent; }
    int Percent() const { return percent_; }
    int ScalePercent() const { return scalePercent_; }
    int NormalizePercent() const { return normalizePercent_; }

    QRadioButton* MuteButton() const { return mute_; }
    QRadioButton* NormalizeButton() const { return normalize_; }
    QRadioButton* ScaleButton() const { return scale_; }
    QSlider* Slider() const { return slider_; }
    QLineEdit* PercentEdit() const { return edit_; }

    // Refuses an edit that does not hold a percent, with a message.
    void accept() override;

private:
    void Show();
    // The edit and the radio buttons.
    void ShowPercent();
    void EditLeft();

    int percent_ = 100;
    int scalePercent_ = 100;
    int normalizePercent_;
    QRadioButton* mute_;
    QRadioButton* normalize_;
    QRadioButton* scale_;
    QSlider* slider_;
    QLineEdit* edit_;
};
