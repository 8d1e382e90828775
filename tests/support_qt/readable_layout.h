// Checks of a window made as small as it goes: its controls apart and their texts whole.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

inline std::string WidgetName(const QWidget* w) {
    QString name = w->objectName();
    if (name.isEmpty())
        name = w->metaObject()->className();
    if (auto* label = qobject_cast<const QLabel*>(w))
        name += " \"" + label->text() + "\"";
    else if (auto* button = qobject_cast<const QAbstractButton*>(w))
        name += " \"" + button->text() + "\"";
    return name.toStdString();
}

// Pairs of shown controls under `root` that overlap one another, among the children of one
// parent (child windows and the contents of scrolled areas aside).
inline std::vector<std::string> OverlappingControls(const QWidget& root) {
    std::vector<std::string> found;
    std::vector<const QWidget*> parents{&root};
    for (const QWidget* w : root.findChildren<QWidget*>())
        if (w->isVisible() && !w->isWindow())
            parents.push_back(w);
    for (const QWidget* parent : parents) {
        std::vector<const QWidget*> shown;
        for (const QWidget* w : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible() && !w->isWindow() && !w->geometry().isEmpty())
                shown.push_back(w);
        for (std::size_t i = 0; i < shown.size(); ++i)
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                if (shown[i]->geometry().intersects(shown[j]->geometry()))
                    found.push_back(WidgetName(shown[i]) + " over " + WidgetName(shown[j]));
    }
    return found;
}

// The labels and buttons among `controls` whose text does not fit their width, or that lie
// partly outside their parent.
inline std::vector<std::string> TextsCutShort(const std::vector<const QWidget*>& controls) {
    std::vector<std::string> found;
    for (const QWidget* w : controls) {
        if (w == nullptr || !w->isVisible())
            continue;
        QString text;
        int extra = 0;
        int room = w->width();
        if (auto* label = qobject_cast<const QLabel*>(w)) {
            text = label->text();
            room = label->contentsRect().width();
        } else if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
            text = button->text();
            const QStyle* style = w->style();
            if (qobject_cast<const QCheckBox*>(w) != nullptr)
                extra = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                        style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
            else if (qobject_cast<const QRadioButton*>(w) != nullptr)
                extra = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, w) +
                        style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, w);
            else if (!button->icon().isNull())
                extra = button->iconSize().width();
        }
        text.remove('&');
        const int needed = w->fontMetrics().horizontalAdvance(text) + extra;
        if (needed > room)
            found.push_back(WidgetName(w) + " needs " + std::to_string(needed) + " has " +
                            std::to_string(room));
        if (const QWidget* parent = w->parentWidget();
            parent != nullptr && !parent->rect().contains(w->geometry()))
            found.push_back(WidgetName(w) + " outside its parent");
    }
    return found;
}

// The items of a combo box's open list that the list cannot show whole across (a row
// scrolled out of view counts as much as it would show once scrolled to).
inline std::vector<std::string> ItemsCutShort(const QComboBox& combo) {
    std::vector<std::string> found;
    const QAbstractItemView* list = combo.view();
    const QRect visible = list->viewport()->rect();
    for (int i = 0; i < combo.count(); ++i) {
        const QModelIndex index = list->model()->index(i, combo.modelColumn());
        const QRect row = list->visualRect(index);
        const int shown = std::min(row.right(), visible.right()) -
                          std::max(row.left(), visible.left()) + 1;
        const QString text = combo.itemText(i);
        if (list->fontMetrics().horizontalAdvance(text) > shown ||
            list->sizeHintForIndex(index).width() > shown)
            found.push_back(text.toStdString());
    }
    return found;
}
