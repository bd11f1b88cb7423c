#include "qt/tray_pictures.h"

#include <QPainter>

namespace netpanel::qt {

namespace {

const QColor kGreen(0x2e, 0xa0, 0x3c);
const QColor kGrey(0x58, 0x58, 0x58);  // dark enough on a grey panel
const QColor kPaleGrey(0xb0, 0xb0, 0xb0);
const QColor kRed(0xd0, 0x20, 0x20);
const QColor kBlue(0x2a, 0x6c, 0xc8);

QPixmap emptyPicture() {
    QPixmap picture(kTrayPictureSize, kTrayPictureSize);
    picture.fill(Qt::transparent);
    return picture;
}

// A mast with a round top and a small base, in `color`.
void drawAntenna(QPainter& painter, const QColor& color) {
    painter.setPen(QPen(color, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(16, 12), QPointF(16, 28));
    painter.drawLine(QPointF(10, 29), QPointF(22, 29));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(16, 10), 3.5, 3.5);
}

// Two arcs on each side of the mast's top.
void drawWaves(QPainter& painter, const QColor& color) {
    painter.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    for (qreal radius : {7.5, 13.0}) {
        QRectF box(16 - radius, 10 - radius, 2 * radius, 2 * radius);
        painter.drawArc(box, -40 * 16, 80 * 16);  // right side
        painter.drawArc(box, 140 * 16, 80 * 16);  // left side
    }
}

void drawCross(QPainter& painter) {
    painter.setPen(QPen(kRed, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19, 17), QPointF(29, 27));
    painter.drawLine(QPointF(29, 17), QPointF(19, 27));
}

}  // namespace

QPixmap connectedPicture() {
    QPixmap picture = emptyPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawWaves(painter, kGreen);
    drawAntenna(painter, kGreen.darker(130));
    return picture;
}

QPixmap disconnectedPicture() {
    QPixmap picture = emptyPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawWaves(painter, kPaleGrey);
    drawAntenna(painter, kGrey);
    drawCross(painter);
    return picture;
}

QPixmap idlePicture() {
    QPixmap picture = emptyPicture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawAntenna(painter, kBlue);
    return picture;
}

}  // namespace netpanel::qt
