#include "ui/appicon.h"

#include <QLinearGradient>
#include <QPainter>

QPixmap drawAppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    // A rounded tile in deep blue.
    QLinearGradient background(0, 0, 0, s);
    background.setColorAt(0, QColor(0x3a, 0x8f, 0xb7));
    background.setColorAt(1, QColor(0x1d, 0x4e, 0x6b));
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    // A small table (the name means one), which also reads as a "T" at 16 pixels.
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(s * 0.16, s * 0.34, s * 0.68, s * 0.13), s * 0.04, s * 0.04);
    painter.drawRect(QRectF(s * 0.26, s * 0.45, s * 0.10, s * 0.35));
    painter.drawRect(QRectF(s * 0.64, s * 0.45, s * 0.10, s * 0.35));

    // A warm dot on the table top: something being shared.
    painter.setBrush(QColor(0xf2, 0xa5, 0x41));
    painter.drawEllipse(QPointF(s * 0.5, s * 0.24), s * 0.08, s * 0.08);
    return pixmap;
}

QIcon makeAppIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawAppIcon(size));
    return icon;
}
