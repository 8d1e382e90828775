#pragma once
// Input as the window system delivers it: mouse clicks at a control's place inside its
// top-level window, keys to the window that has the focus, menus opened and picked with the
// mouse, and modal dialogs answered the same way from inside their own loops. Nothing here
// calls a control's slot or a command's handler.

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <string>

namespace input {

// Lets the program run until done() holds or ms pass; true when it held.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

inline QWindow* TopWindowOf(QWidget* control) {
    QWidget* top = control->window();
    if (top->windowHandle() == nullptr)
        top->winId();
    return top->windowHandle();
}

inline QPoint InTop(QWidget* control, QPoint local) {
    return control->mapTo(control->window(), local);
}

// A click into a window that lacks the keyboard gives it the keyboard first, as the window
// manager does (menus and other popups take clicks without it).
inline void ActivateForClick(QWidget* control) {
    QWidget* top = control->window();
    if (top->windowType() == Qt::Popup || QApplication::activeWindow() == top ||
        (QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != top))
        return;
    top->activateWindow();
    QElapsedTimer timer;
    timer.start();
    while (QApplication::activeWindow() != top && timer.elapsed() < 2000)
        QTest::qWait(10);
}

// A click of the button at the control's point (its middle by default), moved onto it first as
// a hand would. A click that opens a modal loop returns when that loop ends.
inline void Click(QWidget* control, QPoint local = {-1, -1},
                  Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) {
    if (local.x() < 0)
        local = control->rect().center();
    ActivateForClick(control);
    QPointer<QWidget> alive(control);
    QWindow* window = TopWindowOf(control);
    const QPoint at = InTop(control, local);
    QTest::mouseMove(window, at);
    QTest::mousePress(window, button, mods, at);
    // The press may have closed the window (a popup picked) or run a loop.
    if (alive && control->window()->windowHandle() == window)
        QTest::mouseRelease(window, button, mods, at);
    QApplication::processEvents();
}

inline void DoubleClick(QWidget* control, QPoint local) {
    ActivateForClick(control);
    QWindow* window = TopWindowOf(control);
    QTest::mouseDClick(window, Qt::LeftButton, {}, InTop(control, local));
    QApplication::processEvents();
}

// A drag with the left button from one point of the control to another.
inline void Drag(QWidget* control, QPoint from, QPoint to) {
    ActivateForClick(control);
    QWindow* window = TopWindowOf(control);
    QTest::mousePress(window, Qt::LeftButton, {}, InTop(control, from));
    QTest::mouseMove(window, InTop(control, (from + to) / 2));
    QTest::mouseMove(window, InTop(control, to));
    QTest::mouseRelease(window, Qt::LeftButton, {}, InTop(control, to));
    QApplication::processEvents();
}

// A drag with the left button from a point of one control to a point of another in the same
// window.
inline void DragBetween(QWidget* from, QPoint fromLocal, QWidget* to, QPoint toLocal) {
    ActivateForClick(from);
    QWindow* window = TopWindowOf(from);
    const QPoint a = InTop(from, fromLocal), b = to->mapTo(from->window(), toLocal);
    QTest::mousePress(window, Qt::LeftButton, {}, a);
    for (int step = 1; step <= 8; ++step) {
        QTest::mouseMove(window, a + (b - a) * step / 8);
        QApplication::processEvents();
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, b);
    QApplication::processEvents();
}

// A key to the window that has the keyboard (the application's active window, else the one
// given), as the window system sends it.
inline void Key(QWidget* anyInWindow, Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    QWidget* active = QApplication::activeWindow();
    QWidget* target = active != nullptr ? active : anyInWindow->window();
    QTest::keyClick(TopWindowOf(target), key, mods);
    QApplication::processEvents();
}

inline void Type(QWidget* anyInWindow, const std::string& text) {
    for (char c : text) {
        QWidget* active = QApplication::activeWindow();
        QWidget* target = active != nullptr ? active : anyInWindow->window();
        QTest::keyClick(TopWindowOf(target), c);
    }
    QApplication::processEvents();
}

// Focus as a click would give it, for keys that go to one control.
inline void FocusByClick(QWidget* control, QPoint local = {-1, -1}) {
    control->window()->activateWindow();
    Click(control, local);
    WaitUntil([&] { return QApplication::activeWindow() == control->window(); }, 2000);
}

inline QString Plain(QString text) {
    text.remove(QLatin1Char('&'));
    const int tab = text.indexOf(QLatin1Char('\t'));
    return tab >= 0 ? text.left(tab) : text;
}

// The visible menu popup the program shows now, if any.
inline QMenu* ShownMenu() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(w); menu != nullptr && menu->isVisible())
            return menu;
    return nullptr;
}

