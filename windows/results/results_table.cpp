#include "windows/results/results_table.h"

#include "app/wait_cursor.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <set>

#include "app/app_controller.h"
#include "app/app_util.h"
#include "app/settings.h"
#include "app/ui_seams.h"
#include "audio/general_helpers.h"
#include "editor/widgets/static_waveform.h"
#include "windows/results/progress_meter.h"
#include "windows/results/results_list.h"
#include "windows/results/sound_drag.h"

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter;

const TabularColumnDef kColumns[kTabularColumnCount] = {
    {"Score", 50, kRight, 40},        {"Waveform", 104, kLeft, -1},
    {"File Name", 175, kLeft, -1},    {"Pitch", 100, kLeft, -1},
    {"Description", 175, kLeft, -1},  {"File Size", 70, kRight, 55},
    {"Channels", 70, kCentre, 60},    {"Compression", 100, kLeft, -1},
    {"Sample Rate", 90, kRight, -1},  {"Duration", 75, kRight, -1},
    {"Category", 175, kLeft, -1},     {"Genre", 175, kLeft, -1},
    {"Key", 40, kCentre, 30},         {"Tempo", 60, kRight, 70},
    {"Loop", 50, kCentre, 50},        {"Source", 175, kLeft, -1},
    {"Copyright", 175, kLeft, -1},    {"Notes", 175, kLeft, -1},
    {"Link", 175, kLeft, -1},
};

constexpr int kRowHeight = 32;
// The waveform of a row: its picture's size, margin and scale.
constexpr int kWaveWidth = 216;
constexpr int kWaveXOffset = 4;
constexpr int kWavePixelsPerPoint = 2;
constexpr int kWaveTailColumns = 12;
constexpr int kLongSoundMs = 10000;
constexpr int kStripNumberBand = 32;
constexpr int kStripTopOffset = 4;
constexpr int kStripButtonSize = 24;
constexpr int kCellTextMargin = 6;
// A stored width beyond this is damage, not a choice.
constexpr int kMaxStoredWidth = 10000;

constexpr ColorRef kSelectedBack = MakeColorRef(192, 192, 255);
constexpr ColorRef kOddBack = MakeColorRef(240, 240, 240);
constexpr ColorRef kWhite = MakeColorRef(255, 255, 255);
constexpr ColorRef kHighlightText = MakeColorRef(0, 0, 192);

const TabularCommandDef kPlay{kCmdPlay, "Play"};
const TabularCommandDef kLoop{kCmdLoop, "Loop"};
const TabularCommandDef kOpen{kCmdOpen, "Open"};
const TabularCommandDef kFind{kCmdFindSimilar, "Find similar sounds"};
const TabularCommandDef kSeparator{0, ""};
const TabularCommandDef kRemove{kCmdRemove, "Remove from MyTambrel"};
const TabularCommandDef kManage{kCmdManage, "Manage"};

// The popup menus: list kind, one row or several, the menu.
const struct {
    int kind;
    bool several;
    int id;
    std::vector<TabularCommandDef> items;
} kMenus[] = {
    {ResultsListObj::kMyTambrel, false, 228, {kPlay, kLoop, kOpen, kFind, kSeparator, kRemove, kManage}},
    {ResultsListObj::kWebTambrel, false, 235, {kPlay, kLoop, kOpen, kFind}},
    {ResultsListObj::kMyTambrel, true, 234, {kRemove, kManage}},
};

std::string LastPathPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    AppUtil::DecodePercentEscapes(name);
    return name;
}

bool Selected(const SoundFileListEntry& entry) {
    return (entry.value1 & 1) != 0;
}

// Reads up to count integers of a stored list into the leading entries of values; answers
// the list's text as stored.
std::string ReadStoredList(const std::string& key, std::vector<int>& values) {
    std::string text = GetProfileString(key, "");
    if (text.empty() || values.empty())
        return text;
    std::vector<int> read(values.size());
    const int n = AppUtil::ParseIntList(text, read.data(), static_cast<int>(read.size()));
    std::copy(read.begin(), read.begin() + n, values.begin());
    return text;
}

// stored is the text last read from or written to the key.
void WriteIfChanged(const std::string& key, const std::string& text, std::string& stored) {
    if (stored == text)
        return;
    WriteProfileString(key, text);
    stored = text;
}

bool IsPermutation(const std::vector<int>& order) {
    std::vector<bool> seen(order.size(), false);
    for (int column : order) {
        if (column < 0 || column >= static_cast<int>(order.size()) || seen[size_t(column)])
            return false;
        seen[size_t(column)] = true;
    }
    return true;
}

class ControllerTabularServices final : public TabularResultsServices {
public:
    bool RemoveCatalogFile(const SoundFileObj& file) override {
        return theController != nullptr && theController->RemoveCatalogFile(file);
    }
    void ApplyCatalogChanges() override {
        if (theController != nullptr)
            theController->ApplyCatalogChanges();
    }
    void ShowManageWindow(SoundFileListObj* list) override {
        if (theController != nullptr)
            theController->ShowManageWindow(list);
    }
    bool ColorWaveforms() const override {
        return theController == nullptr || theController->ColorWaveforms;
    }
    bool IsMainList(const ResultsListObj* list) const override {
        return theController != nullptr && list != nullptr &&
               theController->MainList() == static_cast<const ResultsListLink*>(list);
    }
};

// Restores the cursor however the work ends.
} // namespace

const TabularColumnDef& TabularColumnAt(int column) {
    return kColumns[std::clamp(column, 0, kTabularColumnCount - 1)];
}

std::vector<int> VisibleTabularColumns(unsigned hiddenMask) {
    std::vector<int> visible;
    for (int column = 0; column < kTabularColumnCount; ++column)
        if ((hiddenMask & (1u << column)) == 0)
            visible.push_back(column);
    return visible;
}

