#pragma once

#include "app/controls/cell_edit_notify.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <string>
#include <vector>

class CEditableCell;

// Window styles the editor is created with.
constexpr int kWsChild = 0x40000000;
constexpr int kWsVisible = 0x10000000;
constexpr int kEsCenter = 0x1;
constexpr int kEsRight = 0x2;

// The editor's own window: takes the clicks that fall through the idle frame and lays out
// the parts.
class ECWindow : public QWidget {
public:
    ECWindow(CEditableCell* owner, QWidget* parent);
    CEditableCell* Owner() const { return owner_; }
    // After this the window only waits for its deletion and reports nothing.
    void Detach() { owner_ = nullptr; }
    // The left button went down on the window and is not yet released.
    bool Pressed() const { return pressed_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void Click(QMouseEvent* e, int code);
    CEditableCell* owner_;
    bool pressed_ = false;
};

// The idle look: an etched frame over the cell that lets the mouse fall through.
class ECStaticPart : public QFrame {
public:
    explicit ECStaticPart(QWidget* parent);
};

class ECEditPart : public QLineEdit {
public:
    explicit ECEditPart(ECWindow* window);
    void SetInitialText(const QString& text) { initialText_ = text; }
    bool endedByEnter = false;
    bool endedByTab = false;
    bool endedByEsc = false;

protected:
    bool event(QEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    ECWindow* window_;
    QString initialText_;
    Qt::KeyboardModifiers modifiers_;
};

class ECComboBoxPart : public QComboBox {
public:
    explicit ECComboBoxPart(ECWindow* window);
    void showPopup() override;
    void hidePopup() override;
    bool endedByEnter = false;
    bool endedByTab = false;
    bool endedByEsc = false;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    ECWindow* window_;
    Qt::KeyboardModifiers modifiers_;
    bool picked_ = false; // an item was chosen in the list opened last
};

class ECComboButtonPart : public QPushButton {
public:
    explicit ECComboButtonPart(ECWindow* window);

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    ECWindow* window_;
};

// The small window a table lays over its editor cell: idle, it shows a frame (and a
// drop-down button for choice cells); editing, an edit box or a combo box fills the cell.
// One object serves any number of successive cells: each Create makes a new window.
class CEditableCell {
public:
    enum PartKind { kEditBox = 4, kDropList = 8, kEditCombo = 16 };

    CEditableCell() = default;
    virtual ~CEditableCell();
    CEditableCell(const CEditableCell&) = delete;
    CEditableCell& operator=(const CEditableCell&) = delete;

    // style: part kind (4, 8 or 16) | alignment (kEsCenter, kEsRight) | window styles.
    // Notifications go to parent; a scroll area's window goes into its viewport, and
    // rect is in the coordinates of the window's own parent. text null means empty.
    virtual bool Create(const char* text, const std::vector<std::string>* choices, int row,
                        int column, int style, const QRect& rect, QWidget* parent, int id);
    // Switches to the editing look; typed text (may be null) replaces or picks the value.
    virtual void BeginEdit(const char* typedText, bool openDropDown);
    virtual void EndEdit();
    // Destroys the window (the object stays usable for the next Create).
    void DestroyWindow();
    // True when an idle window already shows this cell's value with these choices: the
    // table keeps it instead of making a new one under the user's click.
    bool Shows(int partKind, const std::vector<std::string>* choices, const char* text) const;

    QWidget* Window() const { return window_; }
    bool HasWindow() const { return window_ != nullptr; }
    int Row() const { return row_; }
    int Column() const { return column_; }
    void SetCell(int row, int column) {
        row_ = row;
        column_ = column;
    }
    int PartKindValue() const { return partKind_; }
    bool IsIdle() const { return idle_; }
    int Alignment() const { return alignment_; }
    const std::string& Text() const { return text_; }
    const std::vector<std::string>& Choices() const { return choices_; }

    ECEditPart* EditPart() const { return editPart_; }
    ECComboBoxPart* ComboPart() const { return comboPart_; }
    ECStaticPart* StaticPart() const { return staticPart_; }
    ECComboButtonPart* ButtonPart() const { return buttonPart_; }

    // Used by the parts.
    void Layout(int width, int height);
    void SendNotify(int code, int key, int flags, const QString& text);
    void FocusTable();

private:
    int partKind_ = kEditBox;
    int row_ = -1;
    int column_ = -1;
    std::string text_;
    std::vector<std::string> choices_;
    bool idle_ = true;
    int alignment_ = 0;
    QWidget* parent_ = nullptr;
    int id_ = 0;
    QPointer<ECWindow> window_;
    // The parts are children of the window and die with it.
    QPointer<ECComboBoxPart> comboPart_;
    QPointer<ECEditPart> editPart_;
    QPointer<ECStaticPart> staticPart_;
    QPointer<ECComboButtonPart> buttonPart_;
};
