#include "app/controls/typed_text_combo.h"

#include <QComboBox>

QComboBox* NewTypedTextCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    MakeTypedTextCombo(*combo);
    return combo;
}

void MakeTypedTextCombo(QComboBox& combo) {
    // Becoming editable gives the box a completer that fills in the first choice starting
    // with the typed text; it is taken away after, never on a box that is not editable (the
    // toolkit refuses that with a warning).
    combo.setEditable(true);
    combo.setCompleter(nullptr);
    combo.setInsertPolicy(QComboBox::NoInsert);
}
