#include "app/controls/combo_list_width.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

void FitComboListToItems(QComboBox& combo) {
    QAbstractItemView* list = combo.view();
    QAbstractItemModel* model = combo.model();
    if (list == nullptr || model == nullptr)
        return;
    int widest = 0;
    const int rows = model->rowCount(combo.rootModelIndex());
    for (int i = 0; i < rows; ++i)
        widest = std::max(widest, list->sizeHintForIndex(model->index(i, combo.modelColumn(),
                                                                      combo.rootModelIndex()))
                                      .width());
    int width = widest + 2 * list->frameWidth();
    // A list longer than its box scrolls, and its scroll bar takes room from the items.
    if (rows > combo.maxVisibleItems())
        width += list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                            list->verticalScrollBar());
    list->setMinimumWidth(width);
}

int ComboWidthForItems(const QComboBox& combo) {
    const QFontMetrics metrics = combo.fontMetrics();
    int text = 0;
    for (int i = 0; i < combo.count(); ++i) {
        const QString item = combo.itemText(i);
        text = std::max({text, metrics.horizontalAdvance(item), metrics.boundingRect(item).width()});
    }
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    const QSize needed = combo.style()->sizeFromContents(
        QStyle::CT_ComboBox, &option, QSize(text, metrics.height()), &combo);
    // Qt's own hint measures the text a little differently; the larger of the two shows it.
    return std::max(needed.width(), combo.sizeHint().width());
}
