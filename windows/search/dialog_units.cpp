#include "windows/search/dialog_units.h"

#include <QFontMetrics>

DialogUnits DialogUnits::ForFont(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogUnits units;
    // Rounded like the classic average: (total / 26 + 1) / 2.
    units.baseX = std::max(1, (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}
