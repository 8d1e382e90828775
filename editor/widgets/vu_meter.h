// A level meter for one channel while recording: a bar from 0 dB at the top to -90 dB at
// the bottom, lit up to the level in zone colours with the sound's signature colour in
// the middle, a green line at the recent peak, and a dB scale every 6 dB.
#pragma once

#include <cstdint>

#include "audio/engine/audio_monitor.h"
#include "editor/toolkit/graphic.h"

class CGP_VUMeter : public CGP_Graphic, public CAP_LevelMeter {
public:
    CGP_VUMeter(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height);

    // Levels are linear (full scale 1.0); raises the peak hold. The caller redraws.
    void SetLevels(double newLevel, double newRecentPeak, std::uint32_t newColour) override;
    void Redraw() override { CGP_Graphic::Redraw(); }

    // Row 0 is the top; a level below -90 dB gives the bottom row.
    static int LevelRow(float linear, int rows);

    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;

    float level = 0.0f;
    float recentPeak = 0.0f;
    float peakHold = 0.0f;    // the largest level since creation
    std::uint32_t colour = 0; // 0x00BBGGRR
};
