#pragma once

#include <QPixmap>
#include <string>

// The program's string table: texts by numeric id; empty for an unknown id.
std::string ResourceString(int id);

// Icons and bitmaps by numeric id, from the Qt resources ":/icons/<id>.png" and
// ":/bitmaps/<id>.png"; a null pixmap when the program carries none.
QPixmap ResourceIcon(int id);
QPixmap ResourceBitmap(int id);

// Pictures drawn by the program's own code, served by ResourceIcon under their id (before
// the compiled-in files).
void RegisterResourceIcon(int id, const QPixmap& pixmap);

// The icons of the program's window kinds.
constexpr int kTextSearchIcon = 235;
constexpr int kSimilarSearchIcon = 282;
constexpr int kManageIcon = 237;
constexpr int kEditorIcon = 238;
