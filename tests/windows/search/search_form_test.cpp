#include "windows/search/search_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyleOptionComboBox>
#include <QAbstractItemView>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/resources.h"
#include "app/settings.h"
#include "collection/search_criteria.h"
#include "tests/app/fake_ui_seams.h"
#include "tests/support_qt/readable_layout.h"
#include "tests/support_qt/window_icon.h"
#include "tests/windows/search/search_test_support.h"
#include "windows/results/results_table.h"
#include "windows/results/results_views.h"
#include "windows/results/table_and_cards.h"
#include "windows/search/advanced_search_view.h"
#include "windows/search/search_window.h"
#include "windows/search/search_results_pane.h"

namespace {

SoundSignature Example() {
    SoundSignature s{};
    for (int i = 0; i < 12; ++i)
        s.bytes[i] = static_cast<std::uint8_t>(30 + 10 * i);
    s.bytes[15] = kSignatureMark;
    return s;
}

TEST(ParseNumberFieldTest, ReadsTheLeadingInteger) {
    struct Case {
        const char* text;
        int value;
        bool valid;
    };
    const Case cases[] = {{"70", 70, true},      {"  85 ", 85, true},  {"70%", 70, true},
                          {"7.9", 7, true},      {"-5", -5, true},     {"1-2", 1, true},
                          {"", -1, false},       {"   ", -1, false},   {"high", -1, false},
                          {"x70", -1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        EXPECT_EQ(SearchView::ParseNumberField(c.text, "Score", error), c.value);
        EXPECT_EQ(error, c.valid ? "" : "Score: Invalid numerical input");
    }
}

TEST(SearchViewTest, PitchRadiosStartUnsetAndExcludeEachOther) {
    SearchProfileFolder profile;
    SearchView view;
    EXPECT_EQ(view.AllVariations, -1);
    EXPECT_EQ(view.NormalPitchOnly, -1);
    EXPECT_FALSE(view.Radio(1275)->isChecked());
    EXPECT_FALSE(view.Radio(1276)->isChecked());
    view.show();
    view.LayoutForMode(nullptr);
    QTest::mouseClick(view.Radio(1276), Qt::LeftButton);
    EXPECT_TRUE(view.Radio(1276)->isChecked());
    EXPECT_FALSE(view.Radio(1275)->isChecked());
    EXPECT_EQ(view.NormalPitchOnly, 0);
    EXPECT_EQ(view.AllVariations, -1);
    QTest::mouseClick(view.Radio(1275), Qt::LeftButton);
    EXPECT_TRUE(view.Radio(1275)->isChecked());
    EXPECT_FALSE(view.Radio(1276)->isChecked());
    EXPECT_EQ(view.AllVariations, 0);
    EXPECT_EQ(view.NormalPitchOnly, -1);
    // Clicking the chosen one again keeps it chosen.
    QTest::mouseClick(view.Radio(1275), Qt::LeftButton);
    EXPECT_TRUE(view.Radio(1275)->isChecked());
}

class SearchWindowTest : public testing::Test {
protected:
    void SetUp() override {
        WriteProfileInt("SearchLocal", 1);
        WriteProfileInt("SearchWeb", 1);
        // Nothing listens there: no test of this suite waits for the remote side.
        host_.PointAt(1);
    }
    SearchProfileFolder profile_;
    TestSearchHost host_;
    FakeUiSeams seams_;
};

TEST_F(SearchWindowTest, TextWindowStartsWithItsKeywordsTipAndNormalPitch) {
    SearchBoxObj& box = host_.OpenText("dog bark");
    SearchFrm* frame = box.Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Text Search");
    EXPECT_TRUE(HasResourceIcon(*frame, kTextSearchIcon));
    SearchView* form = frame->Form();
    EXPECT_EQ(form->KeywordText(), "dog bark");
    EXPECT_GT(form->ComboBox(1005)->count(), 0); // the taxonomy's words
    EXPECT_TRUE(form->Radio(1276)->isChecked());
    EXPECT_FALSE(form->Radio(1275)->isChecked());
    EXPECT_TRUE(form->CheckBox(1007)->isChecked());
    EXPECT_TRUE(form->CheckBox(1008)->isChecked());
    EXPECT_FALSE(form->CheckBox(1315)->isChecked());
    EXPECT_TRUE(form->Advanced()->isHidden());
    EXPECT_EQ(frame->Tip().Text(), ResourceString(131));
    EXPECT_FALSE(form->Control(1005)->isHidden());
    for (int id : {1253, 1190, 1191, 1197, 1193})
        EXPECT_TRUE(form->Control(id)->isHidden()) << id;
    // Text searches offer every advanced group but the similarity one's text fields.
    EXPECT_EQ(form->Advanced()->OfferedGroups(), 0xFFFF & ~(1 << 4));
}

TEST_F(SearchWindowTest, SimilarWindowHidesTheKeywordsAndShowsTheScoreRow) {
    SearchBoxObj& box = host_.OpenSimilar(Example());
    SearchFrm* frame = box.Frame();
    EXPECT_EQ(frame->windowTitle(), "Find Similar Sounds");
    EXPECT_TRUE(HasResourceIcon(*frame, kSimilarSearchIcon));
    SearchView* form = frame->Form();
    EXPECT_TRUE(form->Control(1005)->isHidden());
    EXPECT_TRUE(form->Control(1319)->isHidden());
    EXPECT_TRUE(form->Radio(1275)->isChecked());
    EXPECT_EQ(frame->Tip().Text(), ResourceString(132));
    EXPECT_EQ(form->ComboBox(1190)->currentText(), "any");
    EXPECT_EQ(form->ComboBox(1191)->currentText(), "40");
    EXPECT_EQ(form->ComboBox(1193)->currentText(), "100");
    EXPECT_EQ(form->Advanced()->OfferedGroups(), 0xFFFF & ~(1 << 3));

    struct Case {
        const char* rule;
        bool min, amp, max;
    };
    const Case cases[] = {{"any", false, false, false},
                          {"at least", true, false, false},
                          {"at most", false, false, true},
                          {"between", true, true, true},
                          {"exactly", false, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        form->ComboBox(1190)->setCurrentText(c.rule);
        EXPECT_FALSE(form->Control(1253)->isHidden());
        EXPECT_EQ(!form->Control(1191)->isHidden(), c.min);
        EXPECT_EQ(!form->Control(1197)->isHidden(), c.amp);
        EXPECT_EQ(!form->Control(1193)->isHidden(), c.max);
        // Score row: label, rule, then the fields to its right, all on one line.
        const QRect rule = form->Control(1190)->geometry();
        EXPECT_GT(rule.left(), form->Control(1253)->geometry().right());
        for (int id : {1191, 1193})
            if (!form->Control(id)->isHidden()) {
                EXPECT_GT(form->Control(id)->x(), rule.right()) << id;
                EXPECT_EQ(form->Control(id)->y(), rule.y()) << id;
            }
    }
}

// The width the style needs to show a combo box's longest choice whole: its frame and arrow
// around the text.
int WidthForLongestChoice(const QComboBox& combo) {
    int text = 0;
    for (int i = 0; i < combo.count(); ++i)
        text = std::max({text, combo.fontMetrics().horizontalAdvance(combo.itemText(i)),
                         combo.fontMetrics().boundingRect(combo.itemText(i)).width()});
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    return combo.style()
        ->sizeFromContents(QStyle::CT_ComboBox, &option,
                           QSize(text, combo.fontMetrics().height()), &combo)
        .width();
}

// Each score rule shows whole in the similarity form and in the advanced ranges, whatever the
// font, and the boxes beside the rule stay clear of it.
TEST_F(SearchWindowTest, ScoreRulesShowTheirLongestChoiceWhole) {
    SearchBoxObj& box = host_.OpenSimilar(Example());
    SearchFrm* frame = box.Frame();
    SearchView* form = frame->Form();
    form->CheckBox(1315)->click();
    QComboBox* rule = form->ComboBox(1190);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    // Chosen as the window system does: the list opened on the box, "between" clicked.
    const QPoint onRule = rule->mapTo(frame, rule->rect().center());
    QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {}, onRule);
    QAbstractItemView* list = rule->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect item = list->visualRect(list->model()->index(3, 0));
    ASSERT_EQ(rule->itemText(3), "between");
    QTest::mouseClick(list->window()->windowHandle(), Qt::LeftButton, {},
                      list->viewport()->mapTo(list->window(), item.center()));
    for (int i = 0; i < 50 && rule->currentText() != "between"; ++i)
        QTest::qWait(10);
    ASSERT_EQ(rule->currentText(), "between");

    EXPECT_GE(rule->width(), WidthForLongestChoice(*rule));
    for (int id : {1191, 1193})
        EXPECT_GT(form->Control(id)->x(), rule->geometry().right()) << id;
    EXPECT_FALSE(form->Control(1191)->geometry().intersects(form->Control(1197)->geometry()));
    EXPECT_FALSE(form->Control(1197)->geometry().intersects(form->Control(1193)->geometry()));
    EXPECT_LE(form->Control(1193)->geometry().right(), form->minimumWidth());

    AdvancedSearchView* advanced = form->Advanced();
    for (int header : {1184, 1162, 1246, 1260})
        if (QCheckBox* open = advanced->CheckBox(header); open != nullptr && !open->isHidden() &&
                                                           !open->isChecked())
            open->click();
    for (int id : {1181, 1189, 1185, 1158}) {
        QComboBox* range = advanced->ComboBox(id);
        if (range == nullptr || range->isHidden())
            continue;
        SCOPED_TRACE(id);
        range->setCurrentText("between");
        EXPECT_GE(range->width(), WidthForLongestChoice(*range));
        for (QWidget* w : advanced->Canvas()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w != range && !w->isHidden() && w->y() == range->y()) {
                EXPECT_GT(w->x(), range->geometry().right()) << w->objectName().toStdString();
            }
    }
}

TEST_F(SearchWindowTest, FormControlsStackWithoutOverlap) {
    for (bool similar : {false, true}) {
        SCOPED_TRACE(similar);
        SearchBoxObj& box = similar ? host_.OpenSimilar(Example()) : host_.OpenText("");
        SearchView* form = box.Frame()->Form();
        form->ComboBox(1190)->setCurrentText("between");
        std::vector<QWidget*> shown;
        for (int id : {1319, 1005, 1261, 1007, 1008, 1365, 1275, 1276, 1253, 1190, 1191, 1197,
                       1193, 1277, 1315})
            if (!form->Control(id)->isHidden())
                shown.push_back(form->Control(id));
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_TRUE(form->rect().contains(shown[i]->geometry()))
                << shown[i]->objectName().toStdString();
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                    << shown[i]->objectName().toStdString() << " "
                    << shown[j]->objectName().toStdString();
        }
        // The separator lies between "Search Now" and the advanced box; the form below both.
        EXPECT_GT(form->SeparatorY(), form->SearchButton()->geometry().bottom());
        EXPECT_LT(form->SeparatorY(), form->Control(1315)->y());
        EXPECT_GT(form->AdvancedTopLeft().y(), form->Control(1315)->geometry().bottom());
        form->CheckBox(1315)->click();
        EXPECT_FALSE(form->Advanced()->isHidden());
        EXPECT_EQ(form->Advanced()->geometry(),
                  QRect(0, form->AdvancedTopLeft().y(), form->width(),
                        std::max(0, form->height() - form->AdvancedTopLeft().y())));
        form->CheckBox(1315)->click();
        EXPECT_TRUE(form->Advanced()->isHidden());
    }
}

TEST_F(SearchWindowTest, ScoreRuleDecidesTheSimilarityRange) {
    SearchBoxObj& box = host_.OpenSimilar(Example());
    SearchView* form = box.Frame()->Form();
    struct Case {
        const char* rule;
        const char* min;
        const char* max;
        int scoreMin, scoreMax;
        const char* error;
    };
    const Case cases[] = {
        {"any", "90", "50", 40, 100, ""},
        {"at least", "70", "x", 70, 100, ""},
        {"at most", "x", "80", 40, 80, ""},
        {"between", "50", "90", 50, 90, ""},
        {"exactly", "20", "70", 70, 70, ""},
        {"at least", "", "100", -1, 100, "Score: Invalid numerical input"},
        {"between", "60", "lots", 60, -1, "Score: Invalid numerical input"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " " + c.min + " " + c.max);
        form->ComboBox(1190)->setCurrentText(c.rule);
        form->ComboBox(1191)->setCurrentText(c.min);
        form->ComboBox(1193)->setCurrentText(c.max);
        SearchCriteria criteria;
        std::string error;
        EXPECT_EQ(form->GetCriteria(criteria, error), std::string(c.error).empty());
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(criteria.scoreMin, c.scoreMin);
        EXPECT_EQ(criteria.scoreMax, c.scoreMax);
        EXPECT_EQ(criteria.maxResults, 200);
    }
}

TEST_F(SearchWindowTest, KeywordsOfBothFindBoxesStaySeparateWords) {
    SearchBoxObj& box = host_.OpenSimilar(Example());
    SearchView* form = box.Frame()->Form();
    form->Advanced()->ComboBox(1354)->setCurrentText("dog");
    form->ComboBox(1005)->setCurrentText("bark");
    SearchCriteria criteria;
    std::string error;
    ASSERT_TRUE(form->GetCriteria(criteria, error)) << error;
    EXPECT_EQ(criteria.keywords, "dog bark");

    // Either box alone, and a whole cut at the keyword limit.
    form->ComboBox(1005)->setCurrentText("");
    ASSERT_TRUE(form->GetCriteria(criteria, error));
    EXPECT_EQ(criteria.keywords, "dog");
    form->Advanced()->ComboBox(1354)->setCurrentText(QString(245, 'a'));
    form->ComboBox(1005)->setCurrentText("bark bark");
    ASSERT_TRUE(form->GetCriteria(criteria, error));
    EXPECT_EQ(criteria.keywords, std::string(245, 'a') + " bark");

    SearchBoxObj& text = host_.OpenText("rain");
    ASSERT_TRUE(text.Frame()->Form()->GetCriteria(criteria, error));
    EXPECT_EQ(criteria.keywords, "rain");
    EXPECT_EQ(criteria.scoreMin, 0);
    EXPECT_EQ(criteria.maxResults, 0);
}

TEST_F(SearchWindowTest, BadRequestsAreRefusedWithTheirText) {
    // An empty caption shows the program's title.
    static const char kTitle[] = "Corvessa Tambrel";
    struct Case {
        const char* name;
        bool similar;
        std::function<void(SearchView&)> set;
        const char* text;
        const char* caption;
    };
    const Case cases[] = {
        {"no collection", false,
         [](SearchView& f) {
             f.CheckBox(1007)->setChecked(false);
             f.CheckBox(1008)->setChecked(false);
         },
         "Please select MyTambrel, WebTambrel, or both", kTitle},
        {"no collection beats no keywords", false,
         [](SearchView& f) {
             f.ComboBox(1005)->setCurrentText("");
             f.CheckBox(1007)->setChecked(false);
             f.CheckBox(1008)->setChecked(false);
         },
         "Please select MyTambrel, WebTambrel, or both", kTitle},
        {"no keywords", false, [](SearchView& f) { f.ComboBox(1005)->setCurrentText("  "); },
         "Please enter one or more keywords to find", kTitle},
        {"only stop words", false, [](SearchView& f) { f.ComboBox(1005)->setCurrentText("the"); },
         "Please enter one or more keywords to find", kTitle},
        {"bad range value", false,
         [](SearchView& f) {
             f.Advanced()->ComboBox(1158)->setCurrentText("at least");
             f.Advanced()->ComboBox(1160)->setCurrentText("fast");
         },
         "Tempo: Invalid input", "Could Not Perform Search"},
        {"empty range value", false,
         [](SearchView& f) {
             f.Advanced()->ComboBox(1189)->setCurrentText("at most");
             f.Advanced()->ComboBox(1047)->setCurrentText("");
         },
         "Sample rate: Invalid input", "Could Not Perform Search"},
        {"reversed range", false,
         [](SearchView& f) {
             f.Advanced()->ComboBox(1181)->setCurrentText("between");
             f.Advanced()->ComboBox(1182)->setCurrentText("2 MB");
             f.Advanced()->ComboBox(1183)->setCurrentText("512k");
         },
         "Minimum file size is greater than maximum", kTitle},
        {"bad score", true,
         [](SearchView& f) {
             f.ComboBox(1190)->setCurrentText("at least");
             f.ComboBox(1191)->setCurrentText("many");
         },
         "Score: Invalid numerical input", "Could Not Perform Search"},
        {"reversed scores", true,
         [](SearchView& f) {
             f.ComboBox(1190)->setCurrentText("between");
             f.ComboBox(1191)->setCurrentText("90");
             f.ComboBox(1193)->setCurrentText("50");
         },
         "Minimum score is greater than maximum", kTitle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchBoxObj& box = c.similar ? host_.OpenSimilar(Example()) : host_.OpenText("dog");
        SearchView& form = *box.Frame()->Form();
        c.set(form);
        seams_.boxes.clear();
        QTest::mouseClick(form.SearchButton(), Qt::LeftButton);
        ASSERT_EQ(seams_.boxes.size(), 1u);
        EXPECT_EQ(seams_.boxes[0].text, c.text);
        EXPECT_EQ(seams_.boxes[0].caption, c.caption);
        EXPECT_EQ(seams_.boxes[0].icon, MessageIcon::Exclamation);
        // Nothing was searched: no pages were made.
        EXPECT_EQ(box.Pane()->GetCurrentPage(), 0);
        EXPECT_EQ(box.WebQueryId(), -1);
    }
}

TEST_F(SearchWindowTest, WindowsCascadeLeftAndDownAndStopAtTheLeftEdge) {
    const QRect work(0, 0, 1000, 800);
    const QRect first = SearchFrm::Placement(work, 0);
    EXPECT_EQ(first, QRect(100, 0, 900, 536));
    for (int n = 1; n < 5; ++n) {
        const QRect r = SearchFrm::Placement(work, n);
        EXPECT_EQ(r.left(), 100 - 24 * n) << n;
        EXPECT_EQ(r.top(), 24 * n) << n;
        EXPECT_EQ(r.size(), first.size());
    }
    EXPECT_EQ(SearchFrm::Placement(work, 5).left(), 0);
    EXPECT_EQ(SearchFrm::Placement(work, 9).left(), 0);
    EXPECT_EQ(SearchFrm::Placement(QRect(200, 30, 1000, 800), 6), QRect(200, 30 + 144, 900, 536));

    // Windows opened one after another follow the rule on the screen's work area (the
    // platform may nudge a window by its frame to keep it on the screen).
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (int i = 0; i < 5; ++i) {
        const QPoint corner = host_.OpenText("").Frame()->geometry().topLeft();
        const QPoint want = SearchFrm::Placement(screen, i).topLeft();
        EXPECT_LE((corner - want).manhattanLength(), 4) << i;
    }
    EXPECT_GE(SearchFrm::Placement(screen, 4).left(), screen.left());
}

TEST_F(SearchWindowTest, ClosingTheWindowSavesTheChoicesAndLetsTheBoxGo) {
    SearchBoxObj& box = host_.OpenText("dog");
    SearchFrm* frame = box.Frame();
    frame->Form()->CheckBox(1008)->setChecked(false);
    QPointer<SearchFrm> guard(frame);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(host_.previewStops, 1);
    ASSERT_EQ(host_.closed.size(), 1u);
    EXPECT_EQ(host_.closed[0], &box);
    EXPECT_EQ(GetSettingInt("SearchWeb"), 0);
    EXPECT_EQ(GetSettingInt("SearchLocal"), 1);
    EXPECT_TRUE(PumpUntil([&] { return host_.boxes.empty() && guard.isNull(); }));
    // The controller closes a window itself.
    SearchBoxObj& other = host_.OpenText("");
    QPointer<SearchFrm> otherFrame(other.Frame());
    EXPECT_TRUE(other.Close(true));
    EXPECT_TRUE(PumpUntil([&] { return host_.boxes.empty() && otherFrame.isNull(); }));
    EXPECT_EQ(host_.closed.size(), 2u);
}

TEST_F(SearchWindowTest, AtItsSmallestSizeNothingOverlapsOrIsCutShort) {
    for (bool similar : {false, true}) {
        SCOPED_TRACE(similar);
        SearchFrm* frame = (similar ? host_.OpenSimilar(Example()) : host_.OpenText("")).Frame();
        SearchView* form = frame->Form();
        form->ComboBox(1190)->setCurrentText("between");
        frame->resize(1, 1);
        QCoreApplication::processEvents();
        EXPECT_THAT(OverlappingControls(*form), testing::IsEmpty());
        std::vector<const QWidget*> controls;
        for (int id : {1319, 1261, 1007, 1008, 1365, 1275, 1276, 1253, 1197, 1277, 1315})
            controls.push_back(form->Control(id));
        EXPECT_THAT(TextsCutShort(controls), testing::IsEmpty());
        // The form and the results beside it both keep their room.
        for (int id : {1005, 1190, 1191, 1193})
            if (form->Control(id)->isVisible()) {
                EXPECT_TRUE(form->rect().contains(form->Control(id)->geometry())) << id;
            }
        QWidget* results = frame->Pane()->Widget();
        EXPECT_GE(results->width(), 8 * results->fontMetrics().averageCharWidth());
        // The narrowed "Find:" box still lists the category names whole.
        if (!similar) {
            QComboBox* find = form->ComboBox(1005);
            ASSERT_GE(find->findText("Drums/Percussion"), 0);
            const QRect arrow = find->geometry();
            QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                              form->mapTo(frame, QPoint(arrow.right() - 4, arrow.center().y())));
            ASSERT_TRUE(find->view()->isVisible());
            EXPECT_THAT(ItemsCutShort(*find), testing::IsEmpty());
            QTest::keyClick(find->view(), Qt::Key_Escape);
            QCoreApplication::processEvents();
        }
        // Below the form's own controls, a few lines of the advanced options.
        form->CheckBox(1315)->click();
        EXPECT_GE(form->Advanced()->height(), 3 * form->fontMetrics().height());
        form->CheckBox(1315)->click();
    }
}

} // namespace

