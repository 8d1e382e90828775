// The root of a widget tree, bound to one host window: it routes the host's input down
// the tree (to the node holding the mouse capture alone, when one does) and carries the
// tree's requests to the host: repainting, cursor, tick timer, scroll bars, popup menus.
#pragma once

#include <string>
#include <vector>

#include "editor/toolkit/graphic.h"

class CGN_Wnd;
class QPaintDevice;

class CGI_Window : public CGP_Graphic {
public:
    // Binds itself to the host (the host's root pointer); position 0, 0.
    CGI_Window(CGN_Wnd* hostWindow, int width, int height);
    // Releases the capture and clears the host's root pointer.
    ~CGI_Window() override;

    // The rectangle, in window coordinates, clipped to the window, repainted on the host
    // without erasing.
    void Invalidate(int ix, int iy, int iwidth, int iheight) override;
    void OnContextMenu(int px, int py) override;
    void OnButtonDown(int px, int py, int button, bool ctrl, bool shift) override;
    void OnMouseMove(int px, int py, int outcode) override;
    void OnButtonUp(int px, int py, int button, bool ctrl, bool shift) override;
    // Stores the two positions; windows with scrolled content move it here.
    virtual void SetScrollPosition(int horizontalPosition, int verticalPosition);

    // Giving a node the capture while none holds it takes the keyboard focus for the host.
    void SetCapture(CGP_Graphic* node);
    // 0 class default, 1 wait, 2 hand, 3 west-east sizing, 4 north-south sizing.
    void SetCursorKind(int kind);
    // Starts or stops the host's 20 ms tick. Call before nodes below ask for ticks: a
    // window already marked by a descendant does not start its timer.
    void EnableTicks(bool on);
    void SetHorizontalScroll(int position, int total, int page, int line);
    void SetVerticalScroll(int position, int total, int page, int line);
    // A popup menu at the last context point; flags (may be null): bit value 2 makes an
    // item a separator, 1 greys it. Returns the chosen item's index, or -1.
    int PopupMenu(int count, const std::string* texts, const int* flags);
    // A paint device of the host for measuring text; null without a host.
    QPaintDevice* GetDC();
    void ReleaseDC(QPaintDevice* dc);

    CGN_Wnd* host = nullptr;
    int cursorKind = 0;
    CGP_Graphic* captureNode = nullptr;
    int horizontalPosition = 0, horizontalTotal = 0, horizontalPage = 0, horizontalLine = 0;
    int verticalPosition = 0, verticalTotal = 0, verticalPage = 0, verticalLine = 0;
    int contextX = 0, contextY = 0;
};
