#include "editor/toolkit/graphic.h"

#include <algorithm>

#include "editor/toolkit/widget_window.h"

CGP_Graphic::CGP_Graphic(CGP_Graphic* parentNode, CGI_Window* ownerWindow, int px, int py, int w,
                         int h)
    : parent(parentNode), window(ownerWindow), x(px), y(py), width(w), height(h) {
    if (parent != nullptr)
        parent->children.push_back(this);
}

CGP_Graphic::~CGP_Graphic() {
    if (window != nullptr && window->captureNode == this)
        window->SetCapture(nullptr);
    if (parent != nullptr) {
        auto& list = parent->children;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    for (CGP_Graphic* child : children) {
        child->parent = nullptr;
        child->window = nullptr;
    }
    children.clear();
}

void CGP_Graphic::OnTick() {
    // A child's tick may add or remove nodes.
    ForEachChild([](CGP_Graphic* child) {
        if (child->wantsTicks)
            child->OnTick();
    });
}

bool CGP_Graphic::Notify(int event, CGP_Graphic* sender) {
    return parent != nullptr ? parent->Notify(event, sender) : false;
}

void CGP_Graphic::LocalToWindow(int& px, int& py) {
    for (CGP_Graphic* node = this; node != nullptr; node = node->parent) {
        px += node->x;
        py += node->y;
    }
}

void CGP_Graphic::WindowToLocal(int& px, int& py) {
    for (CGP_Graphic* node = this; node != nullptr; node = node->parent) {
        px -= node->x;
        py -= node->y;
    }
}

void CGP_Graphic::GetVisibleRect(int& rx, int& ry, int& rwidth, int& rheight) {
    if (parent == nullptr) {
        rx = 0;
        ry = 0;
        rwidth = width;
        rheight = height;
        return;
    }
    int px, py, pw, ph;
    parent->GetVisibleRect(px, py, pw, ph);
    const int left = std::max(px - x, 0), top = std::max(py - y, 0);
    const int right = std::min(px - x + pw - 1, width - 1);
    const int bottom = std::min(py - y + ph - 1, height - 1);
    rx = left;
    ry = top;
    rwidth = std::max(right - left + 1, 0);
    rheight = std::max(bottom - top + 1, 0);
}

void CGP_Graphic::Redraw() {
    Invalidate(0, 0, width, height);
}

void CGP_Graphic::Invalidate(int, int, int, int) {
    if (window == nullptr)
        return;
    int vx, vy, vw, vh;
    GetVisibleRect(vx, vy, vw, vh);
    if (vw <= 0 || vh <= 0)
        return;
    LocalToWindow(vx, vy);
    window->Invalidate(vx, vy, vw, vh);
}

void CGP_Graphic::OnContextMenu(int px, int py) {
    ForEachChild([&](CGP_Graphic* child) {
        if (child->Contains(px - child->x, py - child->y))
            child->OnContextMenu(px - child->x, py - child->y);
    });
}

void CGP_Graphic::OnButtonDown(int px, int py, int button, bool ctrl, bool shift) {
    ForEachChild([&](CGP_Graphic* child) {
        if (child->Contains(px - child->x, py - child->y))
            child->OnButtonDown(px - child->x, py - child->y, button, ctrl, shift);
    });
}

void CGP_Graphic::OnButtonUp(int px, int py, int button, bool ctrl, bool shift) {
    ForEachChild([&](CGP_Graphic* child) {
        if (child->Contains(px - child->x, py - child->y))
            child->OnButtonUp(px - child->x, py - child->y, button, ctrl, shift);
    });
}

void CGP_Graphic::OnMouseEnter() {
    hover = true;
}

void CGP_Graphic::OnMouseLeave() {
    hover = false;
    ForEachChild([](CGP_Graphic* child) {
        if (child->hover)
            child->OnMouseLeave();
    });
}

void CGP_Graphic::OnMouseMove(int px, int py, int outcode) {
    const std::weak_ptr<char> self = alive_;
    ForEachChild([&](CGP_Graphic* child) {
        if (child->hover && !child->Contains(px - child->x, py - child->y))
            child->OnMouseLeave();
    });
    if (self.expired())
        return;
    ForEachChild([&](CGP_Graphic* child) {
        const int cx = px - child->x, cy = py - child->y;
        if (!child->Contains(cx, cy))
            return;
        if (!child->hover) {
            child->OnMouseEnter();
            // Entering may rebuild the tree.
            if (self.expired() || !HasChild(child))
                return;
        }
        child->OnMouseMove(cx, cy, outcode);
    });
}

void CGP_Graphic::OnMouseWheel(bool) {}

void CGP_Graphic::Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                       int originX, int originY) {
    for (CGP_Graphic* child : children) {
        const int left = std::max(clipX - child->x, 0);
        const int right = std::min(clipX + clipWidth - child->x - 1, child->width - 1);
        const int top = std::max(clipY - child->y, 0);
        const int bottom = std::min(clipY + clipHeight - child->y - 1, child->height - 1);
        if (right >= left && bottom >= top)
            child->Draw(dc, left, top, right - left + 1, bottom - top + 1, originX + child->x,
                        originY + child->y);
    }
}

