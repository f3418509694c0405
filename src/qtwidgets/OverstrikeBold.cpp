#include "qtwidgets/OverstrikeBold.h"

#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace qtwidgets {

void OverstrikeBold::drawItemText(QPainter* painter, const QRect& rect, int flags,
                                  const QPalette& palette, bool enabled, const QString& text,
                                  QPalette::ColorRole textRole) const {
    QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
    if (painter->font().weight() < QFont::DemiBold) {
        return;
    }
    const qreal scale = painter->device()->devicePixelRatioF();
    const long extra = std::lround(scale) - 1;
    // Right-aligned text grows to the left, so that its right edge stays where it was.
    const qreal step = ((flags & Qt::AlignRight) != 0 ? -1.0 : 1.0) * 1.5 / scale;
    for (long i = 1; i <= extra; ++i) {
        painter->save();
        painter->translate(step * static_cast<qreal>(i), 0);
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        painter->restore();
    }
}

}  // namespace qtwidgets
