#include "app/tip_wnd.h"

#include "app/resources.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

const TipEntry kStartTips[3] = {{237, 147, 0, 0}, {235, 148, 0, 0}, {314, 149, 0, 0}};
const TipEntry kResultRowTips[4] = {
    {182, 150, 0, 0}, {185, 168, 0, 0}, {191, 151, 0, 0}, {188, 152, 0, 0}};

namespace {

constexpr int kMargin = 6;     // text inset inside an entry, on each side
constexpr int kIconSpace = 32; // room for an entry's icon left of its text
const QColor kTipYellow(255, 255, 192);

std::function<bool()>& ShowTipsSource() {
    static std::function<bool()> source;
    return source;
}

} // namespace

// The window of a TipWnd; it lives only while the tip is shown.
class TipPopup : public QWidget {
public:
    TipPopup(TipWnd* tip, QWidget* owner)
        : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
          tip_(tip) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
    }

    void Detach() { tip_ = nullptr; }
    bool InClick() const { return inClick_; }

protected:
    bool event(QEvent* event) override {
        // Some window systems activate any window that is shown; the keys belong to the
        // window the tip explains, which gets its focus back at once.
        if (event->type() == QEvent::WindowActivate && parentWidget())
            parentWidget()->window()->activateWindow();
        return QWidget::event(event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), kTipYellow);
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (!tip_)
            return;
        painter.setFont(TipWnd::TipFont());
        int y = kMargin;
        for (const auto& entry : tip_->entries_) {
            int x = kMargin;
            if (entry.iconId != 0) {
                QPixmap icon = ResourceIcon(entry.iconId);
                if (!icon.isNull())
                    painter.drawPixmap(x, y - icon.height() / 4, icon);
                x += kIconSpace;
            }
            painter.drawText(QRect(x, y, entry.width, entry.height), Qt::AlignLeft | Qt::AlignTop,
                             QString::fromStdString(tip_->EntryText(entry)));
            y += entry.height;
        }
    }

    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton || !tip_)
            return;
        inClick_ = true;
        tip_->Clicked();
        inClick_ = false;
    }

private:
    TipWnd* tip_;
    bool inClick_ = false;
};

TipWnd::~TipWnd() {
    if (window_) {
        window_->Detach();
        delete window_.data();
    }
}

QFont TipWnd::TipFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    return font;
}

void TipWnd::SetShowTipsSource(std::function<bool()> source) {
    ShowTipsSource() = std::move(source);
}

bool TipWnd::ShowTips() {
    const auto& source = ShowTipsSource();
    return !source || source();
}

QWidget* TipWnd::Window() const {
    return window_.data();
}

std::string TipWnd::EntryText(const TipEntry& entry) const {
    return entry.stringId != 0 ? ResourceString(entry.stringId) : text_;
}

void TipWnd::TakeContent(QWidget* owner, QWidget* anchor, TipClickListener* listener) {
    owner_ = owner;
    anchor_ = anchor;
    listener_ = listener;
    hasContent_ = true;
    if (ShowTips())
        Show();
}

void TipWnd::SetText(const std::string& text, QWidget* owner, QWidget* anchor,
                     TipClickListener* listener) {
    Clear();
    entries_.push_back(TipEntry{});
    text_ = text;
    TakeContent(owner, anchor, listener);
}

void TipWnd::SetEntries(const TipEntry* table, int count, QWidget* owner, QWidget* anchor,
                        TipClickListener* listener) {
    Clear();
    for (int i = 0; i < count; ++i)
        entries_.push_back(TipEntry{table[i].iconId, table[i].stringId, 0, 0});
    TakeContent(owner, anchor, listener);
}

void TipWnd::SetAlwaysShown(bool on) {
    alwaysShown_ = on;
    if (on && hasContent_ && !window_)
        Show();
}

void TipWnd::Clear() {
    alwaysShown_ = false;
    entries_.clear();
    text_.clear();
    hasContent_ = false;
    owner_ = nullptr;
    anchor_ = nullptr;
    listener_ = nullptr;
    DestroyPopup();
}

void TipWnd::Reshow() {
    DestroyPopup();
    if (hasContent_ && (ShowTips() || alwaysShown_))
        Show();
}

void TipWnd::DestroyPopup() {
    if (!window_)
        return;
    TipPopup* popup = window_.data();
    window_ = nullptr;
    popup->Detach();
    popup->hide();
    // A popup cannot be deleted inside its own mouse handler.
    if (popup->InClick())
        popup->deleteLater();
    else
        delete popup;
}

void TipWnd::DestroyWindow() {
    Clear();
}

void TipWnd::Clicked() {
    // The listener may start or stop work; it may not delete this tip.
    if (listener_)
        listener_->TipClicked();
    DestroyWindow();
}

void TipWnd::Show() {
    DestroyPopup();
    if (!hasContent_ || !anchor_)
        return;
    auto* popup = new TipPopup(this, owner_.data());
    window_ = popup;
    QFontMetrics metrics(TipFont(), popup);
    int width = 0, height = 0;
    for (auto& entry : entries_) {
        QRect extent = metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop,
                                            QString::fromStdString(EntryText(entry)));
        entry.width = extent.width() + 2 * kMargin;
        entry.height = extent.height() + 2 * kMargin;
        width = std::max(width, entry.width + (entry.iconId != 0 ? kIconSpace : 0));
        height += entry.height;
    }
    QWidget* anchor = anchor_.data();
    // The popup is a window of its own: its geometry is in screen coordinates.
    QPoint screen = anchor->mapToGlobal(QPoint(anchor->width() / 2 - width / 2,
                                               anchor->height() / 2 - height / 2));
    // It stays inside its window, however small the window is made, rather than float over
    // whatever lies beside it.
    const QWidget* frame = (owner_ ? owner_.data() : anchor)->window();
    const QRect bounds(frame->mapToGlobal(QPoint(0, 0)), frame->size());
    width = std::min(width, bounds.width());
    height = std::min(height, bounds.height());
    screen.setX(std::clamp(screen.x(), bounds.left(), bounds.right() + 1 - width));
    screen.setY(std::clamp(screen.y(), bounds.top(), bounds.bottom() + 1 - height));
    const QPoint offset = anchor->mapFromGlobal(screen);
    x_ = offset.x();
    y_ = offset.y();
    popup->setGeometry(screen.x(), screen.y(), width, height);
    popup->show();
}