namespace {

std::string PitchText(int semitones) {
    if (semitones > 0)
        return "+" + std::to_string(semitones) + " semitones";
    if (semitones < 0)
        return std::to_string(semitones) + " semitones";
    return "Normal";
}

// Every text a cell of the column can show, for the columns whose texts are known beforehand.
std::vector<std::string> KnownCellTexts(int column) {
    std::vector<std::string> texts;
    switch (column) {
    case kColPitch: // the variants lie within an octave either way
        for (int semitones = -12; semitones <= 12; ++semitones)
            texts.push_back(PitchText(semitones));
        break;
    case kColChannels:
        for (int channels : {1, 2, 0}) {
            SoundFileObj file;
            file.channels = channels;
            texts.push_back(file.FieldText(kFieldChannels));
        }
        break;
    case kColCompression:
        for (int code = 0; code < 32; ++code)
            texts.emplace_back(CompressionName(code));
        break;
    default:
        break;
    }
    return texts;
}

} // namespace

int TabularDefaultWidth(int column, const QFontMetrics& metrics) {
    int width = kColumns[column].width;
    for (const std::string& text : KnownCellTexts(column))
        width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(text)) +
                                    2 * kCellTextMargin);
    return width;
}

std::string TabularCellText(const SoundFileListEntry& entry, int column, int listKind) {
    (void)listKind; // both kinds name their files with '/' here
    const SoundFileObj& file = entry.file;
    const SoundVariantObj& variant = entry.variant;
    switch (column) {
    case kColScore:
        return entry.score > 0 ? std::to_string(entry.score) + "%" : std::string();
    case kColFileName:
        return LastPathPart(file.path);
    case kColPitch:
        if (file.sampleRate <= 0 || variant.sampleRate <= 0)
            return PitchText(0);
        return PitchText(
            RatioToHalftones(static_cast<double>(variant.sampleRate) / file.sampleRate));
    case kColDescription:
        return file.description;
    case kColFileSize:
        return file.FieldText(kFieldSize);
    case kColChannels:
        return file.FieldText(kFieldChannels);
    case kColCompression:
        return file.FieldText(kFieldCompression);
    case kColSampleRate:
        return variant.FieldText(2);
    case kColDuration:
        return variant.FieldText(0);
    case kColCategory: {
        std::string text = file.FieldText(kFieldClass);
        if (!file.category.empty())
            text += " > " + file.category;
        if (!file.subcategory.empty())
            text += " > " + file.subcategory;
        return text;
    }
    case kColGenre:
        return file.genre;
    case kColKey:
        return variant.FieldText(1);
    case kColTempo:
        return variant.FieldText(3);
    case kColLoop:
        return file.loop == 1 ? "Yes" : "No";
    case kColSource:
        return file.source;
    case kColCopyright:
        return file.copyright;
    case kColNotes:
        return file.notes;
    case kColLink:
        return file.link;
    default:
        return {};
    }
}

int WaveformCellWidth(const SoundVariantObj& variant) {
    const int points = variant.DataLength() / static_cast<int>(sizeof(WaveformPoint));
    return kWavePixelsPerPoint * points + (variant.duration > kLongSoundMs ? kWaveTailColumns : 0) +
           kWaveXOffset;
}

TabularPopupMenu TabularPopupMenuFor(int listKind, int selectedRows) {
    if (selectedRows <= 0)
        return {0, {}};
    for (const auto& menu : kMenus)
        if (menu.kind == listKind && menu.several == (selectedRows > 1))
            return {menu.id, menu.items};
    return {0, {}};
}

TabularResultsServices& DefaultTabularResultsServices() {
    static ControllerTabularServices services;
    return services;
}

// TabularColumnsCtrl

TabularColumnsCtrl::TabularColumnsCtrl(TabularResultsWnd* owner, QWidget* parent)
    : SelectableTableCtrl(parent), owner_(owner), metrics_(font()), underlinedMetrics_(font()) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
}

TabularColumnsCtrl::~TabularColumnsCtrl() = default;

