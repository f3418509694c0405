#include "ui/AppIcon.h"

#include <QDir>
#include <QPixmap>
#include <QString>

namespace ui {

QIcon AppIcon() {
    // One image per size, each in its own NxN directory as in the icon theme.
    QIcon icon;
    const QDir sizes(QStringLiteral(":/icons"));
    for (const QString& size : sizes.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        icon.addPixmap(
            QPixmap(sizes.filePath(size + QStringLiteral("/apps/transmitter-config.png"))));
    }
    return icon;
}

}  // namespace ui
