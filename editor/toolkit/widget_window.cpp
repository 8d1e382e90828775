#include "editor/toolkit/widget_window.h"

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>

#include "editor/toolkit/host_window.h"

CGI_Window::CGI_Window(CGN_Wnd* hostWindow, int w, int h)
    : CGP_Graphic(nullptr, nullptr, 0, 0, w, h), host(hostWindow) {
    if (host != nullptr)
        host->root = this;
}

CGI_Window::~CGI_Window() {
    SetCapture(nullptr);
    if (host != nullptr && host->root == this)
        host->root = nullptr;
}

void CGI_Window::Invalidate(int ix, int iy, int iwidth, int iheight) {
    const int left = std::max(ix, 0), top = std::max(iy, 0);
    const int right = std::min(ix + iwidth, width), bottom = std::min(iy + iheight, height);
    if (right <= left || bottom <= top || host == nullptr)
        return;
    host->InvalidateClient(left, top, right - left, bottom - top);
}

void CGI_Window::OnContextMenu(int px, int py) {
    contextX = px;
    contextY = py;
    CGP_Graphic::OnContextMenu(px, py);
}

void CGI_Window::OnButtonDown(int px, int py, int button, bool ctrl, bool shift) {
    if (captureNode == nullptr || captureNode == this) {
        CGP_Graphic::OnButtonDown(px, py, button, ctrl, shift);
        return;
    }
    captureNode->WindowToLocal(px, py);
    captureNode->OnButtonDown(px, py, button, ctrl, shift);
}

void CGI_Window::OnButtonUp(int px, int py, int button, bool ctrl, bool shift) {
    if (captureNode == nullptr || captureNode == this) {
        CGP_Graphic::OnButtonUp(px, py, button, ctrl, shift);
        return;
    }
    captureNode->WindowToLocal(px, py);
    captureNode->OnButtonUp(px, py, button, ctrl, shift);
}

void CGI_Window::OnMouseMove(int px, int py, int outcode) {
    if (captureNode == nullptr || captureNode == this) {
        CGP_Graphic::OnMouseMove(px, py, outcode);
        return;
    }
    // A node dragging inside a scrolled view learns on which side of its parent the
    // mouse has gone, even while the mouse is still inside the window.
    if (captureNode->parent != nullptr && outcode == 0) {
        int parentX = px, parentY = py;
        captureNode->parent->WindowToLocal(parentX, parentY);
        outcode = captureNode->parent->HitOutcode(parentX, parentY);
    }
    captureNode->WindowToLocal(px, py);
    captureNode->OnMouseMove(px, py, outcode);
}

void CGI_Window::SetScrollPosition(int horizontal, int vertical) {
    horizontalPosition = horizontal;
    verticalPosition = vertical;
}

void CGI_Window::SetCapture(CGP_Graphic* node) {
    if (host != nullptr) {
        if (node != nullptr && captureNode == nullptr)
            host->TakeCapture();
        else if (node == nullptr && captureNode != nullptr)
            host->ReleaseCapture();
    }
    captureNode = node;
}

void CGI_Window::SetCursorKind(int kind) {
    cursorKind = kind;
    if (host != nullptr)
        host->ShowCursorKind(kind);
}

void CGI_Window::EnableTicks(bool on) {
    if (host != nullptr) {
        if (!wantsTicks && on)
            host->StartTick();
        else if (wantsTicks && !on)
            host->StopTick();
    }
    SetWantsTicks(on);
}

void CGI_Window::SetHorizontalScroll(int position, int total, int page, int line) {
    horizontalPosition = position;
    horizontalTotal = total;
    horizontalPage = page;
    horizontalLine = line;
    if (host != nullptr)
        host->SetScrollBar(Qt::Horizontal, position, total, page);
}

void CGI_Window::SetVerticalScroll(int position, int total, int page, int line) {
    verticalPosition = position;
    verticalTotal = total;
    verticalPage = page;
    verticalLine = line;
    if (host != nullptr)
        host->SetScrollBar(Qt::Vertical, position, total, page);
}

int CGI_Window::PopupMenu(int count, const std::string* texts, const int* flags) {
    if (host == nullptr)
        return -1;
    QMenu menu(host);
    for (int i = 0; i < count; ++i) {
        const int flag = flags != nullptr ? flags[i] : 0;
        QAction* action = (flag & 2) != 0 ? menu.addSeparator()
                                          : menu.addAction(QString::fromStdString(texts[i]));
        action->setData(i);
        if ((flag & 1) != 0)
            action->setEnabled(false);
    }
    QAction* chosen = menu.exec(host->viewport()->mapToGlobal(QPoint(contextX, contextY)));
    return chosen != nullptr ? chosen->data().toInt() : -1;
}

QPaintDevice* CGI_Window::GetDC() {
    return host != nullptr ? host->viewport() : nullptr;
}

void CGI_Window::ReleaseDC(QPaintDevice*) {}
