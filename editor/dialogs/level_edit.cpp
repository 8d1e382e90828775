#include "editor/dialogs/level_edit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <cstdio>

bool ReadWholeNumber(const QString& text, int min, int max, int& value) {
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok || number < min || number > max)
        return false;
    value = static_cast<int>(number);
    return true;
}

std::string WholeNumberMessage(int min, int max) {
    char text[80];
    std::snprintf(text, sizeof text, "Please enter a whole number between %d and %d.", min, max);
    return text;
}

EnterMovesFocus::EnterMovesFocus(QLineEdit* edit, QWidget* target)
    : QObject(edit), target_(target) {
    edit->installEventFilter(this);
}

bool EnterMovesFocus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            target_->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
