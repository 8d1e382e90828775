#include "app/controls/icon_button.h"

#include "app/resources.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <algorithm>

IconButton::IconButton(QWidget* parent) : QPushButton(parent) {
    setMouseTracking(true);
}

void IconButton::SetIcon(int resourceId) {
    const QPixmap pixmap = ResourceIcon(resourceId);
    setIcon(QIcon(pixmap));
    if (!pixmap.isNull())
        setIconSize(pixmap.size());
}

void IconButton::SetStatusTexts(const std::string& enterText, const std::string& leaveText,
                                QStatusBar* statusBar) {
    enterText_ = enterText;
    leaveText_ = leaveText;
    statusBar_ = statusBar;
}

void IconButton::mouseMoveEvent(QMouseEvent* e) {
    if (statusBar_) {
        hovering_ = true;
        statusBar_->showMessage(QString::fromStdString(enterText_));
    }
    QPushButton::mouseMoveEvent(e);
}

void IconButton::leaveEvent(QEvent* e) {
    if (hovering_) {
        hovering_ = false;
        if (statusBar_)
            statusBar_->showMessage(QString::fromStdString(leaveText_));
    }
    QPushButton::leaveEvent(e);
}

IconTextButton::IconTextButton(QWidget* parent) : QPushButton(parent) {}

bool IconTextButton::SetIcon(int resourceId, int width, int height) {
    const QPixmap pixmap = ResourceIcon(resourceId);
    if (pixmap.isNull())
        return false;
    icon_ = QIcon(pixmap);
    iconWidth_ = width;
    iconHeight_ = height;
    update();
    return true;
}

void IconTextButton::SetIconPixmap(const QPixmap& pixmap, int width, int height) {
    icon_ = QIcon(pixmap);
    iconWidth_ = width;
    iconHeight_ = height;
    update();
}

void IconTextButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const bool pressed = isDown();
    const bool disabled = !isEnabled();
    const int shift = pressed ? 1 : 0;
    QRect face = rect();
    if (border_) {
        face.adjust(1, 1, -1, -1);
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = face;
    option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &p, this);

    if (grip_) {
        // A small triangle of lines in the top-left corner, each a pixel shorter.
        for (int i = 0; i < 8; ++i)
            DrawLine(p, face.left() + 1, face.top() + 1 + i, face.left() + 8 - i,
                     face.top() + 1 + i, gripColor_, false);
    }

    const int width = face.width();
    const int height = face.height();
    const QString caption = text();
    const bool hasIcon = !icon_.isNull();
    if (hasIcon) {
        QPoint at = iconPos_;
        if (centred_)
            at = QPoint(face.left() + (caption.isEmpty() ? (width - iconWidth_) / 2 : iconMargin_),
                        face.top() + (height - iconHeight_) / 2);
        const QPixmap pixmap = icon_.pixmap(QSize(iconWidth_, iconHeight_),
                                            disabled ? QIcon::Disabled : QIcon::Normal);
        p.drawPixmap(QRect(at + QPoint(shift, shift), QSize(iconWidth_, iconHeight_)), pixmap);
    }
    if (!caption.isEmpty()) {
        const QFontMetrics metrics(font());
        const int textWidth = metrics.horizontalAdvance(caption);
        QPoint at = textPos_;
        if (centred_) {
            int x = (width - textWidth) / 2;
            if (hasIcon)
                x = textGap_ +
                    std::max(0, width - textWidth - textGap_ - iconWidth_ - iconMargin_) / 2 +
                    iconWidth_ + iconMargin_;
            at = QPoint(face.left() + x, face.top() + (height - metrics.height()) / 2 - 1);
        }
        p.setPen(palette().color(disabled ? QPalette::Disabled : QPalette::Active,
                                 QPalette::ButtonText));
        p.drawText(QRect(at + QPoint(shift, shift), QSize(textWidth + 1, metrics.height())),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
    }
    if (!disabled && hasFocus()) {
        const int least = std::min(rect().width(), rect().height());
        const int inset = least < 16 ? least / 4 : 3;
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(inset, inset, -inset, -inset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}
