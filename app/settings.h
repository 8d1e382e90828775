#pragma once

#include <optional>
#include <string>
#include <vector>

class QRect;
class QWidget;

// The user's settings: integer and text values in the one section "Settings" of the
// profile (organisation Halvorine, application "Corvessa Tambrel"). Each owner reads its
// values with the default when it is created and writes them back when it closes.

enum class SettingType { Int, Text };

struct SettingDef {
    const char* key;
    SettingType type;
    int intDefault;
    const char* textDefault; // for text values; null means computed (see SettingTextDefault)
};

// Every fixed key with its default. Window placement keys are absent: their default is
// wherever the window system puts a new window (see LoadWindowPlacement).
const std::vector<SettingDef>& SettingsTable();
const SettingDef* FindSetting(const std::string& key);

// Raw profile reads and writes. A missing value, or an integer value that is not a
// number, gives the default.
int GetProfileInt(const std::string& key, int defaultValue);
std::optional<int> ReadProfileInt(const std::string& key); // empty: missing or not a number
void WriteProfileInt(const std::string& key, int value);
std::string GetProfileString(const std::string& key, const std::string& defaultValue);
void WriteProfileString(const std::string& key, const std::string& value);

// Reads of a key of the table, with the table's default.
int GetSettingInt(const std::string& key);
bool GetSettingBool(const std::string& key); // stored as 0 or 1; true when not 0
std::string GetSettingText(const std::string& key);
void WriteSettingBool(const std::string& key, bool value);

// The key of a result table's column order or widths: "%s_%08x" of the prefix
// ("ColumnOrder" or "ColumnWidth") and the table's hidden-column mask.
std::string ColumnSettingKey(const std::string& prefix, unsigned hiddenMask);

// A stored column order that is not a permutation of 0..columnCount-1 is ignored: the
// result is empty and the owner keeps its default order.
std::vector<int> LoadColumnOrder(const std::string& key, int columnCount);
void SaveColumnOrder(const std::string& key, const std::vector<int>& order);

// Window placement of the main window ("MainWindow") and the "Manage" window
// ("ManageWindow"). Both directions use the window's client geometry (QWidget::geometry),
// so a window that is neither moved nor resized comes back at the same place and size; once
// shown, a restored window whose frame reaches off the screen is moved back onto it.
struct WindowPlacement {
    std::optional<int> left, top, width, height; // empty: where the window system puts it
};

// Left and top are raised to the work area's; width and height lowered to the work area.
WindowPlacement LoadWindowPlacement(const std::string& prefix, const QRect& workArea);
void ApplyWindowPlacement(QWidget& window, const WindowPlacement& placement);
// Writes left, width, top and height, in that order, unless the window is minimised or
// lies off the top left (right or bottom not above 0).
void SaveWindowPlacement(const QWidget& window, const std::string& prefix);
