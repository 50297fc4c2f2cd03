#include "table/lockmark.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Drawn rather than taken from an icon theme, which a desktop may lack.
QImage drawLockMark()
{
    constexpr int size = 12;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x55, 0x55, 0x55);
    painter.setPen(QPen(ink, 1.5));
    painter.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(3.5, 6);
    shackle.lineTo(3.5, 4);
    shackle.arcTo(QRectF(3.5, 1, 5, 6), 180, -180);
    shackle.lineTo(8.5, 6);
    painter.drawPath(shackle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRoundedRect(QRectF(2, 5.5, 8, 6), 1, 1);
    return image;
}

} // namespace

const QImage &lockMark()
{
    static const QImage mark = drawLockMark();
    return mark;
}
