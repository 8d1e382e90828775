// Top-level windows are placed by their frame, title bar included, so that under a window
// manager every window can be moved and closed with the mouse.
#pragma once

#include <QRect>

class QWidget;

// Puts the window's frame at frame.topLeft() with (about) frame.size(), kept inside the work
// area. Before the window manager has framed the window its margins are estimated; the
// window is corrected once it shows (see KeepFrameInWorkArea).
void PlaceFrame(QWidget& window, const QRect& frame, const QRect& workArea);

// Once the window manager has framed the window after it first shows (on a busy machine that
// can take seconds): where its real frame reaches outside the screen's work area, the window
// is moved (and if need be shrunk) back inside. Later moves by the user are left alone.
void KeepFrameInWorkArea(QWidget& window);

// The frame rectangle moved and shrunk to lie inside the work area.
QRect FitFrameInWorkArea(const QRect& frame, const QRect& workArea);
