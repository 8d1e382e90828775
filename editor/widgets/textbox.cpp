#include "editor/widgets/textbox.h"

#include <QPainter>
#include <algorithm>

#include "editor/toolkit/widget_window.h"

namespace {
constexpr int kClickEvent = 1;
constexpr int kHandCursor = 2;
} // namespace

CGP_Textbox::CGP_Textbox(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px, int py, int w,
                         int h)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h),
      lineHeight(h), lineEnds{static_cast<int>(text.size())} {}

void CGP_Textbox::SetText(const std::string& newText) {
    text = QString::fromStdString(newText);
    lineEnds.assign(1, static_cast<int>(text.size()));
    Redraw();
}

void CGP_Textbox::WrapText(const std::string& breakCharacters) {
    const QString breaks = QString::fromStdString(breakCharacters);
    QPaintDevice* device = window != nullptr ? window->GetDC() : nullptr;
    const int length = static_cast<int>(text.size());
    lineEnds.clear();
    int offset = 0;
    while (offset < length) {
        int taken = FitTextWidth(device, fontSize, text.mid(offset), faceName, bold, italic,
                                 underline, width, breaks);
        if (taken <= 0)
            taken = length - offset;
        offset += taken;
        lineEnds.push_back(offset);
    }
    if (window != nullptr)
        window->ReleaseDC(device);
    if (lineEnds.empty())
        lineEnds.push_back(0); // an empty text is one empty line
    height = LineCount() * lineHeight;
    Redraw();
}

void CGP_Textbox::SetAlignment(int horizontal, int vertical) {
    horizontalAlignment = horizontal;
    verticalAlignment = vertical;
    Redraw();
}

void CGP_Textbox::SetColors(ColorRef textColour, ColorRef backgroundColour, ColorRef hoverColour) {
    textColor = textColour;
    backgroundColor = backgroundColour;
    hoverColor = hoverColour;
    Redraw();
}

void CGP_Textbox::SetFont(const std::string& face, int size, bool isBold, bool isItalic,
                          bool isUnderline) {
    faceName = QString::fromStdString(face);
    fontSize = size;
    bold = isBold;
    italic = isItalic;
    underline = isUnderline;
    Redraw();
}

QString CGP_Textbox::Line(int index) const {
    const int start = index == 0 ? 0 : lineEnds[index - 1];
    return text.mid(start, lineEnds[index] - start);
}

void CGP_Textbox::MeasureTextRect(const QPaintDevice* device) {
    int widest = 0, lastHeight = 0;
    for (int i = 0; i < LineCount(); ++i) {
        int lineWidth = 0;
        MeasureText(device, fontSize, Line(i), faceName, bold, italic, underline, 0, lineWidth,
                    lastHeight);
        widest = std::max(widest, lineWidth);
    }
    textWidth = widest;
    textHeight = (LineCount() - 1) * lineHeight + lastHeight;
}

int CGP_Textbox::TextLeft() const {
    if (horizontalAlignment == 2)
        return (width - textWidth) / 2;
    if (horizontalAlignment == 3)
        return width - textWidth;
    return 0;
}

int CGP_Textbox::TextTop() const {
    if (verticalAlignment == 1)
        return height - textHeight;
    if (verticalAlignment == 2)
        return (height - textHeight) / 2;
    return 0;
}

bool CGP_Textbox::HitOnText(int px, int py) const {
    const int left = TextLeft(), top = TextTop();
    return hover && px >= left && px < left + textWidth && py >= top && py < top + textHeight;
}

void CGP_Textbox::OnMouseMove(int px, int py, int outcode) {
    CGP_Graphic::OnMouseMove(px, py, outcode);
    const bool hit = HitOnText(px, py);
    const bool link = textColor != hoverColor;
    if (link && hit != hoveredText) {
        if (window != nullptr)
            window->SetCursorKind(hit ? kHandCursor : 0);
        hoveredText = hit;
        Redraw();
    }
    hoveredText = hit;
}

void CGP_Textbox::OnMouseLeave() {
    CGP_Graphic::OnMouseLeave();
    hoveredText = false;
    if (window != nullptr)
        window->SetCursorKind(0);
    Redraw();
}

void CGP_Textbox::OnButtonDown(int px, int py, int, bool, bool) {
    pressed = HitOnText(px, py);
}

void CGP_Textbox::OnButtonUp(int px, int py, int button, bool ctrl, bool shift) {
    CGP_Graphic::OnButtonUp(px, py, button, ctrl, shift);
    const bool click = HitOnText(px, py) && pressed;
    pressed = false;
    if (click)
        Notify(kClickEvent, this); // last: the receiver may delete the box
}

void CGP_Textbox::Draw(QPainter& dc, int, int, int, int, int originX, int originY) {
    FillRectColor(dc, originX, originY, width, height, backgroundColor);
    MeasureTextRect(dc.device());
    const int left = originX + TextLeft(), top = originY + TextTop();
    const ColorRef color = hoveredText ? hoverColor : textColor;
    for (int i = 0; i < LineCount(); ++i)
        DrawTextLabel(dc, left, top + i * lineHeight, fontSize, color, Line(i), 1, 3, faceName,
                      bold, italic, underline, 0);
}
