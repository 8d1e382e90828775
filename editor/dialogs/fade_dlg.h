#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;
class QSlider;

// "Fade In/Out": the level at the start and at the end of the selection, 0-100 percent.
class FadeDlg : public QDialog {
public:
    explicit FadeDlg(QWidget* parent = nullptr);

    // Both 0-100; the defaults are a fade in (0 to 100).
    void SetLevels(int start, int end);
    int StartLevel() const { return start_; }
    int EndLevel() const { return end_; }

    QRadioButton* FadeInButton() const { return fadeIn_; }
    QRadioButton* FadeOutButton() const { return fadeOut_; }
    QSlider* StartSlider() const { return startSlider_; }
    QSlider* EndSlider() const { return endSlider_; }
    QLineEdit* StartEdit() const { return startEdit_; }
    QLineEdit* EndEdit() const { return endEdit_; }

    // Refuses an edit that does not hold a level, with a message.
    void accept() override;

private:
    void Show();
    void EditLeft(QLineEdit* edit, int& level);

    int start_ = 0;
    int end_ = 100;
    QRadioButton* fadeIn_;
    QRadioButton* fadeOut_;
    QSlider* startSlider_;
    QSlider* endSlider_;
    QLineEdit* startEdit_;
    QLineEdit* endEdit_;
};
