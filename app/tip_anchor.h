#pragma once

#include <QEvent>
#include <functional>

class QWidget;
class TipWnd;

// Keeps a window's tip over its anchor while the window moves, is resized, is minimised and
// comes back: a minimised window hides its tip (keeping the content), otherwise the tip is
// placed again over its anchor. The window passes on each change from its own move, resize
// and state handlers, after laying out its children, so the anchor is where it now lies.
class TipAnchor {
public:
    struct Rules {
        // A move or resize places the tip only while its popup is up.
        bool onlyWhileUp = false;
        // Coming back from minimised brings the tip back.
        bool restoreShows = true;
        // Placing the tip keeps it up even while tips are turned off (a tip shown once stays
        // until its window hides it).
        bool ignoreTipsSwitch = false;
        // A window not shown leaves its tip alone.
        bool skipHidden = false;
    };

    TipAnchor(QWidget& window, TipWnd& tip, Rules rules);
    TipAnchor(const TipAnchor&) = delete;
    TipAnchor& operator=(const TipAnchor&) = delete;

    // The window moved (QEvent::Move), was resized (QEvent::Resize) or changed its state
    // (QEvent::WindowStateChange); other changes leave the tip alone.
    void Follow(QEvent::Type change);

    // Other popups of the window that follow its tip: told after the tip whether they show
    // (false: the window is minimised).
    std::function<void(bool shown)> alsoFollow;

private:
    QWidget& window_;
    TipWnd& tip_;
    Rules rules_;
};
