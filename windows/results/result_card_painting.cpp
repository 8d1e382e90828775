#include "windows/results/result_card_painting.h"

#include <algorithm>
#include <cstdio>

#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPointer>

#include "app/app_util.h"
#include "audio/general_helpers.h"
#include "collection/analysis/waveform_summary.h"
#include "collection/sound_file.h"
#include "editor/widgets/icon_button.h"
#include "editor/widgets/static_waveform.h"
#include "editor/widgets/textbox.h"
#include "windows/results/progress_meter_painting.h"
#include "windows/results/results_list.h"
#include "windows/results/result_cards.h"

namespace {

constexpr int kClickEvent = 1;
constexpr ColorRef kBlack = MakeColorRef(0, 0, 0);
constexpr ColorRef kWhite = MakeColorRef(255, 255, 255);
constexpr ColorRef kLinkBlue = MakeColorRef(0, 0, 255);
constexpr ColorRef kLinkHover = MakeColorRef(255, 128, 0);
// A played row's title, as a visited link.
constexpr ColorRef kVisited = MakeColorRef(128, 0, 128);
constexpr int kButtonSize = 24;
constexpr int kMeterGap = 15;
constexpr int kMeterY = 23;
constexpr int kMeterWidth = 100;
constexpr int kMeterHeight = 20;
constexpr int kLongSoundMs = 10000;
constexpr int kBottomMargin = 8;

std::string Printf(const char* pattern, const std::string& text, int value) {
    const int size = std::snprintf(nullptr, 0, pattern, text.c_str(), value);
    std::string out(static_cast<std::size_t>(std::max(size, 0)) + 1, '\0');
    std::snprintf(out.data(), out.size(), pattern, text.c_str(), value);
    out.resize(static_cast<std::size_t>(std::max(size, 0)));
    return out;
}

StackedCardText PlainLine(const std::string& text, int lineHeight, const char* breaks) {
    StackedCardText line;
    line.text = text;
    line.boxHeight = lineHeight;
    line.breaks = breaks;
    return line;
}

CGP_Textbox* MakeBox(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height,
                     const std::string& text) {
    auto* box = new CGP_Textbox(parent, window, x, y, width, height);
    box->SetText(text);
    box->SetFont("", 0, false, false, false);
    box->SetColors(kBlack, kWhite, kBlack);
    return box;
}

void SetWindowBelow(CGP_Graphic* node, CGI_Window* window) {
    node->window = window;
    for (CGP_Graphic* child : node->children)
        SetWindowBelow(child, window);
}

// A card's waveform never changes once built: it is drawn once into a picture of its own
// and painted from there.
class CardWaveform : public CGP_StaticWaveform {
public:
    using CGP_StaticWaveform::CGP_StaticWaveform;

    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override {
        if (picture_.isNull() && width > 0 && height > 0) {
            picture_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
            picture_.fill(Qt::transparent);
            QPainter painter(&picture_);
            CGP_StaticWaveform::Draw(painter, 0, 0, width, height, 0, 0);
        }
        if (picture_.isNull())
            return;
        const QRect source(clipX, clipY, clipWidth, clipHeight);
        dc.drawImage(QRect(originX + clipX, originY + clipY, clipWidth, clipHeight), picture_,
                     source);
    }

private:
    QImage picture_;
};

StackedResultsWnd* OwnerOf(CGI_Window* window) {
    auto* root = dynamic_cast<StackedResultsWindowGrf*>(window);
    return root != nullptr ? root->owner : nullptr;
}

} // namespace

std::string StackedCardTitle(const SoundFileObj& file, const SoundVariantObj& variant,
                             unsigned mask) {
    std::string title;
    if ((mask & 8u) != 0) {
        title = file.path;
    } else {
        const double ratio = file.sampleRate > 0
                                 ? static_cast<double>(variant.sampleRate) / file.sampleRate
                                 : 1.0;
        const int semitones = RatioToHalftones(ratio);
        if (semitones > 0)
            title = Printf("%s (+%d semitones)", file.path, semitones);
        else if (semitones < 0)
            title = Printf("%s (%d semitones)", file.path, semitones);
        else
            title = file.path + " (Normal)";
    }
    AppUtil::DecodePercentEscapes(title);
    return title;
}

