#include "windows/search/search_pages_view.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/settings.h"
#include "windows/results_list.h"

namespace {

ResultsListServices* listServices = nullptr;

enum Column { kScore, kName, kDescription, kCategory, kDuration, kRate, kColumnCount };
const char* const kHeaders[kColumnCount] = {"Score",    "File Name",  "Description",
                                            "Category", "Duration",   "Sample Rate"};

QString FileName(const std::string& path) {
    const QString p = QString::fromStdString(path);
    return p.mid(p.lastIndexOf('/') + 1);
}

} // namespace

HitTableModel::HitTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void HitTableModel::SetList(ResultsListObj* list) {
    beginResetModel();
    list_ = list;
    shown_ = 0;
    endResetModel();
}

void HitTableModel::AppendShown() {
    if (list_ == nullptr || shown_ >= list_->Count())
        return;
    beginInsertRows({}, shown_, shown_);
    ++shown_;
    endInsertRows();
}

void HitTableModel::Reset() {
    beginResetModel();
    shown_ = list_ != nullptr ? list_->Count() : 0;
    endResetModel();
}

int HitTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int HitTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant HitTableModel::data(const QModelIndex& index, int role) const {
    if (list_ == nullptr || !index.isValid() || index.row() >= shown_ ||
        index.row() >= list_->Count())
        return {};
    const SoundFileListEntry& e = list_->Entry(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() == kScore || index.column() >= kDuration
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case kScore:
        return e.score;
    case kName:
        return FileName(e.file.path);
    case kDescription:
        return QString::fromStdString(e.file.description);
    case kCategory:
        return QString::fromStdString(e.file.category);
    case kDuration:
        return QString::number(e.variant.duration / 1000.0, 'f', 2);
    case kRate:
        return e.variant.sampleRate;
    default:
        return {};
    }
}

QVariant HitTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= kColumnCount)
        return {};
    return QString::fromUtf8(kHeaders[section]);
}

HitTablePage::HitTablePage(QWidget* parent, QWidget* frame)
    : QTableView(parent), model_(new HitTableModel(this)), frame_(frame) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->resizeSection(kName, 160);
    horizontalHeader()->resizeSection(kDescription, 200);
}

void HitTablePage::InsertRow(const SoundFileObj&, const SoundVariantObj&, bool show) {
    if (show)
        model_->AppendShown();
}
void HitTablePage::Refresh() {
    model_->Reset();
}
void HitTablePage::Clear() {
    model_->Reset();
}
void HitTablePage::EnsureRowVisible(int row) {
    scrollTo(model_->index(row, 0));
}
void HitTablePage::RedrawRow(int row) {
    emit model_->dataChanged(model_->index(row, 0), model_->index(row, kColumnCount - 1));
}
void HitTablePage::SetRowPlayState(int, bool, bool) {}
void HitTablePage::ShowRowProgress(const std::string&, const std::string&, int) {}

SearchPagesView::SearchPagesView(QWidget* parent, QWidget* frame)
    : QWidget(parent), frame_(frame) {
    setObjectName("SearchPagesView");
    tabs_ = new QTabWidget(this);
    tabs_->setTabPosition(QTabWidget::South);
    tableBox_ = new QCheckBox("Show hits in a table", this);
    tableBox_->setObjectName("search_1317");
    localPage_ = new HitTablePage(this, frame);
    webPage_ = new HitTablePage(this, frame);
    localPage_->hide();
    webPage_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 2);
    layout->setSpacing(3);
    layout->addWidget(tabs_, 1);
    layout->addWidget(tableBox_);
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { ShowCurrentPage(); });
}

SearchPagesView::~SearchPagesView() {
    localStatus_.DestroyPopup();
    webStatus_.DestroyPopup();
}

void SearchPagesView::SetListServices(ResultsListServices* services) {
    listServices = services;
}

std::unique_ptr<ResultsListLink> SearchPagesView::MakeList(int kind) {
    HitTablePage* page = kind == ResultsListObj::kWebTambrel ? webPage_ : localPage_;
    auto list = std::make_unique<ResultsListObj>(page, kind, listServices);
    page->SetList(list.get());
    return list;
}

void SearchPagesView::BindLists(ResultsListLink*, ResultsListLink*, bool similar) {
    similar_ = similar;
    tableBox_->setChecked(GetSettingInt("SearchTabular") != 0);
}

void SearchPagesView::PreparePages(bool local, bool web, bool) {
    const int current = GetCurrentPage();
    SetStatus(kLocalPage, {}, nullptr);
    SetStatus(kWebPage, {}, nullptr);
    const bool keepWeb = current == kWebPage && web;
    const QSignalBlocker blocker(tabs_);
    while (tabs_->count() > 0)
        tabs_->removeTab(0);
    localShown_ = local;
    webShown_ = web;
    if (local)
        tabs_->addTab(localPage_, "MyTambrel");
    if (web)
        tabs_->addTab(webPage_, "WebTambrel");
    tabs_->setCurrentIndex(keepWeb || !local ? tabs_->count() - 1 : 0);
    ShowCurrentPage();
}

int SearchPagesView::GetCurrentPage() const {
    QWidget* w = tabs_->currentWidget();
    if (w == nullptr)
        return 0;
    return w == localPage_ ? kLocalPage : kWebPage;
}

void SearchPagesView::SetStatus(int page, const std::string& text, TipClickListener* listener) {
    TipWnd& box = StatusBox(page);
    if (text.empty()) {
        box.Clear();
        box.DestroyPopup();
        return;
    }
    box.SetText(text, frame_, this, listener);
    if (page != GetCurrentPage())
        box.DestroyPopup();
}

void SearchPagesView::SetPageCaption(int page, const std::string& caption) {
    const int tab = PageTab(page);
    if (tab >= 0)
        tabs_->setTabText(tab, QString::fromStdString(caption));
}

std::string SearchPagesView::PageCaption(int page) const {
    const int tab = PageTab(page);
    return tab >= 0 ? tabs_->tabText(tab).toStdString() : std::string();
}

int SearchPagesView::PageTab(int page) const {
    return tabs_->indexOf(page == kWebPage ? static_cast<QWidget*>(webPage_) : localPage_);
}

void SearchPagesView::ShowStatusBoxes(bool show) {
    if (!show) {
        localStatus_.DestroyPopup();
        webStatus_.DestroyPopup();
        return;
    }
    const int current = GetCurrentPage();
    if (current != 0)
        StatusBox(current).Reshow();
}

void SearchPagesView::ShowCurrentPage() {
    const int current = GetCurrentPage();
    if (current != kLocalPage)
        localStatus_.DestroyPopup();
    if (current != kWebPage)
        webStatus_.DestroyPopup();
    if (current != 0)
        StatusBox(current).Reshow();
}

void SearchPagesView::SaveSettings() {
    WriteProfileInt("SearchTabular", tableBox_->isChecked() ? 1 : 0);
}
