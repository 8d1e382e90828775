#include "windows/search/advanced_search_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <tuple>

#include "app/controls/combo_list_width.h"
#include "app/controls/typed_text_combo.h"
#include "collection/search_criteria.h"
#include "windows/search/number_run.h"
#include "collection/sound_category_tree.h"
#include "collection/text_cut.h"

namespace {

enum class Kind { Check, Label, Combo };

// One control of a group: its id, text, x and distance below the group's top (units).
struct Item {
    int id;
    const char* text;
    int x;
    int dy;
    Kind kind;
};

const char* const kRules[] = {"any", "at least", "at most", "between", "exactly"};
const char* const kSizeChoices[] = {"128k", "256k", "512k", "1 MB", "2 MB", "4 MB", "8 MB"};
const char* const kRateChoices[] = {"8000 Hz",  "11025 Hz", "22050 Hz",
                                    "44100 Hz", "48000 Hz", "96000 Hz"};
const char* const kDurationChoices[] = {
    "0.5 sec", "1 sec",   "2 sec",   "3 sec",   "4 sec",   "5 sec",   "6 sec",
    "7 sec",   "8 sec",   "9 sec",   "10 sec",  "20 sec",  "30 sec",  "60 sec",
    "120 sec", "180 sec", "240 sec", "300 sec", "600 sec"};

// Sizes of the controls (units); the layout gives only their positions.
constexpr int kBoxWidth = 68, kBoxHeight = 10;
constexpr int kHeaderWidth = 140;
constexpr int kLabelHeight = 8;
constexpr int kRuleWidth = 43, kValueWidth = 46, kMaxWidth = 44, kComboHeight = 12;

// Text-field boxes of groups 3 and 4 with their mask bits.
const std::pair<int, int> kTextFields3[] = {{1261, 1}, {1263, 2},  {1264, 4},  {1262, 8},
                                            {1266, 16}, {1267, 32}, {1265, 64}, {1367, 256}};
const std::pair<int, int> kTextFields4[] = {{1270, 1}, {1272, 2},  {1275, 4},  {1269, 8},
                                            {1271, 16}, {1274, 32}, {1276, 64}, {1368, 256}};

} // namespace

struct AdvancedSearchView::RangeRow {
    int group, dy;
    int rule, min, amp, max;
    std::vector<std::string> choices;
    const char* name;
    float lowest;
    const char* defaultMin;
    const char* defaultMax;
};

struct AdvancedSearchView::Group {
    int header;
    const char* title;
    int height;
    std::vector<Item> items;
};

namespace {

std::vector<std::string> TempoChoices() {
    std::vector<std::string> out;
    for (int bpm = 50; bpm <= 200; bpm += 10)
        out.push_back(std::to_string(bpm) + " bpm");
    return out;
}

} // namespace