std::vector<StackedCardText> StackedCardTexts(const SoundFileObj& file,
                                              const SoundVariantObj& variant, unsigned mask,
                                              int lineHeight) {
    std::vector<StackedCardText> lines;

    StackedCardText title;
    title.id = kCardOpen;
    title.text = StackedCardTitle(file, variant, mask);
    title.bold = true;
    title.underline = true;
    title.textColor = kLinkBlue;
    title.hoverColor = kLinkHover;
    title.boxHeight = lineHeight + 3;
    title.breaks = "/\\ ";
    lines.push_back(title);

    if (!file.description.empty()) {
        StackedCardText description = PlainLine(file.description, lineHeight + 3, " ");
        description.bold = true;
        lines.push_back(description);
    }

    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.2f seconds", variant.duration / 1000.0);
    lines.push_back(PlainLine(file.FieldText(kFieldSize) + ", " + file.FieldText(kFieldChannels) +
                                  ", " + file.FieldText(kFieldCompression) + ", " +
                                  variant.FieldText(2) + ", " + seconds,
                              lineHeight, ""));

    const std::string cls = file.FieldText(kFieldClass);
    if (cls != "Other" || !file.category.empty()) {
        std::string text = cls;
        if (!file.category.empty())
            text += " > " + file.category;
        if (!file.subcategory.empty())
            text += " > " + file.subcategory;
        lines.push_back(PlainLine(text, lineHeight, " "));
    }

    // Our text drawing shows an ampersand as it is; it needs no doubling to stay visible.
    auto labelled = [&](const char* label, const std::string& value) {
        if (!value.empty())
            lines.push_back(PlainLine(label + value, lineHeight, " "));
    };
    labelled("Genre: ", file.genre);

    const bool hasKey = file.key >= 1 && file.key <= 12;
    if (hasKey || file.bpm > 0 || file.loop == 1) {
        std::string text;
        if (variant.key >= 1 && variant.key <= 12)
            text += "Key: " + variant.FieldText(1) + "     ";
        if (variant.bpm > 0)
            text += "Tempo: " + variant.FieldText(3) + "     ";
        if (file.loop == 1)
            text += file.FieldText(kFieldLoop);
        lines.push_back(PlainLine(text, lineHeight, ""));
    }

    labelled("Source: ", file.source);
    labelled("Copyright: ", file.copyright);
    labelled("Notes: ", file.notes);

    if (!file.link.empty()) {
        StackedCardText link = PlainLine(file.link, lineHeight, "/");
        link.id = kCardLink;
        link.italic = true;
        link.underline = true;
        link.textColor = kLinkBlue;
        link.hoverColor = kLinkHover;
        lines.push_back(link);
    }
    return lines;
}

// --- Wrapping without boxes

struct StackedCardWrapCounter::Style {
    explicit Style(const QFont& font) : metrics(font) {}
    QFontMetrics metrics;
    QHash<QString, int> widths;
};

StackedCardWrapCounter::StackedCardWrapCounter() : styles_(8) {}
StackedCardWrapCounter::~StackedCardWrapCounter() = default;

StackedCardWrapCounter::Style& StackedCardWrapCounter::StyleOf(const StackedCardText& line) {
    const int index = (line.bold ? 1 : 0) + (line.italic ? 2 : 0) + (line.underline ? 4 : 0);
    if (!styles_[index])
        styles_[index] = std::make_unique<Style>(
            CreateFontFromSpec(QString(), 0, line.bold, line.italic, line.underline, 0).font);
    return *styles_[index];
}

