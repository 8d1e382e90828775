#pragma once

class QComboBox;
class QWidget;

// A box that offers a list of choices and takes typed text as it is typed: nothing from the
// list completes what the user types ("House" stays "House" beside "Household"), and Enter
// adds nothing to the list. Every editable box of the program is made this way.
QComboBox* NewTypedTextCombo(QWidget* parent);

// Makes an existing box (a subclass of the toolkit's) editable in the same way.
void MakeTypedTextCombo(QComboBox& combo);