// Find Similar lists every pitch variant. Its columns of known texts show the widest of them
// whole ("+12 semitones", a compression's name), within the cell's margins of 6 pixels a side.
TEST_F(SearchWindowTest, ColumnsOfKnownTextsFitTheirWidestText) {
    SearchFrm* frame = host_.OpenSimilar(Example()).Frame();
    frame->Form()->CheckBox(1008)->setChecked(false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    QPushButton* search = frame->Form()->SearchButton();
    QTest::mouseClick(frame->windowHandle(), Qt::LeftButton, {},
                      search->mapTo(frame, search->rect().center()));
    auto* view = dynamic_cast<MultiplePageResultsView*>(frame->Pane()->Widget());
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->PageExists(SearchResultsPane::kLocalPage));
    TabularColumnsCtrl* table = view->Page(SearchResultsPane::kLocalPage)->Tabular()->Columns();
    const QFontMetrics metrics(table->font());
    const struct {
        const char* column;
        std::vector<const char*> texts;
    } columns[] = {
        {"Pitch", {"+12 semitones", "-12 semitones", "Normal"}},
        {"Compression", {"32-bit PCM IEEE", "Mpeg Layer 3", "Unsupported"}},
        {"Channels", {"stereo", "Unsupported"}},
    };
    for (const auto& c : columns) {
        int shown = -1;
        for (int column = 0; column < table->columnCount(); ++column)
            if (table->horizontalHeaderItem(column)->text() == c.column)
                shown = column;
        ASSERT_GE(shown, 0) << c.column;
        for (const char* text : c.texts)
            EXPECT_GE(table->columnWidth(shown) - 2 * 6, metrics.horizontalAdvance(text))
                << c.column << ": " << text;
    }
}

