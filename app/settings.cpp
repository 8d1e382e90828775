#include "app/settings.h"

#include "app/app_util.h"
#include "app/frame_placement.h"

#include <QDir>
#include <QRect>
#include <QSettings>
#include <QWidget>
#include <cstdio>

namespace {

// A setting whose default is computed at run time carries a null textDefault.
const std::vector<SettingDef> kSettings = {
    {"MainTabular", SettingType::Int, 1, nullptr},
    {"CorrectDC", SettingType::Int, 1, nullptr},
    {"SaveTambrelFields", SettingType::Int, 1, nullptr},
    {"SaveMultiPitch", SettingType::Int, 1, nullptr},
    {"SavePath", SettingType::Text, 0, ""},
    {"ShowTips", SettingType::Int, 1, nullptr},
    {"EditorShowFields", SettingType::Int, 1, nullptr},
    {"EditorShowControls", SettingType::Int, 1, nullptr},
    {"EditorMixSourceVol", SettingType::Int, 50, nullptr},
    {"EditorMixDestinationVol", SettingType::Int, 50, nullptr},
    {"NewDuration", SettingType::Int, 30, nullptr},
    {"NewChannels", SettingType::Int, 1, nullptr},
    {"NewSampleRate", SettingType::Int, 22050, nullptr},
    {"CatalogPath", SettingType::Text, 0, nullptr}, // the user's home folder
    {"CatalogColumnOrder", SettingType::Text, 0, ""},
    {"CatalogColumnWidth", SettingType::Text, 0, ""},
    {"SearchLocal", SettingType::Int, 1, nullptr},
    {"SearchWeb", SettingType::Int, 1, nullptr},
    {"SearchTabular", SettingType::Int, 1, nullptr},
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// One QSettings per call: Qt caches the file, and a test may move the profile's folder.
struct Profile {
    QSettings settings{QStringLiteral("Halvorine"), QStringLiteral("Corvessa Tambrel")};
    Profile() { settings.beginGroup(QStringLiteral("Settings")); }
};

std::string TextDefault(const SettingDef& def) {
    if (def.textDefault)
        return def.textDefault;
    return QDir::homePath().toStdString();
}

} // namespace

const std::vector<SettingDef>& SettingsTable() {
    return kSettings;
}

const SettingDef* FindSetting(const std::string& key) {
    for (const auto& def : kSettings)
        if (key == def.key)
            return &def;
    return nullptr;
}

// Empty when the value is missing or is not a number.
std::optional<int> ReadProfileInt(const std::string& key) {
    Profile p;
    QVariant value = p.settings.value(Q(key));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    int result = value.toString().trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return result;
}

int GetProfileInt(const std::string& key, int defaultValue) {
    return ReadProfileInt(key).value_or(defaultValue);
}

void WriteProfileInt(const std::string& key, int value) {
    Profile p;
    p.settings.setValue(Q(key), value);
}

std::string GetProfileString(const std::string& key, const std::string& defaultValue) {
    Profile p;
    QVariant value = p.settings.value(Q(key));
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with an unquoted comma comes back as a list: keep its text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    return value.toString().toStdString();
}

void WriteProfileString(const std::string& key, const std::string& value) {
    Profile p;
    p.settings.setValue(Q(key), Q(value));
}

int GetSettingInt(const std::string& key) {
    const SettingDef* def = FindSetting(key);
    return GetProfileInt(key, def ? def->intDefault : 0);
}

bool GetSettingBool(const std::string& key) {
    return GetSettingInt(key) != 0;
}

std::string GetSettingText(const std::string& key) {
    const SettingDef* def = FindSetting(key);
    return GetProfileString(key, def ? TextDefault(*def) : std::string());
}

void WriteSettingBool(const std::string& key, bool value) {
    WriteProfileInt(key, value ? 1 : 0);
}

std::string ColumnSettingKey(const std::string& prefix, unsigned hiddenMask) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%08x", hiddenMask);
    return prefix + suffix;
}

std::vector<int> LoadColumnOrder(const std::string& key, int columnCount) {
    if (columnCount <= 0)
        return {};
    std::string text = GetProfileString(key, "");
    std::vector<int> order(static_cast<size_t>(columnCount) + 1);
    int n = AppUtil::ParseIntList(text, order.data(), columnCount + 1);
    if (n != columnCount)
        return {};
    order.resize(static_cast<size_t>(n));
    std::vector<bool> seen(static_cast<size_t>(columnCount), false);
    for (int column : order) {
        if (column < 0 || column >= columnCount || seen[static_cast<size_t>(column)])
            return {};
        seen[static_cast<size_t>(column)] = true;
    }
    return order;
}

void SaveColumnOrder(const std::string& key, const std::vector<int>& order) {
    WriteProfileString(key, AppUtil::FormatIntList(order.data(), static_cast<int>(order.size())));
}

WindowPlacement LoadWindowPlacement(const std::string& prefix, const QRect& workArea) {
    WindowPlacement placement;
    auto read = [&](const char* name) { return ReadProfileInt(prefix + name); };
    placement.left = read("Left");
    placement.top = read("Top");
    placement.width = read("Width");
    placement.height = read("Height");
    if (placement.left && *placement.left < workArea.left())
        placement.left = workArea.left();
    if (placement.top && *placement.top < workArea.top())
        placement.top = workArea.top();
    if (placement.width && *placement.width > workArea.width())
        placement.width = workArea.width();
    if (placement.height && *placement.height > workArea.height())
        placement.height = workArea.height();
    return placement;
}

void ApplyWindowPlacement(QWidget& window, const WindowPlacement& placement) {
    QRect geometry = window.geometry();
    if (placement.width && *placement.width > 0)
        geometry.setWidth(*placement.width);
    if (placement.height && *placement.height > 0)
        geometry.setHeight(*placement.height);
    // A window with no stored position goes where the window system puts it, which keeps its
    // title bar on the screen; a stored one is checked once the window manager has framed it.
    if (placement.left || placement.top) {
        geometry.moveTo(placement.left.value_or(geometry.x()), placement.top.value_or(geometry.y()));
        window.setGeometry(geometry);
    } else {
        window.resize(geometry.size());
    }
    KeepFrameInWorkArea(window);
}

void SaveWindowPlacement(const QWidget& window, const std::string& prefix) {
    if (window.isMinimized())
        return;
    QRect g = window.geometry();
    int right = g.x() + g.width();
    int bottom = g.y() + g.height();
    if (right <= 0 || bottom <= 0)
        return;
    WriteProfileInt(prefix + "Left", g.x());
    WriteProfileInt(prefix + "Width", g.width());
    WriteProfileInt(prefix + "Top", g.y());
    WriteProfileInt(prefix + "Height", g.height());
}
