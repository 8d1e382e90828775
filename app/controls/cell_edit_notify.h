#pragma once

#include <QEvent>
#include <string>

class QWidget;

// What the in-place cell editor tells its table, synchronously: a click on the editor or
// the end of an edit.
struct CellEditNotify {
    QWidget* sender = nullptr; // the editor window
    int id = 0;                // the editor's control id
    int code = 0;              // one of the codes below
    int row = 0;
    int column = 0;
    int key = 0;      // end of edit: 13 Enter, 9 Tab, 27 Esc, 0 none; clicks: 0
    int flags = 0;    // clicks: mouse key-state bits; end of edit: 4 Shift, 8 Ctrl (Ctrl wins)
    std::string text; // end of edit: the edited text, which the receiver may change
};

enum CellEditCode : int {
    kCellEditPress = 1,
    kCellEditRelease = 2,
    kCellEditDblClick = 3,
    kCellEditEnd = 4,
};

// Mouse key-state bits of the click codes.
constexpr int kMkLButton = 0x1;
constexpr int kMkRButton = 0x2;
constexpr int kMkShift = 0x4;
constexpr int kMkControl = 0x8;
constexpr int kMkMButton = 0x10;

// Carries a CellEditNotify to the table with QCoreApplication::sendEvent.
class CellEditEvent : public QEvent {
public:
    explicit CellEditEvent(CellEditNotify& n) : QEvent(EventType()), notify(n) {}
    static QEvent::Type EventType();
    CellEditNotify& notify;
};
