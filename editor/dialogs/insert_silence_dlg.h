#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

// "Insert Silence": how many seconds of silence to insert, at most 30 minutes.
class InsertSilenceDlg : public QDialog {
public:
    static constexpr double kMaxSeconds = 1800.0;

    explicit InsertSilenceDlg(QWidget* parent = nullptr);

    // Set before running (shown to the millisecond when it has a fraction) and read after OK.
    void SetSeconds(double value);
    double seconds = 1.0;

    // Reads the text into seconds; the message for the user when it cannot be used.
    std::string ReadSeconds();
    QLineEdit* DurationEdit() const { return edit_; }

    void accept() override;

private:
    QLineEdit* edit_;
};