void TabularColumnsCtrl::LoadLayout(ResultsListObj* list, unsigned hiddenMask) {
    list_ = list;
    mask_ = hiddenMask;
    underlined_ = font();
    underlined_.setUnderline(true);
    metrics_ = QFontMetrics(font());
    underlinedMetrics_ = QFontMetrics(underlined_);
    visible_ = VisibleTabularColumns(hiddenMask);
    const int n = static_cast<int>(visible_.size());

    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;
    std::vector<int> widths(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        widths[size_t(i)] = TabularDefaultWidth(visible_[size_t(i)], metrics_);
    const std::vector<int> defaultOrder = order, defaultWidths = widths;
    storedOrder_ = ReadStoredList(ColumnSettingKey("ColumnOrder", hiddenMask), order);
    storedWidths_ = ReadStoredList(ColumnSettingKey("ColumnWidth", hiddenMask), widths);
    // A stored order that repeats or misses a column would hide one: keep the default.
    if (!IsPermutation(order))
        order = defaultOrder;
    for (int i = 0; i < n; ++i)
        if (widths[size_t(i)] < 0 || widths[size_t(i)] > kMaxStoredWidth)
            widths[size_t(i)] = defaultWidths[size_t(i)];

    setRowCount(0);
    waveforms_.clear();
    setColumnCount(0); // drops any moved sections of an earlier layout
    setColumnCount(n);
    QStringList labels;
    for (int column : visible_)
        labels << QString::fromLatin1(kColumns[column].name);
    setHorizontalHeaderLabels(labels);
    for (int i = 0; i < n; ++i) {
        if (QTableWidgetItem* item = horizontalHeaderItem(i))
            item->setTextAlignment(kColumns[visible_[size_t(i)]].align | Qt::AlignVCenter);
        setColumnWidth(i, widths[size_t(i)]);
    }
    QHeaderView* header = horizontalHeader();
    for (int position = 0; position < n; ++position) {
        const int from = header->visualIndex(order[size_t(position)]);
        if (from != position)
            header->moveSection(from, position);
    }
    laidOut_ = true;
}

void TabularColumnsCtrl::SaveLayout() {
    if (!laidOut_)
        return;
    StoreLayout();
    laidOut_ = false;
    list_ = nullptr;
}

void TabularColumnsCtrl::StoreLayout() {
    if (!laidOut_)
        return;
    const int n = columnCount();
    std::vector<int> order(static_cast<size_t>(n)), widths(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        order[size_t(i)] = horizontalHeader()->logicalIndex(i);
        widths[size_t(i)] = columnWidth(i);
    }
    // Each write reaches the disk, and every search lets go of its columns: only a layout
    // the user changed is written. What the table read or wrote last stands for the stored
    // text, so that a search reads no settings either.
    WriteIfChanged(ColumnSettingKey("ColumnOrder", mask_), AppUtil::FormatIntList(order.data(), n),
                   storedOrder_);
    WriteIfChanged(ColumnSettingKey("ColumnWidth", mask_), AppUtil::FormatIntList(widths.data(), n),
                   storedWidths_);
}

void TabularColumnsCtrl::AppendRow() {
    setRowCount(rowCount() + 1);
    waveforms_.emplace_back();
}

void TabularColumnsCtrl::ResetRows(int count) {
    count = std::max(0, count);
    waveforms_.clear();
    // The table holds no cells: a list of the same length (a sort) needs only a repaint.
    if (rowCount() != count)
        setRowCount(count);
    if (focusRow_ >= count)
        focusRow_ = -1;
    waveforms_.resize(size_t(count));
    Repaint();
}

int TabularColumnsCtrl::VisibleIndexOf(int tableColumn) const {
    const auto it = std::find(visible_.begin(), visible_.end(), tableColumn);
    return it == visible_.end() ? -1 : static_cast<int>(it - visible_.begin());
}

std::vector<int> TabularColumnsCtrl::DisplayedColumns() const {
    std::vector<int> shown;
    for (int position = 0; position < columnCount(); ++position)
        shown.push_back(visible_[size_t(horizontalHeader()->logicalIndex(position))]);
    return shown;
}

bool TabularColumnsCtrl::IsRowSelected(int row) {
    return list_ != nullptr && row >= 0 && row < list_->Count() && Selected(list_->Entry(row));
}

void TabularColumnsCtrl::SetRowSelected(int row, bool selected, bool redraw) {
    if (list_ == nullptr || row < 0 || row >= list_->Count())
        return;
    int& value = list_->Entry(row).value1;
    value = selected ? (value | 1) : (value & ~1);
    if (redraw)
        Repaint();
}

void TabularColumnsCtrl::SelectAllRows(bool on) {
    if (list_ == nullptr)
        return;
    for (int row = 0; row < list_->Count(); ++row)
        SetRowSelected(row, on, false);
    Repaint();
}

int TabularColumnsCtrl::SelectedRowCount() const {
    if (list_ == nullptr)
        return 0;
    int count = 0;
    for (int row = 0; row < list_->Count(); ++row)
        count += Selected(list_->Entry(row)) ? 1 : 0;
    return count;
}

void TabularColumnsCtrl::ScrollToTopRow(int row) {
    // The bar's range follows the row count only at the next layout: bring it up to date
    // first. Rows scroll one item per step, so the bar's value is the top row.
    updateGeometries();
    verticalScrollBar()->setValue(std::max(0, row));
}

int TabularColumnsCtrl::RowBackground(int row) {
    if (IsRowSelected(row))
        return static_cast<int>(kSelectedBack);
    return static_cast<int>(row % 2 == 1 ? kOddBack : kWhite);
}

const QFont* TabularColumnsCtrl::GetCellFont(int, int column, unsigned, std::uintptr_t) {
    if (column < 0 || column >= static_cast<int>(visible_.size()))
        return nullptr;
    const int t = visible_[size_t(column)];
    return t == kColFileName || t == kColLink ? &underlined_ : nullptr;
}

ColorRef TabularColumnsCtrl::GetCellTextColor(int row, int column, unsigned, std::uintptr_t) {
    if (list_ == nullptr || column < 0 || column >= static_cast<int>(visible_.size()) ||
        row < 0 || row >= list_->Count())
        return kClrDefault;
    if (visible_[size_t(column)] == kColFileName && list_->Entry(row).value2 != 0)
        return kHighlightText;
    return kClrDefault;
}

ColorRef TabularColumnsCtrl::GetCellBkColor(int row, int, unsigned, std::uintptr_t) {
    if (IsRowSelected(row))
        return kSelectedBack;
    return row % 2 == 1 ? kOddBack : kClrDefault;
}

CGP_StaticWaveform& TabularColumnsCtrl::RowWaveform(int row) {
    if (waveforms_.size() < size_t(rowCount()))
        waveforms_.resize(size_t(rowCount()));
    auto& slot = waveforms_.at(size_t(row));
    if (!slot) {
        slot = std::make_unique<CGP_StaticWaveform>(nullptr, nullptr, 0, 0, kWaveWidth, kRowHeight);
        slot->SetXOffset(kWaveXOffset);
        slot->SetPixelsPerPoint(kWavePixelsPerPoint);
        if (list_ != nullptr && row < list_->Count()) {
            const SoundVariantObj& variant = list_->Entry(row).variant;
            const int points = variant.DataLength() / static_cast<int>(sizeof(WaveformPoint));
            slot->SetPoints(points, reinterpret_cast<const WaveformPoint*>(variant.data.data()),
                            variant.duration > kLongSoundMs);
        }
    }
    return *slot;
}

bool TabularColumnsCtrl::DrawCell(QPainter& p, int row, int column, unsigned state,
                                  std::uintptr_t data) {
    if (list_ == nullptr || row >= list_->Count() || column < 0 ||
        column >= static_cast<int>(visible_.size()))
        return true;
    const QRect cell = visualRect(model()->index(row, column));
    if (cell.isEmpty())
        return true;
    const int t = visible_[size_t(column)];
    p.fillRect(cell, ToQColor(static_cast<ColorRef>(RowBackground(row))));
    if (t == kColWaveform) {
        QRect clip = p.hasClipping() ? p.clipBoundingRect().toAlignedRect() & cell : cell;
        if (clip.isEmpty())
            return true;
        clip.translate(-cell.topLeft());
        CGP_StaticWaveform& wave = RowWaveform(row);
        wave.SetColored(owner_->Services().ColorWaveforms());
        p.setClipRect(cell, Qt::IntersectClip);
        wave.Draw(p, clip.x(), clip.y(), clip.width(), clip.height(), cell.left(), cell.top());
        return true;
    }
    const std::string text = TabularCellText(list_->Entry(row), t, list_->Kind());
    if (text.empty())
        return true;
    const QFont* cellFont = GetCellFont(row, column, state, data);
    const bool underlined = cellFont != nullptr;
    p.setFont(underlined ? *cellFont : font());
    const ColorRef color = GetCellTextColor(row, column, state, data);
    p.setPen(color == kClrDefault ? palette().color(QPalette::Text) : ToQColor(color));
    const QRect area = cell.adjusted(kCellTextMargin, 0, -kCellTextMargin, 0);
    const QFontMetrics& metrics = underlined ? underlinedMetrics_ : metrics_;
    const QString shown =
        metrics.elidedText(QString::fromStdString(text), Qt::ElideRight, area.width());
    p.drawText(area, int(kColumns[t].align | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
    return true;
}

bool TabularColumnsCtrl::OnCellLButtonDown(int column, int row, bool shift, bool ctrl) {
    if (list_ == nullptr)
        return true;
    const int t = column >= 0 && column < static_cast<int>(visible_.size()) ? visible_[size_t(column)] : -1;
    if (t == kColFileName || t == kColLink) {
        if (shift || ctrl)
            return false;
        QPointer<TabularColumnsCtrl> alive(this);
        if (t == kColFileName)
            list_->OpenRow(row);
        else
            list_->OpenLink(row);
        if (alive)
            Repaint();
        return true;
    }
    owner_->Strip()->SelectRow(row, shift, ctrl, false);
    return true;
}

bool TabularColumnsCtrl::OnCellLButtonUp(int column, int row, bool shift, bool ctrl) {
    if (list_ == nullptr || row < 0 || row >= list_->Count())
        return false;
    const int t = column >= 0 && column < static_cast<int>(visible_.size()) ? visible_[size_t(column)] : -1;
    if (t == kColFileName || t == kColLink)
        return false;
    owner_->Strip()->FinishSelectRow(row, shift, ctrl, false);
    return true;
}

bool TabularColumnsCtrl::OnCellContextMenu(int, int row, int screenX, int screenY) {
    owner_->Strip()->OnContextMenu(row, screenX, screenY);
    return true;
}

int TabularColumnsCtrl::GetColumnAutoWidth(int column) {
    if (column < 0 || column >= static_cast<int>(visible_.size()))
        return -1;
    const int t = visible_[size_t(column)];
    if (t == kColWaveform && list_ != nullptr && list_->Count() > 0 && rowCount() > 0) {
        int width = 10;
        for (int row = 0; row < list_->Count(); ++row)
            width = std::max(width, WaveformCellWidth(list_->Entry(row).variant));
        return width;
    }
    return kColumns[t].autoWidth;
}

std::string TabularColumnsCtrl::GetCellTooltip(int column, int row) {
    if (list_ == nullptr || row < 0 || row >= list_->Count() || column < 0 ||
        column >= static_cast<int>(visible_.size()))
        return {};
    const int t = visible_[size_t(column)];
    if (t == kColWaveform)
        return "Halvorine Waveform Display";
    if (t == kColFileName) {
        std::string path = list_->Entry(row).file.path;
        AppUtil::DecodePercentEscapes(path);
        return path;
    }
    return {};
}

void TabularColumnsCtrl::HeaderItemClick(int column) {
    if (list_ == nullptr || column < 0 || column >= static_cast<int>(visible_.size()))
        return;
    // The header counts visible columns; the list sorts by the column table's index.
    const int t = visible_[size_t(column)];
    if (t == kColWaveform)
        return;
    const bool descending = list_->SortByColumn(t);
    Header().SetSortMark(column, !descending);
}

void TabularColumnsCtrl::keyPressEvent(QKeyEvent* e) {
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (MoveByKey(e->key(), shift, ctrl)) {
        e->accept();
        return;
    }
    switch (e->key()) {
    case Qt::Key_Space:
        if (ctrl && !shift && focusRow_ >= 0 && focusRow_ < rowCount()) {
            // The row the focus was moved to alone joins or leaves the selection.
            e->accept();
            SetRowSelected(focusRow_, !IsRowSelected(focusRow_), true);
            owner_->Strip()->SetSelectionEnds(focusRow_, focusRow_);
            owner_->Strip()->update();
            return;
        }
        break;
    case Qt::Key_Delete:
        e->accept();
        owner_->Strip()->RunCommand(kCmdRemove);
        return;
    case Qt::Key_A:
        if (ctrl && !shift) {
            e->accept();
            owner_->Strip()->SelectAll(true);
            return;
        }
        break;
    default:
        break;
    }
    SelectableTableCtrl::keyPressEvent(e);
    owner_->SyncStrip();
}

bool TabularColumnsCtrl::MoveByKey(int key, bool shift, bool ctrl) {
    const int rows = rowCount();
    const int page = std::max(1, GetCountPerPage());
    int step = 0;
    switch (key) {
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Down:
        step = 1;
        break;
    case Qt::Key_PageUp:
        step = -page;
        break;
    case Qt::Key_PageDown:
        step = page;
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        break;
    default:
        return false;
    }
    if (rows == 0 || list_ == nullptr)
        return true;
    int target = 0;
    if (key == Qt::Key_Home)
        target = 0;
    else if (key == Qt::Key_End)
        target = rows - 1;
    else if (focusRow_ < 0 || focusRow_ >= rows)
        target = GetTopIndex(); // the first key lands on the first row in view
    else
        target = std::clamp(focusRow_ + step, 0, rows - 1);
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        // A page key scrolls a whole page, so the row keeps its place on the screen.
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + step);
    }
    TabularHeaderCtrl* strip = owner_->Strip();
    if (shift) {
        // Shift extends from the anchor: the row last clicked or reached without Shift.
        int anchor = strip->AnchorRow();
        if (anchor < 0 || anchor >= rows || !IsRowSelected(anchor))
            anchor = focusRow_ >= 0 && focusRow_ < rows ? focusRow_ : target;
        const int lo = std::min(anchor, target), hi = std::max(anchor, target);
        for (int row = 0; row < rows; ++row)
            SetRowSelected(row, row >= lo && row <= hi, false);
        strip->SetSelectionEnds(anchor, target);
    } else if (!ctrl) {
        for (int row = 0; row < rows; ++row)
            SetRowSelected(row, row == target, false);
        strip->SetSelectionEnds(target, target);
    }
    focusRow_ = target;
    EnsureVisibleAndNotify(target, false);
    owner_->SyncStrip();
    Repaint();
    strip->update();
    return true;
}

void TabularColumnsCtrl::SetFocusRow(int row) {
    focusRow_ = row;
    Repaint();
}

int TabularColumnsCtrl::KeyboardRow() const {
    if (focusRow_ >= 0 && focusRow_ < rowCount())
        return focusRow_;
    return rowCount() > 0 ? std::clamp(GetTopIndex(), 0, rowCount() - 1) : -1;
}

void TabularColumnsCtrl::PostPaintControl(QPainter& p) {
    if (!hasFocus())
        return;
    p.setPen(QPen(palette().color(QPalette::Text), 0, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    // A table reached by Tab shows where the keys will act even before any row is focused;
    // an empty one frames its whole area.
    const int row = KeyboardRow();
    if (row < 0) {
        p.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
        return;
    }
    const int top = rowViewportPosition(row);
    const int width = std::min(viewport()->width(), horizontalHeader()->length() - horizontalOffset());
    if (top + rowHeight(row) <= 0 || top >= viewport()->height() || width <= 0)
        return;
    p.drawRect(QRect(0, top, width, rowHeight(row)).adjusted(0, 0, -1, -1));
}

bool TabularColumnsCtrl::OnKeyboardContextMenu() {
    if (list_ == nullptr || rowCount() == 0)
        return true;
    // The menu is for the rows the user sees selected: the focused one when it is among
    // them, else the first of them; with none selected, the focused row becomes the one.
    int row = -1;
    if (focusRow_ >= 0 && focusRow_ < rowCount() && IsRowSelected(focusRow_))
        row = focusRow_;
    for (int i = 0; row < 0 && i < rowCount(); ++i)
        if (IsRowSelected(i))
            row = i;
    if (row < 0)
        row = focusRow_;
    if (row < 0 || row >= rowCount())
        return true;
    EnsureVisibleAndNotify(row, false);
    owner_->SyncStrip();
    // Beside the row: at its lower left, as far in as a mouse click on it would be.
    const QPoint at(std::min(viewport()->width() / 4, 2 * kRowHeight),
                    rowViewportPosition(row) + rowHeight(row) - 1);
    const QPoint screen = viewport()->mapToGlobal(at);
    owner_->Strip()->OnContextMenu(row, screen.x(), screen.y());
    return true;
}

void TabularColumnsCtrl::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        int column = -1;
        const int row = CellHitTest(e->position().toPoint(), &column, nullptr, nullptr, false);
        if (row < 0) {
            // A press below the rows clears the selection.
            setFocus(Qt::MouseFocusReason);
            owner_->Strip()->SelectRow(-1, e->modifiers() & Qt::ShiftModifier,
                                       e->modifiers() & Qt::ControlModifier, false);
            Repaint();
            e->accept();
            return;
        }
    }
    SelectableTableCtrl::mousePressEvent(e);
}

void TabularColumnsCtrl::wheelEvent(QWheelEvent* e) {
    const int delta = e->angleDelta().y();
    if (delta == 0) {
        SelectableTableCtrl::wheelEvent(e);
        return;
    }
    // One row per wheel message, down for a turn towards the user.
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + (delta < 0 ? 1 : -1));
    e->accept();
}

