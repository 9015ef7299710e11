#include "app/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tidewell::app {
namespace {

const QColor kTeal(0x0e, 0x6b, 0x78);
const QColor kDeep(0x0a, 0x3d, 0x5c);
const QColor kFoam(0xe8, 0xf6, 0xf7);
const QColor kSand(0xf2, 0xb1, 0x3c);

// Everything is drawn on a 64-unit square, scaled to the asked size.
void drawDisk(QPainter& p) {
    QPainterPath body;
    body.moveTo(10, 8);
    body.lineTo(46, 8);
    body.lineTo(56, 18);
    body.lineTo(56, 56);
    body.lineTo(10, 56);
    body.closeSubpath();
    p.setPen(QPen(kDeep, 2));
    p.setBrush(kTeal);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(kFoam);
    p.drawRect(QRectF(18, 8, 24, 15));
    p.setBrush(kDeep);
    p.drawRect(QRectF(33, 11, 6, 10));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(16, 32, 34, 20), 2, 2);
    p.setPen(QPen(kTeal, 2));
    p.drawLine(QPointF(20, 38), QPointF(46, 38));
    p.drawLine(QPointF(20, 45), QPointF(40, 45));
}

void drawQuestion(QPainter& p) {
    p.setPen(QPen(kDeep, 2));
    p.setBrush(kSand);
    p.drawEllipse(QRectF(7, 7, 50, 50));
    QPainterPath hook;
    hook.moveTo(24, 25);
    hook.cubicTo(24, 14, 41, 13, 41, 24);
    hook.cubicTo(41, 31, 32, 32, 32, 39);
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 48), 3.5, 3.5);
}

void drawEnvelope(QPainter& p) {
    p.setPen(QPen(kDeep, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(kFoam);
    p.drawRoundedRect(QRectF(7, 15, 50, 34), 3, 3);
    QPainterPath flap;
    flap.moveTo(8, 17);
    flap.lineTo(32, 36);
    flap.lineTo(56, 17);
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    p.setPen(QPen(kTeal, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 48), QPointF(25, 32));
    p.drawLine(QPointF(56, 48), QPointF(39, 32));
}

void drawHouse(QPainter& p) {
    QPainterPath roof;
    roof.moveTo(5, 32);
    roof.lineTo(32, 8);
    roof.lineTo(59, 32);
    p.setPen(QPen(kDeep, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roof);
    p.setPen(QPen(kDeep, 2));
    p.setBrush(kTeal);
    p.drawRect(QRectF(14, 30, 36, 26));
    p.setBrush(kSand);
    p.drawRect(QRectF(27, 39, 10, 17));
    p.setBrush(kFoam);
    p.drawRect(QRectF(40, 36, 6, 6));
}

void drawWave(QPainter& p, QRectF area, const QColor& color, qreal width) {
    QPainterPath wave;
    const qreal step = area.width() / 4;
    wave.moveTo(area.left(), area.center().y());
    for (int i = 0; i < 4; ++i) {
        const qreal x = area.left() + i * step;
        wave.cubicTo(x + step / 3, area.top(), x + 2 * step / 3, area.bottom(), x + step,
                     area.center().y());
    }
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}

void drawLogo(QPainter& p, QSizeF size) {
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, kTeal);
    sky.setColorAt(1, kDeep);
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(QPointF(0, 0), size), 8, 8);
    drawWave(p, QRectF(8, size.height() - 18, size.width() - 16, 10), kSand, 3);
    QFont font(QStringLiteral("Sans Serif"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size.height() * 0.45));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 2, size.width(), size.height() - 18), Qt::AlignCenter,
               QStringLiteral("Brenvik"));
}

void drawIcon(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kTeal);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(11, 10, 42, 28), 8, 8);
    QPainterPath tail;
    tail.moveTo(20, 36);
    tail.lineTo(17, 46);
    tail.lineTo(30, 37);
    tail.closeSubpath();
    p.setBrush(kFoam);
    p.drawPath(bubble.united(tail));
    p.setPen(QPen(kTeal, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 20), QPointF(45, 20));
    p.drawLine(QPointF(19, 28), QPointF(37, 28));
    drawWave(p, QRectF(8, 46, 48, 9), kSand, 3.5);
}

}  // namespace

QPixmap PaintPicture(Picture picture, QSize size, qreal devicePixelRatio) {
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (picture == Picture::Logo) {
        drawLogo(p, QSizeF(size));
        return pixmap;
    }
    const qreal side = qMin(size.width(), size.height());
    p.translate((size.width() - side) / 2, (size.height() - side) / 2);
    p.scale(side / 64.0, side / 64.0);
    switch (picture) {
        case Picture::SaveSettings:
            drawDisk(p);
            break;
        case Picture::Explanation:
            drawQuestion(p);
            break;
        case Picture::Contact:
            drawEnvelope(p);
            break;
        case Picture::ProductPage:
            drawHouse(p);
            break;
        case Picture::Logo:
            break;
    }
    return pixmap;
}

QImage PaintAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    drawIcon(p);
    return image;
}

}  // namespace tidewell::app
