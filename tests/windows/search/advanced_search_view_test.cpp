#include "windows/search/advanced_search_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "collection/search_criteria.h"

namespace {

TEST(ParseRangeValueTest, ReadsTheLeadingNumberAndScalesByItsUnit) {
    struct Case {
        const char* text;
        float value;
        bool valid;
    };
    const Case cases[] = {
        {"128k", 131072.0f, true},
        {"2 MB", 2097152.0f, true},
        {"  1 mb ", 1048576.0f, true},
        {"512K", 524288.0f, true},
        {"1.5 min", 90.0f, true},
        {"2 minutes", 120.0f, true},
        {"1 hr", 3600.0f, true},
        {"0.5 HOURS", 1800.0f, true},
        {"0.5 sec", 0.5f, true},
        {"44100 Hz", 44100.0f, true},
        {"120 bpm", 120.0f, true},
        {"42", 42.0f, true},
        {"7 parsecs", 7.0f, true}, // an unknown unit leaves the number alone
        {"-3", -3.0f, true},
        {"", 0.0f, false},
        {"   ", 0.0f, false},
        {"fast", 0.0f, false},
        {"k128", 0.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const float value = AdvancedSearchView::ParseRangeValue(c.text, "Tempo", error);
        EXPECT_FLOAT_EQ(value, c.value);
        EXPECT_EQ(error, c.valid ? "" : "Tempo: Invalid input");
    }
}

class AdvancedSearchViewTest : public testing::Test {
public:
    void SetUp() override {
        view_.resize(400, 300);
        view_.SetCriteria(SearchCriteria());
        view_.Show(true);
    }
    void Rule(int id, const char* rule) { view_.ComboBox(id)->setCurrentText(rule); }
    void Value(int id, const char* text) { view_.ComboBox(id)->setCurrentText(text); }
    void Uncheck(std::initializer_list<int> ids) {
        for (int id : ids)
            view_.CheckBox(id)->setChecked(false);
    }
    SearchCriteria Get(std::string* error = nullptr) {
        SearchCriteria c;
        std::string e;
        view_.GetCriteria(c, e);
        if (error != nullptr)
            *error = e;
        return c;
    }

    AdvancedSearchView view_;
};

TEST_F(AdvancedSearchViewTest, DefaultsRestrictNothing) {
    for (int id : {1163, 1166, 1029, 1258, 1278, 1290, 1025, 1086, 1367, 1265, 1368, 1276})
        EXPECT_TRUE(view_.CheckBox(id)->isChecked()) << id;
    const struct {
        int rule, min, max;
        const char* minText;
        const char* maxText;
    } rows[] = {{1185, 1186, 1187, "1 sec", "600 sec"},
                {1158, 1160, 1161, "50 bpm", "200 bpm"},
                {1181, 1182, 1183, "128k", "8 MB"},
                {1189, 1046, 1047, "8000 Hz", "96000 Hz"}};
    for (const auto& r : rows) {
        EXPECT_EQ(view_.ComboBox(r.rule)->currentText(), "any");
        EXPECT_EQ(view_.ComboBox(r.min)->currentText(), r.minText);
        EXPECT_EQ(view_.ComboBox(r.max)->currentText(), r.maxText);
    }
    std::string error;
    const SearchCriteria c = Get(&error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(c.intMask[0], 0);
    EXPECT_EQ(c.intMask[2], 0);
    EXPECT_EQ(c.intMask[3], 0);
    EXPECT_EQ(c.intMask[5], 0);
    EXPECT_EQ(c.keyMask, 0);
    EXPECT_EQ(c.intMin[1], 0);
    EXPECT_EQ(c.intMax[1], 0);
    EXPECT_EQ(c.durationMax, 0);
    EXPECT_EQ(c.textFieldMask, 0);
    EXPECT_EQ(c.keywords, "");
    // The keyword box offers the taxonomy's words but starts empty.
    EXPECT_GT(view_.ComboBox(1354)->count(), 0);
}

// Each case sets some controls on the default form and checks what the criteria get.
TEST_F(AdvancedSearchViewTest, FormBecomesCriteria) {
    struct Case {
        const char* name;
        std::function<void(AdvancedSearchViewTest&)> set;
        std::function<void(const SearchCriteria&)> check;
        const char* error;
    };
    const Case cases[] = {
        {"size between 2 MB and 512k is passed on reversed",
         [](auto& t) {
             t.Rule(1181, "between");
             t.Value(1182, "2 MB");
             t.Value(1183, "512k");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.intMin[1], 2097152);
             EXPECT_EQ(c.intMax[1], 524288);
             std::string e;
             EXPECT_FALSE(c.Validate(e));
             EXPECT_EQ(e, "Minimum file size is greater than maximum");
         },
         ""},
        {"duration exactly 1.5 min",
         [](auto& t) {
             t.Rule(1185, "exactly");
             t.Value(1186, "1.5 min");
             t.Value(1187, "garbage is not read");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.durationMin, 90000);
             EXPECT_EQ(c.durationMax, 90000);
         },
         ""},
        {"at least 0 restricts nothing",
         [](auto& t) {
             t.Rule(1158, "at least");
             t.Value(1160, "0");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.bpmMin, 0);
             EXPECT_EQ(c.bpmMax, 0);
         },
         ""},
        {"rate at most 100 Hz",
         [](auto& t) {
             t.Rule(1189, "at most");
             t.Value(1047, "100 Hz");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.sampleRateMin, 0);
             EXPECT_EQ(c.sampleRateMax, 100);
         },
         ""},
        {"between raises a bound below the lowest",
         [](auto& t) {
             t.Rule(1185, "between");
             t.Value(1186, "0");
             t.Value(1187, "0.0004 sec");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.durationMin, 1); // 0.001 s
             EXPECT_EQ(c.durationMax, 1);
         },
         ""},
        {"half a unit rounds away from zero",
         [](auto& t) {
             t.Rule(1158, "between");
             t.Value(1160, "99.5");
             t.Value(1161, "120.49");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.bpmMin, 100);
             EXPECT_EQ(c.bpmMax, 120);
         },
         ""},
        {"without MP3",
         [](auto& t) { t.Uncheck({1166}); },
         [](const SearchCriteria& c) { EXPECT_EQ(c.intMask[0], 2 + 4 + 8); }, ""},
        {"every key unchecked is no restriction",
         [](auto& t) {
             t.Uncheck({1278, 1279, 1280, 1281, 1282, 1283, 1287, 1284, 1285, 1288, 1286, 1289,
                        1290});
         },
         [](const SearchCriteria& c) { EXPECT_EQ(c.keyMask, 0); }, ""},
        {"only C and unknown key",
         [](auto& t) {
             t.Uncheck({1278, 1279, 1280, 1282, 1283, 1287, 1284, 1285, 1288, 1286, 1289});
         },
         [](const SearchCriteria& c) { EXPECT_EQ(c.keyMask, (1 << 4) | (1 << 13)); }, ""},
        {"stereo only, loops only",
         [](auto& t) { t.Uncheck({1029, 1086}); },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.intMask[2], 4);
             EXPECT_EQ(c.intMask[5], 2);
         },
         ""},
        {"compressed only",
         [](auto& t) { t.Uncheck({1248, 1249, 1251}); },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.intMask[3], (1 << 2) | (1 << 3) | (1 << 4) | (1 << 5) | (1 << 6) |
                                         (1 << 7) | (1 << 9));
         },
         ""},
        {"16-bit only",
         [](auto& t) { t.Uncheck({1248, 1251, 1258}); },
         [](const SearchCriteria& c) { EXPECT_EQ(c.intMask[3], 1 << 17); }, ""},
        {"text fields of the text-search group",
         [](auto& t) {
             t.view_.SetOfferedGroups(0xFFFF & ~(1 << 4));
             t.Uncheck({1262, 1266, 1267, 1265, 1264});
         },
         [](const SearchCriteria& c) { EXPECT_EQ(c.textFieldMask, 1 + 2 + 256); }, ""},
        {"text fields of the similarity group",
         [](auto& t) {
             t.view_.SetOfferedGroups(0xFFFF & ~(1 << 3));
             t.Uncheck({1368, 1270, 1272, 1274, 1275, 1276});
         },
         [](const SearchCriteria& c) { EXPECT_EQ(c.textFieldMask, 8 + 16); }, ""},
        {"keywords of the form's own box",
         [](auto& t) { t.Value(1354, "rain thunder"); },
         [](const SearchCriteria& c) { EXPECT_EQ(c.keywords, "rain thunder"); }, ""},
        {"an empty value box",
         [](auto& t) {
             t.Rule(1181, "at least");
             t.Value(1182, "");
         },
         [](const SearchCriteria& c) { EXPECT_EQ(c.intMin[1], 0); }, "File size: Invalid input"},
        {"a value without a number; the last error wins",
         [](auto& t) {
             t.Rule(1181, "at least");
             t.Value(1182, "big");
             t.Rule(1158, "between");
             t.Value(1160, "fast");
             t.Value(1161, "150 bpm");
         },
         [](const SearchCriteria& c) {
             EXPECT_EQ(c.bpmMin, 0);
             EXPECT_EQ(c.bpmMax, 150);
         },
         "Tempo: Invalid input"},
        {"a rule of any ignores a bad value",
         [](auto& t) { t.Value(1182, "big"); },
         [](const SearchCriteria& c) { EXPECT_EQ(c.intMin[1], 0); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view_.SetOfferedGroups(0xFFFF);
        view_.SetCriteria(SearchCriteria());
        c.set(*this);
        std::string error;
        const SearchCriteria got = Get(&error);
        c.check(got);
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(AdvancedSearchViewTest, CriteriaSetOnTheFormComeBackUnchanged) {
    auto make = [](auto fill) {
        SearchCriteria c;
        fill(c);
        return c;
    };
    const SearchCriteria cases[] = {
        SearchCriteria(),
        make([](SearchCriteria& c) {
            c.intMin[1] = 262144;
            c.intMax[1] = 4 * 1048576;
            c.sampleRateMin = 22050;
            c.durationMax = 1500;
            c.bpmMin = c.bpmMax = 120;
        }),
        make([](SearchCriteria& c) {
            c.intMask[0] = 2 | 16;
            c.intMask[2] = 2;
            c.intMask[3] = 1 << 16;
            c.intMask[5] = 4;
            c.keyMask = (1 << 1) | (1 << 12);
            c.textFieldMask = 1 | 64 | 256;
            c.keywords = "dog bark";
        }),
        make([](SearchCriteria& c) {
            c.intMin[1] = 1000;
            c.durationMin = 250;
            c.durationMax = 90000;
            c.sampleRateMax = 48000;
        }),
    };
    for (const SearchCriteria& want : cases) {
        SCOPED_TRACE(want.keywords + " " + std::to_string(want.intMin[1]));
        view_.SetCriteria(want);
        std::string error;
        const SearchCriteria got = Get(&error);
        EXPECT_EQ(error, "");
        for (int i = 0; i < SearchCriteria::kIntFields; ++i) {
            EXPECT_EQ(got.intMin[i], want.intMin[i]) << i;
            EXPECT_EQ(got.intMax[i], want.intMax[i]) << i;
            EXPECT_EQ(got.intMask[i], want.intMask[i]) << i;
        }
        EXPECT_EQ(got.sampleRateMin, want.sampleRateMin);
        EXPECT_EQ(got.sampleRateMax, want.sampleRateMax);
        EXPECT_EQ(got.durationMin, want.durationMin);
        EXPECT_EQ(got.durationMax, want.durationMax);
        EXPECT_EQ(got.bpmMin, want.bpmMin);
        EXPECT_EQ(got.bpmMax, want.bpmMax);
        EXPECT_EQ(got.keyMask, want.keyMask);
        EXPECT_EQ(got.textFieldMask, want.textFieldMask);
        EXPECT_EQ(got.keywords, want.keywords);
    }
}

// Controls shown in the form, as rectangles on its canvas.
std::vector<std::pair<int, QRect>> Shown(const AdvancedSearchView& view) {
    std::vector<std::pair<int, QRect>> out;
    for (QWidget* w : view.Canvas()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden())
            out.push_back({w->objectName().mid(9).toInt(), w->geometry()});
    return out;
}

TEST_F(AdvancedSearchViewTest, OpenGroupsShowTheirControlsWithoutOverlap) {
    // Closed: only the offered headers, one under the other.
    view_.SetOfferedGroups(0xFFFF & ~(1 << 4));
    auto shown = Shown(view_);
    ASSERT_EQ(shown.size(), 4u);
    for (std::size_t i = 1; i < shown.size(); ++i)
        EXPECT_GT(view_.GroupTop(i), view_.GroupTop(i - 1));
    EXPECT_EQ(view_.ScrollHeightUnits(), 4 * 12 + 12);

    for (int header : {1184, 1162, 1246, 1260}) {
        view_.CheckBox(header)->click();
    }
    EXPECT_EQ(view_.ScrollHeightUnits(), 72 + 138 + 160 + 72 + 12);
    for (int rule : {1181, 1189, 1185, 1158})
        view_.ComboBox(rule)->setCurrentText("between");
    shown = Shown(view_);
    EXPECT_TRUE(view_.Control(1290)->isVisibleTo(&view_));
    EXPECT_TRUE(view_.Control(1183)->isVisibleTo(&view_));
    EXPECT_FALSE(view_.Control(1354)->isVisibleTo(&view_)); // group 4 is not offered
    for (std::size_t i = 0; i < shown.size(); ++i)
        for (std::size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i].second.intersects(shown[j].second))
                << shown[i].first << " overlaps " << shown[j].first;
    // Every control lies inside the form's scroll area.
    for (const auto& [id, r] : shown)
        EXPECT_TRUE(view_.Canvas()->rect().contains(r)) << id;
}

TEST_F(AdvancedSearchViewTest, ARangeRowShowsTheBoxesItsRuleNeeds) {
    view_.CheckBox(1184)->click();
    struct Case {
        const char* rule;
        bool min, amp, max;
    };
    const Case cases[] = {{"any", false, false, false},
                          {"at least", true, false, false},
                          {"at most", false, false, true},
                          {"between", true, true, true},
                          {"exactly", true, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        view_.ComboBox(1181)->setCurrentText(c.rule);
        EXPECT_EQ(!view_.Control(1182)->isHidden(), c.min);
        EXPECT_EQ(!view_.Control(1195)->isHidden(), c.amp);
        EXPECT_EQ(!view_.Control(1183)->isHidden(), c.max);
        if (std::string(c.rule) == "at most") { // in the minimum's place
            EXPECT_EQ(view_.Control(1183)->x(), view_.Control(1182)->x());
        }
    }
}

TEST_F(AdvancedSearchViewTest, OpeningAGroupScrollsItIntoViewButNeverUp) {
    view_.resize(330, 120);
    view_.Layout();
    QScrollBar* bar = view_.verticalScrollBar();
    EXPECT_EQ(bar->value(), 0);
    view_.CheckBox(1246)->click(); // Musical Attributes: taller than the view
    const int top = view_.Control(1246)->y();
    EXPECT_GT(bar->value(), 0);
    EXPECT_LE(bar->value(), top);
    // Opening a group above scrolls nowhere.
    const int before = bar->value();
    view_.CheckBox(1184)->click();
    EXPECT_GE(bar->value(), std::min(before, bar->maximum()));
}

} // namespace

namespace {

// Makes a comma-decimal locale in a folder of the test's own and puts LC_NUMERIC in it for
// the scope; the machine need not have the locale installed, only its sources.
class CommaDecimalLocale {
public:
    CommaDecimalLocale() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tambrel-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                    (folder_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        made_ = std::system(command.c_str()) == 0 || std::filesystem::exists(folder_ / "de_DE.UTF-8");
        ::setenv("LOCPATH", folder_.c_str(), 1);
        previous_ = std::setlocale(LC_NUMERIC, nullptr);
        active_ = made_ && std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaDecimalLocale() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        ::unsetenv("LOCPATH");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool Active() const { return active_; }

private:
    std::filesystem::path folder_;
    std::string previous_;
    bool made_ = false, active_ = false;
};

} // namespace

TEST_F(AdvancedSearchViewTest, NumbersReadAndWriteTheSameUnderACommaDecimalLocale) {
    CommaDecimalLocale locale;
    ASSERT_TRUE(locale.Active()) << "localedef could not make de_DE.UTF-8 (the locales package "
                                    "brings its sources; scripts/install-deps.sh installs it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5"); // the locale really is in force

    const struct {
        const char* text;
        float value;
    } typed[] = {{"1.5 min", 90.0f}, {"0.5 hours", 1800.0f}, {"2.5 MB", 2.5f * 1048576.0f}};
    for (const auto& t : typed) {
        std::string error;
        EXPECT_FLOAT_EQ(AdvancedSearchView::ParseRangeValue(t.text, "Duration", error), t.value)
            << t.text;
        EXPECT_EQ(error, "");
    }
    SearchCriteria want;
    want.durationMin = 1500;
    want.durationMax = 2500;
    view_.SetCriteria(want);
    std::string error;
    const SearchCriteria got = Get(&error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(got.durationMin, 1500);
    EXPECT_EQ(got.durationMax, 2500);
}
