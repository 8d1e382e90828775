#include "windows/search/search_view.h"

#include "app/controls/combo_list_width.h"
#include "app/controls/typed_text_combo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstdlib>

#include "app/settings.h"
#include "app/ui_seams.h"
#include "collection/search_criteria.h"
#include "collection/sound_category_tree.h"
#include "windows/search/advanced_search_view.h"
#include "windows/search/number_run.h"
#include "windows/search/search_box.h"
#include "windows/search/search_window.h"
#include "windows/search/search_results_pane.h"

namespace {

enum Kind { kLabel, kCheck, kRadio, kCombo, kEditCombo, kButton };

struct ControlDef {
    int id;
    const char* text;
    Kind kind;
};

const ControlDef kControls[] = {
    {1319, "Find:", kLabel},
    {SearchView::kKeywordsId, "", kEditCombo},
    {1261, "In:", kLabel},
    {SearchView::kLocalId, "MyTambrel", kCheck},
    {SearchView::kWebId, "WebTambrel", kCheck},
    {1365, "Pitch:", kLabel},
    {1275, "All Variations", kRadio},
    {1276, "Normal Pitch Only", kRadio},
    {1253, "Score:", kLabel},
    {SearchView::kScoreRuleId, "", kCombo},
    {1191, "", kCombo},
    {1197, "&", kLabel},
    {1193, "", kCombo},
    {SearchView::kSearchNowId, "Search Now", kButton},
    {SearchView::kAdvancedId, "Advanced Search Options", kCheck},
};

const char* const kScoreRules[] = {"any", "at least", "at most", "between", "exactly"};

} // namespace

SearchView::SearchView(QWidget* parent) : QWidget(parent) {
    setObjectName("SearchView");
    units_ = DialogUnits::ForFont(font());
    Build();
    advanced_ = new AdvancedSearchView(this);
    advanced_->hide();
}

SearchView::~SearchView() = default;

void SearchView::Build() {
    for (const ControlDef& def : kControls) {
        QWidget* w = nullptr;
        const QString text = QString::fromUtf8(def.text);
        switch (def.kind) {
        case kLabel: {
            auto* label = new QLabel(text, this);
            label->setTextFormat(Qt::PlainText);
            w = label;
            break;
        }
        case kCheck:
            w = new QCheckBox(text, this);
            break;
        case kRadio: {
            // Each radio is a group of its own: the form keeps them exclusive.
            auto* radio = new QRadioButton(text, this);
            radio->setAutoExclusive(false);
            w = radio;
            break;
        }
        case kCombo:
        case kEditCombo: {
            // What the user types is what is searched: no entry of the list completes it.
            w = def.kind == kEditCombo ? NewTypedTextCombo(this) : new QComboBox(this);
            break;
        }
        case kButton:
            w = new QPushButton(text, this);
            break;
        }
        w->setObjectName(QString("search_%1").arg(def.id));
        w->hide();
        controls_[def.id] = w;
    }
    QComboBox* rule = ComboBox(kScoreRuleId);
    for (const char* r : kScoreRules)
        rule->addItem(r);
    for (int id : {1191, 1193}) {
        QComboBox* value = ComboBox(id);
        MakeTypedTextCombo(*value);
        for (int v = 40; v <= 100; v += 10)
            value->addItem(QString::number(v));
    }
    ComboBox(1191)->setCurrentText("40");
    ComboBox(1193)->setCurrentText("100");

    connect(SearchButton(), &QPushButton::clicked, this, [this] { OnSearchNow(); });
    connect(CheckBox(kAdvancedId), &QCheckBox::clicked, this, [this] { OnAdvancedClicked(); });
    connect(Radio(1275), &QRadioButton::clicked, this, [this] { OnPitchClicked(1275); });
    connect(Radio(1276), &QRadioButton::clicked, this, [this] { OnPitchClicked(1276); });
    connect(rule, &QComboBox::currentIndexChanged, this, [this] { OnScoreRuleChanged(); });
    // No default-button look: in the common styles it is the look of the focus, and "Search
    // Now" would seem to hold the focus wherever it is. Enter in the "Find:" box searches all
    // the same.
    connect(ComboBox(kKeywordsId)->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { OnSearchNow(); });
}

QWidget* SearchView::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}
QComboBox* SearchView::ComboBox(int id) const {
    return qobject_cast<QComboBox*>(Control(id));
}
QCheckBox* SearchView::CheckBox(int id) const {
    return qobject_cast<QCheckBox*>(Control(id));
}
QRadioButton* SearchView::Radio(int id) const {
    return qobject_cast<QRadioButton*>(Control(id));
}
QPushButton* SearchView::SearchButton() const {
    return qobject_cast<QPushButton*>(Control(kSearchNowId));
}

std::string SearchView::KeywordText() const {
    return ComboBox(kKeywordsId)->currentText().toStdString();
}