void TabularColumnsCtrl::scrollContentsBy(int dx, int dy) {
    SelectableTableCtrl::scrollContentsBy(dx, dy);
    owner_->SyncStrip();
}

void TabularColumnsCtrl::updateGeometries() {
    SelectableTableCtrl::updateGeometries();
    // A new height or row count moves the rows without a scroll: a table scrolled to its
    // end keeps its last row at the bottom.
    owner_->SyncStrip();
}

// TabularHeaderCtrl

TabularHeaderCtrl::TabularHeaderCtrl(TabularResultsWnd* owner, QWidget* parent)
    : ButtonListCtrl(parent), owner_(owner) {
    SetOrigin(kStripNumberBand, kStripTopOffset);
    SetRowHeight(kRowHeight);
}

TabularHeaderCtrl::~TabularHeaderCtrl() {
    DisarmRowDrag();
}

void TabularHeaderCtrl::AddButtonColumns() {
    AddButtonColumn(kStripButtonSize, 182, true, "Play");
    AddButtonColumn(kStripButtonSize, 185, true, "Loop");
    AddButtonColumn(kStripButtonSize, 191, false, "Open/Save");
    AddButtonColumn(kStripButtonSize, 188, false, "Find similar sounds");
}

void TabularHeaderCtrl::SetPlayState(int row, bool playing, bool looping) {
    playingRow_ = playing ? row : -1;
    playingLoops_ = playing && looping;
    Relayout();
}

