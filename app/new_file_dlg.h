#pragma once

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

// "New Audio File": sample rate, channels and duration of an empty sound. OK with values
// that cannot make a sound shows why and keeps the dialog open.
class NewFileDlg : public QDialog {
public:
    static constexpr int kMinRate = 8000;
    static constexpr int kMaxRate = 96000;
    static constexpr double kMaxSeconds = 1800.0;

    explicit NewFileDlg(QWidget* parent = nullptr);

    // Values set before running and read after OK.
    int sampleRate = 22050;
    int channels = 1;
    double seconds = 30.0;

    // Shows the values in the controls (also done when the dialog is shown).
    void ShowValues();
    // Reads the controls into the values; the message for the user when they cannot make a
    // sound, else empty.
    std::string ReadValues();

    QComboBox* RateCombo() const { return rate_; }
    QComboBox* ChannelsCombo() const { return channels_; }
    QLineEdit* DurationEdit() const { return duration_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* rate_;
    QComboBox* channels_;
    QLineEdit* duration_;
    bool shown_ = false;
};