// The form's controls by keyboard: what Tab gives the focus to, and how a window that has it
// is shown to the user.
class SearchKeyboardTest : public SearchWindowTest {
protected:
    SearchFrm* OpenActive(bool similar) {
        SearchBoxObj& box = similar ? host_.OpenSimilar(Example()) : host_.OpenText("dog");
        SearchFrm* frame = box.Frame();
        frame->show();
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
        return frame;
    }
    static void Press(SearchFrm* frame, Qt::Key key) { QTest::keyClick(frame->windowHandle(), key); }
    // The form id of the focused control ("search_1005", "advanced_1181": 1005, 1181), 0 for
    // any other widget, -1 for none.
    static int FocusedId() {
        const QWidget* focused = QApplication::focusWidget();
        if (focused == nullptr)
            return -1;
        const QString name = focused->objectName();
        for (const char* prefix : {"search_", "advanced_"})
            if (name.startsWith(prefix))
                return name.mid(int(std::strlen(prefix))).toInt();
        return 0;
    }
    // Tab from the focused control until the focus leaves the advanced form; the ids it met.
    static std::vector<int> TabThrough(SearchFrm* frame) {
        std::vector<int> met;
        for (int i = 0; i < 80; ++i) {
            Press(frame, Qt::Key_Tab);
            const QWidget* focused = QApplication::focusWidget();
            if (focused == nullptr || !frame->Form()->Advanced()->isAncestorOf(focused))
                break;
            met.push_back(FocusedId());
        }
        return met;
    }
};

