#include "app/frame_placement.h"
#include "app/settings.h"

#include <QDir>
#include <QRect>
#include <QSettings>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

// Each test gets a fresh, empty profile folder.
class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tambrel-settings-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        QString path = QString::fromStdString(dir.string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(Settings, FirstStartGivesEveryDefault) {
    struct Case {
        const char* key;
        int value;
    };
    const Case ints[] = {
        {"MainTabular", 1},
        {"CorrectDC", 1},
        {"SaveTambrelFields", 1},
        {"SaveMultiPitch", 1},
        {"ShowTips", 1},
        {"EditorShowFields", 1},
        {"EditorShowControls", 1},
        {"EditorMixSourceVol", 50},
        {"EditorMixDestinationVol", 50},
        {"NewDuration", 30},
        {"NewChannels", 1},
        {"NewSampleRate", 22050},
        {"SearchLocal", 1},
        {"SearchWeb", 1},
        {"SearchTabular", 1},
    };
    for (const auto& c : ints) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(GetSettingInt(c.key), c.value);
    }
    EXPECT_EQ(GetSettingText("SavePath"), "");
    EXPECT_EQ(GetSettingText("CatalogColumnOrder"), "");
    EXPECT_EQ(GetSettingText("CatalogPath"), QDir::homePath().toStdString());

    WindowPlacement placement = LoadWindowPlacement("MainWindow", QRect(0, 0, 800, 600));
    EXPECT_FALSE(placement.left || placement.top || placement.width || placement.height);
    EXPECT_FALSE(fs::exists(dir / "Halvorine")); // reading writes nothing
}

TEST_F(Settings, ValuesAreWrittenUnderSettingsAndReadBack) {
    WriteProfileInt("NewSampleRate", 48000);
    WriteSettingBool("ShowTips", false);
    WriteProfileInt("EditorMixSourceVol", -5); // out of range values are kept as they are
    WriteProfileString("SavePath", "/home/u/Klänge, neu/");
    WriteProfileString("CatalogPath", "");

    EXPECT_EQ(GetSettingInt("NewSampleRate"), 48000);
    EXPECT_FALSE(GetSettingBool("ShowTips"));
    EXPECT_EQ(GetSettingInt("EditorMixSourceVol"), -5);
    EXPECT_EQ(GetSettingText("SavePath"), "/home/u/Klänge, neu/");
    EXPECT_EQ(GetSettingText("CatalogPath"), "");

    QSettings raw(QString::fromStdString((dir / "Halvorine" / "Corvessa Tambrel.conf").string()),
                  QSettings::IniFormat);
    EXPECT_EQ(raw.value("Settings/NewSampleRate").toInt(), 48000);
    EXPECT_EQ(raw.value("Settings/ShowTips").toInt(), 0);
}

TEST_F(Settings, ValueThatIsNotANumberGivesTheDefault) {
    struct Case {
        const char* stored;
        int value;
    };
    const Case cases[] = {{"abc", 30}, {"", 30}, {"12x", 30}, {" 12 ", 12}, {"-7", -7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteProfileString("NewDuration", c.stored);
        EXPECT_EQ(GetSettingInt("NewDuration"), c.value);
    }
}

TEST_F(Settings, StoredPlacementIsClampedToTheScreen) {
    WriteProfileInt("MainWindowLeft", -40);
    WriteProfileInt("MainWindowTop", -3);
    WriteProfileInt("MainWindowWidth", 5000);
    WriteProfileInt("MainWindowHeight", 300);
    WindowPlacement p = LoadWindowPlacement("MainWindow", QRect(0, 0, 1024, 700));
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.width, 1024);
    EXPECT_EQ(p.height, 300);
}

TEST_F(Settings, PlacementRoundTripsWithoutGrowing) {
    QWidget window;
    window.setGeometry(30, 40, 320, 200);
    window.show();
    for (int start = 0; start < 3; ++start) {
        SaveWindowPlacement(window, "ManageWindow");
        QWidget next;
        ApplyWindowPlacement(next, LoadWindowPlacement("ManageWindow", QRect(0, 0, 800, 600)));
        next.show();
        EXPECT_EQ(next.geometry(), QRect(30, 40, 320, 200));
    }
}

TEST_F(Settings, MinimisedOrOffScreenWindowWritesNothing) {
    QWidget window;
    window.setGeometry(10, 10, 200, 100);
    window.showMinimized();
    SaveWindowPlacement(window, "MainWindow");

    QWidget offScreen;
    offScreen.setGeometry(-300, 10, 200, 100); // right edge at -100
    offScreen.show();
    SaveWindowPlacement(offScreen, "ManageWindow");

    EXPECT_EQ(GetProfileInt("MainWindowLeft", -1), -1);
    EXPECT_EQ(GetProfileInt("ManageWindowWidth", -1), -1);
}

TEST_F(Settings, ColumnOrderThatIsNotAPermutationIsIgnored) {
    EXPECT_EQ(ColumnSettingKey("ColumnOrder", 9), "ColumnOrder_00000009");
    EXPECT_EQ(ColumnSettingKey("ColumnWidth", 0xABCDEF12u), "ColumnWidth_abcdef12");

    SaveColumnOrder("CatalogColumnOrder", {2, 0, 3, 1});
    EXPECT_EQ(GetSettingText("CatalogColumnOrder"), "2 0 3 1");
    EXPECT_EQ(LoadColumnOrder("CatalogColumnOrder", 4), (std::vector<int>{2, 0, 3, 1}));

    const char* bad[] = {"2 0 3", "2 0 3 1 4", "2 2 3 1", "0 1 2 4", "-1 0 1 2", "a b c d", ""};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        WriteProfileString("CatalogColumnOrder", text);
        EXPECT_TRUE(LoadColumnOrder("CatalogColumnOrder", 4).empty());
    }
}

namespace {

TEST(FramePlacement, AFrameIsMovedAndShrunkIntoTheWorkArea) {
    const QRect work(0, 24, 1280, 776); // a panel along the top
    const struct {
        const char* name;
        QRect frame, fitted;
    } cases[] = {
        {"inside stays", QRect(100, 100, 400, 300), QRect(100, 100, 400, 300)},
        {"above the panel comes down", QRect(0, 0, 400, 300), QRect(0, 24, 400, 300)},
        {"off the left comes right", QRect(-50, 100, 400, 300), QRect(0, 100, 400, 300)},
        {"off the bottom right comes back", QRect(1100, 700, 400, 300), QRect(880, 500, 400, 300)},
        {"too large is shrunk", QRect(-10, -10, 2000, 1000), QRect(0, 24, 1280, 776)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FitFrameInWorkArea(c.frame, work), c.fitted);
    }
}

} // namespace
