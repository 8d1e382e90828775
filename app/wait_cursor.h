#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

// The wait cursor for the life of the object, where there is a screen to show it on (a
// console test has none).
class WaitCursor {
public:
    WaitCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (shown_)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (shown_)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool shown_;
};