// The groups in order, and the range rows they hold.
static const std::vector<AdvancedSearchView::Group>& GroupTable() {
    using K = Kind;
    static const std::vector<AdvancedSearchView::Group> groups = {
        {1184, "File Attributes", 72,
         {{1163, "AIFF", 10, 12, K::Check},
          {1164, "AU", 80, 12, K::Check},
          {1165, "WAVE", 10, 24, K::Check},
          {1166, "MP3", 80, 24, K::Check},
          {1252, "File Size:", 10, 40, K::Label}}},
        {1162, "Recording Attributes", 138,
         {{1029, "Mono", 10, 12, K::Check},
          {1030, "Stereo", 80, 12, K::Check},
          {1248, "8-bit Uncompressed", 10, 30, K::Check},
          {1249, "16-bit Uncompressed", 10, 42, K::Check},
          {1251, "24-bit Uncompressed", 10, 54, K::Check},
          {1258, "Compressed", 10, 66, K::Check},
          {1250, "Sample Rate:", 10, 82, K::Label},
          {1268, "Duration:", 10, 106, K::Label}}},
        {1246, "Musical Attributes", 160,
         {{1245, "Key:", 10, 16, K::Label},
          {1278, "A", 10, 30, K::Check},
          {1279, "A#", 80, 35, K::Check},
          {1280, "B", 10, 40, K::Check},
          {1281, "C", 10, 50, K::Check},
          {1282, "C#", 80, 55, K::Check},
          {1283, "D", 10, 60, K::Check},
          {1287, "D#", 80, 65, K::Check},
          {1284, "E", 10, 70, K::Check},
          {1285, "F", 10, 80, K::Check},
          {1288, "F#", 80, 85, K::Check},
          {1286, "G", 10, 90, K::Check},
          {1289, "G#", 80, 95, K::Check},
          {1290, "Unknown key", 10, 100, K::Check},
          {1244, "Tempo:", 10, 116, K::Label},
          {1025, "Loops", 10, 142, K::Check},
          {1086, "Non-loops", 80, 142, K::Check}}},
        {1260, "Text Fields to Search", 72,
         {{1367, "File Name", 10, 12, K::Check},
          {1262, "Genre", 80, 12, K::Check},
          {1261, "Description", 10, 24, K::Check},
          {1266, "Source", 80, 24, K::Check},
          {1263, "Category", 10, 36, K::Check},
          {1267, "Copyright", 80, 36, K::Check},
          {1264, "Sub-Category", 10, 48, K::Check},
          {1265, "Notes", 80, 48, K::Check}}},
        {1353, "Text Fields to Search", 90,
         {{1366, "Find:", 10, 14, K::Label},
          {1354, "", 40, 12, K::Combo},
          {1368, "File Name", 10, 30, K::Check},
          {1269, "Genre", 80, 30, K::Check},
          {1270, "Description", 10, 42, K::Check},
          {1271, "Source", 80, 42, K::Check},
          {1272, "Category", 10, 54, K::Check},
          {1274, "Copyright", 80, 54, K::Check},
          {1275, "Sub-Category", 10, 66, K::Check},
          {1276, "Notes", 80, 66, K::Check}}},
    };
    return groups;
}

static std::vector<std::string> Choices(const char* const* list, std::size_t n) {
    return std::vector<std::string>(list, list + n);
}

static const std::vector<AdvancedSearchView::RangeRow>& RangeTable() {
    static const std::vector<AdvancedSearchView::RangeRow> rows = {
        {0, 48, 1181, 1182, 1195, 1183, Choices(kSizeChoices, std::size(kSizeChoices)),
         "File size", 1.0f, "128k", "8 MB"},
        {1, 90, 1189, 1046, 1192, 1047, Choices(kRateChoices, std::size(kRateChoices)),
         "Sample rate", 1.0f, "8000 Hz", "96000 Hz"},
        {1, 114, 1185, 1186, 1194, 1187, Choices(kDurationChoices, std::size(kDurationChoices)),
         "Duration", 0.001f, "1 sec", "600 sec"},
        {2, 124, 1158, 1160, 1196, 1161, TempoChoices(), "Tempo", 1.0f, "50 bpm", "200 bpm"},
    };
    return rows;
}

// The form's own surface: it paints the etched frames of the open groups.
class AdvancedFormCanvas : public QWidget {
public:
    AdvancedFormCanvas(AdvancedSearchView* view) : QWidget(nullptr), view_(view) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        view_->PaintGroups(painter);
    }

private:
    AdvancedSearchView* view_;
};

AdvancedSearchView::AdvancedSearchView(QWidget* parent) : QScrollArea(parent) {
    setObjectName("AdvancedSearchView");
    setFrameShape(QFrame::Box);
    // The form's controls take the focus; the area around them would show none.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    units_ = DialogUnits::ForFont(font());
    canvas_ = new AdvancedFormCanvas(this);
    canvas_->setObjectName("AdvancedSearchCanvas");
    Build();
    setWidget(canvas_);
    setWidgetResizable(false);
    Layout();
    hide();
}

AdvancedSearchView::~AdvancedSearchView() = default;