void TabularHeaderCtrl::SelectAll(bool on) {
    owner_->Columns()->SelectAllRows(on);
    update();
}

void TabularHeaderCtrl::EnsureRowVisible(int, int row) {
    owner_->EnsureRowVisible(row);
}

void TabularHeaderCtrl::OnButtonClicked(int column, int row, HeaderButtonCtrl* button) {
    if (list_ == nullptr || row < 0 || row >= list_->Count())
        return;
    QPointer<TabularHeaderCtrl> alive(this);
    QPointer<HeaderButtonCtrl> pressed(button);
    switch (column) {
    case 0:
        list_->PlayRow(row, false);
        break;
    case 1:
        list_->PlayRow(row, true);
        break;
    case 2:
        list_->OpenRow(row);
        break;
    case 3:
        list_->FindSimilar(row);
        break;
    default:
        break;
    }
    // A toggle shows the play state the list reported, not the click itself.
    if (alive && pressed && pressed->isCheckable() && pressed->Row() == row)
        pressed->setChecked(IsButtonChecked(column, row));
}

void TabularHeaderCtrl::OnRowActivated(int row, int) {
    owner_->EnsureRowVisible(row);
    update();
}

bool TabularHeaderCtrl::IsRowSelected(int row) {
    return owner_->Columns()->IsRowSelected(row);
}

