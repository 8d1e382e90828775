#include "windows/results/result_cards.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cstdint>

#include "app/drawing.h"
#include "collection/sound_file.h"
#include "windows/results/results_list.h"
#include "windows/results/result_card_painting.h"

namespace {

constexpr std::size_t kHeightCacheLimit = 200000;
constexpr int kMaxToolTipLength = 80;

// A card's height follows from its texts, and they from these fields: equal fingerprints,
// equal heights. Hashing the fields is far cheaper than building the texts.
std::uint64_t HeightFingerprint(const SoundFileListEntry& entry, unsigned mask) {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            h ^= bytes[i];
            h *= 1099511628211ull;
        }
        // A separator, so that moving bytes between fields changes the result.
        h ^= 0xff;
        h *= 1099511628211ull;
    };
    auto text = [&mix](const std::string& t) { mix(t.data(), t.size()); };
    auto number = [&mix](int v) { mix(&v, sizeof v); };
    const SoundFileObj& f = entry.file;
    const SoundVariantObj& v = entry.variant;
    for (const std::string* t : {&f.path, &f.description, &f.category, &f.subcategory, &f.genre,
                                 &f.source, &f.copyright, &f.notes, &f.link})
        text(*t);
    for (int n : {f.sampleRate, f.size, f.channels, f.compression, f.soundClass, f.key, f.bpm,
                  f.loop, v.sampleRate, v.duration, v.key, v.bpm, static_cast<int>(mask & 8u)})
        number(n);
    return h;
}

} // namespace

StackedResultsWnd::StackedResultsWnd(QWidget* parent)
    : CGN_Wnd(parent), wrapCounter_(std::make_unique<StackedCardWrapCounter>()) {
    setFocusPolicy(Qt::StrongFocus);
    const QSize size = viewport()->size();
    windowGrf_ = new StackedResultsWindowGrf(this, std::max(size.width(), 0),
                                             std::max(size.height(), 0));
    content_ = new CGP_Graphic(windowGrf_, windowGrf_, 0, 0, kCardWidth, 0);
    content_->SetAnchors(true, true, true, false);
    UpdateScrollBars();
}

StackedResultsWnd::~StackedResultsWnd() {
    for (auto& [row, card] : cards_)
        dropped_.push_back(card);
    cards_.clear();
    cardEventDepth_ = 0;
    for (StackedResultsRowGrf* card : dropped_) {
        if (card->parent != nullptr) {
            auto& list = card->parent->children;
            list.erase(std::remove(list.begin(), list.end(), card), list.end());
            card->parent = nullptr;
        }
    }
    FreeDroppedCards();
    windowGrf_->owner = nullptr;
    windowGrf_->DeleteChildren();
    delete windowGrf_; // unbinds itself from this host
    windowGrf_ = nullptr;
    content_ = nullptr;
}

int StackedResultsWnd::LineHeight() {
    static const int height = [] {
        int w = 0, h = 0;
        MeasureText(nullptr, 0, QStringLiteral("0"), QString(), false, false, false, 0, w, h);
        return h + 2;
    }();
    return height;
}

void StackedResultsWnd::Attach(ResultsListObj* list, unsigned hiddenColumnMask) {
    list_ = list;
    mask_ = hiddenColumnMask;
}

void StackedResultsWnd::Detach() {
    list_ = nullptr;
    Clear();
}

int StackedResultsWnd::RowHeight(int row) const {
    return heights_.at(row);
}

int StackedResultsWnd::ContentHeight() const {
    return content_ != nullptr ? content_->height : 0;
}

int StackedResultsWnd::VerticalPosition() const {
    return windowGrf_ != nullptr ? windowGrf_->verticalPosition : 0;
}

StackedResultsRowGrf* StackedResultsWnd::CardForRow(int row) const {
    auto it = cards_.find(row);
    return it != cards_.end() ? it->second : nullptr;
}

std::vector<StackedResultsRowGrf*> StackedResultsWnd::Cards() const {
    std::vector<StackedResultsRowGrf*> cards;
    for (const auto& [row, card] : cards_)
        cards.push_back(card);
    return cards;
}