void AdvancedSearchView::Build() {
    const auto& groups = GroupTable();
    for (int g = 0; g < kGroupCount; ++g) {
        const Group& group = groups[g];
        auto* header = new QCheckBox(QString::fromUtf8(group.title), canvas_);
        header->setObjectName(QString("advanced_%1").arg(group.header));
        controls_[group.header] = header;
        connect(header, &QCheckBox::clicked, this, [this, g] { OnHeaderClicked(g); });
        for (const Item& item : group.items) {
            QWidget* w = nullptr;
            switch (item.kind) {
            case Kind::Check:
                w = new QCheckBox(QString::fromUtf8(item.text), canvas_);
                break;
            case Kind::Label:
                w = new QLabel(QString::fromUtf8(item.text), canvas_);
                break;
            case Kind::Combo: {
                // A typed value stays as typed: no entry of the list completes it.
                w = NewTypedTextCombo(canvas_);
                break;
            }
            }
            w->setObjectName(QString("advanced_%1").arg(item.id));
            controls_[item.id] = w;
        }
    }
    for (const RangeRow& row : RangeTable()) {
        auto* rule = new QComboBox(canvas_);
        for (const char* r : kRules)
            rule->addItem(r);
        rule->setObjectName(QString("advanced_%1").arg(row.rule));
        controls_[row.rule] = rule;
        connect(rule, &QComboBox::currentIndexChanged, this, [this] { Layout(); });
        for (int id : {row.min, row.max}) {
            QComboBox* value = NewTypedTextCombo(canvas_);
            for (const std::string& c : row.choices)
                value->addItem(QString::fromStdString(c));
            value->setObjectName(QString("advanced_%1").arg(id));
            controls_[id] = value;
        }
        auto* amp = new QLabel("&", canvas_);
        amp->setTextFormat(Qt::PlainText);
        amp->setObjectName(QString("advanced_%1").arg(row.amp));
        controls_[row.amp] = amp;
    }
    SetReadingTabOrder();
}

void AdvancedSearchView::SetReadingTabOrder() {
    // Tab goes down each group as it reads, left to right within a line: its header, then its
    // boxes and range rows by their distance below the top. Hidden controls are passed over.
    struct Stop {
        int group, dy, x;
        QWidget* widget;
    };
    std::vector<Stop> stops;
    const auto& groups = GroupTable();
    for (int g = 0; g < kGroupCount; ++g) {
        stops.push_back({g, 0, 0, Control(groups[g].header)});
        for (const Item& item : groups[g].items)
            if (item.kind != Kind::Label)
                stops.push_back({g, item.dy, item.x, Control(item.id)});
    }
    for (const RangeRow& row : RangeTable()) {
        stops.push_back({row.group, row.dy, 10, Control(row.rule)});
        stops.push_back({row.group, row.dy, 55, Control(row.min)});
        stops.push_back({row.group, row.dy, 111, Control(row.max)});
    }
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
        return std::tie(a.group, a.dy, a.x) < std::tie(b.group, b.dy, b.x);
    });
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1].widget, stops[i].widget);
}

QWidget* AdvancedSearchView::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}
QCheckBox* AdvancedSearchView::CheckBox(int id) const {
    return qobject_cast<QCheckBox*>(Control(id));
}
QComboBox* AdvancedSearchView::ComboBox(int id) const {
    return qobject_cast<QComboBox*>(Control(id));
}

bool AdvancedSearchView::Open(int group) const {
    const QCheckBox* header = CheckBox(GroupTable()[group].header);
    return header != nullptr && header->isChecked();
}

int AdvancedSearchView::GroupAdvance(int group) const {
    if (!Offered(group))
        return 0;
    return Open(group) ? GroupTable()[group].height : 12;
}

int AdvancedSearchView::ScrollHeightUnits() const {
    int total = 0;
    for (int g = 0; g < kGroupCount; ++g)
        total += GroupAdvance(g);
    return total + 12;
}