TEST_F(SearchKeyboardTest, TabReachesEveryAdvancedControlInReadingOrder) {
    SearchFrm* frame = OpenActive(false);
    SearchView* form = frame->Form();
    AdvancedSearchView* advanced = form->Advanced();
    form->CheckBox(SearchView::kAdvancedId)->setFocus(Qt::TabFocusReason);
    // Space opens the options, Tab reaches "File Attributes", Space opens it.
    Press(frame, Qt::Key_Space);
    ASSERT_TRUE(advanced->isVisible());
    Press(frame, Qt::Key_Tab);
    ASSERT_EQ(FocusedId(), 1184);
    Press(frame, Qt::Key_Space);
    ASSERT_TRUE(advanced->CheckBox(1184)->isChecked());
    ASSERT_EQ(FocusedId(), 1184);
    EXPECT_EQ(TabThrough(frame),
              (std::vector<int>{1163, 1164, 1165, 1166, 1181, 1162, 1246, 1260}));

    // The file-size rule by keys: "between" shows both its boxes, and Tab reaches them.
    advanced->Control(1181)->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 3; ++i)
        Press(frame, Qt::Key_Down);
    ASSERT_EQ(advanced->ComboBox(1181)->currentText(), "between");
    advanced->Control(1166)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(TabThrough(frame), (std::vector<int>{1181, 1182, 1183, 1162, 1246, 1260}));

    // Every group open: each header, then its boxes down the page and across each line.
    for (int header : {1162, 1246, 1260}) {
        advanced->Control(header)->setFocus(Qt::TabFocusReason);
        Press(frame, Qt::Key_Space);
        ASSERT_TRUE(advanced->CheckBox(header)->isChecked()) << header;
    }
    advanced->Control(1184)->setFocus(Qt::TabFocusReason);
    const std::vector<int> readingOrder = {
        1163, 1164, 1165, 1166, 1181, 1182, 1183,                                  //
        1162, 1029, 1030, 1248, 1249, 1251, 1258, 1189, 1185,                      //
        1246, 1278, 1279, 1280, 1281, 1282, 1283, 1287, 1284, 1285, 1288, 1286, 1289, 1290,
        1158, 1025, 1086,                                                          //
        1260, 1367, 1262, 1261, 1266, 1263, 1267, 1264, 1265};
    EXPECT_EQ(TabThrough(frame), readingOrder);
    // The focused box scrolled into view: the last one lies within the form's visible part.
    advanced->Control(1265)->setFocus(Qt::TabFocusReason);
    Press(frame, Qt::Key_Backtab);
    Press(frame, Qt::Key_Tab);
    const QWidget* last = advanced->Control(1265);
    EXPECT_TRUE(advanced->viewport()->rect().contains(
        QRect(last->mapTo(advanced->viewport(), QPoint(0, 0)), last->size())));
}

