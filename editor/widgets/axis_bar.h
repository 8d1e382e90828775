// Axis bars of the waveform display: a horizontal time axis with ticks and labels along its
// top edge, or a vertical amplitude axis with ticks and labels against its right edge.
// Steps may be chosen automatically so that labels never crowd; a draggable bar, wider
// than its parent, slides under it.
#pragma once

#include <string>

#include "app/drawing.h"
#include "editor/toolkit/graphic.h"

class CGP_AxisBar : public CGP_Graphic {
public:
    CGP_AxisBar(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height,
                bool horizontal);

    void SetColors(ColorRef labelColour, ColorRef backgroundColour);
    // format 0: a number with the decimals; 1: a time.
    void SetLabelFormat(int format, int labelDecimals);
    void SetRange(double start, double end, double offset);
    void SetTicks(double major, double minor, bool automatic);
    void SetDraggable(bool on);

    double XToValue(int px) const;
    double YToValue(int py) const;
    int ValueToX(double value) const;
    int ValueToY(double value) const;
    std::string FormatLabel(double value) const;
    // Measures the digits and, with automatic steps, chooses the steps and decimals.
    void Layout(const QPaintDevice* device);
    // The smallest step of 1, 2 or 5 times a power of ten that leaves room for the longer
    // label of the range's ends with a quarter to spare; repeated while the decimals grow.
    void ChooseSteps();

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;
    void OnMouseMove(int px, int py, int outcode) override;
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override;
    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;
    void Resize(int newWidth, int newHeight) override;

    int labelFormat = 0;
    double minorStep = 1.0;
    double majorStep = 1.0;
    double tickOffset = 0.0; // ticks lie at k x step + offset
    double rangeStart = 0.0; // at the left or bottom edge
    double rangeEnd = 10.0;  // at the right or top edge
    ColorRef labelColor = 0x000000;
    ColorRef backgroundColor = 0xFFFFFF;
    int decimals = 0;
    bool automaticSteps = false;
    bool draggable = false;
    bool horizontal;
    bool layoutDirty = true;
    int digitHeight = 0, digitWidth = 0;
    // Point size of the labels; 0 the default font. A vertical axis too narrow for its
    // labels in the default font draws them smaller.
    int labelPointSize = 0;
    int dragAnchor = 0;
    bool dragging = false;

    // The width of a label in pixels, in the labels' font.
    int LabelWidth(const QPaintDevice* device, const std::string& label) const;

private:
    void MarkDirty();
    void FitVerticalLabels(const QPaintDevice* device);
    void DrawHorizontal(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                        int originX, int originY);
    void DrawVertical(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                      int originX, int originY);
};

// The time axis below the multi-track display: its menu switches between times and seconds.
class CGP_MultiTrackDisplayAxis : public CGP_AxisBar {
public:
    using CGP_AxisBar::CGP_AxisBar;
    void OnContextMenu(int px, int py) override;
};

// The amplitude axis beside a track: its menu switches between sample values and percent.
class CGP_TrackDisplayAxis : public CGP_AxisBar {
public:
    using CGP_AxisBar::CGP_AxisBar;
    void OnContextMenu(int px, int py) override;
};