void AdvancedSearchView::SetOfferedGroups(int mask) {
    offered_ = mask;
    Layout();
}

void AdvancedSearchView::Place(QWidget* w, int x, int y) {
    int width = kBoxWidth, height = kBoxHeight;
    if (qobject_cast<QComboBox*>(w) != nullptr) {
        width = kValueWidth;
        height = kComboHeight;
    } else if (qobject_cast<QLabel*>(w) != nullptr) {
        width = 60;
        height = kLabelHeight;
    }
    if (w == Control(1354))
        width = 150 - 40 - 4;
    w->setGeometry(units_.Rect(x, y, width, height));
    laidOut_.insert(w);
}

void AdvancedSearchView::PlaceRange(const RangeRow& row, int top, bool visible) {
    const int y = top + row.dy;
    QComboBox* rule = ComboBox(row.rule);
    QWidget* min = Control(row.min);
    QWidget* amp = Control(row.amp);
    QWidget* max = Control(row.max);
    if (!visible)
        return;
    const int shift = RuleExcess();
    rule->setGeometry(units_.Rect(10, y, kRuleWidth, kComboHeight).adjusted(0, 0, shift, 0));
    laidOut_.insert(rule);
    const QString r = rule->currentText();
    const bool between = r == "between";
    if (r == "at least" || between || r == "exactly") {
        min->setGeometry(units_.Rect(55, y, kValueWidth, kComboHeight).translated(shift, 0));
        laidOut_.insert(min);
    }
    if (between) {
        amp->setGeometry(units_.Rect(103, y + 2, 7, kLabelHeight).translated(shift, 0));
        laidOut_.insert(amp);
        max->setGeometry(units_.Rect(111, y, kMaxWidth, kComboHeight).translated(shift, 0));
        laidOut_.insert(max);
    } else if (r == "at most") {
        max->setGeometry(units_.Rect(55, y, kValueWidth, kComboHeight).translated(shift, 0));
        laidOut_.insert(max);
    }
}

void AdvancedSearchView::Layout() {
    laidOut_.clear();
    int y = 6;
    const auto& groups = GroupTable();
    for (int g = 0; g < kGroupCount; ++g) {
        const Group& group = groups[g];
        groupTop_[g] = y;
        const bool offered = Offered(g);
        const bool open = offered && Open(g);
        if (offered) {
            QWidget* header = Control(group.header);
            header->setGeometry(units_.Rect(8, y, kHeaderWidth, kBoxHeight));
            laidOut_.insert(header);
        }
        if (open) {
            for (const Item& item : group.items)
                Place(Control(item.id), item.x, y + item.dy);
        }
        for (const RangeRow& row : RangeTable())
            if (row.group == g)
                PlaceRange(row, y, open);
        y += GroupAdvance(g);
    }
    // Only what changes is shown or hidden: a control hidden on the way would lose the focus,
    // and a rule chosen by keys would leave the keyboard nowhere.
    for (auto& [id, w] : controls_)
        if (!laidOut_.count(w))
            w->hide();
    for (QWidget* w : laidOut_)
        w->show();
    UpdateCanvasSize();
    canvas_->update();
}

int AdvancedSearchView::RuleExcess() const {
    // Every range row offers the same choices: the first rule box speaks for all.
    const QComboBox* rule = ComboBox(RangeTable().front().rule);
    return rule != nullptr ? std::max(0, ComboWidthForItems(*rule) - units_.X(kRuleWidth)) : 0;
}

void AdvancedSearchView::UpdateCanvasSize() {
    const int width = std::max(units_.X(156) + RuleExcess(), viewport()->width());
    canvas_->resize(width, units_.Y(ScrollHeightUnits()));
}

