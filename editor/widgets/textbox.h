// A box of text on a background: aligned, optionally wrapped at break characters, and a
// link when its hover colour differs from its text colour (hand cursor and hover colour
// over the text). A click on the text is reported to the parent.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "app/drawing.h"
#include "editor/toolkit/graphic.h"

class CGP_Textbox : public CGP_Graphic {
public:
    CGP_Textbox(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height);

    void SetText(const std::string& newText);
    // Splits the text into lines that fit the box's width, breaking after one of the
    // characters given; the box's height becomes the lines' height.
    void WrapText(const std::string& breakCharacters);
    // horizontal: 1 left, 2 centre, 3 right; vertical: 1 bottom, 2 middle, 3 top.
    void SetAlignment(int horizontal, int vertical);
    void SetColors(ColorRef textColour, ColorRef backgroundColour, ColorRef hoverColour);
    // An empty face and size 0 mean the default font.
    void SetFont(const std::string& face, int size, bool isBold, bool isItalic, bool isUnderline);

    // Measures the text rectangle with the given device (null: the screen's metrics).
    void MeasureTextRect(const QPaintDevice* device);
    bool HitOnText(int px, int py) const;
    int TextLeft() const;
    int TextTop() const;
    int LineCount() const { return static_cast<int>(lineEnds.size()); }
    QString Line(int index) const;

    void OnMouseMove(int px, int py, int outcode) override;
    void OnMouseLeave() override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override;
    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;

    QString text = QStringLiteral("Default Text");
    QString faceName;
    int fontSize = 0;
    bool bold = false, italic = false, underline = false;
    int horizontalAlignment = 1;
    int verticalAlignment = 2;
    ColorRef textColor = 0x000000, backgroundColor = 0xFFFFFF, hoverColor = 0x0000FF;
    int lineHeight;
    std::vector<int> lineEnds; // the offset just past each line
    bool hoveredText = false;
    int textWidth = 0, textHeight = 0;
    bool pressed = false;
};
