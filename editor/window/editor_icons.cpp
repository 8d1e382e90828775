#include "editor/window/editor_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <initializer_list>

#include "app/resources.h"

namespace {

constexpr int kSize = 16;
const QColor kInk(40, 40, 48);
const QColor kRed(205, 30, 30);
const QColor kGreen(20, 140, 50);
const QColor kBlue(30, 80, 190);

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& fill) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, fill);
}

void Magnifier(QPainter& p, bool plus, bool minus) {
    p.setPen(QPen(kInk, 1.6));
    p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
    p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.setPen(QPen(kBlue, 1.4));
    if (plus || minus)
        p.drawLine(QPointF(4, 6.25), QPointF(8.5, 6.25));
    if (plus)
        p.drawLine(QPointF(6.25, 4), QPointF(6.25, 8.5));
}

void Wave(QPainter& p, double top, double height, const QColor& colour) {
    QPainterPath path;
    path.moveTo(1, top + height / 2);
    for (int x = 1; x <= 15; ++x)
        path.lineTo(x, top + height / 2 + ((x % 2 == 0) ? -1 : 1) * height / 2 * ((x % 5) / 4.0));
    p.setPen(QPen(colour, 1.2));
    p.drawPath(path);
}

void Sheet(QPainter& p, QRectF r) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    for (double y = r.top() + 3; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void Floppy(QPainter& p, const QColor& body) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(body);
    p.drawRect(QRectF(1.5, 1.5, 12, 12));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 1.5, 7, 4.5));
    p.setBrush(QColor(230, 230, 230));
    p.drawRect(QRectF(3.5, 8.5, 8, 5));
}

void Arrow(QPainter& p, bool left, const QColor& colour) {
    // A curved arrow for undo (left) and redo.
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath path;
    if (left) {
        path.moveTo(13, 13);
        path.cubicTo(14, 6, 8, 4, 4, 7);
        p.drawPath(path);
        Triangle(p, {1, 8}, {6, 3}, {7, 10}, colour);
    } else {
        path.moveTo(3, 13);
        path.cubicTo(2, 6, 8, 4, 12, 7);
        p.drawPath(path);
        Triangle(p, {15, 8}, {10, 3}, {9, 10}, colour);
    }
}