void AdvancedSearchView::OnHeaderClicked(int group) {
    UpdateCanvasSize();
    // Scroll down (never up) so that the whole group shows, but not past its top.
    QScrollBar* bar = verticalScrollBar();
    int top = 6;
    for (int g = 0; g < group; ++g)
        top += GroupAdvance(g);
    const int topPx = units_.Y(top);
    const int bottomPx = units_.Y(top + GroupAdvance(group));
    const int visible = viewport()->height();
    int wanted = bar->value();
    if (bottomPx - wanted > visible)
        wanted = std::min(bottomPx - visible, topPx);
    Layout();
    if (wanted > bar->value())
        bar->setValue(std::min(wanted, bar->maximum()));
    if (QWidget* header = Control(GroupTable()[group].header))
        header->setFocus();
}

void AdvancedSearchView::Show(bool show) {
    setVisible(show);
    if (show)
        Layout();
}

void AdvancedSearchView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    UpdateCanvasSize();
}

void AdvancedSearchView::changeEvent(QEvent* event) {
    QScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        units_ = DialogUnits::ForFont(font());
        Layout();
    }
}

void AdvancedSearchView::PaintGroups(QPainter& painter) {
    const QPalette& pal = palette();
    for (int g = 0; g < kGroupCount; ++g) {
        if (!Offered(g) || !Open(g))
            continue;
        const int top = groupTop_[g];
        const QRect r(QPoint(units_.X(5), units_.Y(top + 12)),
                      QPoint(units_.X(150), units_.Y(top + GroupTable()[g].height - 6)));
        // Etched: a dark line with a light one beside it, on the left and the top.
        painter.setPen(pal.color(QPalette::Dark));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(pal.color(QPalette::Light));
        painter.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(0, 1));
        painter.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, 0));
    }
}

float AdvancedSearchView::ParseRangeValue(const std::string& text, const std::string& name,
                                          std::string& errorText) {
    NumberRun run;
    if (!SplitNumberRun(text, run)) {
        errorText = name + ": Invalid input";
        return 0.0f;
    }
    const std::string& number = run.number;
    std::string unit = run.rest;
    for (char& c : unit)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Reads as far as the run forms a number ("1.5.2" is 1.5, "-" alone is 0), always with a
    // decimal point: the form writes its bounds that way whatever the user's locale.
    float value = 0.0f;
    std::from_chars(number.data(), number.data() + number.size(), value);
    if (unit == "mb")
        value *= 1024.0f * 1024.0f;
    else if (unit == "k")
        value *= 1024.0f;
    else if (unit == "min" || unit == "minutes")
        value *= 60.0f;
    else if (unit == "hr" || unit == "hours")
        value *= 3600.0f;
    return value;
}

float AdvancedSearchView::RangeValue(int comboId, const RangeRow& row,
                                     std::string& errorText) const {
    return ParseRangeValue(ComboBox(comboId)->currentText().toStdString(), row.name, errorText);
}

float AdvancedSearchView::RangeMin(const RangeRow& row, std::string& errorText) const {
    const QString rule = ComboBox(row.rule)->currentText();
    if (rule == "at least")
        return RangeValue(row.min, row, errorText);
    if (rule == "between" || rule == "exactly")
        return std::max(RangeValue(row.min, row, errorText), row.lowest);
    return 0.0f;
}

float AdvancedSearchView::RangeMax(const RangeRow& row, std::string& errorText) const {
    const QString rule = ComboBox(row.rule)->currentText();
    if (rule == "at most" || rule == "between")
        return std::max(RangeValue(row.max, row, errorText), row.lowest);
    if (rule == "exactly")
        return std::max(RangeValue(row.min, row, errorText), row.lowest);
    return 0.0f;
}

int AdvancedSearchView::Mask(const std::vector<std::pair<int, int>>& boxes) const {
    int mask = 0;
    bool all = true;
    for (const auto& [id, bits] : boxes) {
        if (CheckBox(id)->isChecked())
            mask |= bits;
        else
            all = false;
    }
    return all ? 0 : mask;
}

