#include "app/controls/editable_cell.h"
#include "app/controls/combo_list_width.h"

#include "app/resources.h"
#include "app/controls/typed_text_combo.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

QEvent::Type CellEditEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

namespace {

constexpr int kDropButtonWidth = 18;
constexpr int kDropButtonIcon = 325;

int EndFlags(Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier)
        return kMkControl;
    return (modifiers & Qt::ShiftModifier) ? kMkShift : 0;
}

int EndKey(bool enter, bool tab, bool esc) {
    return esc ? 27 : tab ? 9 : enter ? 13 : 0;
}

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}
bool IsTab(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

// Focus that leaves only for a moment (the window deactivated, a popup opened) comes back
// to the part: it ends nothing.
bool EndsEdit(const QFocusEvent* e) {
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

} // namespace

// ECWindow

ECWindow::ECWindow(CEditableCell* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

void ECWindow::Click(QMouseEvent* e, int code) {
    if (e->button() != Qt::LeftButton || !owner_)
        return;
    int flags = 0;
    if (e->buttons() & Qt::LeftButton)
        flags |= kMkLButton;
    if (e->buttons() & Qt::RightButton)
        flags |= kMkRButton;
    if (e->buttons() & Qt::MiddleButton)
        flags |= kMkMButton;
    if (e->modifiers() & Qt::ShiftModifier)
        flags |= kMkShift;
    if (e->modifiers() & Qt::ControlModifier)
        flags |= kMkControl;
    owner_->SendNotify(code, 0, flags, QString());
}

void ECWindow::mousePressEvent(QMouseEvent* e) {
    pressed_ = pressed_ || e->button() == Qt::LeftButton;
    Click(e, kCellEditPress);
}
void ECWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        pressed_ = false;
    // The press grabbed the mouse: a release away from the editor belongs to the window
    // under it, so a press here and a release elsewhere is no click on the editor. A press
    // that put a new editor over the cell leaves this one waiting for its deletion; the
    // release then goes to the table, which finds its new editor under it.
    QWidget* parent = parentWidget();
    if ((!owner_ || !rect().contains(e->position().toPoint())) && parent) {
        QMouseEvent moved(e->type(), mapToParent(e->position()), e->globalPosition(), e->button(),
                          e->buttons(), e->modifiers());
        QCoreApplication::sendEvent(parent, &moved);
        return;
    }
    Click(e, kCellEditRelease);
}
void ECWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    Click(e, kCellEditDblClick);
}

void ECWindow::resizeEvent(QResizeEvent*) {
    if (owner_)
        owner_->Layout(width(), height());
}

// Parts

ECStaticPart::ECStaticPart(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setEnabled(false);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

ECEditPart::ECEditPart(ECWindow* window) : QLineEdit(window), window_(window) {}

bool ECEditPart::event(QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QLineEdit::event(e);
    auto* key = static_cast<QKeyEvent*>(e);
    modifiers_ = key->modifiers();
    endedByEnter = IsEnter(key->key());
    endedByTab = IsTab(key->key());
    endedByEsc = key->key() == Qt::Key_Escape;
    if (!endedByEnter && !endedByTab && !endedByEsc)
        return QLineEdit::event(e);
    // The key ends the edit by handing the focus back to the table; the focus loss reports.
    if (auto* owner = window_->Owner())
        owner->FocusTable();
    endedByEnter = endedByTab = endedByEsc = false;
    return true;
}

// Only Esc cancels: a click elsewhere (another row, another pane, a button) ends the edit
// keeping what was typed, as Tab does, with no key, so the table moves to no other cell.
void ECEditPart::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    CEditableCell* owner = window_->Owner();
    if (!owner || !EndsEdit(e))
        return;
    const int key = EndKey(endedByEnter, endedByTab, endedByEsc);
    const int flags = EndFlags(modifiers_);
    if (endedByEsc)
        setText(initialText_);
    owner->SendNotify(kCellEditEnd, key, flags, text());
    endedByEnter = endedByTab = endedByEsc = false;
}

ECComboBoxPart::ECComboBoxPart(ECWindow* window) : QComboBox(window), window_(window) {
    view()->installEventFilter(this);
    // Emitted when the user chooses an item, after the list has closed.
    connect(this, &QComboBox::activated, this, [this] { picked_ = true; });
}

bool ECComboBoxPart::event(QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QComboBox::event(e);
    auto* key = static_cast<QKeyEvent*>(e);
    const int k = key->key();
    if (!IsEnter(k) && !IsTab(k) && k != Qt::Key_Escape)
        return QComboBox::event(e);
    modifiers_ = key->modifiers();
    endedByEnter = IsEnter(k);
    endedByTab = IsTab(k);
    endedByEsc = k == Qt::Key_Escape;
    if (auto* owner = window_->Owner())
        owner->FocusTable();
    return true;
}

