// The still picture of a sound's waveform summary: one vertical line per column from each
// point's minimum to its maximum, in the point's signature colour, with three dots after
// the end when the sound goes on beyond the summary.
#pragma once

#include <vector>

#include "collection/analysis/waveform_summary.h"
#include "editor/toolkit/graphic.h"

class CGP_StaticWaveform : public CGP_Graphic {
public:
    CGP_StaticWaveform(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width,
                       int height);

    // Copies count points; null points clear the summary.
    void SetPoints(int count, const WaveformPoint* points, bool continues);
    void SetPixelsPerPoint(int pixels);
    void SetXOffset(int pixels);
    void SetColored(bool on);

    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;

    int pointCount = 0;
    int pixelsPerPoint = 1;
    bool continues = false;
    std::vector<WaveformPoint> points;
    int xOffset = 0; // the column of the first point
    bool colored = true;
};
