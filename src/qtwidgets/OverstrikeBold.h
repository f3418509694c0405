#pragma once

#include <QProxyStyle>

namespace qtwidgets {

// Bold captions as thick on a scaled screen as at 100 %. The window's face has no bold of its
// own; the font engine emboldens its glyphs by about one device pixel, which at 100 % doubles the
// Song face's thin strokes and at 150 % and 200 % leaves the text looking regular. On a scaled
// screen the bold text is drawn again, one and a half device pixels further right for each whole
// step of scale beyond the first (once at 150 % and 200 %, twice at 300 %), so the strokes keep
// about the weight they have at 100 %, where nothing changes.
//
// Applies to the texts the style draws with a bold font: labels' and buttons' captions.
class OverstrikeBold : public QProxyStyle {
public:
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                      bool enabled, const QString& text,
                      QPalette::ColorRole textRole = QPalette::NoRole) const override;
};

}  // namespace qtwidgets