void Draw(QPainter& p, int id) {
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case 214: // record
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QRectF(3, 3, 10, 10));
        break;
    case 215: // play
        Triangle(p, {4, 2}, {14, 8}, {4, 14}, kGreen);
        break;
    case 216: // pause
    case 318: // paused play: resume
    case 319: // paused recording: resume
        p.fillRect(QRectF(3, 3, 3.5, 10), kInk);
        p.fillRect(QRectF(9.5, 3, 3.5, 10), kInk);
        if (id == 318)
            Triangle(p, {9, 8}, {15, 12}, {9, 16}, kGreen);
        if (id == 319) {
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawEllipse(QRectF(9, 9, 7, 7));
        }
        break;
    case 217: // stop
        p.fillRect(QRectF(3.5, 3.5, 9, 9), kInk);
        break;
    case 185: { // loop
        p.setPen(QPen(kGreen, 2));
        p.drawArc(QRectF(2, 3, 12, 10), 30 * 16, 300 * 16);
        Triangle(p, {11, 1}, {15, 5}, {10, 7}, kGreen);
        break;
    }
    case 218: // zoom in
        Magnifier(p, true, false);
        break;
    case 219: // zoom out
        Magnifier(p, false, true);
        break;
    case 313: // show matches
        Wave(p, 2, 12, kInk);
        p.fillRect(QRectF(4, 1, 3, 14), QColor(255, 200, 0, 150));
        p.fillRect(QRectF(10, 1, 3, 14), QColor(255, 200, 0, 150));
        break;
    case 311: // search forward
        p.fillRect(QRectF(2, 3, 2, 10), QColor(255, 180, 0));
        Triangle(p, {6, 3}, {14, 8}, {6, 13}, kBlue);
        break;
    case 310: // search backward
        p.fillRect(QRectF(12, 3, 2, 10), QColor(255, 180, 0));
        Triangle(p, {10, 3}, {2, 8}, {10, 13}, kBlue);
        break;
    case 188: // find similar sounds
        Wave(p, 9, 6, kGreen);
        Magnifier(p, false, false);
        break;
    case 286:
        Arrow(p, true, kBlue);
        break;
    case 287:
        Arrow(p, false, kBlue);
        break;
    case 289: // cut
        p.setPen(QPen(kInk, 1.4));
        p.drawLine(QPointF(4, 1), QPointF(10, 11));
        p.drawLine(QPointF(12, 1), QPointF(6, 11));
        p.drawEllipse(QRectF(2, 10, 4.5, 4.5));
        p.drawEllipse(QRectF(9.5, 10, 4.5, 4.5));
        break;
    case 290: // copy
        Sheet(p, QRectF(1.5, 1.5, 8, 10));
        Sheet(p, QRectF(6.5, 4.5, 8, 10));
        break;
    case 291: // paste
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4, 1, 5, 3));
        Sheet(p, QRectF(6.5, 6.5, 8, 8));
        break;
    case 293: // mix
        Wave(p, 2, 7, kInk);
        Wave(p, 7, 7, kGreen);
        p.setPen(QPen(kRed, 1.6));
        p.drawLine(QPointF(12, 9), QPointF(12, 15));
        p.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case 292: // delete
        p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case 302: { // volume
        QPainterPath path;
        path.moveTo(2, 6);
        path.lineTo(5, 6);
        path.lineTo(9, 2);
        path.lineTo(9, 14);
        path.lineTo(5, 10);
        path.lineTo(2, 10);
        path.closeSubpath();
        p.fillPath(path, kInk);
        p.setPen(QPen(kBlue, 1.2));
        p.drawArc(QRectF(7, 4, 6, 8), -60 * 16, 120 * 16);
        p.drawArc(QRectF(7, 2, 9, 12), -60 * 16, 120 * 16);
        break;
    }
    case 298: // fade
        Triangle(p, {1, 14}, {15, 2}, {15, 14}, QColor(80, 130, 220));
        break;
    case 303: // insert silence
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(1, 8), QPointF(15, 8));
        p.setPen(QPen(kRed, 1.6));
        p.drawLine(QPointF(5, 3), QPointF(5, 13));
        p.drawLine(QPointF(11, 3), QPointF(11, 13));
        break;
    case 294: // trim
        Wave(p, 4, 8, kInk);
        p.setPen(QPen(kRed, 1.6));
        p.drawLine(QPointF(3, 1), QPointF(3, 15));
        p.drawLine(QPointF(13, 1), QPointF(13, 15));
        break;
    case 316: // save
        Floppy(p, kBlue);
        break;
    case 321: // save as
        Floppy(p, QColor(90, 150, 90));
        p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 15), QPointF(15, 9));
        break;
    case 322: // remove from the collection
        Sheet(p, QRectF(2.5, 1.5, 9, 12));
        p.setPen(QPen(kRed, 2.4));
        p.drawLine(QPointF(7, 12), QPointF(15, 12));
        break;
    case 323: // fields
        p.setPen(QPen(kInk, 1));
        for (int y : {2, 7, 12}) {
            p.fillRect(QRectF(1, y, 4, 2), kInk);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6.5, y - 0.5, 8, 3));
        }
        break;
    case 324: // controls
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(1, 5), QPointF(15, 5));
        p.drawLine(QPointF(1, 11), QPointF(15, 11));
        p.fillRect(QRectF(4, 2, 3, 6), kBlue);
        p.fillRect(QRectF(10, 8, 3, 6), kBlue);
        break;
    default:
        break;
    }
}

} // namespace

QPixmap DrawEditorIcon(int id) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    Draw(painter, id);
    return pixmap;
}

void RegisterEditorIcons() {
    static bool done = false;
    if (done)
        return;
    done = true;
    for (int id : {214, 215, 216, 217, 185, 218, 219, 313, 311, 310, 188, 286, 287, 289, 290,
                   291, 293, 292, 302, 298, 303, 294, 316, 318, 319, 321, 322, 323, 324})
        RegisterResourceIcon(id, DrawEditorIcon(id));
}
