// Test nodes that write what they receive into a shared log, and a widget window that
// keeps the rectangles it is asked to repaint.
#pragma once

#include <string>
#include <vector>

#include "editor/toolkit/graphic.h"
#include "editor/toolkit/widget_window.h"

class RecordingNode : public CGP_Graphic {
public:
    RecordingNode(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height,
                  std::string name, std::vector<std::string>* log)
        : CGP_Graphic(parent, window, x, y, width, height), name_(std::move(name)), log_(log) {}

    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override {
        Log("down " + Point(px, py) + (ctrl ? " ctrl" : "") + (shift ? " shift" : ""));
        CGP_Graphic::OnButtonDown(px, py, button, ctrl, shift);
    }
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override {
        Log("up " + Point(px, py));
        CGP_Graphic::OnButtonUp(px, py, button, ctrl, shift);
    }
    void OnMouseEnter() override {
        Log("enter");
        CGP_Graphic::OnMouseEnter();
    }
    void OnMouseLeave() override {
        Log("leave");
        CGP_Graphic::OnMouseLeave();
    }
    void OnMouseMove(int px, int py, int outcode) override {
        Log("move " + Point(px, py) + " " + std::to_string(outcode));
        CGP_Graphic::OnMouseMove(px, py, outcode);
    }
    void OnMouseWheel(bool down) override { Log(down ? "wheel down" : "wheel up"); }
    void OnContextMenu(int px, int py) override {
        Log("menu " + Point(px, py));
        CGP_Graphic::OnContextMenu(px, py);
    }
    void OnTick() override {
        Log("tick");
        CGP_Graphic::OnTick();
    }
    void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight, int originX,
              int originY) override {
        Log("draw " + Point(clipX, clipY) + " " + Point(clipWidth, clipHeight) + " at " +
            Point(originX, originY));
        CGP_Graphic::Draw(dc, clipX, clipY, clipWidth, clipHeight, originX, originY);
    }
    void Move(int newX, int newY) override {
        Log("move to " + Point(newX, newY));
        CGP_Graphic::Move(newX, newY);
    }
    void Resize(int newWidth, int newHeight) override {
        Log("resize " + Point(newWidth, newHeight));
        CGP_Graphic::Resize(newWidth, newHeight);
    }

private:
    static std::string Point(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }
    void Log(const std::string& text) {
        if (log_ != nullptr)
            log_->push_back(name_ + " " + text);
    }

    std::string name_;
    std::vector<std::string>* log_;
};

struct InvalidRect {
    int x, y, width, height;
    bool operator==(const InvalidRect&) const = default;
};

class RecordingWindow : public CGI_Window {
public:
    RecordingWindow(int width, int height) : CGI_Window(nullptr, width, height) {}
    void Invalidate(int ix, int iy, int iwidth, int iheight) override {
        invalidated.push_back({ix, iy, iwidth, iheight});
        CGI_Window::Invalidate(ix, iy, iwidth, iheight);
    }
    std::vector<InvalidRect> invalidated;
};
