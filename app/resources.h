#pragma once

#include <QPixmap>
#include <string>

// The program's string table: texts by numeric id; empty for an unknown id.
std::string ResourceString(int id);

// The strings that code asks for by id outside the table.
constexpr int kNoSocketsString = 104;      // "Socket initialization has failed."
constexpr int kLongExampleString = 138;    // a sounds-like example of 30 seconds or more
constexpr int kShorterExampleString = 140; // how to select a shorter example
constexpr int kSearchingString = 145;      // "Performing search, click here to stop..."

// Icons and bitmaps by numeric id, from the Qt resources ":/icons/<id>.png" and
// ":/bitmaps/<id>.png"; a null pixmap when the program carries none.
QPixmap ResourceIcon(int id);
QPixmap ResourceBitmap(int id);

// Pictures drawn by the program's own code, served by ResourceIcon under their id where the
// program carries no compiled-in file of that id.
void RegisterResourceIcon(int id, const QPixmap& pixmap);

// The id of a window's splitter of panes, which names it (its objectName) for tests and
// tools: "0xE900" in the main window, "59648" in the Manage window, as each always was.
constexpr int kPaneSplitterId = 0xE900;

// The icons of the program's window kinds.
constexpr int kTextSearchIcon = 235;
constexpr int kSimilarSearchIcon = 282;
constexpr int kManageIcon = 237;
constexpr int kEditorIcon = 238;
