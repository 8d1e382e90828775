#include "windows/manage/manage_pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap Blank(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A round badge with a symbol drawn by the caller.
template <typename Draw>
QPixmap Badge(int size, QColor fill, Draw draw) {
    QPixmap pixmap = Blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(fill.darker(150), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    p.setPen(QPen(Qt::white, size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    draw(p, double(size));
    return pixmap;
}

QPixmap Triangle(QColor colour) {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(160), 1));
    p.setBrush(colour);
    QPainterPath path;
    path.moveTo(4, 2.5);
    path.lineTo(13, 8);
    path.lineTo(4, 13.5);
    path.closeSubpath();
    p.drawPath(path);
    return pixmap;
}

} // namespace

namespace ManagePictures {

QPixmap StatusImage(int index) {
    switch (index) {
    case 0: // not catalogued: an empty ring
        return Badge(20, QColor(190, 190, 190), [](QPainter& p, double s) {
            p.drawLine(QPointF(s * 0.3, s * 0.5), QPointF(s * 0.7, s * 0.5));
        });
    case 1: // catalogued: a tick
        return Badge(20, QColor(40, 150, 60), [](QPainter& p, double s) {
            p.drawPolyline(QPolygonF({QPointF(s * 0.28, s * 0.52), QPointF(s * 0.44, s * 0.68),
                                      QPointF(s * 0.72, s * 0.34)}));
        });
    case 2: // catalogued, edited: a pencil stroke
        return Badge(20, QColor(225, 150, 20), [](QPainter& p, double s) {
            p.drawLine(QPointF(s * 0.3, s * 0.7), QPointF(s * 0.7, s * 0.3));
            p.drawPoint(QPointF(s * 0.28, s * 0.72));
        });
    default: // error: a cross
        return Badge(20, QColor(200, 40, 40), [](QPainter& p, double s) {
            p.drawLine(QPointF(s * 0.33, s * 0.33), QPointF(s * 0.67, s * 0.67));
            p.drawLine(QPointF(s * 0.67, s * 0.33), QPointF(s * 0.33, s * 0.67));
        });
    }
}

QPixmap MarkImage(int index) {
    if (index == 0 || index == 4)
        return Badge(16, QColor(40, 150, 60), [](QPainter& p, double s) {
            p.drawPolyline(QPolygonF({QPointF(s * 0.28, s * 0.52), QPointF(s * 0.44, s * 0.68),
                                      QPointF(s * 0.72, s * 0.34)}));
        });
    // Not in MyTambrel: a small note.
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 120), 1.5));
    p.setBrush(QColor(90, 90, 120));
    p.drawEllipse(QRectF(3, 10, 5, 4));
    p.drawLine(QPointF(7.5, 12), QPointF(7.5, 2.5));
    p.drawLine(QPointF(7.5, 2.5), QPointF(12, 4.5));
    return pixmap;
}

QPixmap PlayIcon() {
    return Triangle(QColor(30, 140, 50));
}

QPixmap LoopIcon() {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 90, 170), 2));
    p.drawArc(QRectF(2.5, 3.5, 11, 9), 30 * 16, 300 * 16);
    p.setBrush(QColor(30, 90, 170));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(10.5, 1.5), QPointF(15, 4.5), QPointF(10, 7)}));
    return pixmap;
}

QPixmap StartIcon() {
    return Triangle(QColor(30, 140, 50));
}

QPixmap StopIcon() {
    QPixmap pixmap = Blank(16);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(140, 20, 20), 1));
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(3.5, 3.5, 9, 9));
    return pixmap;
}

} // namespace ManagePictures
