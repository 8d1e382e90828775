#include "app/tip_anchor.h"

#include <QWidget>

#include "app/tip_wnd.h"

TipAnchor::TipAnchor(QWidget& window, TipWnd& tip, Rules rules)
    : window_(window), tip_(tip), rules_(rules) {}

void TipAnchor::Follow(QEvent::Type change) {
    if (change != QEvent::Move && change != QEvent::Resize && change != QEvent::WindowStateChange)
        return;
    if (window_.isMinimized()) {
        tip_.DestroyPopup();
        if (alsoFollow)
            alsoFollow(false);
        return;
    }
    if (change == QEvent::WindowStateChange ? !rules_.restoreShows
                                            : rules_.onlyWhileUp && tip_.Window() == nullptr)
        return;
    if (rules_.skipHidden && !window_.isVisible())
        return;
    if (rules_.ignoreTipsSwitch)
        tip_.Show();
    else
        tip_.Reshow();
    if (alsoFollow)
        alsoFollow(true);
}
