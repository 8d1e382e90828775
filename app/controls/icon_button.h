#pragma once

#include "app/drawing.h"

#include <QIcon>
#include <QPointer>
#include <QPushButton>
#include <string>

class QStatusBar;

// A push button showing an icon that writes a text into the status bar while the mouse is
// over it and another when the mouse leaves.
class IconButton : public QPushButton {
public:
    explicit IconButton(QWidget* parent = nullptr);

    void SetIcon(int resourceId);
    // The status bar is borrowed and may be null.
    void SetStatusTexts(const std::string& enterText, const std::string& leaveText,
                        QStatusBar* statusBar);
    bool IsHovering() const { return hovering_; }

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool hovering_ = false;
    std::string enterText_;
    std::string leaveText_;
    QPointer<QStatusBar> statusBar_;
};

// An owner-drawn button with an icon and a caption, side by side and centred, or at
// stored positions.
class IconTextButton : public QPushButton {
public:
    explicit IconTextButton(QWidget* parent = nullptr);

    // Loads the icon at that size; false when the program carries no such icon.
    bool SetIcon(int resourceId, int width, int height);
    // A picture the caller drew, shown at that size.
    void SetIconPixmap(const QPixmap& pixmap, int width, int height);
    void SetCentredLayout(bool centred) { centred_ = centred; }
    void SetPositions(QPoint icon, QPoint text) {
        iconPos_ = icon;
        textPos_ = text;
    }
    void SetGrip(bool grip, ColorRef color) {
        grip_ = grip;
        gripColor_ = color;
    }
    void SetBorder(bool border) { border_ = border; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool centred_ = true;
    QPoint iconPos_;
    QPoint textPos_;
    int iconMargin_ = 4;
    int textGap_ = 4;
    QIcon icon_;
    int iconWidth_ = 0;
    int iconHeight_ = 0;
    bool grip_ = false;
    ColorRef gripColor_ = 0;
    bool border_ = false;
};
