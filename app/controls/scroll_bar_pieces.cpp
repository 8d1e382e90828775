#include "app/controls/scroll_bar_pieces.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionComplex>
#include <algorithm>

namespace {

// The raster engine hands a batch of 96 runs or more to its thread pool. A piece's share of
// an outline (two sides along it, two across the bar's 14 or so pixels) stays below that.
constexpr int kPiece = 32;

class ScrollBarPiecesStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        if (control != CC_ScrollBar || !InPieces(option, painter)) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        // The bar is drawn once per piece into a picture of the whole bar, clipped to the
        // piece: a line cut short by the edge of what is drawn on comes out otherwise. The
        // style sets clips of its own too, so only the piece's part of each drawing is kept.
        // The bar's groove covers it with opaque paint first, so the pieces laid over the
        // widget give the pixels drawing it in place would.
        const QRect whole = option->rect;
        const bool vertical = whole.height() > whole.width();
        const int length = vertical ? whole.height() : whole.width();
        QImage picture(whole.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter onPicture(&picture);
        onPicture.translate(-whole.topLeft());
        for (int from = 0; from < length; from += kPiece) {
            const int size = std::min(kPiece, length - from);
            const QRect area = vertical
                                   ? QRect(whole.left(), whole.top() + from, whole.width(), size)
                                   : QRect(whole.left() + from, whole.top(), size, whole.height());
            onPicture.save();
            onPicture.setCompositionMode(QPainter::CompositionMode_Source);
            onPicture.fillRect(area, Qt::transparent);
            onPicture.restore();
            onPicture.save();
            onPicture.setClipRect(area);
            QProxyStyle::drawComplexControl(control, option, &onPicture, widget);
            onPicture.restore();
            painter->drawImage(area.topLeft(), picture, area.translated(-whole.topLeft()));
        }
    }

private:
    // Only a long bar drawn at its own pixels, plainly over what is below it.
    static bool InPieces(const QStyleOptionComplex* option, const QPainter* painter) {
        if (option == nullptr || painter == nullptr || painter->device() == nullptr)
            return false;
        const QRect whole = option->rect;
        return std::max(whole.width(), whole.height()) > kPiece && whole.width() > 0 &&
               whole.height() > 0 && painter->device()->devicePixelRatio() == 1.0 &&
               painter->deviceTransform().type() <= QTransform::TxTranslate &&
               painter->opacity() == 1.0 &&
               painter->compositionMode() == QPainter::CompositionMode_SourceOver;
    }
};

// One style for every bar, a copy of the application's own; made again if that changes.
// Only the Fusion style is known to cover the whole bar with opaque paint.
QStyle* PiecesStyle() {
    static QPointer<QStyle> style;
    static QString madeFor;
    QStyle* app = QApplication::style();
    if (app == nullptr || !qApp->styleSheet().isEmpty())
        return nullptr;
    const QString name = app->name();
    if (name.compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        return nullptr;
    if (style.isNull() || madeFor != name) {
        QStyle* base = QStyleFactory::create(name);
        // A style of the program's own under the same name would not be the one copied.
        if (base == nullptr || base->metaObject() != app->metaObject()) {
            delete base;
            return nullptr;
        }
        style = new ScrollBarPiecesStyle(base);
        style->setParent(qApp);
        madeFor = name;
    }
    return style.data();
}

} // namespace

void DrawScrollBarInPieces(QScrollBar* bar) {
    if (bar == nullptr || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    if (QStyle* style = PiecesStyle())
        bar->setStyle(style);
}
