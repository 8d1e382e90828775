#pragma once

#include <QObject>
#include <QString>
#include <string>

class QLineEdit;
class QWidget;

// Helpers of the dialogs that pair a number edit with a slider.

// The whole number typed (blanks around it allowed) when it lies within min..max.
bool ReadWholeNumber(const QString& text, int min, int max, int& value);

// The message for an edit whose number is missing or out of range.
std::string WholeNumberMessage(int min, int max);

// Enter in the edit moves the focus to the slider instead of closing the dialog.
class EnterMovesFocus : public QObject {
public:
    EnterMovesFocus(QLineEdit* edit, QWidget* target);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* target_;
};