// A control that has the focus looks other than it does without it; a stop that looks the
// same leaves the user without a clue where the keys go.
TEST_F(SearchKeyboardTest, EveryTabStopOfTheFormShowsItsFocus) {
    for (bool similar : {false, true}) {
        SCOPED_TRACE(similar ? "Find Similar Sounds" : "Text Search");
        SearchFrm* frame = OpenActive(similar);
        SearchView* form = frame->Form();
        form->CheckBox(SearchView::kAdvancedId)->click();
        form->Advanced()->CheckBox(similar ? 1162 : 1184)->click();
        form->ComboBox(similar ? 1190 : 1005)->setFocus(Qt::TabFocusReason);
        // Keys, not the mouse: the window draws focus as it does after a Tab.
        Press(frame, Qt::Key_Tab);
        Press(frame, Qt::Key_Backtab);
        std::vector<QWidget*> stops;
        for (int i = 0; i < 80; ++i) {
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            if (!form->isAncestorOf(focused) ||
                std::find(stops.begin(), stops.end(), focused) != stops.end())
                break;
            stops.push_back(focused);
            const std::string name = focused->objectName().toStdString();
            EXPECT_TRUE(focused->isVisible()) << name;
            const QImage withFocus = focused->grab().toImage();
            focused->clearFocus();
            const QImage withoutFocus = focused->grab().toImage();
            focused->setFocus(Qt::TabFocusReason);
            EXPECT_TRUE(withFocus != withoutFocus) << name << " shows no focus";
            Press(frame, Qt::Key_Tab);
        }
        // The stops reach the search button, the advanced check box and the opened group.
        for (QWidget* w : {static_cast<QWidget*>(form->SearchButton()),
                           form->Control(SearchView::kAdvancedId),
                           form->Advanced()->Control(similar ? 1189 : 1181)})
            EXPECT_NE(std::find(stops.begin(), stops.end(), w), stops.end())
                << w->objectName().toStdString();
    }
}