int StackedResultsWnd::MeasureRow(int row) {
    const SoundFileListEntry& entry = list_->Entry(row);
    const std::uint64_t key = HeightFingerprint(entry, mask_);
    auto it = heightCache_.find(key);
    if (it != heightCache_.end())
        return it->second;
    // Laid out as a card lays its boxes out.
    int y = StackedResultsRowGrf::kTitleY;
    for (const StackedCardText& line :
         StackedCardTexts(entry.file, entry.variant, mask_, LineHeight()))
        y += wrapCounter_->Lines(line, StackedResultsRowGrf::kTextWidth) * line.boxHeight;
    const int height = y + 8;
    if (heightCache_.size() >= kHeightCacheLimit)
        heightCache_.clear();
    heightCache_.emplace(key, height);
    return height;
}

StackedResultsRowGrf* StackedResultsWnd::MakeCard(int row) {
    const SoundFileListEntry& entry = list_->Entry(row);
    // Built alone and then hung in: its boxes wrap exactly as MeasureRow measured them.
    auto* card = new StackedResultsRowGrf(nullptr, nullptr, tops_[row], entry.file, entry.variant,
                                          row, entry.score, mask_, list_);
    // The content draws its cards in row order.
    auto& children = content_->children;
    auto place = std::find_if(children.begin(), children.end(), [row](CGP_Graphic* node) {
        auto* other = static_cast<StackedResultsRowGrf*>(node);
        return other->rowIndex > row;
    });
    const std::size_t index = static_cast<std::size_t>(place - children.begin());
    AttachCard(card, content_, windowGrf_);
    std::rotate(children.begin() + static_cast<std::ptrdiff_t>(index), children.end() - 1,
                children.end());
    const unsigned char marks = playMarks_[row];
    card->SetPlayState((marks & 3u) != 0, (marks & 2u) != 0);
    card->SetMeterPercent(meterPercent_[row]);
    return card;
}

void StackedResultsWnd::SyncCards() {
    if (content_ == nullptr || windowGrf_ == nullptr)
        return;
    const int count = RowCount();
    int first = 0, last = -1;
    if (list_ != nullptr && count > 0 && count <= list_->Count() && windowGrf_->height > 0) {
        const int top = windowGrf_->verticalPosition;
        const int bottom = top + windowGrf_->height; // exclusive
        // The last row whose top is at or above the window's top.
        first = static_cast<int>(std::upper_bound(tops_.begin(), tops_.end(), top) -
                                 tops_.begin()) - 1;
        first = std::max(first, 0);
        last = static_cast<int>(std::lower_bound(tops_.begin(), tops_.end(), bottom) -
                                tops_.begin()) - 1;
    }
    bool dropped = false;
    for (auto it = cards_.begin(); it != cards_.end();) {
        if (it->first < first || it->first > last) {
            StackedResultsRowGrf* card = it->second;
            auto& children = content_->children;
            children.erase(std::remove(children.begin(), children.end(), card), children.end());
            card->parent = nullptr;
            dropped_.push_back(card);
            it = cards_.erase(it);
            dropped = true;
        } else {
            ++it;
        }
    }
    for (int row = first; row <= last; ++row)
        if (cards_.find(row) == cards_.end())
            cards_[row] = MakeCard(row);
    if (dropped && cardEventDepth_ == 0)
        FreeDroppedCards();
}

void StackedResultsWnd::DropCards() {
    for (auto& [row, card] : cards_) {
        auto& children = content_->children;
        children.erase(std::remove(children.begin(), children.end(), card), children.end());
        card->parent = nullptr;
        dropped_.push_back(card);
    }
    cards_.clear();
    if (cardEventDepth_ == 0)
        FreeDroppedCards();
}

void StackedResultsWnd::FreeDroppedCards() {
    std::vector<StackedResultsRowGrf*> cards;
    cards.swap(dropped_);
    for (StackedResultsRowGrf* card : cards) {
        card->window = nullptr; // no repaint requests from a card that is gone
        delete card;
    }
}