// Clicks the entry with this text in the menu that shows now; false when there is none.
// Returns once the entry's command (and any loop it ran) has finished.
inline bool PickShownMenuEntry(const QString& text) {
    if (!WaitUntil([] { return ShownMenu() != nullptr; }, 3000))
        return false;
    QMenu* menu = ShownMenu();
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && Plain(action->text()) == text) {
            const QRect where = menu->actionGeometry(action);
            QWindow* window = TopWindowOf(menu);
            QTest::mouseMove(window, where.center());
            QTest::mouseClick(window, Qt::LeftButton, {}, where.center());
            QApplication::processEvents();
            return true;
        }
    return false;
}

// A click that opens a context menu, and a click on its entry. The menu may run its own loop
// (exec) or not (popup): the entry is picked from a timer either way. False when the menu
// or its entry did not come.
inline bool ClickAndPick(QWidget* control, QPoint local, Qt::MouseButton button,
                         const QString& entry) {
    ActivateForClick(control);
    bool tried = false, picked = false;
    QWindow* window = TopWindowOf(control);
    const QPoint at = InTop(control, local);
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QMenu* menu = ShownMenu();
        if (tried || menu == nullptr)
            return;
        tried = true;
        poll.stop();
        // The hand lets go of the button where it pressed it; the menu that came up holds the
        // mouse and takes the release, as it does under a window system.
        QTest::mouseRelease(window, button, {}, at);
        picked = PickShownMenuEntry(entry);
    });
    poll.start();
    QTest::mouseMove(window, at);
    QTest::mousePress(window, button, {}, at);
    // A menu that does not run a loop of its own comes up after the press returned.
    WaitUntil([&] { return tried; }, 3000);
    poll.stop();
    if (!tried)
        QTest::mouseRelease(window, button, {}, at);
    QApplication::processEvents();
    return picked;
}

// Opens a menu of the window's menu bar with a click on its title and picks the entry.
inline bool PickMenu(QWidget* window, const QString& menuTitle, const QString& entry) {
    auto* bar = window->findChild<QMenuBar*>();
    if (bar == nullptr)
        return false;
    for (QAction* action : bar->actions())
        if (Plain(action->text()) == menuTitle) {
            Click(bar, bar->actionGeometry(action).center());
            return PickShownMenuEntry(entry);
        }
    return false;
}

// The modal dialog or message box the program shows now (not `except`).
inline QWidget* ShownModal(QWidget* except = nullptr) {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != except && modal->isVisible() ? modal : nullptr;
}

inline QAbstractButton* ButtonIn(QWidget* dialog, const QString& textOrName) {
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible() &&
            (Plain(button->text()) == textOrName || button->objectName() == textOrName))
            return button;
    return nullptr;
}

// Runs `answer` on the next modal window to show, from inside its own loop. `seen` says
// afterwards whether one came.
class ModalAnswer {
public:
    // `accepts` picks the window this answer is for (any modal window without it).
    explicit ModalAnswer(std::function<void(QWidget*)> answer,
                         std::function<bool(QWidget*)> accepts = {})
        : answer_(std::move(answer)), accepts_(std::move(accepts)) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = ShownModal();
            if (modal == nullptr || busy_ || (accepts_ && !accepts_(modal)))
                return;
            busy_ = true;
            timer_.stop();
            seen = true;
            modal->activateWindow();
            WaitUntil([&] { return QApplication::activeWindow() == modal; }, 1000);
            title = modal->windowTitle().toStdString();
            answer_(modal);
            busy_ = false;
        });
        timer_.start();
    }
    bool seen = false;
    std::string title;

private:
    std::function<void(QWidget*)> answer_;
    std::function<bool(QWidget*)> accepts_;
    QTimer timer_;
    bool busy_ = false;
};

// Clicks the dialog's button with this text (or objectName).
inline bool PressDialogButton(QWidget* dialog, const QString& textOrName) {
    QAbstractButton* button = ButtonIn(dialog, textOrName);
    if (button == nullptr)
        return false;
    Click(button);
    return true;
}

} // namespace input
