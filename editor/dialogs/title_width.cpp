#include "editor/dialogs/title_width.h"

#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLayout>
#include <QSpacerItem>
#include <QStyle>
#include <algorithm>

int TitleWidth(const QWidget& window) {
    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    const QStyle* style = window.style();
    // Title-bar buttons are about as wide as the bar is high: the icon on one side, and close,
    // maximise, minimise and one more that some window managers add on the other.
    const int button =
        std::max(style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window), metrics.height());
    const int frame = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
    return metrics.horizontalAdvance(window.windowTitle()) + 5 * button + 2 * frame;
}

void FitTitle(QDialog& dialog) {
    if (QLayout* layout = dialog.layout())
        layout->addItem(
            new QSpacerItem(TitleWidth(dialog), 0, QSizePolicy::Minimum, QSizePolicy::Fixed));
}
