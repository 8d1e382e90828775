// Answers the popup menu that is about to open, from inside its own event loop.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

// choose: the index of the item to pick; -1 dismisses the menu.
inline void AnswerMenu(int choose) {
    QTimer::singleShot(0, [choose] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        if (choose < 0) {
            menu->close();
            return;
        }
        menu->setActiveAction(menu->actions().at(choose));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &enter);
    });
}
