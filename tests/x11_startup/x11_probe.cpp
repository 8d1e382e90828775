// Looks at another program's window on the X server, as a user would:
//   x11-probe grab WINDOW_ID OUT.png   the window's picture
//   x11-probe close WINDOW_ID          the window manager's close (WM_DELETE_WINDOW)
//   x11-probe click WINDOW_ID X Y      a left click at X,Y of the window
//   x11-probe pixels OUT.png X,Y,W,H R,G,B ...
//                                      how many pixels of the area have each colour (within 8)

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return atom;
}

int Close(xcb_window_t window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0)
        return 2;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(c);
    xcb_disconnect(c);
    return 0;
}

int Click(xcb_window_t window, int x, int y) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0)
        return 2;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, screen->root, x, y), nullptr);
    if (at == nullptr)
        return 2;
    // Pressed through the pointer, as a user's click arrives: move, press, release.
    xcb_warp_pointer(c, XCB_NONE, screen->root, 0, 0, 0, 0, at->dst_x, at->dst_y);
    std::free(at);
    for (bool press : {true, false}) {
        xcb_button_press_event_t event{};
        event.response_type = press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE;
        event.detail = 1;
        event.time = XCB_CURRENT_TIME;
        event.root = screen->root;
        event.event = window;
        event.child = XCB_NONE;
        event.event_x = static_cast<int16_t>(x);
        event.event_y = static_cast<int16_t>(y);
        event.same_screen = 1;
        event.state = press ? 0 : XCB_BUTTON_MASK_1;
        xcb_send_event(c, 1, window,
                       press ? XCB_EVENT_MASK_BUTTON_PRESS : XCB_EVENT_MASK_BUTTON_RELEASE,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(c);
    }
    xcb_disconnect(c);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0)
        return Close(static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)));
    if (argc >= 5 && std::strcmp(argv[1], "click") == 0)
        return Click(static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)),
                     std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc >= 4 && std::strcmp(argv[1], "grab") == 0) {
        QGuiApplication app(argc, argv);
        QScreen* screen = QGuiApplication::primaryScreen();
        const QPixmap shot = screen->grabWindow(std::strtoul(argv[2], nullptr, 0));
        return !shot.isNull() && shot.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
    }
    if (argc >= 5 && std::strcmp(argv[1], "pixels") == 0) {
        const QImage image(QString::fromLocal8Bit(argv[2]));
        if (image.isNull())
            return 1;
        int ax = 0, ay = 0, aw = 0, ah = 0;
        std::sscanf(argv[3], "%d,%d,%d,%d", &ax, &ay, &aw, &ah);
        const QRect area = QRect(ax, ay, aw, ah).intersected(image.rect());
        for (int i = 4; i < argc; ++i) {
            int r = 0, g = 0, b = 0;
            std::sscanf(argv[i], "%d,%d,%d", &r, &g, &b);
            long count = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (std::abs(c.red() - r) <= 8 && std::abs(c.green() - g) <= 8 &&
                        std::abs(c.blue() - b) <= 8)
                        ++count;
                }
            std::printf("%s %ld\n", argv[i], count);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: %s grab|close|pixels ...\n", argv[0]);
    return 2;
}