bool TabularHeaderCtrl::IsButtonChecked(int column, int row) {
    // A looping row keeps its Loop button down when its buttons are laid out again.
    if (row != playingRow_ || row < 0)
        return false;
    return column == (playingLoops_ ? 1 : 0);
}

bool TabularHeaderCtrl::SelectRow(int row, bool shift, bool ctrl, bool rightButton) {
    const bool result = ButtonListCtrl::SelectRow(row, shift, ctrl, rightButton);
    if (row >= 0)
        owner_->Columns()->SetFocusRow(row);
    owner_->Columns()->viewport()->update();
    return result;
}

bool TabularHeaderCtrl::FinishSelectRow(int row, bool shift, bool ctrl, bool rightButton) {
    const bool changed = ButtonListCtrl::FinishSelectRow(row, shift, ctrl, rightButton);
    if (changed) {
        owner_->Columns()->OnSelectionChanged();
        owner_->Columns()->viewport()->update();
    }
    owner_->Columns()->setFocus(Qt::OtherFocusReason);
    return changed;
}

void TabularHeaderCtrl::OnContextMenu(int row, int screenX, int screenY) {
    if (list_ == nullptr || row < 0 || row >= list_->Count())
        return;
    if (!IsRowSelected(row)) {
        for (int i = 0; i < list_->Count(); ++i)
            SetRowSelected(i, i == row);
        SetSelectionEnds(row, row);
        owner_->Columns()->SetFocusRow(row);
        owner_->Columns()->viewport()->update();
        update();
    }
    const TabularPopupMenu chosen = TabularPopupMenuFor(list_->Kind(), owner_->Columns()->SelectedRowCount());
    if (chosen.id == 0)
        return;
    QPointer<TabularHeaderCtrl> alive(this);
    int command = 0;
    {
        QMenu menu(this);
        for (const TabularCommandDef& item : chosen.items) {
            if (item.id == 0) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(QString::fromLatin1(item.text));
            action->setObjectName(QString::number(item.id));
            action->setData(item.id);
        }
        const QPoint at(screenX, screenY);
        if (runMenu) {
            command = runMenu(menu, at);
        } else if (QAction* picked = menu.exec(at)) {
            command = picked->data().toInt();
        }
    }
    if (!alive)
        return;
    owner_->Columns()->setFocus(Qt::OtherFocusReason);
    if (command != 0)
        RunCommand(command);
}

void TabularHeaderCtrl::RunCommand(int id) {
    if (list_ == nullptr)
        return;
    if (id == kCmdRemove) {
        RemoveSelectedRows();
        return;
    }
    if (id == kCmdManage) {
        owner_->Services().ShowManageWindow(list_);
        return;
    }
    std::vector<int> rows;
    for (int row = 0; row < list_->Count(); ++row)
        if (Selected(list_->Entry(row)))
            rows.push_back(row);
    QPointer<TabularHeaderCtrl> alive(this);
    ResultsListObj* list = list_;
    for (int row : rows) {
        if (!alive || list_ != list || row >= list->Count())
            return;
        switch (id) {
        case kCmdPlay:
            list->PlayRow(row, false);
            break;
        case kCmdLoop:
            list->PlayRow(row, true);
            break;
        case kCmdOpen:
            list->OpenRow(row);
            break;
        case kCmdFindSimilar:
            list->FindSimilar(row);
            break;
        default:
            return;
        }
    }
}

