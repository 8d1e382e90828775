// A node of the program's retained-mode widget toolkit. Nodes form a tree under a widget
// window (CGI_Window, the root), which a host window (CGN_Wnd) paints and feeds with input;
// events travel down in each node's own coordinates and reports travel up with Notify.
#pragma once

#include <memory>
#include <vector>

class QPainter;
class CGI_Window;

class CGP_Graphic {
public:
    // Appends the node to the parent's child list when a parent is given.
    CGP_Graphic(CGP_Graphic* parent, CGI_Window* window, int x, int y, int width, int height);
    // Releases the mouse capture if this node holds it and leaves the parent's list. The
    // children are not deleted (DeleteChildren does that): they are orphaned.
    virtual ~CGP_Graphic();
    CGP_Graphic(const CGP_Graphic&) = delete;
    CGP_Graphic& operator=(const CGP_Graphic&) = delete;

    virtual void OnTick();
    // Passes the report up unchanged; false at the root.
    virtual bool Notify(int event, CGP_Graphic* sender);
    virtual void LocalToWindow(int& px, int& py);
    virtual void WindowToLocal(int& px, int& py);
    // The part of the node inside every ancestor, in the node's coordinates.
    virtual void GetVisibleRect(int& rx, int& ry, int& rwidth, int& rheight);
    virtual void Redraw();
    // Marks the node's whole visible part for repainting.
    virtual void Invalidate(int ix, int iy, int iwidth, int iheight);
    virtual void OnContextMenu(int px, int py);
    // Button 0 is the left button, the only one the host sends.
    virtual void OnButtonDown(int px, int py, int button, bool ctrl, bool shift);
    virtual void OnMouseEnter();
    virtual void OnMouseLeave();
    // outcode: where the point lies against the receiver's parent (HitOutcode); 0 inside.
    virtual void OnMouseMove(int px, int py, int outcode);
    virtual void OnButtonUp(int px, int py, int button, bool ctrl, bool shift);
    virtual void OnMouseWheel(bool down);
    // Pixel (u, v) of the node goes to (originX + u, originY + v) of the painter; the clip
    // is in the node's coordinates. The base draws the children.
    virtual void Draw(QPainter& dc, int clipX, int clipY, int clipWidth, int clipHeight,
                      int originX, int originY);
    virtual void Move(int newX, int newY);
    // Sets the size and lays the children out by their anchors.
    virtual void Resize(int newWidth, int newHeight);

    void SetAnchors(bool left, bool top, bool right, bool bottom);
    // Turning on also marks every ancestor up to the first that is already marked.
    void SetWantsTicks(bool on);
    bool Contains(int px, int py) const;
    // 0 inside; 1 left, 2 above, 3 right, 4 below; 5 above-left, 6 below-left,
    // 7 above-right, 8 below-right.
    int HitOutcode(int px, int py) const;
    CGP_Graphic* FindChild(int childId) const;
    // The deepest node under the point (the last matching child wins); null outside.
    CGP_Graphic* FindDeepestChildAt(int px, int py);
    // Deletes every descendant. Nodes of a tree are therefore allocated with new.
    void DeleteChildren();

    CGP_Graphic* parent = nullptr;
    CGI_Window* window = nullptr; // null in the root itself
    bool anchorLeft = true, anchorTop = true, anchorRight = false, anchorBottom = false;
    int x = 0, y = 0;
    int width = 0, height = 0;
    bool hover = false;
    bool wantsTicks = false;
    int id = 0;
    // Creation order: the drawing order (later on top) and the order of event delivery.
    std::vector<CGP_Graphic*> children;

protected:
    // Calls visit on each child of the moment, skipping those a handler has deleted or
    // moved away meanwhile, and stops when this node itself is deleted.
    template <class Visit>
    void ForEachChild(Visit visit);
    bool HasChild(const CGP_Graphic* child) const;

private:
    // Expires with the node, so a walk can tell that a handler deleted its parent.
    std::shared_ptr<char> alive_ = std::make_shared<char>(0);
};

template <class Visit>
void CGP_Graphic::ForEachChild(Visit visit) {
    const std::vector<CGP_Graphic*> list = children;
    const std::weak_ptr<char> self = alive_;
    for (CGP_Graphic* child : list) {
        if (self.expired())
            return;
        if (HasChild(child))
            visit(child);
    }
}
