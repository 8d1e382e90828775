#pragma once

class QScrollBar;

// Has the bar drawn by the application's style a piece at a time along its length. The raster
// engine hands any fill or line of about a hundred scan lines or pixels to its thread pool and
// waits for it; a long bar's groove and edges cost many hand-overs each, more than the drawing
// itself. Pieces short enough to stay on the painting thread give the same pixels. Under a
// style other than Fusion the bar is left as it is.
void DrawScrollBarInPieces(QScrollBar* bar);