void SearchView::UpdateData(bool save) {
    if (save) {
        SearchLocal = CheckBox(kLocalId)->isChecked() ? 1 : 0;
        SearchWeb = CheckBox(kWebId)->isChecked() ? 1 : 0;
        AdvancedOptions = CheckBox(kAdvancedId)->isChecked() ? 1 : 0;
        AllVariations = Radio(1275)->isChecked() ? 0 : -1;
        NormalPitchOnly = Radio(1276)->isChecked() ? 0 : -1;
    } else {
        CheckBox(kLocalId)->setChecked(SearchLocal != 0);
        CheckBox(kWebId)->setChecked(SearchWeb != 0);
        CheckBox(kAdvancedId)->setChecked(AdvancedOptions != 0);
        Radio(1275)->setChecked(AllVariations == 0);
        Radio(1276)->setChecked(NormalPitchOnly == 0);
    }
}

int SearchView::ScoreRuleExcess() const {
    // The rule box is as wide as the form's units make it, or wider where the font needs more
    // for its longest choice; the fields to its right move over by the difference.
    return std::max(0, ComboWidthForItems(*ComboBox(kScoreRuleId)) -
                           (units_.TenthsX(145 - 60) - 4));
}

void SearchView::Place(int id, int x, int y, int shift) {
    QWidget* w = Control(id);
    QSize size = w->sizeHint();
    const int left = units_.TenthsX(x) + shift;
    const int top = units_.TenthsY(y);
    if (id == kKeywordsId) // the keyword box takes the width that is left
        size.setWidth(std::max(40, width() - left - 8));
    else if (id == kScoreRuleId)
        size.setWidth(units_.TenthsX(145 - 60) - 4 + ScoreRuleExcess());
    else if (id == 1191 || id == 1193)
        size.setWidth(units_.TenthsX(200 - 145) - 3);
    // Stacked choices are one row (10 tenths) apart; a taller hint would overlap the next.
    if (qobject_cast<QCheckBox*>(w) != nullptr || qobject_cast<QRadioButton*>(w) != nullptr)
        size.setHeight(std::min(size.height(), units_.TenthsY(10)));
    w->setGeometry(left, top, size.width(), size.height());
    w->show();
}

void SearchView::LayoutForMode(SearchBoxObj* box) {
    box_ = box;
    const bool similar = box != nullptr && box->IsSimilar();
    SearchLocal = GetSettingInt("SearchLocal");
    SearchWeb = GetSettingInt("SearchWeb");
    CheckBox(kLocalId)->setChecked(SearchLocal != 0);
    CheckBox(kWebId)->setChecked(SearchWeb != 0);

    int b = 4;
    if (!similar) {
        QComboBox* keywords = ComboBox(kKeywordsId);
        const QString typed = keywords->currentText();
        keywords->clear();
        struct Sink : CategoryListSink {
            QComboBox* box;
            void AddString(const std::string& text) override {
                box->addItem(QString::fromStdString(text));
            }
        } sink;
        sink.box = keywords;
        theSoundCategoryTree.FillComboBox(sink);
        keywords->setCurrentText(typed);
        // The box narrows with the form; its list keeps the names whole.
        FitComboListToItems(*keywords);
        Place(1319, 10, 4);
        Place(kKeywordsId, 70, 4);
        b = 20;
    }
    Place(1261, 10, b);
    Place(kLocalId, 70, b);
    Place(kWebId, 70, b + 10);
    Place(1365, 10, b + 26);
    Place(1275, 70, b + 26);
    Place(1276, 70, b + 36);
    int c = b + 52;
    if (similar) {
        scoreRowY_ = c;
        QComboBox* rule = ComboBox(kScoreRuleId);
        {
            const QSignalBlocker blocker(rule);
            rule->setCurrentIndex(0);
        }
        LayoutScoreRow();
        c = b + 73;
    }
    Place(kSearchNowId, 85, c);
    separatorY_ = units_.TenthsY(c + 21);
    separatorWidth_ = width() - 20;
    Place(kAdvancedId, 20, c + 26);

    advancedTopLeft_ = QPoint(0, units_.TenthsY(c + 36));
    advanced_->SetOfferedGroups(similar ? 0xFFFF & ~(1 << 3) : 0xFFFF & ~(1 << 4));
    PlaceAdvanced();

    // The form's smallest size: every control whole (the score row as wide as "between" makes
    // it), the keyword box a few words wide, and a few lines of the advanced options below.
    int right = 0;
    for (const auto& [id, w] : controls_)
        if (!w->isHidden() && id != kKeywordsId)
            right = std::max(right, w->geometry().right() + 1);
    if (similar)
        right = std::max(right, units_.TenthsX(220) + units_.TenthsX(200 - 145) - 3 +
                                    ScoreRuleExcess());
    else
        right = std::max(right, units_.TenthsX(70) + units_.X(60));
    setMinimumSize(right + 8, advancedTopLeft_.y() + units_.Y(36));
    update();
}