void CGP_Graphic::Move(int newX, int newY) {
    // The place the node leaves must be repainted too, or its old pixels stay behind.
    Redraw();
    x = newX;
    y = newY;
    Redraw();
}

void CGP_Graphic::Resize(int newWidth, int newHeight) {
    const int dw = newWidth - width, dh = newHeight - height;
    width = newWidth;
    height = newHeight;
    ForEachChild([&](CGP_Graphic* child) {
        int cx = child->x, cy = child->y, cw = child->width, ch = child->height;
        if (child->anchorRight && !child->anchorLeft)
            cx += dw;
        else if (child->anchorRight && child->anchorLeft)
            cw += dw;
        if (child->anchorBottom && !child->anchorTop)
            cy += dh;
        else if (child->anchorBottom && child->anchorTop)
            ch += dh;
        if (cx != child->x || cy != child->y)
            child->Move(cx, cy);
        if (cw != child->width || ch != child->height)
            child->Resize(cw, ch);
    });
}

void CGP_Graphic::SetAnchors(bool left, bool top, bool right, bool bottom) {
    anchorLeft = left;
    anchorTop = top;
    anchorRight = right;
    anchorBottom = bottom;
}

void CGP_Graphic::SetWantsTicks(bool on) {
    wantsTicks = on;
    if (!on)
        return;
    for (CGP_Graphic* node = parent; node != nullptr && !node->wantsTicks; node = node->parent)
        node->wantsTicks = true;
}

bool CGP_Graphic::Contains(int px, int py) const {
    return px >= 0 && px < width && py >= 0 && py < height;
}

int CGP_Graphic::HitOutcode(int px, int py) const {
    const int column = px < 0 ? -1 : (px >= width ? 1 : 0);
    const int row = py < 0 ? -1 : (py >= height ? 1 : 0);
    // Indexed [row + 1][column + 1].
    static constexpr int kCodes[3][3] = {{5, 2, 7}, {1, 0, 3}, {6, 4, 8}};
    return kCodes[row + 1][column + 1];
}

bool CGP_Graphic::HasChild(const CGP_Graphic* child) const {
    return std::find(children.begin(), children.end(), child) != children.end();
}

CGP_Graphic* CGP_Graphic::FindChild(int childId) const {
    for (CGP_Graphic* child : children)
        if (child->id == childId)
            return child;
    return nullptr;
}

CGP_Graphic* CGP_Graphic::FindDeepestChildAt(int px, int py) {
    if (!Contains(px, py))
        return nullptr;
    CGP_Graphic* found = this;
    for (CGP_Graphic* child : children)
        if (CGP_Graphic* hit = child->FindDeepestChildAt(px - child->x, py - child->y))
            found = hit;
    return found;
}

void CGP_Graphic::DeleteChildren() {
    // A deleted node only orphans its own children, so the subtree goes first: otherwise
    // every grandchild (the widgets of a result card, say) would be lost.
    while (!children.empty()) {
        CGP_Graphic* child = children.back();
        child->DeleteChildren();
        delete child; // removes itself from this list
    }
}
