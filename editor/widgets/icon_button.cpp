#include "editor/widgets/icon_button.h"

#include "app/drawing.h"
#include "editor/toolkit/widget_window.h"

namespace {
constexpr int kClickEvent = 1;
constexpr int kHandCursor = 2;
} // namespace

CGP_IconButton::CGP_IconButton(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px, int py,
                               int w, int h, int normal, int pressedImg, int hoverImg,
                               bool isToggle)
    : CGP_Graphic(parentNode, ownerWindow, px, py, w, h), normalImage(normal),
      pressedImage(pressedImg), hoverImage(hoverImg), toggle(isToggle) {}

void CGP_IconButton::SetChecked(bool on) {
    if (checked == on)
        return;
    checked = on;
    Redraw();
}

int CGP_IconButton::CurrentImage() const {
    if ((toggle && checked) || (pressed && hover))
        return pressedImage;
    if (hover && !pressed)
        return hoverImage;
    return normalImage;
}

void CGP_IconButton::OnMouseEnter() {
    CGP_Graphic::OnMouseEnter();
    if (window != nullptr)
        window->SetCursorKind(kHandCursor);
    Redraw();
}

void CGP_IconButton::OnMouseLeave() {
    CGP_Graphic::OnMouseLeave();
    if (window != nullptr)
        window->SetCursorKind(0);
    pressed = false; // a press the mouse took away is no click
    Redraw();
}

void CGP_IconButton::OnButtonDown(int px, int py, int button, bool ctrl, bool shift) {
    CGP_Graphic::OnButtonDown(px, py, button, ctrl, shift);
    if (!hover)
        return;
    pressed = true;
    Redraw();
}

void CGP_IconButton::OnButtonUp(int px, int py, int button, bool ctrl, bool shift) {
    CGP_Graphic::OnButtonUp(px, py, button, ctrl, shift);
    if (!pressed)
        return;
    pressed = false;
    if (toggle)
        checked = !checked;
    Redraw();
    if (hover)
        Notify(kClickEvent, this);
}

void CGP_IconButton::Draw(QPainter& dc, int, int, int, int, int originX, int originY) {
    DrawBitmapResource(dc, originX, originY, CurrentImage());
}