// Enter and Tab in the open list are remembered and go on to the list. Esc and the keys that
// toggle a list close it without a choice, and end nothing: the press itself closes the list
// (its shortcut check is only claimed), so that the box never sees the key afterwards.
bool ECComboBoxPart::eventFilter(QObject* watched, QEvent* e) {
    if ((e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) &&
        watched == view() && view()->isVisible()) {
        auto* key = static_cast<QKeyEvent*>(e);
        const int k = key->key();
        const bool alt = key->modifiers() & Qt::AltModifier;
        if (k == Qt::Key_Escape || k == Qt::Key_F4 ||
            ((k == Qt::Key_Up || k == Qt::Key_Down) && alt)) {
            e->accept();
            if (e->type() == QEvent::KeyPress)
                hidePopup();
            return true;
        }
    }
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (IsEnter(key->key()) || IsTab(key->key())) {
            modifiers_ = key->modifiers();
            endedByEnter = IsEnter(key->key());
            endedByTab = IsTab(key->key());
        }
    }
    return QComboBox::eventFilter(watched, e);
}

void ECComboBoxPart::showPopup() {
    picked_ = false;
    // The list opens under a cell as narrow as its column: it takes the room of its items.
    FitComboListToItems(*this);
    QComboBox::showPopup();
    // First in line, so the ending keys are seen before the list acts on them.
    view()->removeEventFilter(this);
    view()->installEventFilter(this);
}

void ECComboBoxPart::hidePopup() {
    QComboBox::hidePopup();
    // The list applies the chosen item after it has closed: finish once it has. A list closed
    // without a choice (Esc, its toggle keys, a click beside it) leaves the box as it was,
    // typed text included, and the edit goes on.
    QTimer::singleShot(0, this, [this] {
        if (!picked_)
            return;
        picked_ = false;
        if (currentIndex() >= 0 && isEditable())
            setEditText(itemText(currentIndex()));
        if (auto* owner = window_->Owner(); owner && isVisible())
            owner->FocusTable();
    });
}

void ECComboBoxPart::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    CEditableCell* owner = window_->Owner();
    // While the list is open the focus is in it: the edit goes on.
    if (!owner || !EndsEdit(e) || view()->isVisible())
        return;
    const int key = EndKey(endedByEnter, endedByTab, endedByEsc);
    owner->SendNotify(kCellEditEnd, key, EndFlags(modifiers_), currentText());
    endedByEnter = endedByTab = endedByEsc = false;
}

ECComboButtonPart::ECComboButtonPart(ECWindow* window) : QPushButton(window), window_(window) {
    setFocusPolicy(Qt::NoFocus);
    const QPixmap icon = ResourceIcon(kDropButtonIcon);
    if (!icon.isNull())
        setIcon(icon);
    else
        setText(QStringLiteral("\u25BE"));
}

void ECComboButtonPart::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && isDown()) {
        setDown(false);
        if (auto* owner = window_->Owner())
            owner->BeginEdit(nullptr, true);
        return;
    }
    QPushButton::mouseReleaseEvent(e);
}

// CEditableCell

CEditableCell::~CEditableCell() {
    if (window_) {
        window_->Detach();
        delete window_.data();
    }
}

bool CEditableCell::Create(const char* text, const std::vector<std::string>* choices, int row,
                           int column, int style, const QRect& rect, QWidget* parent, int id) {
    DestroyWindow();
    partKind_ = style & 0x1C;
    alignment_ = style & 3;
    row_ = row;
    column_ = column;
    text_ = text ? text : "";
    choices_.clear();
    if (choices)
        choices_ = *choices;
    parent_ = parent;
    id_ = id;
    idle_ = true;

    QWidget* host = parent;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(parent))
        host = area->viewport();
    auto* window = new ECWindow(this, host);
    window_ = window;
    const QString initial = QString::fromStdString(text_);

    staticPart_ = new ECStaticPart(window);
    staticPart_->setWindowTitle(initial);
    if (partKind_ == kEditBox) {
        editPart_ = new ECEditPart(window);
        editPart_->hide();
        editPart_->setAlignment(alignment_ == kEsRight    ? Qt::AlignRight
                                : alignment_ == kEsCenter ? Qt::AlignHCenter
                                                          : Qt::AlignLeft);
        editPart_->setText(initial);
        editPart_->SetInitialText(initial);
    } else if (partKind_ == kDropList || partKind_ == kEditCombo) {
        buttonPart_ = new ECComboButtonPart(window);
        comboPart_ = new ECComboBoxPart(window);
        comboPart_->hide();
        // The choices are offered in the list; typed text is never completed into one of them.
        if (partKind_ == kEditCombo)
            MakeTypedTextCombo(*comboPart_);
        comboPart_->clear();
        for (const auto& choice : choices_)
            comboPart_->addItem(QString::fromStdString(choice));
        const int match = comboPart_->findText(initial, Qt::MatchExactly | Qt::MatchCaseSensitive);
        comboPart_->setCurrentIndex(match);
        if (partKind_ == kEditCombo)
            comboPart_->setEditText(initial);
    }
    window->setGeometry(rect);
    Layout(rect.width(), rect.height());
    if (style & kWsVisible)
        window->show();
    return true;
}

