#pragma once

class QDialog;
class QWidget;

// The width a window's frame needs to show its whole title: the title in the title bar's
// font, and room for the frame's icon and buttons beside it.
int TitleWidth(const QWidget& window);

// Keeps a dialog at least as wide as its title needs; its layout keeps the rest.
void FitTitle(QDialog& dialog);