void StackedResultsWnd::EndCardEvent() {
    if (cardEventDepth_ > 0)
        --cardEventDepth_;
    if (cardEventDepth_ > 0 || dropped_.empty() || freeQueued_)
        return;
    // Still inside the card's own event routing: free on the next turn of the event loop.
    freeQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        freeQueued_ = false;
        if (cardEventDepth_ == 0)
            FreeDroppedCards();
    });
}

void StackedResultsWnd::InsertRow(const SoundFileObj&, const SoundVariantObj&, int) {
    // The list already holds the row; its card is laid out from there (with any rows the
    // list took in without showing them).
    if (list_ == nullptr || RowCount() >= list_->Count())
        return;
    if (layoutPending_ || !isVisible()) {
        layoutPending_ = true;
        return;
    }
    GrowRowStates();
    const int first = RowCount();
    while (RowCount() < list_->Count()) {
        const int row = RowCount();
        const int top = ContentHeight();
        tops_.push_back(top);
        heights_.push_back(MeasureRow(row));
        content_->height = top + heights_.back();
    }
    SyncCards();
    for (int row = first; row < RowCount(); ++row)
        if (StackedResultsRowGrf* card = CardForRow(row))
            card->Redraw();
    UpdateScrollBars();
}

void StackedResultsWnd::GrowRowStates() {
    const std::size_t count = list_ != nullptr ? static_cast<std::size_t>(list_->Count()) : 0;
    if (playMarks_.size() < count)
        playMarks_.resize(count, 0);
    if (meterPercent_.size() < count)
        meterPercent_.resize(count, -1);
}

void StackedResultsWnd::Layout() {
    layoutPending_ = false;
    const int count = list_ != nullptr ? list_->Count() : 0;
    tops_.resize(count);
    heights_.resize(count);
    GrowRowStates();
    int y = 0;
    for (int row = 0; row < count; ++row) {
        tops_[row] = y;
        heights_[row] = MeasureRow(row);
        y += heights_[row];
    }
    content_->height = y;
    SyncCards();
    content_->Redraw();
    UpdateScrollBars();
}

void StackedResultsWnd::Refresh() {
    Clear();
    if (list_ == nullptr)
        return;
    // A hidden presentation lays its cards out once it is shown.
    if (!isVisible()) {
        layoutPending_ = true;
        return;
    }
    Layout();
}

void StackedResultsWnd::Clear() {
    DropCards();
    layoutPending_ = false;
    tops_.clear();
    heights_.clear();
    playMarks_.clear();
    meterPercent_.clear();
    content_->Move(0, 0);
    content_->height = 0;
    windowGrf_->CGI_Window::SetScrollPosition(0, 0);
    UpdateScrollBars();
    viewport()->update();
}

void StackedResultsWnd::showEvent(QShowEvent* event) {
    CGN_Wnd::showEvent(event);
    if (layoutPending_ && list_ != nullptr)
        Layout();
}

void StackedResultsWnd::EnsureRowVisible(int) {}

void StackedResultsWnd::RedrawRow(int row) {
    StackedResultsRowGrf* card = CardForRow(row);
    if (card == nullptr)
        return;
    if (list_ != nullptr && row < list_->Count())
        card->SetPlayed(list_->RowPlayed(row));
    card->Redraw();
}

void StackedResultsWnd::SetRowPlayState(int row, bool playing, bool looping) {
    if (list_ == nullptr || row < 0 || row >= list_->Count())
        return;
    GrowRowStates();
    playMarks_[row] = playing ? (looping ? 2 : 1) : 0;
    if (StackedResultsRowGrf* card = CardForRow(row))
        card->SetPlayState(playing, looping);
}

void StackedResultsWnd::ShowRowProgress(const std::string&, const std::string& url,
                                        int percent) {
    if (list_ == nullptr || !list_->IsWeb())
        return;
    GrowRowStates();
    for (int row = 0; row < list_->Count(); ++row) {
        int shown = -1;
        if (list_->Entry(row).file.path == url)
            shown = percent < 100 ? percent : -1;
        meterPercent_[row] = shown;
        if (StackedResultsRowGrf* card = CardForRow(row))
            card->SetMeterPercent(shown);
    }
}