void TabularHeaderCtrl::RemoveSelectedRows() {
    // Only catalogued sounds can leave the catalog: a remote hit's id is the server's.
    if (list_ == nullptr || list_->IsWeb())
        return;
    ResultsListObj* list = list_;
    const int selected = owner_->Columns()->SelectedRowCount();
    if (selected == 0)
        return;
    QPointer<TabularResultsWnd> owner(owner_);
    const MessageAnswer answer = ShowMessageBox(
        window(), "Remove " + std::to_string(selected) + " sound(s) from MyTambrel?",
        "Confirm Remove from MyTambrel", MessageButtons::YesNo, MessageIcon::Exclamation,
        MessageAnswer::No); // Delete then Enter must not remove sounds
    if (answer != MessageAnswer::Yes || !owner || owner->List() != list)
        return;
    TabularResultsServices& services = owner->Services();
    const bool mainList = services.IsMainList(list);
    WaitCursor wait;
    // Removing a file drops every row of it, so the files are collected first and each is
    // removed once. A file is its path: two files may come with the same id (one saved as
    // the other), and each of them is removed.
    std::vector<SoundFileObj> files;
    std::set<std::string> seen;
    for (int row = list->Count() - 1; row >= 0; --row) {
        const SoundFileListEntry& entry = list->Entry(row);
        if (Selected(entry) && seen.insert(entry.file.path).second)
            files.push_back(entry.file);
    }
    bool removedAny = false;
    std::string kept;
    for (const SoundFileObj& file : files) {
        if (!services.RemoveCatalogFile(file)) {
            kept += "\n" + file.path; // the row stays: its file is still catalogued
            continue;
        }
        if (!mainList && list->RemoveRow(file, false) >= 0)
            removedAny = true;
    }
    if (owner && owner->List() == list) {
        if (!mainList && removedAny)
            list->Refresh(-1);
        services.ApplyCatalogChanges();
    }
    if (!kept.empty())
        ShowMessageBox(owner ? owner->window() : nullptr,
                       "These sounds could not be removed from MyTambrel:" + kept,
                       "Remove from MyTambrel", MessageButtons::Ok, MessageIcon::Exclamation);
}

std::unique_ptr<QMimeData> TabularHeaderCtrl::BuildRowDrag() const {
    std::vector<SoundDragRow> rows;
    if (list_ != nullptr) {
        for (int row = 0; row < list_->Count(); ++row) {
            const SoundFileListEntry& entry = list_->Entry(row);
            if (Selected(entry))
                rows.push_back({entry.file.fileId, entry.file.path, entry.variant.sampleRate,
                                entry.file.sampleRate});
        }
    }
    return SoundDragBlock::Rows(std::move(rows)).ToMimeData();
}

bool TabularHeaderCtrl::CancelPendingSelect() {
    if (!ButtonListCtrl::CancelPendingSelect())
        return false;
    if (list_ == nullptr || list_->IsWeb() || owner_->Columns()->SelectedRowCount() == 0)
        return false;
    // The drag itself starts once the pressed mouse leaves the strip.
    if (!dragArmed_) {
        dragArmed_ = true;
        qApp->installEventFilter(this);
    }
    return true;
}

void TabularHeaderCtrl::DisarmRowDrag() {
    if (!dragArmed_)
        return;
    dragArmed_ = false;
    qApp->removeEventFilter(this);
}

bool TabularHeaderCtrl::eventFilter(QObject* watched, QEvent* e) {
    if (!dragArmed_)
        return ButtonListCtrl::eventFilter(watched, e);
    if (e->type() == QEvent::MouseButtonRelease) {
        DisarmRowDrag();
    } else if (e->type() == QEvent::MouseMove) {
        auto* move = static_cast<QMouseEvent*>(e);
        if ((move->buttons() & (Qt::LeftButton | Qt::RightButton)) == 0) {
            DisarmRowDrag();
        } else if (!rect().contains(mapFromGlobal(move->globalPosition().toPoint()))) {
            DisarmRowDrag();
            RunRowDrag();
            return true;
        }
    }
    return ButtonListCtrl::eventFilter(watched, e);
}

void TabularHeaderCtrl::RunRowDrag() {
    QPointer<TabularHeaderCtrl> alive(this);
    std::unique_ptr<QMimeData> data = BuildRowDrag();
    if (runDrag) {
        runDrag(std::move(data));
    } else {
        auto* drag = new QDrag(this); // deleted by Qt when the drag ends
        drag->setMimeData(data.release());
        drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    }
    if (alive)
        owner_->Columns()->setFocus(Qt::OtherFocusReason);
}

bool TabularHeaderCtrl::ForwardMouseWheel(int, int delta, int, int) {
    QScrollBar* bar = owner_->Columns()->verticalScrollBar();
    if (delta != 0)
        bar->setValue(bar->value() + (delta < 0 ? 1 : -1));
    return true;
}

void TabularHeaderCtrl::SetRowSelected(int row, bool selected) {
    owner_->Columns()->SetRowSelected(row, selected, false);
}

void TabularHeaderCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    QFont numbers(QStringLiteral("Arial"));
    numbers.setPointSize(8);
    p.setFont(numbers);
    p.setPen(Qt::black);
    const int height = RowHeight();
    for (int row = GetTopRow(); row < GetRowCount(); ++row) {
        // Each number stands beside its row, also a row the table shows in part.
        const int y = RowTop(row);
        if (y >= this->height())
            break;
        const QRect band(0, y, kStripNumberBand, height);
        const ColorRef back =
            IsRowSelected(row) ? kSelectedBack : (row % 2 == 1 ? kOddBack : kWhite);
        p.fillRect(band, ToQColor(back));
        p.drawText(band, Qt::AlignCenter, QString::number(row + 1));
    }
}

// TabularTopLeftButton