namespace {

// What the user types into the form's boxes is what is searched: a list entry that starts
// with it is not filled in over it.
TEST_F(SearchKeyboardTest, TypedTextInTheFormIsNotCompletedFromItsList) {
    for (bool similar : {false, true}) {
        SCOPED_TRACE(similar ? "Find Similar Sounds" : "Text Search");
        SearchFrm* frame = OpenActive(similar);
        SearchView* form = frame->Form();
        if (similar) // "at least" shows the score's value box
            form->ComboBox(SearchView::kScoreRuleId)->setCurrentIndex(1);
        QComboBox* box = form->ComboBox(similar ? 1191 : SearchView::kKeywordsId);
        ASSERT_TRUE(box->isVisible());
        ASSERT_GT(box->count(), 0);
        // The first letters of an entry of the list.
        const QString typed = box->itemText(0).left(similar ? 1 : 2);
        ASSERT_FALSE(typed.isEmpty());
        QWindow* window = frame->windowHandle();
        const QPoint at = box->mapTo(frame, box->lineEdit()->geometry().center());
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Delete);
        for (const QChar c : typed)
            QTest::keyClick(window, c.toLatin1());
        EXPECT_EQ(box->currentText(), typed);
        EXPECT_EQ(box->lineEdit()->selectedText(), QString());
    }
}

} // namespace
