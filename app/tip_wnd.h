#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

struct TipEntry {
    int iconId = 0;   // 0: no icon
    int stringId = 0; // 0: the tip's own text
    int width = 0;    // measured when shown
    int height = 0;
};

class TipClickListener {
public:
    virtual ~TipClickListener() = default;
    virtual void TipClicked() = 0;
};

extern const TipEntry kStartTips[3];
extern const TipEntry kResultRowTips[4];

class TipPopup;

// A yellow popup placed over the centre of its anchor window that explains it, or says
// the program is busy. A left click tells the listener and then empties the tip and
// destroys its window: busy loops watch HasContent() to stop.
class TipWnd {
public:
    TipWnd() = default;
    ~TipWnd();
    TipWnd(const TipWnd&) = delete;
    TipWnd& operator=(const TipWnd&) = delete;

    void SetText(const std::string& text, QWidget* owner, QWidget* anchor,
                 TipClickListener* listener);
    void SetEntries(const TipEntry* table, int count, QWidget* owner, QWidget* anchor,
                    TipClickListener* listener);
    void Clear();
    // Content that is news rather than a tip (a failure, the only way to stop some work) shows
    // even while tips are turned off, until it is cleared.
    void SetAlwaysShown(bool on);
    // Destroys the window, keeping the content, and shows it again when tips are on.
    void Reshow();
    // Creates the window, sizes it to its entries and centres it over the anchor.
    void Show();
    // Destroys the window and keeps the content (a minimised owner, tips turned off).
    void DestroyPopup();
    // The window's own destruction: empties the content like Clear, then destroys it.
    void DestroyWindow();

    bool HasContent() const { return hasContent_; }
    const std::string& Text() const { return text_; }
    const std::vector<TipEntry>& Entries() const { return entries_; }
    QWidget* Window() const; // null while no window exists
    QPoint Position() const { return QPoint(x_, y_); }

    // The tip font: 9-point "Arial", normal weight.
    static QFont TipFont();
    // Whether tips are shown at all (the controller's ShowTips); on when none is set.
    static void SetShowTipsSource(std::function<bool()> source);
    static bool ShowTips();

private:
    friend class TipPopup;
    void Clicked();
    std::string EntryText(const TipEntry& entry) const;
    // Keeps the owner, anchor and listener of content just set, and shows it when tips are on.
    void TakeContent(QWidget* owner, QWidget* anchor, TipClickListener* listener);

    std::string text_;
    std::vector<TipEntry> entries_;
    TipClickListener* listener_ = nullptr;
    bool hasContent_ = false;
    bool alwaysShown_ = false;
    int x_ = 0, y_ = 0;
    QPointer<QWidget> owner_;
    QPointer<QWidget> anchor_;
    QPointer<TipPopup> window_;
};