int StackedCardWrapCounter::Lines(const StackedCardText& line, int width) {
    if (line.breaks.empty())
        return 1;
    const QString text = QString::fromStdString(line.text);
    const QString breaks = QString::fromStdString(line.breaks);
    const int length = static_cast<int>(text.size());
    if (length == 0 || width <= 0)
        return 1;
    Style& style = StyleOf(line);
    // The pieces the fitting measures: each ends just after a break character.
    std::vector<int> ends, widths;
    for (int start = 0; start < length;) {
        int end = start;
        while (end < length && !breaks.contains(text[end]))
            ++end;
        if (end < length)
            ++end;
        const QString piece = text.mid(start, end - start);
        auto found = style.widths.constFind(piece);
        int pieceWidth;
        if (found != style.widths.constEnd()) {
            pieceWidth = found.value();
        } else {
            pieceWidth = style.metrics.horizontalAdvance(piece);
            if (style.widths.size() < 100000)
                style.widths.insert(piece, pieceWidth);
        }
        ends.push_back(end);
        widths.push_back(pieceWidth);
        start = end;
    }
    // Each line takes the pieces whose running width stays below the box's; a line where
    // not even the first fits takes all the rest.
    int lines = 0, offset = 0;
    std::size_t next = 0;
    while (offset < length) {
        int sum = 0, fitted = 0;
        std::size_t j = next;
        for (; j < ends.size(); ++j) {
            sum += widths[j];
            if (sum >= width)
                break;
            fitted = ends[j] - offset;
        }
        if (fitted == 0) {
            offset = length;
        } else {
            offset += fitted;
            next = j;
        }
        ++lines;
    }
    return std::max(lines, 1);
}

// --- The window graphic

StackedResultsWindowGrf::StackedResultsWindowGrf(StackedResultsWnd* hostWindow, int w, int h)
    : CGI_Window(hostWindow, w, h), owner(hostWindow) {}

void StackedResultsWindowGrf::OnMouseWheel(bool down) {
    if (owner != nullptr)
        owner->WheelTurn(down);
}

void StackedResultsWindowGrf::Resize(int newWidth, int newHeight) {
    CGI_Window::Resize(newWidth, newHeight);
    if (owner == nullptr)
        return;
    const int contentHeight = owner->ContentHeight();
    const int h = std::clamp(horizontalPosition, 0,
                             std::max(StackedResultsWnd::kCardWidth - width, 0));
    const int v = std::clamp(verticalPosition, 0, std::max(contentHeight - height, 0));
    SetScrollPosition(h, v);
    owner->UpdateScrollBars();
}

void StackedResultsWindowGrf::SetScrollPosition(int horizontal, int vertical) {
    CGI_Window::SetScrollPosition(horizontal, vertical);
    if (owner != nullptr)
        owner->ScrollTo(horizontal, vertical);
}

// --- One card

