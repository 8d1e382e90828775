#pragma once

class QComboBox;

// Makes a combo box's drop-down list at least as wide as its widest item, so that a list
// under a narrow box (a table cell, a narrowed form) shows every name whole instead of
// cutting it in the middle. Call it after the items change.
void FitComboListToItems(QComboBox& combo);

// The width a closed combo box needs to show its widest item whole: the text as the font
// measures it, with the style's frame and arrow around it.
int ComboWidthForItems(const QComboBox& combo);
