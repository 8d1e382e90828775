// The graphics of the stacked result cards: the scrolling root of the window and one card.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/drawing.h"
#include "editor/toolkit/widget_window.h"

class AudioProgressMeterGrf;
class CGP_IconButton;
class CGP_StaticWaveform;
class CGP_Textbox;
class ResultsListObj;
class SoundFileObj;
class SoundVariantObj;
class StackedResultsWnd;

// Element ids of a card's children (the title shares the Open button's id).
enum StackedCardElement {
    kCardNumber = 0,
    kCardPlay = 1,
    kCardLoop = 2,
    kCardOpen = 3,
    kCardFindSimilar = 4,
    kCardLink = 6,
    kCardWaveform = 7,
    kCardMeter = 10,
};

// Button images (normal, pressed, hover) of the four card buttons.
inline constexpr int kPlayImages[3] = {198, 199, 200};
inline constexpr int kLoopImages[3] = {283, 284, 285};
inline constexpr int kOpenImages[3] = {256, 254, 255};
inline constexpr int kFindSimilarImages[3] = {259, 257, 258};

// One text line of a card as it will be laid out.
struct StackedCardText {
    int id = 0;
    std::string text;
    bool bold = false, italic = false, underline = false;
    ColorRef textColor = 0x000000;
    ColorRef hoverColor = 0x000000; // differs from the text colour for a link
    int boxHeight = 0;
    std::string breaks; // empty: one line
};

// The text lines of a card in order: title, description, summary, category, genre, key and
// tempo, source, copyright, notes, link. Hidden-column mask bit 3 leaves the pitch out of the
// title.
std::vector<StackedCardText> StackedCardTexts(const SoundFileObj& file,
                                              const SoundVariantObj& variant, unsigned mask,
                                              int lineHeight);
// Counts the lines a card's text box wraps into, exactly as a box without a window wraps
// them, but remembering the width of every piece of text it has measured: the paths and
// words of a large list repeat a lot.
class StackedCardWrapCounter {
public:
    StackedCardWrapCounter();
    ~StackedCardWrapCounter();
    StackedCardWrapCounter(const StackedCardWrapCounter&) = delete;
    StackedCardWrapCounter& operator=(const StackedCardWrapCounter&) = delete;

    // At least 1; a line without break characters is 1.
    int Lines(const StackedCardText& line, int width);

private:
    struct Style;
    Style& StyleOf(const StackedCardText& line);
    std::vector<std::unique_ptr<Style>> styles_; // by bold + 2 italic + 4 underline
};

// The title line's text: the path, with the pitch unless mask bit 3 is set.
std::string StackedCardTitle(const SoundFileObj& file, const SoundVariantObj& variant,
                             unsigned mask);

class StackedResultsWindowGrf : public CGI_Window {
public:
    StackedResultsWindowGrf(StackedResultsWnd* host, int width, int height);

    void OnMouseWheel(bool down) override;
    void Resize(int newWidth, int newHeight) override;
    void SetScrollPosition(int horizontal, int vertical) override;

    StackedResultsWnd* owner;
};

class StackedResultsRowGrf : public CGP_Graphic {
public:
    static constexpr int kTopAreaY = 25; // the number and the buttons
    static constexpr int kTextX = 50;
    static constexpr int kTextWidth = 470;
    static constexpr int kTitleY = 58;
    static constexpr int kWaveformX = 158;
    static constexpr int kWaveformY = 8;
    static constexpr int kWaveformWidth = 212;
    static constexpr int kWaveformHeight = 50;

    // Builds the card at y in the parent (which may be null: a card laid out alone, to be
    // attached later). The list's kind decides the download meter; a null list is local.
    StackedResultsRowGrf(CGP_Graphic* parent, CGI_Window* window, int y, const SoundFileObj& file,
                         const SoundVariantObj& variant, int rowIndex, int score, unsigned mask,
                         ResultsListObj* list);
    // The elements go with the card.
    ~StackedResultsRowGrf() override;

    // Only a click (event 1) is handled: it acts on the row through the list.
    bool Notify(int event, CGP_Graphic* sender) override;

    void SetPlayState(bool playing, bool looping);
    // -1 or 100 hide the meter, 0..99 show it; nothing without a meter.
    void SetMeterPercent(int percent);
    // The title turns the visited colour once the row was played or opened.
    void SetPlayed(bool played);

    // The element nodes (null when the card has none).
    CGP_Textbox* NumberBox() const { return number_; }
    CGP_Textbox* ScoreBox() const { return score_; }
    CGP_IconButton* PlayButton() const { return play_; }
    CGP_IconButton* LoopButton() const { return loop_; }
    CGP_IconButton* OpenButton() const { return open_; }
    CGP_IconButton* FindSimilarButton() const { return findSimilar_; }
    CGP_StaticWaveform* Waveform() const { return waveform_; }
    AudioProgressMeterGrf* Meter() const { return meter_; }
    // The text lines in order, title first.
    const std::vector<CGP_Textbox*>& TextLines() const { return lines_; }

    ResultsListObj* list;
    int rowIndex;
    std::string path; // the row's path (a remote row's URL)

private:
    CGP_Textbox* number_ = nullptr;
    CGP_Textbox* score_ = nullptr;
    CGP_IconButton* play_ = nullptr;
    CGP_IconButton* loop_ = nullptr;
    CGP_IconButton* open_ = nullptr;
    CGP_IconButton* findSimilar_ = nullptr;
    CGP_StaticWaveform* waveform_ = nullptr;
    AudioProgressMeterGrf* meter_ = nullptr;
    std::vector<CGP_Textbox*> lines_;
};

// Gives a card built without a window its parent and window (every node below it too).
void AttachCard(StackedResultsRowGrf* card, CGP_Graphic* parent, CGI_Window* window);
