// The small bar that shows how far the download of a remote sound has come: on a result's
// card and in the corner window of the result table.
#pragma once

#include "editor/toolkit/graphic.h"

class AudioProgressMeterGrf : public CGP_Graphic {
public:
    // A framed meter paints a button-face panel with a raised edge behind the bar.
    AudioProgressMeterGrf(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width,
                          int height, bool framed);

    // 0..99 shows the bar; 100 (done), -1 (none) and anything else outside show none.
    void SetPercent(int newPercent);

    // Nothing is drawn outside the meter's own rectangle, however small the meter.
    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;

    int percent = -1;
    bool framed = false;
};