void CEditableCell::Layout(int width, int height) {
    if (!window_)
        return;
    if (partKind_ == kEditBox) {
        staticPart_->setGeometry(0, 0, width, height);
        if (editPart_)
            editPart_->setGeometry(0, 0, width, height);
    } else {
        // The combo's list is a popup of its own here, so the box keeps the cell's height.
        staticPart_->setGeometry(0, 0, std::max(0, width - kDropButtonWidth), height);
        if (buttonPart_)
            buttonPart_->setGeometry(width - kDropButtonWidth, 0, kDropButtonWidth, height);
        if (comboPart_)
            comboPart_->setGeometry(0, 0, width, height);
    }
}

void CEditableCell::BeginEdit(const char* typedText, bool openDropDown) {
    if (!idle_ || !window_)
        return;
    idle_ = false;
    staticPart_->hide();
    const QString typed = typedText ? QString::fromUtf8(typedText) : QString();
    if (partKind_ == kEditBox && editPart_) {
        editPart_->show();
        if (typedText) {
            editPart_->setText(typed);
            editPart_->end(false);
        } else {
            editPart_->selectAll();
        }
        editPart_->setFocus(Qt::OtherFocusReason);
    } else if (comboPart_) {
        buttonPart_->hide();
        comboPart_->show();
        comboPart_->setFocus(Qt::OtherFocusReason);
        if (partKind_ == kDropList) {
            if (typedText) {
                comboPart_->setCurrentIndex(-1);
                for (int i = 0; i < comboPart_->count(); ++i) {
                    if (comboPart_->itemText(i).startsWith(typed, Qt::CaseInsensitive)) {
                        comboPart_->setCurrentIndex(i);
                        break;
                    }
                }
            }
            // Typing picks from the open list; Enter and a click start with it closed.
            if ((openDropDown || typedText) && comboPart_->count() > 0)
                comboPart_->showPopup();
        } else {
            if (typedText) {
                comboPart_->setEditText(typed);
                comboPart_->lineEdit()->end(false);
            } else {
                comboPart_->lineEdit()->selectAll();
            }
            if (openDropDown && comboPart_->count() > 0)
                comboPart_->showPopup();
        }
    }
}

void CEditableCell::EndEdit() {
    if (idle_ || !window_)
        return;
    idle_ = true;
    // An edit ended by a click elsewhere leaves the focus where the click put it.
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || window_->isAncestorOf(focus))
        FocusTable();
    if (partKind_ == kEditBox) {
        if (editPart_)
            editPart_->hide();
    } else {
        if (comboPart_)
            comboPart_->hide();
        if (buttonPart_)
            buttonPart_->show();
    }
    staticPart_->show();
}

void CEditableCell::DestroyWindow() {
    idle_ = true;
    if (!window_)
        return;
    // Deleted later: the window may be destroyed from inside one of its own handlers.
    ECWindow* window = window_;
    window_ = nullptr;
    window->Detach();
    if (window->isAncestorOf(QApplication::focusWidget()))
        FocusTable();
    // A window hidden under a held button would swallow the release: destroyed by its own
    // press, it stays until then beneath its successor, and hands the release on.
    if (window->Pressed())
        window->lower();
    else
        window->hide();
    window->deleteLater();
}

bool CEditableCell::Shows(int partKind, const std::vector<std::string>* choices,
                          const char* text) const {
    if (!window_ || !idle_ || partKind != partKind_)
        return false;
    const std::string value = text ? text : "";
    if (value != text_ || (choices ? *choices : std::vector<std::string>()) != choices_)
        return false;
    // The parts still hold the value they were made with (an edit may have changed them).
    const QString initial = QString::fromStdString(text_);
    if (editPart_)
        return editPart_->text() == initial;
    return !comboPart_ || comboPart_->currentText() == initial ||
           (partKind_ == kDropList && comboPart_->currentIndex() < 0);
}

void CEditableCell::SendNotify(int code, int key, int flags, const QString& text) {
    if (!parent_ || !window_)
        return;
    CellEditNotify n;
    n.sender = window_;
    n.id = id_;
    n.code = code;
    n.row = row_;
    n.column = column_;
    n.key = key;
    n.flags = flags;
    n.text = text.toStdString();
    CellEditEvent event(n);
    QCoreApplication::sendEvent(parent_, &event);
}

void CEditableCell::FocusTable() {
    if (parent_)
        parent_->setFocus(Qt::OtherFocusReason);
}