namespace {

// Rounded half away from zero; an invalid value (its error already set) gives 0.
int Bound(float value, std::string& errorText, const std::string& before, float scale = 1.0f) {
    if (errorText != before)
        return 0;
    const double v = std::round(static_cast<double>(value) * scale);
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(v);
}

} // namespace

void AdvancedSearchView::GetCriteria(SearchCriteria& criteria, std::string& errorText) {
    errorText.clear();
    criteria.intMask[SearchCriteria::kFormatField] =
        Mask({{1165, 1 << 1}, {1164, 1 << 2}, {1163, 1 << 3}, {1166, 1 << 4}});
    criteria.intMask[SearchCriteria::kChannelsField] = Mask({{1029, 1 << 1}, {1030, 1 << 2}});
    criteria.intMask[SearchCriteria::kLoopField] = Mask({{1025, 1 << 1}, {1086, 1 << 2}});
    const int compressed = (1 << 2) | (1 << 3) | (1 << 4) | (1 << 5) | (1 << 6) | (1 << 7) |
                           (1 << 9);
    criteria.intMask[SearchCriteria::kCompressionField] =
        Mask({{1248, 1 << 16}, {1249, 1 << 17}, {1251, 1 << 18}, {1258, compressed}});
    criteria.keyMask = Mask({{1278, 1 << 1},
                             {1279, 1 << 2},
                             {1280, 1 << 3},
                             {1281, 1 << 4},
                             {1282, 1 << 5},
                             {1283, 1 << 6},
                             {1287, 1 << 7},
                             {1284, 1 << 8},
                             {1285, 1 << 9},
                             {1288, 1 << 10},
                             {1286, 1 << 11},
                             {1289, 1 << 12},
                             {1290, 1 << 13}});

    const auto& rows = RangeTable();
    int* targets[4][2] = {{&criteria.intMin[SearchCriteria::kSizeField],
                           &criteria.intMax[SearchCriteria::kSizeField]},
                          {&criteria.sampleRateMin, &criteria.sampleRateMax},
                          {&criteria.durationMin, &criteria.durationMax},
                          {&criteria.bpmMin, &criteria.bpmMax}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const float scale = rows[i].rule == 1185 ? 1000.0f : 1.0f; // duration in ms
        std::string before = errorText;
        const float min = RangeMin(rows[i], errorText);
        *targets[i][0] = Bound(min, errorText, before, scale);
        before = errorText;
        const float max = RangeMax(rows[i], errorText);
        *targets[i][1] = Bound(max, errorText, before, scale);
    }

    const auto& fields = Offered(4) ? kTextFields4 : kTextFields3;
    criteria.textFieldMask = Mask(std::vector<std::pair<int, int>>(std::begin(fields),
                                                                   std::end(fields)));
    criteria.SetKeywords(
        CutText(ComboBox(1354)->currentText().toStdString(), SearchCriteria::kMaxKeywordBytes));
}

namespace {

// The value text of a bound: the largest unit that divides it evenly.
std::string FormatBound(int rule, int value) {
    char text[64];
    switch (rule) {
    case 1181: // file size in bytes
        if (value % (1024 * 1024) == 0)
            std::snprintf(text, sizeof text, "%d MB", value / (1024 * 1024));
        else if (value % 1024 == 0)
            std::snprintf(text, sizeof text, "%dk", value / 1024);
        else
            std::snprintf(text, sizeof text, "%d", value);
        break;
    case 1189:
        std::snprintf(text, sizeof text, "%d Hz", value);
        break;
    case 1185: // milliseconds
        if (value % 1000 == 0)
            std::snprintf(text, sizeof text, "%d sec", value / 1000);
        else // whole milliseconds, with a decimal point whatever the locale
            std::snprintf(text, sizeof text, "%s%d.%03d sec", value < 0 ? "-" : "",
                          std::abs(value / 1000), std::abs(value % 1000));
        break;
    default:
        std::snprintf(text, sizeof text, "%d bpm", value);
        break;
    }
    return text;
}

} // namespace