void StackedResultsWnd::ScrollTo(int horizontal, int vertical) {
    if (content_ == nullptr)
        return;
    if (content_->x != -horizontal || content_->y != -vertical)
        content_->Move(-horizontal, -vertical);
    SyncCards();
}

void StackedResultsWnd::UpdateScrollBars() {
    if (windowGrf_ == nullptr)
        return;
    windowGrf_->SetHorizontalScroll(windowGrf_->horizontalPosition, kCardWidth, windowGrf_->width,
                                    kScrollLine);
    windowGrf_->SetVerticalScroll(windowGrf_->verticalPosition, ContentHeight(),
                                  windowGrf_->height, kScrollLine);
}

void StackedResultsWnd::WheelTurn(bool down) {
    const int count = RowCount();
    if (count == 0)
        return;
    const int top = windowGrf_->verticalPosition;
    // The first card whose top is at or below the window's top.
    const int first =
        static_cast<int>(std::lower_bound(tops_.begin(), tops_.end(), top) - tops_.begin());
    int target;
    if (down)
        target = (first < count && tops_[first] == top) ? first + 1 : first;
    else
        target = std::max(first - 1, 0);
    const int wanted = target < count ? tops_[target] : ContentHeight();
    const int limit = std::max(ContentHeight() - windowGrf_->height, 0);
    windowGrf_->SetScrollPosition(windowGrf_->horizontalPosition, std::clamp(wanted, 0, limit));
    UpdateScrollBars();
}

std::string StackedResultsWnd::ToolTipAt(int x, int y, QRect* rect) {
    if (windowGrf_ == nullptr)
        return {};
    CGP_Graphic* node = windowGrf_->FindDeepestChildAt(x, y);
    if (node == nullptr || node->id == 0)
        return {};
    std::string text;
    switch (node->id) {
    case kCardPlay:
        text = "Play";
        break;
    case kCardOpen:
        text = list_ != nullptr && list_->IsWeb() ? "Open/Save" : "Open";
        break;
    case kCardFindSimilar:
        text = "Find similar sounds";
        break;
    case kCardLink:
        text = "Open in Browser";
        break;
    case kCardWaveform:
        text = "Halvorine Waveform Display";
        break;
    default:
        break;
    }
    if (text.size() > kMaxToolTipLength)
        text.resize(kMaxToolTipLength);
    if (rect != nullptr) {
        int left = 0, top = 0;
        node->LocalToWindow(left, top);
        *rect = QRect(left, top, node->width, node->height);
    }
    return text;
}

bool StackedResultsWnd::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QRect rect;
        const std::string text = ToolTipAt(help->pos().x(), help->pos().y(), &rect);
        if (text.empty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), QString::fromStdString(text), viewport(), rect);
        }
        return true;
    }
    return CGN_Wnd::viewportEvent(event);
}

void StackedResultsWnd::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key != Qt::Key_PageUp && key != Qt::Key_PageDown) || windowGrf_ == nullptr) {
        CGN_Wnd::keyPressEvent(event);
        return;
    }
    const int page = windowGrf_->verticalPage;
    const int limit = std::max(windowGrf_->verticalTotal - page, 0);
    const int moved = windowGrf_->verticalPosition + (key == Qt::Key_PageUp ? -page : page);
    windowGrf_->SetScrollPosition(windowGrf_->horizontalPosition, std::clamp(moved, 0, limit));
    UpdateScrollBars();
    event->accept();
}

void StackedResultsWnd::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    CGN_Wnd::mousePressEvent(event);
}

void StackedResultsWnd::PaintFocus(QPainter& painter) {
    // The cards have no focused element: their whole area is framed, so that a user who
    // tabbed here sees where Page Up and Page Down go.
    painter.setPen(QPen(palette().color(QPalette::Text), 0, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
}
