#pragma once
// Where a table's rows stand in its window, and the wheel over them, for tests that check
// what stands beside each row at every scroll position.
#include <QCoreApplication>
#include <QTableView>
#include <QWheelEvent>
#include <QWindow>
#include <optional>

// One notch of the wheel over the table's rows, towards the user, as the window gets it.
inline void WheelDownOver(QTableView& table, QWidget* top, QWindow* window) {
    const QPointF at = table.viewport()->mapTo(top, table.viewport()->rect().center());
    QWheelEvent event(at, top->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &event);
    QCoreApplication::processEvents();
}

// The middle of a row in top's coordinates, when the table shows that much of it.
inline std::optional<int> RowMiddleIn(const QTableView& table, int row, QWidget* top) {
    const int y = table.rowViewportPosition(row) + table.rowHeight(row) / 2;
    if (y < 0 || y >= table.viewport()->height())
        return std::nullopt;
    return table.viewport()->mapTo(top, QPoint(0, y)).y();
}