StackedResultsRowGrf::StackedResultsRowGrf(CGP_Graphic* parentNode, CGI_Window* ownerWindow,
                                           int py, const SoundFileObj& file,
                                           const SoundVariantObj& variant, int row, int score,
                                           unsigned mask, ResultsListObj* rowList)
    : CGP_Graphic(parentNode, ownerWindow, 0, py, StackedResultsWnd::kCardWidth, 0),
      list(rowList), rowIndex(row), path(file.path) {
    const int lineHeight = StackedResultsWnd::LineHeight();
    CGI_Window* w = ownerWindow;

    number_ = MakeBox(this, w, 0, kTopAreaY, 50, lineHeight, std::to_string(row + 1) + ".");
    number_->SetAlignment(2, 2);
    number_->id = kCardNumber;

    auto button = [&](int x, const int* images, bool toggle, int elementId) {
        auto* b = new CGP_IconButton(this, w, x, kTopAreaY, kButtonSize, kButtonSize, images[0],
                                     images[1], images[2], toggle);
        b->id = elementId;
        return b;
    };
    play_ = button(50, kPlayImages, true, kCardPlay);
    loop_ = button(74, kLoopImages, true, kCardLoop);
    open_ = button(98, kOpenImages, false, kCardOpen);
    findSimilar_ = button(122, kFindSimilarImages, false, kCardFindSimilar);

    const int pointCount =
        std::min(variant.DataLength() / static_cast<int>(sizeof(WaveformPoint)),
                 kMaxWaveformPoints);
    waveform_ = new CardWaveform(this, w, kWaveformX, kWaveformY, kWaveformWidth,
                                       kWaveformHeight);
    waveform_->id = kCardWaveform;
    waveform_->SetPixelsPerPoint(2);
    waveform_->SetPoints(pointCount,
                         pointCount > 0
                             ? reinterpret_cast<const WaveformPoint*>(variant.data.data())
                             : nullptr,
                         variant.duration > kLongSoundMs);

    if (list != nullptr && list->IsWeb()) {
        meter_ = new AudioProgressMeterGrf(this, w, kWaveformX + 2 * pointCount + kMeterGap,
                                           kMeterY, kMeterWidth, kMeterHeight, false);
        meter_->id = kCardMeter;
    }

    if ((mask & 1u) == 0) {
        score_ = MakeBox(this, w, 0, lineHeight + kTopAreaY, 50, lineHeight,
                         "(" + std::to_string(score) + "%)");
        score_->SetAlignment(2, 2);
        score_->id = kCardNumber;
    }

    int y = kTitleY;
    for (const StackedCardText& text : StackedCardTexts(file, variant, mask, lineHeight)) {
        CGP_Textbox* box = MakeBox(this, w, kTextX, y, kTextWidth, text.boxHeight, text.text);
        box->id = text.id;
        box->SetFont("", 0, text.bold, text.italic, text.underline);
        box->SetColors(text.textColor, kWhite, text.hoverColor);
        if (!text.breaks.empty())
            box->WrapText(text.breaks);
        // Measured now, so that a link takes clicks before it was first painted.
        box->MeasureTextRect(nullptr);
        y += box->height;
        lines_.push_back(box);
    }
    height = y + kBottomMargin;

    if (list != nullptr && row >= 0 && row < list->Count())
        SetPlayed(list->RowPlayed(row));
}

StackedResultsRowGrf::~StackedResultsRowGrf() {
    DeleteChildren();
}

bool StackedResultsRowGrf::Notify(int event, CGP_Graphic* sender) {
    if (event != kClickEvent || sender == nullptr)
        return true;
    ResultsListObj* rows = list;
    const int row = rowIndex;
    const int elementId = sender->id;
    if (rows == nullptr || row < 0 || row >= rows->Count())
        return true;
    // The list may rebuild the cards while it acts: this card stays alive until the click
    // is over, but nothing of it is used afterwards.
    const QPointer<StackedResultsWnd> owner = OwnerOf(window);
    if (owner != nullptr)
        owner->BeginCardEvent();
    switch (elementId) {
    case kCardPlay:
        rows->PlayRow(row, false);
        break;
    case kCardLoop:
        rows->PlayRow(row, true);
        break;
    case kCardOpen:
        rows->OpenRow(row);
        break;
    case kCardFindSimilar:
        rows->FindSimilar(row);
        break;
    case kCardLink:
        rows->OpenLink(row);
        break;
    default:
        break;
    }
    if (owner != nullptr)
        owner->EndCardEvent();
    return true;
}

void StackedResultsRowGrf::SetPlayState(bool playing, bool looping) {
    play_->SetChecked(playing && !looping);
    loop_->SetChecked(playing && looping);
}

void StackedResultsRowGrf::SetMeterPercent(int percent) {
    if (meter_ != nullptr && meter_->percent != percent)
        meter_->SetPercent(percent);
}

void StackedResultsRowGrf::SetPlayed(bool played) {
    if (lines_.empty())
        return;
    CGP_Textbox* title = lines_.front();
    const ColorRef color = played ? kVisited : kLinkBlue;
    if (title->textColor != color)
        title->SetColors(color, kWhite, kLinkHover);
}

void AttachCard(StackedResultsRowGrf* card, CGP_Graphic* parent, CGI_Window* window) {
    SetWindowBelow(card, window);
    card->parent = parent;
    if (parent != nullptr)
        parent->children.push_back(card);
}