void SearchView::PlaceAdvanced() {
    const int top = advancedTopLeft_.y();
    advanced_->setGeometry(0, top, width(), std::max(0, height() - top));
}

void SearchView::LayoutScoreRow() {
    const int y = scoreRowY_;
    for (int id : {1253, kScoreRuleId, 1191, 1197, 1193})
        Control(id)->hide();
    Place(1253, 10, y + 2);
    Place(kScoreRuleId, 60, y);
    const QString rule = ComboBox(kScoreRuleId)->currentText();
    const bool between = rule == "between";
    const int shift = ScoreRuleExcess();
    if (between || rule == "at least")
        Place(1191, 145, y, shift);
    if (between) {
        Place(1197, 200, y + 2, shift);
        Place(1193, 220, y, shift);
    } else if (rule == "at most" || rule == "exactly") {
        Place(1193, 145, y, shift);
    }
}

void SearchView::OnScoreRuleChanged() {
    if (box_ != nullptr && box_->IsSimilar())
        LayoutScoreRow();
}

void SearchView::OnPitchClicked(int id) {
    // Two groups of one radio each: choosing one clears the other.
    const bool all = id == 1275;
    AllVariations = all ? 0 : -1;
    NormalPitchOnly = all ? -1 : 0;
    Radio(1275)->setChecked(all);
    Radio(1276)->setChecked(!all);
}

void SearchView::OnAdvancedClicked() {
    UpdateData(true);
    advanced_->Show(AdvancedOptions != 0);
}

int SearchView::ParseNumberField(const std::string& text, const std::string& name,
                                 std::string& errorText) {
    NumberRun run;
    if (!SplitNumberRun(text, run)) {
        errorText = name + ": Invalid numerical input";
        return -1;
    }
    const long value = std::strtol(run.number.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, -2147483647L - 1, 2147483647L));
}

bool SearchView::GetCriteria(SearchCriteria& criteria, std::string& errorText) {
    UpdateData(true);
    errorText.clear();
    advanced_->GetCriteria(criteria, errorText);
    const std::string advancedKeywords = criteria.keywords;
    if (box_ != nullptr && box_->IsSimilar()) {
        criteria.scoreMin = 40;
        criteria.scoreMax = 100;
        const QString rule = ComboBox(kScoreRuleId)->currentText();
        auto field = [&](int id) {
            return ParseNumberField(ComboBox(id)->currentText().toStdString(), "Score", errorText);
        };
        if (rule == "at least") {
            criteria.scoreMin = field(1191);
        } else if (rule == "at most") {
            criteria.scoreMax = field(1193);
        } else if (rule == "between") {
            criteria.scoreMin = field(1191);
            criteria.scoreMax = field(1193);
        } else if (rule == "exactly") {
            criteria.scoreMin = criteria.scoreMax = field(1193);
        }
        criteria.maxResults = 200;
    } else {
        criteria.scoreMin = 0;
        criteria.scoreMax = 0;
        criteria.maxResults = 0;
    }
    // Words of both "Find:" boxes, kept apart so that they stay separate words.
    std::string keywords = advancedKeywords;
    const std::string own = KeywordText();
    if (!keywords.empty() && !own.empty())
        keywords += ' ';
    keywords += own;
    criteria.SetKeywords(keywords);
    return errorText.empty();
}

void SearchView::OnSearchNow() {
    SearchCriteria criteria;
    std::string errorText;
    GetCriteria(criteria, errorText);
    criteria.ownPitchOnly = NormalPitchOnly == 0 ? 1 : 0;
    if (!errorText.empty()) {
        ShowMessageBox(window(), errorText, "Could Not Perform Search", MessageButtons::Ok,
                       MessageIcon::Exclamation);
        return;
    }
    if (box_ == nullptr)
        return;
    SearchBoxObj* box = box_;
    if (box->Search(criteria, SearchLocal > 0, SearchWeb > 0))
        if (SearchResultsPane* pane = box->Pane())
            pane->SaveSettings();
}

void SearchView::paintEvent(QPaintEvent*) {
    if (separatorY_ <= 0)
        return;
    QPainter painter(this);
    const int w = std::max(0, width() - 20);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(10, separatorY_, 10 + w, separatorY_);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(10, separatorY_ + 1, 10 + w, separatorY_ + 1);
}

void SearchView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    separatorWidth_ = width() - 20;
    if (QWidget* keywords = Control(kKeywordsId); !keywords->isHidden()) {
        QRect r = keywords->geometry();
        r.setWidth(std::max(40, width() - r.left() - 8));
        keywords->setGeometry(r);
    }
    PlaceAdvanced();
}