void AdvancedSearchView::SetCriteria(const SearchCriteria& criteria) {
    auto setMask = [this](int mask, std::initializer_list<std::pair<int, int>> boxes) {
        for (const auto& [id, bits] : boxes)
            CheckBox(id)->setChecked(mask == 0 || (mask & bits) != 0);
    };
    setMask(criteria.intMask[SearchCriteria::kFormatField],
            {{1165, 1 << 1}, {1164, 1 << 2}, {1163, 1 << 3}, {1166, 1 << 4}});
    setMask(criteria.intMask[SearchCriteria::kChannelsField], {{1029, 1 << 1}, {1030, 1 << 2}});
    setMask(criteria.intMask[SearchCriteria::kLoopField], {{1025, 1 << 1}, {1086, 1 << 2}});
    const int compressed = (1 << 2) | (1 << 3) | (1 << 4) | (1 << 5) | (1 << 6) | (1 << 7) |
                           (1 << 9);
    setMask(criteria.intMask[SearchCriteria::kCompressionField],
            {{1248, 1 << 16}, {1249, 1 << 17}, {1251, 1 << 18}, {1258, compressed}});
    setMask(criteria.keyMask, {{1278, 1 << 1},
                               {1279, 1 << 2},
                               {1280, 1 << 3},
                               {1281, 1 << 4},
                               {1282, 1 << 5},
                               {1283, 1 << 6},
                               {1287, 1 << 7},
                               {1284, 1 << 8},
                               {1285, 1 << 9},
                               {1288, 1 << 10},
                               {1286, 1 << 11},
                               {1289, 1 << 12},
                               {1290, 1 << 13}});
    for (const auto& fields : {std::begin(kTextFields3), std::begin(kTextFields4)}) {
        for (int i = 0; i < 8; ++i)
            CheckBox(fields[i].first)
                ->setChecked(criteria.textFieldMask == 0 ||
                             (criteria.textFieldMask & fields[i].second) != 0);
    }

    const int bounds[4][2] = {
        {criteria.intMin[SearchCriteria::kSizeField], criteria.intMax[SearchCriteria::kSizeField]},
        {criteria.sampleRateMin, criteria.sampleRateMax},
        {criteria.durationMin, criteria.durationMax},
        {criteria.bpmMin, criteria.bpmMax}};
    const auto& rows = RangeTable();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RangeRow& row = rows[i];
        const int min = bounds[i][0], max = bounds[i][1];
        const char* rule = "any";
        QString minText = row.defaultMin, maxText = row.defaultMax;
        if (min != 0 && max != 0 && min == max) {
            rule = "exactly";
            minText = QString::fromStdString(FormatBound(row.rule, min));
        } else if (min != 0 && max != 0) {
            rule = "between";
            minText = QString::fromStdString(FormatBound(row.rule, min));
            maxText = QString::fromStdString(FormatBound(row.rule, max));
        } else if (min != 0) {
            rule = "at least";
            minText = QString::fromStdString(FormatBound(row.rule, min));
        } else if (max != 0) {
            rule = "at most";
            maxText = QString::fromStdString(FormatBound(row.rule, max));
        }
        QComboBox* ruleBox = ComboBox(row.rule);
        // The entry that starts with the rule's text.
        for (int k = 0; k < ruleBox->count(); ++k)
            if (ruleBox->itemText(k).startsWith(QString::fromUtf8(rule))) {
                ruleBox->setCurrentIndex(k);
                break;
            }
        ComboBox(row.min)->setCurrentText(minText);
        ComboBox(row.max)->setCurrentText(maxText);
    }

    QComboBox* keywords = ComboBox(1354);
    keywords->clear();
    struct Sink : CategoryListSink {
        QComboBox* box;
        void AddString(const std::string& text) override {
            box->addItem(QString::fromStdString(text));
        }
    } sink;
    sink.box = keywords;
    theSoundCategoryTree.FillComboBox(sink);
    keywords->setCurrentText(QString::fromStdString(criteria.keywords));
    Layout();
}
