// Looks at another program's window on the X server, as a user would:
//   x11-probe grab WINDOW_ID OUT.png   the window's picture
//   x11-probe close WINDOW_ID          the window manager's close (WM_DELETE_WINDOW)
//   x11-probe pixels OUT.png X,Y,W,H R,G,B ...
//                                      how many pixels of the area have each colour (within 8)
//   x11-probe find OUT.png R,G,B [X,Y,W,H]
//                                      where patches of the colour (within 8) are: one
//                                      "x y w h" line a patch of at least 6 pixels, the patch's
//                                      centre and size, top to bottom; status 1 when none
//   x11-probe differ A.png B.png X,Y,W,H
//                                      how many pixels of the area differ between two pictures

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
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
    // A round trip before hanging up: a server that sees the connection close first may drop
    // the requests still unread on it, the close among them.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
    return 0;
}

bool Near(const QColor& c, int r, int g, int b) {
    return std::abs(c.red() - r) <= 8 && std::abs(c.green() - g) <= 8 && std::abs(c.blue() - b) <= 8;
}

QRect Area(const char* text, const QImage& image) {
    int ax = 0, ay = 0, aw = image.width(), ah = image.height();
    if (text != nullptr)
        std::sscanf(text, "%d,%d,%d,%d", &ax, &ay, &aw, &ah);
    return QRect(ax, ay, aw, ah).intersected(image.rect());
}

// Patches of touching pixels of the colour, each printed once, in the order their first
// pixels come (top to bottom, left to right).
int Find(const QImage& image, int r, int g, int b, const QRect& area) {
    std::vector<char> seen(static_cast<size_t>(image.width()) * image.height(), 0);
    auto at = [&](int x, int y) -> char& { return seen[static_cast<size_t>(y) * image.width() + x]; };
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            if (at(x, y) != 0 || !Near(image.pixelColor(x, y), r, g, b))
                continue;
            QRect box(x, y, 1, 1);
            long count = 0;
            std::vector<QPoint> todo{{x, y}};
            at(x, y) = 1;
            while (!todo.empty()) {
                const QPoint p = todo.back();
                todo.pop_back();
                ++count;
                box |= QRect(p, QSize(1, 1));
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const QPoint q(p.x() + dx, p.y() + dy);
                        if (area.contains(q) && at(q.x(), q.y()) == 0 &&
                            Near(image.pixelColor(q), r, g, b)) {
                            at(q.x(), q.y()) = 1;
                            todo.push_back(q);
                        }
                    }
            }
            if (count >= 6) {
                std::printf("%d %d %d %d\n", box.center().x(), box.center().y(), box.width(),
                            box.height());
                ++found;
            }
        }
    return found > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0)
        return Close(static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)));
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
    if (argc >= 4 && std::strcmp(argv[1], "find") == 0) {
        const QImage image(QString::fromLocal8Bit(argv[2]));
        if (image.isNull())
            return 2;
        int r = 0, g = 0, b = 0;
        std::sscanf(argv[3], "%d,%d,%d", &r, &g, &b);
        return Find(image, r, g, b, Area(argc >= 5 ? argv[4] : nullptr, image));
    }
    if (argc >= 5 && std::strcmp(argv[1], "differ") == 0) {
        const QImage a(QString::fromLocal8Bit(argv[2])), b(QString::fromLocal8Bit(argv[3]));
        if (a.isNull() || b.isNull())
            return 2;
        const QRect area = Area(argv[4], a).intersected(b.rect());
        long count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = b.pixelColor(x, y);
                if (!Near(a.pixelColor(x, y), c.red(), c.green(), c.blue()))
                    ++count;
            }
        std::printf("%ld\n", count);
        return 0;
    }
    std::fprintf(stderr, "usage: %s grab|close|pixels|find|differ ...\n", argv[0]);
    return 2;
}
