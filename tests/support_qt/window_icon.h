// Whether a window carries the program's icon of the given id, as the window system gets it.
#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

#include "app/resources.h"

inline bool HasResourceIcon(const QWidget& window, int iconId) {
    const QPixmap expected = ResourceIcon(iconId);
    const QIcon icon = window.windowIcon();
    if (expected.isNull() || icon.isNull())
        return false;
    const QImage shown = icon.pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32);
    return shown == expected.toImage().convertToFormat(QImage::Format_ARGB32);
}