TabularTopLeftButton::TabularTopLeftButton(TabularResultsWnd* owner, QWidget* parent)
    : IconButton(parent), owner_(owner) {
    SetIcon(324);
    setToolTip(QStringLiteral("Select all"));
    setAutoDefault(false);
    connect(this, &QAbstractButton::clicked, this, [this] { Clicked(); });
}

void TabularTopLeftButton::Clicked() {
    if (list_ != nullptr && list_->Count() > 0) {
        bool all = true;
        for (int row = 0; row < list_->Count() && all; ++row)
            all = Selected(list_->Entry(row));
        owner_->Strip()->SelectAll(!all);
    }
    if (parentWidget() != nullptr)
        parentWidget()->setFocus(Qt::OtherFocusReason);
    setDefault(false);
}

// TabularResultsWnd

TabularResultsWnd::TabularResultsWnd(QWidget* parent, TabularResultsServices* services)
    : QWidget(parent),
      services_(services != nullptr ? services : &DefaultTabularResultsServices()) {
    setFocusPolicy(Qt::NoFocus);
    columns_ = new TabularColumnsCtrl(this, this);
    strip_ = new TabularHeaderCtrl(this, this);
    corner_ = new TabularTopLeftButton(this, this);
    meter_ = new AudioProgressMeterWnd(this);
    // Tab reaches the hits alone: the select-all corner has Ctrl+A, and the meter only shows.
    corner_->setFocusPolicy(Qt::ClickFocus);
    meter_->setFocusPolicy(Qt::NoFocus);
    setFocusProxy(columns_);
    LayOut();
}

TabularResultsWnd::~TabularResultsWnd() {
    Clear();
}

void TabularResultsWnd::Attach(ResultsListObj* list, unsigned hiddenMask) {
    list_ = list;
    columns_->LoadLayout(list, hiddenMask);
    strip_->RemoveAllColumns();
    strip_->AddButtonColumns();
    strip_->Bind(list);
    corner_->Bind(list);
    LayOut();
}

void TabularResultsWnd::Detach() {
    Clear();
    columns_->SaveLayout();
    strip_->SetPlayState(-1, false, false);
    strip_->RemoveAllColumns();
    strip_->Bind(nullptr);
    corner_->Bind(nullptr);
    list_ = nullptr;
}

void TabularResultsWnd::Reattach() {
    // A Detach would write the layout and an Attach read the same one back.
    columns_->StoreLayout();
    columns_->horizontalScrollBar()->setValue(0);
}

void TabularResultsWnd::InsertRow(const SoundFileObj&, const SoundVariantObj&, int) {
    if (list_ == nullptr)
        return;
    columns_->AppendRow();
    if (strip_->GetRowCount() == 0)
        strip_->SetRowHeight(columns_->verticalHeader()->defaultSectionSize());
    strip_->AddRow(strip_->GetRowCount());
}

void TabularResultsWnd::Refresh() {
    if (list_ == nullptr)
        return;
    const int horizontal = columns_->horizontalScrollBar()->value();
    const int top = columns_->GetTopIndex();
    const int count = list_->Count();
    columns_->ResetRows(count);
    strip_->SetRowCount(count);
    columns_->horizontalScrollBar()->setValue(horizontal);
    columns_->ScrollToTopRow(top);
    SyncStrip();
    strip_->update();
}

void TabularResultsWnd::Clear() {
    columns_->ResetRows(0);
    strip_->SetPlayState(-1, false, false);
    strip_->RemoveAllRows();
    columns_->Header().SetSortMark(-1, true);
}

void TabularResultsWnd::EnsureRowVisible(int row) {
    if (row < 0 || row >= columns_->rowCount())
        return;
    columns_->EnsureVisibleAndNotify(row, false);
    SyncStrip();
}

void TabularResultsWnd::RedrawRow(int row) {
    if (row < 0 || row >= columns_->rowCount())
        return;
    for (int column = 0; column < columns_->columnCount(); ++column)
        columns_->InvalidateCell(column, row, false);
    strip_->update();
}

void TabularResultsWnd::SetRowPlayState(int row, bool playing, bool looping) {
    strip_->SetPlayState(row, playing, looping);
}

void TabularResultsWnd::ShowRowProgress(const std::string&, const std::string&, int percent) {
    meter_->SetPercent(percent);
}

void TabularResultsWnd::SyncStrip() {
    if (columns_ == nullptr || strip_ == nullptr)
        return; // still being made
    if (strip_->FollowRows(*columns_))
        strip_->update();
}

void TabularResultsWnd::resizeEvent(QResizeEvent*) {
    LayOut();
}

void TabularResultsWnd::LayOut() {
    const int w = width(), h = height();
    const int sw = strip_->GetStripWidth() > 0 ? strip_->GetStripWidth()
                                               : kStripNumberBand + 4 * kStripButtonSize;
    columns_->setGeometry(sw, 0, std::max(0, w - sw), h);
    const int headerHeight = columns_->horizontalHeader()->sizeHint().height();
    // The strip's rows start where the table's rows do: below its frame and header.
    const int rowsTop = columns_->viewport()->geometry().top();
    const int top = rowsTop > 0 ? rowsTop : headerHeight + 2;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    strip_->setGeometry(0, top, sw, std::max(0, h - top - bar));
    corner_->setGeometry(0, 0, sw, std::max(1, top - 1));
    meter_->setGeometry(0, h - bar + 1, sw, std::max(1, bar - 1));
    SyncStrip();
}

void TabularResultsWnd::paintEvent(QPaintEvent*) {
    // The gap between the corner button and the strip.
    QPainter p(this);
    p.fillRect(QRect(0, corner_->geometry().bottom() + 1, strip_->width(),
                     strip_->geometry().top() - corner_->geometry().bottom() - 1),
               Qt::white);
}
