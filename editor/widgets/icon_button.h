// A button drawn from three bitmaps (normal, pressed, hover) that reports a click to its
// parent; a toggle button keeps a checked state that shows the pressed image.
#pragma once

#include "editor/toolkit/graphic.h"

class CGP_IconButton : public CGP_Graphic {
public:
    CGP_IconButton(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height,
                   int normalImage, int pressedImage, int hoverImage, bool toggle);

    // Redraws only when the state changes.
    void SetChecked(bool on);
    // The bitmap the button shows in its present state.
    int CurrentImage() const;

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override;
    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override;

    int normalImage, pressedImage, hoverImage; // bitmap resource ids
    bool toggle;
    bool checked = false;
    bool pressed = false;
};
