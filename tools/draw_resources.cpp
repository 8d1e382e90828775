// Draws the program's pictures (icons, toolbar strip, splash picture) into PNG files under
// the folder given on the command line: icons/<id>.png and bitmaps/<id>.png. Run it again
// after changing a drawing and commit the files it writes.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(40, 48, 64);
const QColor kOrange(255, 128, 0);
const QColor kBlue(40, 110, 200);
const QColor kGreen(40, 160, 80);

QImage Canvas(int w, int h, QColor fill = Qt::transparent) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

void Save(const QImage& image, const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "PNG"))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

// A few vertical strokes like a waveform, coloured from green to orange.
void Wave(QPainter& p, QRectF r, int strokes) {
    for (int i = 0; i < strokes; ++i) {
        const double x = r.left() + (i + 0.5) * r.width() / strokes;
        const double a = 0.25 + 0.75 * std::fabs(std::sin(i * 1.7) * std::cos(i * 0.45));
        const double h = r.height() * a / 2;
        QColor c = QColor::fromHsvF(0.33 - 0.25 * i / strokes, 0.85, 0.85);
        p.setPen(QPen(c, std::max(1.0, r.width() / strokes * 0.6), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(x, r.center().y() - h), QPointF(x, r.center().y() + h));
    }
}

void Magnifier(QPainter& p, QRectF r) {
    const double s = r.width();
    p.setPen(QPen(kInk, s * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QRectF(r.left() + s * 0.08, r.top() + s * 0.08, s * 0.55, s * 0.55));
    p.drawLine(QPointF(r.left() + s * 0.56, r.top() + s * 0.56),
               QPointF(r.left() + s * 0.9, r.top() + s * 0.9));
}

void Folder(QPainter& p, QRectF r, bool plus) {
    const double s = r.width();
    p.setPen(QPen(kInk, std::max(1.0, s * 0.06)));
    p.setBrush(QColor(250, 200, 80));
    QPainterPath path;
    path.moveTo(r.left() + s * 0.05, r.top() + s * 0.25);
    path.lineTo(r.left() + s * 0.4, r.top() + s * 0.25);
    path.lineTo(r.left() + s * 0.48, r.top() + s * 0.35);
    path.lineTo(r.left() + s * 0.95, r.top() + s * 0.35);
    path.lineTo(r.left() + s * 0.95, r.top() + s * 0.85);
    path.lineTo(r.left() + s * 0.05, r.top() + s * 0.85);
    path.closeSubpath();
    p.drawPath(path);
    if (plus) {
        p.setPen(QPen(kGreen, s * 0.14, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(r.left() + s * 0.5, r.top() + s * 0.45),
                   QPointF(r.left() + s * 0.5, r.top() + s * 0.77));
        p.drawLine(QPointF(r.left() + s * 0.34, r.top() + s * 0.61),
                   QPointF(r.left() + s * 0.66, r.top() + s * 0.61));
    }
}

QImage Icon(int size, const std::function<void(QPainter&, QRectF)>& draw) {
    QImage image = Canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, QRectF(0, 0, size, size));
    return image;
}

void Triangle(QPainter& p, QRectF r, QColor c) {
    QPolygonF tri;
    tri << QPointF(r.left() + r.width() * 0.25, r.top() + r.height() * 0.18)
        << QPointF(r.left() + r.width() * 0.85, r.center().y())
        << QPointF(r.left() + r.width() * 0.25, r.bottom() - r.height() * 0.18);
    p.setPen(QPen(kInk, 1));
    p.setBrush(c);
    p.drawPolygon(tri);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int kSize = 24;

    // Window and tip icons.
    Save(Icon(kSize, [](QPainter& p, QRectF r) { Magnifier(p, r); }), out + "/icons/235.png");
    Save(Icon(kSize, [](QPainter& p, QRectF r) { Folder(p, r, true); }), out + "/icons/237.png");
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  p.setPen(QPen(kInk, 1));
                  p.setBrush(Qt::white);
                  p.drawRoundedRect(r.adjusted(1, 3, -1, -3), 2, 2);
                  Wave(p, r.adjusted(3, 5, -3, -5), 8);
              }),
         out + "/icons/238.png");
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  Wave(p, QRectF(r.left(), r.top(), r.width() * 0.6, r.height() * 0.6), 5);
                  Magnifier(p, QRectF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.3,
                                      r.width() * 0.7, r.height() * 0.7));
              }),
         out + "/icons/282.png");
    // File/Open: an open folder with a waveform sheet.
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  p.setPen(QPen(kInk, 1));
                  p.setBrush(Qt::white);
                  p.drawRect(QRectF(r.left() + 6, r.top() + 2, 12, 14));
                  Wave(p, QRectF(r.left() + 7, r.top() + 4, 10, 10), 4);
                  Folder(p, QRectF(r.left(), r.top() + 4, r.width(), r.height() - 4), false);
              }),
         out + "/icons/314.png");
    // The result row's buttons: play, loop, edit, sounds-like.
    Save(Icon(kSize, [](QPainter& p, QRectF r) { Triangle(p, r, kGreen); }), out + "/icons/182.png");
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  p.setPen(QPen(kBlue, 2.5));
                  p.setBrush(Qt::NoBrush);
                  p.drawArc(r.adjusted(4, 4, -4, -4), 30 * 16, 300 * 16);
                  Triangle(p, QRectF(r.right() - 11, r.top() + 2, 9, 9), kBlue);
              }),
         out + "/icons/185.png");
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  p.setPen(QPen(kInk, 1));
                  p.setBrush(Qt::white);
                  p.drawRect(r.adjusted(2, 4, -2, -4));
                  Wave(p, r.adjusted(4, 6, -4, -6), 7);
                  p.setPen(QPen(kOrange, 2.5, Qt::SolidLine, Qt::RoundCap));
                  p.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.center().x(), r.center().y() + 2));
              }),
         out + "/icons/191.png");
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  Wave(p, QRectF(r.left(), r.top() + 4, r.width() / 2 - 1, r.height() - 8), 4);
                  Wave(p, QRectF(r.center().x() + 1, r.top() + 4, r.width() / 2 - 1, r.height() - 8), 4);
                  p.setPen(QPen(kInk, 1.5));
                  p.drawLine(QPointF(r.center().x() - 2, r.center().y() - 2), QPointF(r.center().x() + 2, r.center().y() - 2));
                  p.drawLine(QPointF(r.center().x() - 2, r.center().y() + 2), QPointF(r.center().x() + 2, r.center().y() + 2));
              }),
         out + "/icons/188.png");
    // The Manage window's update button: start and stop.
    Save(Icon(kSize, [](QPainter& p, QRectF r) { Triangle(p, r, kGreen); }), out + "/icons/248.png");
    Save(Icon(kSize,
              [](QPainter& p, QRectF r) {
                  p.setPen(QPen(kInk, 1));
                  p.setBrush(QColor(210, 50, 40));
                  p.drawRect(r.adjusted(5, 5, -5, -5));
              }),
         out + "/icons/249.png");

    // The toolbar strip: 16-pixel images on magenta (transparent): Manage, Search.
    {
        QImage strip = Canvas(32, 16, QColor(255, 0, 255));
        QPainter p(&strip);
        Folder(p, QRectF(0, 0, 16, 16), true);
        Magnifier(p, QRectF(16, 0, 16, 16));
        p.end();
        // Anti-aliased edges would blend with magenta: keep only solid pixels.
        for (int y = 0; y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x) {
                QColor c = strip.pixelColor(x, y);
                c.setAlpha(255);
                strip.setPixelColor(x, y, c);
            }
        Save(strip.convertToFormat(QImage::Format_RGB32), out + "/bitmaps/171.png");
    }

    // The splash picture, 375 x 48: the name over a coloured waveform.
    {
        QImage picture = Canvas(375, 48, Qt::black);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        Wave(p, QRectF(0, 2, 375, 44), 75);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(26);
        font.setBold(true);
        p.setFont(font);
        QPainterPath text;
        text.addText(0, 0, font, QStringLiteral("Corvessa Tambrel"));
        const QRectF box = text.boundingRect();
        text.translate((375 - box.width()) / 2 - box.left(), (48 - box.height()) / 2 - box.top());
        p.setPen(QPen(Qt::black, 4));
        p.drawPath(text);
        p.fillPath(text, Qt::white);
        p.end();
        Save(picture.convertToFormat(QImage::Format_RGB32), out + "/bitmaps/280.png");
    }
    return 0;
}
