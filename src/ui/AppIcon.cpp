#include "ui/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace ui {
namespace {

// Drawn on a 32-unit grid and scaled, so both sizes show the same picture.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    // The bus: two wires under the dial.
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.0));
    painter.drawLine(QPointF(2, 27), QPointF(30, 27));
    painter.setPen(QPen(QColor(0x1e, 0x5a, 0xb4), 2.0));
    painter.drawLine(QPointF(2, 30), QPointF(30, 30));

    // The dial: a steel disc with a dark rim.
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    painter.setBrush(QColor(0xd8, 0xdc, 0xe0));
    painter.drawEllipse(QPointF(16, 13), 11.5, 11.5);

    // Scale marks every 45 degrees.
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.2));
    for (int mark = 0; mark < 8; ++mark) {
        painter.save();
        painter.translate(16, 13);
        painter.rotate(mark * 45.0);
        painter.drawLine(QPointF(0, -10.5), QPointF(0, -8));
        painter.restore();
    }

    // The pointer, turned a little past one o'clock, and its hub.
    painter.save();
    painter.translate(16, 13);
    painter.rotate(40.0);
    painter.setPen(QPen(QColor(0xc8, 0x1e, 0x1e), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), QPointF(0, -8));
    painter.restore();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x20, 0x20, 0x20));
    painter.drawEllipse(QPointF(16, 13), 2.0, 2.0);
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    icon.addPixmap(DrawIcon(16));
    icon.addPixmap(DrawIcon(32));
    return icon;
}

}  // namespace ui
